#include "groupencoder.h"

#include <QtEndian>

namespace {

constexpr int WordCount = groups::SlotSize / 4;

quint32 bits(unsigned value, int width, int shift)
{
    return (quint32(value) & ((1u << width) - 1)) << shift;
}

} // namespace

QByteArray encodeGroup(const GroupRecord &group)
{
    quint32 words[WordCount] = {};
    const int count = qBound(1, int(group.impactCount), groups::MaxImpacts);

    words[0] = bits(count - 1, 5, 0) | bits(group.direction, 4, 6) | bits(group.device, 3, 10) |
               bits(group.scale, 3, 13) | bits(group.material, 4, 16);
    words[1] = bits(group.minute, 6, 0) | bits(group.hour, 5, 6) | bits(group.day, 5, 11) | bits(group.month, 4, 16) |
               bits(group.tableSet, 1, 31);
    for (int i = 0; i < count; ++i)
        words[2 + i / 3] |= bits(group.impacts[i], 10, 10 * (i % 3));
    words[12] |= bits(group.groupValue, 10, 20);

    QByteArray slot(groups::SlotSize, '\0');
    for (int w = 0; w < WordCount; ++w)
        qToLittleEndian(words[w], slot.data() + 4 * w);
    return slot;
}

QByteArray encodeGroups(const QList<GroupRecord> &groupList)
{
    QByteArray payload;
    payload.reserve(groups::PayloadSize);
    for (int i = 0; i < groupList.size() && i < groups::SlotCount; ++i)
        payload += encodeGroup(groupList.at(i));
    payload.append(groups::PayloadSize - payload.size(), '\0');
    return payload;
}

#include "groups.h"

#include <QtEndian>

bool operator==(const GroupRecord &a, const GroupRecord &b)
{
    if (a.month != b.month || a.minute != b.minute || a.day != b.day || a.hour != b.hour || a.tableSet != b.tableSet ||
        a.groupValue != b.groupValue || a.device != b.device || a.scale != b.scale || a.direction != b.direction ||
        a.impactCount != b.impactCount || a.material != b.material)
        return false;
    for (int i = 0; i < a.impactCount && i < groups::MaxImpacts; ++i) {
        if (a.impacts[i] != b.impacts[i])
            return false;
    }
    return true;
}

QList<GroupRecord> decodeGroups(const QByteArray &payload)
{
    QList<GroupRecord> records;
    if (payload.size() < groups::PayloadSize)
        return records;
    records.reserve(groups::SlotCount);
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
    for (int k = 0; k < groups::SlotCount; ++k) {
        quint32 w[13];
        for (int j = 0; j < 13; ++j)
            w[j] = qFromLittleEndian<quint32>(bytes + groups::SlotSize * k + 4 * j);

        GroupRecord r;
        r.impactCount = quint8((w[0] & 31) + 1);
        r.direction = quint8((w[0] >> 6) & 15);
        r.device = quint8((w[0] >> 10) & 7);
        r.scale = quint8((w[0] >> 13) & 7);
        r.material = quint8((w[0] >> 16) & 15);
        r.minute = quint8(w[1] & 63);
        r.hour = quint8((w[1] >> 6) & 31);
        r.day = quint8((w[1] >> 11) & 31);
        r.month = quint8((w[1] >> 16) & 15);
        r.tableSet = quint8(w[1] >> 31);
        r.groupValue = quint16((w[12] >> 20) & 1023);
        for (int i = 0; i < r.impactCount; ++i)
            r.impacts[i] = quint16((w[2 + i / 3] >> (10 * (i % 3))) & 1023);
        records.append(r);
    }
    return records;
}

bool isPossibleDate(int month, int day, int hour, int minute)
{
    static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= monthDays[month - 1] && hour >= 0 && hour <= 23 &&
           minute >= 0 && minute <= 59;
}

QString groupPayloadFault(const QByteArray &payload)
{
    if (payload.size() != groups::PayloadSize)
        return QStringLiteral("%1 payload bytes instead of %2").arg(payload.size()).arg(groups::PayloadSize);
    // Only the date word w1 and the group value in w12 matter here: no need to unpack the impacts.
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
    for (int k = 0; k < groups::SlotCount; ++k) {
        const uchar *slot = bytes + groups::SlotSize * k;
        if (((qFromLittleEndian<quint32>(slot + 48) >> 20) & 1023) == 0)
            continue;
        const quint32 w1 = qFromLittleEndian<quint32>(slot + 4);
        const quint32 minute = w1 & 63, hour = (w1 >> 6) & 31, day = (w1 >> 11) & 31, month = (w1 >> 16) & 15;
        if (!isPossibleDate(int(month), int(day), int(hour), int(minute)))
            return QStringLiteral("slot %1 holds the impossible date %2/%3 %4:%5")
                .arg(k)
                .arg(month)
                .arg(day)
                .arg(hour)
                .arg(minute);
    }
    return QString();
}

bool onlyDateFault(const QByteArray &payload)
{
    return payload.size() == groups::PayloadSize && !groupPayloadFault(payload).isEmpty();
}

int unreadGroups(const QList<GroupRecord> &records)
{
    int unread = 0;
    bool pastEnd = false;
    for (const GroupRecord &r : records) {
        if (r.groupValue == 0)
            pastEnd = true;
        else if (pastEnd)
            ++unread;
    }
    return unread;
}

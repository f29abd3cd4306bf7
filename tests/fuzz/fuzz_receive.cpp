// The receive path as the link runs it, on plain functions: each chunk hands over its complete frames, a silence runs
// a pass (a second one in a row hands the kept tail over), so does the buffer bound, and the end hands over all, as a
// close does. Input: records [code][chunk]; code 0 is a silence, 1 to 63 the chunk's length, from 64 on
// (code - 63) * 64 bytes, so that whole group frames fit in a few records.
#include "frame.h"
#include "groups.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Every piece handed over, in order, and their sizes.
QByteArray handedBytes;
QList<int> handedSizes;

void handle(const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces) {
        handedBytes.append(piece);
        handedSizes.append(piece.size());
        if (!checkFrame(piece) || frameCommand(piece) != CmdGroupData)
            continue;
        const QByteArray payload = framePayload(piece);
        const bool sound = groupPayloadFault(payload).isEmpty();
        const QList<GroupRecord> records = decodeGroups(payload);
        require(!sound || records.size() == groups::SlotCount);
        require(unreadGroups(records) < groups::SlotCount);
        for (const GroupRecord &r : records) {
            require(r.impactCount >= 1 && r.impactCount <= groups::MaxImpacts && r.groupValue < 1024);
            require(!sound || r.groupValue == 0 || (r.month >= 1 && r.month <= 12 && r.day >= 1 && r.hour <= 23));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray buffer, stream;
    handedBytes.clear();
    handedSizes.clear();
    bool silent = false, tailKept = false, passes = false;
    int settled = 0;
    for (size_t pos = 0; pos < size;) {
        const int code = data[pos++];
        if (code == 0) {
            // The second silence without a byte between hands the kept tail over.
            handle(takeFrames(buffer, !(silent && tailKept)));
            settled = 0;
            tailKept = !buffer.isEmpty();
            silent = passes = true;
            continue;
        }
        const size_t len = std::min<size_t>(code < 64 ? code : (code - 63) * 64, size - pos);
        const QByteArray chunk = QByteArray::fromRawData(reinterpret_cast<const char *>(data + pos), int(len));
        pos += len;
        silent = false;
        stream.append(chunk);
        buffer.append(chunk);
        const QList<QByteArray> complete = takeCompleteFrames(buffer, &settled);
        require(complete.isEmpty() || checkFrame(complete.last()));
        handle(complete);
        if (buffer.size() > frame::MaxBufferSize) {
            handle(takeFrames(buffer));
            settled = 0;
            passes = true;
        }
        require(buffer.size() <= frame::MaxBufferSize);
    }
    handle(takeFrames(buffer, false));
    // Nothing lost, nothing twice, nothing out of order.
    require(handedBytes == stream);
    // Handing complete frames over early cuts the stream just as one pass over all of it would.
    if (!passes) {
        QList<int> sizes;
        for (const QByteArray &piece : takeFrames(stream, false))
            sizes.append(piece.size());
        require(sizes == handedSizes);
    }
    return 0;
}

// The link's FrameReceiver fed [code][chunk] records: 0 a silence, 1-63 its length, from 64 on (code - 63) * 64.
#include "frame.h"
#include "framereceiver.h"
#include "groups.h"

#include <QLoggingCategory>

#include <algorithm>
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
        require(!piece.isEmpty());
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
    FrameReceiver receiver;
    QByteArray stream;
    handedBytes.clear();
    handedSizes.clear();
    bool passes = false; // a pass cut the stream before its end: by a silence, or perhaps by the buffer bound
    for (size_t pos = 0; pos < size;) {
        const int code = data[pos++];
        if (code == 0) {
            handle(receiver.silence());
            passes = true;
            continue;
        }
        const size_t len = std::min<size_t>(code < 64 ? code : (code - 63) * 64, size - pos);
        const QByteArray chunk(reinterpret_cast<const char *>(data + pos), int(len));
        pos += len;
        stream.append(chunk);
        const bool bound = receiver.bufferedBytes() + int(len) > frame::MaxBufferSize;
        passes = passes || bound;
        const QList<QByteArray> pieces = receiver.receive(chunk);
        // Before the silence only complete frames leave, and the last of them ends the hand-over.
        require(bound || pieces.isEmpty() || checkFrame(pieces.last()));
        handle(pieces);
        require(receiver.bufferedBytes() <= frame::MaxBufferSize);
    }
    handle(receiver.close());
    require(receiver.bufferedBytes() == 0);
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

// Feeds arbitrary chunk sequences through the receive path and every delivered payload through decodeGroups.
// Input layout: byte 0 bit 0 brings the link up first; then records of [n][n bytes], where n with bit 7 set means
// "silence": a reassembly pass runs before the chunk of n & 0x7F bytes.
#include "frame.h"
#include "groups.h"
#include "uart.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    Uart uart(nullptr, 115200);
    uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
    QObject::connect(&uart, &Uart::readyRead, [](unsigned char, const QByteArray &payload) {
        const QList<GroupRecord> records = decodeGroups(payload);
        require(records.isEmpty() || records.size() == groups::SlotCount);
        for (const GroupRecord &r : records)
            require(r.impactCount >= 1 && r.impactCount <= groups::MaxImpacts && r.groupValue < 1024);
    });
    if (data[0] & 1)
        uart.receive(packFrame(CmdHandshakeAck, {}));

    size_t pos = 1;
    while (pos < size) {
        const uint8_t n = data[pos++];
        if (n & 0x80)
            uart.processBuffer();
        const size_t len = std::min<size_t>(n & 0x7F, size - pos);
        // Repeat short chunks so that the bound on the buffer is reached with small inputs too.
        const int repeat = (n & 0x80) ? 1 : 1 + (n & 0x40) * 4;
        for (int r = 0; r < repeat; ++r) {
            uart.receive(QByteArray(reinterpret_cast<const char *>(data + pos), int(len)));
            require(uart.bufferedBytes() <= frame::MaxBufferSize);
        }
        pos += len;
    }
    uart.processBuffer();
    require(uart.bufferedBytes() < frame::MaxFrameSize);
    return 0;
}

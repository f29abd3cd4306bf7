// Reassembly on plain byte arrays: no port, and the passes that silence would start are run by hand.
#include "frame.h"
#include "groups.h"
#include "uart.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(QList<QByteArray>)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The worked slot: device D, HRC, 3/7 9:5, HL 520 from the impacts 500, 510, 520, 530, 540.
QByteArray workedSlot()
{
    return hex("04440000453a0300f4f9872012720800") + QByteArray(32, '\0') + hex("00008020");
}

// A sound group payload that holds the frame header in an impact word and in unused slots, as real ones can.
QByteArray payloadWithHeaders()
{
    QByteArray payload(groups::PayloadSize, '\0');
    payload.replace(0, groups::SlotSize, workedSlot());
    for (int at : {17, 2600, 5150})
        payload.replace(at, 3, hex("402324"));
    return payload;
}

// An empty burst stands for the silence that ends one: the pass it starts is run.
struct Link
{
    Uart uart{nullptr, 115200};
    QSignalSpy frames{&uart, &Uart::readyRead};
    QSignalSpy status{&uart, &Uart::connectionStatus};

    explicit Link(bool up)
    {
        uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
        if (up)
            uart.receive(packFrame(CmdHandshakeAck, {}));
        status.clear();
    }
    QList<QByteArray> feed(const QList<QByteArray> &bursts)
    {
        for (const QByteArray &burst : bursts)
            burst.isEmpty() ? uart.processBuffer() : uart.receive(burst);
        QList<QByteArray> out; // each delivery packed again, command and payload in one
        for (const QList<QVariant> &args : qAsConst(frames))
            out.append(packFrame(args.at(0).value<unsigned char>(), args.at(1).toByteArray()));
        frames.clear();
        return out;
    }
};

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void reassembly_data();
    void reassembly();
    void reassembly_boundedWithoutPause();
    void reassembly_framesWhileDown();
};

void TestFrames::reassembly_data()
{
    QTest::addColumn<QList<QByteArray>>("bursts"); // an empty one: silence
    QTest::addColumn<QList<QByteArray>>("delivered");
    QTest::addColumn<int>("kept");
    const QByteArray group = packFrame(CmdGroupData, payloadWithHeaders());
    const QByteArray small = packFrame(0x7E, hex("010203")), other = packFrame(0x61, {});
    const QByteArray longLength = hex("4023244000000061717273f7"); // says 64, holds 5; right checksum
    using L = QList<QByteArray>;

    QTest::newRow("complete frames at once, stray bytes and noise around them")
        << L{hex("00ff1340") + small + hex("deadbeef") + other} << L{small, other} << 0;
    QTest::newRow("group frame with headers inside, in uneven chunks, no silence")
        << L{group.left(5), group.mid(5, 1000), group.mid(1005, 2000), group.mid(3005)} << L{group} << 0;
    QTest::newRow("group frame paused once") << L{group.left(2601), {}, group.mid(2601)} << L{group} << 0;
    QTest::newRow("header split across bursts") << L{hex("40"), hex("23"), other.mid(2)} << L{other} << 0;
    QTest::newRow("4-byte piece before a frame") << L{hex("40232400") + small} << L{small} << 0;
    QTest::newRow("wrong checksum dropped, next frame kept")
        << L{hex("4023240500000061717273bd") + small, {}} << L{small} << 0;
    QTest::newRow("length too short waits for the silence")
        << L{hex("4023240300000061717273ba"), {}} << L{packFrame(0x61, hex("717273"))} << 0;
    QTest::newRow("length too long, frame behind it")
        << L{longLength + other, {}} << L{packFrame(0x61, hex("717273")), other} << 0;
    QTest::newRow("length too long, nothing behind: kept for one more silence") << L{longLength, {}} << L{} << 12;
    QTest::newRow("... then handed over") << L{longLength, {}, {}} << L{packFrame(0x61, hex("717273"))} << 0;
    QTest::newRow("a byte between the silences keeps the tail")
        << L{group.left(3000), {}, group.mid(3000, 1), {}} << L{} << 3001;
    QTest::newRow("abandoned group frame, sender starts afresh") << L{group.left(700), {}, small, {}} << L{small} << 0;
    QTest::newRow("unasked delete-done ignored") << L{packFrame(CmdDeleteDone, {}), {}} << L{} << 0;
    QTest::newRow("short group frame with a right sum ignored")
        << L{packFrame(CmdGroupData, payloadWithHeaders().left(2600)), {}} << L{} << 0;
    QTest::newRow("burst without any header dropped") << L{hex("0102030405060708090a"), {}} << L{} << 0;
    QTest::newRow("fewer than 8 bytes of a frame stay") << L{hex("40232402"), {}} << L{} << 4;
    QTest::newRow("header prefix after noise stays") << L{hex("0102034023"), {}} << L{} << 2;
    QTest::newRow("absurd length field dropped") << L{hex("402324ffffff7f50") + QByteArray(100, 'x'), {}} << L{} << 0;
}

void TestFrames::reassembly()
{
    QFETCH(QList<QByteArray>, bursts);
    Link link(true);
    const QList<QByteArray> got = link.feed(bursts);
    QFETCH(QList<QByteArray>, delivered);
    QCOMPARE(got.size(), delivered.size());
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(got.at(i) == delivered.at(i), qPrintable(got.at(i).left(16).toHex()));
    QTEST(link.uart.bufferedBytes(), "kept");
}

void TestFrames::reassembly_boundedWithoutPause()
{
    // A sender that never pauses: noise with frames in it, and no pass started by silence.
    Link link(true);
    int maxBuffered = 0;
    for (int i = 0; i < 400; ++i) {
        QByteArray chunk(1000, char(0x11 + i % 7));
        if (i % 50 == 49)
            chunk.append(packFrame(0x61, {}));
        link.uart.receive(chunk);
        maxBuffered = qMax(maxBuffered, link.uart.bufferedBytes());
    }
    QVERIFY2(maxBuffered <= frame::MaxBufferSize + 1100, qPrintable(QString::number(maxBuffered)));
    QCOMPARE(link.frames.size(), 8);
}

void TestFrames::reassembly_framesWhileDown()
{
    Link link(false);
    QVERIFY(link.feed({packFrame(0x61, {}), packFrame(CmdGroupData, payloadWithHeaders())}).isEmpty());
    // A handshake answer complete only when the port closes (length field too long) brings up no link without a port.
    link.uart.receive(hex("402324100000005060"));
    link.uart.closePort();
    QCOMPARE(link.status.size(), 0);
    // The handshake answer brings it up, whatever its payload, and is never passed on; each further answer says
    // so again.
    QVERIFY(link.feed({packFrame(CmdHandshakeAck, hex("0102")) + packFrame(CmdHandshakeAck, {})}).isEmpty());
    QCOMPARE(link.status.size(), 2);
    QVERIFY(link.status.at(0).at(0).toBool() && link.status.at(1).at(0).toBool() && link.uart.isConnected());
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"

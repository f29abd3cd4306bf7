// Frame protocol, reassembly and group decoding on plain byte arrays: no port, and the passes that silence would
// start are run by hand.
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
    void packFrame_pcCommands_data();
    void packFrame_pcCommands();
    void checkFrame_pieces_data();
    void checkFrame_pieces();
    void reassembly_data();
    void reassembly();
    void reassembly_boundedWithoutPause();
    void reassembly_framesWhileDown();
    void closing_handlesWhatArrived();
    void decode_workedSlot();
    void decode_impactCountsAndFlags();
};

void TestFrames::packFrame_pcCommands_data()
{
    QTest::addColumn<int>("cmd");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("handshake") << int(CmdHandshake) << hex("402324020000005153");
    QTest::newRow("get data") << int(CmdGetData) << hex("402324020000005355");
    QTest::newRow("delete all") << int(CmdDeleteAll) << hex("402324020000005b5d");
}

void TestFrames::packFrame_pcCommands()
{
    QFETCH(int, cmd);
    QTEST(packFrame(uchar(cmd), {}), "bytes");
}

void TestFrames::checkFrame_pieces_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<bool>("ok");
    QTest::newRow("handshake answer") << hex("402324020000005052") << true;
    QTest::newRow("wrong checksum") << hex("402324020000005053") << false;
    QTest::newRow("wrong header") << hex("412324020000005052") << false;
    QTest::newRow("wrong length, right checksum") << hex("402324090000005059") << true;
    QTest::newRow("4-byte piece is no frame") << hex("40232400") << false;
}

void TestFrames::checkFrame_pieces()
{
    QFETCH(QByteArray, piece);
    QTEST(checkFrame(piece), "ok");
}

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
    QCOMPARE(link.status.size(), 0);
    // The handshake answer brings it up, whatever its payload, and is never passed on; each further answer says
    // so again.
    QVERIFY(link.feed({packFrame(CmdHandshakeAck, hex("0102")) + packFrame(CmdHandshakeAck, {})}).isEmpty());
    QCOMPARE(link.status.size(), 2);
    QVERIFY(link.status.at(0).at(0).toBool() && link.status.at(1).at(0).toBool() && link.uart.isConnected());
}

void TestFrames::closing_handlesWhatArrived()
{
    // A group frame whose length field says too much is complete only at the silence; the close comes first.
    Link link(true);
    QByteArray group = packFrame(CmdGroupData, payloadWithHeaders());
    group[3] = char(group.at(3) + 1);
    group[group.size() - 1] = char(group.at(group.size() - 1) + 1);
    link.uart.receive(group);
    link.uart.closePort();
    QCOMPARE(link.feed({}), QList<QByteArray>{packFrame(CmdGroupData, payloadWithHeaders())});
    QCOMPARE(link.status.size(), 1);
    QCOMPARE(link.status.at(0).at(0).toBool(), false);

    // A handshake answer read while closing brings up no link that has no port.
    Link down(false);
    down.uart.receive(hex("402324100000005060"));
    down.uart.closePort();
    QVERIFY(down.status.isEmpty());
}

void TestFrames::decode_workedSlot()
{
    const QList<GroupRecord> records = decodeGroups(payloadWithHeaders());
    QCOMPARE(records.size(), 100);
    const GroupRecord &r = records.first();
    QCOMPARE(QList<int>({r.impactCount, r.direction, r.device, r.scale, r.material, r.minute, r.hour, r.day, r.month,
                         r.tableSet, r.groupValue}),
             QList<int>({5, 0, 1, 2, 0, 5, 9, 7, 3, 0, 520}));
    // The header written at byte 17 lies in w4, beyond the five impacts.
    QCOMPARE(QList<int>({r.impacts[0], r.impacts[1], r.impacts[2], r.impacts[3], r.impacts[4]}),
             QList<int>({500, 510, 520, 530, 540}));
    QCOMPARE(int(records.at(1).groupValue), 0);
}

void TestFrames::decode_impactCountsAndFlags()
{
    // Slot 3, every impact i holding 100 + i, the group value 777 beside impacts 30 and 31 in w12, and the
    // table-set flag in the top bit of w1; unread high bits set everywhere.
    for (const quint32 countField : {0u, 31u | 0xFFF00020u}) {
        quint32 w[13] = {};
        w[0] = countField;
        w[1] = 0x80000000u | (12u << 16);
        for (int i = 0; i < 32; ++i)
            w[2 + i / 3] |= quint32(100 + i) << (10 * (i % 3));
        w[12] |= 777u << 20 | 0xC0000000u;
        QByteArray payload(groups::PayloadSize, '\0');
        for (int j = 0; j < 13; ++j)
            qToLittleEndian(w[j], reinterpret_cast<uchar *>(payload.data()) + 3 * groups::SlotSize + 4 * j);

        const GroupRecord r = decodeGroups(payload).at(3);
        QCOMPARE(int(r.impactCount), countField ? 32 : 1);
        for (int i = 0; i < r.impactCount; ++i)
            QCOMPARE(int(r.impacts[i]), 100 + i);
        QCOMPARE(QList<int>({r.groupValue, r.tableSet, r.month}), QList<int>({777, 1, 12}));
    }
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"

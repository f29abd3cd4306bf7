// Frame protocol, reassembly and group decoding on plain byte arrays: no port, no timer.
#include "frame.h"
#include "groups.h"
#include "uart.h"

#include <QSignalSpy>
#include <QtTest>

using Delivery = QPair<int, QByteArray>; // command, payload
Q_DECLARE_METATYPE(QList<QByteArray>)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray header()
{
    return hex("402324");
}

// A group-data-sized payload that holds the frame header several times, as real packed groups can.
QByteArray payloadWithHeaders()
{
    QByteArray payload(groups::PayloadSize, '\0');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char((i * 37) & 0xFF);
    for (int at : {0, 17, 2600, 5197})
        payload.replace(at, 3, header());
    return payload;
}

// The link with its handshake codes set and, when asked, already up.
struct Link
{
    Uart uart{nullptr, 115200};
    QSignalSpy frames{&uart, &Uart::readyRead};
    QSignalSpy status{&uart, &Uart::connectionStatus};

    explicit Link(bool up)
    {
        uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
        if (up) {
            uart.receive(packFrame(CmdHandshakeAck, {}));
            uart.processBuffer();
            status.clear();
        }
    }
    // Each burst is followed by the pass that 100 ms of silence would start.
    QList<Delivery> feed(const QList<QByteArray> &bursts)
    {
        for (const QByteArray &burst : bursts) {
            uart.receive(burst);
            uart.processBuffer();
        }
        QList<Delivery> out;
        for (const QList<QVariant> &args : qAsConst(frames))
            out.append({args.at(0).value<unsigned char>(), args.at(1).toByteArray()});
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
    void packFrame_payload();
    void checkFrame_pieces_data();
    void checkFrame_pieces();
    void reassembly_data();
    void reassembly();
    void reassembly_keepsOnlyWhatCanBecomeAFrame_data();
    void reassembly_keepsOnlyWhatCanBecomeAFrame();
    void reassembly_boundedWithoutPause();
    void reassembly_framesWhileDown();
    void decode_workedSlot();
    void decode_impactCounts_data();
    void decode_impactCounts();
    void decode_payloadSizes_data();
    void decode_payloadSizes();
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
    QFETCH(QByteArray, bytes);
    QCOMPARE(packFrame(uchar(cmd), {}).toHex(), bytes.toHex());
}

void TestFrames::packFrame_payload()
{
    const QByteArray payload = payloadWithHeaders();
    const QByteArray frame = packFrame(CmdGroupData, payload);
    QCOMPARE(frame.size(), 5209);
    // length 5202 = 0x1452, little-endian
    QCOMPARE(frame.mid(3, 4).toHex(), QByteArray("52140000"));
    QCOMPARE(uchar(frame[7]), uchar(CmdGroupData));
    QCOMPARE(framePayload(frame), payload);
    QVERIFY(checkFrame(frame));
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
    QTest::newRow("header alone") << hex("402324") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestFrames::checkFrame_pieces()
{
    QFETCH(QByteArray, piece);
    QFETCH(bool, ok);
    QCOMPARE(checkFrame(piece), ok);
}

void TestFrames::reassembly_data()
{
    QTest::addColumn<QList<QByteArray>>("bursts");
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<QList<QByteArray>>("payloads");

    const QByteArray done = packFrame(CmdDeleteDone, {});
    const QByteArray groupsFrame = packFrame(CmdGroupData, payloadWithHeaders());
    const QByteArray small = packFrame(0x7E, hex("010203"));

    QTest::newRow("stray bytes before a frame")
        << QList<QByteArray>{hex("00ff1340") + done} << QList<int>{CmdDeleteDone} << QList<QByteArray>{{}};
    QTest::newRow("two frames in one burst")
        << QList<QByteArray>{small + done} << QList<int>{0x7E, CmdDeleteDone} << QList<QByteArray>{hex("010203"), {}};
    QTest::newRow("headers inside the payload")
        << QList<QByteArray>{groupsFrame} << QList<int>{CmdGroupData} << QList<QByteArray>{payloadWithHeaders()};
    QTest::newRow("group frame in uneven chunks, unfinished tails completed")
        << QList<QByteArray>{groupsFrame.left(5), groupsFrame.mid(5, 1000), groupsFrame.mid(1005, 2000),
                             groupsFrame.mid(3005)}
        << QList<int>{CmdGroupData} << QList<QByteArray>{payloadWithHeaders()};
    QTest::newRow("complete frame, then an unfinished one completed by the next burst")
        << QList<QByteArray>{done + groupsFrame.left(2601), groupsFrame.mid(2601)}
        << QList<int>{CmdDeleteDone, CmdGroupData} << QList<QByteArray>{{}, payloadWithHeaders()};
    QTest::newRow("header split across bursts")
        << QList<QByteArray>{hex("40"), hex("23"), done.mid(2)} << QList<int>{CmdDeleteDone} << QList<QByteArray>{{}};
    QTest::newRow("4-byte piece before a frame")
        << QList<QByteArray>{hex("40232400") + small} << QList<int>{0x7E} << QList<QByteArray>{hex("010203")};
    QTest::newRow("wrong checksum dropped, next frame kept")
        << QList<QByteArray>{hex("4023240500000052717273ae") + small} << QList<int>{0x7E}
        << QList<QByteArray>{hex("010203")};
    QTest::newRow("length too short, right checksum")
        << QList<QByteArray>{hex("4023240300000052717273ab")} << QList<int>{0x52} << QList<QByteArray>{hex("717273")};
    QTest::newRow("length too long, right checksum, frame behind it")
        << QList<QByteArray>{hex("4023244000000052717273e8") + done} << QList<int>{0x52, CmdDeleteDone}
        << QList<QByteArray>{hex("717273"), {}};
    QTest::newRow("abandoned group frame, sender starts afresh")
        << QList<QByteArray>{groupsFrame.left(700), done} << QList<int>{CmdDeleteDone} << QList<QByteArray>{{}};
    QTest::newRow("noise between frames in one burst")
        << QList<QByteArray>{small + hex("deadbeef") + done} << QList<int>{0x7E, CmdDeleteDone}
        << QList<QByteArray>{hex("010203"), {}};
}

void TestFrames::reassembly()
{
    QFETCH(QList<QByteArray>, bursts);
    QFETCH(QList<int>, commands);
    QFETCH(QList<QByteArray>, payloads);

    Link link(true);
    const QList<Delivery> got = link.feed(bursts);
    QCOMPARE(got.size(), commands.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].first, commands[i]);
        QCOMPARE(got[i].second.size(), payloads[i].size());
        QVERIFY(got[i].second == payloads[i]);
    }
    QCOMPARE(link.uart.bufferedBytes(), 0);
}

void TestFrames::reassembly_keepsOnlyWhatCanBecomeAFrame_data()
{
    QTest::addColumn<QByteArray>("burst");
    QTest::addColumn<int>("kept");
    const QByteArray groupsFrame = packFrame(CmdGroupData, payloadWithHeaders());
    QTest::newRow("burst without any header is dropped") << hex("0102030405060708090a") << 0;
    QTest::newRow("fewer than 8 bytes of a frame stay") << hex("40232402") << 4;
    QTest::newRow("header prefix after noise stays") << hex("0102034023") << 2;
    QTest::newRow("unfinished group frame stays whole") << groupsFrame.left(4000) << 4000;
    QTest::newRow("corrupt complete frame is dropped") << hex("402324020000005099") << 0;
    QTest::newRow("absurd length field is dropped") << hex("402324ffffff7f50") + QByteArray(100, 'x') << 0;
}

void TestFrames::reassembly_keepsOnlyWhatCanBecomeAFrame()
{
    QFETCH(QByteArray, burst);
    QFETCH(int, kept);
    Link link(true);
    QVERIFY(link.feed({burst}).isEmpty());
    QCOMPARE(link.uart.bufferedBytes(), kept);
}

void TestFrames::reassembly_boundedWithoutPause()
{
    // A sender that never pauses: noise with frames in it, and no pass started by silence.
    Link link(true);
    const QByteArray done = packFrame(CmdDeleteDone, {});
    int maxBuffered = 0;
    for (int i = 0; i < 400; ++i) {
        QByteArray chunk(1000, char(0x11 + i % 7));
        if (i % 50 == 49)
            chunk.append(done);
        link.uart.receive(chunk);
        maxBuffered = qMax(maxBuffered, link.uart.bufferedBytes());
    }
    QVERIFY2(maxBuffered <= frame::MaxBufferSize + 1100, qPrintable(QString::number(maxBuffered)));
    link.uart.processBuffer();
    QCOMPARE(link.frames.size(), 8);
}

void TestFrames::reassembly_framesWhileDown()
{
    Link link(false);
    QVERIFY(link.feed({packFrame(CmdDeleteDone, {}), packFrame(CmdGroupData, payloadWithHeaders())}).isEmpty());
    QCOMPARE(link.status.size(), 0);
    // The handshake answer brings it up, whatever its payload, and is never passed on; each further answer says
    // so again.
    QVERIFY(link.feed({packFrame(CmdHandshakeAck, hex("0102")) + packFrame(CmdHandshakeAck, {})}).isEmpty());
    QCOMPARE(link.status.size(), 2);
    QVERIFY(link.status.at(0).at(0).toBool() && link.status.at(1).at(0).toBool());
    QVERIFY(link.uart.isConnected());
}

void TestFrames::decode_workedSlot()
{
    QByteArray payload(groups::PayloadSize, '\0');
    const QByteArray slot = hex("04440000453a0300f4f9872012720800") + QByteArray(32, '\0') + hex("00008020");
    QCOMPARE(slot.size(), groups::SlotSize);
    payload.replace(0, slot.size(), slot);

    const QList<GroupRecord> records = decodeGroups(payload);
    QCOMPARE(records.size(), 100);
    const GroupRecord &r = records.first();
    QCOMPARE(int(r.impactCount), 5);
    QCOMPARE(int(r.direction), 0);
    QCOMPARE(int(r.device), 1);
    QCOMPARE(int(r.scale), 2);
    QCOMPARE(int(r.material), 0);
    QCOMPARE(int(r.minute), 5);
    QCOMPARE(int(r.hour), 9);
    QCOMPARE(int(r.day), 7);
    QCOMPARE(int(r.month), 3);
    QCOMPARE(int(r.tableSet), 0);
    QCOMPARE(int(r.groupValue), 520);
    const QList<int> impacts{500, 510, 520, 530, 540};
    for (int i = 0; i < impacts.size(); ++i)
        QCOMPARE(int(r.impacts[i]), impacts[i]);
    QCOMPARE(int(records.at(1).groupValue), 0);
}

void TestFrames::decode_impactCounts_data()
{
    QTest::addColumn<int>("countField");
    QTest::addColumn<int>("count");
    QTest::newRow("field 0 is one impact") << 0 << 1;
    QTest::newRow("field 31 is 32 impacts, the last two in w12") << 31 << 32;
    QTest::newRow("unread high bits ignored") << int(31u | 0xFFF00020u) << 32;
}

void TestFrames::decode_impactCounts()
{
    QFETCH(int, countField);
    QFETCH(int, count);
    // Slot 3, every impact i holding 100 + i, the group value 777 beside impacts 30 and 31 in w12, and the
    // table-set flag in the top bit of w1.
    quint32 w[13] = {};
    w[0] = quint32(countField);
    w[1] = 0x80000000u | (12u << 16);
    for (int i = 0; i < 32; ++i)
        w[2 + i / 3] |= quint32(100 + i) << (10 * (i % 3));
    w[12] |= 777u << 20 | 0xC0000000u;
    QByteArray payload(groups::PayloadSize, '\0');
    for (int j = 0; j < 13; ++j)
        qToLittleEndian(w[j], reinterpret_cast<uchar *>(payload.data()) + 3 * groups::SlotSize + 4 * j);

    const GroupRecord r = decodeGroups(payload).at(3);
    QCOMPARE(int(r.impactCount), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(int(r.impacts[i]), 100 + i);
    QCOMPARE(int(r.groupValue), 777);
    QCOMPARE(int(r.tableSet), 1);
    QCOMPARE(int(r.month), 12);
}

void TestFrames::decode_payloadSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("records");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("one byte short") << 5199 << 0;
    QTest::newRow("exact") << 5200 << 100;
    QTest::newRow("longer, tail ignored") << 5300 << 100;
}

void TestFrames::decode_payloadSizes()
{
    QFETCH(int, size);
    QFETCH(int, records);
    QCOMPARE(decodeGroups(QByteArray(size, '\xff')).size(), records);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"

// The link's receiver on plain byte arrays: no port, and the silences that would end a burst are given by hand.
#include "frame.h"
#include "framereceiver.h"
#include "groups.h"

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

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void reassembly_data()
    {
        QTest::addColumn<QList<QByteArray>>("bursts"); // an empty one: silence
        QTest::addColumn<QList<QByteArray>>("pieces"); // everything handed over, in order
        QTest::addColumn<int>("early");                // how many of them before the first silence
        QTest::addColumn<int>("kept");
        const QByteArray group = packFrame(CmdGroupData, payloadWithHeaders());
        const QByteArray small = packFrame(0x7E, hex("010203")), other = packFrame(0x61, {});
        const QByteArray longLength = hex("4023244000000061717273f7"); // says 64, holds 5; right checksum
        const QByteArray badSum = hex("4023240500000061717273bd");
        using L = QList<QByteArray>;

        QTest::newRow("complete frames at once, stray bytes and noise around them")
            << L{hex("00ff1340") + small + hex("deadbeef") + other} << L{hex("00ff1340"), small, hex("deadbeef"), other}
            << 4 << 0;
        QTest::newRow("group frame with headers inside, in uneven chunks, no silence")
            << L{group.left(5), group.mid(5, 1000), group.mid(1005, 2000), group.mid(3005)} << L{group} << 1 << 0;
        QTest::newRow("group frame paused once") << L{group.left(2601), {}, group.mid(2601)} << L{group} << 0 << 0;
        QTest::newRow("header split across bursts") << L{hex("40"), hex("23"), other.mid(2)} << L{other} << 1 << 0;
        QTest::newRow("4-byte piece before a frame")
            << L{hex("40232400") + small} << L{hex("40232400"), small} << 2 << 0;
        QTest::newRow("wrong checksum: a piece of its own, the next frame whole")
            << L{badSum + small, {}} << L{badSum, small} << 2 << 0;
        QTest::newRow("length too short waits for the silence")
            << L{hex("4023240300000061717273ba"), {}} << L{hex("4023240300000061717273ba")} << 0 << 0;
        QTest::newRow("length too long, damaged frame behind it: cut where it checks")
            << L{longLength + badSum, {}} << L{longLength, badSum} << 0 << 0;
        QTest::newRow("length too long, nothing behind: kept for one more silence")
            << L{longLength, {}} << L{} << 0 << 12;
        QTest::newRow("... then handed over") << L{longLength, {}, {}} << L{longLength} << 0 << 0;
        QTest::newRow("a byte between the silences keeps the tail")
            << L{group.left(3000), {}, group.mid(3000, 1), {}} << L{} << 0 << 3001;
        QTest::newRow("abandoned group frame, sender starts afresh")
            << L{group.left(700), {}, small, {}} << L{group.left(25), group.mid(25, 675), small} << 0 << 0;
        QTest::newRow("fewer than 8 bytes of a frame stay") << L{hex("40232402"), {}} << L{} << 0 << 4;
        QTest::newRow("header prefix after noise stays") << L{hex("0102034023"), {}} << L{hex("010203")} << 0 << 2;
        const QByteArray absurd = hex("402324ffffff7f50") + QByteArray(100, 'x');
        QTest::newRow("absurd length field: one piece at the silence") << L{absurd, {}} << L{absurd} << 0 << 0;
    }

    void reassembly()
    {
        QFETCH(QList<QByteArray>, bursts);
        FrameReceiver receiver;
        QList<QByteArray> got;
        int early = -1;
        for (const QByteArray &burst : bursts) {
            if (burst.isEmpty() && early < 0)
                early = got.size();
            got += burst.isEmpty() ? receiver.silence() : receiver.receive(burst);
        }
        QFETCH(QList<QByteArray>, pieces);
        QCOMPARE(got, pieces);
        QTEST(early < 0 ? int(got.size()) : early, "early");
        QFETCH(int, kept);
        QCOMPARE(receiver.bufferedBytes(), kept);
        // Whatever is kept comes out on close.
        int closed = 0;
        for (const QByteArray &piece : receiver.close())
            closed += piece.size();
        QVERIFY(closed == kept && receiver.bufferedBytes() == 0);
    }

    void reassembly_boundedWithoutPause()
    {
        // A sender that never pauses: noise with frames in it, and no silence.
        FrameReceiver receiver;
        int maxBuffered = 0, frames = 0, bytes = 0;
        for (int i = 0; i < 400; ++i) {
            QByteArray chunk(1000, char(0x11 + i % 7));
            if (i % 50 == 49)
                chunk.append(packFrame(0x61, {}));
            for (const QByteArray &piece : receiver.receive(chunk)) {
                frames += checkFrame(piece);
                bytes += piece.size();
            }
            maxBuffered = qMax(maxBuffered, receiver.bufferedBytes());
        }
        QVERIFY2(maxBuffered <= frame::MaxBufferSize, qPrintable(QString::number(maxBuffered)));
        QCOMPARE(frames, 8);
        QCOMPARE(bytes + receiver.bufferedBytes(), 400 * 1000 + 8 * 9);
    }
};

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"

// A download against the simulated instrument on a pseudo-terminal when the instrument misbehaves: damaged group
// data is asked for again and never passed on, a hang-up keeps what arrived, a delete-done counts only when asked.
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "samplegroups.h"
#include "uart.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(InstrumentFaults)

namespace {

constexpr int WaitMs = 10000;

struct Bench
{
    Instrument instrument;
    Uart uart{nullptr, 115200};
    QSignalSpy status{&uart, &Uart::connectionStatus};
    QSignalSpy frames{&uart, &Uart::readyRead};
    QSignalSpy failed{&uart, &Uart::downloadFailed};

    bool up()
    {
        instrument.setPacing(false);
        instrument.setGroups(sampleGroups());
        uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
        return instrument.open() && uart.openPort(instrument.slavePath()) && status.wait(WaitMs) && uart.isConnected();
    }
};

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void groups_data();
    void groups();
    void deleteDone_onlyWhenAsked();
};

void TestDownload::groups_data()
{
    QTest::addColumn<InstrumentFaults>("faults");
    QTest::addColumn<int>("silenceMs"); // the link's silence that ends a burst
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("outcome"); // delivered, failed (downloadFailed) or down (the line dropped)
    InstrumentFaults none, shortOnce, shortAlways, garbage, badSum, mute, hangUp, dropOnRequest;
    shortOnce.groupDamage = shortAlways.groupDamage = InstrumentFaults::ShortGroups;
    shortOnce.damagedGroupAnswers = 1;
    garbage.groupDamage = InstrumentFaults::GarbageGroups;
    badSum.badChecksums = 2;
    mute.noAnswerTo = {CmdGetData};
    hangUp.groupDamage = InstrumentFaults::LongLengthField;
    hangUp.dropAfterCommand = dropOnRequest.dropAfterCommand = CmdGetData;
    dropOnRequest.dropBeforeAnswer = true;

    // A silence far longer than the wait: only a frame handled as it completes can arrive.
    QTest::newRow("complete frame handled before the silence") << none << 60000 << 1 << "delivered";
    QTest::newRow("short group data with a right sum once: asked again") << shortOnce << 100 << 2 << "delivered";
    QTest::newRow("short group data every time: failed after three retries") << shortAlways << 100 << 4 << "failed";
    QTest::newRow("garbage with a right sum every time: failed") << garbage << 100 << 4 << "failed";
    QTest::newRow("bad checksum twice: asked again") << badSum << 100 << 3 << "delivered";
    QTest::newRow("no group data within the request timeout: failed") << mute << 100 << 4 << "failed";
    QTest::newRow("hang-up right after a frame complete only at the silence: kept")
        << hangUp << 60000 << 1 << "delivered";
    QTest::newRow("hang-up on the request: nothing, and the link is down") << dropOnRequest << 100 << 1 << "down";
}

void TestDownload::groups()
{
    QFETCH(InstrumentFaults, faults);
    QFETCH(int, silenceMs);
    QFETCH(QString, outcome);
    Bench b;
    QVERIFY(b.up());
    b.instrument.setFaults(faults);
    b.uart.setFrameInterval(silenceMs);
    b.uart.setRequestTimeout(300);
    b.uart.requestGroups();

    QTRY_VERIFY_WITH_TIMEOUT(!b.frames.isEmpty() || !b.failed.isEmpty() || !b.uart.isConnected(), WaitMs);
    QTEST(b.instrument.commandCount(CmdGetData), "requests");
    QCOMPARE(b.failed.size(), int(outcome == "failed"));
    QCOMPARE(b.frames.size(), int(outcome == "delivered"));
    if (outcome == "delivered") {
        QCOMPARE(b.frames.first().at(0).value<unsigned char>(), uchar(CmdGroupData));
        QVERIFY(b.frames.first().at(1).toByteArray() == encodeGroups(sampleGroups()));
    }
}

void TestDownload::deleteDone_onlyWhenAsked()
{
    Bench b;
    QVERIFY(b.up());
    // An answer that nobody asked for, as a noisy line or a confused instrument could send it.
    b.uart.receive(packFrame(CmdDeleteDone, {}));
    b.uart.deleteAll();
    QVERIFY(b.frames.wait(WaitMs));
    QCOMPARE(b.instrument.commandCount(CmdDeleteAll), 1);
    QCOMPARE(b.frames.size(), 1);
    QCOMPARE(b.frames.first().at(0).value<unsigned char>(), uchar(CmdDeleteDone));
    // Its answer was the one asked for; another one is not.
    b.uart.receive(packFrame(CmdDeleteDone, {}));
    QCOMPARE(b.frames.size(), 1);
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"

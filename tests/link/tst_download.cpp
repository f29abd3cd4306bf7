// A download against the simulated instrument on a pseudo-terminal when the instrument misbehaves: damaged group
// data is asked for again and never passed on, a hang-up keeps what arrived, nothing counts before the handshake
// answer, a delete-done counts only when asked.
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "instrumentlink.h"
#include "samplegroups.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(InstrumentFaults)

namespace {

constexpr int WaitMs = 10000;

struct Bench
{
    Instrument instrument;
    InstrumentLink link;
    QSignalSpy states{&link, &InstrumentLink::stateChanged};
    QSignalSpy downloads{&link, &InstrumentLink::downloadReceived};
    QSignalSpy failed{&link, &InstrumentLink::downloadFailed};

    bool open(const InstrumentFaults &faults = {})
    {
        instrument.setPacing(false);
        instrument.setGroups(sampleGroups());
        instrument.setFaults(faults);
        return instrument.open() && link.openPort(instrument.slavePath());
    }
    bool up()
    {
        return open() && QTest::qWaitFor([this] { return link.isConnected(); }, WaitMs);
    }
    QByteArray payload(int i) const { return downloads.at(i).at(0).value<Download>().payload; }
};

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void groups_data();
    void groups();
    void beforeTheHandshakeAnswer();
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
    b.link.setFrameInterval(silenceMs);
    b.link.setRequestTimeout(300);
    b.link.requestGroups();

    QTRY_VERIFY_WITH_TIMEOUT(!b.downloads.isEmpty() || !b.failed.isEmpty() || !b.link.isConnected(), WaitMs);
    QTEST(b.instrument.commandCount(CmdGetData), "requests");
    QCOMPARE(b.failed.size(), int(outcome == "failed"));
    QCOMPARE(b.downloads.size(), int(outcome == "delivered"));
    QVERIFY(outcome != "delivered" || b.payload(0) == encodeGroups(sampleGroups()));
}

void TestDownload::beforeTheHandshakeAnswer()
{
    // Sound group data ahead of the handshake answer comes from a port not yet known to be the instrument's.
    Bench early;
    InstrumentFaults groupsFirst;
    groupsFirst.strayBytes = packFrame(CmdGroupData, encodeGroups(sampleGroups()));
    QVERIFY(early.open(groupsFirst));
    QTRY_VERIFY_WITH_TIMEOUT(early.link.isConnected(), WaitMs);
    QCOMPARE(early.downloads.size(), 0);

    // A handshake answer that checks only once the line hangs up (its length field says too much, and the true one
    // behind it is damaged) is read as the port closes: it must not bring up a link without a port.
    Bench late;
    InstrumentFaults lying;
    lying.strayBytes = QByteArray::fromHex("402324100000005060");
    lying.badChecksums = 1;
    lying.dropAfterCommand = CmdHandshake;
    late.link.setFrameInterval(60000);
    QVERIFY(late.open(lying));
    QTRY_VERIFY_WITH_TIMEOUT(!late.link.isPortOpen(), WaitMs);
    QCOMPARE(late.states.size(), 0);
}

void TestDownload::deleteDone_onlyWhenAsked()
{
    Bench b;
    QSignalSpy done(&b.link, &InstrumentLink::deleteDone);
    QVERIFY(b.up());
    // A delete-done ahead of every answer, as a noisy line or a confused instrument could send it.
    InstrumentFaults unasked;
    unasked.strayBytes = packFrame(CmdDeleteDone, {});
    b.instrument.setFaults(unasked);
    b.link.requestGroups();
    QVERIFY(b.downloads.wait(WaitMs));
    QCOMPARE(done.size(), 0);
    b.link.deleteAll();
    QVERIFY(done.wait(WaitMs));
    QCOMPARE(b.instrument.commandCount(CmdDeleteAll), 1);
    // One answer was the one asked for; the next one is not. The line keeps order: once the download is in, so is
    // everything before it.
    b.link.requestGroups();
    QVERIFY(b.downloads.wait(WaitMs));
    QCOMPARE(done.size(), 1);
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"

// The serial link against the simulator on pseudo-terminals, probing the named ports alone.
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "instrumentlink.h"
#include "portscanner.h"
#include "samplegroups.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(SystemPort)
Q_DECLARE_METATYPE(InstrumentFaults)

namespace {

constexpr int ScanMs = 150;
constexpr int UpTimeoutMs = 10000;
using Ports = QList<SystemPort>;

struct Bench
{
    Instrument silent; // a port where nothing answers
    Instrument instrument;
    InstrumentLink link;
    QSignalSpy states{&link, &InstrumentLink::stateChanged};
    QSignalSpy downloads{&link, &InstrumentLink::downloadReceived};
    QSignalSpy failed{&link, &InstrumentLink::downloadFailed};

    Bench()
    {
        InstrumentFaults mute;
        mute.noAnswer = true;
        silent.setFaults(mute);
        instrument.setGroups(sampleGroups());
        link.setSystemPortsEnabled(false);
    }
    // The search over the silent port and the instrument's, paced as the line is.
    bool open(int tickMs = ScanMs)
    {
        if (!silent.open() || !instrument.open())
            return false;
        link.setNamedPorts({silent.slavePath(), instrument.slavePath()});
        link.start(tickMs);
        return true;
    }
    // The instrument's port alone, opened without a search, its answers unpaced.
    bool up()
    {
        instrument.setPacing(false);
        return instrument.open() && link.openPort(instrument.slavePath()) && waitUp();
    }
    bool waitUp()
    {
        return QTest::qWaitFor([this] { return link.isConnected(); }, UpTimeoutMs);
    }
    int ups() const
    {
        int n = 0;
        for (const QList<QVariant> &args : states)
            n += args.at(0).value<LinkState>().isConnected();
        return n;
    }
    QByteArray lastPayload() const { return downloads.last().at(0).value<Download>().payload; }
};

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void probeOrder_data()
    {
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QString>("last");
        QTest::addColumn<Ports>("system");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QStringList>("order");
        const Ports system{{"ttyS0", false}, {"ttyUSB0", true}, {"ttyS1", false}, {"ttyACM0", true}};
        QTest::newRow("named, last answered, USB, the rest")
            << QStringList{"/dev/pts/71", "/dev/pts/70"} << "ttyS1" << system << QStringList{}
            << QStringList{"/dev/pts/71", "/dev/pts/70", "ttyS1", "ttyUSB0", "ttyACM0", "ttyS0"};
        QTest::newRow("one port under two names")
            << QStringList{"/dev/ttyUSB0"} << "/dev/ttyS1" << system << QStringList{}
            << QStringList{"/dev/ttyUSB0", "/dev/ttyS1", "ttyACM0", "ttyS0"};
        QTest::newRow("appeared: before those that did not answer")
            << QStringList{"/dev/pts/71"} << "ttyS1" << system << QStringList{"/dev/pts/71", "ttyS1", "ttyS0"}
            << QStringList{"ttyUSB0", "ttyACM0", "/dev/pts/71", "ttyS1", "ttyS0"};
    }

    void probeOrder()
    {
        QFETCH(QStringList, named);
        QFETCH(QString, last);
        QFETCH(Ports, system);
        QFETCH(QStringList, seen);
        QTEST(::probeOrder(named, last, system, seen), "order");
    }

    void staleLockFile_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("lock"); // the file written, in the second folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("stale");
        const auto row = [](const char *name, const char *port, const char *lock,
                            const QByteArray &content) -> QTestData & {
            return QTest::newRow(name) << QString(port) << QString(lock) << content;
        };
        // Above the largest process id Linux hands out (2^22): no process has it.
        row("bare name, ten-column id with program and host after it", "ttyS1", "LCK..ttyS1",
            "   9999999\nminicom\nlab-3\n")
            << true;
        row("terminal below /dev/pts", "/dev/pts/7", "LCK..pts_7", "9999999\n") << true;
        row("process alive", "/dev/ttyUSB0", "LCK..ttyUSB0",
            QByteArray::number(QCoreApplication::applicationPid()) + "\nleeb\n")
            << false;
        row("another port's lock", "/dev/ttyUSB1", "LCK..ttyUSB0", "9999999\n") << false;
    }

    void staleLockFile()
    {
        QFETCH(QString, port);
        QFETCH(QString, lock);
        QFETCH(QByteArray, content);
        QFETCH(bool, stale);
        QTemporaryDir first, second;
        QFile file(second.filePath(lock));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        QCOMPARE(::staleLockFile(port, {first.path(), second.path()}), stale ? file.fileName() : QString());
    }

    void scan_namedPortsOnly()
    {
        // Without the system's ports, not even the port that answered last is probed: it may be a lab's instrument.
        PortScanner scanner;
        scanner.setSystemPortsEnabled(false);
        scanner.setLastPort(QStringLiteral("/dev/null"));
        scanner.setNamedPorts({"/dev/pts/nonexistent"});
        scanner.tick(false);
        QCOMPARE(scanner.takeNext(), QStringLiteral("/dev/pts/nonexistent"));
        QVERIFY(scanner.takeNext().isEmpty());
    }

    void scan_findsInstrumentOnSecondPort()
    {
        Bench b;
        QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);
        // A tick far away: the first probe and the step to the next port must not wait for one.
        QVERIFY(b.open(60000));
        QVERIFY(b.waitUp());
        QVERIFY(b.silent.commandCount(CmdHandshake) == 1 && probedSilent.size() == 1);
        QCOMPARE(b.states.size(), 4); // searching, on the silent port, on the instrument's, connected
        QCOMPARE(b.states.at(1).at(0).value<LinkState>().port, b.silent.slavePath());
        const LinkState up{LinkState::Connected, b.instrument.slavePath(), PortStatus::Ok};
        QVERIFY(b.states.last().at(0).value<LinkState>() == up && b.link.state() == up);
        QCOMPARE(b.link.lastPort(), b.instrument.slavePath());
        // While up, the ticks leave the port alone: no further probe anywhere.
        b.link.start(ScanMs);
        QVERIFY(!probedSilent.wait(3 * ScanMs));
        QCOMPARE(b.instrument.commandCount(CmdHandshake), 1);
        QCOMPARE(b.states.size(), 4);
    }

    void scan_givesUpEarlyAndDoubles()
    {
        Bench b;
        b.instrument.setFaults(b.silent.faults());
        QElapsedTimer clock;
        QList<qint64> probes[2];
        for (int i : {0, 1})
            QObject::connect(i ? &b.instrument : &b.silent, &Instrument::frameReceived,
                             [&, i] { probes[i].append(clock.elapsed()); });
        clock.start();
        QVERIFY(b.open(2000));
        QTRY_COMPARE_WITH_TIMEOUT(probes[1].size(), 2, 8000);
        QCOMPARE(probes[0].size(), 2);
        // Probed at once, then each port given up after 500 ms; after a rotation without an answer, after 1000 ms.
        QVERIFY2(probes[0].at(0) < 1000, qPrintable(QString::number(probes[0].at(0))));
        const qint64 first = probes[1].at(0) - probes[0].at(0), second = probes[1].at(1) - probes[0].at(1);
        QVERIFY2(first >= 450 && first < 900 && second >= 900 && second < 1800,
                 qPrintable(QStringLiteral("%1 %2").arg(first).arg(second)));
    }

    void scan_reasons_data()
    {
        QTest::addColumn<QString>("port"); // empty: a silent pseudo-terminal
        QTest::addColumn<bool>("held");
        QTest::addColumn<PortStatus>("reason");
        QTest::newRow("no answer") << QString() << false << PortStatus::NoAnswer;
        QTest::newRow("in use by another program") << QString() << true << PortStatus::InUse;
        QTest::newRow("missing") << "/dev/pts/nonexistent" << false << PortStatus::Missing;
    }

    void scan_reasons()
    {
        QFETCH(QString, port);
        QFETCH(bool, held);
        QFETCH(PortStatus, reason);
        Bench b;
        QVERIFY(b.silent.open());
        port = port.isEmpty() ? b.silent.slavePath() : port;
        QSerialPort holder(port);
        QVERIFY(!held || holder.open(QIODevice::ReadWrite));
        b.link.setNamedPorts({port});
        b.link.start(ScanMs);
        QTRY_COMPARE_WITH_TIMEOUT(b.link.state().phase, LinkState::NotFound, UpTimeoutMs);
        QCOMPARE(b.link.probeWaitMs(), 500); // doubled, but never beyond the tick (or 500 ms)
        QVERIFY(b.link.state() == (LinkState{LinkState::NotFound, port, reason}));
        QCOMPARE(b.silent.commandCount(CmdHandshake), reason == PortStatus::NoAnswer ? 1 : 0);
    }

    void lineDropped_whileUp_data()
    {
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("hang-up, reported by the port without ticks") << true;
        QTest::newRow("device gone without an error, seen by the tick") << false;
    }

    void lineDropped_whileUp()
    {
        QFETCH(bool, hangUp);
        Bench b;
        QTemporaryDir dir; // the instrument's port by a name that can vanish while the terminal lives on
        const QString device = dir.filePath("ttyLeeb");
        QVERIFY(b.open() && QFile::link(b.instrument.slavePath(), device));
        b.link.setNamedPorts({b.silent.slavePath(), device});
        QVERIFY(b.waitUp());
        QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);
        hangUp ? b.link.stop() : b.link.start(ScanMs);
        b.states.clear();
        QVERIFY(hangUp ? (b.instrument.dropLine(), true) : QFile::remove(device));
        QVERIFY(QTest::qWaitFor([&] { return !b.link.isConnected(); }, UpTimeoutMs));
        QVERIFY(b.states.first().at(0).value<LinkState>() ==
                (LinkState{LinkState::Searching, QString(), PortStatus::Ok}));

        // The search takes over: the silent port is probed again, and the unplug was reported once only.
        b.link.start(ScanMs);
        QTRY_VERIFY_WITH_TIMEOUT(!probedSilent.isEmpty(), UpTimeoutMs);
        QCOMPARE(b.ups(), 0);

        QVERIFY(b.instrument.open());
        b.link.setNamedPorts({b.silent.slavePath(), b.instrument.slavePath()});
        QVERIFY(b.waitUp());
        QCOMPARE(b.ups(), 1);
    }

    void lineDropped_whileDown()
    {
        Bench b;
        QVERIFY(b.silent.open() && b.instrument.open());
        // Before the handshake's answer no request goes out or is kept, and early group data is not passed on.
        InstrumentFaults slow;
        slow.answerDelayMs = 300;
        slow.strayBytes = packFrame(CmdGroupData, encodeGroups(sampleGroups()));
        b.instrument.setFaults(slow);
        QVERIFY(b.link.openPort(b.instrument.slavePath()));
        b.link.requestGroups();
        b.link.deleteAll();
        QVERIFY(b.waitUp());
        QCOMPARE(b.downloads.size(), 0);
        b.instrument.setFaults({});
        b.link.requestGroups();
        QVERIFY(b.downloads.wait(UpTimeoutMs));
        QVERIFY(b.instrument.commandCount(CmdGetData) == 1 && b.instrument.commandCount(CmdDeleteAll) == 0);
        QVERIFY(b.lastPayload() == encodeGroups(sampleGroups()));

        // A probed port's line goes away: nothing reported, the port closed at once.
        QVERIFY(b.link.openPort(b.silent.slavePath()));
        b.states.clear();
        b.silent.dropLine();
        QTRY_VERIFY_WITH_TIMEOUT(!b.link.isPortOpen(), 2000);
        QCOMPARE(b.states.size(), 0);
        QVERIFY(!b.link.openPort(QString()));
        QVERIFY(b.link.openPort(b.instrument.slavePath()));
        QVERIFY(b.waitUp());
        QCOMPARE(b.ups(), 1);
    }

    void download_data()
    {
        QTest::addColumn<InstrumentFaults>("faults");
        QTest::addColumn<int>("silenceMs"); // the link's silence that ends a burst
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("outcome"); // delivered, failed (downloadFailed) or down (the line dropped)
        QTest::addColumn<bool>("heldDate");   // the instrument's third group is dated 2/30 25:61
        InstrumentFaults none, shortOnce, shortAlways, badSum, mute, hangUp, dropOnRequest, garbageOnce, garbage,
            paused;
        paused.chunkSize = 2000, paused.chunkGapMs = 150;
        shortOnce.groupDamage = shortAlways.groupDamage = InstrumentFaults::ShortGroups;
        shortOnce.damagedGroupAnswers = garbageOnce.damagedGroupAnswers = 1;
        garbageOnce.groupDamage = garbage.groupDamage = InstrumentFaults::GarbageGroups;
        badSum.badChecksums = 2;
        mute.noAnswerTo = {CmdGetData};
        hangUp.groupDamage = InstrumentFaults::LongLengthField;
        hangUp.dropAfterCommand = dropOnRequest.dropAfterCommand = CmdGetData;
        dropOnRequest.dropBeforeAnswer = true;

        const auto row = [](const char *name, const InstrumentFaults &faults, int silenceMs, int requests,
                            const char *outcome, bool heldDate = false) {
            QTest::newRow(name) << faults << silenceMs << requests << QString(outcome) << heldDate;
        };
        // A silence far longer than the wait: only a frame handled as it completes can arrive.
        row("complete frame handled before the silence", none, 60000, 1, "delivered");
        row("gaps longer than the silence: tails completed", paused, 100, 1, "delivered");
        row("short group data with a right sum once: asked again", shortOnce, 100, 2, "delivered");
        row("short group data every time: failed after three retries", shortAlways, 100, 4, "failed");
        row("bad checksum twice: asked again", badSum, 100, 3, "delivered");
        row("no group data within the request timeout: failed", mute, 100, 4, "failed");
        row("hang-up right after a frame complete only at the silence: kept", hangUp, 60000, 1, "delivered");
        row("hang-up on the request: nothing, and the link is down", dropOnRequest, 100, 1, "down");
        row("impossible dates differing in every answer: failed after three retries", garbage, 100, 4, "failed");
        row("damaged, then the held impossible date twice: accepted", garbageOnce, 100, 3, "delivered", true);
    }

    void download()
    {
        QFETCH(InstrumentFaults, faults);
        QFETCH(int, silenceMs);
        QFETCH(QString, outcome);
        QFETCH(bool, heldDate);
        QList<GroupRecord> groups = sampleGroups();
        if (heldDate)
            groups[2].month = 2, groups[2].day = 30, groups[2].hour = 25, groups[2].minute = 61;
        Bench b;
        QVERIFY(b.up());
        b.instrument.setGroups(groups);
        b.instrument.setFaults(faults);
        b.link.setFrameInterval(silenceMs);
        b.link.setRequestTimeout(faults.chunkSize ? 2000 : 300); // a chunked frame takes longer
        b.link.requestGroups();

        QTRY_VERIFY_WITH_TIMEOUT(!b.downloads.isEmpty() || !b.failed.isEmpty() || !b.link.isConnected(), UpTimeoutMs);
        QTEST(b.instrument.commandCount(CmdGetData), "requests");
        QCOMPARE(b.failed.size(), int(outcome == "failed"));
        QCOMPARE(b.downloads.size(), int(outcome == "delivered"));
        QVERIFY(outcome != "delivered" || b.lastPayload() == encodeGroups(groups));
        // Asked again: a first answer delivered twice would show once the second is in.
        if (outcome == "delivered" && faults.dropAfterCommand < 0) {
            b.instrument.setGroups(groups.mid(3));
            b.link.requestGroups();
            QTRY_VERIFY_WITH_TIMEOUT(b.lastPayload() == encodeGroups(groups.mid(3)), UpTimeoutMs);
            QCOMPARE(b.downloads.size(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"

// The serial link for real: the simulator plays the instrument on pseudo-terminals and Uart talks to it through
// QSerialPort. The ports named in a test come first in the scan, before the system's own.
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "samplegroups.h"
#include "uart.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(SystemPort)

namespace {

constexpr int ScanMs = 150;
constexpr int UpTimeoutMs = 10000;
using Ports = QList<SystemPort>;

struct Bench
{
    Instrument silent; // a port where nothing answers
    Instrument instrument;
    Uart uart{nullptr, 115200};
    QSignalSpy status{&uart, &Uart::connectionStatus};
    QSignalSpy frames{&uart, &Uart::readyRead};

    Bench()
    {
        InstrumentFaults mute;
        mute.noAnswer = true;
        silent.setFaults(mute);
        instrument.setGroups(sampleGroups());
        uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
    }
    bool open(int tickMs = ScanMs)
    {
        if (!silent.open() || !instrument.open())
            return false;
        uart.setExtraPortNames({silent.slavePath(), instrument.slavePath()});
        uart.setScanEnabled(true, tickMs);
        return true;
    }
    bool waitUp() { return status.wait(UpTimeoutMs) && status.last().at(0).toBool() && uart.isConnected(); }
    QByteArray lastPayload() const { return frames.last().at(1).toByteArray(); }
};

} // namespace

class TestUart : public QObject
{
    Q_OBJECT

private slots:
    void probeOrder_data();
    void probeOrder();
    void scan_findsInstrumentOnSecondPort();
    void scan_givesUpEarlyAndDoubles();
    void scan_newPortFirst();
    void scan_reasons_data();
    void scan_reasons();
    void groupFrame_deliveredOnceAndIntact_data();
    void groupFrame_deliveredOnceAndIntact();
    void lineDropped_whileUp_data();
    void lineDropped_whileUp();
    void lineDropped_whileDown();
};

void TestUart::probeOrder_data()
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
    QTest::newRow("one port under two names") << QStringList{"/dev/ttyUSB0"} << "/dev/ttyS1" << system << QStringList{}
                                              << QStringList{"/dev/ttyUSB0", "/dev/ttyS1", "ttyACM0", "ttyS0"};
    QTest::newRow("last port gone") << QStringList{} << "ttyUSB9" << system << QStringList{}
                                    << QStringList{"ttyUSB0", "ttyACM0", "ttyS0", "ttyS1"};
    QTest::newRow("appeared: before those that did not answer")
        << QStringList{"/dev/pts/71"} << "ttyS1" << system << QStringList{"/dev/pts/71", "ttyS1", "ttyS0"}
        << QStringList{"ttyUSB0", "ttyACM0", "/dev/pts/71", "ttyS1", "ttyS0"};
}

void TestUart::probeOrder()
{
    QFETCH(QStringList, named);
    QFETCH(QString, last);
    QFETCH(Ports, system);
    QFETCH(QStringList, seen);
    QTEST(::probeOrder(named, last, system, seen), "order");
}

void TestUart::scan_findsInstrumentOnSecondPort()
{
    Bench b;
    QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);
    QSignalSpy states(&b.uart, &Uart::probeStateChanged);
    // A tick far away: the first probe and the step to the next port must not wait for one.
    QVERIFY(b.open(60000));
    QVERIFY(b.waitUp());
    QCOMPARE(b.status.size(), 1);
    // The silent port comes first and was probed once, with the handshake alone.
    QVERIFY(b.silent.commandCount(CmdHandshake) == 1 && probedSilent.size() == 1);
    QCOMPARE(states.size(), 4); // searching, on the silent port, on the instrument's, connected
    QCOMPARE(states.at(1).at(0).value<ProbeState>().port, b.silent.slavePath());
    const ProbeState up{ProbeState::Connected, b.instrument.slavePath(), PortStatus::Ok};
    QVERIFY(states.last().at(0).value<ProbeState>() == up && b.uart.probeState() == up);
    QCOMPARE(b.uart.lastPortName(), b.instrument.slavePath());
    // While up, the ticks leave the port alone: no further probe anywhere.
    b.uart.setScanEnabled(true, ScanMs);
    QVERIFY(!probedSilent.wait(3 * ScanMs));
    QCOMPARE(b.instrument.commandCount(CmdHandshake), 1);
    QCOMPARE(b.status.size(), 1);
}

void TestUart::scan_givesUpEarlyAndDoubles()
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
    QTRY_COMPARE_WITH_TIMEOUT(b.uart.probeWaitMs(), 2000, 5000);
}

void TestUart::scan_newPortFirst()
{
    Bench b;
    QVERIFY(b.silent.open() && b.instrument.open());
    b.uart.setExtraPortNames({b.silent.slavePath()});
    // The instrument is plugged in once a rotation found nothing: probed at the next tick, before the named port
    // that did not answer.
    QObject::connect(&b.uart, &Uart::probeStateChanged, [&](const ProbeState &state) {
        if (state.phase == ProbeState::NotFound)
            b.uart.setExtraPortNames({b.silent.slavePath(), b.instrument.slavePath()});
    });
    b.uart.setScanEnabled(true, ScanMs);
    QVERIFY(b.waitUp());
    QCOMPARE(b.silent.commandCount(CmdHandshake), 1);
}

void TestUart::scan_reasons_data()
{
    QTest::addColumn<QString>("port"); // empty: a silent pseudo-terminal
    QTest::addColumn<bool>("held");
    QTest::addColumn<PortStatus>("reason");
    QTest::newRow("no answer") << QString() << false << PortStatus::NoAnswer;
    QTest::newRow("in use by another program") << QString() << true << PortStatus::InUse;
    QTest::newRow("missing") << "/dev/pts/nonexistent" << false << PortStatus::Missing;
}

void TestUart::scan_reasons()
{
    QFETCH(QString, port);
    QFETCH(bool, held);
    QFETCH(PortStatus, reason);
    Bench b;
    QVERIFY(b.silent.open());
    port = port.isEmpty() ? b.silent.slavePath() : port;
    QSerialPort holder(port);
    QVERIFY(!held || holder.open(QIODevice::ReadWrite));
    b.uart.setExtraPortNames({port});
    b.uart.setScanEnabled(true, ScanMs);
    QTRY_COMPARE_WITH_TIMEOUT(b.uart.probeState().phase, ProbeState::NotFound, UpTimeoutMs);
    QCOMPARE(b.uart.probeWaitMs(), 500); // doubled, but never beyond the tick (or 500 ms)
    QVERIFY(b.uart.probeState() == (ProbeState{ProbeState::NotFound, port, reason}));
    QCOMPARE(b.silent.commandCount(CmdHandshake), reason == PortStatus::NoAnswer ? 1 : 0);
}

void TestUart::groupFrame_deliveredOnceAndIntact_data()
{
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QByteArray>("stray");
    QTest::newRow("real pacing, whole") << 0 << 0 << QByteArray();
    QTest::newRow("real pacing, chunks with short gaps") << 300 << 20 << QByteArray();
    QTest::newRow("gaps longer than the silence: tails completed") << 2000 << 150 << QByteArray();
    QTest::newRow("noise before the frame") << 0 << 0 << QByteArray::fromHex("00ff4023");
}

void TestUart::groupFrame_deliveredOnceAndIntact()
{
    QFETCH(int, chunk);
    QFETCH(int, gapMs);
    QFETCH(QByteArray, stray);
    Bench b;
    QVERIFY(b.open());
    QVERIFY(b.waitUp());

    InstrumentFaults faults;
    faults.chunkSize = chunk;
    faults.chunkGapMs = gapMs;
    faults.strayBytes = stray;
    b.instrument.setFaults(faults);
    const QByteArray expected = encodeGroups(sampleGroups());

    b.uart.sendCommand(CmdGetData);
    QVERIFY(b.frames.wait(UpTimeoutMs));
    QCOMPARE(b.frames.size(), 1);
    QCOMPARE(b.frames.last().at(0).value<unsigned char>(), uchar(CmdGroupData));
    QVERIFY(b.lastPayload() == expected);

    // A second request answers a second time: had the first answer been delivered twice, it would show here.
    b.uart.sendCommand(CmdGetData);
    QVERIFY(b.frames.wait(UpTimeoutMs));
    QCOMPARE(b.frames.size(), 2);
    QVERIFY(b.lastPayload() == expected);
    QCOMPARE(b.instrument.commandCount(CmdGetData), 2);
}

void TestUart::lineDropped_whileUp_data()
{
    QTest::addColumn<bool>("hangUp");
    QTest::newRow("hang-up, reported by the port without ticks") << true;
    QTest::newRow("device gone without an error, seen by the tick") << false;
}

void TestUart::lineDropped_whileUp()
{
    QFETCH(bool, hangUp);
    Bench b;
    QTemporaryDir dir; // the instrument's port by a name that can vanish while the terminal lives on
    const QString device = dir.filePath("ttyLeeb");
    QVERIFY(b.open() && QFile::link(b.instrument.slavePath(), device));
    b.uart.setExtraPortNames({b.silent.slavePath(), device});
    QVERIFY(b.waitUp());
    QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);
    b.uart.setScanEnabled(!hangUp, ScanMs);
    QVERIFY(hangUp ? (b.instrument.dropLine(), true) : QFile::remove(device));
    QVERIFY(b.status.wait(5000));
    QVERIFY(b.status.size() == 2 && !b.status.last().at(0).toBool() && !b.uart.isConnected());
    QCOMPARE(b.uart.probeState().phase, ProbeState::Searching);

    // The scan takes over: the silent port is probed again, and the unplug was reported once only.
    b.uart.setScanEnabled(true, ScanMs);
    QTRY_VERIFY_WITH_TIMEOUT(!probedSilent.isEmpty(), UpTimeoutMs);
    QCOMPARE(b.status.size(), 2);

    // The instrument is plugged in again (a new terminal) and found.
    QVERIFY(b.instrument.open());
    b.uart.setExtraPortNames({b.silent.slavePath(), b.instrument.slavePath()});
    QVERIFY(b.waitUp());
    QCOMPARE(b.status.size(), 3);
}

void TestUart::lineDropped_whileDown()
{
    Bench b;
    QVERIFY(b.silent.open() && b.instrument.open());
    QSignalSpy received(&b.silent, &Instrument::frameReceived);
    QVERIFY(b.uart.openPort(b.silent.slavePath()));
    // Only the handshake goes out while the link is down. The line keeps order: once the second handshake is in,
    // anything sent before it has arrived too.
    for (const unsigned char cmd : {CmdGetData, CmdDeleteAll, CmdHandshake})
        b.uart.sendCommand(cmd);
    QTRY_COMPARE_WITH_TIMEOUT(b.silent.commandCount(CmdHandshake), 2, 5000);
    QCOMPARE(received.size(), 2);

    // The line of the port being probed goes away: nothing to report, and the port is closed at once rather than
    // left raising errors until the next tick.
    b.silent.dropLine();
    QTRY_VERIFY_WITH_TIMEOUT(!b.uart.isPortOpen(), 2000);
    QVERIFY(!b.uart.openPort(QString()));
    QVERIFY(b.uart.openPort(b.instrument.slavePath()));
    QVERIFY(b.waitUp());
    QCOMPARE(b.status.size(), 1);
}

QTEST_GUILESS_MAIN(TestUart)
#include "tst_uart.moc"

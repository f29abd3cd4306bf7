// The serial link for real: the simulator plays the instrument on pseudo-terminals and Uart talks to it through
// QSerialPort. The scan rotates over the system's ports first, so the tests never assume which tick finds what.
#include "frame.h"
#include "groupencoder.h"
#include "instrument.h"
#include "samplegroups.h"
#include "uart.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int ScanMs = 150;
constexpr int UpTimeoutMs = 10000;

struct Bench
{
    Instrument silent; // a port where nothing answers
    Instrument instrument;
    Uart uart{nullptr, 115200};
    QSignalSpy status{&uart, &Uart::connectionStatus};
    QSignalSpy frames{&uart, &Uart::readyRead};

    explicit Bench(bool paced = true)
    {
        InstrumentFaults mute;
        mute.noAnswer = true;
        silent.setFaults(mute);
        instrument.setPacing(paced);
        instrument.setGroups(sampleGroups());
        Uart::resetScanRotation();
        uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
    }
    bool open()
    {
        if (!silent.open() || !instrument.open())
            return false;
        uart.setExtraPortNames({silent.slavePath(), instrument.slavePath()});
        uart.setScanEnabled(true, ScanMs);
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
    void scan_findsInstrumentOnSecondPort();
    void sendCommand_onlyHandshakeWhileDown();
    void groupFrame_deliveredOnceAndIntact_data();
    void groupFrame_deliveredOnceAndIntact();
    void lineDropped_whileUp();
    void lineDropped_whileDown();
};

void TestUart::scan_findsInstrumentOnSecondPort()
{
    Bench b;
    QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);
    QSignalSpy probedInstrument(&b.instrument, &Instrument::frameReceived);
    QVERIFY(b.open());
    QVERIFY(b.waitUp());
    QCOMPARE(b.uart.currentPortName(), b.instrument.slavePath());
    QCOMPARE(b.status.size(), 1);
    // The silent port comes first in the rotation and was probed once, with the handshake alone.
    QCOMPARE(b.silent.commandCount(CmdHandshake), 1);
    QCOMPARE(probedSilent.size(), 1);
    QCOMPARE(b.instrument.commandCount(CmdHandshake), 1);
    // While up, the ticks leave the port alone: no further probe anywhere.
    QVERIFY(!probedSilent.wait(3 * ScanMs));
    QCOMPARE(b.instrument.commandCount(CmdHandshake), 1);
    QCOMPARE(b.status.size(), 1);
}

void TestUart::sendCommand_onlyHandshakeWhileDown()
{
    Bench b;
    QVERIFY(b.silent.open());
    QSignalSpy received(&b.silent, &Instrument::frameReceived);
    QVERIFY(b.uart.openPort(b.silent.slavePath()));
    b.uart.sendCommand(CmdGetData);
    b.uart.sendCommand(CmdDeleteAll);
    b.uart.sendCommand(CmdHandshake);
    // The line keeps order: once the second handshake is in, anything sent before it has arrived too.
    QTRY_COMPARE_WITH_TIMEOUT(b.silent.commandCount(CmdHandshake), 2, 5000);
    QCOMPARE(received.size(), 2);
    QCOMPARE(b.silent.commandCount(CmdGetData), 0);
    QCOMPARE(b.silent.commandCount(CmdDeleteAll), 0);
    QVERIFY(!b.uart.openPort(QString()));
    QVERIFY(b.status.isEmpty());
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

void TestUart::lineDropped_whileUp()
{
    Bench b;
    QVERIFY(b.open());
    QVERIFY(b.waitUp());
    QSignalSpy probedSilent(&b.silent, &Instrument::frameReceived);

    b.instrument.dropLine();
    QVERIFY(b.status.wait(5000));
    QCOMPARE(b.status.size(), 2);
    QCOMPARE(b.status.last().at(0).toBool(), false);
    QVERIFY(!b.uart.isConnected());

    // The scan takes over: the silent port is probed again, and the unplug was reported once only.
    QVERIFY(probedSilent.wait(UpTimeoutMs));
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
    QVERIFY(b.silent.open());
    QVERIFY(b.instrument.open());
    QVERIFY(b.uart.openPort(b.silent.slavePath()));
    QTRY_COMPARE_WITH_TIMEOUT(b.silent.commandCount(CmdHandshake), 1, 5000);

    // The line of the port being probed goes away: nothing to report, and the port is closed at once rather than
    // left raising errors until the next tick.
    b.silent.dropLine();
    QTRY_VERIFY_WITH_TIMEOUT(!b.uart.isPortOpen(), 2000);
    QVERIFY(b.uart.openPort(b.instrument.slavePath()));
    QVERIFY(b.waitUp());
    QCOMPARE(b.status.size(), 1);
}

QTEST_GUILESS_MAIN(TestUart)
#include "tst_uart.moc"

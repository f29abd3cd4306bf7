// The simulator: its encoder against the link's decoder, its group files, its answers and faults over real terminals.
#include "frame.h"
#include "groupencoder.h"
#include "groupfile.h"
#include "groups.h"
#include "instrument.h"
#include "samplegroups.h"

#include <QSerialPort>
#include <QtTest> // with all of QtCore

#include <cstring>

namespace {

constexpr int WaitMs = 3000;
// How long "nothing arrives" is watched for; an unpaced answer comes within a few milliseconds.
constexpr int QuietMs = 200;

// The record of the worked example: device D, HRC, 3/7 9:5, HL 520 from five impacts; in a group file with the
// table-set flag, direction and material set as well.
GroupRecord workedGroup(bool asInFile = false)
{
    GroupRecord g;
    g.month = 3, g.day = 7, g.hour = 9, g.minute = 5, g.device = 1, g.scale = 2, g.groupValue = 520, g.impactCount = 5;
    for (int i = 0; i < 5; ++i)
        g.impacts[i] = quint16(500 + 10 * i);
    if (asInFile)
        g.tableSet = 1, g.direction = 4, g.material = 8;
    return g;
}
const QByteArray WorkedJson = R"({"month":3,"day":7,"hour":9,"minute":5,"tableSet":1,"groupValue":520,"device":1,
    "scale":2,"direction":4,"material":8,"impacts":[500,510,520,530,540]})";

QByteArray packed(const QByteArray &payload)
{
    return packFrame(CmdGroupData, payload);
}

// The PC's end of a line, opened the way the program opens it (8N1, no flow control).
struct Pc
{
    QSerialPort port;

    bool open(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud115200);
        return port.open(QIODevice::ReadWrite);
    }
    void send(unsigned char cmd)
    {
        port.write(packFrame(cmd, {}));
        port.waitForBytesWritten(WaitMs);
    }
    // Everything that arrives until `size` bytes are in or the time is up; the caller judges what came.
    QByteArray receive(int size, int timeoutMs = WaitMs)
    {
        QByteArray got;
        static_cast<void>(QTest::qWaitFor([&] { return (got += port.readAll()).size() >= size; }, timeoutMs));
        return got + port.readAll();
    }
};

} // namespace

Q_DECLARE_METATYPE(GroupRecord)
Q_DECLARE_METATYPE(InstrumentFaults)

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }
    void encode();
    void json();
    void line_answers_data();
    void line_answers();
    void tool();
};

void TestSim::encode()
{
    QCOMPARE(encodeGroup(workedGroup()).toHex(),
             QByteArray("04440000453a0300f4f9872012720800" + QByteArray(64, '0') + "00008020"));
    // The samples cover every device, type, table set and material, and 1 to 32 impacts; the rest stays zero.
    const QList<GroupRecord> samples = sampleGroups();
    const QByteArray payload = encodeGroups(samples);
    QVERIFY(decodeGroups(payload).mid(0, samples.size()) == samples);
    QCOMPARE(payload.mid(samples.size() * groups::SlotSize).count('\0'), (100 - samples.size()) * groups::SlotSize);

    // Values too wide for their fields are cut to the field and do not spill into their neighbours.
    GroupRecord wide;
    std::memset(static_cast<void *>(&wide), 0xFE, sizeof wide);
    const GroupRecord cut = decodeGroups(encodeGroups({wide})).first();
    QCOMPARE(QList<int>({cut.month, cut.minute, cut.day, cut.hour, cut.tableSet, cut.device, cut.scale, cut.direction,
                         cut.material, cut.groupValue, cut.impactCount, cut.impacts[31]}),
             QList<int>({14, 62, 30, 30, 0, 6, 6, 14, 14, 766, 32, 766}));
}

void TestSim::json()
{
    // A file of the worked entry, then the same with a month too wide: that one leaves the list as it was.
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.json");
    QList<GroupRecord> loaded;
    QString error;
    for (const QByteArray &month : {QByteArray(":3,"), QByteArray(":16,")}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write("[" + QByteArray(WorkedJson).replace(":3,", month) + "]"));
        file.close();
        QCOMPARE(loadGroupsJson(path, &loaded, &error), month == ":3,");
        QVERIFY(loaded == QList<GroupRecord>{workedGroup(true)});
    }
    QVERIFY2(error == path + ": [0].month: 16 is outside 0 to 15", qPrintable(error));
    QVERIFY(!loadGroupsJson(dir.filePath("none.json"), &loaded, &error) && error.contains("cannot open"));
}

void TestSim::line_answers_data()
{
    QTest::addColumn<InstrumentFaults>("faults");
    QTest::addColumn<QByteArray>("commands");    // sent one at a time
    QTest::addColumn<QByteArrayList>("answers"); // one for each command; empty: nothing comes
    QTest::addColumn<bool>("drops");
    const QByteArray ack = QByteArray::fromHex("402324020000005052"), done = QByteArray::fromHex("402324020000005a5c");
    const QByteArray data = packed(encodeGroups(sampleGroups())), noData = packed(QByteArray(groups::PayloadSize, 0));
    const QByteArray handshake(1, char(CmdHandshake)), get(1, char(CmdGetData)), deleteAll(1, char(CmdDeleteAll));
    InstrumentFaults none, noisy, onData, later, longLength;
    noisy.strayBytes = QByteArray::fromHex("aa5540"), noisy.badChecksums = 1;
    onData.dropAfterCommand = CmdGetData, onData.dropBeforeAnswer = true, later.dropAfterMs = 50;
    longLength.groupDamage = InstrumentFaults::LongLengthField;
    QByteArray longData = data; // the length field and so the checksum 100 higher
    longData[3] = char(data.at(3) + 100), longData[data.size() - 1] = char(data.at(data.size() - 1) + 100);

    QTest::newRow("handshake, group data, delete all, no group data")
        << none << handshake + get + deleteAll + get << QByteArrayList{ack, data, done, noData} << false;
    QTest::newRow("stray bytes before every answer, the first one spoilt")
        << noisy << handshake + handshake << QByteArrayList{noisy.strayBytes + ack, noisy.strayBytes + ack} << false;
    QTest::newRow("drop on the arrival of group data") << onData << handshake + get << QByteArrayList{ack, {}} << true;
    QTest::newRow("drop after a time") << later << QByteArray() << QByteArrayList() << true;
    QTest::newRow("length field 100 too large") << longLength << get << QByteArrayList{longData} << false;
}

void TestSim::line_answers()
{
    QFETCH(InstrumentFaults, faults);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArrayList, answers);
    QFETCH(bool, drops);
    Instrument instrument;
    instrument.setFaults(faults);
    instrument.setPacing(false);
    instrument.setGroups(sampleGroups());
    Pc pc;
    QVERIFY2(instrument.open() && pc.open(instrument.slavePath()), qPrintable(pc.port.errorString()));
    QSignalSpy sent(&instrument, &Instrument::frameSent);
    QSignalSpy dropped(&instrument, &Instrument::lineDropped);
    QSignalSpy errors(&pc.port, &QSerialPort::errorOccurred);

    int answered = 0;
    for (int k = 0; k < commands.size(); ++k) {
        QVERIFY(dropped.isEmpty()); // only the last command may end the line
        const auto cmd = uchar(commands.at(k));
        pc.send(cmd);
        QTRY_COMPARE_WITH_TIMEOUT(instrument.commandCount(cmd), commands.left(k + 1).count(char(cmd)), WaitMs);
        const QByteArray &answer = answers.at(k);
        const QByteArray got = pc.receive(qMax(1, answer.size()), answer.isEmpty() ? QuietMs : WaitMs);
        // The first answers that the fault spoils carry a wrong last byte, the checksum.
        const int spoilt = k < faults.badChecksums ? 1 : 0;
        QCOMPARE(got.chopped(spoilt).toHex(), answer.chopped(spoilt).toHex());
        const QByteArray frame = got.mid(faults.strayBytes.size());
        QCOMPARE(checkFrame(frame), !answer.isEmpty() && !spoilt);
        if (!answer.isEmpty())
            QCOMPARE(sent.value(answered++), (QVariantList{QVariant::fromValue(frameCommand(frame)), frame.size()}));
    }
    QCOMPARE(sent.size(), answered);
    QCOMPARE(instrument.faults().badChecksums, 0);
    QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), drops ? 1 : 0, WaitMs);
    QCOMPARE(instrument.isOpen(), !drops);
    // A hung-up terminal reads as end of file, which QSerialPort reports until the port is closed.
    QTRY_VERIFY_WITH_TIMEOUT(!drops || !errors.isEmpty(), WaitMs);
}

void TestSim::tool()
{
    // Paced as the line is: the group data frame takes 452 ms; the first one short, as asked for.
    QProcess tool;
    tool.start(INSTRUMENT_SIM_PATH, {"--damage-groups", "short", "--damage-count", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(tool.canReadLine(), WaitMs);
    Pc pc;
    QVERIFY(pc.open(QString::fromLocal8Bit(tool.readLine()).trimmed()));
    const QByteArray payload = encodeGroups(sampleGroups());
    for (const QByteArray &expected : {packed(payload.left(2600)), packed(payload)}) {
        QElapsedTimer clock;
        clock.start();
        pc.send(CmdGetData);
        QCOMPARE(pc.receive(expected.size()), expected);
        QVERIFY2(clock.elapsed() >= expected.size() * 1000 / 11520, qPrintable(QString::number(clock.elapsed())));
    }
    tool.terminate();
    QVERIFY(tool.waitForFinished(WaitMs) && tool.exitCode() == 0);

    tool.start(INSTRUMENT_SIM_PATH, {"--damage-groups", "odd"});
    QVERIFY(tool.waitForFinished(WaitMs) && tool.exitCode() == 2 && tool.readAllStandardOutput().isEmpty());
    QVERIFY(tool.readAllStandardError().contains("--damage-groups needs short, garbage or long-length"));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

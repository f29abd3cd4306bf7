// The simulated instrument: its group encoder against the link's decoder, its JSON group files, and its answers
// and faults over real pseudo-terminals opened with QSerialPort, as the program opens them.
#include "frame.h"
#include "groupencoder.h"
#include "groupfile.h"
#include "groups.h"
#include "instrument.h"
#include "samplegroups.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <set>

namespace {

constexpr int GroupFrameSize = groups::PayloadSize + frame::Overhead;
constexpr int WaitMs = 3000;
// How long "nothing arrives" is watched for; an unpaced answer comes within a few milliseconds.
constexpr int QuietMs = 200;

QList<GroupRecord> randomGroups(int count, quint32 seed)
{
    QRandomGenerator r(seed);
    QList<GroupRecord> list;
    for (int k = 0; k < count; ++k) {
        GroupRecord g;
        g.month = quint8(r.bounded(16));
        g.day = quint8(r.bounded(32));
        g.hour = quint8(r.bounded(32));
        g.minute = quint8(r.bounded(64));
        g.tableSet = quint8(r.bounded(2));
        g.groupValue = quint16(r.bounded(1, 1024));
        g.device = quint8(r.bounded(8));
        g.scale = quint8(r.bounded(8));
        g.direction = quint8(r.bounded(16));
        g.material = quint8(r.bounded(16));
        g.impactCount = quint8(r.bounded(1, 33));
        for (int i = 0; i < g.impactCount; ++i)
            g.impacts[i] = quint16(r.bounded(1024));
        list.append(g);
    }
    return list;
}

// The record of the worked example: device D, HRC, 3/7 9:5, HL 520 from five impacts.
GroupRecord workedGroup()
{
    GroupRecord g;
    g.month = 3, g.day = 7, g.hour = 9, g.minute = 5;
    g.device = 1, g.scale = 2, g.groupValue = 520, g.impactCount = 5;
    for (int i = 0; i < 5; ++i)
        g.impacts[i] = quint16(500 + 10 * i);
    return g;
}

QJsonObject toJson(const GroupRecord &g)
{
    QJsonArray impacts;
    for (int i = 0; i < g.impactCount; ++i)
        impacts.append(g.impacts[i]);
    return {{"month", g.month},       {"day", g.day},           {"hour", g.hour},
            {"minute", g.minute},     {"tableSet", g.tableSet}, {"groupValue", g.groupValue},
            {"device", g.device},     {"scale", g.scale},       {"direction", g.direction},
            {"material", g.material}, {"impacts", impacts}};
}

QByteArray json(const QJsonArray &entries)
{
    return QJsonDocument(entries).toJson();
}

// A file of one entry with one field replaced, or removed for an undefined value.
QByteArray entryWith(const QString &key, const QJsonValue &value)
{
    QJsonObject entry = toJson(workedGroup());
    if (value.isUndefined())
        entry.remove(key);
    else
        entry.insert(key, value);
    return json({entry});
}

// The PC's end of a line, opened the way the program opens it.
struct Pc
{
    QSerialPort port;

    bool open(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud115200); // 8N1 without flow control is QSerialPort's default
        return port.open(QIODevice::ReadWrite);
    }
    void send(const QByteArray &bytes)
    {
        port.write(bytes);
        port.waitForBytesWritten(WaitMs);
    }
    void send(unsigned char cmd) { send(packFrame(cmd, QByteArray())); }
    // Everything that arrives until `size` bytes are in or the time is up; the caller judges what came.
    QByteArray receive(int size, int timeoutMs = WaitMs)
    {
        QByteArray got;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                got += port.readAll();
                return got.size() >= size;
            },
            timeoutMs));
        return got + port.readAll();
    }
};

struct Line
{
    Instrument instrument;
    Pc pc;

    bool open()
    {
        instrument.setPacing(false);
        return instrument.open() && pc.open(instrument.slavePath());
    }
};

QByteArray empty(unsigned char cmd)
{
    return packFrame(cmd, QByteArray());
}

} // namespace

Q_DECLARE_METATYPE(GroupRecord)

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }

    void encode_roundTripsThroughDecoder_data();
    void encode_roundTripsThroughDecoder();
    void encode_workedSlotAndMasking();
    void samples_coverTheCases();
    void json_loadsValidFile();
    void json_refusesBadFile_data();
    void json_refusesBadFile();

    void line_conversation();
    void line_answerTakesItsTime_data();
    void line_answerTakesItsTime();
    void line_slowReaderLosesNothing();
    void fault_strayBytesAndBadChecksum();
    void fault_noAnswer_data();
    void fault_noAnswer();
    void fault_dropLine_data();
    void fault_dropLine();

    void tool_printsPathThenServes();
    void tool_refusesBadOptions_data();
    void tool_refusesBadOptions();
};

void TestSim::encode_roundTripsThroughDecoder_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("no groups: every slot unused") << 0;
    QTest::newRow("some slots used") << 37;
    QTest::newRow("more than 100: the rest left out") << 130;
}

void TestSim::encode_roundTripsThroughDecoder()
{
    QFETCH(int, count);
    const QList<GroupRecord> groups = randomGroups(count, quint32(count) + 1);
    const QByteArray payload = encodeGroups(groups);
    QCOMPARE(payload.size(), groups::PayloadSize);

    const QList<GroupRecord> decoded = decodeGroups(payload);
    const int used = qMin(count, groups::SlotCount);
    for (int k = 0; k < used; ++k)
        QVERIFY2(decoded.at(k) == groups.at(k), qPrintable(QStringLiteral("slot %1").arg(k)));
    QCOMPARE(payload.mid(used * groups::SlotSize), QByteArray((groups::SlotCount - used) * groups::SlotSize, '\0'));
}

void TestSim::encode_workedSlotAndMasking()
{
    const QByteArray worked = QByteArray::fromHex("04440000453a0300f4f9872012720800") + QByteArray(32, '\0') +
                              QByteArray::fromHex("00008020");
    QCOMPARE(encodeGroup(workedGroup()).toHex(), worked.toHex());

    // Values too wide for their fields are cut to the field and do not spill into their neighbours.
    GroupRecord wide;
    wide.month = wide.minute = wide.day = wide.hour = wide.tableSet = 0xFE;
    wide.device = wide.scale = wide.direction = wide.material = 0xFE;
    wide.groupValue = 0xFFFE;
    wide.impactCount = 40;
    std::fill(std::begin(wide.impacts), std::end(wide.impacts), quint16(0xFFFE));
    const GroupRecord cut = decodeGroups(encodeGroups({wide})).first();
    QCOMPARE(encodeGroup(wide).size(), groups::SlotSize);
    QCOMPARE(QList<int>({cut.month, cut.minute, cut.day, cut.hour, cut.tableSet, cut.device, cut.scale, cut.direction,
                         cut.material, cut.groupValue, cut.impactCount, cut.impacts[31]}),
             QList<int>({14, 62, 30, 30, 0, 6, 6, 14, 14, 1022, 32, 1022}));
}

void TestSim::samples_coverTheCases()
{
    const QList<GroupRecord> samples = sampleGroups();
    QVERIFY(samples.size() >= 20 && samples.size() <= groups::SlotCount);
    std::set<int> devices, scales, tableSets, counts, hardnessMaterials, strengthMaterials, valuesOnD;
    for (const GroupRecord &g : samples) {
        devices.insert(g.device);
        scales.insert(g.scale);
        tableSets.insert(g.tableSet);
        counts.insert(g.impactCount);
        (g.scale == 7 ? strengthMaterials : hardnessMaterials).insert(g.material);
        if (g.device == 1)
            valuesOnD.insert(g.groupValue);

        QVERIFY(g.month >= 1 && g.month <= 12 && g.day >= 1 && g.day <= 28 && g.hour <= 23 && g.minute <= 59);
        int sum = 0;
        for (int i = 0; i < g.impactCount; ++i) {
            sum += g.impacts[i];
            QVERIFY2(std::abs(g.impacts[i] - g.groupValue) <= 0.05 * g.groupValue, "impact scatter above 5 %");
        }
        QCOMPARE(int(g.groupValue), int(std::lround(double(sum) / g.impactCount)));
    }
    const std::set<int> materials{0, 1, 2, 3, 4, 5, 6, 7, 8};
    QCOMPARE(devices, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(scales, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(tableSets, (std::set<int>{0, 1}));
    QCOMPARE(hardnessMaterials, materials);
    QCOMPARE(strengthMaterials, materials);
    QVERIFY(counts.count(1) && counts.count(32));
    QVERIFY(valuesOnD.count(300) && valuesOnD.count(890));
}

void TestSim::json_loadsValidFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.json");
    const QList<GroupRecord> expected = randomGroups(groups::SlotCount, 21);
    for (const QList<GroupRecord> &content : {expected, QList<GroupRecord>()}) {
        QJsonArray entries;
        for (const GroupRecord &g : content)
            entries.append(toJson(g));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(json(entries)) > 0);
        file.close();

        QList<GroupRecord> loaded = randomGroups(3, 9);
        QString error;
        QVERIFY2(loadGroupsJson(path, &loaded, &error), qPrintable(error));
        QVERIFY(loaded == content);
    }
}

void TestSim::json_refusesBadFile_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QString>("message");
    const QJsonValue absent(QJsonValue::Undefined);
    QJsonArray tooMany, impacts33;
    for (int i = 0; i < 101; ++i)
        tooMany.append(toJson(workedGroup()));
    for (int i = 0; i < 33; ++i)
        impacts33.append(500);
    QJsonObject badSecond = toJson(workedGroup());
    badSecond.insert("material", 16);

    QTest::newRow("missing file") << QByteArray() << "cannot open";
    QTest::newRow("not JSON") << QByteArray("[{\"month\": 3,") << "not valid JSON";
    QTest::newRow("entry not an object") << QByteArray("[1]") << "[0]: is not an object";
    QTest::newRow("field missing") << entryWith("day", absent) << "[0].day: missing";
    QTest::newRow("field a string") << entryWith("month", "3") << "[0].month: is not an integer";
    QTest::newRow("month over 4 bits") << entryWith("month", 16) << "[0].month: 16 is outside 0 to 15";
    QTest::newRow("fault in second entry") << json({toJson(workedGroup()), badSecond}) << "[1].material: 16";
    QTest::newRow("33 impacts") << entryWith("impacts", impacts33) << "[0].impacts: has 33 values";
    QTest::newRow("impact over 10 bits") << entryWith("impacts", QJsonArray{500, 510, 1024})
                                         << "[0].impacts[2]: 1024 is outside 0 to 1023";
    QTest::newRow("unknown field") << entryWith("impactCount", 5) << "[0]: unknown field \"impactCount\"";
    QTest::newRow("101 groups") << json(tooMany) << "101 groups";
}

void TestSim::json_refusesBadFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.json");
    QFile file(path);
    QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
    file.close();

    const QList<GroupRecord> before = randomGroups(2, 7);
    QList<GroupRecord> loaded = before;
    QString error;
    QVERIFY(!loadGroupsJson(path, &loaded, &error));
    QVERIFY2(error.startsWith(path + ": ") && error.contains(message), qPrintable(error));
    QVERIFY(loaded == before);
}

void TestSim::line_conversation()
{
    Line line;
    QVERIFY2(line.open(), qPrintable(line.instrument.errorString() + line.pc.port.errorString()));
    const QList<GroupRecord> groups = randomGroups(42, 11);
    line.instrument.setGroups(groups);
    QSignalSpy sent(&line.instrument, &Instrument::frameSent);

    line.pc.send(CmdHandshake);
    QCOMPARE(line.pc.receive(frame::Overhead).toHex(), QByteArray("402324020000005052"));

    line.pc.send(CmdGetData);
    const QByteArray answer = line.pc.receive(GroupFrameSize);
    QCOMPARE(answer.size(), GroupFrameSize);
    QVERIFY(checkFrame(answer) && frameCommand(answer) == CmdGroupData);
    const QList<GroupRecord> decoded = decodeGroups(framePayload(answer));
    QVERIFY(decoded.mid(0, groups.size()) == groups);
    QCOMPARE(decoded.at(groups.size()).groupValue, quint16(0));

    line.pc.send(CmdDeleteAll);
    QCOMPARE(line.pc.receive(frame::Overhead).toHex(), QByteArray("402324020000005a5c"));
    QVERIFY(line.instrument.groups().isEmpty());
    line.pc.send(CmdGetData);
    QCOMPARE(line.pc.receive(GroupFrameSize), packFrame(CmdGroupData, QByteArray(groups::PayloadSize, '\0')));

    QCOMPARE(line.instrument.commandCount(CmdHandshake), 1);
    QCOMPARE(line.instrument.commandCount(CmdGetData), 2);
    QCOMPARE(line.instrument.commandCount(CmdDeleteAll), 1);
    QCOMPARE(sent.size(), 4);
    QCOMPARE(sent.at(1), (QList<QVariant>{QVariant::fromValue(uchar(CmdGroupData)), GroupFrameSize}));
}

void TestSim::line_answerTakesItsTime_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("atLeastMs");
    // 5209 bytes at 11.52 bytes per ms take 452 ms.
    QTest::newRow("line pace, 115200 8N1") << true << 0 << 0 << 0 << 450;
    QTest::newRow("answer delay, unpaced") << false << 150 << 0 << 0 << 150;
    QTest::newRow("six chunks, five gaps, unpaced") << false << 0 << 1000 << 40 << 200;
}

void TestSim::line_answerTakesItsTime()
{
    QFETCH(bool, paced);
    QFETCH(int, delayMs);
    QFETCH(int, chunk);
    QFETCH(int, gapMs);
    QFETCH(int, atLeastMs);
    Line line;
    QVERIFY(line.open());
    line.instrument.setPacing(paced);
    line.instrument.setGroups(sampleGroups());
    InstrumentFaults faults;
    faults.answerDelayMs = delayMs;
    faults.chunkSize = chunk;
    faults.chunkGapMs = gapMs;
    line.instrument.setFaults(faults);

    QElapsedTimer clock;
    clock.start();
    line.pc.send(CmdGetData);
    const QByteArray answer = line.pc.receive(GroupFrameSize);
    const qint64 elapsedMs = clock.nsecsElapsed() / 1000000;
    QCOMPARE(answer, packFrame(CmdGroupData, encodeGroups(sampleGroups())));
    QVERIFY2(elapsedMs >= atLeastMs, qPrintable(QStringLiteral("took %1 ms").arg(elapsedMs)));
}

void TestSim::line_slowReaderLosesNothing()
{
    Line line;
    QVERIFY(line.open());
    const QList<GroupRecord> groups = randomGroups(100, 13);
    line.instrument.setGroups(groups);

    // The PC stops reading, so twenty answers back up in the terminal until the simulator has to wait.
    constexpr int Requests = 20;
    line.pc.port.setReadBufferSize(64);
    line.pc.send(empty(CmdGetData).repeated(Requests));
    QTRY_VERIFY_WITH_TIMEOUT(line.instrument.commandCount(CmdGetData) == Requests && line.instrument.pendingBytes() > 0,
                             WaitMs);

    line.pc.port.setReadBufferSize(0);
    const QByteArray answers = line.pc.receive(Requests * GroupFrameSize);
    QCOMPARE(answers, packFrame(CmdGroupData, encodeGroups(groups)).repeated(Requests));
}

void TestSim::fault_strayBytesAndBadChecksum()
{
    Line line;
    QVERIFY(line.open());
    InstrumentFaults faults;
    faults.strayBytes = QByteArray::fromHex("aa5540");
    faults.badChecksums = 1;
    line.instrument.setFaults(faults);

    line.pc.send(CmdHandshake);
    const QByteArray first = line.pc.receive(12);
    QCOMPARE(first.left(3), faults.strayBytes);
    QCOMPARE(first.mid(3, 8), empty(CmdHandshakeAck).left(8));
    QVERIFY(!checkFrame(first.mid(3)));
    QCOMPARE(line.instrument.faults().badChecksums, 0);

    // Only the next answer was spoilt; the noise stays.
    line.pc.send(CmdHandshake);
    QCOMPARE(line.pc.receive(12), faults.strayBytes + empty(CmdHandshakeAck));
}

void TestSim::fault_noAnswer_data()
{
    QTest::addColumn<bool>("toAll");
    QTest::newRow("to every command") << true;
    QTest::newRow("to group data only") << false;
}

void TestSim::fault_noAnswer()
{
    QFETCH(bool, toAll);
    Line line;
    QVERIFY(line.open());
    InstrumentFaults faults;
    faults.noAnswer = toAll;
    faults.noAnswerTo = {CmdGetData};
    line.instrument.setFaults(faults);
    QSignalSpy received(&line.instrument, &Instrument::frameReceived);

    line.pc.send(CmdGetData);
    QVERIFY(received.wait(WaitMs));
    QCOMPARE(line.pc.receive(1, QuietMs), QByteArray());
    line.pc.send(CmdHandshake);
    QCOMPARE(line.pc.receive(frame::Overhead, toAll ? QuietMs : WaitMs), toAll ? QByteArray() : empty(CmdHandshakeAck));
    QCOMPARE(line.instrument.commandCount(CmdGetData), 1);
}

void TestSim::fault_dropLine_data()
{
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("beforeAnswer");
    QTest::addColumn<int>("answerBytes");
    QTest::newRow("after answering group data") << -1 << int(CmdGetData) << false << GroupFrameSize;
    QTest::newRow("on the arrival of group data") << -1 << int(CmdGetData) << true << 0;
    QTest::newRow("after a time") << 50 << -1 << false << 0;
}

void TestSim::fault_dropLine()
{
    QFETCH(int, afterMs);
    QFETCH(int, command);
    QFETCH(bool, beforeAnswer);
    QFETCH(int, answerBytes);
    Line line;
    InstrumentFaults faults;
    faults.dropAfterMs = afterMs;
    faults.dropAfterCommand = command;
    faults.dropBeforeAnswer = beforeAnswer;
    line.instrument.setFaults(faults);
    QVERIFY(line.open());
    QSignalSpy dropped(&line.instrument, &Instrument::lineDropped);
    QSignalSpy errors(&line.pc.port, &QSerialPort::errorOccurred);

    if (command >= 0) {
        // Other commands are answered: only the chosen one ends the line.
        line.pc.send(CmdHandshake);
        QCOMPARE(line.pc.receive(frame::Overhead), empty(CmdHandshakeAck));
        QVERIFY(dropped.isEmpty());
        line.pc.send(uchar(command));
    }
    QCOMPARE(line.pc.receive(GroupFrameSize, QuietMs).size(), answerBytes);
    QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), 1, WaitMs);
    QVERIFY(!line.instrument.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), WaitMs);
    // A hung-up terminal reads as end of file, which QSerialPort reports over and over until the port is closed.
    const auto error = errors.first().at(0).value<QSerialPort::SerialPortError>();
    QVERIFY2(error == QSerialPort::ReadError || error == QSerialPort::ResourceError, QTest::toString(error));
    line.pc.port.close();
}

void TestSim::tool_printsPathThenServes()
{
    QProcess tool;
    tool.start(INSTRUMENT_SIM_PATH, {"--no-pacing"});
    QVERIFY(tool.waitForStarted(WaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(tool.canReadLine(), WaitMs);
    const QString path = QString::fromLocal8Bit(tool.readLine()).trimmed();
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));

    Pc pc;
    QVERIFY(pc.open(path));
    pc.send(CmdGetData);
    QCOMPARE(pc.receive(GroupFrameSize), packFrame(CmdGroupData, encodeGroups(sampleGroups())));

    tool.terminate();
    QVERIFY(tool.waitForFinished(WaitMs));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
}

void TestSim::tool_refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing groups file") << QStringList{"--groups", "/nonexistent/groups.json"}
                                         << "/nonexistent/groups.json: cannot open";
    QTest::newRow("chunk gap without chunks") << QStringList{"--chunk-gap", "10"} << "--chunk-gap needs --chunk";
    QTest::newRow("command byte too wide") << QStringList{"--drop-after-command", "153"} << "--drop-after-command";
}

void TestSim::tool_refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess tool;
    tool.start(INSTRUMENT_SIM_PATH, arguments);
    QVERIFY(tool.waitForFinished(WaitMs));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 2);
    QVERIFY(tool.readAllStandardOutput().isEmpty());
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

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
        g.month = quint8(r.bounded(16)), g.day = quint8(r.bounded(32)), g.hour = quint8(r.bounded(32));
        g.minute = quint8(r.bounded(64)), g.tableSet = quint8(r.bounded(2)), g.direction = quint8(r.bounded(16));
        g.device = quint8(r.bounded(8)), g.scale = quint8(r.bounded(8)), g.material = quint8(r.bounded(16));
        g.groupValue = quint16(r.bounded(1, 1024)), g.impactCount = quint8(r.bounded(1, 33));
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

// A file of the worked entry with one field replaced, or removed for an undefined value, after `before` entries.
QByteArray entryWith(const QString &key, const QJsonValue &value, int before = 0)
{
    QJsonArray entries;
    for (int i = 0; i < before; ++i)
        entries.append(toJson(workedGroup()));
    QJsonObject entry = toJson(workedGroup());
    value.isUndefined() ? entry.remove(key) : static_cast<void>(entry.insert(key, value));
    entries.append(entry);
    return QJsonDocument(entries).toJson();
}

// A simulated instrument and the PC's end of its line, opened the way the program opens it (8N1, no flow control).
struct Line
{
    Instrument instrument;
    QSerialPort port;

    bool open()
    {
        instrument.setPacing(false);
        return instrument.open() && openPort(instrument.slavePath());
    }
    bool openPort(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud115200);
        return port.open(QIODevice::ReadWrite);
    }
    void send(unsigned char cmd, int times = 1)
    {
        port.write(packFrame(cmd, {}).repeated(times));
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

    void encode_roundTripsThroughDecoder_data();
    void encode_roundTripsThroughDecoder();
    void encode_workedSlotAndMasking();
    void samples_coverTheCases();
    void json_data();
    void json();

    void line_slowReaderLosesNothing();
    void line_answers_data();
    void line_answers();

    void tool_data();
    void tool();
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

    const int used = qMin(count, groups::SlotCount);
    QVERIFY(decodeGroups(payload).mid(0, used) == groups.mid(0, used));
    QCOMPARE(payload.mid(used * groups::SlotSize), QByteArray((groups::SlotCount - used) * groups::SlotSize, '\0'));
}

void TestSim::encode_workedSlotAndMasking()
{
    QCOMPARE(encodeGroup(workedGroup()).toHex(),
             QByteArray("04440000453a0300f4f9872012720800" + QByteArray(64, '0') + "00008020"));

    // Values too wide for their fields are cut to the field and do not spill into their neighbours.
    GroupRecord wide;
    std::memset(static_cast<void *>(&wide), 0xFE, sizeof wide);
    const GroupRecord cut = decodeGroups(encodeGroups({wide})).first();
    QCOMPARE(QList<int>({cut.month, cut.minute, cut.day, cut.hour, cut.tableSet, cut.device, cut.scale, cut.direction,
                         cut.material, cut.groupValue, cut.impactCount, cut.impacts[31]}),
             QList<int>({14, 62, 30, 30, 0, 6, 6, 14, 14, 766, 32, 766}));
}

void TestSim::samples_coverTheCases()
{
    std::set<int> devices, types, tableSets, counts, materials[2], valuesOnD;
    for (const GroupRecord &g : sampleGroups()) {
        devices.insert(g.device), types.insert(g.scale), tableSets.insert(g.tableSet), counts.insert(g.impactCount);
        materials[g.scale == 7].insert(g.material); // the strength materials for STR groups
        if (g.device == 1)
            valuesOnD.insert(g.groupValue);
    }
    QCOMPARE(devices, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(types, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(tableSets, (std::set<int>{0, 1}));
    QVERIFY(materials[0] == materials[1] && materials[1] == std::set<int>({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QVERIFY(counts.count(1) && counts.count(32) && valuesOnD.count(300) && valuesOnD.count(890));
}

void TestSim::json_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QString>("message");    // empty: the file loads
    QTest::addColumn<QList<GroupRecord>>("expected");
    const QList<GroupRecord> hundred = randomGroups(groups::SlotCount, 21);
    const QList<GroupRecord> unchanged = randomGroups(2, 7); // what the list held before
    QJsonArray entries, impacts33;
    for (const GroupRecord &g : hundred)
        entries.append(toJson(g));
    for (int i = 0; i < 33; ++i)
        impacts33.append(500);

    QTest::newRow("100 groups") << QJsonDocument(entries).toJson() << QString() << hundred;
    QTest::newRow("no groups") << QByteArray("[]") << QString() << QList<GroupRecord>();
    QTest::newRow("missing file") << QByteArray() << "cannot open" << unchanged;
    QTest::newRow("entry not an object") << QByteArray("[1]") << "[0]: is not an object" << unchanged;
    QTest::newRow("not JSON") << QByteArray("[{\"month\": 3,") << "not valid JSON" << unchanged;
    QTest::newRow("field missing") << entryWith("day", QJsonValue::Undefined) << "[0].day: missing" << unchanged;
    QTest::newRow("month over 4 bits") << entryWith("month", 16) << "[0].month: 16 is outside 0 to 15" << unchanged;
    QTest::newRow("field a string") << entryWith("month", "3") << "[0].month: is not an integer" << unchanged;
    QTest::newRow("unknown field") << entryWith("impactCount", 5) << "[0]: unknown field \"impactCount\"" << unchanged;
    QTest::newRow("impact 1024") << entryWith("impacts", QJsonArray{500, 1024}) << "[0].impacts[1]: 1024" << unchanged;
    QTest::newRow("101 groups") << entryWith("material", 0, 100) << "101 groups" << unchanged;
    QTest::newRow("33 impacts") << entryWith("impacts", impacts33) << "[0].impacts: has 33 values" << unchanged;
    QTest::newRow("fault in a later entry") << entryWith("material", 16, 2) << "[2].material: 16" << unchanged;
}

void TestSim::json()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QList<GroupRecord>, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("groups.json");
    QFile file(path);
    QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) == content.size()));
    file.close();

    QList<GroupRecord> loaded = randomGroups(2, 7);
    QString error;
    QCOMPARE(loadGroupsJson(path, &loaded, &error), message.isEmpty());
    QVERIFY2(message.isEmpty() || (error.startsWith(path + ": ") && error.contains(message)), qPrintable(error));
    QVERIFY(loaded == expected);
}

void TestSim::line_slowReaderLosesNothing()
{
    Line line;
    QVERIFY(line.open());
    line.instrument.setGroups(randomGroups(100, 13));

    // The PC stops reading, so twenty answers back up in the terminal until the simulator has to wait.
    line.port.setReadBufferSize(64);
    line.send(CmdGetData, 20);
    QTRY_VERIFY_WITH_TIMEOUT(line.instrument.commandCount(CmdGetData) == 20 && line.instrument.pendingBytes() > 0,
                             WaitMs);
    line.port.setReadBufferSize(0);
    const QByteArray answer = packFrame(CmdGroupData, encodeGroups(randomGroups(100, 13)));
    QCOMPARE(line.receive(20 * GroupFrameSize), answer.repeated(20));
}

void TestSim::line_answers_data()
{
    QTest::addColumn<InstrumentFaults>("faults");
    QTest::addColumn<QByteArray>("commands");    // sent one at a time
    QTest::addColumn<QByteArrayList>("answers"); // one for each command; empty: nothing comes
    QTest::addColumn<bool>("drops");
    const QByteArray ack = QByteArray::fromHex("402324020000005052"), done = QByteArray::fromHex("402324020000005a5c");
    const QByteArray data = packFrame(CmdGroupData, encodeGroups(sampleGroups()));
    const QByteArray noData = packFrame(CmdGroupData, QByteArray(groups::PayloadSize, '\0'));
    const QByteArray handshake(1, char(CmdHandshake)), get(1, char(CmdGetData)), deleteAll(1, char(CmdDeleteAll));
    InstrumentFaults none, noisy, mute, muteToData, after, onData, later;
    noisy.strayBytes = QByteArray::fromHex("aa5540"), noisy.badChecksums = 1;
    mute.noAnswer = true, muteToData.noAnswerTo = {CmdGetData};
    after.dropAfterCommand = onData.dropAfterCommand = CmdGetData;
    onData.dropBeforeAnswer = true, later.dropAfterMs = 50;

    QTest::newRow("handshake, group data, delete all, no group data")
        << none << handshake + get + deleteAll + get << QByteArrayList{ack, data, done, noData} << false;
    QTest::newRow("stray bytes before every answer, the first one spoilt")
        << noisy << handshake + handshake << QByteArrayList{noisy.strayBytes + ack, noisy.strayBytes + ack} << false;
    QTest::newRow("no answer to any command") << mute << get + handshake << QByteArrayList{{}, {}} << false;
    QTest::newRow("no answer to group data only") << muteToData << get + handshake << QByteArrayList{{}, ack} << false;
    QTest::newRow("drop after answering group data") << after << handshake + get << QByteArrayList{ack, data} << true;
    QTest::newRow("drop on the arrival of group data") << onData << handshake + get << QByteArrayList{ack, {}} << true;
    QTest::newRow("drop after a time") << later << QByteArray() << QByteArrayList() << true;
}

void TestSim::line_answers()
{
    QFETCH(InstrumentFaults, faults);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArrayList, answers);
    QFETCH(bool, drops);
    Line line;
    line.instrument.setFaults(faults);
    QVERIFY2(line.open(), qPrintable(line.instrument.errorString() + line.port.errorString()));
    line.instrument.setGroups(sampleGroups());
    QSignalSpy sent(&line.instrument, &Instrument::frameSent);
    QSignalSpy dropped(&line.instrument, &Instrument::lineDropped);
    QSignalSpy errors(&line.port, &QSerialPort::errorOccurred);

    int answered = 0;
    for (int k = 0; k < commands.size(); ++k) {
        QVERIFY(dropped.isEmpty()); // only the last command may end the line
        const auto cmd = uchar(commands.at(k));
        line.send(cmd);
        QTRY_COMPARE_WITH_TIMEOUT(line.instrument.commandCount(cmd), commands.left(k + 1).count(char(cmd)), WaitMs);
        const QByteArray &answer = answers.at(k);
        const QByteArray got = line.receive(qMax(1, answer.size()), answer.isEmpty() ? QuietMs : WaitMs);
        // The first answers that the fault spoils carry a wrong last byte, the checksum.
        const int spoilt = k < faults.badChecksums ? 1 : 0;
        QCOMPARE(got.chopped(spoilt).toHex(), answer.chopped(spoilt).toHex());
        const QByteArray frame = got.mid(faults.strayBytes.size());
        QCOMPARE(checkFrame(frame), !answer.isEmpty() && !spoilt);
        if (!answer.isEmpty())
            QCOMPARE(sent.value(answered++), (QVariantList{QVariant::fromValue(frameCommand(frame)), frame.size()}));
    }
    QCOMPARE(sent.size(), answered);
    QCOMPARE(line.instrument.faults().badChecksums, 0);
    QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), drops ? 1 : 0, WaitMs);
    QCOMPARE(line.instrument.isOpen(), !drops);
    if (!drops)
        return;
    // A hung-up terminal reads as end of file, which QSerialPort reports over and over until the port is closed.
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), WaitMs);
    const auto error = errors.first().at(0).value<QSerialPort::SerialPortError>();
    QVERIFY2(error == QSerialPort::ReadError || error == QSerialPort::ResourceError, QTest::toString(error));
}

void TestSim::tool_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("atLeastMs");   // how long the group data frame takes to come
    QTest::addColumn<QString>("message"); // empty: prints its terminal and serves until it is stopped
    QTest::newRow("serves at the line's pace, 5209 bytes in 452 ms") << QStringList() << 450 << QString();
    QTest::newRow("answer delay") << QStringList{"--no-pacing", "--delay", "150"} << 150 << QString();
    QTest::newRow("chunk gaps") << QStringList{"--no-pacing", "--chunk=1000", "--chunk-gap=40"} << 200 << QString();
    QTest::newRow("no groups file") << QStringList{"--groups", "/none.json"} << 0 << "/none.json: cannot open";
    QTest::newRow("chunk gap without chunks") << QStringList{"--chunk-gap", "10"} << 0 << "--chunk-gap needs --chunk";
}

void TestSim::tool()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, atLeastMs);
    QFETCH(QString, message);
    QProcess tool;
    tool.start(INSTRUMENT_SIM_PATH, arguments);
    if (message.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(tool.canReadLine(), WaitMs);
        const QString path = QString::fromLocal8Bit(tool.readLine()).trimmed();
        Line pc;
        QVERIFY2(QFileInfo::exists(path) && pc.openPort(path), qPrintable(path));
        QElapsedTimer clock;
        clock.start();
        pc.send(CmdGetData);
        QCOMPARE(pc.receive(GroupFrameSize), packFrame(CmdGroupData, encodeGroups(sampleGroups())));
        QVERIFY2(clock.elapsed() >= atLeastMs, qPrintable(QStringLiteral("took %1 ms").arg(clock.elapsed())));
        tool.terminate();
    }
    QVERIFY(tool.waitForFinished(WaitMs));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), message.isEmpty() ? 0 : 2);
    QVERIFY(message.isEmpty() || tool.readAllStandardOutput().isEmpty());
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

// The simulator's encoder against the decoder, its group files, and the tool (its faults: tests/link).
#include "frame.h"
#include "groupencoder.h"
#include "groupfile.h"
#include "groups.h"
#include "samplegroups.h"

#include <QSerialPort>
#include <QtTest> // with all of QtCore

namespace {

constexpr int WaitMs = 3000;

// The worked record: D, HRC, 3/7 9:5, HL 520 from five impacts; in the file with set, direction, material too.
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

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void encode()
    {
        QCOMPARE(encodeGroup(workedGroup()).toHex(),
                 QByteArray("04440000453a0300f4f9872012720800" + QByteArray(64, '0') + "00008020"));
        // The samples, which cover every device, type, table set and material, and 1 to 32 impacts, decode as made.
        const QList<GroupRecord> samples = sampleGroups();
        QVERIFY(decodeGroups(encodeGroups(samples)).mid(0, samples.size()) == samples);
    }

    void json()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("groups.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[" + WorkedJson + "]") && file.flush());
        QList<GroupRecord> loaded;
        QString error;
        QVERIFY2(loadGroupsJson(file.fileName(), &loaded, &error), qPrintable(error));
        QVERIFY(loaded == QList<GroupRecord>{workedGroup(true)});
    }

    void tool()
    {
        // Paced as the line is: the group data frame of 2608 bytes takes 226 ms; short, as asked for.
        QProcess tool;
        tool.start(INSTRUMENT_SIM_PATH, {"--damage-groups", "short"});
        QTRY_VERIFY_WITH_TIMEOUT(tool.canReadLine(), WaitMs);
        QSerialPort pc(QString::fromLocal8Bit(tool.readLine()).trimmed());
        QVERIFY(pc.open(QIODevice::ReadWrite));
        const QByteArray expected = packFrame(CmdGroupData, encodeGroups(sampleGroups()).left(2600));
        QElapsedTimer clock;
        clock.start();
        pc.write(packFrame(CmdGetData, {}));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += pc.readAll()).size() >= expected.size(), WaitMs);
        QCOMPARE(got, expected);
        QVERIFY2(clock.elapsed() >= expected.size() * 1000 / 11520, qPrintable(QString::number(clock.elapsed())));
        tool.terminate();
        QVERIFY(tool.waitForFinished(WaitMs) && tool.exitCode() == 0);
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"

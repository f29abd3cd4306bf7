// Building the downloaded groups: where the list ends, their texts in both languages, and which conversions they
// carry.
#include "conversion.h"
#include "groupencoder.h"
#include "measurementgroup.h"
#include "resourcesinit.h"

#include <QTranslator>
#include <QtTest>

namespace {

GroupRecord record(quint16 groupValue, quint8 scale = ScaleHRC, quint8 material = 0, quint8 device = DeviceD)
{
    GroupRecord r;
    r.month = 3;
    r.day = 7;
    r.hour = 9;
    r.minute = 5;
    r.groupValue = groupValue;
    r.scale = scale;
    r.material = material;
    r.device = device;
    r.impactCount = 3;
    r.impacts[0] = 500;
    r.impacts[1] = 520;
    r.impacts[2] = 514;
    return r;
}

QList<ConversionResult> hardnessResults(const MeasurementGroup &g)
{
    return {g.hl, g.hrb, g.hs, g.hb, g.hrc, g.hv};
}

} // namespace

class TestGroups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }
    void list_endsAtFirstUnusedSlot_data();
    void list_endsAtFirstUnusedSlot();
    void texts_data();
    void texts();
    void texts_english();
    void hardnessGroup_conversions();
    void hardnessGroup_hlAlwaysOk();
    void strengthGroup_conversions();
    void tableSet_chosenByFlag();
};

void TestGroups::list_endsAtFirstUnusedSlot_data()
{
    QTest::addColumn<QList<quint16>>("values");
    QTest::addColumn<int>("count");
    QList<quint16> full;
    for (int i = 0; i < 100; ++i)
        full.append(quint16(300 + 6 * i));
    QTest::newRow("all 100 used") << full << 100;
    QTest::newRow("first unused: empty") << QList<quint16>{0, 600, 610} << 0;
    QTest::newRow("gap ends the list, later data ignored") << QList<quint16>{600, 610, 0, 620} << 2;
}

void TestGroups::list_endsAtFirstUnusedSlot()
{
    QFETCH(QList<quint16>, values);
    QFETCH(int, count);
    QList<GroupRecord> records;
    for (quint16 v : values)
        records.append(record(v));
    const QList<MeasurementGroup> groups = buildGroups(decodeGroups(encodeGroups(records)));
    QCOMPARE(groups.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(groups.at(i).hl.value, values.at(i) + 0.5);
}

void TestGroups::texts_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("material");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("scaleName");
    QTest::addColumn<QString>("materialName");
    QTest::addColumn<QString>("directionName");
    QTest::newRow("hardness, steel, downward") << 2 << 0 << 0 << "HRC"
                                               << "钢和铸钢"
                                               << "向下";
    QTest::newRow("strength material 0 is C steel") << 7 << 0 << 1 << "STR"
                                                    << "碳钢"
                                                    << "斜下";
    QTest::newRow("strength material 8 is stainless") << 7 << 8 << 4 << "STR"
                                                      << "不锈钢"
                                                      << "150°";
    QTest::newRow("hardness material 9 reads the strength list") << 3 << 9 << 2 << "HB"
                                                                 << "碳钢"
                                                                 << "90°";
    QTest::newRow("strength material past the list") << 7 << 9 << 5 << "STR"
                                                     << ""
                                                     << "";
    QTest::newRow("measurement type 6 has no name") << 6 << 15 << 15 << ""
                                                    << "铬锰硅钢"
                                                    << "";
}

void TestGroups::texts()
{
    QFETCH(int, scale);
    QFETCH(int, material);
    QFETCH(int, direction);
    GroupRecord r = record(600, quint8(scale), quint8(material));
    r.direction = quint8(direction);
    const MeasurementGroup g = buildGroup(r);
    QTEST(g.scaleName, "scaleName");
    QTEST(g.materialName, "materialName");
    QTEST(g.directionName, "directionName");
    QCOMPARE(g.deviceName, QStringLiteral("D"));
    QCOMPARE(g.dateText, QStringLiteral("3/7 9:5"));
    QCOMPARE(g.impacts, (QList<double>{500, 520, 514}));
}

void TestGroups::texts_english()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/english.qm")));
    QCoreApplication::installTranslator(&english);
    const MeasurementGroup strength = buildGroup(record(600, ScaleSTR, 8));
    const MeasurementGroup hardness = buildGroup(record(600, ScaleHRC, 7));
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(strength.materialName, QStringLiteral("Stainless Steel"));
    QCOMPARE(strength.directionName, QStringLiteral("Downward"));
    QCOMPARE(hardness.materialName, QStringLiteral("Cu-Al Alloys"));
    // Texts are taken when a group is built: the ones built before stay in their language.
    QCOMPARE(buildGroup(record(600)).materialName, QStringLiteral("钢和铸钢"));
}

void TestGroups::hardnessGroup_conversions()
{
    const MeasurementGroup g = buildGroup(record(700));
    float hrc = 700;
    QCOMPARE(convertLeebSet1(&hrc, ScaleHRC, DeviceD, 0), ConversionStatus::Ok);
    QCOMPARE(g.hrc.status, ConversionStatus::Ok);
    QCOMPARE(g.hrc.value, double(hrc) + 0.5);
    QCOMPARE(g.strength.status, ConversionStatus::NotAvailable);

    // Each result holds the conversion into its own scale, not a neighbour's.
    const QList<quint8> scales{ScaleHL, ScaleHRB, ScaleHS, ScaleHB, ScaleHRC, ScaleHV};
    const QList<ConversionResult> results = hardnessResults(g);
    for (int i = 0; i < scales.size(); ++i) {
        float v = 700;
        const ConversionStatus status = convertLeebSet1(&v, scales.at(i), DeviceD, 0);
        QCOMPARE(results.at(i).status, status);
        QCOMPARE(results.at(i).value, double(v) + 0.5);
    }
}

void TestGroups::hardnessGroup_hlAlwaysOk()
{
    for (quint8 device = 0; device < 8; ++device) {
        for (quint8 material : {0, 3, 15}) {
            const MeasurementGroup g = buildGroup(record(321, ScaleHB, material, device));
            QCOMPARE(g.hl.status, ConversionStatus::Ok);
            QCOMPARE(g.hl.value, 321.5);
        }
    }
}

void TestGroups::strengthGroup_conversions()
{
    const MeasurementGroup g = buildGroup(record(600, ScaleSTR, 0));
    float str = 600;
    QCOMPARE(convertLeebSet1(&str, ScaleSTR, DeviceD, 0), ConversionStatus::Ok);
    QCOMPARE(g.strength.status, ConversionStatus::Ok);
    QCOMPARE(g.strength.value, double(str) + 0.5);
    for (const ConversionResult &r : hardnessResults(g))
        QCOMPARE(r.status, ConversionStatus::NotAvailable);
    QCOMPARE(resultTexts(g.hl).value(QStringLiteral("value")), QStringLiteral("---"));
}

void TestGroups::tableSet_chosenByFlag()
{
    // D, steel, HRC at HL 700 reads 48.04 in table set 1 and 47.62 in table set 2.
    GroupRecord r = record(700);
    const ConversionResult first = buildGroup(r).hrc;
    r.tableSet = 1;
    const ConversionResult second = buildGroup(r).hrc;
    QCOMPARE(QString::number(first.value - 0.5, 'f', 2), QStringLiteral("48.04"));
    QCOMPARE(QString::number(second.value - 0.5, 'f', 2), QStringLiteral("47.62"));
}

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"

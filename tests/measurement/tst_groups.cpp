// The downloaded groups: which payloads are accepted, where the list ends, their texts, and which conversions
// they carry. (The English texts are checked with the window.)
#include "download.h"
#include "groupencoder.h"

#include <QtTest>

Q_DECLARE_METATYPE(GroupRecord)

namespace {

const QDate Day(2026, 6, 1);

GroupRecord record(quint16 groupValue, quint8 scale = ScaleHRC, quint8 material = 0, quint8 device = DeviceD)
{
    GroupRecord r;
    r.month = 3, r.day = 7, r.hour = 9, r.minute = 5;
    r.groupValue = groupValue, r.scale = scale, r.material = material, r.device = device;
    r.impactCount = 3;
    r.impacts[0] = 500, r.impacts[1] = 520, r.impacts[2] = 514;
    return r;
}

// Slot 1 of three used slots, with one field changed.
QByteArray payloadWith(quint8 GroupRecord::*field, quint8 value, quint16 groupValue = 600)
{
    GroupRecord changed = record(groupValue);
    changed.*field = value;
    return encodeGroups({record(600), changed, record(610)});
}

QString hundredths(const ConversionResult &r)
{
    return r.status == ConversionStatus::Ok ? QString::number(r.value, 'f', 2) : QStringLiteral("n/a");
}

} // namespace

class TestGroups : public QObject
{
    Q_OBJECT

private slots:
    void payloadCheck_data();
    void payloadCheck();
    void list_endsAtFirstUnusedSlot_data();
    void list_endsAtFirstUnusedSlot();
    void texts_data();
    void texts();
    void conversions();
};

void TestGroups::payloadCheck_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("fault"); // empty: accepted
    GroupRecord codes = record(600, 6, 15), late = record(620);
    codes.direction = 15, late.month = 0;
    QTest::newRow("sound groups") << payloadWith(&GroupRecord::month, 12) << QString();
    QTest::newRow("no groups") << encodeGroups({}) << QString();
    QTest::newRow("codes no table knows") << encodeGroups({codes}) << QString();
    QTest::newRow("impossible date in an unused slot") << payloadWith(&GroupRecord::month, 0, 0) << QString();
    QTest::newRow("month 0") << payloadWith(&GroupRecord::month, 0) << "slot 1 holds the impossible date 0/7 9:5";
    QTest::newRow("month 13") << payloadWith(&GroupRecord::month, 13) << "slot 1";
    QTest::newRow("day 0") << payloadWith(&GroupRecord::day, 0) << "slot 1";
    QTest::newRow("hour 24") << payloadWith(&GroupRecord::hour, 24) << "slot 1";
    QTest::newRow("minute 60") << payloadWith(&GroupRecord::minute, 60) << "slot 1";
    QTest::newRow("used slot behind an unused one") << encodeGroups({record(600), record(0), late}) << "slot 2";
    QTest::newRow("one byte short") << encodeGroups({record(600)}).left(5199) << "5199 payload bytes";
    QTest::newRow("one byte more") << encodeGroups({record(600)}) + '\0' << "5201 payload bytes";
}

void TestGroups::payloadCheck()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, fault);
    const QString got = groupPayloadFault(payload);
    QVERIFY2(fault.isEmpty() ? got.isEmpty() : got.contains(fault), qPrintable(got));
}

void TestGroups::list_endsAtFirstUnusedSlot_data()
{
    QTest::addColumn<QList<quint16>>("values");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("unread");
    QTest::newRow("all 100 used") << QVector<quint16>(100, 600).toList() << 100 << 0;
    QTest::newRow("first unused: empty, two not read") << QList<quint16>{0, 600, 610} << 0 << 2;
    QTest::newRow("gap ends the list, one not read") << QList<quint16>{600, 610, 0, 620, 0} << 2 << 1;
}

void TestGroups::list_endsAtFirstUnusedSlot()
{
    QFETCH(QList<quint16>, values);
    QList<GroupRecord> records;
    for (quint16 v : values)
        records.append(record(v));
    const Download download = makeDownload(encodeGroups(records), QStringLiteral("p"));
    const QList<MeasurementGroup> &groups = download.groups;
    QTEST(int(groups.size()), "count");
    QTEST(int(download.records.size()), "count");
    QTEST(download.unreadGroups, "unread");
    for (int i = 0; i < groups.size(); ++i)
        QCOMPARE(groups.at(i).result(ScaleHL).value, double(values.at(i)));
}

void TestGroups::texts_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("material");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QStringList>("names"); // scale, material, direction
    QTest::newRow("hardness, steel, downward") << 2 << 0 << 0 << QStringList{"HRC", "钢和铸钢", "向下"};
    QTest::newRow("strength material 0 is C steel") << 7 << 0 << 1 << QStringList{"STR", "碳钢", "斜下"};
    QTest::newRow("strength material 8 is stainless") << 7 << 8 << 4 << QStringList{"STR", "不锈钢", "150°"};
    QTest::newRow("hardness material 9 reads the strength list") << 3 << 9 << 2 << QStringList{"HB", "碳钢", "90°"};
    QTest::newRow("strength material past the list") << 7 << 9 << 5 << QStringList{"STR", "", ""};
    QTest::newRow("measurement type 6 has no name") << 6 << 15 << 15 << QStringList{"", "铬锰硅钢", ""};
}

void TestGroups::texts()
{
    QFETCH(int, scale);
    QFETCH(int, material);
    QFETCH(int, direction);
    GroupRecord r = record(600, quint8(scale), quint8(material));
    r.direction = quint8(direction);
    const MeasurementGroup g = buildGroup(r, Day);
    QTEST((QStringList{g.scaleName, g.materialName, g.directionName}), "names");
    QCOMPARE(g.deviceName, QStringLiteral("D"));
    QCOMPARE(g.dateText, QStringLiteral("3/7 9:5"));
    QCOMPARE(g.impacts, (QList<double>{500, 520, 514}));
}

void TestGroups::conversions()
{
    // Worked values for device D on steel at HL 700: each result holds its own scale, from the table set the
    // group's flag names.
    GroupRecord r = record(700);
    MeasurementGroup g = buildGroup(r, Day);
    QStringList values;
    for (quint8 scale = ScaleHL; scale <= ScaleSTR; ++scale)
        values << hundredths(g.result(scale));
    QCOMPARE(values, (QStringList{"700.00", "n/a", "48.04", "468.12", "479.84", "63.27", "n/a", "n/a"}));
    QCOMPARE(g.result(ScaleHRB).status, ConversionStatus::AboveRange);
    QCOMPARE(hundredths(g.ownResult()), QStringLiteral("48.04"));
    r.tableSet = 1;
    g = buildGroup(r, Day);
    QCOMPARE(
        (QStringList{hundredths(g.result(ScaleHRC)), hundredths(g.result(ScaleHB)), hundredths(g.result(ScaleHV))}),
        (QStringList{"47.62", "475.43", "498.37"}));
    // HL is the group value on any device, with or without a table for it.
    QCOMPARE(hundredths(buildGroup(record(321, ScaleHB, 15, DeviceE), Day).result(ScaleHL)), QStringLiteral("321.00"));

    // A strength group, C steel at HL 500, carries only its strength.
    g = buildGroup(record(500, ScaleSTR, 0), Day);
    QCOMPARE(QString::number(g.ownResult().value, 'f', 3), QStringLiteral("719.625"));
    QCOMPARE(g.ownResult().status, ConversionStatus::Ok);
    for (HardnessScale other : {ScaleHL, ScaleHRB, ScaleHS, ScaleHB, ScaleHRC, ScaleHV})
        QCOMPARE(g.result(other).status, ConversionStatus::NotAvailable);

    // A code with no scale has no result, also where a slot for it would be or past the end.
    g = buildGroup(record(600, ScaleNone), Day);
    for (quint8 code : {quint8(ScaleNone), quint8(8), quint8(255)})
        QCOMPARE(g.result(code).status, ConversionStatus::NoTable);
    QCOMPARE(g.ownResult().status, ConversionStatus::NoTable);
}

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"

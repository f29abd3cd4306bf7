// The downloaded groups: payloads accepted, where the list ends, their texts, conversions and dates.
#include "download.h"
#include "groupencoder.h"

#include <QtTest>

Q_DECLARE_METATYPE(GroupRecord)

namespace {

const QDate Day(2026, 6, 1);

GroupRecord record(quint16 groupValue, quint8 scale = ScaleHRC, quint8 material = 0, quint8 device = DeviceD)
{
    // month, minute, day, hour, table set, HL, device, scale, direction, impact count, impacts, material
    return {3, 5, 7, 9, 0, groupValue, device, scale, 0, 3, {500, 520, 514}, material};
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
    const QStringList refused = {"-", "", "HI", "LO", "n/a"};
    return r.status == ConversionStatus::Ok ? QString::number(r.value, 'f', 2) : refused.value(int(r.status), "?");
}

} // namespace

class TestGroups : public QObject
{
    Q_OBJECT

private slots:
    void payloadCheck_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("fault"); // empty: accepted
        GroupRecord codes = record(600, 6, 15), late = record(620), leap = record(600), feb30 = record(600),
                    april31 = record(600);
        codes.direction = 15, late.month = 0, leap.month = feb30.month = 2, leap.day = 29, feb30.day = 30;
        april31.month = 4, april31.day = 31;
        QTest::newRow("sound groups") << payloadWith(&GroupRecord::month, 12) << QString();
        QTest::newRow("codes no table knows") << encodeGroups({codes}) << QString();
        QTest::newRow("impossible date in an unused slot") << payloadWith(&GroupRecord::month, 0, 0) << QString();
        QTest::newRow("month 0") << payloadWith(&GroupRecord::month, 0) << "slot 1 holds the impossible date 0/7 9:5";
        QTest::newRow("month 13") << payloadWith(&GroupRecord::month, 13) << "slot 1";
        QTest::newRow("day 0") << payloadWith(&GroupRecord::day, 0) << "slot 1";
        QTest::newRow("hour 24") << payloadWith(&GroupRecord::hour, 24) << "slot 1";
        QTest::newRow("minute 60") << payloadWith(&GroupRecord::minute, 60) << "slot 1";
        QTest::newRow("29 February: the record has no year") << encodeGroups({leap}) << QString();
        QTest::newRow("30 February") << encodeGroups({record(600), feb30}) << "slot 1 holds the impossible date 2/30";
        QTest::newRow("31 March") << payloadWith(&GroupRecord::day, 31) << QString();
        QTest::newRow("31 April") << encodeGroups({record(600), record(610), april31}) << "slot 2";
        QTest::newRow("used slot behind an unused one") << encodeGroups({record(600), record(0), late}) << "slot 2";
        QTest::newRow("one byte short") << encodeGroups({record(600)}).left(5199) << "5199 payload bytes";
        QTest::newRow("one byte more") << encodeGroups({record(600)}) + '\0' << "5201 payload bytes";
    }

    void payloadCheck()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, fault);
        const QString got = groupPayloadFault(payload);
        QVERIFY2(fault.isEmpty() ? got.isEmpty() : got.contains(fault), qPrintable(got));
        QCOMPARE(onlyDateFault(payload), fault.startsWith("slot")); // a wrong size is never a date fault alone
    }

    void list_endsAtFirstUnusedSlot_data()
    {
        QTest::addColumn<QList<quint16>>("values");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("unread");
        QTest::newRow("all 100 used") << QVector<quint16>(100, 600).toList() << 100 << 0;
        QTest::newRow("first unused: empty, two not read") << QList<quint16>{0, 600, 610} << 0 << 2;
    }

    void list_endsAtFirstUnusedSlot()
    {
        QFETCH(QList<quint16>, values);
        QList<GroupRecord> records;
        for (quint16 v : values)
            records.append(record(v));
        const Download download = makeDownload(encodeGroups(records), QStringLiteral("p"));
        QFETCH(int, count);
        QVERIFY(download.groups.size() == count && download.records.size() == count);
        QTEST(download.unreadGroups, "unread");
        for (int i = 0; i < download.groups.size(); ++i)
            QCOMPARE(download.groups.at(i).result(ScaleHL).value, double(values.at(i)));
    }

    void texts_data()
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

    void texts()
    {
        QFETCH(int, scale);
        QFETCH(int, material);
        QFETCH(int, direction);
        GroupRecord r = record(600, quint8(scale), quint8(material));
        r.direction = quint8(direction);
        const MeasurementGroup g = buildGroup(r, Day);
        QTEST((QStringList{g.scaleName, g.materialName, g.directionName}), "names");
        QCOMPARE(g.deviceName + ' ' + g.dateText, QStringLiteral("D 3/7 9:5"));
        QCOMPARE(g.impacts, (QList<double>{500, 520, 514}));
    }

    void conversions_data()
    {
        QTest::addColumn<GroupRecord>("group");
        // Scale codes 0-7, 8, 255 and the group's own: hundredths, HI, LO, n/a (not available) or - (no table).
        QTest::addColumn<QString>("results");
        GroupRecord set2 = record(700);
        set2.tableSet = 1;
        QTest::newRow("worked values, D on steel at HL 700, each in its scale's place")
            << record(700) << "700.00 HI 48.04 468.12 479.84 63.27 - n/a - - 48.04";
        QTest::newRow("table set 2 when the group's flag names it")
            << set2 << "700.00 HI 47.62 475.43 498.37 63.26 - n/a - - 47.62";
        QTest::newRow("HL is the group value on any device, without a table too")
            << record(321, ScaleHB, 15, DeviceE) << "321.00 - - - - - - n/a - - -";
    }

    void conversions()
    {
        QFETCH(GroupRecord, group);
        const MeasurementGroup g = buildGroup(group, Day);
        QStringList shown;
        for (quint8 code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 255})
            shown << hundredths(g.result(code));
        QTEST((shown << hundredths(g.ownResult())).join(' '), "results");
    }

    void dates_data()
    {
        QTest::addColumn<QList<int>>("when"); // month, day, hour, minute
        QTest::addColumn<QDate>("download");
        QTest::addColumn<QString>("measured"); // empty: no such day or time
        const QDate newYear(2027, 1, 5), spring(2027, 3, 1);
        QTest::newRow("on the download's day") << QList{1, 5, 23, 59} << newYear << "2027-01-05 23:59";
        QTest::newRow("after it: the year before") << QList{12, 30, 10, 15} << newYear << "2026-12-30 10:15";
        QTest::newRow("a day after in its month") << QList{1, 6, 0, 0} << newYear << "2026-01-06 00:00";
        QTest::newRow("29 February, leap year before")
            << QList{2, 29, 8, 0} << QDate(2029, 1, 10) << "2028-02-29 08:00";
        QTest::newRow("29 February, a year without one") << QList{2, 29, 8, 0} << spring << "";
        QTest::newRow("minute 60") << QList{3, 1, 8, 60} << spring << "";
    }

    // The year rule: a group is dated in the download's year unless that puts it after the download.
    void dates()
    {
        QFETCH(QList<int>, when);
        QFETCH(QDate, download);
        QTEST(groupDateTime(when[0], when[1], when[2], when[3], download).toString("yyyy-MM-dd hh:mm"), "measured");
    }
};

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"

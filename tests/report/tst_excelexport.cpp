#include "excelexport.h"
#include "reporttest.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTranslator>

using namespace reporttest;

namespace {

// The workbook as openpyxl reads it: merged ranges, cells with font and alignment, widths, heights.
QJsonObject readWorkbook(const QString &fileName)
{
    return QJsonDocument::fromJson(run(QStringLiteral("/usr/bin/python3"), {QStringLiteral(READXLSX), fileName}))
        .object();
}

QJsonObject cell(const QJsonObject &book, const QString &name)
{
    return book[QStringLiteral("cells")].toObject()[name].toObject();
}

QStringList rowTexts(const QJsonObject &book, int row)
{
    QStringList texts;
    for (char column = 'A'; column <= 'O'; ++column)
        texts << cell(book, QStringLiteral("%1%2").arg(column).arg(row))[QStringLiteral("value")].toString();
    return texts;
}

// Font, size, bold, horizontal and vertical alignment of a cell, as one text.
QString format(const QJsonObject &c)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(c["font"].toString())
        .arg(c["size"].toDouble())
        .arg(c["bold"].toBool() ? "bold" : "normal", c["h"].toString(), c["v"].toString());
}

const QStringList chineseHeaders =
    QString::fromUtf8("NO 测量日期 冲击装置 冲击方向 测量类型 材料 HL HRB HS HB HRC HV STR "
                      "测量次数 测量数值")
        .split(' ');

} // namespace

class TestExcelExport : public QObject
{
    Q_OBJECT

private slots:
    void emptyListGivesTheFixedRows();
    void groupRows_data();
    void groupRows();
    void englishTexts();
    void failuresKeepTheOldFile_data();
    void failuresKeepTheOldFile();
};

void TestExcelExport::emptyListGivesTheFixedRows()
{
    QVERIFY(exportExcel(QStringLiteral("empty.xlsx"), {}));
    const QJsonObject book = readWorkbook(QStringLiteral("empty.xlsx"));
    QCOMPARE(book["sheets"].toArray().size(), 1);
    QCOMPARE(book["maxRow"].toInt(), 3);
    QCOMPARE(book["merged"].toVariant().toStringList(), QStringList({"A1:O1", "A2:B2", "C2:D2", "E2:F2", "M2:N2"}));

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QStringList expected[] = {
        {"A1", QString::fromUtf8("里氏硬度计测量报告"), "Microsoft YaHei 22 bold center center"},
        {"A2", QString::fromUtf8("LO: 测值过小"), "Microsoft YaHei 11 normal center center"},
        {"C2", QString::fromUtf8("HI: 测值过大"), "Microsoft YaHei 11 normal center center"},
        {"E2", QString::fromUtf8("---: 无法计算"), "Microsoft YaHei 11 normal center center"},
        {"M2", today, "Microsoft YaHei 11 normal right center"},
        {"B3", chineseHeaders.at(1), "Microsoft YaHei 11 bold center center"},
    };
    for (const QStringList &e : expected) {
        QCOMPARE(cell(book, e.at(0))["value"].toString(), e.at(1));
        QCOMPARE(format(cell(book, e.at(0))), e.at(2));
    }
    QCOMPARE(rowTexts(book, 3), chineseHeaders);

    // The library stores a width w as w + 0.71 (to the pixel); rows 1 and 2 keep the default height.
    const double widths[] = {10, 20, 20, 25, 15, 25, 10, 10, 10, 10, 10, 10, 10, 15, 35};
    for (int column = 0; column < 15; ++column) {
        const double width = book["widths"].toObject()[QString(QChar('A' + column))].toDouble();
        QVERIFY2(qAbs(width - widths[column] - 0.71) < 0.01, qPrintable(QString::number(width)));
    }
    const QJsonObject heights = book["heights"].toObject();
    QVERIFY(heights["1"].isNull() && heights["2"].isNull());
    QCOMPARE(heights["3"].toDouble(), 25.0);
}

void TestExcelExport::groupRows_data()
{
    QTest::addColumn<QList<MeasurementGroup>>("groups");
    QTest::addColumn<QList<QStringList>>("rows");

    const QStringList hardness =
        QString::fromUtf8("1|3/1 9:5|D|向下|HRC|钢和铸钢|450|HI|60|300|45|470|---|3|448,452,450").split('|');
    const QStringList strength =
        QString::fromUtf8("2|12/31 23:59|D|90°|STR|碳钢|---|---|---|---|---|---|1234|1|520").split('|');
    QTest::newRow("hardness and strength side by side, one impact")
        << QList<MeasurementGroup>{hardnessGroup(), strengthGroup()} << QList<QStringList>{hardness, strength};

    MeasurementGroup markers = hardnessGroup();
    markers.hl = shown(999.99); // 1000.49 stored: truncated, not rounded again
    markers.hs = status(ConversionStatus::BelowRange);
    markers.hb = status(ConversionStatus::NoTable);
    markers.hrc = {88.0, ConversionStatus(9)}; // a status no table knows
    QStringList markerRow = hardness;
    markerRow[6] = "1000";
    markerRow[8] = "LO";
    markerRow[9] = markerRow[10] = "---";
    QTest::newRow("HI, LO and ---") << QList<MeasurementGroup>{markers} << QList<QStringList>{markerRow};

    MeasurementGroup many = hardnessGroup();
    many.impacts.clear();
    QStringList values;
    for (int i = 0; i < 32; ++i) {
        many.impacts << 400 + i + 0.4;
        values << QString::number(400 + i);
    }
    QStringList manyRow = hardness;
    manyRow[13] = "32";
    manyRow[14] = values.join(',');
    QTest::newRow("32 impacts") << QList<MeasurementGroup>{many} << QList<QStringList>{manyRow};
}

void TestExcelExport::groupRows()
{
    QFETCH(QList<MeasurementGroup>, groups);
    QFETCH(QList<QStringList>, rows);

    QVERIFY(exportExcel(QStringLiteral("rows.xlsx"), groups));
    const QJsonObject book = readWorkbook(QStringLiteral("rows.xlsx"));
    QCOMPARE(book["maxRow"].toInt(), 3 + rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rowTexts(book, 4 + i), rows.at(i));
        QCOMPARE(book["heights"].toObject()[QString::number(4 + i)].toDouble(), 25.0);
        for (char column = 'A'; column <= 'O'; ++column) {
            const QJsonObject c = cell(book, QStringLiteral("%1%2").arg(column).arg(4 + i));
            QCOMPARE(c["type"].toString(), QStringLiteral("s")); // text, numbers included
            QCOMPARE(format(c), QStringLiteral("Microsoft YaHei 11 normal center center"));
        }
    }
}

void TestExcelExport::englishTexts()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/english.qm")));
    QCoreApplication::installTranslator(&english);
    const bool ok = exportExcel(QStringLiteral("english.xlsx"), {strengthGroup()});
    QCoreApplication::removeTranslator(&english);
    QVERIFY(ok);

    const QJsonObject book = readWorkbook(QStringLiteral("english.xlsx"));
    QCOMPARE(rowTexts(book, 1).first(), QStringLiteral("Leeb Hardness tester measurement report"));
    QCOMPARE(rowTexts(book, 2).mid(0, 5), QStringList({"LO:low", "", "HI:high", "", "---: Cannot be calculated"}));
    QCOMPARE(rowTexts(book, 3),
             QStringList({"NO", "Meas.date", "Impact device", "Impact direction", "Meas.type", "Materials", "HL", "HRB",
                          "HS", "HB", "HRC", "HV", "STR", "Meas.times", "Meas.value"}));
    QCOMPARE(rowTexts(book, 4).at(5), QString::fromUtf8("碳钢")); // group texts stay as downloaded
}

void TestExcelExport::failuresKeepTheOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QList<MeasurementGroup>>("groups");

    MeasurementGroup tooLong = hardnessGroup();
    tooLong.dateText.fill(QLatin1Char('x'), 40000); // more than a cell holds: fails in the middle of the sheet
    const QList<MeasurementGroup> one = {hardnessGroup()};
    QTest::newRow("empty name") << QString() << one;
    QTest::newRow("folder missing") << QStringLiteral("missing/out.xlsx") << one;
    QTest::newRow("target is a folder") << QStringLiteral("folder.xlsx") << one;
    QTest::newRow("cell too long, over an existing file") << QStringLiteral("old.xlsx") << QList{tooLong};
}

void TestExcelExport::failuresKeepTheOldFile()
{
    QFETCH(QString, target);
    QFETCH(QList<MeasurementGroup>, groups);

    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.xlsx")));
    QFile old(folder.filePath(QStringLiteral("old.xlsx")));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the previous export") > 0);
    old.close();

    QString error;
    QVERIFY(!exportExcel(target.isEmpty() ? target : folder.filePath(target), groups, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("the previous export"));
    QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("old.xlsx")}); // no temporary file left
}

REPORT_TEST_MAIN(TestExcelExport)
#include "tst_excelexport.moc"

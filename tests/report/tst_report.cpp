#include "excelexport.h"
#include "print.h"
#include "reportfile.h"
#include "reporttest.h"

#include <QComboBox>
#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTimer>
#include <QTranslator>

#include <csignal>
#include <sys/resource.h>

using namespace reporttest;
using Groups = QList<MeasurementGroup>;

namespace {

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Title, legend with the export date, and headers of a workbook; cells separated by "|".
const char chineseTop[] =
    "里氏硬度计测量报告\nLO: 测值过小||HI: 测值过大||---: 无法计算||||||||%1\nNO|测量日期|冲击装置|"
    "冲击方向|测量类型|材料|HL|HRB|HS|HB|HRC|HV|STR|测量次数|测量数值";
const char englishTop[] =
    "Leeb Hardness tester measurement report\nLO:low||HI:high||---: Cannot be calculated||||||||%1\n"
    "NO|Meas.date|Impact device|Impact direction|Meas.type|Materials|HL|HRB|HS|HB|HRC|HV|STR|"
    "Meas.times|Meas.value";

QImage paintedPage(const Groups &groups, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintBase::paintPage(&painter, QRectF(0, 0, width, height), groups, 1);
    return image;
}

// Bounding box of the pixels that match, within an area (the whole image when none is given).
template<typename Match> QRect extent(const QImage &image, Match match, QRect area = QRect())
{
    QRect box;
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            box |= match(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
    return box;
}

const auto dark = [](QRgb pixel) { return qGray(pixel) < 128; };

// The image rows that are dark across the whole table width: its horizontal lines, in millimetres.
QList<double> tableLines(const QImage &image, int unit)
{
    QList<double> lines;
    const QRect table(13 * unit + 1, 0, 185 * unit - 1, 1);
    for (int y = 0; y < image.height(); ++y)
        if (extent(image, dark, table.translated(0, y)) == table.translated(0, y))
            lines << double(y) / unit;
    return lines;
}

const char *const fieldNames[] = {"lineEdit_companyName", "lineEdit_LOGO", "lineEdit_batch", "lineEdit_remark",
                                  "lineEdit_inspector"};

QStringList fieldTexts(Print *dialog)
{
    QStringList texts;
    for (const char *name : fieldNames)
        texts << dialog->findChild<QLineEdit *>(QLatin1String(name))->text();
    return texts;
}

// Closes the dialog as the operator does and waits until it is gone.
bool closeDialog(Print *dialog)
{
    QPointer<Print> guard(dialog);
    dialog->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 5000);
}

struct CountingPreview : OutputPreview
{
    int paints = 0;
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        OutputPreview::paintEvent(event);
    }
};

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    // No printer: the print system is asked at a socket where nothing answers.
    void initTestCase() { qputenv("CUPS_SERVER", "/nonexistent/cups.sock"); }
    void init() { QFile::remove(QStringLiteral("PrintConfig.ini")); }

    void workbook_data()
    {
        QTest::addColumn<Groups>("groups");
        QTest::addColumn<bool>("inEnglish");
        QTest::addColumn<QStringList>("rows"); // below title, legend and headers

        const QString hardness =
            QString::fromUtf8("1|3/1 9:5|D|向下|HRC|钢和铸钢|450|HI|60|300|45|470|---|3|448,452,450");
        const QString strength = QString::fromUtf8("|12/31 23:59|D|90°|STR|碳钢|---|---|---|---|---|---|1234|1|520");
        QTest::newRow("empty list: title, legend and headers only") << Groups{} << false << QStringList{};
        QTest::newRow("hardness and strength side by side, one impact")
            << QList{hardnessGroup(), strengthGroup()} << false << QStringList{hardness, "2" + strength};
        QTest::newRow("English texts, group texts as downloaded")
            << QList{strengthGroup()} << true << QStringList{"1" + strength};

        MeasurementGroup markers = hardnessGroup();
        markers.hl = shown(999.99); // 1000.49 stored: truncated, not rounded again
        markers.hs = {0.0, ConversionStatus::BelowRange};
        markers.hb = {0.0, ConversionStatus::NoTable};
        markers.hrc = {88.0, ConversionStatus(9)}; // a status no table knows
        const QString markerRow = QString(hardness).replace("450|HI|60|300|45", "1000|HI|LO|---|---");
        QTest::newRow("HI, LO and ---") << QList{markers} << false << QStringList{markerRow};

        MeasurementGroup many = hardnessGroup();
        many.impacts.clear();
        QStringList values;
        for (int i = 0; i < 32; ++i) {
            many.impacts << 400.4 + i;
            values << QString::number(400 + i);
        }
        const QString manyRow = QString(hardness).replace("3|448,452,450", "32|" + values.join(','));
        QTest::newRow("32 impacts") << QList{many} << false << QStringList{manyRow};
    }

    void workbook()
    {
        QFETCH(Groups, groups);
        QFETCH(bool, inEnglish);
        QFETCH(QStringList, rows);

        QTranslator translator;
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        QVERIFY(!inEnglish || (translator.load(":/english.qm") && QCoreApplication::installTranslator(&translator)));
        QVERIFY(exportExcel(QStringLiteral("book.xlsx"), groups));
        QByteArray json; // as openpyxl reads it back
        QVERIFY(run("/usr/bin/python3", {READXLSX, "book.xlsx"}, &json));
        const QJsonObject book = QJsonDocument::fromJson(json).object();

        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        const QStringList texts = QString::fromUtf8(inEnglish ? englishTop : chineseTop).arg(today).split('\n') + rows;
        QCOMPARE(book["texts"].toVariant().toStringList(), texts);
        QCOMPARE(book["sheets"].toInt(), 1);
        QCOMPARE(book["merged"].toVariant().toStringList(), QStringList({"A1:O1", "A2:B2", "C2:D2", "E2:F2", "M2:N2"}));

        // Every cell is text ("s") in one font: the title large, the headers bold, the export date to the right.
        const QString cell = "s Microsoft YaHei 11 normal center center";
        const QString head = "s Microsoft YaHei 11 bold center center";
        QStringList formats = {"s Microsoft YaHei 22 bold center center",
                               cell + "||" + cell + "||" + cell + "||||||||s Microsoft YaHei 11 normal right center",
                               (head + '|').repeated(15).chopped(1)};
        while (formats.size() < texts.size())
            formats << (cell + '|').repeated(15).chopped(1);
        QCOMPARE(book["formats"].toVariant().toStringList(), formats);

        // The library stores a width w as w + 0.71 (to the pixel); title and legend keep the default height.
        const double widths[] = {10, 20, 20, 25, 15, 25, 10, 10, 10, 10, 10, 10, 10, 15, 35};
        for (int column = 0; column < 15; ++column)
            QCOMPARE(qRound(book["widths"][column].toDouble() * 100), qRound(widths[column] * 100) + 71);
        for (int row = 0; row < texts.size(); ++row)
            QCOMPARE(book["heights"][row].toDouble(-1), row < 2 ? -1.0 : 25.0);
    }

    void pagePainting_data()
    {
        QTest::addColumn<QSize>("logo");
        QTest::addColumn<QRect>("drawn"); // at 2 px/mm, where the logo box (5, 10, 45, 22) mm is (10, 20, 90, 44) px
        // Both rows write the same file name: the second must not be shown the first one's image.
        QTest::newRow("wide logo: full width, centred vertically") << QSize(900, 100) << QRect(10, 37, 90, 10);
        QTest::newRow("tall logo: full height, centred across") << QSize(100, 440) << QRect(50, 20, 10, 44);
    }

    // The same page at 2 and at 4 px/mm: everything lies twice as far along, whatever the height of the rectangle.
    void pagePainting()
    {
        QFETCH(QSize, logo);
        QFETCH(QRect, drawn);

        QImage image(logo, QImage::Format_RGB32);
        image.fill(Qt::cyan); // light: not taken for a line or a text
        QVERIFY(image.save(QStringLiteral("logo.png")));
        PaintBase::s_logoPath = QStringLiteral("logo.png");
        Groups groups = hardnessGroups(20); // the first row's material and values too wide for it
        groups[0].materialName = QStringLiteral("Super Strength Steel, Cast Aluminium Alloys");
        groups[0].hrb = shown(100);
        groups[0].hl = groups[0].hb = groups[0].hv = shown(999);
        const QImage small = paintedPage(groups, 420, 594);
        const QImage large = paintedPage(groups, 840, 1188);
        QCOMPARE(paintedPage(groups, 420, 300), small.copy(0, 0, 420, 300));

        const auto cyan = [](QRgb p) { return qRed(p) < 60 && qBlue(p) > 200; };
        QCOMPARE(extent(small, cyan), drawn);
        QCOMPARE(extent(large, cyan), QRect(drawn.topLeft() * 2, drawn.size() * 2));
        QList<double> lines = {57, 69, 92}; // info box, head frame and 18 rows, in millimetres
        for (int row = 0; row <= 18; ++row)
            lines << 102 + 10 * row;
        QCOMPARE(tableLines(small, 2), lines);
        QCOMPARE(tableLines(large, 4), lines);
        // The English title, 27 to 37 mm down: its text grows with the page too.
        const QRect title = extent(small, dark, QRect(0, 54, 420, 20));
        const QRect largeTitle = extent(large, dark, QRect(0, 108, 840, 40));
        QVERIFY(title.width() > 100 && qAbs(largeTitle.width() - 2.0 * title.width()) < 0.05 * largeTitle.width());
        QVERIFY(qAbs(largeTitle.height() - 2 * title.height()) <= 3);

        // A text wider than its cell is drawn smaller rather than cut, so the outer half millimetre stays blank: at
        // 4 px/mm row 1 is 102 to 112 mm down, materials span 103 to 133 mm, values 133 to 198 mm.
        for (int edge : {103, 133, 198})
            for (int x : {edge * 4 - 2, edge * 4 + 1})
                QVERIFY2(extent(large, dark, QRect(x, 410, 2, 36)).isEmpty(), qPrintable(QString::number(edge)));
    }

    void reportFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Groups>("groups");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("result"); // written: pages of a report or "PK" (a zip); else what the error names

        MeasurementGroup tooLong = hardnessGroup();
        tooLong.dateText.fill(QLatin1Char('x'), 40000); // more than a cell holds: fails in the middle of the sheet
        const auto groups = hardnessGroups;
        QTest::newRow("workbook") << "new.xlsx" << groups(5) << false << "PK";
        QTest::newRow("extension in capitals, no groups") << "NEW.PDF" << groups(0) << false << "1 A4";
        QTest::newRow("over an older report") << "old.pdf" << groups(44) << false << "3 A4";
        QTest::newRow("unknown extension") << "new.csv" << groups(1) << false << ".xlsx";
        QTest::newRow("workbook in a missing folder") << "missing/new.xlsx" << groups(1) << false << "missing";
        QTest::newRow("report in a missing folder") << "missing/new.pdf" << groups(1) << false << "missing";
        QTest::newRow("workbook over a folder") << "folder.xlsx" << groups(1) << false << "folder.xlsx";
        QTest::newRow("workbook cell too long") << "old.xlsx" << QList{tooLong} << false << "old.xlsx";
        QTest::newRow("report, disk full half way") << "old.pdf" << groups(44) << true << "old.pdf";
        QTest::newRow("workbook, disk full half way") << "old.xlsx" << groups(44) << true << "old.xlsx";
    }

    void reportFiles()
    {
        QFETCH(QString, name);
        QFETCH(Groups, groups);
        QFETCH(bool, diskFull);
        QFETCH(QString, result);
        const bool written = result == "PK" || result.endsWith(" A4");

        // An older report and workbook, a folder named like a workbook, and a small logo in the report header.
        QTemporaryDir folder;
        QStringList files = {"old.pdf", "old.xlsx"};
        for (const QString &old : files) {
            QFile file(folder.filePath(old));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old.toLatin1()) == old.size());
        }
        QVERIFY(QDir(folder.path()).mkdir("folder.xlsx") && QImage(":/rc/logo.png").scaled(40, 20).save("logo.png"));
        QSettings("./PrintConfig.ini", QSettings::IniFormat).setValue("LineEdit/LOGOPath", "logo.png");

        // A full disk: every write past the first kilobytes fails, half way through the file.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved, full;
        getrlimit(RLIMIT_FSIZE, &saved);
        full = {diskFull ? rlim_t(2048) : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
        const QString target = folder.filePath(name);
        QString error;
        const bool ok = writeReportFile(target, groups, &error);
        setrlimit(RLIMIT_FSIZE, &saved);

        QVERIFY2(ok == written, qPrintable(error));
        if (written) {
            QCOMPARE(result == "PK" ? QString::fromLatin1(contentOf(target).left(2)) : pdfPages(target), result);
            files << name;
        } else {
            QVERIFY2(error.contains(result), qPrintable(error));
            QCOMPARE(contentOf(folder.filePath("old.pdf")) + contentOf(folder.filePath("old.xlsx")), "old.pdfold.xlsx");
        }
        files.removeDuplicates();
        files.sort();
        QCOMPARE(filesIn(folder.path()), files); // no temporary file left
    }

    void reportPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<QString>("values");                          // the last cell of its rows
        const QString hardness = "HL:450 HS:60 HB:300 HRC:45 HV:470"; // HRB above its range, no strength
        QTest::newRow("page 1: the header fields, rows 1 to 18") << 1 << 1 << 18 << hardness;
        QTest::newRow("page 2: rows 19 to 43") << 2 << 19 << 43 << hardness;
        QTest::newRow("page 3: row 44, a strength group") << 3 << 44 << 44 << "STR:1234";
    }

    // A report of 44 groups, its header fields from a settings file edited by hand: an unquoted comma, which the
    // settings reader takes for a list, and Chinese escaped as the settings writer does.
    void reportPages()
    {
        QFETCH(int, page);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        QFETCH(QString, values);

        Groups groups = hardnessGroups(43) << strengthGroup();
        groups.last().dateText = QStringLiteral("3/44 9:5");
        QCOMPARE(PaintBase::valuesText(groups.at(lastRow - 1)), values);
        if (!QFile::exists(QStringLiteral("report.pdf"))) {
            QFile file(QStringLiteral("./PrintConfig.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write("[LineEdit]\ncompanyName=North Test Lab\nbatch=B-17\n"
                               "remark=recheck, flange side\ninspector=\\x738b\\x5de5\n") > 0);
            file.close();
            QString error;
            QVERIFY2(writeReportFile(QStringLiteral("report.pdf"), groups, &error), qPrintable(error));
            QCOMPARE(pdfPages(QStringLiteral("report.pdf")), QStringLiteral("3 A4"));
        }
        QByteArray output;
        const QString number = QString::number(page);
        QVERIFY(run(QStringLiteral("pdftotext"), {"-layout", "-f", number, "-l", number, "report.pdf", "-"}, &output));
        const QString text = QString::fromUtf8(output);
        QList<int> numbers, expected; // a row starts with its number, then its date "3/<number> 9:5"
        auto rows = QRegularExpression(QStringLiteral("^ *(\\d+) +3/\\1 "), QRegularExpression::MultilineOption)
                        .globalMatch(text);
        while (rows.hasNext())
            numbers << rows.next().captured(1).toInt();
        for (int row = firstRow; row <= lastRow; ++row)
            expected << row;
        QCOMPARE(numbers, expected);
        QVERIFY(text.contains(QStringLiteral("%1/3").arg(page)));
        QCOMPARE(text.count(values), expected.size());
        QCOMPARE(text.count(groups.at(lastRow - 1).materialName), expected.size()); // Chinese: the font is embedded
        for (const char *field : {"North Test Lab", "B-17", "recheck, flange side", "王工"})
            QVERIFY2(text.contains(QString::fromUtf8(field)) == (page == 1), field);
    }

    void pageFlipping_data()
    {
        QTest::addColumn<int>("groups");
        QTest::addColumn<QString>("clicks"); // L for "←", R for "→"
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("no groups: one page") << 0 << "R" << QStringList{"1/1", "1/1"};
        QTest::newRow("5 groups, both arrows stay") << 5 << "RL" << QStringList{"1/1", "1/1", "1/1"};
        QTest::newRow("18 groups: page 1 full") << 18 << "R" << QStringList{"1/1", "1/1"};
        QTest::newRow("19 groups: one on page 2") << 19 << "RR" << QStringList{"1/2", "2/2", "2/2"};
        QTest::newRow("43 groups: page 2 full") << 43 << "RR" << QStringList{"1/2", "2/2", "2/2"};
        QTest::newRow("44 groups: one on page 3, right past the end")
            << 44 << "RRR" << QStringList{"1/3", "2/3", "3/3", "3/3"};
        QTest::newRow("44 groups, left at the start and back")
            << 44 << "LRRLL" << QStringList{"1/3", "1/3", "2/3", "3/3", "2/3", "1/3"};
    }

    void pageFlipping()
    {
        QFETCH(int, groups);
        QFETCH(QString, clicks);
        QFETCH(QStringList, labels);

        Print *dialog = new Print(hardnessGroups(groups), nullptr);
        QLabel *label = dialog->findChild<QLabel *>(QStringLiteral("label_page"));
        OutputPreview *preview = dialog->findChild<OutputPreview *>(QStringLiteral("widget"));
        QCOMPARE(label->text(), labels.first());
        for (int i = 0; i < clicks.size(); ++i) {
            const QString button = clicks.at(i) == 'L' ? "pushButton_left" : "pushButton_right";
            QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
            QCOMPARE(label->text(), labels.at(i + 1));
            // The grey header labels are only on page 1: the preview shows the page of the label.
            const QRect grey = extent(preview->grab().toImage(), [](QRgb p) { return p == QColor(Qt::gray).rgb(); });
            QCOMPARE(!grey.isEmpty(), labels.at(i + 1).startsWith(QLatin1String("1/")));
        }
        QVERIFY(closeDialog(dialog));
    }

    void fieldsKeptInTheSettingsFile()
    {
        QVERIFY(QImage(":/rc/logo.png").save(QStringLiteral("logo.png")));
        QSettings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat).setValue("MainWindow/language", 1);
        const QStringList keys = {"companyName", "LOGOPath", "batch", "remark", "inspector"};
        QStringList texts = {QString::fromUtf8("华东检测中心"), "logo.png", "B-17", QString::fromUtf8("复检"),
                             QString::fromUtf8("王工")};

        Print *dialog = new Print({}, nullptr);
        for (int i = 0; i < 5; ++i)
            dialog->findChild<QLineEdit *>(QLatin1String(fieldNames[i]))->setText(texts.at(i));
        // Typing reaches the painter's header fields at once.
        QCOMPARE(QStringList({PaintBase::s_companyName, PaintBase::s_logoPath, PaintBase::s_batch, PaintBase::s_remark,
                              PaintBase::s_inspector}),
                 texts);
        QVERIFY(closeDialog(dialog));
        QVERIFY(contentOf(QStringLiteral("PrintConfig.ini")).contains("[MainWindow]\nlanguage=1\n"));
        QSettings settings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(settings.value("LineEdit/" + keys.at(i)).toString(), texts.at(i));

        PaintBase::s_companyName.clear();
        dialog = new Print({}, nullptr);
        QCOMPARE(fieldTexts(dialog), texts);
        QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_LOGO"))->toolTip(), texts.at(1));
        QCOMPARE(PaintBase::s_companyName, texts.first()); // loading reaches the painter too
        QVERIFY(closeDialog(dialog));

        // A logo deleted since opens as no logo, and is no longer kept.
        QVERIFY(QFile::remove(QStringLiteral("logo.png")));
        texts[1].clear();
        dialog = new Print({}, nullptr);
        QCOMPARE(fieldTexts(dialog), texts);
        QVERIFY(closeDialog(dialog));
        settings.sync();
        QCOMPARE(settings.value("LineEdit/LOGOPath"), QVariant(QString()));
    }

    void previewSheet_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("sheet");
        QTest::newRow("440 x 614, as in the dialog") << QSize(440, 614) << QRect(2, 0, 435, 614);
        QTest::newRow("500 x 900, narrow") << QSize(500, 900) << QRect(0, 97, 500, 705);
        QTest::newRow("between the thresholds: past both sides") << QSize(432, 614) << QRect(0, 0, 432, 614);
    }

    // The sheet fitted into the preview, which repaints on its own.
    void previewSheet()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, sheet);

        CountingPreview preview;
        preview.resize(size);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        const int exposed = preview.paints;
        QTRY_VERIFY_WITH_TIMEOUT(preview.paints >= exposed + 2, 5000);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        preview.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); // no window background
        QCOMPARE(extent(image, [](QRgb p) { return p != QColor(Qt::blue).rgb(); }), sheet);
    }

    void noPrinterDisablesStart()
    {
        Print *dialog = new Print(hardnessGroups(3), nullptr);
        QString seen; // read while the window runs modally, checked once it is closed
        QTimer::singleShot(0, dialog, [&] {
            QWidget *window = QApplication::activeModalWidget();
            const QLabel *notice = window->findChild<QLabel *>(QStringLiteral("label_noPrinter"));
            seen = QStringLiteral("%1 printers, start %2, %3")
                       .arg(window->findChild<QComboBox *>(QStringLiteral("comboBox_printer"))->count())
                       .arg(window->findChild<QPushButton *>(QStringLiteral("pushButton_start"))->isEnabled())
                       .arg(notice && notice->isVisible() ? notice->text() : QString());
            window->close();
        });
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_print")), Qt::LeftButton);
        QCOMPARE(seen, QString::fromUtf8("0 printers, start 0, 没有可用的打印机"));
        QVERIFY(closeDialog(dialog));
    }
};

REPORT_TEST_MAIN(TestReport)
#include "tst_report.moc"

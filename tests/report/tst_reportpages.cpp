// The report's pages: rows, page breaks, traces and verdicts, the summary, and the print dialog around them.
#include "../program.h"
#include "print.h"
#include "reportfile.h"
#include "reportgroups.h"
#include "settings.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Closes the dialog as the operator does and waits until it is gone.
bool closeDialog(Print *dialog)
{
    QPointer<Print> guard(dialog);
    dialog->close();
    return QTest::qWaitFor([&] { return guard.isNull(); }, 5000);
}

} // namespace

class TestReportPages : public QObject
{
    Q_OBJECT

private slots:
    void valuesCell_data()
    {
        // Under a report row's value: the group's own type even without a number, other scales only with one.
        QTest::addColumn<MeasurementGroup>("group");
        QTest::addColumn<QString>("cell");
        MeasurementGroup high = hardnessGroup(), low = strengthGroup();
        high.setResult(ScaleHRC, {0.0, ConversionStatus::AboveRange});
        low.setResult(ScaleSTR, {0.0, ConversionStatus::BelowRange});
        QTest::newRow("HRC above its range, HRB too: HRC alone named") << high << "HL:450 HS:60 HB:300 HRC:HI HV:470";
        QTest::newRow("strength below its range, with its HL") << low << "HL:520 STR:LO";
    }

    void valuesCell()
    {
        QFETCH(MeasurementGroup, group);
        QTEST(PaintBase::valuesText(group), "cell");
    }

    void pageCount_data()
    {
        // Page 1 holds 14 rows, 13 with the conversion and signature lines; later pages 21, or 19 on the last.
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("pages");
        QTest::newRow("none: one page with the empty table") << 0 << 1;
        QTest::newRow("13: all on page 1 with the signatures") << 13 << 1;
        QTest::newRow("14: page 1 full, its last row goes with the signatures") << 14 << 2;
        QTest::newRow("33: 14, then 19 with the signatures") << 33 << 2;
        QTest::newRow("34: 14, 19, 1") << 34 << 3;
        QTest::newRow("54: 14, 21, 19") << 54 << 3;
        QTest::newRow("55: 14, 21, 19, 1") << 55 << 4;
    }

    void pageCount()
    {
        QFETCH(int, groups);
        QTEST(PaintBase::pageCount({QVector<MeasurementGroup>(groups).toList(), {}}), "pages");
    }

    void tracedReport_data()
    {
        QTest::addColumn<Groups>("groups");
        QTest::addColumn<Traces>("traces");
        QTest::addColumn<bool>("inEnglish");
        QTest::addColumn<QStringList>("texts");   // each must appear in the PDF's text
        QTest::addColumn<VerificationLog>("log"); // given to the report when it has a block
        QTest::addColumn<int>("notVerified");     // how often a row is marked not verified
        MeasurementGroup low = hardnessGroup(1), pass = hardnessGroup(2), high = hardnessGroup(3);
        low.setResult(ScaleHL, shown(450)), pass.setResult(ScaleHL, shown(460)), high.setResult(ScaleHL, shown(470));
        GroupTrace weld;
        weld.tags = {"P-7", "H12", "weld 3", QString::fromUtf8("王工"), "not written"};
        weld.limit.scale = ScaleHL, weld.limit.low = 455, weld.limit.high = 465;
        // 450, 460, 470: mean 460, squares 100 + 0 + 100 over 2, root 10.
        QTest::newRow("one part judged in HL: low, pass, high")
            << Groups{low, pass, high} << Traces{weld, weld, weld} << false
            << QString::fromUtf8("P-7|H12|weld 3|王工|偏低|合格|偏高|零件: P-7|炉批号: H12|限值: HL 455–465|组数: 3|"
                                 "已判定: 3|合格: 1|平均值: 460 HL|标准差: 10.0 HL|"
                                 "按仪器钢和铸钢材料换算表换算；换算硬度值仅供参考|检验员：|审核：")
                   .split('|')
            << VerificationLog() << 0;
        GroupTrace first = weld, other = weld;
        first.limit = other.limit = {ScaleHB, std::nullopt, 250}; // HB 300: high
        other.tags.part = "P-8";
        // HL 450, 460, 520: mean 476.67; squares 711.1 + 277.8 + 1877.8 = 2866.7 over 2, root 37.86.
        QTest::newRow("two parts, a group untraced, two materials, in English")
            << Groups{low, pass, strengthGroup()} << Traces{first, other} << true
            << QStringList{"Part: several",
                           "Heat: several",
                           "Limit: HB ≤ 250",
                           "Groups: 3",
                           "Judged: 2",
                           "Pass: 0",
                           "Mean: 477 HL",
                           "SD: 37.9 HL",
                           "High",
                           "Inspector:",
                           QString::fromUtf8("converted with the instrument's tables for 钢和铸钢, 碳钢; converted "
                                             "hardness values are approximate")}
            << VerificationLog() << 0;

        // A 760 HL block for D: 759 761 760 762 758 mean 760.0, range 4, passes; 758 762 765 757 761 mean 760.6,
        // range 8, fails the 6 HL for D at 645 HL and more.
        ReferenceBlock block;
        block.id = 4, block.serial = "V-760", block.device = DeviceD, block.nominalHl = 760;
        const auto at = [](int day, int hour, int minute) {
            return QDateTime(QDate(2026, 3, day), QTime(hour, minute));
        };
        const QList<int> good = {759, 761, 760, 762, 758}, poor = {758, 762, 765, 757, 761};
        VerificationLog log;
        log.blocks.insert(block.id, block);
        log.checks = {
            {1, 4, at(1, 8, 0), "Li", good}, {2, 4, at(1, 12, 0), "Li", poor}, {3, 4, at(2, 8, 30), "Li", poor}};
        MeasurementGroup day1 = hardnessGroup(1), day2 = hardnessGroup(2), day3 = hardnessGroup(3);
        day1.device = day2.device = day3.device = DeviceD;
        day2.measured = at(2, 10, 0), day3.measured = at(3, 9, 0);
        // The first group's check passed (the failing one came after it); the second's failed; none on the third's day.
        QTest::newRow("verified, its day's check failed, no check that day")
            << Groups{day1, day2, day3} << Traces{} << false
            << QString::fromUtf8("验证：试块 V-760，2026-03-01 08:00，误差 0.0 HL，重复性 4 HL，通过|"
                                 "验证：试块 V-760，2026-03-02 08:30，误差 +0.6 HL，重复性 8 HL，未通过")
                   .split('|')
            << log << 2;
        VerificationLog forDl = log;
        forDl.blocks[4].device = DeviceDL;
        QTest::newRow("a block of another device covers nothing, in English")
            << Groups{day1} << Traces{} << true << QStringList{"no verification check covers these groups"} << forDl
            << 1;
    }

    // A report of tagged, judged groups carries the tags, the verdicts, the summary and the conversion line; with the
    // verification log, the checks that cover its groups and a mark on each group not verified.
    void tracedReport()
    {
        QFETCH(Groups, groups);
        QFETCH(Traces, traces);
        QFETCH(bool, inEnglish);
        QFETCH(QStringList, texts);
        QFETCH(VerificationLog, log);
        QTranslator translator;
        const auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        QVERIFY(!inEnglish || (translator.load(":/english.qm") && QCoreApplication::installTranslator(&translator)));
        QString error;
        QVERIFY2(writeReportFile(QStringLiteral("traced.pdf"), {}, groups, &error, traces,
                                 log.blocks.isEmpty() ? nullptr : &log),
                 qPrintable(error));
        const QString text = QString::fromUtf8(run("pdftotext", {"traced.pdf", "-"})).simplified();
        QStringList missing;
        for (const QString &wanted : texts) {
            if (!text.contains(wanted))
                missing << wanted;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(" | ") + "\n" + text));
        QTEST(int(text.count(inEnglish ? "not verified" : QString::fromUtf8("未验证"))), "notVerified");
    }

    // 44 groups on three A4 pages, header and logo on page 1 only; a later report shows none of this one's header.
    void reportPages()
    {
        QVERIFY(QImage(":/rc/logo.png").save(QStringLiteral("north.png")));
        Groups groups = hardnessGroups(43) << strengthGroup();
        groups.last().dateText = QStringLiteral("3/44 9:5");
        groups[19].measured = QDateTime(); // its row shows the mark instead of its date
        const ReportHeader header = {"B-17", QString::fromUtf8("王工"), "north.png", "recheck, flange side",
                                     "North Test Lab"};
        QString error;
        QVERIFY2(writeReportFile(QStringLiteral("report.pdf"), header, groups, &error), qPrintable(error));
        const QByteArray info = run("pdfinfo", {"report.pdf"}); // three pages, A4 portrait
        QVERIFY2(QString(info).contains(
                     QRegularExpression("(?s)Pages: +3\\n.*Page size: +595[.\\d]* x 84\\d[.\\d]* pts \\(A4\\)")),
                 info);
        // Per page: first-last xrows, then how often each text appears (Chinese ones: the font is embedded).
        QStringList pages;
        for (const QString page : {"1", "2", "3"}) {
            const QString text =
                QString::fromUtf8(run("pdftotext", {"-layout", "-f", page, "-l", page, "report.pdf", "-"}));
            QStringList rows;
            auto row = QRegularExpression("^ +3/(\\d+) ", QRegularExpression::MultilineOption).globalMatch(text);
            while (row.hasNext())
                rows << row.next().captured(1);
            QString seen = QStringLiteral("%1-%2 x%3").arg(rows.value(0), rows.value(rows.size() - 1)).arg(rows.size());
            for (const QString &what :
                 {page + "/3\n", QString("钢和铸钢"), QString("碳钢"), QString("North Test Lab"), QString("B-17"),
                  QString("recheck, flange side"), QString("王工"), QString("HI: 测值过大"), QString("日期无效"),
                  QString("按仪器钢和铸钢、碳钢材料"), QString("检验员：")})
                seen += ' ' + QString::number(text.count(what));
            pages << seen;
        }
        // The conversion line names both materials once, on the last page with the signatures.
        QCOMPARE(pages, QStringList({"1-14 x14 1 14 0 1 1 1 1 1 0 0 0", "15-35 x20 1 21 0 0 0 0 0 1 1 0 0",
                                     "36-44 x9 1 9 2 0 0 0 0 1 0 1 1"}));

        QVERIFY(savePdf(QStringLiteral("south.pdf"), {"C-9", "Zhao", "", "first run", "South Works"},
                        {{hardnessGroup()}, {}}));
        const QByteArray text = run("pdftotext", {"south.pdf", "-"}),
                         images = run("pdfimages", {"-list", "report.pdf"}),
                         southImages = run("pdfimages", {"-list", "south.pdf"});
        // pdfimages lists each image a line below two lines of headings; the logo comes with its alpha mask.
        QString seen = QStringLiteral("images %1 %2,").arg(images.count('\n') - 2).arg(southImages.count('\n') - 2);
        for (const char *field :
             {"North Test Lab", "B-17", "王工", "recheck", "South Works", "C-9", "Zhao", "first run"})
            seen += ' ' + QString::number(text.count(field));
        QCOMPARE(seen, "images 2 0, 0 0 0 0 1 1 1 1");
    }

    // Pages flipped, fields to preview, PDF and settings file, and an unwritable settings file reported.
    void printDialog()
    {
        QVERIFY(QImage(":/rc/logo.png").save(QStringLiteral("logo.png")));
        QStringList texts = {QString::fromUtf8("华东检测中心"), "logo.png", "B-17", QString::fromUtf8("复检"),
                             QString::fromUtf8("王工")};
        const char *const names[] = {"companyName", "LOGO", "batch", "remark", "inspector"};
        Print *dialog = new Print({hardnessGroups(44), {}}, nullptr);
        const auto field = [&](int i) { return dialog->findChild<QLineEdit *>(QString("lineEdit_") + names[i]); };
        const auto previewed = [&] {
            const ReportHeader h = dialog->findChild<OutputPreview *>(QStringLiteral("widget"))->header();
            return QStringList({h.companyName, h.logoPath, h.batch, h.remark, h.inspector});
        };
        const PaintCounter *paints = new PaintCounter(dialog->findChild<OutputPreview *>(QStringLiteral("widget")));
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTRY_VERIFY(paints->count > 0);
        const auto paintedSince = [&](int before) {
            return QTest::qWaitFor([&] { return paints->count > before; }, 1000);
        };
        QStringList pages; // "*": the preview shows the grey header labels of page 1; "still": it did not paint
        for (const QChar click : QStringLiteral("LRRRLL")) {
            const int before = paints->count;
            QTest::mouseClick(dialog->findChild<QPushButton *>(click == 'L' ? "pushButton_left" : "pushButton_right"),
                              Qt::LeftButton);
            const QString still = paintedSince(before) ? "" : " still";
            QImage preview = dialog->findChild<OutputPreview *>(QStringLiteral("widget"))->grab().toImage();
            preview = preview.convertToFormat(QImage::Format_RGB32); // kept: pixels points into it
            const auto *pixels = reinterpret_cast<const QRgb *>(preview.constBits());
            const bool grey = std::count(pixels, pixels + preview.width() * preview.height(), QColor(Qt::gray).rgb());
            pages << dialog->findChild<QLabel *>(QStringLiteral("label_page"))->text() + (grey ? "*" : "") + still;
        }
        QCOMPARE(pages, QStringList({"1/3* still", "2/3", "3/3", "3/3 still", "2/3", "1/3*"}));
        const int before = paints->count;
        for (int i = 0; i < 5; ++i)
            field(i)->setText(texts.at(i));
        QVERIFY(paintedSince(before));
        QCOMPARE(previewed(), texts);
        // A PDF saved under a name without its ending gets it; the status bar says where it went; the header made a
        // report (for the archive) once.
        QList<ReportHeader> made;
        const auto saveAs = [&](const QString &name) {
            QTimer::singleShot(0, dialog, [name] {
                QFileDialog *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                files->selectFile(QDir::current().absoluteFilePath(name));
                QMetaObject::invokeMethod(files, "accept");
            });
            made.clear();
            disconnect(dialog, &Print::reportMade, nullptr, nullptr);
            connect(dialog, &Print::reportMade, dialog, [&](const ReportHeader &header) { made << header; });
            QSignalSpy said(dialog, &Print::message);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_savePDF")), Qt::LeftButton);
            return said.value(0).value(0).toString();
        };
        QCOMPARE(saveAs("报告"), "保存成功: " + QDir::current().absoluteFilePath("报告.pdf"));
        QVERIFY(made.size() == 1 && made[0] == ReportHeader({texts[2], texts[4], texts[1], texts[3], texts[0]}));
        const QByteArray pdfText = run("pdftotext", {"报告.pdf", "-"});
        QVERIFY2(pdfText.contains(texts[0].toUtf8()) && pdfText.contains("B-17"), pdfText);
        QVERIFY(closeDialog(dialog));
        QVERIFY(contentOf(QStringLiteral("PrintConfig.ini")).contains("LOGOPath=logo.png\n"));

        // Reopened: the same fields, which reach the preview; a logo deleted since opens, and is kept, as none.
        QVERIFY(QFile::remove(QStringLiteral("logo.png")));
        texts[1].clear();
        dialog = new Print({}, nullptr);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(field(i)->text(), texts[i]);
        QCOMPARE(previewed(), texts);
        QVERIFY(closeDialog(dialog));
        QVERIFY(contentOf(QStringLiteral("PrintConfig.ini")).contains("LOGOPath=\n"));

        QVERIFY(QFile::remove("PrintConfig.ini") && QDir().mkdir("PrintConfig.ini")); // unwritable, even for root
        dialog = new Print({}, nullptr);
        QSignalSpy messages(dialog, &Print::message);
        QVERIFY(closeDialog(dialog) && QDir().rmdir("PrintConfig.ini"));
        QCOMPARE(messages.value(0).value(0).toString(),
                 QString::fromUtf8("无法写入设置文件: ") + QDir::current().absoluteFilePath("PrintConfig.ini"));

        // Opened with a download's stored header: its fields, in the PDF; a failed save made no report; the settings
        // file is not written with it.
        const ReportHeader stored = {"C-9", "Zhao", "", "first run", "South Works"};
        dialog = new Print({{hardnessGroup()}, {}}, nullptr, stored);
        QVERIFY(saveAs("missing/stored.pdf").startsWith(QString::fromUtf8("保存失败: ")) && made.isEmpty());
        QVERIFY(saveAs("stored.pdf").startsWith(QString::fromUtf8("保存成功: ")) && made.size() == 1 &&
                made[0] == stored);
        QVERIFY(run("pdftotext", {"stored.pdf", "-"}).contains("South Works"));
        QVERIFY(closeDialog(dialog) && !QFile::exists("PrintConfig.ini"));
    }
};

// Runs in a folder of its own, since the settings file is ./PrintConfig.ini.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QTemporaryDir folder;
    TestReportPages test;
    return folder.isValid() && QDir::setCurrent(folder.path()) ? QTest::qExec(&test, argc, argv) : 1;
}

#include "tst_reportpages.moc"

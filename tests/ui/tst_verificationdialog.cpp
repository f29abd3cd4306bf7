// The verification log in the window: a block and a check entered through the dialog, refusals, the control chart's
// marks, and the block's PDF page through leeb-archive.
#include "archive.h"
#include "controlchart.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "verificationdialog.h"

#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtTest>
#include <QtWidgets>

namespace {

QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column)
        texts << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return texts;
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return "(did not finish)";
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput() + process.readAllStandardError();
}

void type(QDialog *dialog, const char *name, const QString &text)
{
    auto *edit = dialog->findChild<QLineEdit *>(name);
    QVERIFY(edit);
    edit->setText(text);
}

} // namespace

class TestVerification : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        initResources();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    // From the window's button: a 760 HL block of device D and the readings 758 762 765 757 761 give a mean of
    // 760.6, an error of +0.6 and a repeatability of 8, which fails the default 6 HL for D at 645 HL and above. Both
    // are stored, and leeb-archive puts the check on the block's PDF page.
    void blockAndCheck()
    {
        MainWindow window;
        auto *button = window.findChild<QPushButton *>("pushButton_verification");
        QVERIFY(!button->isEnabled() && !button->toolTip().isEmpty()); // no archive yet

        const QString path = m_dir.filePath(QStringLiteral("archive.sqlite"));
        QSignalSpy opened(&window, &MainWindow::archiveOpened);
        window.setArchiveLocation(path);
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 10000);
        QVERIFY(button->isEnabled());
        button->click();
        auto *dialog = window.findChild<VerificationDialog *>();
        QVERIFY(dialog);

        type(dialog, "lineEdit_serial", "HB-760");
        type(dialog, "lineEdit_nominal", "760");
        QCOMPARE(dialog->findChild<QLineEdit *>("lineEdit_maxRepeatability")->placeholderText(), "默认 6.0");
        dialog->findChild<QPushButton *>("pushButton_addBlock")->click();
        auto *blocks = dialog->findChild<QTableWidget *>("tableWidget_blocks");
        QCOMPARE(rowTexts(blocks, 0), QStringList({"HB-760", "D", "760.0", "不限", "±6.0", "6.0"}));

        type(dialog, "lineEdit_readings", "758, 762 765,757 761");
        type(dialog, "lineEdit_operator", "王工");
        dialog->findChild<QDateTimeEdit *>()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
        dialog->findChild<QPushButton *>("pushButton_addCheck")->click();
        auto *checks = dialog->findChild<QTableWidget *>("tableWidget_checks");
        QCOMPARE(checks->rowCount(), 1);
        QCOMPARE(rowTexts(checks, 0),
                 QStringList({"2026-12-07 08:00", "王工", "5", "760.6", "+0.6", "8", "不合格", ""}));
        QCOMPARE(checks->item(0, 6)->foreground().color(), QColor(200, 0, 0));

        Archive archive;
        QVERIFY(archive.open(path).ok());
        ReferenceBlock stored;
        QList<VerificationCheck> storedChecks;
        QVERIFY(archive.block("HB-760", &stored, nullptr) && archive.checks(stored.id, &storedChecks, nullptr));
        QCOMPARE(stored.device, quint8(DeviceD));
        QCOMPARE(stored.nominalHl, 760.0);
        QVERIFY(!stored.maxRepeatability); // the default stays a default
        QCOMPARE(storedChecks.size(), 1);
        QCOMPARE(storedChecks[0].readings, QList<int>({758, 762, 765, 757, 761}));
        QCOMPARE(storedChecks[0].operatorName, "王工");

        int exitCode = -1;
        const QString pdf = m_dir.filePath("HB-760.pdf");
        const QByteArray said =
            run(LEEB_ARCHIVE_TOOL,
                {"--archive", path, "--language", "zh", "checks", "export", "--block", "HB-760", pdf}, &exitCode);
        QVERIFY2(exitCode == 0, said.constData());
        const QString text = QString::fromUtf8(run("pdftotext", {"-layout", pdf, "-"})).simplified();
        for (const QString wanted : {"HB-760", "758 762 765 757 761", "760.6 +0.6 8 不合格", "王工"})
            QVERIFY2(text.contains(wanted), qPrintable(wanted + " not in: " + text));
        run(LEEB_ARCHIVE_TOOL, {"--archive", path, "checks", "export", "--block", "HB-1", pdf}, &exitCode);
        QCOMPARE(exitCode, 2); // no such block: refused, as by checks list
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QDate>("validUntil");
        QTest::addColumn<QString>("reason");
        const QDate valid(2099, 1, 1);
        QTest::newRow("two readings") << "758 762" << valid << "至少需要 3 个读数";
        QTest::newRow("a word among the readings") << "758, 7x2, 765" << valid << "“7x2”不是整数";
        QTest::newRow("block expired") << "758 762 765" << QDate(2020, 1, 1) << "有效期至 2020-01-01，已过期";
    }

    // Each is shown in the dialog, and nothing is stored.
    void refusal()
    {
        QFETCH(QString, readings);
        QFETCH(QDate, validUntil);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        Archive archive;
        QVERIFY(archive.open(dir.filePath("a.sqlite")).ok());
        ReferenceBlock block;
        block.serial = "HB-500";
        block.device = DeviceD;
        block.nominalHl = 500;
        block.validUntil = validUntil;
        QVERIFY(archive.addBlock(&block, nullptr));
        VerificationDialog dialog(&archive);
        dialog.setAttribute(Qt::WA_DeleteOnClose, false);
        QVERIFY(dialog.selectBlock("HB-500"));
        type(&dialog, "lineEdit_readings", readings);
        dialog.findChild<QDateTimeEdit *>()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
        dialog.findChild<QPushButton *>("pushButton_addCheck")->click();
        const QString message = dialog.findChild<QLabel *>("label_message")->text();
        QVERIFY2(message.contains(reason), qPrintable(message));
        QList<VerificationCheck> stored;
        QVERIFY(archive.checks(block.id, &stored, nullptr));
        QCOMPARE(stored.size(), 0);
    }

    void chart_data()
    {
        QTest::addColumn<QList<double>>("means");
        QTest::addColumn<QList<QPointF>>("meansOut");
        QTest::addColumn<QList<QPointF>>("rangesOut");
        QTest::addColumn<double>("ucl");
        // Moving ranges 1 six times and 30: MR-bar 36/7 = 5.143; centre 6113/8 = 764.125; UCL 764.125 + 2.66 * 5.143
        // = 777.805, under 790; the range limit 3.267 * 5.143 = 16.80, under 30.
        QTest::newRow("eight checks, the last far off")
            << QList<double>{760, 761, 760, 761, 760, 761, 760, 790} << QList<QPointF>{{8, 790}}
            << QList<QPointF>{{8, 30}} << 777.805;
        QTest::newRow("four checks: no limits, no marks")
            << QList<double>{760, 790, 760, 761} << QList<QPointF>{} << QList<QPointF>{} << 0.0;
    }

    void chart()
    {
        QFETCH(QList<double>, means);
        QFETCH(QList<QPointF>, meansOut);
        QFETCH(QList<QPointF>, rangesOut);
        QFETCH(double, ucl);
        ControlChart chart;
        const ControlLimits limits = controlLimits(means);
        chart.showChecks(chartPoints(means, limits), limits);
        QCOMPARE(chart.meansOutOfControl()->points(), meansOut);
        QCOMPARE(chart.rangesOutOfControl()->points(), rangesOut);
        QCOMPARE(chart.meansInControl()->count() + meansOut.size(), means.size());
        QCOMPARE(chart.means()->count(), means.size());
        // Out of control: another colour and another shape.
        QVERIFY(chart.meansOutOfControl()->color() != chart.meansInControl()->color());
        QVERIFY(chart.meansOutOfControl()->markerShape() != chart.meansInControl()->markerShape());
        if (ucl > 0) {
            QCOMPARE(chart.upperLimit()->count(), 2);
            QVERIFY(qAbs(chart.upperLimit()->at(0).y() - ucl) < 0.01);
        } else {
            QCOMPARE(chart.upperLimit()->count(), 0);
            QVERIFY(chart.note()->text().contains("少于 5 次"));
        }
    }
};

QTEST_MAIN(TestVerification)
#include "tst_verificationdialog.moc"

// Prints through the dialog to a PDF queue of a real CUPS scheduler (started here when none runs), as root.
#include "../program.h"
#include "print.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

static const QString queue = QStringLiteral("leeb-print-test"), config = "/etc/cups/cups-pdf-" + queue + ".conf";

class TestReportPrint : public QObject
{
    Q_OBJECT

    QProcess m_cupsd;
    bool m_queueAdded = false;
    QTemporaryDir m_jobs{"/var/spool/cups-pdf/leeb-print-XXXXXX"}; // where confinement lets cups-pdf write

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("adding a print queue needs root");
        const auto running = [] { return run("lpstat", {"-r"}).contains("scheduler is running"); };
        if (!running())
            m_cupsd.start("/usr/sbin/cupsd", {"-f"});
        QVERIFY2(QTest::qWaitFor(running, 20000), "no CUPS scheduler: needs the packages cups and cups-pdf");
        // The queue's jobs go to m_jobs, also home to ./PrintConfig.ini; Letter by default, so A4 must be asked for.
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(("Out " + m_jobs.path()).toLocal8Bit()) > 0);
        const QString add = "-p %1 -v cups-pdf:/%1 -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -o PageSize=Letter -E";
        QVERIFY(QDir::setCurrent(m_jobs.path()) && QProcess::execute("lpadmin", add.arg(queue).split(' ')) == 0);
        m_queueAdded = true;
    }

    void cleanupTestCase()
    {
        if (m_queueAdded)
            QProcess::execute("lpadmin", {"-x", queue});
        QFile::remove(config);
        m_cupsd.terminate(); // a scheduler started here goes with the test; one that ran before stays
        m_cupsd.waitForFinished(10000);
    }

    void print_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("three A4 pages to the chosen queue") << false;
        QTest::newRow("queue removed after it was listed: failure") << true; // last, as it removes the queue
    }

    void print()
    {
        QFETCH(bool, vanishes);
        Print *dialog = new Print({QVector<MeasurementGroup>(44).toList(), {}}, nullptr); // 14 rows on page 1, 21, 9
        QSignalSpy messages(dialog, &Print::message);
        int made = 0; // reports made, whose header the archive keeps
        connect(dialog, &Print::reportMade, dialog, [&made] { ++made; });
        QTimer::singleShot(0, dialog, [&] {
            QWidget *window = QApplication::activeModalWidget();
            window->findChild<QComboBox *>("comboBox_printer")->setCurrentText(queue);
            if (vanishes) // listed, and gone before printing
                QProcess::execute("lpadmin", {"-x", queue});
            QTest::mouseClick(window->findChild<QPushButton *>("pushButton_start"), Qt::LeftButton);
            window->close(); // should the click not have closed it
        });
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButton_print"), Qt::LeftButton);
        delete dialog;
        QCOMPARE(messages.value(0).value(0).toString(), QString::fromUtf8(vanishes ? "打印失败" : "打印完成"));
        QCOMPARE(made, vanishes ? 0 : 1);
        if (vanishes)
            return;
        QByteArray info; // cups-pdf writes the job a moment later; a file still being written does not parse yet
        QTRY_VERIFY_WITH_TIMEOUT(!(info = run("pdfinfo", {QDir().entryList({"*.pdf"}).value(0)})).isEmpty(), 30000);
        const QRegularExpression a4Portrait("(?s)Pages: +3\\n.*Page size: +595[.\\d]* x 84\\d[.\\d]* pts \\(A4\\)");
        QVERIFY2(QString(info).contains(a4Portrait), info);
    }
};

QTEST_MAIN(TestReportPrint)
#include "tst_report_print.moc"

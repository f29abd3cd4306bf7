#include "print.h"
#include "reporttest.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

using namespace reporttest;

namespace {

const QString queue = QStringLiteral("leeb-report-test");

bool schedulerRunning()
{
    QByteArray output;
    return run(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &output) && output.contains("scheduler is running");
}

bool addQueue(const QString &name)
{
    return run("lpadmin", {"-p", name, "-v", "cups-pdf:/", "-m", "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd", "-E"});
}

// Where cups-pdf puts this user's jobs: the Out setting of its configuration.
QString outputFolder()
{
    QFile config(QStringLiteral("/etc/cups/cups-pdf.conf"));
    const QString text = config.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(config.readAll()) : QString();
    const QRegularExpressionMatch out =
        QRegularExpression(QStringLiteral("^Out\\s+(.*\\S)"), QRegularExpression::MultilineOption).match(text);
    const passwd *user = getpwuid(getuid());
    return (out.hasMatch() ? out.captured(1) : QStringLiteral("/var/spool/cups-pdf/${USER}"))
        .replace("${HOME}", user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath())
        .replace("${USER}", user ? QString::fromLocal8Bit(user->pw_name) : QString());
}

} // namespace

// Prints through the dialog to a PDF queue of a real CUPS scheduler, started here when none runs.
class TestReportPrint : public QObject
{
    Q_OBJECT

    QProcess m_cupsd;
    bool m_queueAdded = false;

private slots:
    void initTestCase()
    {
        if (!schedulerRunning() && geteuid() == 0 && QFile::exists(QStringLiteral("/usr/sbin/cupsd"))) {
            m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
            m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"), {QStringLiteral("-f")});
        }
        const auto settled = [&] { return m_cupsd.state() == QProcess::NotRunning || schedulerRunning(); };
        if (!QTest::qWaitFor(settled, 20000) || !schedulerRunning()) {
            const QString why =
                "cupsd is not running and could not be started (needs root and cups) " + m_cupsd.readAll();
            if (qgetenv("CI") == "true")
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        QVERIFY(m_queueAdded = addQueue(queue));
    }

    void cleanupTestCase()
    {
        if (m_queueAdded)
            run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue});
        // A scheduler started here goes with the test; one that ran before stays.
        m_cupsd.terminate();
        m_cupsd.waitForFinished(10000);
    }

    void printsThroughTheSettingsWindow_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("all pages to the chosen queue") << false;
        QTest::newRow("queue removed after it was listed") << true;
    }

    void printsThroughTheSettingsWindow()
    {
        QFETCH(bool, vanishes);

        const QString target = vanishes ? queue + QStringLiteral("-gone") : queue;
        QVERIFY(!vanishes || addQueue(target));
        const QString out = outputFolder();
        const QStringList before = filesIn(out);

        Print *dialog = new Print(hardnessGroups(44), nullptr);
        QSignalSpy messages(dialog, &Print::message);
        int listedAt = -1;
        QTimer::singleShot(0, dialog, [&] {
            QWidget *window = QApplication::activeModalWidget();
            QComboBox *printers = window->findChild<QComboBox *>(QStringLiteral("comboBox_printer"));
            listedAt = printers->findText(target);
            printers->setCurrentIndex(listedAt);
            if (vanishes)
                run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), target});
            QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButton_start")), Qt::LeftButton);
            if (window->isVisible())
                window->close();
        });
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_print")), Qt::LeftButton);
        QVERIFY2(listedAt >= 0, qPrintable(target));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().first().toString(), QString::fromUtf8(vanishes ? "打印失败" : "打印完成"));
        delete dialog;
        if (vanishes)
            return;

        // cups-pdf writes the job a moment later; a file still being written does not parse yet.
        QString pages;
        const auto printed = [&] {
            for (const QString &name : filesIn(out))
                if (!before.contains(name) && !(pages = pdfPages(QDir(out).filePath(name))).isEmpty())
                    return QFile::remove(QDir(out).filePath(name));
            return false;
        };
        QVERIFY2(QTest::qWaitFor(printed, 60000), qPrintable("no new PDF in " + out));
        QCOMPARE(pages, QStringLiteral("3 A4"));
    }
};

REPORT_TEST_MAIN(TestReportPrint)
#include "tst_report_print.moc"

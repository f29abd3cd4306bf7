#include "print.h"
#include "reporttest.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

using namespace reporttest;

namespace {

const QString queue = QStringLiteral("leeb-report-test");

int exitCode(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitCode();
}

bool schedulerRunning()
{
    QByteArray output;
    return exitCode(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &output) == 0 &&
           output.contains("scheduler is running");
}

bool addQueue(const QString &name)
{
    return exitCode("lpadmin", {"-p", name, "-v", "cups-pdf:/", "-m", "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd", "-E"}) == 0;
}

// Where cups-pdf puts this user's jobs: the Out setting of its configuration.
QString outputFolder()
{
    const passwd *user = getpwuid(getuid());
    QString folder = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QFile config(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (config.open(QIODevice::ReadOnly))
        for (const QByteArray &line : config.readAll().split('\n'))
            if (line.startsWith("Out ") || line.startsWith("Out\t"))
                folder = QString::fromLocal8Bit(line.mid(4)).trimmed();
    return folder.replace("${HOME}", user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath())
        .replace("${USER}", user ? QString::fromLocal8Bit(user->pw_name) : QString());
}

} // namespace

// Prints through the dialog to a PDF queue of a real CUPS scheduler, started here when none runs.
class TestReportPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void printsThroughTheSettingsWindow_data();
    void printsThroughTheSettingsWindow();

private:
    QProcess m_cupsd;
    bool m_queueAdded = false;
};

void TestReportPrint::initTestCase()
{
    QString missing;
    if (!schedulerRunning()) {
        if (geteuid() != 0 || !QFile::exists(QStringLiteral("/usr/sbin/cupsd")))
            missing = QStringLiteral("cupsd is not running and cannot be started here (needs root and cups)");
        else {
            m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
            m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"), {QStringLiteral("-f")});
            const bool up =
                m_cupsd.waitForStarted(10000) &&
                QTest::qWaitFor([&] { return m_cupsd.state() == QProcess::NotRunning || schedulerRunning(); }, 20000) &&
                schedulerRunning();
            if (!up)
                missing = QStringLiteral("cupsd did not come up: ") + QString::fromLocal8Bit(m_cupsd.readAll());
        }
    }
    if (!missing.isEmpty()) {
        if (qgetenv("CI") == "true")
            QFAIL(qPrintable(missing));
        QSKIP(qPrintable(missing));
    }
    m_queueAdded = addQueue(queue);
    QVERIFY(m_queueAdded);
}

void TestReportPrint::cleanupTestCase()
{
    if (m_queueAdded)
        exitCode(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue});
    // A scheduler started here goes with the test; one that ran before stays.
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }
}

void TestReportPrint::printsThroughTheSettingsWindow_data()
{
    QTest::addColumn<bool>("vanishes");
    QTest::newRow("all pages to the chosen queue") << false;
    QTest::newRow("queue removed after it was listed") << true;
}

void TestReportPrint::printsThroughTheSettingsWindow()
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
            exitCode(QStringLiteral("lpadmin"), {QStringLiteral("-x"), target});
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButton_start")), Qt::LeftButton);
        if (window->isVisible())
            window->close();
    });
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButton_print")), Qt::LeftButton);
    QVERIFY2(listedAt >= 0, qPrintable(target));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().first().toString(), QString::fromUtf8(vanishes ? "打印失败" : "打印完成"));
    QPointer<Print> guard(dialog);
    dialog->close();
    QTRY_VERIFY(guard.isNull());
    if (vanishes)
        return;

    // cups-pdf writes the job a moment later; a file still being written does not parse yet.
    QString pages;
    const bool printed = QTest::qWaitFor(
        [&] {
            for (const QString &name : filesIn(out)) {
                if (!before.contains(name) && !(pages = pdfPages(QDir(out).filePath(name))).isEmpty())
                    return QFile::remove(QDir(out).filePath(name));
            }
            return false;
        },
        60000);
    QVERIFY2(printed, qPrintable(QStringLiteral("no new PDF in ") + out));
    QCOMPARE(pages, QStringLiteral("3 A4"));
}

REPORT_TEST_MAIN(TestReportPrint)
#include "tst_report_print.moc"

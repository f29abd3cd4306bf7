#include "reportfile.h"
#include "reporttest.h"

#include <QFile>
#include <QSettings>

#include <csignal>
#include <sys/resource.h>

using namespace reporttest;

namespace {

// Makes every write past the first kilobytes fail, as on a full disk: a failure half way through a file.
class FullDisk
{
public:
    FullDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = 2048;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved;
};

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder holding an older report and workbook, and a subfolder named like a report.
QString prepared(const QTemporaryDir &folder)
{
    QDir(folder.path()).mkdir(QStringLiteral("folder.pdf"));
    for (const char *name : {"old.pdf", "old.xlsx"}) {
        QFile file(folder.filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(name) != qstrlen(name))
            return QString();
    }
    return folder.path();
}

} // namespace

class TestReportFile : public QObject
{
    Q_OBJECT

private slots:
    void writesByExtension_data();
    void writesByExtension();
    void pdfCarriesTheSettingsHeader();
    void failuresLeaveNothingBehind_data();
    void failuresLeaveNothingBehind();
};

void TestReportFile::writesByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("groups");
    QTest::addColumn<QString>("pages"); // empty for a workbook
    QTest::newRow("workbook") << "groups.xlsx" << 5 << "";
    QTest::newRow("report of 19 groups") << "groups.pdf" << 19 << "2 A4";
    QTest::newRow("extension in capitals") << "GROUPS.PDF" << 0 << "1 A4";
    QTest::newRow("over an older report") << "old.pdf" << 44 << "3 A4";
}

void TestReportFile::writesByExtension()
{
    QFETCH(QString, name);
    QFETCH(int, groups);
    QFETCH(QString, pages);

    QTemporaryDir folder;
    QVERIFY(!prepared(folder).isEmpty());
    QString error;
    QVERIFY2(writeReportFile(folder.filePath(name), hardnessGroups(groups), &error), qPrintable(error));
    if (pages.isEmpty())
        QVERIFY(contentOf(folder.filePath(name)).startsWith("PK")); // a zip container
    else
        QCOMPARE(pdfPages(folder.filePath(name)), pages);
    QStringList files = {"old.pdf", "old.xlsx", name};
    files.removeDuplicates();
    files.sort();
    QCOMPARE(filesIn(folder.path()), files);
}

void TestReportFile::pdfCarriesTheSettingsHeader()
{
    QVERIFY(QImage(40, 20, QImage::Format_RGB32).save(QStringLiteral("logo.png")));
    {
        QSettings settings(QStringLiteral("./PrintConfig.ini"), QSettings::IniFormat);
        settings.setValue("LineEdit/companyName", QString::fromUtf8("华东检测中心"));
        settings.setValue("LineEdit/batch", "B-17");
        settings.setValue("LineEdit/inspector", QString::fromUtf8("王工"));
        settings.setValue("LineEdit/LOGOPath", "logo.png");
    }
    {
        // As a person edits the file by hand: an unquoted comma, which the settings reader takes for a list.
        QFile file(QStringLiteral("./PrintConfig.ini"));
        QVERIFY(file.open(QIODevice::Append));
        file.write("remark=recheck, flange side\n");
    }
    QString error;
    QVERIFY2(writeReportFile(QStringLiteral("header.pdf"), {hardnessGroup()}, &error), qPrintable(error));
    const QString text = pdfText(QStringLiteral("header.pdf"), 1);
    for (const char *expected : {"华东检测中心", "B-17", "recheck, flange side", "王工", "HL:450 HS:60 HB:300 HRC:45 HV:470"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
}

void TestReportFile::failuresLeaveNothingBehind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<QString>("errorMentions");
    QTest::newRow("unknown extension") << "groups.csv" << false << ".xlsx";
    QTest::newRow("no extension") << "groups" << false << ".pdf";
    QTest::newRow("workbook in a missing folder") << "missing/groups.xlsx" << false << "missing";
    QTest::newRow("report in a missing folder") << "missing/groups.pdf" << false << "missing";
    QTest::newRow("report over a folder") << "folder.pdf" << false << "folder.pdf";
    QTest::newRow("report, disk full half way") << "old.pdf" << true << "old.pdf";
    QTest::newRow("workbook, disk full half way") << "old.xlsx" << true << "old.xlsx";
}

void TestReportFile::failuresLeaveNothingBehind()
{
    QFETCH(QString, name);
    QFETCH(bool, diskFull);
    QFETCH(QString, errorMentions);

    QTemporaryDir folder;
    QVERIFY(!prepared(folder).isEmpty());
    QString error;
    bool ok;
    {
        std::unique_ptr<FullDisk> full(diskFull ? new FullDisk : nullptr);
        ok = writeReportFile(folder.filePath(name), hardnessGroups(44), &error);
    }
    QVERIFY(!ok);
    QVERIFY2(error.contains(errorMentions), qPrintable(error));
    QCOMPARE(filesIn(folder.path()), QStringList({"old.pdf", "old.xlsx"}));
    QCOMPARE(contentOf(folder.filePath("old.pdf")) + contentOf(folder.filePath("old.xlsx")), "old.pdfold.xlsx");
}

REPORT_TEST_MAIN(TestReportFile)
#include "tst_reportfile.moc"

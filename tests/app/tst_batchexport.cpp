// The batch export for real: the program runs as its own process against the simulator on a pseudo-terminal.
#include "instrument.h"
#include "samplegroups.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runProgram(const QStringList &arguments, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program must get by without a display by itself
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LEEB_PROGRAM_PATH), arguments);
    Run run;
    // The simulator lives in this process: keep its event loop turning while the program talks to it.
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000))
        p.kill();
    p.waitForFinished(5000);
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

} // namespace

class TestBatchExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exports_data();
    void exports();
    void refusals_data();
    void refusals();

private:
    Instrument m_instrument;
    QTemporaryDir m_dir;
};

void TestBatchExport::initTestCase()
{
    m_instrument.setGroups(sampleGroups());
    m_instrument.setPacing(false);
    QVERIFY(m_instrument.open());
}

void TestBatchExport::exports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("workbook") << "groups.xlsx" << QByteArray("PK");
    QTest::newRow("report") << "groups.pdf" << QByteArray("%PDF");
}

void TestBatchExport::exports()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    const Run run = runProgram({"--port", m_instrument.slavePath(), "--export", name}, m_dir.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("%1 group(s)").arg(sampleGroups().size())), qPrintable(run.out));
    QFile file(m_dir.filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4).startsWith(magic));
    QVERIFY(file.size() > 1000);
    // Nothing left beside it.
    for (const QString &left : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(left == QLatin1String("groups.xlsx") || left == QLatin1String("groups.pdf"), qPrintable(left));
}

void TestBatchExport::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no instrument within the timeout")
        << QStringList{"--port", "/dev/pts/nonexistent", "--export", "a.pdf", "--timeout", "1"} << 1
        << "no instrument answered within 1 s\n  /dev/pts/nonexistent: does not exist\n";
    QTest::newRow("unknown extension") << QStringList{"--export", "a.csv"} << 1 << "must end in .xlsx";
    QTest::newRow("unwritable target") << QStringList{"--export", "/nonexistent-dir/a.xlsx", "--timeout", "20"} << 1
                                       << "export to /nonexistent-dir/a.xlsx failed";
    QTest::newRow("bad timeout") << QStringList{"--export", "a.pdf", "--timeout", "soon"} << 2 << "--timeout";
    QTest::newRow("timeout without export") << QStringList{"--timeout", "5"} << 2 << "--export only";
}

void TestBatchExport::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (arguments.contains(QStringLiteral("/nonexistent-dir/a.xlsx")))
        arguments << "--port" << m_instrument.slavePath();
    const Run run = runProgram(arguments, m_dir.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err + run.out));
    QVERIFY(QDir(m_dir.path()).entryList({"a.*"}, QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(TestBatchExport)
#include "tst_batchexport.moc"

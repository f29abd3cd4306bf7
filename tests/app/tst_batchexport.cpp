// The program for real, as its own process against the simulator on a pseudo-terminal: the batch export, the command
// line and the window's start.
#include "frame.h"
#include "instrument.h"
#include "samplegroups.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

struct Run
{
    int exitCode = -1; // -1: crashed, or ended by the test
    QString out;
    QString err;
};

class TestBatchExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void batch_data();
    void batch();
    void window_data();
    void window();

private:
    Run run(const QString &dir, QStringList arguments, const QStringList &environment = {},
            const std::function<bool()> &until = {});

    Instrument m_instrument;
};

// Without a display, Qt platform or logging rules unless `environment` sets them; "@" is the simulator's port.
Run TestBatchExport::run(const QString &dir, QStringList arguments, const QStringList &environment,
                         const std::function<bool()> &until)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES", "QT_MESSAGE_PATTERN"})
        env.remove(QString::fromLatin1(name));
    for (const QString &variable : environment)
        env.insert(variable.section('=', 0, 0), variable.section('=', 1));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LEEB_PROGRAM_PATH), arguments.replaceInStrings("@", m_instrument.slavePath()));
    // The simulator lives in this process: keep its event loop turning while the program talks to it.
    static_cast<void>(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning || (until && until()); }, 60000));
    p.kill();
    p.waitForFinished(5000);
    const bool ended = p.exitStatus() == QProcess::NormalExit && !until;
    return {ended ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

void TestBatchExport::initTestCase()
{
    m_instrument.setPacing(false);
    QVERIFY(m_instrument.open());
}

void TestBatchExport::batch_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // the whole of standard output for exit code 0, else on standard error
    const QString written = QStringLiteral("%1 group(s) written to a.").arg(sampleGroups().size());
    QTest::newRow("workbook") << QStringList{"--port", "@", "--export", "a.xlsx"} << 0 << written + "xlsx\n";
    QTest::newRow("report") << QStringList{"--export=a.pdf", "--port=@", "--timeout", "20"} << 0 << written + "pdf\n";
    QTest::newRow("no instrument within the timeout")
        << QStringList{"--port", "/dev/pts/nonexistent", "--export", "a.pdf", "--timeout", "1"} << 1
        << "no instrument answered within 1 s";
    QTest::newRow("unknown extension") << QStringList{"--export", "a.csv"} << 1 << "must end in .xlsx";
    QTest::newRow("unwritable target") << QStringList{"--export", "/nonexistent-dir/a.xlsx", "--port", "@"} << 1
                                       << "export to /nonexistent-dir/a.xlsx failed";
    QTest::newRow("no groups") << QStringList{"--export", "a.xlsx", "--port", "@"} << 1
                               << "the instrument holds no measurement groups\n";
    QTest::newRow("bad timeout") << QStringList{"--export", "a.pdf", "--timeout", "soon"} << 2 << "--timeout";
    QTest::newRow("timeout without export") << QStringList{"--timeout", "5"} << 2 << "--export only";
    QTest::newRow("unknown option with export")
        << QStringList{"--export", "a.pdf", "-reverse", "--baud"} << 2 << "Unknown option or argument: --baud\n";
    QTest::newRow("window without a display") << QStringList{"-style", "fusion"} << 1 << "use --export";
    QTest::newRow("help") << QStringList{"--port", "x", "--help", "--baud"} << 0 << "--export FILE";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "leeb-companion " LEEB_VERSION "\n";
}

void TestBatchExport::batch()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    m_instrument.setGroups(QTest::currentDataTag() == QLatin1String("no groups") ? QList<GroupRecord>{}
                                                                                 : sampleGroups());
    QTemporaryDir dir;
    const Run r = run(dir.path(), arguments);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(exitCode == 0 ? r.out.contains(message) && !r.err.contains("leeb.") : r.err.contains(message),
             qPrintable(r.err + r.out));
    // A written file is whole and alone; a refusal leaves nothing.
    const QString target = message.section(QLatin1String("written to "), 1).trimmed();
    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, target.isEmpty() ? QStringList{} : QStringList{target});
    QFile file(dir.filePath(target));
    QVERIFY(target.isEmpty() || (file.open(QIODevice::ReadOnly) && file.size() > 1000 &&
                                 file.read(4).startsWith(target.endsWith("pdf") ? "%PDF" : "PK")));
}

void TestBatchExport::window_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("debug");
    QTest::newRow("debug output off by default") << QStringList{} << false;
    QTest::newRow("debug output on request") << QStringList{"QT_LOGGING_RULES=leeb.*.debug=true"} << true;
}

void TestBatchExport::window()
{
    QFETCH(QStringList, environment);
    // Runs until the window asks for the groups, after it logged the link coming up.
    m_instrument.resetCounts();
    QTemporaryDir dir;
    const Run r =
        run(dir.path(), {"-platform", "offscreen", "-style", "fusion", "-reverse", "--baud", "9600", "--port", "@"},
            environment, [&] { return m_instrument.commandCount(CmdGetData) > 0; });
    QVERIFY2(m_instrument.commandCount(CmdGetData) > 0, qPrintable(r.err));
    QVERIFY2(r.err.contains(QLatin1String("ignoring unknown arguments: --baud 9600\n")), qPrintable(r.err));
    QTEST(r.err.contains(QLatin1String("leeb.link.uart: connected\n")), "debug");
}

QTEST_GUILESS_MAIN(TestBatchExport)
#include "tst_batchexport.moc"

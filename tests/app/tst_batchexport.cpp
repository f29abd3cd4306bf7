// The program as a process against the simulator: the batch export, its command line, no display.
#include "../archive/pgserver.h"
#include "../program.h"
#include "archive.h"
#include "groupencoder.h"
#include "instrument.h"
#include "samplegroups.h"

#include <QtTest>

namespace {

// No display, Qt platform or logging rules but those a row sets; nothing of the user's.
QProcessEnvironment programEnvironment(const QTemporaryDir &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES", "QT_MESSAGE_PATTERN"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("TMPDIR"), dir.path()); // the window's single-instance name, away from a real one
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("data")); // the default archive, away from the user's
    env.insert(QStringLiteral("LEEB_NAMED_PORTS_ONLY"), QStringLiteral("1")); // the simulator's port alone
    return env;
}

// Scripts read these columns by name.
const QByteArray CsvHeader = "download,station,port,slot,date,device,device_code,material,material_code,direction,"
                             "direction_code,scale,scale_code,table_set,HL,HL_status,HRB,HRB_status,HS,HS_status,HB,"
                             "HB_status,HRC,HRC_status,HV,HV_status,STR,STR_status,impact_count,impacts,part,heat,"
                             "location,operator,limit_scale,limit_low,limit_high,verdict,mean_hl,sd_hl,range_hl,"
                             "verified";
} // namespace

class TestBatchExport : public QObject
{
    Q_OBJECT
    Instrument m_instrument;

private slots:
    void initTestCase() { m_instrument.setPacing(false); }

    void program_data()
    {
        // As on a shell: variables, then the arguments; "@" is the simulator's port.
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // in standard output for exit code 0, else in standard error
        const QString written = QStringLiteral("%1 group(s) written to a.").arg(sampleGroups().size());
        QTest::newRow("report, its header from the settings file")
            << "--export=a.pdf --port=@ --timeout 20" << 0 << written + "pdf\n";
        QTest::newRow("no instrument within the timeout")
            << "--port /dev/pts/nonexistent --export a.pdf --timeout 1" << 1
            << "no instrument answered within 1 s\n  /dev/pts/nonexistent: does not exist\n";
        QTest::newRow("CSV, impossible dates the instrument holds: written, the groups named, the download archived")
            << "--port @ --export a.csv --archive data/a.sqlite" << 0 << written + "csv\n";
        QTest::newRow("CSV, every group tagged, the part's limit kept")
            << "--port @ --export a.csv --archive data/a.sqlite --part P-7 --heat=H1 --limits HRC:50:" << 0
            << written + "csv\n";
        QTest::newRow("workbook, every group tagged and judged")
            << "--port @ --export a.xlsx --archive data/a.sqlite --part P-7 --heat=H1 --limits HRC:50:" << 0
            << written + "xlsx\n";
        QTest::newRow("limits without a part") << "--export a.csv --limits HRC:50:" << 2 << "name it with --part";
        QTest::newRow("limits upside down")
            << "--export a.csv --part P --limits HB:300:200" << 2 << "the lower bound is above the upper one";
        QTest::newRow("limits in no scale") << "--export a.csv --part P --limits HRD:1:" << 2 << "unknown scale 'HRD'";
        QTest::newRow("limits without a bound") << "--export a.csv --part P --limits HV::" << 2 << "no bound given";
        QTest::newRow("part without export") << "--part P" << 2 << "--export only";
        QTest::newRow("unknown extension, no X: refused with the usage")
            << "QT_QPA_PLATFORM=xcb --export a.txt" << 2
            << "must end in .xlsx (workbook), .pdf (report) or .csv\nUsage:";
        QTest::newRow("archive server unreachable: written all the same, exit 3 with why")
            << "--port @ --export a.csv --archive postgresql:///leeb?host=/nonexistent-dir" << 3
            << written + "csv, but the download was not archived: cannot open the archive";
        QTest::newRow("unwritable target")
            << "--export /nonexistent-dir/a.xlsx --port @" << 1 << "export to /nonexistent-dir/a.xlsx failed";
        QTest::newRow("no groups") << "--export a.xlsx --port @" << 1 << "the instrument holds no measurement groups\n";
        QTest::newRow("timeout without export") << "--timeout 5" << 2 << "--export only";
        QTest::newRow("unknown option with export")
            << "--export a.pdf -reverse --baud" << 2 << "Unknown option or argument: --baud\n";
        QTest::newRow("window without a display") << "-style fusion" << 1 << "use --export";
    }

    void program()
    {
        QFETCH(QString, command);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QByteArray tag = QTest::currentDataTag();
        QList<GroupRecord> groups = tag == "no groups" ? QList<GroupRecord>{} : sampleGroups();
        const bool impossible = tag.contains("impossible"), header = tag.contains("settings file");
        if (impossible)
            groups[1].month = 13, groups[2].month = 2, groups[2].day = 30;
        m_instrument.setGroups(groups);
        // A terminal of its own for every row.
        QVERIFY(m_instrument.open());
        QTemporaryDir dir;
        QFile settings(dir.filePath("PrintConfig.ini")); // the report's header fields as the print dialog keeps them
        QVERIFY(!header ||
                (settings.open(QIODevice::WriteOnly) && settings.write("[LineEdit]\ncompanyName=North Lab\n")));
        settings.close();
        QProcessEnvironment env = programEnvironment(dir);
        QStringList arguments = command.replace('@', m_instrument.slavePath()).split(' ', Qt::SkipEmptyParts);
        while (arguments.value(0).contains('=') && !arguments.value(0).startsWith('-')) {
            const QString variable = arguments.takeFirst();
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        }
        const ProgramRun p = runProgram(QStringLiteral(LEEB_PROGRAM_PATH), arguments, env, dir.path());
        const QString out = QString::fromLocal8Bit(p.out), err = QString::fromLocal8Bit(p.err);
        QCOMPARE(p.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? out : err).contains(message), qPrintable(err + out));
        QVERIFY2(exitCode == 0 || out.isEmpty(), qPrintable(out));
        QVERIFY2(!err.contains("leeb."), qPrintable(err)); // no debug output unless asked for
        QVERIFY2(impossible ? err.contains("groups 2, 3: the instrument holds an impossible date\n")
                            : !err.contains("impossible"),
                 qPrintable(err));
        // A run leaves nothing but the file asked for (the archive knows the port), whole.
        const QString target = message.section(QLatin1String("written to "), 1).section(',', 0, 0).trimmed();
        QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        if (header)
            QVERIFY(files.removeOne(QStringLiteral("PrintConfig.ini")));
        QCOMPARE(files, target.isEmpty() ? QStringList{} : QStringList{target});
        // Every download is kept: in the default archive unless the row names one.
        Archive archive;
        QList<DownloadInfo> downloads;
        QByteArray payload;
        const QString archived = command.contains("--archive") ? "data/a.sqlite" : "data/leeb-companion/archive.sqlite";
        if (!target.isEmpty() && exitCode == 0)
            QVERIFY(archive.open(dir.filePath(archived), Archive::ReadOnly).ok() &&
                    archive.downloads({}, 0, 9, &downloads, nullptr) && downloads.size() == 1 &&
                    archive.payload(downloads.first().id, &payload, nullptr) && payload == encodeGroups(groups));
        QList<ArchivedGroup> tagged;
        QHash<QString, PartLimit> limits;
        if (command.contains("--part") && exitCode == 0)
            QVERIFY(archive.loadArchivedGroups(downloads.first().id, &tagged, nullptr) &&
                    tagged.size() == groups.size() && tagged.last().tags == (GroupTags{"P-7", "H1", "", "", ""}) &&
                    archive.partLimits(&limits, nullptr) && limits.value("P-7").low == 50 && !limits["P-7"].high);
        QFile file(dir.filePath(target));
        QVERIFY(target.isEmpty() || (file.open(QIODevice::ReadOnly) && file.size() > 1000));
        if (target.endsWith("csv")) {
            // The archived download's id, this station, the port; HL 700 of steel is HRC 48.
            const QList<QByteArray> lines = file.readAll().split('\n');
            QCOMPARE(lines.first(), CsvHeader);
            QCOMPARE(lines.size(), sampleGroups().size() + 2); // the last line ends too
            const QByteArray first = lines.at(1);
            QVERIFY2(first.startsWith((exitCode == 0 ? "1," : ",") + QSysInfo::machineHostName().toUtf8() + "," +
                                      m_instrument.slavePath().toUtf8() + ",1,") &&
                         first.contains(",HRC,2,1,700,Ok,") && first.contains(",48,Ok,") &&
                         (!command.contains("--part") || first.contains(",P-7,H1,,,HRC,50,,low,700,")),
                     first.constData());
        } else if (!target.isEmpty()) {
            QVERIFY(file.read(4).startsWith(target.endsWith("pdf") ? "%PDF" : "PK"));
            // The Data sheet's texts: the tags and the verdict of HRC 48 against 50.
            QVERIFY(!command.contains("--part") ||
                    run("unzip", {"-p", file.fileName(), "xl/sharedStrings.xml"}).contains("<t>P-7</t>"));
        }
        QVERIFY(!header || run("pdftotext", {file.fileName(), "-"}).contains("North Lab"));
    }

    // The archive's server freezes mid-export: the file is written, exit 3 within the timeout and the archive's bound.
    void frozenArchive()
    {
        QTemporaryDir serverDir;
        PgServer server(serverDir.path()); // thawed and stopped when this returns, also after a failed check
        QString error;
        QVERIFY2(server.init(&error), qPrintable(error));
        const QString location = server.createDatabase("frozen");
        m_instrument.setGroups(sampleGroups());
        QVERIFY(m_instrument.open());
        QTemporaryDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessEnvironment(programEnvironment(dir));
        const int timeoutS = 10;
        QElapsedTimer clock;
        clock.start();
        p.start(QStringLiteral(LEEB_PROGRAM_PATH), {"--export", "a.xlsx", "--port", m_instrument.slavePath(),
                                                    "--timeout", QString::number(timeoutS), "--archive", location});
        QVERIFY(server.waitForIdleClients("frozen", 1, 30000));
        QVERIFY(server.setFrozen(true));
        QVERIFY(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000));
        const qint64 took = clock.elapsed();
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, 3);
        QVERIFY2(err.contains("written to a.xlsx, but the download was not archived: "), err.constData());
        QVERIFY2(took < (timeoutS + 15) * 1000, qPrintable(QString::number(took)));
        QVERIFY(QFileInfo(dir.filePath("a.xlsx")).size() > 1000);
        qInfo("the export against a frozen archive server took %lld ms", took);
    }
};

QTEST_GUILESS_MAIN(TestBatchExport)
#include "tst_batchexport.moc"

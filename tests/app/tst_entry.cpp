// Start-up, language switching and restart with real settings files in a temporary working directory, and the
// command line with the environment that decides whether the window can come up.
#include "batchexport.h"
#include "entry.h"
#include "instrumentlink.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "settings.h"

#include <QPushButton>
#include <QtTest>

class TestEntry : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        initResources();
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void language_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no settings file at all
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("stored");
        QTest::newRow("no file: Chinese") << QByteArray() << "硬度计" << 1;
        QTest::newRow("1: English, print fields kept")
            << QByteArray("[LineEdit]\nbatch=B-17\ncompanyName=Works 3\n\n[MainWindow]\nlanguage=1\n")
            << "Hardness tester" << 0;
        QTest::newRow("2: English, only the lowest bit flips")
            << QByteArray("[MainWindow]\nlanguage=2\n") << "Hardness tester" << 3;
        QTest::newRow("not a number: Chinese") << QByteArray("[MainWindow]\nlanguage=abc\n") << "硬度计" << 1;
    }

    void language()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, stored);
        QFile f(QStringLiteral("PrintConfig.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly)); // emptied, and removed when the row has no file
        QVERIFY(f.write(file) == file.size() && f.flush() && (!file.isEmpty() || f.remove()));
        f.close();

        QTranslator translator;
        installCatalogue(&translator);
        MainWindow window;
        QTEST(window.windowTitle(), "title");
        // Reading never creates the file.
        QCOMPARE(QFile::exists(QStringLiteral("PrintConfig.ini")), !file.isEmpty());

        auto *language = window.findChild<QPushButton *>(QStringLiteral("pushButton_language"));
        QTimer::singleShot(0, language, &QPushButton::click);
        // The switch restarts the program with the arguments it was given; a window closed starts nothing.
        const QStringList arguments{"/opt/prog", "--port", "/dev/pts/4", "--port=/dev/ttyUSB1"};
        const Restart restart = restartAfter(qApp->exec(), QStringLiteral("/opt/prog"), arguments);
        QVERIFY(restart.needed && restart.program == arguments[0] && restart.arguments == arguments.mid(1));
        QVERIFY(!restartAfter(0, arguments[0], arguments).needed && !restartAfter(1, arguments[0], arguments).needed);

        // The file as it was (or as the program makes it), only the language changed.
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = file.isEmpty() ? QByteArray("[MainWindow]\nlanguage=0\n") : file;
        QCOMPARE(f.readAll(), before.left(before.lastIndexOf('=') + 1) + QByteArray::number(stored) + '\n');
        QCoreApplication::removeTranslator(&translator);
    }

    void lastPortFromArchive()
    {
        // An older settings file names a port; the archive's latest download from this station comes before it.
        QFile settings(Settings::fileName);
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[Link]\nlastPort=/dev/ttyS9\n") > 0);
        settings.close();
        const QString path = m_dir.filePath("ports.sqlite");
        {
            Archive archive;
            const QByteArray payload(5200, '\0');
            const QDateTime day(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
            QVERIFY(archive.open(path).ok() && archive.storeDownload(makeDownload(payload, "/dev/ttyUSB3", day)).ok() &&
                    archive.storeDownload(makeDownload(payload, "/dev/ttyACM1", day.addDays(1)), "lab-2").ok());
        }
        BatchExport job({}, "a.xlsx", 5);
        QCOMPARE(job.link()->lastPort(), QStringLiteral("/dev/ttyS9"));
        job.link()->setSystemPortsEnabled(false);
        job.setArchive(path);
        QVERIFY(job.start());
        QCOMPARE(job.link()->lastPort(), QStringLiteral("/dev/ttyUSB3"));
        QVERIFY(settings.remove());
    }

    void options_data()
    {
        // As on a shell, variables first, then "=>" and what comes of it: "refused", or whether the window may start
        // ("window", or "no display" where Qt would abort), the ports and the arguments left for a warning.
        QTest::addColumn<QString>("run");
        QTest::newRow("two ports, nothing set")
            << "--port /dev/pts/3 --port=ttyUSB0 => no display; /dev/pts/3 ttyUSB0; ";
        QTest::newRow("Qt's options with their values, -platform before QT_QPA_PLATFORM")
            << "QT_QPA_PLATFORM=xcb -platform offscreen -style fusion --stylesheet a.qss -reverse -qwindowgeometry "
               "640x480 "
               "-title T -graphicssystem raster --style=fusion --port p => window; p; ";
        QTest::newRow("unknown ones for a warning")
            << "DISPLAY=:0 --baud 9600 -platform=offscreen => window; ; --baud 9600 -platform=offscreen";
        QTest::newRow("-platform xcb") << "QT_QPA_PLATFORM=offscreen -platform xcb => no display; ; ";
        QTest::newRow("headless fallback") << "QT_QPA_PLATFORM=xcb;offscreen:size=64x64 => window; ; ";
        QTest::newRow("WAYLAND_DISPLAY") << "WAYLAND_DISPLAY=wayland-1 => window; ; ";
        QTest::newRow("wayland without its socket")
            << "QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR=/none => no display; ; ";
        QTest::newRow("port without name") << "--port => refused";
        QTest::newRow("export to an ending it does not write") << "--export a.txt => refused";
    }

    void options()
    {
        QFETCH(QString, run);
        QStringList arguments = run.section(" => ", 0, 0).split(' ', Qt::SkipEmptyParts);
        QProcessEnvironment env;
        while (arguments.value(0).contains('=') && !arguments.value(0).startsWith('-')) {
            const QString variable = arguments.takeFirst();
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        }
        const Options o = parseOptions(QStringList{"prog"} + arguments);
        QCOMPARE(o.error.isEmpty(), o.ok);
        const QString outcome = !o.ok ? "refused" : displayReachable(o, env) ? "window" : "no display";
        const QStringList parsed{outcome, o.ports.join(' '), o.unknown.join(' ')};
        QCOMPARE(o.ok ? parsed.join("; ") : outcome, run.section(" => ", 1));
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"

// Start-up and language switching with real settings files in a temporary working directory, and the entry's
// decisions (command line, restart) through its seams.
#include "entry.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

class TestEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void language_data();
    void language();
    void restart();
    void options_data();
    void options();

private:
    QTemporaryDir m_dir;
};

void TestEntry::initTestCase()
{
    initResources();
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestEntry::language_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no settings file at all
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("stored");
    QTest::newRow("no file: Chinese") << QByteArray() << "硬度计" << 1;
    QTest::newRow("1: English, print fields kept")
        << QByteArray("[LineEdit]\nbatch=B-17\ncompanyName=Works 3\n\n[MainWindow]\nlanguage=1\n") << "Hardness tester"
        << 0;
    QTest::newRow("2: English, only the lowest bit flips")
        << QByteArray("[MainWindow]\nlanguage=2\n") << "Hardness tester" << 3;
    QTest::newRow("not a number: Chinese") << QByteArray("[MainWindow]\nlanguage=abc\n") << "硬度计" << 1;
}

void TestEntry::language()
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
    QCOMPARE(qApp->exec(), RestartExitCode);

    // The file as it was (or as the program makes it), only the language changed.
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = file.isEmpty() ? QByteArray("[MainWindow]\nlanguage=0\n") : file;
    QCOMPARE(f.readAll(), before.left(before.lastIndexOf('=') + 1) + QByteArray::number(stored) + '\n');
    QCoreApplication::removeTranslator(&translator);
}

void TestEntry::restart()
{
    // A language switch restarts with the same arguments; any other end of the event loop starts nothing.
    const QStringList arguments{"/opt/prog", "--port", "/dev/pts/4", "--port=/dev/ttyUSB1"};
    const Restart r = restartAfter(RestartExitCode, QStringLiteral("/opt/prog"), arguments);
    QVERIFY(r.needed);
    QCOMPARE(r.program, QStringLiteral("/opt/prog"));
    QCOMPARE(r.arguments, arguments.mid(1));
    QVERIFY(!restartAfter(0, r.program, arguments).needed);
    QVERIFY(!restartAfter(1, r.program, arguments).needed);
}

void TestEntry::options_data()
{
    // outcome: "refused", or whether the window may start: "window" or "no display" (where Qt would abort).
    // parsed: the ports, "|", the unknown arguments.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("parsed");
    QTest::newRow("two ports in order, nothing set")
        << QStringList{"--port", "/dev/pts/3", "--port=ttyUSB0"} << QStringList{} << "no display"
        << "/dev/pts/3 ttyUSB0|";
    QTest::newRow("Qt's options with their values, -platform before QT_QPA_PLATFORM")
        << QStringList{"-platform",    "offscreen",      "-style",   "fusion",
                       "--stylesheet", "a.qss",          "-reverse", "-qwindowgeometry",
                       "640x480",      "-title",         "T",        "-graphicssystem",
                       "raster",       "--style=fusion", "--port",   "p"}
        << QStringList{"QT_QPA_PLATFORM=xcb"} << "window"
        << "p|";
    QTest::newRow("unknown ones are left for a warning, DISPLAY")
        << QStringList{"--baud", "9600", "-platform=offscreen"} << QStringList{"DISPLAY=:0"} << "window"
        << "|--baud 9600 -platform=offscreen";
    QTest::newRow("-platform xcb, QT_QPA_PLATFORM headless")
        << QStringList{"-platform", "xcb"} << QStringList{"QT_QPA_PLATFORM=offscreen"} << "no display"
        << "|";
    QTest::newRow("headless fallback with plugin options")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb;offscreen:size=64x64"} << "window"
        << "|";
    QTest::newRow("WAYLAND_DISPLAY") << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-1"} << "window"
                                     << "|";
    QTest::newRow("wayland without its socket")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR=/nonexistent"} << "no display"
        << "|";
    QTest::newRow("port without name") << QStringList{"--port"} << QStringList{} << "refused"
                                       << "";
}

void TestEntry::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    const Options o = parseOptions(QStringList{"prog"} + arguments);
    QProcessEnvironment env;
    for (const QString &variable : environment)
        env.insert(variable.section('=', 0, 0), variable.section('=', 1));
    QCOMPARE(o.error.isEmpty(), o.ok);
    QTEST(QString(!o.ok ? "refused" : displayReachable(o, env) ? "window" : "no display"), "outcome");
    if (o.ok)
        QTEST(o.ports.join(' ') + '|' + o.unknown.join(' '), "parsed");
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"

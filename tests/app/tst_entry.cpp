// Start-up and language switching with real settings files in a temporary working directory, and the entry's
// decisions (command line, restart) through its seams.
#include "entry.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

class TestEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void language_data();
    void language();
    void restart_data();
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

void TestEntry::init()
{
    QFile::remove(QStringLiteral("PrintConfig.ini"));
}

void TestEntry::language_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no settings file at all
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("reacquire");
    QTest::addColumn<int>("stored");
    QTest::newRow("no file: Chinese") << QByteArray() << "硬度计"
                                      << "重新获取" << 1;
    QTest::newRow("1: English") << QByteArray("[MainWindow]\nlanguage=1\n") << "Hardness tester"
                                << "Reacquire" << 0;
    QTest::newRow("2: English, only the lowest bit flips")
        << QByteArray("[MainWindow]\nlanguage=2\n") << "Hardness tester"
        << "Reacquire" << 3;
    QTest::newRow("not a number: Chinese") << QByteArray("[MainWindow]\nlanguage=abc\n") << "硬度计"
                                           << "重新获取" << 1;
    QTest::newRow("print fields kept")
        << QByteArray("[LineEdit]\nbatch=B-17\ncompanyName=Works 3\n\n[MainWindow]\nlanguage=0\n") << "硬度计"
        << "重新获取" << 1;
}

void TestEntry::language()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(QString, reacquire);
    QFETCH(int, stored);
    if (!file.isEmpty()) {
        QFile f(QStringLiteral("PrintConfig.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }

    QTranslator translator;
    installCatalogue(&translator);
    MainWindow window;
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("pushButton_gain"))->text(), reacquire);
    // Reading never creates the file.
    QCOMPARE(QFile::exists(QStringLiteral("PrintConfig.ini")), !file.isEmpty());

    auto *language = window.findChild<QPushButton *>(QStringLiteral("pushButton_language"));
    QTimer::singleShot(0, language, &QPushButton::click);
    QCOMPARE(qApp->exec(), RestartExitCode);

    QSettings settings(QStringLiteral("PrintConfig.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("MainWindow/language")).toString(), QString::number(stored));
    if (file.contains("LineEdit")) {
        QCOMPARE(settings.value(QStringLiteral("LineEdit/batch")).toString(), QStringLiteral("B-17"));
        QCOMPARE(settings.value(QStringLiteral("LineEdit/companyName")).toString(), QStringLiteral("Works 3"));
    }
    QCoreApplication::removeTranslator(&translator);
}

void TestEntry::restart_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("needed");
    QTest::newRow("language switch") << 888 << true;
    QTest::newRow("window closed") << 0 << false;
    QTest::newRow("other code") << 1 << false;
}

void TestEntry::restart()
{
    QFETCH(int, exitCode);
    QFETCH(bool, needed);
    const QStringList arguments{QStringLiteral("/opt/prog"), QStringLiteral("--port"), QStringLiteral("/dev/pts/4"),
                                QStringLiteral("--port=/dev/ttyUSB1")};
    const Restart r = restartAfter(exitCode, QStringLiteral("/opt/prog"), arguments);
    QCOMPARE(r.needed, needed);
    if (needed) {
        QCOMPARE(r.program, QStringLiteral("/opt/prog"));
        QCOMPARE(r.arguments, arguments.mid(1));
    }
}

void TestEntry::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("ports");
    QTest::newRow("none") << QStringList{"prog"} << true << QStringList{};
    QTest::newRow("two ports, in order") << QStringList{"prog", "--port", "/dev/pts/3", "--port=ttyUSB0"} << true
                                         << QStringList{"/dev/pts/3", "ttyUSB0"};
    QTest::newRow("unknown option") << QStringList{"prog", "--baud", "9600"} << false << QStringList{};
    QTest::newRow("port without name") << QStringList{"prog", "--port"} << false << QStringList{};
    QTest::newRow("stray argument") << QStringList{"prog", "/dev/pts/3"} << false << QStringList{};
}

void TestEntry::options()
{
    QFETCH(QStringList, arguments);
    const Options o = parseOptions(arguments);
    QTEST(o.ok, "ok");
    QTEST(o.ports, "ports");
    QCOMPARE(o.error.isEmpty(), o.ok);
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"

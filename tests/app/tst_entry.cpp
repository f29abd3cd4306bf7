// Start-up language from real settings files, the switch, and the command line with its environment.
#include "entry.h"
#include "languagesettings.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QtTest>
#include <QtWidgets>

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
        QTest::newRow("2: English, the switch brings Chinese")
            << QByteArray("[MainWindow]\nlanguage=2\n") << "Hardness tester" << 0;
    }

    void language()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, stored);
        QFile f(QStringLiteral("PrintConfig.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly)); // emptied, and removed when the row has no file
        QVERIFY(f.write(file) == file.size() && f.flush() && (!file.isEmpty() || f.remove()));
        f.close();

        installCatalogue();
        MainWindow window;
        QTEST(window.windowTitle(), "title");
        QCOMPARE(QFile::exists(QStringLiteral("PrintConfig.ini")), !file.isEmpty()); // reading never creates it
        // The switch speaks the other language at once, in the same window.
        window.findChild<QPushButton *>(QStringLiteral("pushButton_language"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(window.windowTitle(), QString::fromUtf8(stored ? "Hardness tester" : "硬度计"));

        // The file as it was (or as the program makes it), only the language changed.
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray kept = file.isEmpty() ? QByteArray("[MainWindow]\nlanguage=0\n") : file;
        QCOMPARE(f.readAll(), kept.left(kept.lastIndexOf('=') + 1) + QByteArray::number(stored) + '\n');
    }

    void qtTexts_data()
    {
        // Qt's own dialog texts and calendar names in the program's language.
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("shown"); // a Yes button, January
        QTest::newRow("Chinese") << 0 << "是(&Y) 一月";
        QTest::newRow("English") << 1 << "&Yes January";
    }

    void qtTexts()
    {
        QFETCH(int, language);
        const QString folder = LanguageSettings::qtCatalogueFolder();
        if (language == 0 && !QFile::exists(folder + "/qtbase_zh_CN.qm"))
            QSKIP("Qt's Chinese catalogue is not installed (qttranslations5-l10n or qt6-translations-l10n)");
        QFile f(QStringLiteral("PrintConfig.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[MainWindow]\nlanguage=" + QByteArray::number(language)));
        f.close();
        installCatalogue();
        const auto shown = [] {
            return QDialogButtonBox(QDialogButtonBox::Yes).button(QDialogButtonBox::Yes)->text() + ' ' +
                   QCalendarWidget().locale().standaloneMonthName(1);
        };
        QTEST(shown(), "shown");
        // Without the catalogue the start goes on, with a warning and Qt's texts in English.
        LanguageSettings::install(1);
        QTranslator qtTranslator;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot load Qt's own Chinese texts"));
        QVERIFY(!LanguageSettings::installQtTexts(0, &qtTranslator, m_dir.path()));
        QVERIFY(shown().startsWith("&Yes "));
    }

    void options_data()
    {
        // Variables and arguments "=>" refused, or window / no display; the ports; the arguments left unknown.
        QTest::addColumn<QString>("run");
        QTest::newRow("two ports, nothing set")
            << "--port /dev/pts/3 --port=ttyUSB0 => no display; /dev/pts/3 ttyUSB0; ";
        QTest::newRow("Qt's options with their values, -platform before QT_QPA_PLATFORM")
            << "QT_QPA_PLATFORM=xcb -platform offscreen -style fusion --stylesheet a.qss -reverse -qwindowgeometry "
               "640x480 -title T -graphicssystem raster --style=fusion --port p => window; p; ";
        QTest::newRow("unknown ones for a warning")
            << "DISPLAY=:0 --baud 9600 -platform=offscreen => window; ; --baud 9600 -platform=offscreen";
        QTest::newRow("-platform xcb") << "QT_QPA_PLATFORM=offscreen -platform xcb => no display; ; ";
        QTest::newRow("headless fallback") << "QT_QPA_PLATFORM=xcb;offscreen:size=64x64 => window; ; ";
        QTest::newRow("WAYLAND_DISPLAY") << "WAYLAND_DISPLAY=wayland-1 => window; ; ";
        QTest::newRow("wayland without its socket")
            << "QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR=/none => no display; ; ";
        QTest::newRow("port without name") << "--port => refused";
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

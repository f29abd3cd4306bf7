#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QTranslator;

// What the program was asked to do on its command line. Qt's own options (-platform, -style, ...) are stepped over
// here and left in argv for the application object, which takes them itself.
struct Options
{
    QStringList arguments;      // as given, Qt's options included (the application object takes those out of argv)
    QStringList ports;          // --port NAME, repeatable: probed first, before the system's ports
    QString exportFile;         // --export FILE: download once, write FILE, exit; no window
    int timeoutSeconds = 30;    // --timeout SECONDS for --export
    bool help = false;          // --help, -h: print the usage, exit 0
    bool version = false;       // --version: print the program name and version, exit 0
    QString platform;           // the value of Qt's -platform, if given
    bool displayOption = false; // Qt's -display NAME names the X display
    QStringList unknown;        // neither ours nor Qt's: a warning for the window, refused by --export
    bool listPorts = false;     // --list-ports: print the ports and whether they can be opened, exit
    QString archive; // --archive LOCATION: an SQLite file or postgresql://...; empty: the settings or default
    bool ok = true;
    QString error; // why the command line was refused
};

Options parseOptions(const QStringList &arguments);
QString usage(const QString &program);
QString versionText(); // "leeb-companion 0.1"

// Whether the window can come up: false when the platform plugin Qt would load needs a windowing system and none is
// named in the environment, where Qt would abort. Platforms this does not know are left to Qt.
bool displayReachable(const Options &options, const QProcessEnvironment &environment);

// After the event loop: whether to start the program afresh, and with which arguments. A language switch restarts
// with the arguments this instance was given (without the program name), so that --port survives the switch.
struct Restart
{
    bool needed = false;
    QString program;
    QStringList arguments;
};

Restart restartAfter(int exitCode, const QString &program, const QStringList &arguments);

// Loads the catalogue of the language stored in the settings file into `translator` and installs it; with
// `qtTranslator`, Qt's own texts follow that language too (LanguageSettings::installQtTexts).
void installCatalogue(QTranslator *translator, QTranslator *qtTranslator = nullptr);

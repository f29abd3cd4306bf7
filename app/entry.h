#pragma once

#include "judgement.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

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
    GroupTags tags;  // --part, --heat, --location, --operator: written on every group of the download exported
    PartLimit limit; // --limits SCALE:LOW:HIGH for the part of --part; isSet() when given
    bool ok = true;
    QString error; // why the command line was refused
};

Options parseOptions(const QStringList &arguments);
// SCALE:LOW:HIGH, the scale's name (HL, HRB, HRC, HB, HV, HS, STR) and whole-number bounds, either one empty.
bool parsePartLimit(const QString &text, PartLimit *limit, QString *error);
QString usage(const QString &program);
QString versionText(); // "leeb-companion 0.1"

// Whether the window can come up: false when the platform plugin Qt would load needs a windowing system and none is
// named in the environment, where Qt would abort. Platforms this does not know are left to Qt.
bool displayReachable(const Options &options, const QProcessEnvironment &environment);

// Installs the catalogues of the language stored in the settings file.
void installCatalogue();

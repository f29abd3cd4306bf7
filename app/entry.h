#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// What the program was asked to do on its command line.
struct Options
{
    QStringList ports;       // --port NAME, repeatable: probed first, before the system's ports
    QString exportFile;      // --export FILE: download once, write FILE, exit; no window
    int timeoutSeconds = 30; // --timeout SECONDS for --export
    bool listPorts = false;  // --list-ports: print the ports and whether they can be opened, exit
    bool ok = true;
    QString error; // why the command line was refused
};

Options parseOptions(const QStringList &arguments);
QString usage(const QString &program);

// After the event loop: whether to start the program afresh, and with which arguments. A language switch restarts
// with the arguments this instance was given (without the program name), so that --port survives the switch.
struct Restart
{
    bool needed = false;
    QString program;
    QStringList arguments;
};

Restart restartAfter(int exitCode, const QString &program, const QStringList &arguments);

// Loads the catalogue of the language stored in the settings file into `translator` and installs it.
void installCatalogue(QTranslator *translator);

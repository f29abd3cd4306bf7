#include "entry.h"

#include "languagesettings.h"
#include "mainwindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QTranslator>

Options parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Probe the serial port NAME (a device path) first, before the "
                                                 "system's own ports. May be given more than once."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption exportFile(QStringLiteral("export"),
                                        QStringLiteral("Download the groups once, write them to FILE (.xlsx or .pdf) "
                                                       "and exit, without a window."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("With --export: give up after SECONDS (default 30)."),
                                     QStringLiteral("SECONDS"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"),
                                       QStringLiteral("List the serial ports and whether this user can open them."));
    parser.addOption(listPorts);
    parser.addOption(port);
    parser.addOption(exportFile);
    parser.addOption(timeout);
    Options options;
    if (!parser.parse(arguments)) {
        options.ok = false;
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.ok = false;
        options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return options;
    }
    options.ports = parser.values(port);
    options.listPorts = parser.isSet(listPorts);
    options.exportFile = parser.value(exportFile);
    if (parser.isSet(exportFile) && options.exportFile.isEmpty()) {
        options.ok = false;
        options.error = QStringLiteral("--export needs a file name");
        return options;
    }
    if (parser.isSet(timeout)) {
        bool number = false;
        options.timeoutSeconds = parser.value(timeout).toInt(&number);
        if (!number || options.timeoutSeconds <= 0 || !parser.isSet(exportFile)) {
            options.ok = false;
            options.error = !parser.isSet(exportFile)
                                ? QStringLiteral("--timeout is used with --export only")
                                : QStringLiteral("--timeout takes a whole number of seconds above 0, not '%1'")
                                      .arg(parser.value(timeout));
            return options;
        }
    }
    return options;
}

Restart restartAfter(int exitCode, const QString &program, const QStringList &arguments)
{
    Restart restart;
    if (exitCode != RestartExitCode)
        return restart;
    restart.needed = true;
    restart.program = program;
    restart.arguments = arguments.mid(1);
    return restart;
}

void installCatalogue(QTranslator *translator)
{
    const QString catalogue = QString::fromLatin1(LanguageSettings::catalogue(LanguageSettings::load()));
    if (!translator->load(catalogue))
        qWarning() << "cannot load" << catalogue;
    QCoreApplication::installTranslator(translator);
}

QString usage(const QString &program)
{
    return QStringLiteral("Usage: %1 [--port NAME]...\n"
                          "       %1 --export FILE.xlsx|FILE.pdf [--timeout SECONDS] [--port NAME]...\n"
                          "       %1 --list-ports [--port NAME]...")
        .arg(program);
}

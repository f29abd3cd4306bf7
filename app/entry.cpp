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
                                  QStringLiteral("Also probe the serial port NAME (a device path), after the system's "
                                                 "own ports. May be given more than once."),
                                  QStringLiteral("NAME"));
    parser.addOption(port);
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

#include "batchexport.h"
#include "entry.h"
#include "instrumentlink.h"
#include "listports.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "settings.h"
#include "singleinstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QProcessEnvironment>

#include <cstdio>

namespace {

// Set by the test suite for every test: the --port names are the only ports probed, so that no test writes to a
// device of the host (a lab PC's instrument among them).
bool systemPortsWanted()
{
    return qEnvironmentVariableIntValue("LEEB_NAMED_PORTS_ONLY") == 0;
}

int runWindow(QApplication &app, const Options &options)
{
    SingleInstance instance;
    switch (instance.claim()) {
    case SingleInstance::First:
        break;
    case SingleInstance::Raised:
        return 0;
    case SingleInstance::AlreadyRunning:
        QMessageBox::information(nullptr, QString(), QObject::tr("程序已在运行"));
        return 0;
    }
    MainWindow window;
    window.setExtraPortNames(options.ports);
    window.link()->setSystemPortsEnabled(systemPortsWanted());
    bool settingsIgnored = false;
    window.setArchiveLocation(resolveArchiveLocation(options.archive, &settingsIgnored));
    if (settingsIgnored)
        window.warnUntrustedSettings();
    instance.setWindow(&window);
    window.show();
    window.startLink();
    const int result = app.exec();
    instance.setWindow(nullptr);
    return result;
}

int runExport(QApplication &app, const Options &options)
{
    // The report's rows are drawn in the application font, as they are from the window.
    setEmbeddedApplicationFont();
    BatchExport job(options.ports, options.exportFile, options.timeoutSeconds);
    bool settingsIgnored = false;
    job.setArchive(resolveArchiveLocation(options.archive, &settingsIgnored));
    job.setTags(options.tags, options.limit);
    if (settingsIgnored)
        std::fprintf(stderr,
                     "warning: %s belongs to another user or others may change it: its archive location is "
                     "not used, the default archive is\n",
                     qPrintable(QFileInfo(QString::fromLatin1(Settings::fileName)).absoluteFilePath()));
    job.link()->setSystemPortsEnabled(systemPortsWanted());
    QObject::connect(&job, &BatchExport::finished, &app, &QCoreApplication::exit);
    if (!job.start())
        return 2; // a file name the export cannot write; the command line refuses it before
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before the application exists: a batch export must not need a display, and the window
    // must say it needs one rather than let Qt abort. Qt's own options stay in argv for the application object.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Options options = parseOptions(arguments);
    if (options.help || options.version) {
        std::printf("%s\n", qPrintable(options.help ? usage(arguments.value(0)) : versionText()));
        return 0;
    }
    if (!options.ok) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(options.error), qPrintable(usage(arguments.value(0))));
        return 2;
    }
    if (options.listPorts) {
        QCoreApplication app(argc, argv);
        for (const QString &line : listPorts(options.ports))
            std::printf("%s\n", qPrintable(line));
        return 0;
    }
    const bool batch = !options.exportFile.isEmpty();
    if (!options.unknown.isEmpty())
        std::fprintf(stderr, "ignoring unknown arguments: %s\n", qPrintable(options.unknown.join(QLatin1Char(' '))));
    const bool display = displayReachable(options, QProcessEnvironment::systemEnvironment());
    if (!batch && !display) {
        std::fprintf(stderr, "the window needs a display and none is set (DISPLAY, WAYLAND_DISPLAY, -platform); "
                             "without one, use --export FILE.xlsx|FILE.pdf|FILE.csv\n");
        return 1;
    }
    // A batch run needs no display: offscreen, unless the platform chosen in the environment can come up.
    if (batch && (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !display))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Debug output on request only, QT_LOGGING_RULES="leeb.*.debug=true": its rules override these. A batch run's
    // standard error carries its outcome, and the window's terminal stays quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false\ndefault.debug=false"));

    QApplication app(argc, argv);
    initResources();
    installCatalogue();
    return batch ? runExport(app, options) : runWindow(app, options);
}

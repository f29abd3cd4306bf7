#include "batchexport.h"
#include "entry.h"
#include "listports.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "singleinstance.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QProcess>
#include <QTranslator>

#include <cstdio>

namespace {

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
    int result = 0;
    Restart restart;
    {
        MainWindow window;
        window.setExtraPortNames(options.ports);
        instance.setWindow(&window);
        window.show();
        result = app.exec();
        instance.setWindow(nullptr);
        restart = restartAfter(result, QCoreApplication::applicationFilePath(), QCoreApplication::arguments());
    }
    // The next instance must find the name free.
    instance.release();
    if (restart.needed) {
        QProcess::startDetached(restart.program, restart.arguments);
        result = 0;
    }
    return result;
}

int runExport(QApplication &app, const Options &options)
{
    // The report's rows are drawn in the application font, as they are from the window.
    QFont font(embeddedFontFamily());
    font.setPointSize(18);
    QApplication::setFont(font);
    BatchExport job(options.ports, options.exportFile, options.timeoutSeconds);
    QObject::connect(&job, &BatchExport::finished, &app, &QCoreApplication::exit);
    if (!job.start())
        return 1;
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before the application exists: a batch export must not need a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Options options = parseOptions(arguments);
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
    if (batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A batch run's standard error carries its outcome; the link's diagnostics would bury it.
    if (batch && qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false"));

    QApplication app(argc, argv);
    initResources();
    QTranslator translator;
    installCatalogue(&translator);
    return batch ? runExport(app, options) : runWindow(app, options);
}

#include "entry.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QApplication>
#include <QProcess>
#include <QTranslator>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initResources();

    const Options options = parseOptions(QCoreApplication::arguments());
    if (!options.ok) {
        std::fprintf(stderr, "%s\nUsage: %s [--port NAME]...\n", qPrintable(options.error), argv[0]);
        return 2;
    }

    QTranslator translator;
    installCatalogue(&translator);

    int result = 0;
    Restart restart;
    {
        MainWindow window;
        window.setExtraPortNames(options.ports);
        window.show();
        result = app.exec();
        restart = restartAfter(result, QCoreApplication::applicationFilePath(), QCoreApplication::arguments());
    }
    if (restart.needed) {
        QProcess::startDetached(restart.program, restart.arguments);
        result = 0;
    }
    return result;
}

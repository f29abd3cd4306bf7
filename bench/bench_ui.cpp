// The window's costs: a 100-group download from the delivered frame to the filled table, panel and chart; start-up
// to the shown window against a bare Qt window; resident memory after a download.
//
//   bench_ui                       Google Benchmark of the download path, then the start-up and memory figures
//   bench_ui --probe main|bare     (internal) start, show a window, print "shown" and, for main, the memory
#include "groupencoder.h"
#include "instrumentlink.h"
#include "mainwindow.h"
#include "resourcesinit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray hundredGroups()
{
    QList<GroupRecord> records;
    for (int i = 0; i < 100; ++i) {
        GroupRecord r;
        r.month = 1 + i % 12;
        r.day = 1 + i % 28;
        r.groupValue = quint16(350 + 5 * i);
        r.scale = quint8(i % 6);
        r.device = quint8(1 + i % 7);
        r.material = quint8(i % 9);
        r.impactCount = 32;
        for (int k = 0; k < 32; ++k)
            r.impacts[k] = quint16(r.groupValue - 10 + k % 20);
        records.append(r);
    }
    return encodeGroups(records);
}

void BM_DownloadToView(benchmark::State &state)
{
    MainWindow window;
    window.show();
    const QByteArray payload = hundredGroups();
    for (auto _ : state) {
        // What the link does with a verified group frame: the slot runs inside the emission.
        emit window.link()->downloadReceived(makeDownload(payload, QStringLiteral("bench")));
        benchmark::DoNotOptimize(window.groups().size());
    }
}
BENCHMARK(BM_DownloadToView)->Unit(benchmark::kMillisecond);

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int probe(int argc, char **argv, bool mainWindow)
{
    QApplication app(argc, argv);
    QMainWindow *window = nullptr;
    if (mainWindow) {
        initResources();
        window = new MainWindow;
    } else {
        window = new QMainWindow;
    }
    window->show();
    QTimer::singleShot(0, [&] {
        std::printf("shown\n");
        if (mainWindow) {
            emit static_cast<MainWindow *>(window)->link()->downloadReceived(
                makeDownload(hundredGroups(), QStringLiteral("bench")));
            QCoreApplication::processEvents();
            std::printf("rss %ld\n", residentKiB());
        }
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    const int rc = app.exec();
    delete window;
    return rc;
}

// Median wall time from starting the process to its "shown" line, in ms.
double startupMs(const QString &which, int runs, long *rss)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe"), which});
        if (!p.waitForReadyRead(30000))
            return -1;
        times.push_back(clock.nsecsElapsed() / 1e6);
        p.waitForFinished(30000);
        const QByteArray out = p.readAll();
        const int at = out.indexOf("rss ");
        if (rss && at >= 0)
            *rss = out.mid(at + 4).trimmed().toLong();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false"));
    // The window reads ./PrintConfig.ini; an empty folder keeps a developer's file out of the figures.
    QTemporaryDir dir;
    if (argc == 3 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv, qstrcmp(argv[2], "main") == 0);
    QDir::setCurrent(dir.path());

    {
        QApplication app(argc, argv);
        initResources();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        long rss = -1;
        const double bare = startupMs(QStringLiteral("bare"), 9, nullptr);
        const double full = startupMs(QStringLiteral("main"), 9, &rss);
        std::printf("start-up to shown window: %.1f ms (bare Qt window %.1f ms), ratio %.2f\n", full, bare,
                    bare > 0 ? full / bare : 0.0);
        std::printf("resident memory after a 100-group download: %.1f MiB\n", rss / 1024.0);
    }
    return 0;
}

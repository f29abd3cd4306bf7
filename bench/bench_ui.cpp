// The window's costs: a 100-group download from the delivered frame to the filled table, panel and chart; start-up
// to the first painted frame against a bare Qt window (as Qt sizes it, and as large as the program's), and to the
// latest archived download on screen; resident memory after a download.
//
//   bench_ui                                    Google Benchmark of the download path, then the other figures
//   bench_ui --probe main|bare|sized [ARCHIVE]  (internal) start as the program does, print "shown" once the first
//                                               frame is painted; main then prints "archive" once ARCHIVE's latest
//                                               download is on screen, and the memory after a download
#include "archive.h"
#include "groupencoder.h"
#include "instrumentlink.h"
#include "languagesettings.h"
#include "mainwindow.h"
#include "resourcesinit.h"
#include "settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
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

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Calls done once the window's first frame is painted: the expose event paints the window before a call queued from
// it runs.
class FirstFrame : public QObject
{
public:
    FirstFrame(QWindow *window, std::function<void()> done) : m_done(std::move(done))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(this, m_done, Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_done;
};

// What app/main.cpp does for the window, less the single-instance check.
int probe(int argc, char **argv, const QByteArray &which, const QString &archive)
{
    QApplication app(argc, argv);
    QTranslator translator;
    QMainWindow *window = nullptr;
    MainWindow *main = nullptr;
    if (which == "main") {
        initResources();
        if (translator.load(QString::fromLatin1(LanguageSettings::catalogue(Settings::language()))))
            QCoreApplication::installTranslator(&translator);
        window = main = new MainWindow;
        main->setArchiveLocation(archive);
    } else {
        window = new QMainWindow;
        if (which == "sized")
            window->resize(1100, 700); // the main window's minimum size
    }
    window->show();
    const auto finish = [&] {
        if (main) {
            say("archive");
            emit main->link()->downloadReceived(makeDownload(hundredGroups(), QStringLiteral("bench")));
            QCoreApplication::processEvents();
            std::printf("rss %ld\n", residentKiB());
        }
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
    FirstFrame frame(window->windowHandle(), [&] {
        say("shown");
        if (!main)
            finish();
    });
    if (main) // once the window has opened the archive, which it does after its first frame
        QObject::connect(main, &MainWindow::archiveOpened, finish);
    const int rc = app.exec();
    delete window;
    return rc;
}

// Wall time from starting a probe process to each of the lines it prints, in ms; *rss the memory it reports.
std::vector<double> startupMs(const QStringList &arguments, const QByteArrayList &lines, long *rss)
{
    std::vector<double> times;
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QCoreApplication::applicationFilePath(), arguments);
    QByteArray out;
    for (const QByteArray &line : lines) {
        while (!out.contains(line + '\n') && p.waitForReadyRead(30000))
            out += p.readAllStandardOutput();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    p.waitForFinished(30000);
    out += p.readAllStandardOutput();
    const int at = out.indexOf("rss ");
    if (rss && at >= 0)
        *rss = out.mid(at + 4).trimmed().toLong();
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false"));
    if (argc >= 3 && qstrcmp(argv[1], "--probe") == 0)
        return probe(argc, argv, argv[2], argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    // The window reads ./PrintConfig.ini; an empty folder keeps a developer's file out of the figures.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    {
        QApplication app(argc, argv);
        initResources();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        // The archive a window shows at start: one 100-group download.
        const QString archive = dir.filePath(QStringLiteral("start.sqlite"));
        Archive store;
        if (!store.open(archive).ok() ||
            !store.storeDownload(makeDownload(hundredGroups(), QStringLiteral("bench"))).ok()) {
            std::fprintf(stderr, "cannot make the archive %s\n", qPrintable(archive));
            return 1;
        }
        // The probes take turns, so that a machine busy with other work weighs on all of them alike.
        long rss = -1;
        std::vector<double> bare, sized, shown, archived;
        for (int run = 0; run < 21; ++run) {
            bare.push_back(startupMs({QStringLiteral("--probe"), QStringLiteral("bare")}, {"shown"}, nullptr)[0]);
            sized.push_back(startupMs({QStringLiteral("--probe"), QStringLiteral("sized")}, {"shown"}, nullptr)[0]);
            const std::vector<double> full =
                startupMs({QStringLiteral("--probe"), QStringLiteral("main"), archive}, {"shown", "archive"}, &rss);
            shown.push_back(full[0]);
            archived.push_back(full[1]);
        }
        std::printf("start-up to the first painted frame: %.1f ms (bare Qt window %.1f ms), ratio %.2f\n",
                    median(shown), median(bare), median(shown) / median(bare));
        std::printf("  against a bare window of the same size (%.1f ms): ratio %.2f\n", median(sized),
                    median(shown) / median(sized));
        std::printf("start-up to the archived download on screen: %.1f ms\n", median(archived));
        std::printf("resident memory after a 100-group download: %.1f MiB\n", rss / 1024.0);
    }
    return 0;
}

// The batch export at the real line pace: from its start to the written workbook, with the instrument's terminal
// named first, and behind four silent terminals named before it. The transfer alone takes the line time of the
// handshake answer and the group frame (9 + 5209 bytes at 115200 baud, about 453 ms); the rest is the search.
#include "batchexport.h"
#include "instrument.h"
#include "instrumentlink.h"
#include "samplegroups.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr double LineMs = 1000.0 * (9 + 5209) / Instrument::LineBytesPerSecond;

void BM_BatchExport(benchmark::State &state)
{
    const int silentPorts = int(state.range(0));
    for (auto _ : state) {
        Instrument instrument;
        instrument.setGroups(sampleGroups());
        std::vector<std::unique_ptr<Instrument>> silent;
        QStringList ports;
        for (int i = 0; i < silentPorts; ++i) {
            silent.push_back(std::make_unique<Instrument>());
            InstrumentFaults mute;
            mute.noAnswer = true;
            silent.back()->setFaults(mute);
            if (!silent.back()->open())
                state.SkipWithError("cannot open a terminal");
            ports << silent.back()->slavePath();
        }
        if (!instrument.open())
            state.SkipWithError("cannot open a terminal");
        ports << instrument.slavePath();
        QTemporaryDir dir;
        BatchExport job(ports, dir.filePath(QStringLiteral("x.xlsx")), 30);
        job.link()->setSystemPortsEnabled(false); // the simulator's terminals only, none of the host's ports
        QEventLoop loop;
        QObject::connect(&job, &BatchExport::finished, &loop, &QEventLoop::exit);
        QElapsedTimer clock;
        clock.start();
        const int exitCode = job.start() ? loop.exec() : 1;
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (exitCode != 0)
            state.SkipWithError("the export failed");
    }
    state.counters["line_ms"] = LineMs;
    state.counters["target_ms"] = LineMs + 250 + 520 * silentPorts;
}
BENCHMARK(BM_BatchExport)
    ->Arg(0)
    ->Arg(4)
    ->ArgName("silent_ports_first")
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false"));
    // The export reads the settings file (the last port among others); an empty folder keeps a developer's file out.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

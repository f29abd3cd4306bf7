// Receive-side costs of the link: reassembly of the group frame, the group decoding, and the latency from the
// instrument's last byte to the delivered frame at the real line pace.
#include "frame.h"
#include "framereceiver.h"
#include "groupencoder.h"
#include "groups.h"
#include "instrument.h"
#include "instrumentlink.h"
#include "samplegroups.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

QByteArray groupFrame()
{
    return packFrame(CmdGroupData, encodeGroups(sampleGroups()));
}

// The group frame through the link's receiver, in reads of the given size: whole, or as the line delivers it.
void BM_Reassembly(benchmark::State &state)
{
    const QByteArray burst = groupFrame();
    const int chunk = int(state.range(0));
    for (auto _ : state) {
        FrameReceiver receiver;
        int frames = 0;
        for (int at = 0; at < burst.size(); at += chunk)
            frames += receiver.receive(burst.mid(at, chunk)).size();
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
}
BENCHMARK(BM_Reassembly)->Arg(5209)->Arg(64)->ArgName("read_bytes");

void BM_DecodeGroups(benchmark::State &state)
{
    const QByteArray payload = encodeGroups(sampleGroups());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeGroups(payload));
}
BENCHMARK(BM_DecodeGroups);

// From the simulator's last byte of the group frame to the link's downloadReceived, at 115200 baud: a complete frame is
// handed over as its last byte arrives, without waiting for the 100 ms of silence that ends a burst.
void BM_GroupFrameLatency(benchmark::State &state)
{
    Instrument instrument;
    instrument.setGroups(sampleGroups());
    InstrumentLink link;
    if (!instrument.open() || !link.openPort(instrument.slavePath())) {
        state.SkipWithError("cannot open the simulator's terminal");
        return;
    }
    {
        QEventLoop up;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &up, &QEventLoop::quit);
        QObject::connect(&link, &InstrumentLink::stateChanged, &up, &QEventLoop::quit);
        guard.start(5000);
        up.exec();
    }
    if (!link.isConnected()) {
        state.SkipWithError("the link did not come up");
        return;
    }

    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastByteNs = 0;
    qint64 deliveredNs = 0;
    QObject::connect(&instrument, &Instrument::frameSent, [&](unsigned char cmd, int) {
        if (cmd == CmdGroupData)
            lastByteNs = clock.nsecsElapsed();
    });
    QObject::connect(&link, &InstrumentLink::downloadReceived, &loop, [&] {
        deliveredNs = clock.nsecsElapsed();
        loop.quit();
    });
    for (auto _ : state) {
        clock.start();
        lastByteNs = deliveredNs = 0;
        link.requestGroups();
        loop.exec();
        state.SetIterationTime(double(deliveredNs - lastByteNs) / 1e9);
    }
}
BENCHMARK(BM_GroupFrameLatency)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("leeb.*.debug=false"));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

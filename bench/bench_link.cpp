// Receive-side costs of the link: one reassembly pass, the group decoding, and the latency from the instrument's
// last byte to the delivered frame at the real line pace.
#include "frame.h"
#include "groupencoder.h"
#include "groups.h"
#include "instrument.h"
#include "samplegroups.h"
#include "uart.h"

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

void BM_ReassemblyPass(benchmark::State &state)
{
    const QByteArray burst = groupFrame();
    for (auto _ : state) {
        QByteArray buffer = burst;
        const QList<QByteArray> pieces = takeFrames(buffer);
        benchmark::DoNotOptimize(checkFrame(pieces.first()));
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
}
BENCHMARK(BM_ReassemblyPass);

void BM_DecodeGroups(benchmark::State &state)
{
    const QByteArray payload = encodeGroups(sampleGroups());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeGroups(payload));
}
BENCHMARK(BM_DecodeGroups);

// From the simulator's last byte of the group frame to Uart's readyRead, at 115200 baud: a complete frame is handed
// over as its last byte arrives, without waiting for the 100 ms of silence that ends a burst.
void BM_GroupFrameLatency(benchmark::State &state)
{
    Instrument instrument;
    instrument.setGroups(sampleGroups());
    Uart uart(nullptr, 115200);
    uart.setHandshakeCommands(CmdHandshakeAck, CmdHandshake);
    if (!instrument.open() || !uart.openPort(instrument.slavePath())) {
        state.SkipWithError("cannot open the simulator's terminal");
        return;
    }
    {
        QEventLoop up;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &up, &QEventLoop::quit);
        QObject::connect(&uart, &Uart::connectionStatus, &up, &QEventLoop::quit);
        guard.start(5000);
        up.exec();
    }
    if (!uart.isConnected()) {
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
    QObject::connect(&uart, &Uart::readyRead, &loop, [&](unsigned char cmd, const QByteArray &) {
        if (cmd == CmdGroupData) {
            deliveredNs = clock.nsecsElapsed();
            loop.quit();
        }
    });
    for (auto _ : state) {
        clock.start();
        lastByteNs = deliveredNs = 0;
        uart.requestGroups();
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

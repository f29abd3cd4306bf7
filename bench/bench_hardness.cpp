#include "conversion.h"
#include "scales.h"
#include "valuetext.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void convertInRange(benchmark::State &state)
{
    for (auto _ : state) {
        float value = 700.f;
        benchmark::DoNotOptimize(convertLeeb(&value, ScaleHV, DeviceD, 0, state.range(0) != 0));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(convertInRange)->ArgName("tableSet2")->Arg(0)->Arg(1);

void convertEarlyRefusal(benchmark::State &state)
{
    for (auto _ : state) {
        float value = 700.f;
        benchmark::DoNotOptimize(convertLeeb(&value, ScaleHRC, DeviceNone, 0, false));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(convertEarlyRefusal);

struct Group
{
    quint16 hl;
    quint8 device;
    quint8 material;
    bool tableSet2;
};

// The conversions of one download: 100 hardness groups, each converted into HL and the five hardness scales and
// stored as the decoding stores them. Devices, materials and HL values vary so that every outcome occurs.
void convertDownload(benchmark::State &state)
{
    std::vector<Group> groups;
    for (int i = 0; i < 100; ++i)
        groups.push_back({quint16(300 + (i * 37) % 600), quint8(1 + i % 7), quint8(i % 9), i % 3 == 0});
    std::vector<ConversionResult> results(groups.size() * 6);

    for (auto _ : state) {
        ConversionResult *result = results.data();
        for (const Group &group : groups) {
            for (quint8 scale = ScaleHL; scale <= ScaleHS; ++scale) {
                float value = group.hl;
                const ConversionStatus status =
                    convertLeeb(&value, scale, group.device, group.material, group.tableSet2);
                *result++ = {double(value), status};
            }
        }
        benchmark::DoNotOptimize(results.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(results.size()));
}
BENCHMARK(convertDownload)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

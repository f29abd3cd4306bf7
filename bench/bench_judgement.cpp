// Judging and summarising a part's groups, as the window and the reports will for a whole archive's part: 100,000
// groups must take at most 50 ms.
#include "judgement.h"

#include <benchmark/benchmark.h>

namespace {

// Hardness groups of every device and material, 5 to 10 impacts each, built as a download builds them so that the
// verdicts meet every outcome (pass, low, high, HI and LO not judged).
QList<MeasurementGroup> partGroups(int count)
{
    QList<MeasurementGroup> groups;
    groups.reserve(count);
    const QDate day(2026, 6, 1);
    for (int i = 0; i < count; ++i) {
        GroupRecord r;
        r.month = 3, r.day = 7, r.hour = 9, r.minute = 5;
        r.device = quint8(1 + i % 7), r.material = quint8(i % 9), r.scale = ScaleHRC, r.tableSet = quint8(i % 2);
        r.groupValue = quint16(300 + (i * 37) % 600);
        r.impactCount = quint8(5 + i % 6);
        for (int k = 0; k < r.impactCount; ++k)
            r.impacts[k] = quint16(r.groupValue - 6 + (k * 5) % 13);
        groups.append(buildGroup(r, day));
    }
    return groups;
}

void judgeAndSummarise(benchmark::State &state)
{
    const QList<MeasurementGroup> groups = partGroups(int(state.range(0)));
    PartLimit limit;
    limit.scale = ScaleHRC, limit.low = 40, limit.high = 55;
    QList<Verdict> verdicts;
    verdicts.reserve(groups.size());
    for (auto _ : state) {
        verdicts.clear();
        qint64 spread = 0;
        for (const MeasurementGroup &group : groups) {
            verdicts.append(judge(group, limit));
            spread += groupStatistics(group).rangeHl;
        }
        const Summary summary = summarise(groups, verdicts);
        benchmark::DoNotOptimize(summary);
        benchmark::DoNotOptimize(spread);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(judgeAndSummarise)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

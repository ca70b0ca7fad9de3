// Speed of the coordinate builder on plans at the lines file's limit. Targets: a shuffled
// limit-size grid within 50 ms; a 30 000-point chain stored in reverse (one more point per
// pass of a table walk) within 100 ms.

#include "core/geometry/plancoords.h"
#include "plangen.h"

#include <benchmark/benchmark.h>

namespace {

using namespace corvane;

void BM_BuildShuffledLimitGrid(benchmark::State& state) {
    const gen::GeneratedPlan plan = gen::ShuffledGrid(128, 7); // 32 512 lines
    const CurveTable curves(plan.curves);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildPlanCoordinates(plan.lines, curves));
    state.counters["lines"] = static_cast<double>(plan.lines.size());
}
BENCHMARK(BM_BuildShuffledLimitGrid)->Unit(benchmark::kMillisecond);

void BM_BuildReversedChain(benchmark::State& state) {
    const gen::GeneratedPlan plan = gen::Chain(30000, true);
    const CurveTable curves;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildPlanCoordinates(plan.lines, curves));
}
BENCHMARK(BM_BuildReversedChain)->Unit(benchmark::kMillisecond);

} // namespace

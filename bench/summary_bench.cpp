// The closure summary of the plan at the lines file's limit (gen::MakeLimitPlan).

#include "plangen.h"

#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"
#include "core/reports/summary.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corvane {
namespace {

const gen::LimitPlan& plan() {
    static const gen::LimitPlan generated = gen::MakeLimitPlan();
    return generated;
}

void summaryInMemory(benchmark::State& state) {
    const gen::LimitPlan& p = plan();
    const CurveTable curves(p.curves);
    std::size_t rows = 0, acceptable = 0;
    for (auto _ : state) {
        ClosureSummaryResult r = ClosureSummary(static_cast<int>(state.range(0)), "D99999",
                                                p.polygons, p.lines, curves, kDefaultAccuracyClass);
        rows = r.Rows.size();
        acceptable = 0;
        for (const SummaryRow& row : r.Rows)
            acceptable += row.Status == ParcelStatus::Acceptable ? 1 : 0;
        benchmark::DoNotOptimize(r);
    }
    state.counters["lines"] = static_cast<double>(p.lines.size());
    state.counters["parcels"] = static_cast<double>(rows);
    state.counters["acceptable"] = static_cast<double>(acceptable);
}
BENCHMARK(summaryInMemory)
    ->Arg(SummaryRows)
    ->Arg(SummaryPrint)
    ->Arg(SummaryFull)
    ->Unit(benchmark::kMillisecond);

// The whole run of a plan check: the files read, the lines loaded, the summary printed.
void summaryFromFiles(benchmark::State& state) {
    const gen::LimitPlan& p = plan();
    const auto dir = std::filesystem::temp_directory_path() / "corvane_bench_plan";
    std::filesystem::create_directories(dir);
    const std::string base = (dir / "D99999").string();
    if (!gen::WritePlan(p, base)) {
        state.SkipWithError("cannot write the plan");
        return;
    }
    for (auto _ : state) {
        PlanState planState;
        planState.PlanPath = base;
        if (!LoadLines(planState)) {
            state.SkipWithError("cannot load the lines");
            break;
        }
        auto r = ClosureSummary(SummaryPrint, planState, kDefaultAccuracyClass);
        if (!r) {
            state.SkipWithError("summary failed");
            break;
        }
        benchmark::DoNotOptimize(RenderPrintLines(r.value().Lines));
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(summaryFromFiles)->Unit(benchmark::kMillisecond);

// Every leg of every parcel looked up by the plain scan of the lines, and by the index.
std::vector<std::pair<std::int32_t, std::int32_t>> allLegs() {
    std::vector<std::pair<std::int32_t, std::int32_t>> legs;
    std::int32_t previous = 0;
    for (const std::string& l : plan().polygons) {
        if (l.front() == '"') {
            previous = 0;
            continue;
        }
        const std::int32_t current = std::stoi(l);
        if (previous != 0)
            legs.push_back({previous, current});
        previous = current;
    }
    return legs;
}

void legsByScan(benchmark::State& state) {
    const auto legs = allLegs();
    const CurveTable curves(plan().curves);
    for (auto _ : state)
        for (const auto& [a, b] : legs)
            benchmark::DoNotOptimize(LineLeg(a, b, plan().lines, curves));
    state.counters["legs"] = static_cast<double>(legs.size());
}
BENCHMARK(legsByScan)->Unit(benchmark::kMillisecond);

void legsByIndex(benchmark::State& state) {
    const auto legs = allLegs();
    const CurveTable curves(plan().curves);
    for (auto _ : state) {
        const LinePairIndex index(plan().lines);
        for (const auto& [a, b] : legs)
            benchmark::DoNotOptimize(LineLeg(a, b, plan().lines, index, curves));
    }
    state.counters["legs"] = static_cast<double>(legs.size());
}
BENCHMARK(legsByIndex)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane

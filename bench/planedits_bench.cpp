// Speed of the whole-plan checks and edits on a plan at the lines file's limit. Targets:
// the double-line check, the point-error check, and a datum swing or rescale with the lines
// file written, each within 100 ms.

#include "core/edits/planedits.h"
#include "core/files/linesfile.h"
#include "core/geometry/plancoords.h"
#include "plangen.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

using namespace corvane;

void BM_DoubleLinesLimitGrid(benchmark::State& state) {
    gen::GeneratedPlan plan = gen::ShuffledGrid(128, 7);
    // A few planted doubles: reversed and overlapping lines.
    for (std::size_t k = 0; k < 200; ++k) {
        LineRecord l = plan.lines[k * 97];
        std::swap(l.FromPoint, l.ToPoint);
        plan.lines.push_back(l);
    }
    plan.lines.resize(32767);
    const auto polygons = gen::GridPolygons(128);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindDoubleLines(plan.lines, polygons));
}
BENCHMARK(BM_DoubleLinesLimitGrid)->Unit(benchmark::kMillisecond);

void BM_PointErrorsLimitGrid(benchmark::State& state) {
    const gen::GeneratedPlan plan = gen::ShuffledGrid(128, 7);
    const CurveTable curves(plan.curves);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            FindPointErrors(plan.lines, BuildPlanCoordinates(plan.lines, curves)));
}
BENCHMARK(BM_PointErrorsLimitGrid)->Unit(benchmark::kMillisecond);

void BM_DatumSwingWrittenLimitGrid(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "corvane_bench_datum";
    std::filesystem::create_directories(folder);
    PlanState plan;
    plan.PlanPath = (folder / "LIMIT").string();
    plan.PlanLines = gen::ShuffledGrid(128, 7).lines;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SwingDatumBearing(plan, "0.0030"));
        benchmark::DoNotOptimize(RescaleDistanceUnits(plan, 1.0001));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DatumSwingWrittenLimitGrid)->Unit(benchmark::kMillisecond);

} // namespace

// Speed of the LandXML exchange on a plan at the lines file's limit. Targets: the export of
// the plan within 1 s, the import of a LandXML file of 5 MB or more within 1 s.

#include "core/bearing.h"
#include "core/landxml.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "plangen.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using namespace corvane;

// The shuffled 128 × 128 grid: 32 512 lines, 16 384 points, every small square a parcel.
struct LimitPlan {
    gen::GeneratedPlan grid = gen::ShuffledGrid(128, 7);
    CurveTable curves{grid.curves};
    std::vector<std::string> polygons = gen::GridPolygons(128);
};

// A 70 × 70 grid (4 900 points, within the plan's point numbers) joined to its neighbours
// along rows, columns, both diagonals and two cells away until the lines file is full, every
// small square a parcel; arcs and missing bearings as in ShuffledGrid.
void BM_LandXmlExportLimitPlan(benchmark::State& state) {
    constexpr int kSide = 70;
    gen::GeneratedPlan grid = gen::ShuffledGrid(kSide, 7);
    const std::pair<int, int> offsets[] = {{1, 1}, {1, -1}, {0, 2}, {2, 0}, {1, 2}, {2, 1}};
    for (const auto& [dr, dc] : offsets)
        for (int r = 0; r + dr < kSide; ++r)
            for (int c = std::max(0, -dc); c < kSide && c + dc < kSide; ++c) {
                if (grid.lines.size() >= static_cast<size_t>(kMaxLines))
                    break;
                const double dE = 20.0 * dc, dN = -20.0 * dr;
                grid.lines.push_back({r * kSide + c + 1, (r + dr) * kSide + c + dc + 1,
                                      Val(BearingText(RadiansToBearing(BearingFromDeltas(dE, dN)))),
                                      Val(DistanceText(std::hypot(dE, dN))), 0});
            }
    std::shuffle(grid.lines.begin(), grid.lines.end(), std::mt19937(7));
    const CurveTable curves{grid.curves};
    const std::vector<std::string> polygons = gen::GridPolygons(kSide);
    const std::tm now{};
    size_t bytes = 0;
    for (auto _ : state) {
        auto exported = ExportLandXml(grid.lines, curves, polygons, {}, 5000, now);
        if (!exported)
            state.SkipWithError(exported.error().message.c_str());
        bytes = exported.value().Text.size();
        benchmark::DoNotOptimize(exported);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["lines"] = static_cast<double>(grid.lines.size());
}
BENCHMARK(BM_LandXmlExportLimitPlan)->Unit(benchmark::kMillisecond);

void BM_LandXmlImportLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    const std::string text =
        ExportLandXml(limit.grid.lines, limit.curves, limit.polygons, {}, 20000, std::tm{})
            .value()
            .Text;
    for (auto _ : state) {
        auto imported = ImportLandXml(text, "limit.xml", {});
        if (!imported)
            state.SkipWithError(imported.error().message.c_str());
        benchmark::DoNotOptimize(imported);
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_LandXmlImportLimitPlan)->Unit(benchmark::kMillisecond);

} // namespace

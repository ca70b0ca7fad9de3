// Speed of the LandXML exchange on a plan at the lines file's limit. Targets: the export of
// the plan within 1 s, the import of a LandXML file of 5 MB or more within 1 s.

#include "core/landxml.h"
#include "plangen.h"

#include <benchmark/benchmark.h>

namespace {

using namespace corvane;

// The shuffled 128 × 128 grid: 32 512 lines, 16 384 points, every small square a parcel.
struct LimitPlan {
    gen::GeneratedPlan grid = gen::ShuffledGrid(128, 7);
    CurveTable curves{grid.curves};
    std::vector<std::string> polygons = gen::GridPolygons(128);
};

void BM_LandXmlExportLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    size_t bytes = 0;
    for (auto _ : state) {
        auto exported = ExportLandXml(limit.grid.lines, limit.curves, limit.polygons, 20000);
        if (!exported)
            state.SkipWithError(exported.error().message.c_str());
        bytes = exported.value().Text.size();
        benchmark::DoNotOptimize(exported);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_LandXmlExportLimitPlan)->Unit(benchmark::kMillisecond);

void BM_LandXmlImportLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    const std::string text =
        ExportLandXml(limit.grid.lines, limit.curves, limit.polygons, 20000).value().Text;
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

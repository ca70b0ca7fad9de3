// Speed of the DXF drawing. Target: a plan of 1 000 lines and 200 parcels, with context
// parcels around it, classed, fixed and written within 0.1 s (the whole command within 0.2 s).

#include "core/exchange/dxfexport.h"
#include "plangen.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

using namespace corvane;

void BM_DxfOfThousandLinePlan(benchmark::State& state) {
    const gen::GeneratedPlan grid = gen::ShuffledGrid(23, 3); // 1 012 lines
    const CurveTable curves(grid.curves);
    // The first 200 cells as the plan's parcels (six lines each in the polygons file), the
    // next 100 as context parcels.
    std::vector<std::string> polygons = gen::GridPolygons(23);
    std::vector<ContextParcel> context;
    for (std::size_t k = std::size_t{200} * 6; k + 6 <= std::size_t{300} * 6; k += 6) {
        ContextParcel parcel{"LT" + std::to_string(k) + "/DP1", "adjoining", 0, {}};
        for (std::size_t j = k + 1; j < k + 6; ++j)
            parcel.Points.push_back(std::stoi(polygons[j]));
        context.push_back(parcel);
    }
    polygons.resize(std::size_t{200} * 6);
    const std::string path =
        (std::filesystem::temp_directory_path() / "corvane_dxf_bench.dxf").string();
    int written = 0;
    for (auto _ : state) {
        WholePlanDrawing drawing;
        drawing.Lines = grid.lines;
        drawing.Curves = curves;
        drawing.Polygons = polygons;
        drawing.Context = context;
        PrepareLineStyles(drawing.Lines, drawing.Polygons, drawing.Context);
        drawing.Points = BuildPlanCoordinates(drawing.Lines, drawing.Curves);
        auto summary = WritePlanDxf(drawing, path);
        if (!summary)
            state.SkipWithError(summary.error().message.c_str());
        else
            written = summary.value().lines + summary.value().arcs;
    }
    state.counters["entities"] = written;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}
BENCHMARK(BM_DxfOfThousandLinePlan)->Unit(benchmark::kMillisecond);

} // namespace

// Speed of the derived-line tools' saves on a plan at the lines file's limit. Target: an
// easement strip's save and a survey mark connection save each within 100 ms, the lines file
// written whole included.

#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/tools/easement.h"
#include "core/tools/psmlist.h"
#include "plangen.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

using namespace corvane;

// The shuffled 127 × 127 grid and survey marks joined to it, up to the lines file's limit of
// 32 767 lines less the room a save needs for its new lines.
struct LimitPlan {
    std::filesystem::path folder;
    PlanState plan;
    std::vector<LineRecord> lines;
    std::string polygons;

    explicit LimitPlan(size_t room) {
        folder = std::filesystem::temp_directory_path() / "corvane_bench_derived";
        std::filesystem::create_directories(folder);
        plan.PlanPath = (folder / "LIMIT").string();
        gen::GeneratedPlan grid = gen::ShuffledGrid(127, 7);
        for (int k = 0; grid.lines.size() < 32767 - room; ++k)
            grid.lines.push_back({44440001 + k, 1 + k * 61, 45.0, 7.5, 0});
        plan.PlanLines = grid.lines;
        plan.chkArray = true;
        // The grid numbers its points up to 16 129: ordinary points here.
        plan.PointNumberLimit = 20000;
        SaveLines(plan);
        polygons = JoinLines(gen::GridPolygons(127));
        WriteFileAtomic(plan.PlanPath + ".ply", polygons);
        LoadLines(plan);
        lines = plan.PlanLines;
    }
    ~LimitPlan() { std::filesystem::remove_all(folder); }

    // Back to the plan as generated, outside the timing.
    void reset() {
        plan.PlanLines = lines;
        plan.chkArray = true;
        WriteFileAtomic(plan.PlanPath + ".ply", polygons);
    }
};

// A strip beside a traverse of 200 lines through new points, 3 m wide: 200 lines and 201
// corner lines added.
void BM_EasementSaveLimitPlan(benchmark::State& state) {
    LimitPlan limit(401);
    TraverseGrid grid;
    grid.kind = GridKind::Strip;
    grid.rows.clear();
    for (int r = 0; r < 200; ++r) {
        GridRow row;
        row[ColFrom] = std::to_string(17000 + r);
        row[ColTo] = std::to_string(17001 + r);
        row[ColBearing] = r % 2 ? "90.0000" : "0.0000";
        row[ColDistance] = "10.000";
        row[ColWidth] = "3.000";
        grid.rows.push_back(row);
    }
    grid.syncLinkPairs();
    grid.chkChange = true;
    for (auto _ : state) {
        state.PauseTiming();
        limit.reset();
        state.ResumeTiming();
        Result<void> saved = SaveStrip(grid, {}, limit.plan, "EA1");
        if (!saved)
            state.SkipWithError(saved.error().message.c_str());
    }
}
BENCHMARK(BM_EasementSaveLimitPlan)->Unit(benchmark::kMillisecond);

// The plan's connections listed, 20 of them changed and 20 new ones added.
void BM_MarkConnectionSaveLimitPlan(benchmark::State& state) {
    LimitPlan limit(20);
    TraverseGrid loaded;
    loaded.kind = GridKind::Marks;
    SetGridRows(loaded, LoadPSMRows(limit.plan), limit.plan);
    for (int r = 1; r <= 20; ++r)
        loaded.cell(r, ColMarkDistance) = "8.000";
    for (int k = 0; k < 20; ++k) {
        loaded.insertRow(loaded.dataRows() + 1);
        GridRow& row = loaded.at(loaded.dataRows());
        row[ColCorner] = std::to_string(2 + k * 37);
        row[ColMarkBearing] = "120.0000";
        row[ColMarkDistance] = "9.500";
        row[ColMarkNumber] = std::to_string(55550001 + k);
    }
    loaded.chkChange = true;
    for (auto _ : state) {
        state.PauseTiming();
        limit.reset();
        TraverseGrid grid = loaded;
        state.ResumeTiming();
        Result<void> saved = SavePSMLines(grid, limit.plan);
        if (!saved)
            state.SkipWithError(saved.error().message.c_str());
    }
}
BENCHMARK(BM_MarkConnectionSaveLimitPlan)->Unit(benchmark::kMillisecond);

} // namespace

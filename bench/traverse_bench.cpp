// The traverse window's Edit Lines on a plan at the lines file's limit: 32767 lines shown in
// the grid, then stored back. Filling the grid, bringing PlanLines up to date from a grid of
// linked rows or of rows typed anew, and replacing PlanLines from the grid must each stay
// close to linear in the number of lines.

#include "core/base/numtext.h"
#include "core/files/linesfile.h"
#include "core/grid/traverse.h"
#include "core/grid/traverse_save.h"
#include "core/model/bearing.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

// A plan of kMaxLines lines: a long chain of points with every tenth line an arc and every
// hundredth without a bearing.
const PlanState& plan() {
    static const PlanState p = [] {
        PlanState s;
        s.chkArray = true;
        s.PlanLines.reserve(kMaxLines);
        for (int i = 0; i < kMaxLines; ++i) {
            LineRecord line;
            line.FromPoint = i + 1;
            line.ToPoint = i + 2;
            line.Bearing = i % 10 == 0 ? 1025.0 : i % 100 == 1 ? 999.0 : (i * 7 % 360) + 0.1530;
            line.Distance = 10.0 + i % 50;
            s.PlanLines.push_back(line);
        }
        return s;
    }();
    return p;
}

std::string bearingCell(double bearing) {
    if (bearing > kArcBearingBase)
        return "R" + Format(bearing - kArcBearingBase, "0.000");
    if (bearing > 360)
        return kNoData;
    return BearingText(bearing);
}

// The grid as the main window fills it for Edit Lines: one row per live line, in order.
GridRows editLinesRows(const PlanState& p, bool linked) {
    GridRows rows;
    rows.reserve(p.PlanLines.size());
    for (size_t i = 0; i < p.PlanLines.size(); ++i) {
        const LineRecord& line = p.PlanLines[i];
        if (!(line.Distance > 0))
            continue;
        rows.push_back(GridRow{linked ? Format(static_cast<double>(i), "0") : std::string(),
                               Format(line.FromPoint, "0"), Format(line.ToPoint, "0"),
                               bearingCell(line.Bearing), DistanceText(line.Distance)});
    }
    return rows;
}

void fillEditLines(benchmark::State& state) {
    for (auto _ : state) {
        TraverseGrid grid;
        SetGridRows(grid, editLinesRows(plan(), false), plan());
        benchmark::DoNotOptimize(grid.rows.data());
    }
    state.counters["rows"] = static_cast<double>(plan().PlanLines.size());
}
BENCHMARK(fillEditLines)->Unit(benchmark::kMillisecond);

// Every row linked and one in three edited: GridChanges over the whole grid.
void grid2ArrayLinked(benchmark::State& state) {
    TraverseGrid filled;
    SetGridRows(filled, editLinesRows(plan(), true), plan());
    for (int r = 1; r <= filled.dataRows(); r += 3)
        filled.cell(r, ColDistance) = "12.345";
    for (auto _ : state) {
        state.PauseTiming();
        PlanState p = plan();
        TraverseGrid grid = filled;
        state.ResumeTiming();
        Grid2Array(grid, p);
        benchmark::DoNotOptimize(p.PlanLines.data());
    }
}
BENCHMARK(grid2ArrayLinked)->Unit(benchmark::kMillisecond);

// Every row typed anew for a line already stored: each is looked up by its points.
void grid2ArrayTypedAnew(benchmark::State& state) {
    TraverseGrid filled;
    SetGridRows(filled, editLinesRows(plan(), false), plan());
    for (auto _ : state) {
        state.PauseTiming();
        PlanState p = plan();
        TraverseGrid grid = filled;
        state.ResumeTiming();
        Grid2Array(grid, p);
        benchmark::DoNotOptimize(p.PlanLines.data());
    }
}
BENCHMARK(grid2ArrayTypedAnew)->Unit(benchmark::kMillisecond);

void replaceLines(benchmark::State& state) {
    TraverseGrid grid;
    SetGridRows(grid, editLinesRows(plan(), false), plan());
    for (auto _ : state) {
        state.PauseTiming();
        PlanState p = plan();
        state.ResumeTiming();
        ReplaceLines(grid, p);
        benchmark::DoNotOptimize(p.PlanLines.data());
    }
}
BENCHMARK(replaceLines)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane

// Speed of the printed plan report and the coordinate file on a plan at the lines file's
// limit. Targets: the whole report text, every section, within 300 ms; the coordinate file
// within 100 ms.

#include "core/base/textfile.h"
#include "core/exchange/coordfile.h"
#include "core/files/linesfile.h"
#include "core/reports/planreport.h"
#include "plangen.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

using namespace corvane;

// The shuffled 128 × 128 grid (its rows and columns are straight runs of 127 lines), every
// small square a parcel, and 100 survey marks joined to it: 32 612 lines. The argument picks
// the sections: 1 summary, 2 full closures, 4 mark joins, 8 straight runs (15 all).
struct LimitPlan {
    std::filesystem::path folder;
    PlanState plan;

    LimitPlan() {
        folder = std::filesystem::temp_directory_path() / "corvane_bench_report";
        std::filesystem::create_directories(folder);
        plan.PlanPath = (folder / "LIMIT").string();
        gen::GeneratedPlan grid = gen::ShuffledGrid(128, 7);
        for (int k = 0; k < 100; ++k)
            grid.lines.push_back({44440001 + k, 1 + k * 163, 45.0, 7.5, 0});
        plan.PlanLines = grid.lines;
        plan.chkArray = true;
        SaveLines(plan);
        WriteFileAtomic(plan.PlanPath + ".ply", JoinLines(gen::GridPolygons(128)));
        std::vector<std::string> curves;
        for (const CurveRecord& c : grid.curves)
            curves.push_back(FormatCurveRecord(c));
        WriteFileAtomic(plan.PlanPath + ".cve", JoinLines(curves));
        plan.chkArray = LoadLines(plan).ok();
        // The grid numbers its 16 384 points past 4999: they count as ordinary points here,
        // so only the 100 marks are paired (every point a mark would be 134 million joins).
        plan.PointNumberLimit = 20000;
    }
    ~LimitPlan() { std::filesystem::remove_all(folder); }
};

void BM_WholeReportLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    ReportRequest request;
    const int sections = static_cast<int>(state.range(0));
    request.Summary = sections & 1;
    request.FullClosures = sections & 2;
    request.MarkJoins = sections & 4;
    request.AllDistances = sections & 8;
    request.SurveyDetails = true;
    request.PrintName = "BENCH";
    request.Date = "7/12/2026";
    request.AccuracyClass = "Surveyed Polygons";
    for (auto _ : state) {
        auto report = PlanReport(limit.plan, request);
        if (!report)
            state.SkipWithError(report.error().message.c_str());
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_WholeReportLimitPlan)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(15)
    ->Unit(benchmark::kMillisecond);

void BM_StraightRunsLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    for (auto _ : state)
        benchmark::DoNotOptimize(FindStraightRuns(limit.plan.PlanLines));
}
BENCHMARK(BM_StraightRunsLimitPlan)->Unit(benchmark::kMillisecond);

void BM_CoordinateFileLimitPlan(benchmark::State& state) {
    LimitPlan limit;
    CoordFileRequest request;
    request.Origin = "1";
    request.UseScaleFactor = true;
    request.ScaleFactor = "0.9996";
    request.IncludeMarks = true;
    for (auto _ : state) {
        auto written = CreateCoordFile(limit.plan, request);
        if (!written)
            state.SkipWithError(written.error().message.c_str());
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_CoordinateFileLimitPlan)->Unit(benchmark::kMillisecond);

} // namespace

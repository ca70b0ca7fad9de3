// The stages of "corvane --check" on the plan at the lines file's limit, read from its files
// as the command reads them: the lines file loaded, the polygons and curve files read, every
// parcel closed against the accuracy class, the summary printed; and the whole command.

#include "plangen.h"

#include "core/base/numtext.h"
#include "core/base/printtext.h"
#include "core/cli/plancheck.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/geometry/closure.h"
#include "core/reports/summary.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

// The plan's files, written once for every stage.
const std::string& planBase() {
    static const std::string base = [] {
        const auto dir = std::filesystem::temp_directory_path() / "corvane_check_bench";
        std::filesystem::create_directories(dir);
        const std::string path = (dir / "D99998").string();
        if (!gen::WritePlan(gen::MakeLimitPlan(), path))
            return std::string();
        return path;
    }();
    return base;
}

struct ReadPlan {
    PlanState plan;
    std::vector<std::string> polygons;
    CurveTable curves;
};

ReadPlan readPlan() {
    ReadPlan read;
    read.plan.PlanPath = planBase();
    if (!LoadLines(read.plan))
        return read;
    if (auto polygons = ReadPolygonsFile(planBase() + ".ply"))
        read.polygons = std::move(polygons.value());
    if (auto curves = ReadCurveFile(planBase()))
        read.curves = std::move(curves.value());
    return read;
}

void checkReadLines(benchmark::State& state) {
    for (auto _ : state) {
        PlanState plan;
        plan.PlanPath = planBase();
        if (!LoadLines(plan))
            state.SkipWithError("cannot load the lines");
        benchmark::DoNotOptimize(plan.PlanLines.data());
    }
}
BENCHMARK(checkReadLines)->Unit(benchmark::kMillisecond);

void checkReadPolygonsAndCurves(benchmark::State& state) {
    for (auto _ : state) {
        auto polygons = ReadPolygonsFile(planBase() + ".ply");
        auto curves = ReadCurveFile(planBase());
        if (!polygons || !curves)
            state.SkipWithError("cannot read the polygons or curves");
        benchmark::DoNotOptimize(polygons);
        benchmark::DoNotOptimize(curves);
    }
}
BENCHMARK(checkReadPolygonsAndCurves)->Unit(benchmark::kMillisecond);

// Every parcel closed, the rows only (what the summary window shows).
void checkCloseParcels(benchmark::State& state) {
    const ReadPlan read = readPlan();
    for (auto _ : state)
        benchmark::DoNotOptimize(ClosureSummary(SummaryRows, read.plan.PlanPath, read.polygons,
                                                read.plan.PlanLines, read.curves,
                                                kDefaultAccuracyClass));
}
BENCHMARK(checkCloseParcels)->Unit(benchmark::kMillisecond);

// The printed summary laid out and turned into the text the command writes.
void checkPrintSummary(benchmark::State& state) {
    const ReadPlan read = readPlan();
    for (auto _ : state) {
        const ClosureSummaryResult summary =
            ClosureSummary(SummaryPrint, read.plan.PlanPath, read.polygons, read.plan.PlanLines,
                           read.curves, kDefaultAccuracyClass);
        std::ostringstream out;
        for (const std::string& line : RenderPrintLines(summary.Lines))
            out << Latin1ToUtf8(line) << '\n';
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(checkPrintSummary)->Unit(benchmark::kMillisecond);

void checkWholeCommand(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = RunCommandMode({"--check", planBase()}, out, err);
        if (status == 2)
            state.SkipWithError(err.str().c_str());
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(checkWholeCommand)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane

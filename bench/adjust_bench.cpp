// Speed of the least-squares adjustment of a whole plan, read from its files as
// "corvane --adjust" reads them (lines loaded, curve, polygons and context files read,
// coordinates built, adjusted, blunders searched for). Targets: a real-sized plan of about
// 1,000 lines well within the command's 50 ms; a plan at the lines file's limit (32,767
// lines) within 2 s.

#include "plangen.h"

#include "core/files/linesfile.h"
#include "core/geometry/adjustment.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

namespace corvane {
namespace {

// A block of square lots on a lattice of 10 m lines, every line measured with noise of the
// adjustment's own σ and booked as a surveyor books it (bearings to the second, distances to
// the millimetre), every fifth line along the rows an arc of 20 m radius, ties from the
// first row to survey marks to fill the plan up to `lines`, and `blunders` distances booked
// 0.2 m out, so the blunder search has work to do.
gen::LimitPlan SurveyedLattice(int side, int lines, int blunders, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> normal;
    const AdjustmentOptions weights;
    auto number = [side](int r, int c) { return r * side + c + 1; };
    auto book = [&](std::int32_t a, std::int32_t b, double degrees, double distance) {
        const double sd = (weights.distanceMm + weights.distancePpm * distance / 1000) / 1000;
        const long circle = 360L * 3600;
        const long whole =
            (std::lround(degrees * 3600 + normal(random) * weights.bearingSeconds) + circle) %
            circle;
        const double packed =
            gen::Packed(static_cast<int>(whole / 3600), static_cast<int>(whole / 60 % 60),
                        static_cast<int>(whole % 60));
        return LineRecord{a, b, packed, std::round((distance + normal(random) * sd) * 1000) / 1000,
                          0};
    };
    gen::LimitPlan plan;
    const double radius = 20.0;
    const double theta = 2 * std::asin(10.0 / 2 / radius);
    const double arcLength = std::round(radius * theta * 1000) / 1000;
    int k = 0;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            if (c + 1 < side) {
                LineRecord line = book(number(r, c), number(r, c + 1), 90, 10);
                if (++k % 5 == 0) {
                    plan.curves.push_back(
                        {line.FromPoint, line.ToPoint, "R", kMissingBearing, line.Bearing});
                    line.Bearing = 1000 + radius;
                    line.Distance = arcLength;
                }
                plan.lines.push_back(line);
            }
            if (r + 1 < side)
                plan.lines.push_back(book(number(r, c), number(r + 1, c), 0, 10));
        }
    for (int b = 0; b < blunders; ++b) {
        LineRecord& line = plan.lines[plan.lines.size() / 7 * static_cast<std::size_t>(b + 1)];
        if (line.Bearing < kArcBearingBase)
            line.Distance += 0.2;
    }
    for (int m = 0; static_cast<int>(plan.lines.size()) < lines; ++m)
        plan.lines.push_back(book(number(0, m % side), 44440000 + m, 180, 5));
    plan.polygons = gen::GridPolygons(side);
    return plan;
}

std::string writtenPlan(const std::string& name, const gen::LimitPlan& plan) {
    const auto dir = std::filesystem::temp_directory_path() / "corvane_adjust_bench";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    if (!gen::WritePlan(plan, path))
        return {};
    return path;
}

void adjustPlanFiles(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("the plan could not be written");
        return;
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        PlanState plan;
        plan.PlanPath = path;
        if (!LoadLines(plan)) {
            state.SkipWithError("the plan could not be read");
            return;
        }
        lines = plan.PlanLines.size();
        auto adjusted = AdjustPlan(plan, {});
        if (!adjusted) {
            state.SkipWithError("the plan was not adjusted");
            return;
        }
        state.counters["removed"] = static_cast<double>(adjusted.value().removed.size());
        state.counters["iterations"] = adjusted.value().all.iterations;
        benchmark::DoNotOptimize(adjusted);
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_AdjustRealSizedPlan(benchmark::State& state) {
    static const std::string path = writtenPlan("D20001", SurveyedLattice(23, 1000, 1, 3));
    adjustPlanFiles(state, path);
}
BENCHMARK(BM_AdjustRealSizedPlan)->Unit(benchmark::kMillisecond);

void BM_AdjustLimitSizePlan(benchmark::State& state) {
    static const std::string path = writtenPlan("D20002", SurveyedLattice(128, kMaxLines, 3, 4));
    adjustPlanFiles(state, path);
}
BENCHMARK(BM_AdjustLimitSizePlan)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane

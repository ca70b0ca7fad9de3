// The closure summary of a plan at the lines file's limit: 32767 lines, 5040 lots in a
// block of 70 by 72, each lot a 30 m square whose sides are three 10 m lines (every fifth
// line along the streets an arc), the outer boundary round the whole block, and the rest
// of the lines repeated measurements and connections to survey marks.

#include "core/model/bearing.h"
#include "core/geometry/closure.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/reports/summary.h"
#include "core/base/textfile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr int kColumns = 70;
constexpr int kRows = 72;
constexpr int kSplit = 3;         // lines per side of a lot
constexpr double kSegment = 10.0; // metres
constexpr double kArcRadius = 20.0;

struct GeneratedPlan {
    std::vector<LineRecord> lines;
    std::vector<std::string> polygons;
    std::vector<CurveRecord> curves;
};

GeneratedPlan makePlan() {
    GeneratedPlan plan;
    // Lattice nodes on the lots' sides, numbered in order as ordinary points.
    std::map<std::pair<int, int>, std::int32_t> numbers;
    auto point = [&numbers](int i, int j) {
        auto [it, added] =
            numbers.try_emplace({i, j}, static_cast<std::int32_t>(numbers.size() + 1));
        (void)added;
        return it->second;
    };
    const double theta = 2 * std::asin(kSegment / 2 / kArcRadius);
    const double arcLength = std::round(kArcRadius * theta * 1000) / 1000;
    int arcs = 0;

    // Lines along the block east-west (every fifth an arc), then north-south.
    for (int j = 0; j <= kRows * kSplit; j += kSplit) {
        for (int i = 0; i < kColumns * kSplit; ++i) {
            const std::int32_t a = point(i, j), b = point(i + 1, j);
            if (i % 5 == 2) {
                plan.lines.push_back({a, b, 1000 + kArcRadius, arcLength, 0});
                // The curve records take each stored form in turn.
                switch (arcs++ % 4) {
                case 0:
                    plan.curves.push_back({a, b, "R", kMissingBearing, 90});
                    break;
                case 1:
                    plan.curves.push_back({b, a, "L", kMissingBearing, 270});
                    break;
                case 2:
                    // The tangent at the start, half the central angle before the chord.
                    plan.curves.push_back(
                        {a, b, "R", RadiansToBearing(Pi() / 2 - theta / 2), kMissingBearing});
                    break;
                default:
                    plan.curves.push_back({b, a, "L", kMissingBearing, kMissingBearing});
                    break;
                }
            } else {
                plan.lines.push_back({a, b, 90, kSegment, 0});
            }
        }
    }
    for (int i = 0; i <= kColumns * kSplit; i += kSplit)
        for (int j = 0; j < kRows * kSplit; ++j)
            plan.lines.push_back({point(i, j), point(i, j + 1), 0, kSegment, 0});

    // Repeated measurements (the first in the file decides) and ties to marks.
    for (std::size_t k = 0; plan.lines.size() < static_cast<std::size_t>(kMaxLines); ++k) {
        const LineRecord& l = plan.lines[k * 13];
        if (k % 2 == 0)
            plan.lines.push_back({l.ToPoint, l.FromPoint, 123.4500, l.Distance, 0});
        else
            plan.lines.push_back(
                {l.FromPoint, 44440000 + static_cast<std::int32_t>(k), 45.3020, 5, 0});
    }

    // The lots, each clockwise from its south-west corner, and the outer boundary.
    auto add = [&plan, &point](std::vector<std::pair<int, int>> corners) {
        for (const auto& [i, j] : corners)
            plan.polygons.push_back(std::to_string(point(i, j)));
    };
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            plan.polygons.push_back("\"LT" + std::to_string(r * kColumns + c + 1) + "\",900,\"C\"");
            const int i0 = c * kSplit, j0 = r * kSplit;
            std::vector<std::pair<int, int>> corners;
            for (int s = 0; s < kSplit; ++s)
                corners.push_back({i0, j0 + s});
            for (int s = 0; s < kSplit; ++s)
                corners.push_back({i0 + s, j0 + kSplit});
            for (int s = 0; s < kSplit; ++s)
                corners.push_back({i0 + kSplit, j0 + kSplit - s});
            for (int s = 0; s < kSplit; ++s)
                corners.push_back({i0 + kSplit - s, j0});
            corners.push_back({i0, j0});
            add(corners);
        }
    }
    plan.polygons.push_back("\"OB1\",4536000,\"C\"");
    std::vector<std::pair<int, int>> boundary;
    for (int j = 0; j < kRows * kSplit; ++j)
        boundary.push_back({0, j});
    for (int i = 0; i < kColumns * kSplit; ++i)
        boundary.push_back({i, kRows * kSplit});
    for (int j = kRows * kSplit; j > 0; --j)
        boundary.push_back({kColumns * kSplit, j});
    for (int i = kColumns * kSplit; i >= 0; --i)
        boundary.push_back({i, 0});
    add(boundary);
    return plan;
}

const GeneratedPlan& plan() {
    static const GeneratedPlan generated = makePlan();
    return generated;
}

void summaryInMemory(benchmark::State& state) {
    const GeneratedPlan& p = plan();
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
    const GeneratedPlan& p = plan();
    const auto dir = std::filesystem::temp_directory_path() / "corvane_bench_plan";
    std::filesystem::create_directories(dir);
    const std::string base = (dir / "D99999").string();
    std::vector<std::string> lns, cve;
    for (const LineRecord& l : p.lines)
        lns.push_back(FormatLineRecord(l));
    for (const CurveRecord& c : p.curves)
        cve.push_back(FormatCurveRecord(c));
    if (!WriteLinesAtomic(base + ".lns", lns) || !WriteLinesAtomic(base + ".ply", p.polygons) ||
        !WriteLinesAtomic(base + ".cve", cve)) {
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

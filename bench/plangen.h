#pragma once

// Plans made up for the coordinate builder's tests and benchmarks: chains stored forwards or
// in reverse, grids at the lines file's limit in shuffled order, and random networks with
// several groups, arcs, missing bearings, dropped and duplicate lines.

#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/model/bearing.h"
#include "core/model/records.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace corvane::gen {

struct GeneratedPlan {
    std::vector<LineRecord> lines;
    std::vector<CurveRecord> curves;
};

// A bearing in packed DDD.MMSS form from whole degrees, minutes and seconds.
inline double Packed(int d, int m, int s) {
    return d + m / 100.0 + s / 10000.0;
}

// Points 1 to n joined in order; reversed: the lines stored last to first, so a table walk
// reaches one more point per pass.
inline GeneratedPlan Chain(int n, bool reversed) {
    GeneratedPlan plan;
    for (int i = 1; i < n; ++i)
        plan.lines.push_back(
            {i, i + 1, Packed((i * 37) % 360, (i * 7) % 60, (i * 11) % 60), 10.0 + i % 13, 0});
    if (reversed)
        std::reverse(plan.lines.begin(), plan.lines.end());
    return plan;
}

// A side × side grid of points 20 m apart, every row and column joined, lines shuffled;
// every 50th line an arc (its curve record holds the chord bearing), every 97th without a
// bearing. 128 × 128 gives 32 512 lines.
inline GeneratedPlan ShuffledGrid(int side, unsigned seed) {
    GeneratedPlan plan;
    auto number = [side](int r, int c) { return r * side + c + 1; };
    int k = 0;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            if (c + 1 < side) {
                LineRecord line{number(r, c), number(r, c + 1), 90.0, 20.0, 0};
                if (++k % 50 == 0) {
                    line.Bearing = 1000 + 30.0;
                    line.Distance = 20.5;
                    plan.curves.push_back({line.FromPoint, line.ToPoint, "R", 999, 90.0});
                } else if (k % 97 == 0) {
                    line.Bearing = 999;
                }
                plan.lines.push_back(line);
            }
            if (r + 1 < side)
                plan.lines.push_back({number(r, c), number(r + 1, c), 180.0, 20.0, 0});
        }
    std::mt19937 random(seed);
    std::shuffle(plan.lines.begin(), plan.lines.end(), random);
    return plan;
}

// A random network: `groups` clusters of points joined within themselves, random directions
// and storage order, missing bearings, arcs with and without chord bearings, dropped lines
// (distance 0 or negative), duplicate pairs and the odd line between clusters.
inline GeneratedPlan RandomNetwork(unsigned seed, int points, int lines, int groups) {
    std::mt19937 random(seed);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    GeneratedPlan plan;
    const int perGroup = std::max(2, points / std::max(1, groups));
    for (int j = 0; j < lines; ++j) {
        const int g = pick(0, groups - 1);
        int a = g * perGroup + pick(1, perGroup);
        int b = g * perGroup + pick(1, perGroup);
        if (pick(0, 40) == 0)
            b = pick(1, groups * perGroup);
        if (a == b && pick(0, 3) != 0)
            b = a + 1;
        LineRecord line{a, b, Packed(pick(0, 359), pick(0, 59), pick(0, 59)), pick(1, 9000) / 100.0,
                        0};
        switch (pick(0, 12)) {
        case 0:
            line.Bearing = 999;
            break;
        case 1:
            line.Distance = pick(0, 1) ? 0.0 : -line.Distance;
            break;
        case 2:
        case 3: {
            line.Bearing = 1000 + line.Distance; // radius
            line.Distance = line.Distance * 1.2;
            const bool chord = pick(0, 3) != 0;
            plan.curves.push_back({pick(0, 1) ? a : b, a, pick(0, 1) ? "L" : "R",
                                   chord ? 999 : Packed(pick(0, 359), 0, 0),
                                   chord ? Packed(pick(0, 359), pick(0, 59), 0) : 999});
            plan.curves.back().ToPoint = plan.curves.back().FromPoint == a ? b : a;
            break;
        }
        case 4:
            line.Bearing = 360.0;
            break;
        default:
            break;
        }
        plan.lines.push_back(line);
        if (pick(0, 15) == 0)
            plan.lines.push_back(LineRecord{b, a, Packed(pick(0, 359), 0, 0), 5.0, 0});
    }
    return plan;
}

} // namespace corvane::gen

namespace corvane::gen {

// The polygons file of a ShuffledGrid: every cell a lot, every 7th an easement, so the
// grid's lines are boundaries and easement lines.
inline std::vector<std::string> GridPolygons(int side) {
    std::vector<std::string> lines;
    auto number = [side](int r, int c) { return std::to_string(r * side + c + 1); };
    for (int r = 0; r + 1 < side; ++r)
        for (int c = 0; c + 1 < side; ++c) {
            const int k = r * side + c;
            lines.push_back(std::string("\"") + (k % 7 == 0 ? "EA" : "AL") + std::to_string(k) +
                            "\",400,\"C\"");
            for (const std::string& p : {number(r, c), number(r, c + 1), number(r + 1, c + 1),
                                         number(r + 1, c), number(r, c)})
                lines.push_back(p);
        }
    return lines;
}

// A plan at the lines file's limit: 32767 lines, 5040 lots in a block of 70 by 72, each lot
// a 30 m square whose sides are three 10 m lines (every fifth line along the streets an
// arc), the outer boundary round the whole block, and the rest of the lines repeated
// measurements and connections to survey marks.
inline constexpr int kColumns = 70;
inline constexpr int kRows = 72;
inline constexpr int kSplit = 3;         // lines per side of a lot
inline constexpr double kSegment = 10.0; // metres
inline constexpr double kArcRadius = 20.0;

struct LimitPlan {
    std::vector<LineRecord> lines;
    std::vector<std::string> polygons;
    std::vector<CurveRecord> curves;
};

inline LimitPlan MakeLimitPlan() {
    LimitPlan plan;
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
    auto add = [&plan, &point](const std::vector<std::pair<int, int>>& corners) {
        for (const auto& [i, j] : corners)
            plan.polygons.push_back(std::to_string(point(i, j)));
    };
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            plan.polygons.push_back("\"LT" + std::to_string(r * kColumns + c + 1) + "\",900,\"C\"");
            const int i0 = c * kSplit, j0 = r * kSplit;
            std::vector<std::pair<int, int>> corners;
            corners.reserve(4 * kSplit + 1);
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
    boundary.reserve(2 * (kRows + kColumns) * kSplit + 1);
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

// The plan's lines, polygons and curves files, BASE.lns, BASE.ply and BASE.cve.
inline Result<void> WritePlan(const LimitPlan& plan, const std::string& base) {
    std::vector<std::string> lns, cve;
    for (const LineRecord& l : plan.lines)
        lns.push_back(FormatLineRecord(l));
    for (const CurveRecord& c : plan.curves)
        cve.push_back(FormatCurveRecord(c));
    if (Result<void> written = WriteLinesAtomic(base + ".lns", lns); !written)
        return written;
    if (Result<void> written = WriteLinesAtomic(base + ".ply", plan.polygons); !written)
        return written;
    return WriteLinesAtomic(base + ".cve", cve);
}

} // namespace corvane::gen

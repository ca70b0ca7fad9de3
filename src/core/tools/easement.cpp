#include "core/tools/easement.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

constexpr const char* kDataTitle = "Easement data error";

// Angles are taken from bearings only as their "0.0000" text, as every bearing is stored.
double radians(double bearing) {
    return BearingToRadians(Format(bearing, "0.0000"));
}

double cellValue(const TraverseGrid& grid, int r, int c) {
    return Val(grid.cell(r, c));
}

std::int32_t cellPoint(const TraverseGrid& grid, int r, int c) {
    return PointLabelToNumber(grid.cell(r, c));
}

// A row filled from an arc holds "R" and the radius in its bearing cell.
bool arcCell(const std::string& cell) {
    return !cell.empty() && cell.front() == 'R';
}

// A bearing cell a strip can be computed from: a plain bearing, not "No Data" or an arc.
bool plainBearing(const std::string& cell) {
    return !cell.empty() && cell != kNoData && ValidBearing(cell);
}

// Builds the far-side corners onto the outline's points, numbering new corners from `first`.
class OffsetBuilder {
  public:
    OffsetBuilder(StripOutline& outline, const PlanState& plan, std::int32_t first)
        : outline_(outline), next_(first) {
        // Every stored pair, indexed once, so a long strip on a large plan costs one pass
        // over the lines.
        stored_.reserve(plan.PlanLines.size() * 2);
        for (const LineRecord& line : plan.PlanLines)
            stored_.insert(PointPairKey(line.FromPoint, line.ToPoint));
        for (size_t i = 0; i < outline_.points.size(); ++i)
            firstIndex_.try_emplace(outline_.points[i].Number, i);
    }

    std::int32_t newNumber() { return next_++; }

    // Where the width falls to 0 the strip's outline runs back along the traverse itself:
    // the traverse point V joins the far side, and no line is made for it.
    void pinch(std::int32_t v) {
        PointRecord point;
        point.Number = v;
        point.Fixed = 1;
        if (auto found = firstIndex_.find(v); found != firstIndex_.end())
            point = outline_.points[found->second];
        outline_.points.push_back(point);
    }

    // The far side's own lines, corner to corner in the order the outline runs, with the
    // bearing and distance between the two computed corners. Without them the new parcel
    // has sides that no line measures and cannot close.
    void addFarSide() {
        const std::vector<PointRecord>& points = outline_.points;
        for (size_t i = 1; i < points.size(); ++i) {
            const PointRecord& a = points[i - 1];
            const PointRecord& b = points[i];
            if (a.Number == b.Number || !corners_.count(a.Number) || !corners_.count(b.Number))
                continue;
            const double dE = b.East - a.East;
            const double dN = b.North - a.North;
            const double length = Val(Format(std::hypot(dE, dN), "0.000"));
            if (!(length > 0) || !stored_.insert(PointPairKey(a.Number, b.Number)).second)
                continue;
            LineRecord line;
            line.FromPoint = a.Number;
            line.ToPoint = b.Number;
            line.Bearing = Val(Format(RadiansToBearing(BearingFromDeltas(dE, dN)), "0.0000"));
            line.Distance = length;
            outline_.newLines.push_back(line);
        }
    }

    // A corner P from traverse point V along bearing at length: a point of the outline and,
    // unless stored already, a line of the plan.
    Result<void> emit(std::int32_t v, std::int32_t p, double bearing, double length, int row) {
        if (!std::isfinite(length) || length > kMaxDistance)
            return Error{"The corner at point " + Format(v, "0") + " (line " + Format(row, "0") +
                             ") cannot be computed: its offset runs parallel to the line",
                         kDataTitle};
        PointRecord from;
        if (auto found = firstIndex_.find(v); found != firstIndex_.end())
            from = outline_.points[found->second];
        const double b = radians(bearing);
        PointRecord corner;
        corner.Number = p;
        corner.East = from.East + std::sin(b) * length;
        corner.North = from.North + std::cos(b) * length;
        corner.Fixed = 1;
        outline_.points.push_back(corner);
        firstIndex_.try_emplace(p, outline_.points.size() - 1);
        corners_.insert(p);
        if (stored_.insert(PointPairKey(v, p)).second) {
            LineRecord line;
            line.FromPoint = v;
            line.ToPoint = p;
            line.Bearing = Val(Format(bearing, "0.0000"));
            line.Distance = Val(Format(length, "0.000"));
            outline_.newLines.push_back(line);
        }
        return {};
    }

  private:
    StripOutline& outline_;
    std::int32_t next_;
    std::unordered_set<std::uint64_t> stored_;
    std::unordered_map<std::int32_t, size_t> firstIndex_;
    std::unordered_set<std::int32_t> corners_;
};

// An end line given by its bearing must run from the traverse into the strip: a bearing
// pointing the other way would put the corner on the wrong side of the traverse and make
// the parcel cross itself.
Result<void> endTowardsStrip(double lineBearing, double endBearing, int side, const char* end) {
    const double towards = PerpendicularBearing(lineBearing, side);
    if (std::cos(radians(endBearing) - radians(towards)) > 0)
        return {};
    double reverse = endBearing + 180;
    if (reverse >= 360)
        reverse -= 360;
    return Error{std::string("The bearing for the end of the easement from the ") + end +
                     " point (" + Format(endBearing, "0.0000") +
                     ") points away from the strip.\nThe end line into the strip runs on " +
                     Format(reverse, "0.0000") + ".",
                 kDataTitle};
}

Result<void> addOffsets(const TraverseGrid& grid, const StripOptions& options,
                        OffsetBuilder& build) {
    const int n = grid.dataRows();
    const int side = options.rightSide ? 1 : 0;
    auto bearingOf = [&](int r) { return cellValue(grid, r, ColBearing); };
    auto widthOf = [&](int r) { return cellValue(grid, r, ColWidth); };

    // The start of the strip.
    {
        const double b1 = bearingOf(1);
        const double w = widthOf(1);
        double bearing = PerpendicularBearing(b1, side);
        double length = w;
        if (!options.startBearing.empty()) {
            bearing = Val(options.startBearing);
            length = OffsetLength(b1, bearing, w);
            if (std::isfinite(length))
                if (Result<void> s = endTowardsStrip(b1, bearing, side, "first"); !s)
                    return s;
        }
        if (!(length <= 0)) {
            const double given = Val(options.firstPoint);
            const std::int32_t p = given > 0 ? static_cast<std::int32_t>(given) : build.newNumber();
            if (Result<void> s = build.emit(cellPoint(grid, 1, ColFrom), p, bearing, length, 1); !s)
                return s;
        }
    }
    // The corners between lines.
    for (int r = 1; r < n; ++r) {
        const std::int32_t v = cellPoint(grid, r, ColTo);
        const double b1 = bearingOf(r), w1 = widthOf(r);
        const double b2 = bearingOf(r + 1), w2 = widthOf(r + 1);
        if (b1 != b2 && w1 != 0 && w2 != 0) {
            const double bearing = CornerOffsetBearing(b1, b2, w1, w2, side);
            const double length = OffsetLength(b2, bearing, w2);
            if (Result<void> s = build.emit(v, build.newNumber(), bearing, length, r + 1); !s)
                return s;
            continue;
        }
        // A straight run of one width needs no corner; a change of width makes a step, and a
        // width of 0 ends or starts the strip: along lines of width 0 the outline is pinched
        // to the traverse, so the strip on either side keeps its own ends and area.
        if (w1 == w2) {
            if (w1 == 0)
                build.pinch(v);
            continue;
        }
        if (w1 > 0) {
            if (Result<void> s =
                    build.emit(v, build.newNumber(), PerpendicularBearing(b1, side), w1, r);
                !s)
                return s;
        } else {
            build.pinch(v);
        }
        if (w2 > 0) {
            if (Result<void> s =
                    build.emit(v, build.newNumber(), PerpendicularBearing(b2, side), w2, r + 1);
                !s)
                return s;
        } else {
            build.pinch(v);
        }
    }
    // The end of the strip.
    const double b = bearingOf(n);
    const double w = widthOf(n);
    double bearing = PerpendicularBearing(b, side);
    double length = w;
    if (!options.endBearing.empty()) {
        bearing = Val(options.endBearing);
        length = OffsetLength(b, bearing, w);
        if (std::isfinite(length))
            if (Result<void> s = endTowardsStrip(b, bearing, side, "last"); !s)
                return s;
    }
    if (!(length <= 0)) {
        const double given = Val(options.endPoint);
        const std::int32_t p = given > 0 ? static_cast<std::int32_t>(given) : build.newNumber();
        if (Result<void> s = build.emit(cellPoint(grid, n, ColTo), p, bearing, length, n); !s)
            return s;
    }
    return {};
}

} // namespace

double PerpendicularBearing(double b, int side) {
    double result = side == 1 ? b + 270 : b + 90;
    if (result >= 360)
        result -= 360;
    return result;
}

double OffsetLength(double b1, double b2, double w) {
    const double s = std::sin(radians(b1) - radians(b2));
    // Parallel bearings meet the far line nowhere; a sine lost in rounding counts as none.
    if (std::fabs(s) < 1e-9)
        return std::numeric_limits<double>::infinity();
    return std::fabs(w / s);
}

double CornerOffsetBearing(double b1, double b2, double w1, double w2, int side) {
    double a = b1 + 180;
    if (a >= 360)
        a -= 360;
    if (a < b2)
        a += 360;
    const double t = radians(a) - radians(b2);
    const double pi = 4 * std::atan(1.0);
    double phi = std::atan(w2 * std::sin(t) / (w2 * std::cos(t) + w1));
    if (phi < 0)
        phi += pi;
    double r = RadiansToBearing(radians(b2) + phi);
    if (side == 1) {
        r += 180;
        if (r >= 360)
            r -= 360;
    }
    return r;
}

void ReversePointRange(std::vector<PointRecord>& points, int i, int j) {
    if (i > j)
        std::swap(i, j);
    i = std::max(i, 0);
    j = std::min(j, static_cast<int>(points.size()) - 1);
    if (i < j)
        std::reverse(points.begin() + i, points.begin() + j + 1);
}

double FindBearing(const PlanState& plan, std::int32_t a, std::int32_t b) {
    for (const LineRecord& line : plan.PlanLines)
        if (line.FromPoint == a && line.ToPoint == b)
            return line.Bearing;
    for (const LineRecord& line : plan.PlanLines) {
        if (line.FromPoint == b && line.ToPoint == a) {
            double back = line.Bearing + 180;
            if (back >= 360)
                back -= 360;
            return back;
        }
    }
    return kMissingBearing;
}

std::int32_t PartyFreePoint(const TraverseGrid& grid, const PlanState& plan,
                            const StripOptions& options) {
    double highest = 0;
    auto consider = [&](double number) {
        if (number < plan.PointNumberLimit && number > highest)
            highest = number;
    };
    if (plan.chkArray) {
        for (const LineRecord& line : plan.PlanLines) {
            consider(line.FromPoint);
            consider(line.ToPoint);
        }
    }
    for (const GridRow& row : grid.rows) {
        consider(Val(row[ColFrom]));
        consider(Val(row[ColTo]));
    }
    highest = std::max({highest, Val(options.firstPoint), Val(options.endPoint)});
    return static_cast<std::int32_t>(highest) + 1;
}

StripCheck DataEntered(const TraverseGrid& grid) {
    StripCheck check;
    const int n = grid.dataRows();
    if (n < 1)
        return check;
    for (int r = 1; r <= n; ++r) {
        // The far side of an arc is another arc, which the parcel's straight sides cannot
        // hold: said plainly rather than as a row left incomplete.
        if (arcCell(grid.cell(r, ColBearing))) {
            check.message =
                Error{"A fixed width strip cannot follow an arc\n(line " + Format(r, "0") + ")",
                      kDataTitle};
            check.row = r;
            return check;
        }
        const bool complete = cellValue(grid, r, ColFrom) > 0 && cellValue(grid, r, ColTo) > 0 &&
                              plainBearing(grid.cell(r, ColBearing)) &&
                              !grid.cell(r, ColDistance).empty() && !grid.cell(r, ColWidth).empty();
        if (!complete) {
            check.message = Error{"Incomplete data in line " + Format(r, "0"), kDataTitle};
            check.row = r;
            return check;
        }
    }
    if (!(cellValue(grid, 1, ColWidth) > 0 && cellValue(grid, n, ColWidth) > 0)) {
        check.message = Error{"First or last width cannot be 0", kDataTitle};
        check.row = cellValue(grid, 1, ColWidth) > 0 ? n : 1;
        return check;
    }
    check.ok = true;
    return check;
}

Result<StripOutline> CompileStrip(const TraverseGrid& grid, const StripOptions& options,
                                  const PlanState& plan) {
    StripOutline outline;
    const int n = grid.dataRows();
    outline.points.reserve(static_cast<size_t>(3 * n + 4));
    PointRecord start;
    start.Number = cellPoint(grid, 1, ColFrom);
    start.Fixed = 1;
    outline.points.push_back(start);
    double east = 0, north = 0;
    outline.areaKnown = true;
    for (int r = 1; r <= n; ++r) {
        const double b = BearingToRadians(grid.cell(r, ColBearing));
        const double distance = cellValue(grid, r, ColDistance);
        // A line without a known length is laid out twice as long as the strip is wide.
        const double d = distance > 0 ? distance : 2 * cellValue(grid, r, ColWidth);
        if (!(distance > 0))
            outline.areaKnown = false;
        if (d > 0) {
            east += std::sin(b) * d;
            north += std::cos(b) * d;
        }
        // The point keeps its number even without a length, so the outline never holds a
        // point 0.
        PointRecord point;
        point.Number = cellPoint(grid, r, ColTo);
        point.East = east;
        point.North = north;
        point.Fixed = 1;
        outline.points.push_back(point);
    }
    std::int32_t first = PartyFreePoint(grid, plan, options);
    if (Val(options.firstPoint) >= first)
        first = static_cast<std::int32_t>(Val(options.firstPoint)) + 1;
    if (Val(options.endPoint) >= first)
        first = static_cast<std::int32_t>(Val(options.endPoint)) + 1;
    OffsetBuilder build(outline, plan, first);
    if (Result<void> built = addOffsets(grid, options, build); !built)
        return built.error();
    // Both sides run the same way round the strip: one of them is taken backwards.
    if (options.rightSide)
        ReversePointRange(outline.points, 0, n);
    else
        ReversePointRange(outline.points, n + 1, static_cast<int>(outline.points.size()) - 1);
    PointRecord close = outline.points.front();
    close.Fixed = 1;
    outline.points.push_back(close);
    // Beside a line of unknown length the far side's length would be made up: only a strip
    // whose every line is measured gets its far side as lines.
    if (outline.areaKnown)
        build.addFarSide();
    double twice = 0;
    for (size_t i = 1; i < outline.points.size(); ++i) {
        const PointRecord& a = outline.points[i - 1];
        const PointRecord& b = outline.points[i];
        twice += a.East * b.North - b.East * a.North;
    }
    outline.area = std::fabs(twice / 2);
    return outline;
}

Result<void> SaveStrip(TraverseGrid& grid, const StripOptions& options, PlanState& plan,
                       const std::string& identifier) {
    // The lines are written over the file: they must be the file's, never a stale or empty
    // copy.
    if (!LinesCurrent(plan) && !plan.LinesLoadFailed)
        if (Result<void> loaded = LoadLines(plan); !loaded)
            return loaded;
    if (plan.LinesLoadFailed)
        return Error{"The easement was not saved. " + LinesNotLoadedMessage(plan), kDataTitle};

    const std::vector<LineRecord> before = plan.PlanLines;
    auto restore = [&] { plan.PlanLines = before; };

    // The traverse's lines. A row finds its stored line by its two points, so the strip on
    // the other side of the same traverse updates the lines the first strip added.
    LinePairIndex byPair(plan.PlanLines);
    for (int r = 1; r <= grid.dataRows(); ++r) {
        const double distance = cellValue(grid, r, ColDistance);
        if (!(distance > 0))
            continue;
        const std::int32_t from = cellPoint(grid, r, ColFrom);
        const std::int32_t to = cellPoint(grid, r, ColTo);
        const double bearing = cellValue(grid, r, ColBearing);
        std::optional<int> index = ResolveLink(grid, plan, r);
        if (!index)
            if (const auto found = byPair.Find(from, to))
                index = static_cast<int>(*found);
        if (index) {
            LineRecord& line = plan.PlanLines[static_cast<size_t>(*index)];
            line.Distance = distance;
            line.Bearing = line.FromPoint == from ? bearing : Val(ReverseBearing(bearing));
            continue;
        }
        LineRecord line;
        line.FromPoint = from;
        line.ToPoint = to;
        line.Bearing = bearing;
        line.Distance = distance;
        byPair.Add(plan.PlanLines.size(), line);
        plan.PlanLines.push_back(line);
    }

    auto outline = CompileStrip(grid, options, plan);
    if (!outline) {
        restore();
        return outline.error();
    }
    plan.PlanLines.insert(plan.PlanLines.end(), outline.value().newLines.begin(),
                          outline.value().newLines.end());
    auto linesFile = StageLines(plan);
    if (!linesFile) {
        restore();
        return linesFile.error();
    }
    std::vector<std::string> parcel;
    parcel.reserve(outline.value().points.size() + 1);
    // A strip laid out over a line of unknown length has no area to state.
    const StripOutline& strip = outline.value();
    parcel.push_back(strip.areaKnown ? FormatHeading(identifier, AreaToStore(strip.area), "C")
                                     : FormatHeading(identifier, 0, "A"));
    for (const PointRecord& point : outline.value().points)
        parcel.push_back(Format(point.Number, "0"));
    const std::string polygonsPath = PlanFile(plan.PlanPath, ".ply");
    auto polygons = AppendedContent(polygonsPath, parcel);
    if (!polygons) {
        restore();
        return Error{polygons.error().message, "Saving polygon error"};
    }
    // The strip's lines and its outline are written together: a parcel is never stored
    // without its lines, nor its lines without the parcel.
    if (Result<void> written =
            CommitFiles(plan.PlanPath, {std::move(linesFile).value(),
                                        {polygonsPath, std::move(polygons).value()}});
        !written) {
        restore();
        return Error{written.error().message, "Saving polygon error"};
    }
    NoteLinesWritten(plan, "the fixed width easement window");
    return {};
}

} // namespace corvane

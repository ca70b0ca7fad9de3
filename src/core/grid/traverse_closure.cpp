#include "core/grid/traverse_closure.h"

#include "core/grid/gridclosure.h"

#include "core/base/numtext.h"
#include "core/files/polygons.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>

#include <cmath>
#include <utility>

namespace corvane {

namespace {

// Direction (radians) and length of a row's line, or nullopt when the row has none to
// offer: a missing bearing or distance, an empty cell, an arc whose chord is unknown.
struct LineVector {
    double east = 0;
    double north = 0;
    bool arc = false;
};

std::optional<LineVector> rowVector(const GridRow& row, const CurveTable& curves) {
    const std::string& bearing = row[ColBearing];
    const std::string& distance = row[ColDistance];
    if (bearing == kNoData || distance == kNoData || bearing.empty() || distance.empty())
        return std::nullopt;
    double direction = 0;
    double length = 0;
    bool arc = false;
    if (bearing.front() == 'R') {
        CurveData curve = LoadCurve(PointLabelToNumber(row[ColFrom]),
                                    PointLabelToNumber(row[ColTo]), bearing, distance, curves);
        if (!curve.HasChordBearing())
            return std::nullopt;
        direction = BearingToRadians(curve.ChordBearing);
        length = ChordLength(bearing, distance);
        arc = true;
    } else {
        direction = BearingToRadians(bearing);
        length = Val(distance);
    }
    if (!(length > 0))
        return std::nullopt;
    return LineVector{length * std::sin(direction), length * std::cos(direction), arc};
}

std::string closingLines(double bearing, double distance) {
    return "Closing bearing  = " + Format(bearing, "0.0000") +
           "\nClosing distance = " + Format(distance, "0.000");
}

void setArea(ClosureReport& report, double area, AreaOption option) {
    report.area = AreaToStore(std::fabs(area));
    report.areaHectares = FormatArea(report.area, 1);
    report.areaOption = option;
}

// What keeps a row out of the closure, in the words the panel shows; empty for a row that
// takes part. The tests are GridClosure's own.
std::string missingInRow(const GridRow& row, int r, const CurveTable& curves) {
    const std::string line = "line " + std::to_string(r);
    const std::string& bearing = row[ColBearing];
    if (!(Val(row[ColDistance]) > 0))
        return "No distance in " + line;
    if (bearing.empty() || bearing == kNoData)
        return "No bearing in " + line;
    if (bearing.front() == 'R' &&
        !LoadCurve(PointLabelToNumber(row[ColFrom]), PointLabelToNumber(row[ColTo]), bearing,
                   row[ColDistance], curves)
             .HasChordBearing())
        return "No curve data for the arc in " + line;
    return {};
}

} // namespace

std::string AreaCodeFor(AreaOption option) {
    switch (option) {
    case AreaOption::Approximate:
        return "A";
    case AreaOption::Deduced:
        return "D";
    case AreaOption::Calculated:
        break;
    }
    return "C";
}

ClosureReport CalcClosure(TraverseGrid& grid, PlanState& plan, bool forPrint,
                          std::string_view accuracyClass, const CurveTable& curves,
                          const QuestionFn& ask) {
    ClosureReport report;
    ClosureResult closure = GridClosure(grid.rows, grid.chkParcel, curves);
    // An exact closure leaves only rounding in the sums: no distance and no direction.
    const double distance = ClosingDistance(closure.SumEast, closure.SumNorth);
    const double bearing = ClosingBearing(closure.SumEast, closure.SumNorth);

    if (!grid.chkParcel) {
        report.text = closingLines(bearing, distance);
        report.title = "Closing data";
        return report;
    }
    report.parcel = true;
    report.title = "Closure results for " + grid.caption;

    if (!(closure.TotalLength > 0)) {
        CreateGridCoords(grid, plan, curves);
        ReverseGridCoords(grid, plan, curves);
        const double area = AreaByCoords(plan);
        setArea(report, area, AreaOption::Approximate);
        report.text = "Missing data in closure\n" + closingLines(bearing, distance) +
                      "\nArea = " + FormatArea(area, 0) + " approx.";
        grid.chkClosure = true;
        return report;
    }

    double allowable = AllowableMisclosure(closure.TotalLength, accuracyClass);
    double area = Val(closure.AreaText);
    if (area < 0 && distance <= allowable && !forPrint && ask &&
        ask("This closure is anticlockwise\nFix it ?", "Closure calculation") == Reply::Yes) {
        ReverseTraverse(grid);
        report.reversed = true;
        // The closing bearing and distance reported stay those of the traverse as it was
        // entered; the area and the perimeter are the reversed traverse's.
        closure = GridClosure(grid.rows, grid.chkParcel, curves);
        area = Val(closure.AreaText);
        allowable = AllowableMisclosure(closure.TotalLength, accuracyClass);
    }

    std::string ratio;
    if (distance > 0)
        ratio = Format(closure.TotalLength / distance, "0");
    report.text = "Closure ratio = 1 in " + ratio + "\n" + closingLines(bearing, distance) +
                  "\nArea = " + FormatArea(area, 0) + " (Bowditch Adjusted)\n" +
                  "Allowable misclosure = " + Format(allowable, "0.000") + "\n" +
                  (allowable < distance ? "MISCLOSURE NOT ACCEPTABLE" : "MISCLOSURE ACCEPTABLE");
    setArea(report, area, AreaOption::Calculated);
    grid.chkClosure = true;
    return report;
}

ClosureGlance GlanceAtClosure(const TraverseGrid& grid, std::string_view accuracyClass,
                              const CurveTable& curves) {
    ClosureGlance glance;
    GridRows rows = grid.rows;
    while (rows.size() >= 2 && rows.back()[ColDistance].empty())
        rows.pop_back();
    // A single row that is still empty is a traverse not yet begun.
    if (rows.size() == 1 && rows.front()[ColDistance].empty())
        rows.clear();
    if (rows.size() < 2) {
        glance.verdict = "Not enough data to close";
        return glance;
    }
    if (grid.chkParcel) {
        for (size_t i = 0; i < rows.size(); ++i) {
            glance.verdict = missingInRow(rows[i], static_cast<int>(i) + 1, curves);
            if (!glance.verdict.empty())
                return glance;
        }
    }
    const ClosureResult closure = GridClosure(rows, grid.chkParcel, curves);
    const double distance = ClosingDistance(closure.SumEast, closure.SumNorth);
    glance.bearing = Format(ClosingBearing(closure.SumEast, closure.SumNorth), "0.0000");
    glance.distance = Format(distance, "0.000");
    if (!grid.chkParcel) {
        glance.state = ClosureVerdict::NotJudged;
        glance.verdict = "Not a parcel: not judged";
        return glance;
    }
    // The misclosure of a traverse that has not come back to its first point is only the gap
    // still open.
    const std::string& first = rows.front()[ColFrom];
    const std::string& last = rows.back()[ColTo];
    if (PointLabelToNumber(first) != PointLabelToNumber(last)) {
        glance.verdict = "Not closed: ends at " + last + ", not at " + first;
        return glance;
    }
    const double allowable = AllowableMisclosure(closure.TotalLength, accuracyClass);
    glance.ratio = ClosureRatioText(closure.TotalLength, distance);
    glance.allowable = Format(allowable, "0.000");
    // A parcel entered anticlockwise has its area in the same unit, and says it must be turned
    // (the Closure command offers to reverse it).
    const double area = Val(closure.AreaText);
    glance.area = FormatArea(std::fabs(area), 0);
    const bool within = distance <= allowable;
    glance.state = within ? ClosureVerdict::Within : ClosureVerdict::Outside;
    glance.verdict = within ? "MISCLOSURE ACCEPTABLE" : "MISCLOSURE NOT ACCEPTABLE";
    if (area < 0)
        glance.verdict += "; runs anticlockwise";
    return glance;
}

Result<ClosureReport> ClosureCommand(TraverseGrid& grid, PlanState& plan,
                                     std::string_view accuracyClass, const CurveTable& curves,
                                     const QuestionFn& ask) {
    LastGridLine(grid);
    if (grid.dataRows() < 2)
        return Error{"Not enough data to close", "Closure error", Icon::Exclamation};
    return CalcClosure(grid, plan, false, accuracyClass, curves, ask);
}

void ReverseTraverse(TraverseGrid& grid) {
    MarkChanged(grid);
    grid.syncLinkPairs();
    const int n = grid.dataRows();
    for (int i = 1, j = n; i < j; ++i, --j) {
        std::swap(grid.rows[static_cast<size_t>(i - 1)], grid.rows[static_cast<size_t>(j - 1)]);
        std::swap(grid.linkPairs[static_cast<size_t>(i - 1)],
                  grid.linkPairs[static_cast<size_t>(j - 1)]);
    }
    for (GridRow& row : grid.rows) {
        std::swap(row[ColFrom], row[ColTo]);
        std::string& bearing = row[ColBearing];
        // A plain bearing begins with a figure; "No Data" and an arc's "R" text stay.
        if (!bearing.empty() && static_cast<unsigned char>(bearing.front()) < 58) {
            double b = Val(bearing) + 180;
            if (b >= 360)
                b -= 360;
            bearing = Format(b, "0.0000");
        }
    }
}

void CreateGridCoords(const TraverseGrid& grid, PlanState& plan, const CurveTable& curves) {
    const int n = grid.dataRows();
    plan.PlanPoints.assign(static_cast<size_t>(n + 1), PointRecord{});
    plan.PointTop = n;
    if (n < 1)
        return;
    plan.PlanPoints[0].Number = PointLabelToNumber(grid.cell(1, ColFrom));
    plan.PlanPoints[0].Fixed = 1;
    for (int r = 1; r <= n; ++r) {
        auto v = rowVector(grid.at(r), curves);
        if (!v)
            break;
        const PointRecord& previous = plan.PlanPoints[static_cast<size_t>(r - 1)];
        PointRecord& point = plan.PlanPoints[static_cast<size_t>(r)];
        point.Number = PointLabelToNumber(grid.cell(r, ColTo));
        point.East = previous.East + v->east;
        point.North = previous.North + v->north;
        point.Fixed = v->arc ? 2 : 1;
    }
}

void ReverseGridCoords(const TraverseGrid& grid, PlanState& plan, const CurveTable& curves) {
    const int n = grid.dataRows();
    if (static_cast<int>(plan.PlanPoints.size()) < n + 1)
        plan.PlanPoints.resize(static_cast<size_t>(n + 1));
    plan.PointTop = n;
    if (n < 1)
        return;
    // A closed traverse ends on its first point, at (0, 0).
    PointRecord& last = plan.PlanPoints[static_cast<size_t>(n)];
    last.Number = PointLabelToNumber(grid.cell(n, ColTo));
    last.East = 0;
    last.North = 0;
    for (int r = n; r >= 1; --r) {
        auto v = rowVector(grid.at(r), curves);
        if (!v) {
            plan.PlanPoints[static_cast<size_t>(r)].Fixed = 2;
            break;
        }
        const PointRecord& next = plan.PlanPoints[static_cast<size_t>(r)];
        PointRecord& point = plan.PlanPoints[static_cast<size_t>(r - 1)];
        point.Number = PointLabelToNumber(grid.cell(r, ColFrom));
        point.East = next.East - v->east;
        point.North = next.North - v->north;
        point.Fixed = v->arc ? 2 : 1;
    }
}

std::vector<TraverseArc> GridArcs(const TraverseGrid& grid, const CurveTable& curves) {
    std::vector<TraverseArc> arcs;
    const int n = grid.dataRows();
    for (int r = 1; r <= n; ++r) {
        const GridRow& row = grid.at(r);
        const std::string& bearing = row[ColBearing];
        if (bearing.empty() || bearing.front() != 'R' || row[ColDistance] == kNoData)
            continue;
        const CurveData curve =
            LoadCurve(PointLabelToNumber(row[ColFrom]), PointLabelToNumber(row[ColTo]), bearing,
                      row[ColDistance], curves);
        arcs.push_back(TraverseArc{static_cast<std::size_t>(r), ArcRadius(bearing),
                                   Val(row[ColDistance]), curve.Left()});
    }
    return arcs;
}

double AreaByCoords(const PlanState& plan) {
    double twice = 0;
    const int top = std::min(plan.PointTop, static_cast<int>(plan.PlanPoints.size()) - 1);
    for (int i = 1; i <= top; ++i) {
        const PointRecord& a = plan.PlanPoints[static_cast<size_t>(i - 1)];
        const PointRecord& b = plan.PlanPoints[static_cast<size_t>(i)];
        twice += b.North * a.East - b.East * a.North;
    }
    return std::fabs(twice / 2);
}

} // namespace corvane

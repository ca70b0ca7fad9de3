#pragma once

#include "core/files/curves.h"
#include "core/geometry/closure.h"
#include "core/geometry/planview.h"
#include "core/grid/traverse.h"
#include "core/model/records.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The area window's type options.
enum class AreaOption { Calculated, Approximate, Deduced };

// The closure of the grid as the traverse window reports it.
struct ClosureReport {
    std::string text;  // the report; lines separated by line feeds
    std::string title; // "Closing data", or "Closure results for " and the parcel
    bool parcel = false;
    // Parcel mode only: what the area window receives. The area is the size of the area
    // (never negative, whatever way the traverse runs) as it is stored, to a tenth of a
    // square metre; the report keeps its sign. The hectares are the window's rounded text.
    std::string areaHectares;
    AreaOption areaOption = AreaOption::Calculated;
    double area = 0.0;     // square metres, never negative
    bool reversed = false; // the anticlockwise traverse was turned round
};

// Closes the grid's traverse and composes the report. In parcel mode an anticlockwise
// traverse that closes within the allowable misclosure is offered the fix ("This closure is
// anticlockwise" / "Fix it ?"); on Yes it is reversed in the grid. forPrint: the report is
// to be printed, and no question is asked. Sets chkClosure in parcel mode.
ClosureReport CalcClosure(TraverseGrid& grid, PlanState& plan, bool forPrint,
                          std::string_view accuracyClass, const CurveTable& curves,
                          const QuestionFn& ask);

// The Closure command: trims trailing rows without a distance; with fewer than two rows the
// refusal "Not enough data to close"; otherwise the report.
Result<ClosureReport> ClosureCommand(TraverseGrid& grid, PlanState& plan,
                                     std::string_view accuracyClass, const CurveTable& curves,
                                     const QuestionFn& ask);

// The closure of the rows at a glance, as the traverse window keeps it in view while the rows
// are typed: the figures of the closure box (each empty where there is none yet) and the
// verdict, or what is still missing before there can be one.
enum class ClosureVerdict { Within, Outside, Incomplete, NotJudged };
struct ClosureGlance {
    std::string bearing;   // closing bearing, "0.0000"
    std::string distance;  // closing distance, "0.000"
    std::string ratio;     // "1 in N", or "exact"
    std::string allowable; // allowable misclosure of the accuracy class, "0.000"
    std::string area;      // Bowditch-adjusted area, display form, whichever way it runs
    std::string verdict;   // in words
    ClosureVerdict state = ClosureVerdict::Incomplete;
};
// Reads the grid without changing it: trailing rows without a distance (a line being typed)
// are left out, as the Closure command leaves them out.
ClosureGlance GlanceAtClosure(const TraverseGrid& grid, std::string_view accuracyClass,
                              const CurveTable& curves);

// Reverses the traverse: rows in reverse order, From and To exchanged, plain bearings turned
// by 180 degrees ("No Data" and arcs unturned). Links go with their rows.
void ReverseTraverse(TraverseGrid& grid);

// Coordinates of the traverse points in PlanPoints (entries 0 to n, PointTop n), from the
// first point at (0, 0) forwards until a line without data.
void CreateGridCoords(const TraverseGrid& grid, PlanState& plan, const CurveTable& curves);
// From the last point at (0, 0) backwards until a line without data: with the forward pass
// it bridges one missing line of a closed traverse.
void ReverseGridCoords(const TraverseGrid& grid, PlanState& plan, const CurveTable& curves);
// The traverse's arcs as the coordinates above number its points: the row r that is an arc
// is the leg into entry r, with the row's radius and arc length and its curve record's turn.
std::vector<TraverseArc> GridArcs(const TraverseGrid& grid, const CurveTable& curves);
// The area enclosed by PlanPoints entries 0 to PointTop, without its sign.
double AreaByCoords(const PlanState& plan);

// The area code stored with a parcel for the area window's option.
std::string AreaCodeFor(AreaOption option);

} // namespace corvane

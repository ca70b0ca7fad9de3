#pragma once

#include "core/grid/traverse.h"
#include "core/model/records.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// What became of a text committed to a grid cell. A refused commit leaves the cell and the
// cursor as they were; the window empties its editor and shows the message when there is
// one. runClosure: the row just completed closed the parcel's traverse on its first point,
// and the window runs the closure command (the cursor stays on that row).
struct CommitOutcome {
    bool accepted = false;
    std::optional<Error> message;
    bool runClosure = false;
};

// The bearing entry rules: "No Data", 999 (missing), a plain bearing ("45.3" -> "45.3000"),
// or a negative one turned round ("-45.3" -> "225.3000"). nullopt for anything else: an
// arc's "R" text, letters, a figure that is no bearing.
std::optional<std::string> BearingEntryText(std::string_view text);

// The message of a refused bearing.
Error InvalidBearingMessage();

// The message of a refused width (negative, or no number).
Error InvalidWidthMessage();

// A survey mark number as the connection grid stores it: a "/" from the fourth character on
// is dropped ("1234/56789" -> "123456789"); other text as typed.
std::string MarkNumberEntry(const std::string& text);

// The message of a point label that looks like a point but cannot be stored (too long, not
// whole, beyond 32 bits).
Error InvalidPointLabelMessage();

// The shortest distance a cell takes: anything shorter is written as 0.000 in the lines file,
// which marks a deleted line.
inline constexpr double kMinDistance = 0.001;
// The distance entry rules of a line's distance cell: "No Data" (a missing distance), or a
// number or a sum of numbers ("10.5+2.25-1" -> "11.750") whose total is from kMinDistance to
// kMaxDistance. nullopt for anything else: letters, a total of 0 or below ("-5", "0"), one
// under a millimetre ("0.0004"), a figure beyond any survey's.
std::optional<std::string> DistanceEntryText(std::string_view text);

// The message of a refused distance.
Error InvalidDistanceMessage();

// Enter in the cell editor (or on the grid): commits text to the current cell by its
// column's rules and moves the cursor on: one column right, or after a completed row to the
// next row (adding one at the end), whose From takes the To just entered outside edit-lines
// mode.
CommitOutcome CommitCell(TraverseGrid& grid, PlanState& plan, const std::string& text);

// The cell editor left by an arrow key or a click: commits text to cell (row, col) by the
// same rules, without moving the cursor and without running the closure.
CommitOutcome CommitCellInPlace(TraverseGrid& grid, PlanState& plan, int row, int col,
                                const std::string& text);

// F3 in the From or To column: commits the next free point number. When no number below
// the point number limit is free, nothing is entered and the message says so.
CommitOutcome CommitNewPoint(TraverseGrid& grid, PlanState& plan);
Error NoFreePointMessage(std::int32_t limit);

// F5 in the bearing or distance column: commits "No Data".
CommitOutcome CommitNoData(TraverseGrid& grid, PlanState& plan);

// Escape with the editor empty: one step back when the current cell is empty and on the
// last row. Returns true when the grid changed.
bool EscapeKey(TraverseGrid& grid);

// The toolbar's Insert: an empty row at the current row, its From taken from the row above,
// the cursor on its To.
void InsertLine(TraverseGrid& grid);

// The toolbar's Delete: removes the current row when the grid has two or more rows. In a
// traverse outside edit-lines mode the stored line the row links to is marked deleted (a
// negative distance) once, however many rows link to it; Cancel or declining to delete the
// lines restores it. The tool grids only drop the row. Returns true when a row was removed.
bool DeleteLine(TraverseGrid& grid, PlanState& plan);

// The line the curve window is filled for: the current row's points as coded numbers and
// its bearing and distance cells.
struct CurveLine {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::string bearing;
    std::string distance;
};
CurveLine CurveEntryLine(const TraverseGrid& grid);

// After the curve window was closed with OK: the bearing cell becomes "R" and the radius,
// and the arc length is committed as the distance.
CommitOutcome ApplyCurveEntry(TraverseGrid& grid, PlanState& plan, const std::string& radiusText,
                              const std::string& arcText);

// The stored line a row links to: the link when that line still joins the row's linked
// pair, otherwise the first line joining the pair (the link then follows it), otherwise
// none (the link is emptied: the row counts as typed anew).
std::optional<int> ResolveLink(TraverseGrid& grid, const PlanState& plan, int row);

} // namespace corvane

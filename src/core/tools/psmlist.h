#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"
#include "core/grid/traverse.h"
#include "core/model/gridrow.h"
#include "core/model/records.h"
#include "core/tools/cellcheck.h"

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The survey mark connection list: one measured line from a permanent survey mark (a point
// number above PointNumberLimit) to a parcel corner (a number from 1 to the limit) per row of
// a GridKind::Marks grid. Column 0 the connection's index in PlanLines (empty for a row typed
// in the window), then Corner, Bearing from the mark, Distance and PSM Number (the mark's
// label, "PM1234", as in every grid; its coded number typed as digits is taken too).

// The rows the list opens with: every live connection of PlanLines (LoadMarkJoins) to a corner
// numbered 1 or more, in PlanLines order, its bearing taken from the mark. Put into the grid
// with SetGridRows, which remembers the point pair of each row's line.
GridRows LoadPSMRows(const PlanState& plan);

// Removes trailing rows without a PSM number while two or more rows remain.
void LastPSMLine(TraverseGrid& grid);

// The outcome of the check before a save: ok, or the message to show (title "PSM line
// error") and the cell to make current, which is also made the grid's current cell.
using PsmCheck = CellCheck;

// Trims the grid (LastPSMLine), then checks every row in turn, stopping at the first fault:
// the corner must be a point from 1 to PointNumberLimit, the distance above 0 (and no more
// than kMaxDistance), the bearing a valid bearing from 0 to 360 (360.0000 itself included),
// and the PSM number a mark's label or digits naming a mark: above PointNumberLimit and
// within 32 bits. A lone row left entirely empty (the list's last connection was deleted)
// passes: there is nothing to store.
PsmCheck CheckPSMLines(TraverseGrid& grid, const PlanState& plan);

// Stores the checked rows in PlanLines and writes the lines file. The lines are loaded first
// when they are not in memory; nothing is done while the lines file failed to load (its
// copy in memory is not the file). Each row is stored from the mark to the corner:
// - a linked row rewrites the line it links to, found by the point pair its link was taken
//   from (an index that no longer names that line follows the pair); a row whose line is
//   gone counts as typed anew;
// - a row typed anew adds a line, unless a live line already joins its mark and corner
//   either way round: that line is left to the row that holds it in the list, or, when no
//   row holds it (a line without a bearing, which the list does not show), takes the row's
//   figures. A connection is never stored twice.
// On success PlanLines holds the file as written (lines marked deleted are gone from it,
// chkArray says it holds the lines) and every row links to its line. On a failure PlanLines
// is exactly as before the call, lines marked deleted still marked, so the rows the grid
// keeps can be saved again or cancelled. Error title: that of the failed load or write.
// deleted: the pairs of the lines the window's Delete marked, marked again when the lines
// must be read anew first (another window let them go meanwhile).
Result<void> SavePSMLines(TraverseGrid& grid, PlanState& plan,
                          const std::vector<LinkPair>& deleted = {});

// Deletes the current row. The line it links to is marked deleted (its distance made
// negative, once) until the save drops it or Cancel restores it. The last remaining row is
// not removed but emptied, so that a plan's only connection can be deleted too; the grid
// always keeps one row. Sets chkChange. Returns false when there is no current row.
// deleted, when given, receives the pair of the line marked.
bool DeletePSMRow(TraverseGrid& grid, PlanState& plan, std::vector<LinkPair>* deleted = nullptr);

// Cancel: when the lines are loaded and the list was changed, every line of PlanLines marked
// deleted is restored (its distance made positive), whichever window marked it.
void CancelPSM(TraverseGrid& grid, PlanState& plan);

// The printed list: heading "Permanent Survey Marks List for " and the plan at column 10,
// column headings and one line per row (Corner 10, Bearing 25, Distance 40, PSM Number 55).
// Empty when the grid holds no connection (entirely empty rows are not printed): the window
// then shows PsmNothingToPrintMessage().
std::vector<PrintLine> PSMPrintLines(const TraverseGrid& grid, const std::string& planPath);
Error PsmNothingToPrintMessage();

} // namespace corvane

#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"
#include "core/grid/traverse.h"
#include "core/model/gridrow.h"
#include "core/tools/cellcheck.h"

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The scaled lines file (PlanPath + ".sca") holds lines scaled from an older plan or taken
// from a digitizer, one record "from,to,third,fourth" per text line:
// - a scaled line: both points 1 or more, then its bearing (DDD.MMSS) and distance;
// - a digitized string: a start record (its first point, to point 0), any number of
//   vertices (both points 0) and an end record (from point 0, its last point). The two
//   figures of a string's records are carried through every save, never interpreted.
// In the GridKind::Scaled grid a scaled line is a row with column 0 empty, its bearing shown
// "0.0000" and its distance "0.000"; a string is one row with its number (1, 2, ... in the
// order of the strings in the file) in column 0, its first and last points, and
// kDigitized in Bearing and Distance.

inline constexpr const char* kDigitized = "Digitized";

// The grid rows of the plan's scaled lines file, in file order; none when there is no file.
// A record that is not four numbers (points whole) refuses the whole file, naming its line
// (title "Error reading scaled lines"). Blank lines are passed over. Every digitized record
// has a row that carries it: a string the file never ends (or abandons for a new start
// record) shows as a row of its own with To empty, and vertices or an end record outside a
// string as a row with From empty, each numbered in file order among the strings.
Result<GridRows> ReadScaledRows(const std::string& planPath);

// Fills the grid for the window: the file's rows, or one empty row when there are none (or
// the file could not be read: the error says why); the cursor on row 1's From,
// chkChange cleared.
Result<void> LoadScaledGrid(TraverseGrid& grid, const std::string& planPath);

// The outcome of the check before a save: ok, or the message (title "Scaled line error") and
// the cell to make current, which is also made the grid's current cell.
using ScaledCheck = CellCheck;

// Removes trailing rows without a distance (row 1 always stays), then checks each scaled
// line row in turn, stopping at the first fault: From and To whole points of 1 or more, a
// bearing (not empty) from 0 to 360 that is a valid bearing (360.0000 itself passes), a
// distance above 0. String rows are not checked. A lone row left entirely empty passes.
ScaledCheck CheckScaledLines(TraverseGrid& grid);

// Writes the grid over the plan's scaled lines file. When the file exists, it is first copied
// to its backup (PlanPath + ".~ca") and then rewritten in grid order: each complete scaled
// line row (all four cells filled) as its cell texts joined by ",", or as the record it was
// read from, text for text, while the row still shows that record's rounded figures; each
// string row as the records of its string copied from the previous file exactly as they
// were read, so a deleted string row drops its string and the others keep every figure. Without a
// file, only the complete scaled line rows are written, and no backup is made. The backup and the
// new file are written in one commit: a failure leaves both as they were. Error titles
// "Replace Scaled data error" (an existing file) and "Add Scaled lines error" (a new one).
Result<void> SaveScaledLines(const TraverseGrid& grid, const std::string& planPath);

// Whether Delete may remove the current row: only while the grid holds more than one row.
// confirm: the row is a digitized string, and the window first asks
// kDeleteDigitizedQuestion (title kDeleteLineTitle, Yes/No) and deletes only on Yes.
struct ScaledDeleteRule {
    bool allowed = false;
    bool confirm = false;
};
inline constexpr const char* kDeleteDigitizedQuestion =
    "Are you sure you want to delete these digitized points ?";
inline constexpr const char* kDeleteLineTitle = "Delete Line";
ScaledDeleteRule ScaledDeleteCheck(const TraverseGrid& grid);

// Removes the current row when allowed (the window has asked when confirm was set); the
// current row stays at its index, or moves to the new last row. Sets chkChange. Returns true
// when a row was removed.
bool DeleteScaledRow(TraverseGrid& grid);

// The next free point (F3, "New Point") is CommitNewPoint: TravFreePoint counts the points
// of the grid's From and To cells, the string rows' first and last points among them, and
// of PlanLines when the lines are loaded.

// The printed list: a top margin, "List of Scaled Lines for " and the plan at column 12, a
// blank line, the headings From, To, Bearing, Distance at columns 12, 24, 36 and 48, then one
// line per row with its four cells at the same columns.
std::vector<PrintLine> ScaledPrintLines(const GridRows& rows, const std::string& planPath);

} // namespace corvane

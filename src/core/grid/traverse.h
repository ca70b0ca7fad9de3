#pragma once

#include "core/base/result.h"
#include "core/files/planfiles.h"
#include "core/model/gridrow.h"
#include "core/model/records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A Yes/No question the window asks for the core (question icon); the text and the title.
using QuestionFn = std::function<Reply(const std::string& text, const std::string& title)>;

// The two points of the stored line a row's link was taken from. A link is an index into
// PlanLines; the pair lets a save tell whether that index still names the same line after
// the lines were reloaded or renumbered.
struct LinkPair {
    std::int32_t from = 0;
    std::int32_t to = 0;
    bool joins(const LineRecord& line) const {
        return (line.FromPoint == from && line.ToPoint == to) ||
               (line.FromPoint == to && line.ToPoint == from);
    }
};

// The traverse window's grid and flags. Data rows are counted from 1 as the window counts
// them (row 1 is rows[0]); the heading row is not held. linkPairs runs beside rows: for a
// linked row, the point pair of the stored line its link was set from.
struct TraverseGrid {
    GridRows rows = GridRows(1);
    std::vector<std::optional<LinkPair>> linkPairs = std::vector<std::optional<LinkPair>>(1);
    int row = 1; // current data row
    int col = 1; // current column (1 From ... 4 Distance)
    bool chkParcel = false;
    bool chkEdit = false;
    bool chkChange = false;
    bool chkClosure = false;
    std::string caption;
    GridKind kind = GridKind::Traverse; // whose cell rules the grid follows; kept by a clear

    int dataRows() const { return static_cast<int>(rows.size()); }
    GridRow& at(int r) { return rows[static_cast<size_t>(r - 1)]; }
    const GridRow& at(int r) const { return rows[static_cast<size_t>(r - 1)]; }
    std::string& cell(int r, int c) { return at(r)[static_cast<size_t>(c)]; }
    const std::string& cell(int r, int c) const { return at(r)[static_cast<size_t>(c)]; }

    // Inserts an empty row before row r (r = dataRows() + 1 appends one).
    void insertRow(int r);
    void removeRow(int r);
    // Links row r to line `index` of PlanLines, remembering the line's two points.
    void setLink(int r, int index, const LineRecord& line);
    void clearLink(int r);
    // Keeps linkPairs the length of rows after rows were changed directly.
    void syncLinkPairs();
};

// Resets the grid: flags cleared, one empty data row, the cursor on its From cell.
void ClearTraverseGrid(TraverseGrid& grid);

// Replaces the grid's rows by rows a loader filled (a parcel, the lines for editing),
// remembering for every linked row the points of the line it links to now. An empty list
// leaves one empty row.
void SetGridRows(TraverseGrid& grid, GridRows rows, const PlanState& plan);

// The PlanLines index a row links to, or -1 when its link cell is empty or not an index.
int LinkIndex(const GridRow& row);

// Sets chkChange and clears chkClosure: the grid differs from what was closed or saved.
void MarkChanged(TraverseGrid& grid);

// The next free ordinary point number: one above the largest number below the point number
// limit among the stored lines (when loaded) and the grid's From and To cells. nullopt when
// that would reach the limit.
std::optional<std::int32_t> TravFreePoint(const TraverseGrid& grid, const PlanState& plan);

// Fills row trow from the first stored line joining its two points either way (back
// bearing for a line stored the other way round; an arc's radius unturned); a line marked
// deleted is restored. Returns 1 when one was found, else 0 (row unchanged). The cursor is
// left to the caller.
int CheckArray(TraverseGrid& grid, PlanState& plan, int trow);

// Fills row trow from an earlier row of the grid with the same two points either way.
// Returns 1 or 0 as CheckArray.
int CheckForRepeat(TraverseGrid& grid, int trow);

// Copies into the current cell the matching cell of the row above (From takes the To).
void GetLastEntry(TraverseGrid& grid);

// One step back from an empty cell at the end of the traverse.
void UndoTraverse(TraverseGrid& grid);

// Removes trailing rows without a distance (keeping at least one row).
void LastGridLine(TraverseGrid& grid);

// True when a From or To cell names a point a line can be stored with: a valid point label,
// or a whole positive point number as a polygons file holds it. An empty cell does not.
bool StorablePointCell(std::string_view cell);

// Each line must start where the one before it ended, points compared by their coded
// numbers, and every row's From and To must name a point (StorablePointCell). With fewer
// than two rows the check fails without a message.
struct SequenceCheck {
    bool ok = false;
    std::optional<Error> message; // only when asked for and broken
};
SequenceCheck CheckSequence(const TraverseGrid& grid, bool showmsg);

// True when any data row has "No Data" as its bearing or its distance.
bool IsMissingData(const TraverseGrid& grid);

// The search of the grid.
enum class SearchOption { PointNo, Bearing, Distance };

// Searches from the row after the current one to the end, then from row 1 up to the row
// before the current one, for a cell holding exactly stext: the bearing or distance column,
// or for points the To column and then the From column of each row. A match becomes the
// current cell. Returns the row found, or 0.
int SearchGrid(TraverseGrid& grid, SearchOption option, const std::string& stext);

// The Find command: refuses empty text, puts the text in the column's form, sets the
// column searched and searches. The row found, or the message that nothing was found.
Result<int> FindInGrid(TraverseGrid& grid, SearchOption option, std::string_view text);

} // namespace corvane

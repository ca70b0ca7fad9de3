#pragma once

#include "core/base/result.h"
#include "core/files/plancommit.h"
#include "core/grid/traverse.h"
#include "core/model/records.h"

#include <optional>
#include <string>

namespace corvane {

// A grid row as a stored line: points by their coded numbers; bearing 999 for "No Data",
// 1000 plus the radius for an arc ("R" text), else its figure; distance its figure ("No
// Data" gives 0, so the line is not written).
LineRecord RowToLine(const GridRow& row);

// Writes the grid's linked rows 1 to lastline back to the lines they link to: bearing and
// distance (turned when the line is stored the other way round), and the row's points
// when they were edited. A link that no longer names its line follows the line's points or
// is dropped (ResolveLink).
void GridChanges(TraverseGrid& grid, PlanState& plan, int lastline);

// Brings PlanLines up to date from the grid (PlanLines must hold the current lines file):
// linked rows by GridChanges; each row typed anew is appended, unless a live stored line
// already joins its two points, which then takes the row's bearing and distance. A row
// without a distance adds nothing. Labels longer than 9 characters are cut to 9.
void Grid2Array(TraverseGrid& grid, PlanState& plan);

// Edit-lines mode: PlanLines becomes exactly the grid's rows in grid order.
void ReplaceLines(const TraverseGrid& grid, PlanState& plan);

// When lines are marked deleted and the plan has two or more parcels, asks "You have
// deleted points in this parcel." / "Do you wish to delete the line data as well ?"
// (title "Delete Lines"); No restores them.
void QueryDeletes(PlanState& plan, int parcelCount, const QuestionFn& ask);

// Appends the parcel (heading with the window caption, area and code, then its points in
// grid order and the last row's To) to the polygons file. Error title "Saving Parcel error".
Result<void> SaveParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                        const std::string& areacode);

// Rewrites the polygons file from its backup (made by the caller) with this parcel's
// heading and points replaced. A calculated area that differs from the stored one is
// offered first ("Change area to ... ?", title "Update parcel"); No keeps the stored area
// and code. Error title "Update polygons file error".
Result<void> UpdateParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                          const std::string& areacode, const QuestionFn& ask);

// Rewrites the lines file in grid order: the grid's lines first, then every other live
// stored line; a stored line the grid holds is written once. Refused while the lines file
// failed to load (the lines are loaded first when they are not current). PlanLines is
// left as it was. Error title "Save Line Order error".
Result<void> SaveLineOrder(TraverseGrid& grid, PlanState& plan);

// OK, the lines half: trims the grid; when anything changed, stores the lines (edit-lines
// mode: the whole grid; otherwise new and edited rows, after the sequence check in parcel
// mode and the question about deleted lines) and writes the lines file. The lines are
// loaded again first when they are not current. In parcel mode a broken point sequence
// saves nothing and keeps the window open; otherwise the lines file is not written here but
// returned (linesFile) for OkSaveParcel to write together with the parcel.
struct OkLinesOutcome {
    Result<void> status;          // a failed load or write of the lines file
    std::optional<Error> message; // the broken sequence
    bool stayOpen = false;
    std::optional<StagedFile> linesFile; // parcel mode: the lines file to write with the parcel
};
OkLinesOutcome OkSaveLines(TraverseGrid& grid, PlanState& plan, int parcelCount,
                           const QuestionFn& ask);

// True when OK must show the area window for the user to confirm the area: the closure did
// not calculate it (missing data), unless the parcel is an easement ("EA...").
bool NeedsAreaWindow(const TraverseGrid& grid, bool calculatedSelected);

// OK, the parcel half (parcel mode): a changed parcel is rewritten in the polygons file
// through its backup, or appended when new (appended: the window adds it to the parcel list
// and selects it), in one commit with the lines file the lines half staged. An unchanged
// parcel whose area or code differs from its heading is offered the new area ("Change area
// to ... ?"); No keeps the heading. Errors leave the polygons and lines files as they were;
// the window shows them and stays open.
struct ParcelSaveOutcome {
    Result<void> status;
    bool appended = false;
};
ParcelSaveOutcome OkSaveParcel(const TraverseGrid& grid, PlanState& plan, double area,
                               const std::string& areacode, bool areaCancelled,
                               const QuestionFn& ask,
                               std::optional<StagedFile> linesFile = std::nullopt);

// Cancel, once the window has settled what to do with rows that differ from what was
// opened: lines marked deleted in this window are restored; with saveLines (the user's Yes
// to "Do you want to save the lines ?") the grid's lines are stored and the lines file
// written, outside edit-lines mode (whose lines OK writes). The polygons file is not
// touched. An error keeps the window open.
Result<void> CancelTraverse(TraverseGrid& grid, PlanState& plan, bool saveLines);

// The right button on OK in connection-lines mode: the lines file in grid order, then
// PlanLines is marked not loaded (emptied). Does nothing in the other modes.
Result<void> RightButtonOk(TraverseGrid& grid, PlanState& plan);

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/model/gridrow.h"
#include "core/model/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The traverse grid's data rows are GridRows (core/gridrow.h): the index of the line in
// PlanLines ("" when the row has no stored line), the from and to point labels, the bearing
// ("0.0000", "No Data" or "R" and a radius) and the distance ("0.000" or "No Data").

// The data rows of the traverse grid for one parcel: one row per pair of successive points
// under every heading of the polygons file that names the parcel (exactly), in file order,
// each filled by FillLineRow; a pair with no line found gets an empty link and "No Data"
// bearing and distance. A closed parcel of n points gives n - 1 rows. A point line of the
// parcel that is not a whole 32-bit point number, or a file that cannot be read, is an error
// titled "Load Parcel error". closureDone is the traverse window's flag (clear after the grid
// was cleared).
Result<std::vector<GridRow>> LoadParcelLines(const PlanState& plan, const std::string& identifier,
                                             bool closureDone = false);

// Fills the bearing and distance of rows[currentRow] (rows are the grid's data rows, the
// first under the heading at index 0) for the line from -> to. First from PlanLines when it
// is loaded (chkArray): the first live line joining the two points either way gives the
// distance, the bearing ("No Data" for 999, "R" and the radius for an arc, the back bearing
// when the line is stored the other way round; a radius is never reversed) and the link.
// Otherwise, unless closureDone, from the first row above holding the same pair either way:
// its bearing (a numeric bearing reversed for the opposite direction) and distance; the
// link is left as it is. Returns false when neither has the line (the row is unchanged).
bool FillLineRow(const PlanState& plan, std::vector<GridRow>& rows, int currentRow,
                 std::int32_t from, std::int32_t to, bool closureDone);

// The bearing cell the grid shows for a stored line's bearing: "R" and the radius for an
// arc, "No Data" for a figure that is no bearing, else the bearing, or its back bearing when
// back (the line runs to -> from).
std::string LineBearingCell(double bearing, bool back);

} // namespace corvane

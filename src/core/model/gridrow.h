#pragma once

#include <array>
#include <string>
#include <vector>

namespace corvane {

// One row of a line grid as the windows hold it. In the traverse grid: column 0 the link to
// PlanLines (its index, or empty for a line typed anew), 1 From label, 2 To label, 3 bearing
// text, 4 distance text. The strip grids of the easement and road offside windows add 5 the
// width and 6 the computed offside; the other tool grids give the columns their own meaning
// (see GridKind).
using GridRow = std::array<std::string, 7>;
using GridRows = std::vector<GridRow>; // data rows only (the heading row is not held here)

enum GridColumn {
    ColLink = 0,
    ColFrom = 1,
    ColTo = 2,
    ColBearing = 3,
    ColDistance = 4,
    ColWidth = 5,
    ColOffside = 6,
};

// The survey mark connection grid: link, corner, bearing from the mark, distance, mark number.
enum MarkColumn { ColCorner = 1, ColMarkBearing = 2, ColMarkDistance = 3, ColMarkNumber = 4 };

// Which window's cell rules a grid follows.
enum class GridKind {
    Traverse, // From, To, Bearing, Distance
    Strip,    // the traverse's columns and a Width (fixed width easements and party walls)
    Offsides, // as Strip, and the computed Offside (shown, never typed)
    Marks,    // Corner, Bearing, Distance, PSM Number
    Scaled,   // From, To, Bearing, Distance as plain numbers; column 0 a digitized string's number
};

// The last column a user types in.
inline int LastEntryColumn(GridKind kind) {
    return (kind == GridKind::Strip || kind == GridKind::Offsides) ? ColWidth : ColDistance;
}
// The column that holds a bearing.
inline int BearingColumn(GridKind kind) {
    return kind == GridKind::Marks ? static_cast<int>(ColMarkBearing)
                                   : static_cast<int>(ColBearing);
}
inline int DistanceColumn(GridKind kind) {
    return kind == GridKind::Marks ? static_cast<int>(ColMarkDistance)
                                   : static_cast<int>(ColDistance);
}

} // namespace corvane

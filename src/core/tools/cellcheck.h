#pragma once

#include "core/base/result.h"
#include "core/grid/traverse.h"

#include <optional>
#include <string>

namespace corvane {

// The check of a tool window's grid before a save: ok, or the message to show and the cell
// to make current, which is also made the grid's current cell.
struct CellCheck {
    bool ok = false;
    std::optional<Error> message;
    int row = 0;
    int col = 0;
};

// Refuses cell (r, c) with "Invalid <what> in line <r>" under the window's title, making it
// the grid's current cell.
CellCheck RefuseCell(TraverseGrid& grid, const std::string& what, int r, int c,
                     const std::string& title);

// True when columns first to last of the row are all empty.
bool EmptyCells(const GridRow& row, int first, int last);

// A bearing a measured line can be stored with: a plain figure from 0 to 360 with minutes and
// seconds below 60 ("No Data", an arc or an empty cell are no stored line's bearing).
bool StorableBearingCell(const std::string& text);

// A distance above 0 and within kMaxDistance.
bool StorableDistanceCell(const std::string& text);

} // namespace corvane

#pragma once

// Grids of the strip windows (fixed width easements, party walls, road offsides) as their
// tests type them: a traverse row with its width.
#include "core/grid/traverse.h"
#include "core/model/gridrow.h"

#include <string>
#include <utility>

namespace corvane::test {

inline GridRow StripRow(std::string from, std::string to, std::string bearing, std::string distance,
                        std::string width) {
    return GridRow{"",
                   std::move(from),
                   std::move(to),
                   std::move(bearing),
                   std::move(distance),
                   std::move(width),
                   ""};
}

inline TraverseGrid StripGrid(GridRows rows, GridKind kind) {
    TraverseGrid grid;
    grid.kind = kind;
    grid.rows = std::move(rows);
    grid.syncLinkPairs();
    return grid;
}

} // namespace corvane::test

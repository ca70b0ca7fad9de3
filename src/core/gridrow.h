#pragma once

#include <array>
#include <string>
#include <vector>

namespace corvane {

// One row of a line grid as the windows hold it: column 0 the link to PlanLines (its index,
// or empty for a line typed anew), 1 From label, 2 To label, 3 bearing text, 4 distance text.
using GridRow = std::array<std::string, 5>;
using GridRows = std::vector<GridRow>; // data rows only (the heading row is not held here)

enum GridColumn { ColLink = 0, ColFrom = 1, ColTo = 2, ColBearing = 3, ColDistance = 4 };

} // namespace corvane

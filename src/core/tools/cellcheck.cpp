#include "core/tools/cellcheck.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"
#include "core/model/records.h"

namespace corvane {

CellCheck RefuseCell(TraverseGrid& grid, const std::string& what, int r, int c,
                     const std::string& title) {
    grid.row = r;
    grid.col = c;
    return {false, Error{"Invalid " + what + " in line " + Format(r, "0"), title}, r, c};
}

bool EmptyCells(const GridRow& row, int first, int last) {
    for (int c = first; c <= last; ++c)
        if (!row[static_cast<size_t>(c)].empty())
            return false;
    return true;
}

bool StorableBearingCell(const std::string& text) {
    if (!IsNumberText(text) || !ValidBearing(text))
        return false;
    const double v = Val(text);
    return v >= 0 && v <= 360;
}

bool StorableDistanceCell(const std::string& text) {
    const auto v = FiniteVal(text);
    return v && *v > 0 && *v <= kMaxDistance;
}

} // namespace corvane

#pragma once

#include "core/grid/traverse.h"
#include "core/model/linepairindex.h"
#include "core/model/records.h"

#include <cstdint>
#include <vector>

namespace corvane {

// The first stored line joining the two points that is not marked deleted, as a row's link
// index; -1 when there is none.
inline int LiveLine(const LinePairIndex& index, std::int32_t a, std::int32_t b) {
    const auto found = index.FindLive(a, b);
    return found ? static_cast<int>(*found) : -1;
}

// The stored line row r links to, checked against the pair its link was set from: a link
// whose index now names another line follows the pair (a live line first), or is dropped
// when the pair is gone. -1 for a row without a link.
int ResolveIndexedLink(TraverseGrid& grid, const PlanState& plan, const LinePairIndex& index,
                       int r);

} // namespace corvane

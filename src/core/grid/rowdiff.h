#pragma once

#include "core/grid/traverse.h"
#include "core/model/gridrow.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace corvane {

// The point pair each row of a grid was linked from, beside the rows.
using GridLinks = std::vector<std::optional<LinkPair>>;

// What one edit of a grid changed: the rows between the part both lists start with and the
// part both end with. Replacing `removed` rows from `at` of the old list by `inserted` rows
// from `at` of the new one turns the old list into the new.
struct RowChange {
    std::size_t at = 0;
    std::size_t removed = 0;
    std::size_t inserted = 0;
    bool none() const { return removed == 0 && inserted == 0; }
};

// Compares two states of a grid, rows and links together: a row whose text is the same but
// whose link changed (it now stands for another stored line) is a changed row. A row without
// an entry in its links list counts as unlinked.
RowChange DiffRows(const GridRows& before, const GridLinks& beforeLinks, const GridRows& after,
                   const GridLinks& afterLinks);

// The rows and links of the slice a change covers, taken from one of the two lists.
struct RowSlice {
    GridRows rows;
    GridLinks links;
};
RowSlice SliceRows(const GridRows& rows, const GridLinks& links, std::size_t at, std::size_t count);

// Replaces removeCount rows and links from `at` by the slice. Nothing changes and false is
// returned when the rows to remove run past the end of the list.
bool SpliceRows(GridRows& rows, GridLinks& links, std::size_t at, std::size_t removeCount,
                const RowSlice& slice);

} // namespace corvane

#include "core/grid/rowdiff.h"

#include <algorithm>

namespace corvane {

namespace {

std::optional<LinkPair> linkAt(const GridLinks& links, std::size_t i) {
    return i < links.size() ? links[i] : std::nullopt;
}

bool sameLink(const std::optional<LinkPair>& a, const std::optional<LinkPair>& b) {
    return a.has_value() == b.has_value() && (!a || (a->from == b->from && a->to == b->to));
}

} // namespace

RowChange DiffRows(const GridRows& before, const GridLinks& beforeLinks, const GridRows& after,
                   const GridLinks& afterLinks) {
    const std::size_t m = before.size(), n = after.size();
    auto same = [&](std::size_t i, std::size_t j) {
        return before[i] == after[j] && sameLink(linkAt(beforeLinks, i), linkAt(afterLinks, j));
    };
    std::size_t start = 0;
    while (start < m && start < n && same(start, start))
        ++start;
    // The common end is sought only in what the common start left, so a row repeated across
    // the edit is never counted twice.
    std::size_t end = 0;
    while (end < m - start && end < n - start && same(m - 1 - end, n - 1 - end))
        ++end;
    return RowChange{start, m - start - end, n - start - end};
}

RowSlice SliceRows(const GridRows& rows, const GridLinks& links, std::size_t at,
                   std::size_t count) {
    RowSlice slice;
    for (std::size_t i = at; i < at + count && i < rows.size(); ++i) {
        slice.rows.push_back(rows[i]);
        slice.links.push_back(linkAt(links, i));
    }
    return slice;
}

bool SpliceRows(GridRows& rows, GridLinks& links, std::size_t at, std::size_t removeCount,
                const RowSlice& slice) {
    if (at > rows.size() || removeCount > rows.size() - at)
        return false;
    // The links run beside the rows whatever length they came with.
    links.resize(rows.size());
    const auto from = static_cast<std::ptrdiff_t>(at);
    const auto to = static_cast<std::ptrdiff_t>(at + removeCount);
    rows.erase(rows.begin() + from, rows.begin() + to);
    rows.insert(rows.begin() + from, slice.rows.begin(), slice.rows.end());
    links.erase(links.begin() + from, links.begin() + to);
    GridLinks added = slice.links;
    added.resize(slice.rows.size());
    links.insert(links.begin() + from, added.begin(), added.end());
    return true;
}

} // namespace corvane

#include "core/grid/lineindex.h"

#include "core/base/numtext.h"

namespace corvane {

int ResolveIndexedLink(TraverseGrid& grid, const PlanState& plan, const LinePairIndex& index,
                       int r) {
    const int link = LinkIndex(grid.at(r));
    if (link < 0)
        return -1;
    const int count = static_cast<int>(plan.PlanLines.size());
    const auto& pair = grid.linkPairs[static_cast<size_t>(r - 1)];
    if (!pair) {
        if (link < count)
            return link;
        grid.clearLink(r);
        return -1;
    }
    if (link < count && pair->joins(plan.PlanLines[static_cast<size_t>(link)]))
        return link;
    const auto live = index.FindLive(pair->from, pair->to);
    const auto any = live ? live : index.Find(pair->from, pair->to);
    if (!any) {
        grid.clearLink(r);
        return -1;
    }
    const int found = static_cast<int>(*any);
    grid.cell(r, ColLink) = Format(found, "0");
    return found;
}

} // namespace corvane

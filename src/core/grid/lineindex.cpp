#include "core/grid/lineindex.h"

#include "core/base/numtext.h"

namespace corvane {

LiveLineIndex::LiveLineIndex(const std::vector<LineRecord>& lines) {
    first_.reserve(lines.size());
    live_.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        add(static_cast<int>(i), lines[i]);
}

void LiveLineIndex::add(int index, const LineRecord& line) {
    const std::uint64_t key = PointPairKey(line.FromPoint, line.ToPoint);
    first_.try_emplace(key, index);
    if (line.Distance > 0)
        live_.try_emplace(key, index);
}

int LiveLineIndex::find(const std::unordered_map<std::uint64_t, int>& map, std::int32_t a,
                        std::int32_t b) {
    auto it = map.find(PointPairKey(a, b));
    return it == map.end() ? -1 : it->second;
}

int ResolveIndexedLink(TraverseGrid& grid, const PlanState& plan, const LiveLineIndex& index,
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
    int found = index.live(pair->from, pair->to);
    if (found < 0)
        found = index.any(pair->from, pair->to);
    if (found < 0) {
        grid.clearLink(r);
        return -1;
    }
    grid.cell(r, ColLink) = Format(found, "0");
    return found;
}

} // namespace corvane

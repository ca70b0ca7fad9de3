#pragma once

#include "core/grid/traverse.h"
#include "core/model/records.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace corvane {

// The stored lines by point pair for the saves, built once per save so that a plan of tens of
// thousands of lines is not scanned once per row. any: the first line joining the pair; live:
// the first whose distance is above 0 (a line not marked deleted).
class LiveLineIndex {
  public:
    explicit LiveLineIndex(const std::vector<LineRecord>& lines);
    void add(int index, const LineRecord& line);
    int live(std::int32_t a, std::int32_t b) const { return find(live_, a, b); }
    int any(std::int32_t a, std::int32_t b) const { return find(first_, a, b); }

  private:
    static int find(const std::unordered_map<std::uint64_t, int>& map, std::int32_t a,
                    std::int32_t b);
    std::unordered_map<std::uint64_t, int> first_;
    std::unordered_map<std::uint64_t, int> live_;
};

// The stored line row r links to, checked against the pair its link was set from: a link
// whose index now names another line follows the pair (a live line first), or is dropped
// when the pair is gone. -1 for a row without a link.
int ResolveIndexedLink(TraverseGrid& grid, const PlanState& plan, const LiveLineIndex& index,
                       int r);

} // namespace corvane

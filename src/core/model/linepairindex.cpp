#include "core/model/linepairindex.h"

namespace corvane {

LinePairIndex::LinePairIndex(const std::vector<LineRecord>& lines) {
    reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        Add(i, lines[i]);
}

void LinePairIndex::reserve(std::size_t count) {
    pairs_.reserve(count);
    nodes_.reserve(count);
}

void LinePairIndex::Add(std::size_t index, std::int32_t from, std::int32_t to, bool live) {
    const std::size_t node = nodes_.size();
    nodes_.push_back(Node{index, kNone});
    auto [it, added] = pairs_.try_emplace(PointPairKey(from, to), Pair{node, node, kNone});
    Pair& pair = it->second;
    if (!added) {
        nodes_[pair.tail].next = node;
        pair.tail = node;
    }
    if (live && pair.live == kNone)
        pair.live = index;
}

std::optional<std::size_t> LinePairIndex::Find(std::int32_t a, std::int32_t b) const {
    auto it = pairs_.find(PointPairKey(a, b));
    if (it == pairs_.end())
        return std::nullopt;
    return nodes_[it->second.head].index;
}

std::optional<std::size_t> LinePairIndex::FindLive(std::int32_t a, std::int32_t b) const {
    auto it = pairs_.find(PointPairKey(a, b));
    if (it == pairs_.end() || it->second.live == kNone)
        return std::nullopt;
    return it->second.live;
}

LinePairIndex::Lines LinePairIndex::All(std::int32_t a, std::int32_t b) const {
    auto it = pairs_.find(PointPairKey(a, b));
    return Lines(this, it == pairs_.end() ? kNone : it->second.head);
}

} // namespace corvane

#pragma once

#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <unordered_map>
#include <vector>

namespace corvane {

// The lines of a plan by the two points they join, whichever way each runs, built once so
// that a plan of tens of thousands of lines is not scanned once per leg or row. Indexes are
// those of the list it was built over, in the order added (file order): Find answers what a
// scan of the list from its start would.
class LinePairIndex {
  public:
    // The indexes of every line of one pair, in the order added.
    class Lines {
      public:
        class iterator {
          public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = std::size_t;
            using difference_type = std::ptrdiff_t;
            using pointer = const std::size_t*;
            using reference = const std::size_t&;
            iterator(const LinePairIndex* index, std::size_t node) : index_(index), node_(node) {}
            const std::size_t& operator*() const { return index_->nodes_[node_].index; }
            iterator& operator++() {
                node_ = index_->nodes_[node_].next;
                return *this;
            }
            bool operator==(const iterator& other) const { return node_ == other.node_; }

          private:
            const LinePairIndex* index_;
            std::size_t node_;
        };
        iterator begin() const { return {index_, head_}; }
        iterator end() const { return {index_, kNone}; }
        bool empty() const { return head_ == kNone; }

      private:
        friend class LinePairIndex;
        Lines(const LinePairIndex* index, std::size_t head) : index_(index), head_(head) {}
        const LinePairIndex* index_;
        std::size_t head_;
    };

    LinePairIndex() = default;
    // Every line of the list; a line of distance 0 or less (marked deleted) is no live line.
    explicit LinePairIndex(const std::vector<LineRecord>& lines);
    // Any records with FromPoint and ToPoint (curve records), all of them live.
    template <typename Record> static LinePairIndex Over(const std::vector<Record>& records) {
        LinePairIndex index;
        index.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            index.Add(i, records[i].FromPoint, records[i].ToPoint, true);
        return index;
    }

    // A line added after those indexed (a line appended to the list at index).
    void Add(std::size_t index, std::int32_t from, std::int32_t to, bool live);
    void Add(std::size_t index, const LineRecord& line) {
        Add(index, line.FromPoint, line.ToPoint, line.Distance > 0);
    }

    // The first line joining the two points, either way.
    std::optional<std::size_t> Find(std::int32_t a, std::int32_t b) const;
    // The first such line not marked deleted.
    std::optional<std::size_t> FindLive(std::int32_t a, std::int32_t b) const;
    // Every line joining the two points, either way.
    Lines All(std::int32_t a, std::int32_t b) const;

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Node {
        std::size_t index;
        std::size_t next;
    };
    struct Pair {
        std::size_t head;
        std::size_t tail;
        std::size_t live;
    };
    void reserve(std::size_t count);
    std::unordered_map<std::uint64_t, Pair> pairs_;
    std::vector<Node> nodes_;
};

} // namespace corvane

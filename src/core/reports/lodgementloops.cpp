// The plan check's rules on the network of lines as a whole: one connected group, every
// independent loop closing, at least two permanent marks.
//
// The loops are a cycle basis of the network of lines that carry a position (a bearing and
// a distance, or an arc with its chord): a breadth-first spanning tree, and for each line
// outside it one loop. A loop through the tree alone can run far round the plan, so each
// line outside the tree is closed by the shortest way round through the tree and the lines
// outside it already closed: a lot's own sides where they are there. Each loop holds one
// line no earlier loop holds, so the loops are independent, and there are as many as the
// network has independent loops.

#include "core/base/numtext.h"
#include "core/geometry/closure.h"
#include "core/geometry/plancoords.h"
#include "core/grid/traversegrid.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/diagnosis.h"
#include "core/reports/lodgementparts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_map>

namespace corvane::lodgement {

namespace {

constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
// How far the shortest way round is looked for before the tree's own way is taken.
constexpr std::size_t kSearchBudget = 4096;
// Loops diagnosed: the diagnosis tries every figure of every line of a loop, so very long
// loops, and loops beyond the first few hundred failing, are reported without it.
constexpr std::size_t kDiagnosedLoopLines = 60;
constexpr std::size_t kDiagnosedLoops = 300;
// Points named in a loop's message before the rest are left out.
constexpr std::size_t kNamedLoopPoints = 24;
constexpr std::size_t kNamedGroups = 10;

struct Edge {
    std::uint32_t a = 0, b = 0; // nodes of the line's from and to points
    std::size_t line = 0;
    LegOffset leg;
};

struct Network {
    std::vector<std::int32_t> points; // node → point number, in the order the lines name them
    std::vector<Edge> edges;          // lines that carry a position, in file order
    // Every surveyed line's ends, a distance alone included: what joins the network at all.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> joins;
    std::vector<std::uint32_t> adjacencyStart, adjacency; // node → its edges
};

Network buildNetwork(const CheckedPlan& plan) {
    Network net;
    std::unordered_map<std::int32_t, std::uint32_t> nodeOf;
    auto node = [&](std::int32_t point) {
        auto [it, added] = nodeOf.try_emplace(point, static_cast<std::uint32_t>(net.points.size()));
        if (added)
            net.points.push_back(point);
        return it->second;
    };
    const std::vector<LineRecord>& lines = *plan.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!plan.surveyed(i))
            continue;
        const std::uint32_t a = node(lines[i].FromPoint), b = node(lines[i].ToPoint);
        net.joins.emplace_back(a, b);
        LegOffset leg = PlanLegOffset(lines[i], plan.curves);
        if (leg.Usable)
            net.edges.push_back({a, b, i, leg});
    }
    net.adjacencyStart.assign(net.points.size() + 1, 0);
    for (const Edge& e : net.edges) {
        ++net.adjacencyStart[e.a + 1];
        if (e.b != e.a)
            ++net.adjacencyStart[e.b + 1];
    }
    std::partial_sum(net.adjacencyStart.begin(), net.adjacencyStart.end(),
                     net.adjacencyStart.begin());
    net.adjacency.resize(net.adjacencyStart.back());
    std::vector<std::uint32_t> fill(net.adjacencyStart.begin(), net.adjacencyStart.end() - 1);
    for (std::uint32_t k = 0; k < net.edges.size(); ++k) {
        net.adjacency[fill[net.edges[k].a]++] = k;
        if (net.edges[k].b != net.edges[k].a)
            net.adjacency[fill[net.edges[k].b]++] = k;
    }
    return net;
}

std::uint32_t otherEnd(const Edge& e, std::uint32_t node) {
    return e.a == node ? e.b : e.a;
}

bool isPermanentMark(std::int32_t point) {
    const std::string label = PointNumberToLabel(point);
    return label.rfind("PM", 0) == 0 || label.rfind("SSM", 0) == 0;
}

// The groups the given joins make of the network's points: each group's first point (in the
// order the lines name them) and its size, in that order.
std::vector<std::pair<std::uint32_t, std::size_t>>
groupsOf(const Network& net, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& joins) {
    std::vector<std::uint32_t> root(net.points.size());
    std::iota(root.begin(), root.end(), 0u);
    auto find = [&root](std::uint32_t x) {
        while (root[x] != x)
            x = root[x] = root[root[x]];
        return x;
    };
    for (const auto& [a, b] : joins) {
        const std::uint32_t ra = find(a), rb = find(b);
        if (ra != rb)
            root[std::max(ra, rb)] = std::min(ra, rb); // the group keeps its first point
    }
    std::vector<std::size_t> size(net.points.size(), 0);
    for (std::uint32_t n = 0; n < net.points.size(); ++n)
        ++size[find(n)];
    std::vector<std::pair<std::uint32_t, std::size_t>> groups;
    for (std::uint32_t n = 0; n < net.points.size(); ++n)
        if (find(n) == n)
            groups.emplace_back(n, size[n]);
    return groups;
}

// Lines in more than one group are an error; one network whose parts are joined only by
// distances (a point fixed by two distances) is sound survey, but those parts cannot be
// placed from one another's bearings, and the adjustment holds each on its own: a warning.
void checkGroups(const Network& net, std::vector<Finding>& findings) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> positioned;
    positioned.reserve(net.edges.size());
    for (const Edge& e : net.edges)
        positioned.emplace_back(e.a, e.b);
    const auto joined = groupsOf(net, net.joins);
    const bool split = joined.size() > 1;
    const auto groups = split ? joined : groupsOf(net, positioned);
    if (groups.size() <= 1)
        return;
    std::string text = "the lines form " + std::to_string(groups.size()) +
                       (split ? " groups that no line joins:"
                              : " groups that no line with a bearing and a distance joins "
                                "(distances alone join them):");
    for (std::size_t g = 0; g < groups.size() && g < kNamedGroups; ++g) {
        const std::size_t n = groups[g].second;
        text += (g ? ", " : " ") + PointNumberToLabel(net.points[groups[g].first]) + " (" +
                std::to_string(n) + (n == 1 ? " point)" : " points)");
    }
    if (groups.size() > kNamedGroups)
        text += " and " + std::to_string(groups.size() - kNamedGroups) + " more";
    Finding f = MakeFinding("network", split ? FindingGrade::Error : FindingGrade::Warning,
                            std::move(text));
    f.point = PointNumberToLabel(net.points[groups[1].first]);
    findings.push_back(std::move(f));
}

void checkMarks(const Network& net, std::vector<Finding>& findings) {
    std::vector<std::string> marks;
    for (std::int32_t point : net.points)
        if (isPermanentMark(point))
            marks.push_back(PointNumberToLabel(point));
    if (marks.size() >= 2)
        return;
    std::string text = marks.empty()
                           ? "the plan is connected to no permanent mark"
                           : "the plan is connected to one permanent mark only, " + marks.front();
    text += "; it needs at least two (PM or SSM)";
    Finding f = MakeFinding("marks", FindingGrade::Error, std::move(text));
    if (!marks.empty())
        f.point = marks.front();
    findings.push_back(std::move(f));
}

// A loop: its start node and its lines in the order walked.
struct Loop {
    std::uint32_t start = 0;
    std::vector<std::uint32_t> edges;
};

class LoopFinder {
  public:
    explicit LoopFinder(const Network& net)
        : net_(net), inTree_(net.edges.size(), false), parent_(net.points.size(), kNone),
          depth_(net.points.size(), 0), seen_(net.points.size(), 0),
          via_(net.points.size(), kNone) {
        // Breadth-first from each node not yet reached, in the order the lines name them.
        std::vector<bool> reached(net.points.size(), false);
        std::vector<std::uint32_t> queue;
        queue.reserve(net.points.size());
        for (std::uint32_t s = 0; s < net.points.size(); ++s) {
            if (reached[s])
                continue;
            reached[s] = true;
            queue.assign(1, s);
            for (std::size_t q = 0; q < queue.size(); ++q) {
                const std::uint32_t n = queue[q];
                for (std::uint32_t k = net.adjacencyStart[n]; k < net.adjacencyStart[n + 1]; ++k) {
                    const std::uint32_t e = net.adjacency[k];
                    const std::uint32_t m = otherEnd(net.edges[e], n);
                    if (reached[m])
                        continue;
                    reached[m] = true;
                    inTree_[e] = true;
                    parent_[m] = e;
                    depth_[m] = depth_[n] + 1;
                    queue.push_back(m);
                }
            }
        }
        available_ = inTree_;
    }

    bool inTree(std::uint32_t e) const { return inTree_[e]; }

    // The loop a line outside the tree closes; the line is then available to later loops.
    Loop close(std::uint32_t e) {
        const Edge& edge = net_.edges[e];
        Loop loop;
        loop.start = edge.a;
        if (edge.a != edge.b && !shortestWay(edge.a, edge.b, loop.edges))
            treeWay(edge.a, edge.b, loop.edges);
        loop.edges.push_back(e);
        available_[e] = true;
        return loop;
    }

  private:
    // The fewest available lines from a to b, searched breadth-first within the budget.
    bool shortestWay(std::uint32_t a, std::uint32_t b, std::vector<std::uint32_t>& out) {
        ++stamp_;
        std::vector<std::uint32_t>& queue = queue_;
        queue.assign(1, a);
        seen_[a] = stamp_;
        via_[a] = kNone;
        for (std::size_t q = 0; q < queue.size() && queue.size() < kSearchBudget; ++q) {
            const std::uint32_t n = queue[q];
            for (std::uint32_t k = net_.adjacencyStart[n]; k < net_.adjacencyStart[n + 1]; ++k) {
                const std::uint32_t e = net_.adjacency[k];
                if (!available_[e])
                    continue;
                const std::uint32_t m = otherEnd(net_.edges[e], n);
                if (seen_[m] == stamp_)
                    continue;
                seen_[m] = stamp_;
                via_[m] = e;
                if (m == b) {
                    const std::size_t from = out.size();
                    for (std::uint32_t x = b; x != a; x = otherEnd(net_.edges[via_[x]], x))
                        out.push_back(via_[x]);
                    std::reverse(out.begin() + static_cast<std::ptrdiff_t>(from), out.end());
                    return true;
                }
                queue.push_back(m);
            }
        }
        return false;
    }

    // The way through the tree alone: up from both ends to where their branches meet.
    void treeWay(std::uint32_t a, std::uint32_t b, std::vector<std::uint32_t>& out) const {
        std::vector<std::uint32_t> fromA, fromB;
        while (depth_[a] > depth_[b]) {
            fromA.push_back(parent_[a]);
            a = otherEnd(net_.edges[parent_[a]], a);
        }
        while (depth_[b] > depth_[a]) {
            fromB.push_back(parent_[b]);
            b = otherEnd(net_.edges[parent_[b]], b);
        }
        while (a != b) {
            fromA.push_back(parent_[a]);
            a = otherEnd(net_.edges[parent_[a]], a);
            fromB.push_back(parent_[b]);
            b = otherEnd(net_.edges[parent_[b]], b);
        }
        out.insert(out.end(), fromA.begin(), fromA.end());
        out.insert(out.end(), fromB.rbegin(), fromB.rend());
    }

    const Network& net_;
    std::vector<bool> inTree_, available_;
    std::vector<std::uint32_t> parent_; // the tree line that reached each node
    std::vector<std::uint32_t> depth_;
    std::vector<std::uint32_t> seen_, via_, queue_;
    std::uint32_t stamp_ = 0;
};

struct LoopWalk {
    std::vector<std::int32_t> points; // start to start again
    std::vector<bool> backwards;      // each line walked to → from
    double east = 0, north = 0, length = 0;
};

LoopWalk walk(const Network& net, const Loop& loop) {
    LoopWalk w;
    std::uint32_t at = loop.start;
    w.points.push_back(net.points[at]);
    for (std::uint32_t e : loop.edges) {
        const Edge& edge = net.edges[e];
        const bool back = edge.a != at;
        at = back ? edge.a : edge.b;
        w.backwards.push_back(back);
        w.points.push_back(net.points[at]);
        const double east = back ? edge.leg.BackwardEast : edge.leg.ForwardEast;
        const double north = back ? edge.leg.BackwardNorth : edge.leg.ForwardNorth;
        w.east += east;
        w.north += north;
        w.length += std::hypot(east, north);
    }
    return w;
}

std::string pointsText(const std::vector<std::int32_t>& points) {
    std::string text;
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (k == kNamedLoopPoints && points.size() > kNamedLoopPoints + 1) {
            text += std::string(kDash) + "\xE2\x80\xA6"; // an ellipsis for the points left out
            k = points.size() - 1;
        }
        if (k > 0)
            text += kDash;
        text += PointNumberToLabel(points[k]);
    }
    return text;
}

// The loop as the traverse grid would hold it, for the misclosure diagnosis.
GridRows loopRows(const CheckedPlan& plan, const Network& net, const Loop& loop,
                  const LoopWalk& w) {
    GridRows rows;
    rows.reserve(loop.edges.size());
    for (std::size_t k = 0; k < loop.edges.size(); ++k) {
        const std::size_t index = net.edges[loop.edges[k]].line;
        const LineRecord& line = (*plan.lines)[index];
        GridRow row;
        row[ColLink] = std::to_string(index);
        row[ColFrom] = PointNumberToLabel(w.points[k]);
        row[ColTo] = PointNumberToLabel(w.points[k + 1]);
        row[ColBearing] = LineBearingCell(line.Bearing, w.backwards[k]);
        row[ColDistance] = DistanceText(line.Distance);
        rows.push_back(std::move(row));
    }
    return rows;
}

void checkLoops(const CheckedPlan& plan, const Network& net, std::vector<Finding>& findings) {
    LoopFinder finder(net);
    std::size_t diagnosed = 0;
    for (std::uint32_t e = 0; e < net.edges.size(); ++e) {
        if (finder.inTree(e))
            continue;
        const Loop loop = finder.close(e);
        const LoopWalk w = walk(net, loop);
        const double misclosure = ClosingDistance(w.east, w.north);
        const double allowable = AllowableMisclosure(w.length, plan.accuracyClass);
        if (misclosure <= allowable)
            continue;
        const std::size_t n = loop.edges.size();
        std::string text = "loop " + pointsText(w.points) + " (" + std::to_string(n) +
                           (n == 1 ? " line, " : " lines, ") + Format(w.length, "0.000") +
                           " m) misses closing by " + Format(misclosure, "0.000") +
                           " m; allowable " + Format(allowable, "0.000") + " m";
        Finding f = MakeFinding("loop-closure", FindingGrade::Error, "");
        if (n <= kDiagnosedLoopLines && diagnosed < kDiagnosedLoops) {
            ++diagnosed;
            const std::vector<Correction> candidates =
                DiagnoseRows(loopRows(plan, net, loop, w), plan.curves, plan.accuracyClass, 3);
            for (std::size_t c = 0; c < candidates.size(); ++c)
                text += (c == 0 ? "; likely " : "; or ") + candidates[c].text;
            if (!candidates.empty()) {
                const std::size_t row = static_cast<std::size_t>(candidates.front().row - 1);
                if (row < n) {
                    const LineRecord& line = (*plan.lines)[net.edges[loop.edges[row]].line];
                    f.from = line.FromPoint;
                    f.to = line.ToPoint;
                }
            }
        }
        f.message = std::move(text);
        findings.push_back(std::move(f));
    }
}

} // namespace

void CheckNetwork(const CheckedPlan& plan, std::vector<Finding>& findings) {
    const Network net = buildNetwork(plan);
    checkGroups(net, findings);
    checkLoops(plan, net, findings);
    checkMarks(net, findings);
}

} // namespace corvane::lodgement

#include "core/geometry/planlabels.h"

#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

using Ring = std::vector<std::pair<double, double>>;

double segmentDistanceSquared(double x, double y, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = 0;
    const double len = dx * dx + dy * dy;
    if (len > 0)
        t = std::clamp(((x - ax) * dx + (y - ay) * dy) / len, 0.0, 1.0);
    dx = ax + t * dx - x;
    dy = ay + t * dy - y;
    return dx * dx + dy * dy;
}

// Distance to the nearest side: positive inside the parcel, negative outside.
double signedDistance(double x, double y, const Ring& ring) {
    bool inside = false;
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const auto& [ax, ay] = ring[i];
        const auto& [bx, by] = ring[j];
        if ((ay > y) != (by > y) && x < (bx - ax) * (y - ay) / (by - ay) + ax)
            inside = !inside;
        least = std::min(least, segmentDistanceSquared(x, y, ax, ay, bx, by));
    }
    return (inside ? 1 : -1) * std::sqrt(least);
}

struct Cell {
    double X, Y, Half, Distance, Potential;
    Cell(double x, double y, double half, const Ring& ring)
        : X(x), Y(y), Half(half), Distance(signedDistance(x, y, ring)),
          Potential(Distance + half * std::sqrt(2.0)) {}
};

// Whether a segment passes through an open rectangle (Liang and Barsky's clipping).
bool segmentCrossesBox(const PlotLine& l, double west, double south, double east, double north) {
    double t0 = 0, t1 = 1;
    const double dx = l.E2 - l.E1, dy = l.N2 - l.N1;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {l.E1 - west, east - l.E1, l.N1 - south, north - l.N1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] <= 0)
                return false;
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 >= t1)
            return false;
    }
    return true;
}

// A uniform grid over the labelled part of the plan, so each label looks only at the lines,
// points and labels near it: a plan at the lines file's limit places its labels in one
// redraw.
class Buckets {
  public:
    Buckets(double west, double south, double east, double north, double cell) {
        constexpr int kMostAcross = 256;
        cell_ = std::max({cell, (east - west) / kMostAcross, (north - south) / kMostAcross, 1e-9});
        west_ = west;
        south_ = south;
        across_ = std::clamp(static_cast<int>((east - west) / cell_) + 1, 1, kMostAcross + 1);
        up_ = std::clamp(static_cast<int>((north - south) / cell_) + 1, 1, kMostAcross + 1);
        cells_.resize(static_cast<std::size_t>(across_) * static_cast<std::size_t>(up_));
    }
    // Files an item under every cell its box touches (none when it lies off the grid).
    void add(std::uint32_t item, double west, double south, double east, double north) {
        int x0, y0, x1, y1;
        if (!range(west, south, east, north, x0, y0, x1, y1))
            return;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                cells_[static_cast<std::size_t>(y) * across_ + x].push_back(item);
    }
    // Calls visit once for each item filed under a cell the box touches.
    template <typename Visit>
    void near(double west, double south, double east, double north,
              std::vector<std::uint32_t>& seen, std::uint32_t stamp, Visit visit) const {
        int x0, y0, x1, y1;
        if (!range(west, south, east, north, x0, y0, x1, y1))
            return;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                for (std::uint32_t item : cells_[static_cast<std::size_t>(y) * across_ + x])
                    if (seen[item] != stamp) {
                        seen[item] = stamp;
                        visit(item);
                    }
    }

  private:
    bool range(double west, double south, double east, double north, int& x0, int& y0, int& x1,
               int& y1) const {
        const double ax = (west - west_) / cell_, bx = (east - west_) / cell_;
        const double ay = (south - south_) / cell_, by = (north - south_) / cell_;
        if (bx < 0 || by < 0 || ax >= across_ || ay >= up_ || !(ax <= bx) || !(ay <= by))
            return false;
        x0 = std::max(0, static_cast<int>(ax));
        y0 = std::max(0, static_cast<int>(ay));
        x1 = std::min(across_ - 1, static_cast<int>(bx));
        y1 = std::min(up_ - 1, static_cast<int>(by));
        return true;
    }

    double west_ = 0, south_ = 0, cell_ = 1;
    int across_ = 1, up_ = 1;
    std::vector<std::vector<std::uint32_t>> cells_;
};

} // namespace

std::optional<std::pair<double, double>> ParcelLabelPoint(const Ring& corners) {
    if (corners.empty())
        return std::nullopt;
    Ring ring = corners;
    if (ring.size() > 1 && ring.front() == ring.back())
        ring.pop_back();
    double sumE = 0, sumN = 0;
    double west = ring[0].first, east = west, south = ring[0].second, north = south;
    for (const auto& [e, n] : ring) {
        sumE += e;
        sumN += n;
        west = std::min(west, e);
        east = std::max(east, e);
        south = std::min(south, n);
        north = std::max(north, n);
    }
    const std::pair<double, double> mean{sumE / ring.size(), sumN / ring.size()};
    // The area-weighted centre: the answer for a convex parcel, so the search starts near it.
    double twiceArea = 0, cE = 0, cN = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double cross = ring[j].first * ring[i].second - ring[i].first * ring[j].second;
        twiceArea += cross;
        cE += (ring[j].first + ring[i].first) * cross;
        cN += (ring[j].second + ring[i].second) * cross;
    }
    const double size = std::max(east - west, north - south);
    if (ring.size() < 3 || !(std::fabs(twiceArea) > size * size * 1e-12))
        return mean;

    // A very thin strip would need a great many first cells; a coarser start still refines
    // down to the precision.
    const double cellSize = std::max(std::min(east - west, north - south), size / 1000);
    const double precision = size / 1000;
    auto worse = [](const Cell& a, const Cell& b) { return a.Potential < b.Potential; };
    std::priority_queue<Cell, std::vector<Cell>, decltype(worse)> queue(worse);
    const double half = cellSize / 2;
    for (double x = west; x < east; x += cellSize)
        for (double y = south; y < north; y += cellSize)
            queue.emplace(x + half, y + half, half, ring);
    Cell best(cE / (3 * twiceArea), cN / (3 * twiceArea), 0, ring);
    const Cell middle((west + east) / 2, (south + north) / 2, 0, ring);
    if (middle.Distance > best.Distance)
        best = middle;
    for (int budget = 200000; !queue.empty() && budget > 0; --budget) {
        const Cell cell = queue.top();
        queue.pop();
        if (cell.Distance > best.Distance)
            best = cell;
        if (cell.Potential - best.Distance <= precision)
            continue;
        const double h = cell.Half / 2;
        for (double dx : {-h, h})
            for (double dy : {-h, h})
                queue.emplace(cell.X + dx, cell.Y + dy, h, ring);
    }
    return std::pair{best.X, best.Y};
}

std::vector<LineClass> PlanLineClasses(const std::vector<LineRecord>& lines,
                                       const std::vector<std::string>& polygonsLines,
                                       std::size_t scaledBegin, std::size_t scaledEnd) {
    // How many lots each point pair is a side of, a lot listing a side twice counted once.
    std::unordered_map<std::uint64_t, int> lotsOfSide;
    // The sides of the outer boundary parcels ("OB..."): where a plan has one, its sides are
    // the plan's outer boundary, shared though they are with the lots inside it.
    std::unordered_set<std::uint64_t> outerSides;
    bool haveOuterParcel = false;
    std::unordered_set<std::uint64_t> sides;
    for (const PolygonParcel& parcel : PolygonsFromLines(polygonsLines).Parcels) {
        const std::string& id = parcel.Identifier;
        // Construction lines and easements are no lots.
        const bool lot = id.empty() || (id[0] != 'C' && id[0] != 'E');
        const bool outer = id.rfind("OB", 0) == 0;
        haveOuterParcel = haveOuterParcel || outer;
        if (!lot)
            continue;
        const std::vector<std::int32_t> corners = parcel.Points();
        for (std::size_t k = 1; k < corners.size(); ++k)
            if (corners[k] != corners[k - 1])
                sides.insert(PointPairKey(corners[k - 1], corners[k]));
        for (std::uint64_t key : sides) {
            ++lotsOfSide[key];
            if (outer)
                outerSides.insert(key);
        }
        sides.clear();
    }

    std::vector<LineClass> classes(lines.size(), LineClass::Connection);
    for (std::size_t j = 0; j < lines.size(); ++j) {
        const LineRecord& line = lines[j];
        auto it = lotsOfSide.find(PointPairKey(line.FromPoint, line.ToPoint));
        const int lots = it == lotsOfSide.end() ? 0 : it->second;
        LineClass& c = classes[j];
        const bool outerSide =
            haveOuterParcel ? outerSides.count(PointPairKey(line.FromPoint, line.ToPoint)) > 0
                            : lots == 1;
        if (line.Distance <= 0 && line.Bearing == kMissingBearing)
            c = LineClass::Missing;
        else if (outerSide)
            c = LineClass::Outer;
        else if (lots >= 1)
            c = LineClass::Parcel;
        else if (line.Style == kEasementStyle)
            c = LineClass::Easement;
        else if (line.Style == kContextStyle)
            c = LineClass::Context;
        else if (j >= scaledBegin && j < scaledEnd)
            c = LineClass::Scaled;
    }
    return classes;
}

double UprightAngle(double angle) {
    const double pi = Pi();
    angle = std::remainder(angle, 2 * pi); // -pi to pi
    if (angle > pi / 2 + 1e-12)
        angle -= pi;
    else if (angle <= -pi / 2 + 1e-12)
        angle += pi;
    return angle;
}

std::vector<LineAnnotation> LineAnnotations(const std::vector<LineRecord>& lines,
                                            const std::vector<PointRecord>& points,
                                            const CurveTable& curves,
                                            const std::vector<LineClass>& classes,
                                            const ViewScale* visible) {
    const PointsByNumber fixed = IndexPoints(points, true);
    std::unordered_set<std::uint64_t> done;
    std::vector<LineAnnotation> notes;
    const double pi = Pi();
    for (std::size_t j = 0; j < lines.size(); ++j) {
        const LineRecord& line = lines[j];
        const LineClass c = j < classes.size() ? classes[j] : LineClass::Plain;
        if (line.Distance <= 0 || c == LineClass::Missing || c == LineClass::Scaled)
            continue;
        auto a = fixed.find(line.FromPoint);
        auto b = fixed.find(line.ToPoint);
        if (a == fixed.end() || b == fixed.end() ||
            !done.insert(PointPairKey(line.FromPoint, line.ToPoint)).second)
            continue;
        const PointRecord& p = *a->second;
        const PointRecord& q = *b->second;
        const double dE = q.East - p.East, dN = q.North - p.North;
        LineAnnotation note{(p.East + q.East) / 2,       (p.North + q.North) / 2,
                            std::atan2(dN, dE),          "",
                            DistanceText(line.Distance), std::hypot(dE, dN)};
        if (line.Bearing > kArcBearingBase) {
            const double radius = ArcRadius(line.Bearing);
            note.Above = "R " + DistanceText(radius);
            note.Below = "A " + DistanceText(line.Distance);
            const bool left = CurveDirection(line.FromPoint, line.ToPoint, curves) == "L";
            const auto arc =
                curves.Find(line.FromPoint, line.ToPoint)
                    ? ArcThrough(p.East, p.North, q.East, q.North, radius, line.Distance, left)
                    : std::nullopt;
            if (arc) {
                // The arc's middle, and the direction of travel there (a quarter turn from the
                // radius, to the side the arc turns).
                const double mid = arc->StartBearing + (left ? -1 : 1) * arc->Sweep / 2;
                note.E = arc->CentreE + arc->Radius * std::sin(mid);
                note.N = arc->CentreN + arc->Radius * std::cos(mid);
                const double travel = mid + (left ? -pi / 2 : pi / 2);
                note.Angle = pi / 2 - travel;
                note.Length = arc->Radius * arc->Sweep; // the room along the arc, not its chord
            }
        } else if (line.Bearing >= 0 && line.Bearing <= 360) {
            note.Above = AngleText(BearingText(line.Bearing));
        }
        note.Angle = UprightAngle(note.Angle);
        if (visible && !(std::min(visible->Left, visible->Right()) <= note.E &&
                         note.E <= std::max(visible->Left, visible->Right()) &&
                         std::min(visible->Top, visible->Bottom()) <= note.N &&
                         note.N <= std::max(visible->Top, visible->Bottom())))
            continue;
        notes.push_back(std::move(note));
    }
    return notes;
}

std::vector<PlacedLabel> PlacePointLabels(const std::vector<LabelSpot>& spots,
                                          const std::vector<PlotLine>& lines, double gap) {
    std::vector<PlacedLabel> placed;
    if (spots.empty())
        return placed;
    double west = spots[0].E, east = west, south = spots[0].N, north = south;
    double widest = 0, tallest = 0;
    for (const LabelSpot& s : spots) {
        west = std::min(west, s.E);
        east = std::max(east, s.E);
        south = std::min(south, s.N);
        north = std::max(north, s.N);
        widest = std::max(widest, s.Width);
        tallest = std::max(tallest, s.Height);
    }
    const double reach = widest + tallest + 2 * gap;
    west -= reach;
    east += reach;
    south -= reach;
    north += reach;
    const double cell = std::max(widest, tallest) + gap;
    Buckets lineCells(west, south, east, north, cell);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const PlotLine& l = lines[k];
        lineCells.add(static_cast<std::uint32_t>(k), std::min(l.E1, l.E2), std::min(l.N1, l.N2),
                      std::max(l.E1, l.E2), std::max(l.N1, l.N2));
    }
    // Each point's marker, which no other point's label may cover.
    const double marker = gap * 0.6;
    Buckets markerCells(west, south, east, north, cell);
    for (std::size_t k = 0; k < spots.size(); ++k)
        markerCells.add(static_cast<std::uint32_t>(k), spots[k].E - marker, spots[k].N - marker,
                        spots[k].E + marker, spots[k].N + marker);
    Buckets labelCells(west, south, east, north, cell);
    struct Box {
        double W, S, E, N;
    };
    std::vector<Box> boxes;

    std::vector<std::uint32_t> lineSeen(lines.size(), 0), markerSeen(spots.size(), 0),
        labelSeen(spots.size(), 0);
    std::uint32_t stamp = 0;
    // North-east first, the usual place of a point's number on a plan.
    static constexpr int kDirections[8][2] = {{1, 1},  {1, 0},  {1, -1}, {0, 1},
                                              {0, -1}, {-1, 1}, {-1, 0}, {-1, -1}};
    const double touch = gap * 0.05;
    const double pi = Pi();
    std::vector<bool> labelled(spots.size(), false);
    for (std::size_t i = 0; i < spots.size(); ++i) {
        const LabelSpot& s = spots[i];
        // A point whose marker merges with that of a point already labelled cannot be told
        // from it at this scale.
        bool merged = false;
        markerCells.near(s.E - marker, s.N - marker, s.E + marker, s.N + marker, markerSeen,
                         ++stamp, [&](std::uint32_t k) {
                             const double dE = spots[k].E - s.E, dN = spots[k].N - s.N;
                             merged = merged || (labelled[k] && k != i &&
                                                 dE * dE + dN * dN < 4 * marker * marker);
                         });
        if (merged)
            continue;
        // The directions of the lines that meet at the point, found once a position is free of
        // other labels (zoomed out, most points have none).
        std::vector<double> meeting;
        bool meetingFound = false;
        auto findMeeting = [&] {
            meetingFound = true;
            lineCells.near(s.E - touch, s.N - touch, s.E + touch, s.N + touch, lineSeen, ++stamp,
                           [&](std::uint32_t k) {
                               const PlotLine& l = lines[k];
                               if (std::hypot(l.E1 - s.E, l.N1 - s.N) <= touch)
                                   meeting.push_back(std::atan2(l.N2 - s.N, l.E2 - s.E));
                               else if (std::hypot(l.E2 - s.E, l.N2 - s.N) <= touch)
                                   meeting.push_back(std::atan2(l.N1 - s.N, l.E1 - s.E));
                           });
        };
        int bestCrossings = std::numeric_limits<int>::max();
        double bestClearance = -1;
        std::optional<Box> best;
        for (const auto& [cx, cy] : kDirections) {
            const double g = cx != 0 && cy != 0 ? gap * 0.7 : gap;
            Box box;
            box.W = s.E + (cx > 0 ? g : cx < 0 ? -g - s.Width : -s.Width / 2);
            box.S = s.N + (cy > 0 ? g : cy < 0 ? -g - s.Height : -s.Height / 2);
            box.E = box.W + s.Width;
            box.N = box.S + s.Height;
            bool overlaps = false;
            labelCells.near(box.W, box.S, box.E, box.N, labelSeen, ++stamp, [&](std::uint32_t k) {
                const Box& o = boxes[k];
                overlaps = overlaps || (box.W < o.E && o.W < box.E && box.S < o.N && o.S < box.N);
            });
            if (overlaps)
                continue;
            if (!meetingFound)
                findMeeting();
            int crossings = 0;
            lineCells.near(box.W, box.S, box.E, box.N, lineSeen, ++stamp, [&](std::uint32_t k) {
                crossings += segmentCrossesBox(lines[k], box.W, box.S, box.E, box.N);
            });
            markerCells.near(box.W, box.S, box.E, box.N, markerSeen, ++stamp, [&](std::uint32_t k) {
                const LabelSpot& o = spots[k];
                crossings += k != i && box.W < o.E + marker && o.E - marker < box.E &&
                             box.S < o.N + marker && o.N - marker < box.N;
            });
            // How far in angle this position lies from the nearest line at the point.
            double clearance = pi;
            const double toward = std::atan2(cy, cx);
            for (double m : meeting)
                clearance = std::min(clearance, std::fabs(std::remainder(toward - m, 2 * pi)));
            if (crossings < bestCrossings ||
                (crossings == bestCrossings && clearance > bestClearance + 1e-9)) {
                bestCrossings = crossings;
                bestClearance = clearance;
                best = box;
            }
        }
        if (!best)
            continue;
        labelCells.add(static_cast<std::uint32_t>(boxes.size()), best->W, best->S, best->E,
                       best->N);
        boxes.push_back(*best);
        labelled[i] = true;
        placed.push_back(PlacedLabel{i, best->W, best->N});
    }
    return placed;
}

} // namespace corvane

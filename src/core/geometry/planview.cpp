#include "core/geometry/planview.h"

#include "core/base/numtext.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/plancoords.h"
#include "core/geometry/planframe.h"
#include "core/geometry/planlabels.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

namespace corvane {

namespace {

ViewScale scaleOf(double left, double top, double right, double bottom) {
    return ViewScale{left, top, right - left, bottom - top};
}

} // namespace

ViewScale ZoomAround(const ViewScale& view, double percent) {
    const double f = percent / 100;
    const double L = view.Left, T = view.Top, R = view.Right(), B = view.Bottom();
    const double a = view.Width / view.Height;
    const double dx = (R - L) * f;
    const double dy = (T - B) * f;
    const double left = L + dx;
    const double bottom = B + dy;
    const double top = T - dy;
    const double right = (bottom - top) * a + left;
    return scaleOf(left, top, right, bottom);
}

ViewScale ScrollAround(const ViewScale& view, char direction) {
    ViewScale v = view;
    const double stepY = 0.1 * view.Height;
    const double stepX = 0.1 * view.Width;
    switch (direction) {
    case 'N':
        v.Top += stepY;
        break;
    case 'S':
        v.Top -= stepY;
        break;
    case 'E':
        v.Left += stepX;
        break;
    case 'W':
        v.Left -= stepX;
        break;
    default:
        break;
    }
    return v;
}

Stroke StrokeOfStyle(std::int16_t style) {
    switch (style) {
    case kOtherStyle:
        return Stroke::Dotted;
    case kEasementStyle:
        return Stroke::Dashed;
    case kContextStyle:
        return Stroke::LongDashed;
    default:
        return Stroke::Solid;
    }
}

std::optional<ArcCourse> ArcThrough(double e1, double n1, double e2, double n2, double radius,
                                    double arcLength, bool left) {
    // Coordinates rounded to the millimetre may put the ends of a half circle this much
    // further apart than its diameter.
    constexpr double kHalfCircleSlack = 0.001;
    const double dE = e2 - e1;
    const double dN = n2 - n1;
    const double c = std::sqrt(dE * dE + dN * dN);
    if (!(radius > 0) || !(c > 0) || !(c / 2 <= radius + kHalfCircleSlack))
        return std::nullopt;
    const double pi = Pi();
    ArcCourse arc;
    arc.Left = left;
    arc.Radius = std::max(radius, c / 2);
    const double halfMinor = std::asin(std::min(1.0, (c / 2) / arc.Radius));
    // Half the angle at the centre: of the short arc, or of the long way round.
    const double half = arcLength > pi * radius ? pi - halfMinor : halfMinor;
    arc.Sweep = 2 * half;
    // From the first end the centre lies off the chord by a quarter turn less half the angle:
    // on the side the arc turns to for a short arc, on the other side for a long one.
    const double offChord = pi / 2 - half;
    const double toCentre = BearingFromDeltas(dE, dN) + (left ? -offChord : offChord);
    arc.CentreE = e1 + arc.Radius * std::sin(toCentre);
    arc.CentreN = n1 + arc.Radius * std::cos(toCentre);
    arc.StartBearing = std::fmod(toCentre + pi + 4 * pi, 2 * pi);
    return arc;
}

namespace {

// Positions along a course from its first end (e1, n1) to its second (e2, n2).
std::vector<std::pair<double, double>> pointsAlong(const ArcCourse& arc, double e1, double n1,
                                                   double e2, double n2) {
    const int steps = arc.Sweep > Pi() + 1e-9 ? 40 : 20;
    const double step = (arc.Left ? -arc.Sweep : arc.Sweep) / steps;
    std::vector<std::pair<double, double>> points;
    points.reserve(static_cast<std::size_t>(steps) + 1);
    points.emplace_back(e1, n1);
    for (int k = 1; k < steps; ++k) {
        const double angle = arc.StartBearing + k * step;
        points.emplace_back(arc.CentreE + arc.Radius * std::sin(angle),
                            arc.CentreN + arc.Radius * std::cos(angle));
    }
    points.emplace_back(e2, n2);
    return points;
}

} // namespace

std::optional<std::vector<std::pair<double, double>>>
ArcPoints(double e1, double n1, double e2, double n2, double radius, double arcLength, bool left) {
    const auto arc = ArcThrough(e1, n1, e2, n2, radius, arcLength, left);
    if (!arc)
        return std::nullopt;
    return pointsAlong(*arc, e1, n1, e2, n2);
}

std::vector<PlanStroke> PlanStrokes(const std::vector<LineRecord>& lines,
                                    const std::vector<PointRecord>& points,
                                    const CurveTable& curves,
                                    const std::vector<LineClass>& classes) {
    const PointsByNumber fixed = IndexPoints(points, true);
    std::vector<PlanStroke> strokes;
    strokes.reserve(lines.size());
    for (std::size_t j = 0; j < lines.size(); ++j) {
        const LineRecord& line = lines[j];
        auto a = fixed.find(line.FromPoint);
        auto b = fixed.find(line.ToPoint);
        if (a == fixed.end() || b == fixed.end())
            continue;
        const PointRecord& p = *a->second;
        const PointRecord& q = *b->second;
        PlanStroke stroke{j,
                          p.East,
                          p.North,
                          q.East,
                          q.North,
                          StrokeOfStyle(line.Style),
                          j < classes.size() ? classes[j] : LineClass::Plain,
                          std::nullopt};
        // An arc without its curve record has no known turn: drawn straight.
        if (line.Bearing > kArcBearingBase && curves.Find(line.FromPoint, line.ToPoint)) {
            const bool left = CurveDirection(line.FromPoint, line.ToPoint, curves) == "L";
            stroke.Arc = ArcThrough(p.East, p.North, q.East, q.North, ArcRadius(line.Bearing),
                                    line.Distance, left);
        }
        strokes.push_back(stroke);
    }
    return strokes;
}

std::vector<PlotLine> PlanLineShapes(const std::vector<LineRecord>& lines,
                                     const std::vector<PointRecord>& points,
                                     const CurveTable& curves, const ViewScale* visible,
                                     const std::vector<LineClass>& classes) {
    double minE = 0, maxE = 0, minN = 0, maxN = 0;
    if (visible) {
        minE = std::min(visible->Left, visible->Right());
        maxE = std::max(visible->Left, visible->Right());
        minN = std::min(visible->Top, visible->Bottom());
        maxN = std::max(visible->Top, visible->Bottom());
    }
    // Wholly beyond one edge of the view: every position of the line is. An arc's bulge may
    // reach into the view while both its ends lie beyond one edge.
    auto beyondView = [&](std::span<const std::pair<double, double>> at) {
        auto all = [&at](auto beyond) { return std::all_of(at.begin(), at.end(), beyond); };
        return visible && (all([&](auto& v) { return v.first < minE; }) ||
                           all([&](auto& v) { return v.first > maxE; }) ||
                           all([&](auto& v) { return v.second < minN; }) ||
                           all([&](auto& v) { return v.second > maxN; }));
    };
    std::vector<PlotLine> shapes;
    shapes.reserve(lines.size());
    for (const PlanStroke& s : PlanStrokes(lines, points, curves, classes)) {
        if (s.Arc) {
            const auto arc = pointsAlong(*s.Arc, s.E1, s.N1, s.E2, s.N2);
            if (beyondView(arc))
                continue;
            for (std::size_t k = 1; k < arc.size(); ++k)
                shapes.push_back(PlotLine{arc[k - 1].first, arc[k - 1].second, arc[k].first,
                                          arc[k].second, s.Style, s.Class});
            continue;
        }
        const std::pair<double, double> ends[] = {{s.E1, s.N1}, {s.E2, s.N2}};
        if (beyondView(ends))
            continue;
        shapes.push_back(PlotLine{s.E1, s.N1, s.E2, s.N2, s.Style, s.Class});
    }
    return shapes;
}

std::vector<PlotLine> TraverseShapes(const std::vector<PointRecord>& points,
                                     const std::vector<TraverseArc>& arcs) {
    std::vector<PlotLine> shapes;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const PointRecord& p = points[i - 1];
        const PointRecord& q = points[i];
        if (p.Fixed <= 0 || q.Fixed <= 0)
            continue;
        const auto leg =
            std::find_if(arcs.begin(), arcs.end(), [i](const TraverseArc& a) { return a.To == i; });
        if (leg != arcs.end()) {
            if (auto arc = ArcPoints(p.East, p.North, q.East, q.North, leg->Radius, leg->ArcLength,
                                     leg->Left)) {
                for (std::size_t k = 1; k < arc->size(); ++k)
                    shapes.push_back(PlotLine{(*arc)[k - 1].first, (*arc)[k - 1].second,
                                              (*arc)[k].first, (*arc)[k].second, Stroke::Solid});
                continue;
            }
        }
        shapes.push_back(PlotLine{p.East, p.North, q.East, q.North, Stroke::Solid});
    }
    return shapes;
}

std::vector<PlotText> PointLabelShapes(const std::vector<PointRecord>& points, bool traverse) {
    std::vector<PlotText> labels;
    std::size_t first = 0;
    if (traverse && !points.empty()) {
        labels.push_back({points[0].East, points[0].North, PointNumberToLabel(points[0].Number)});
        first = 1;
    }
    for (std::size_t i = first; i < points.size(); ++i)
        if (points[i].Fixed > 0 && points[i].Number > 0)
            labels.push_back(
                {points[i].East, points[i].North, PointNumberToLabel(points[i].Number)});
    return labels;
}

std::vector<PlotText> ParcelLabelShapes(const std::vector<std::string>& polygonsLines,
                                        const std::vector<PointRecord>& points,
                                        const std::vector<LineRecord>& lines,
                                        const CurveTable* curves) {
    const PointsByNumber index = IndexPoints(points, false);
    // The first line of each pair that is an arc with its curve record.
    const LinePairIndex byPair = curves ? LinePairIndex(lines) : LinePairIndex();
    auto arcOf = [&](std::int32_t a, std::int32_t b) -> const LineRecord* {
        for (std::size_t i : byPair.All(a, b)) {
            const LineRecord& line = lines[i];
            if (line.Bearing > kArcBearingBase && curves->Find(line.FromPoint, line.ToPoint))
                return &line;
        }
        return nullptr;
    };
    std::vector<PlotText> labels;
    std::string pending;
    std::vector<const PointRecord*> corners;
    auto place = [&] {
        if (pending.empty() || corners.empty())
            return;
        std::vector<std::pair<double, double>> ring;
        for (std::size_t k = 0; k < corners.size(); ++k) {
            const PointRecord& p = *corners[k];
            ring.emplace_back(p.East, p.North);
            const PointRecord& q = *corners[(k + 1) % corners.size()];
            const LineRecord* arc = arcOf(p.Number, q.Number);
            if (!arc || &p == &q)
                continue;
            // The arc as recorded, from its own first end; traced backwards when the parcel
            // runs the other way.
            const LineRecord& line = *arc;
            const bool forward = line.FromPoint == p.Number;
            const PointRecord& from = forward ? p : q;
            const PointRecord& to = forward ? q : p;
            const bool left = CurveDirection(line.FromPoint, line.ToPoint, *curves) == "L";
            auto along = ArcPoints(from.East, from.North, to.East, to.North,
                                   ArcRadius(line.Bearing), line.Distance, left);
            if (!along)
                continue;
            if (!forward)
                std::reverse(along->begin(), along->end());
            ring.insert(ring.end(), along->begin() + 1, along->end() - 1);
        }
        if (auto at = ParcelLabelPoint(ring))
            labels.push_back({at->first, at->second, pending});
    };
    for (const PolygonParcel& parcel : PolygonsFromLines(polygonsLines).Parcels) {
        pending = parcel.Identifier;
        corners.clear();
        const std::vector<std::int32_t> points = parcel.Points();
        // The first corner is listed again as the last.
        for (std::size_t k = 1; k < points.size(); ++k) {
            // A corner no line fixes has no position yet (it reads as the origin): counting it
            // would pull the label out of its lot.
            auto it = index.find(points[k]);
            if (it == index.end() || it->second->Fixed <= 0)
                continue;
            corners.push_back(it->second);
        }
        place();
    }
    return labels;
}

ConnectAnswer ParseConnectAnswer(std::string_view answer, const std::vector<PointRecord>& points) {
    ConnectAnswer result;
    if (answer.empty()) {
        result.Empty = true;
        return result;
    }
    std::size_t p = answer.find(' ');
    if (p == std::string_view::npos)
        p = answer.find('-');
    if (p == std::string_view::npos) {
        result.Message = "Points need to be separated by a space";
        return result;
    }
    const double a = std::round(Val(answer.substr(0, p)));
    const double b = std::round(Val(answer.substr(p + 1)));
    auto fixedIndex = [&points](double n) {
        for (std::size_t i = 0; i < points.size(); ++i)
            if (points[i].Number == n)
                return points[i].Fixed > 0 ? static_cast<int>(i) : -1;
        return -1;
    };
    result.From = fixedIndex(a);
    result.To = fixedIndex(b);
    if (result.From < 0 || result.To < 0) {
        result.From = result.To = -1;
        result.Message = "Could not find points";
    }
    return result;
}

std::vector<std::string> IdentifyPoints(const std::vector<PointRecord>& points, double pressX,
                                        double pressY, double dragX, double dragY,
                                        const std::string& plan,
                                        const std::vector<std::string>& ptsLines) {
    std::vector<std::string> reports;
    // The rectangle as dragged, whichever corner the drag began at.
    const double west = std::min(pressX, dragX), east = std::max(pressX, dragX);
    const double south = std::min(pressY, dragY), north = std::max(pressY, dragY);
    for (const PointRecord& p : points) {
        if (p.Fixed <= 0 || p.Number <= 0 ||
            !(west < p.East && p.East < east && south < p.North && p.North < north))
            continue;
        // Each point inside is reported: by its line of the description file, or by its label.
        const std::string label = PointNumberToLabel(p.Number);
        const std::string key = UpperCase(" " + label + " " + plan);
        auto described =
            std::find_if(ptsLines.begin(), ptsLines.end(), [&](const std::string& line) {
                return UpperCase(line.substr(0, key.size())) == key;
            });
        reports.push_back(described != ptsLines.end() ? *described : label);
    }
    return reports;
}

double StandardScaleAtLeast(double denominator) {
    static constexpr double kSteps[] = {1, 2, 2.5, 5};
    for (double decade = 100; decade < 1e15; decade *= 10)
        for (double step : kSteps)
            // A denominator computed as the standard one itself (1000.0000001) still takes it.
            if (step * decade >= denominator * (1 - 1e-9))
                return step * decade;
    return denominator;
}

ViewScale ViewOfLines(const std::vector<PlotLine>& lines, const ViewScale& fallback) {
    if (lines.empty())
        return fallback;
    double left = lines.front().E1, right = left;
    double bottom = lines.front().N1, top = bottom;
    for (const PlotLine& l : lines) {
        left = std::min({left, l.E1, l.E2});
        right = std::max({right, l.E1, l.E2});
        bottom = std::min({bottom, l.N1, l.N2});
        top = std::max({top, l.N1, l.N2});
    }
    // A plan of one point still has a view to scale.
    constexpr double kLeast = 1e-3;
    return ViewScale{left, top, std::max(right - left, kLeast), -std::max(top - bottom, kLeast)};
}

} // namespace corvane

#include "core/planview.h"

#include "core/bearing.h"
#include "core/numtext.h"
#include "core/plancoords.h"
#include "core/pointlabel.h"
#include "core/polygons.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace corvane {

namespace {

// An extent of 0 both ways (one point, or none) still needs a scale.
constexpr double kSmallExtent = 10.0;

ViewScale scaleOf(double left, double top, double right, double bottom) {
    return ViewScale{left, top, right - left, bottom - top};
}

} // namespace

ViewScale ViewOfExtent(double east, double north) {
    return scaleOf(-0.05 * east, 1.05 * north, 1.05 * east, -0.05 * north);
}

FittedView FitPlanView(double east, double north, double aspect) {
    if (!(aspect > 0) || !std::isfinite(aspect))
        aspect = 1;
    if (!(east > 0) && !(north > 0))
        north = kSmallExtent;
    if (north * aspect < east)
        north = east / aspect;
    east = north * aspect;
    return FittedView{east, north, ViewOfExtent(east, north)};
}

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

std::optional<ViewScale> ZoomLines(const ViewScale& view, double pressX, double pressY,
                                   double dragX, double dragY) {
    if (!(pressX < dragX && pressY < dragY))
        return std::nullopt;
    const double a = view.Width / view.Height;
    const double right = (pressY - dragY) * a + pressX;
    return scaleOf(pressX, dragY, right, pressY);
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

std::optional<std::vector<std::pair<double, double>>>
ArcPoints(double e1, double n1, double e2, double n2, double radius, bool left) {
    const double dE = e2 - e1;
    const double dN = n2 - n1;
    const double c = std::sqrt(dE * dE + dN * dN);
    if (!(radius > 0) || !(c > 0))
        return std::nullopt;
    const double q = (c / 2) / radius;
    if (!(q < 1))
        return std::nullopt;
    const double pi = Pi();
    const double beta = BearingFromDeltas(dE, dN);
    const double root = std::sqrt(1 - q * q);
    const double u = std::atan(-q / root) + pi / 2; // chord to the direction of the centre
    const double alpha = std::atan(q / root);       // half the central angle
    const double toCentre = left ? beta - u : beta + u;
    const double centreE = e1 + radius * std::sin(toCentre);
    const double centreN = n1 + radius * std::cos(toCentre);
    double a0 = toCentre + pi;
    if (a0 >= 2 * pi)
        a0 -= 2 * pi;
    else if (a0 < 0)
        a0 += 2 * pi;
    const double step = alpha / 10;
    std::vector<std::pair<double, double>> points;
    points.reserve(21);
    points.emplace_back(e1, n1);
    for (int k = 1; k < 20; ++k) {
        const double angle = left ? a0 - k * step : a0 + k * step;
        points.emplace_back(centreE + radius * std::sin(angle), centreN + radius * std::cos(angle));
    }
    points.emplace_back(e2, n2);
    return points;
}

std::vector<PlotLine> PlanLineShapes(const std::vector<LineRecord>& lines,
                                     const std::vector<PointRecord>& points,
                                     const CurveTable& curves, const ViewScale* visible) {
    const PointsByNumber fixed = IndexPoints(points, true);
    double minE = 0, maxE = 0, minN = 0, maxN = 0;
    if (visible) {
        minE = std::min(visible->Left, visible->Right());
        maxE = std::max(visible->Left, visible->Right());
        minN = std::min(visible->Top, visible->Bottom());
        maxN = std::max(visible->Top, visible->Bottom());
    }
    std::vector<PlotLine> shapes;
    shapes.reserve(lines.size());
    for (const LineRecord& line : lines) {
        auto a = fixed.find(line.FromPoint);
        auto b = fixed.find(line.ToPoint);
        if (a == fixed.end() || b == fixed.end())
            continue;
        const PointRecord& p = *a->second;
        const PointRecord& q = *b->second;
        if (visible && ((p.East < minE && q.East < minE) || (p.East > maxE && q.East > maxE) ||
                        (p.North < minN && q.North < minN) || (p.North > maxN && q.North > maxN)))
            continue;
        const Stroke stroke = StrokeOfStyle(line.Style);
        // An arc without its curve record has no known turn: drawn straight.
        if (line.Bearing > kArcBearingBase && curves.Find(line.FromPoint, line.ToPoint)) {
            const bool left = CurveDirection(line.FromPoint, line.ToPoint, curves) == "L";
            auto arc = ArcPoints(p.East, p.North, q.East, q.North, ArcRadius(line.Bearing), left);
            if (arc) {
                for (std::size_t k = 1; k < arc->size(); ++k)
                    shapes.push_back(PlotLine{(*arc)[k - 1].first, (*arc)[k - 1].second,
                                              (*arc)[k].first, (*arc)[k].second, stroke});
                continue;
            }
        }
        shapes.push_back(PlotLine{p.East, p.North, q.East, q.North, stroke});
    }
    return shapes;
}

std::vector<PlotLine> TraverseShapes(const std::vector<PointRecord>& points) {
    std::vector<PlotLine> shapes;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i - 1].Fixed > 0 && points[i].Fixed > 0)
            shapes.push_back(PlotLine{points[i - 1].East, points[i - 1].North, points[i].East,
                                      points[i].North, Stroke::Solid});
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
                                        const std::vector<PointRecord>& points) {
    const PointsByNumber index = IndexPoints(points, false);
    std::vector<PlotText> labels;
    std::string pending;
    double sumE = 0, sumN = 0;
    int count = 0; // points read after the heading
    int used = 0;  // of them, those in the mean
    auto place = [&] {
        if (!pending.empty() && used > 0)
            labels.push_back({sumE / used, sumN / used, pending});
    };
    for (const std::string& text : polygonsLines) {
        if (IsHeadingLine(text)) {
            place();
            pending = ParseHeading(text).Identifier;
            sumE = sumN = 0;
            count = used = 0;
            continue;
        }
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        ++count;
        if (count == 1)
            continue;
        // A corner no line fixes has no position yet (it reads as the origin): counting it
        // would pull the label out of its lot.
        auto it = index.find(PointLabelToNumber(text));
        if (it == index.end() || it->second->Fixed <= 0)
            continue;
        sumE += it->second->East;
        sumN += it->second->North;
        ++used;
    }
    place();
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
        if (p.Fixed != 1 || p.Number <= 0 ||
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

double PrintScale(const ViewScale& view, double pageWidthMm, double pageHeightMm) {
    const double s1 = std::fabs(view.Width) * 1000 / (pageWidthMm - 10);
    const double s2 = std::fabs(view.Height) * 1000 / (pageHeightMm - 10);
    const double s = s1 > s2 ? s1 : s2;
    return s > 0 && std::isfinite(s) ? s : 1;
}

PagePoint PagePosition(const ViewScale& view, double s, double pageHeightMm, double east,
                       double north) {
    return PagePoint{(east - view.Left) / s, pageHeightMm - (north - view.Bottom()) / s};
}

bool LineOnPage(double x1, double y1, double x2, double y2, double pageWidthMm,
                double pageHeightMm) {
    const float ax = static_cast<float>(x1), bx = static_cast<float>(x2);
    const float ay = static_cast<float>(y1), by = static_cast<float>(y2);
    const float w = static_cast<float>(pageWidthMm), h = static_cast<float>(pageHeightMm);
    if (ax < 0 && bx < 0)
        return false;
    if (ax > w && bx > w)
        return false;
    if (ay < 0 && by < 0)
        return false;
    if (ay > h && by > h)
        return false;
    return true;
}

bool PlotOnPage(double x, double y, double textWidth, double textHeight, double pageWidthMm,
                double pageHeightMm) {
    return x > 0 && x + textWidth < pageWidthMm && y + textHeight > 0 &&
           y + textHeight < pageHeightMm;
}

} // namespace corvane

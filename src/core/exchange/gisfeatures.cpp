#include "core/exchange/gisfeatures.h"

#include "core/files/curves.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/planview.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace corvane {

namespace {

using Position = std::pair<double, double>;

// One side of a parcel or one line: straight between its ends, or an arc through its middle.
struct Run {
    Position start, end;
    std::optional<ArcCourse> arc; // in plan metres
    bool reversed = false;        // walked from the arc's second end to its first
};

std::string number(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}
std::string coordinate(const Position& p) {
    return number(p.first) + " " + number(p.second);
}
std::string coordinateList(const std::vector<Position>& positions) {
    std::string text;
    for (const Position& p : positions)
        text += (text.empty() ? "" : ",") + coordinate(p);
    return text;
}

double angleAlong(const ArcCourse& arc, double fraction) {
    return arc.StartBearing + (arc.Left ? -arc.Sweep : arc.Sweep) * fraction;
}
Position onArc(const ArcCourse& arc, double fraction, const GisPlacement& placement) {
    const double angle = angleAlong(arc, fraction);
    return placement.map(arc.CentreE + arc.Radius * std::sin(angle),
                         arc.CentreN + arc.Radius * std::cos(angle));
}

// The map positions of a run walked from its start: its ends, and the chords of an arc
// between them when arcs are not kept.
std::vector<Position> chordsOf(const Run& run, const GisPlacement& placement) {
    if (!run.arc)
        return {run.start, run.end};
    const int count = ArcChordCount(run.arc->Radius * placement.scale, run.arc->Sweep);
    std::vector<Position> out{run.start};
    for (int k = 1; k < count; ++k) {
        const double fraction = static_cast<double>(k) / count;
        out.push_back(onArc(*run.arc, run.reversed ? 1 - fraction : fraction, placement));
    }
    out.push_back(run.end);
    return out;
}

// A circular string through the arc's ends and the middle of the arc: three points name one
// circle and which way round it the arc goes, so a long arc keeps its bulge.
std::string circularString(const Run& run, const GisPlacement& placement) {
    return "CIRCULARSTRING(" +
           coordinateList({run.start, onArc(*run.arc, 0.5, placement), run.end}) + ")";
}

// A ring or a line of runs: a plain LINESTRING / POLYGON ring when nothing is curved, else
// the straight stretches and the arcs as the parts of a compound curve.
std::string curvedParts(const std::vector<Run>& runs, const GisPlacement& placement) {
    std::string parts;
    std::vector<Position> straight;
    auto flush = [&] {
        if (straight.size() > 1)
            parts += (parts.empty() ? "(" : ",(") + coordinateList(straight) + ")";
        straight.clear();
    };
    for (const Run& run : runs) {
        if (run.arc) {
            flush();
            parts += (parts.empty() ? "" : ",") + circularString(run, placement);
        } else {
            if (straight.empty())
                straight.push_back(run.start);
            straight.push_back(run.end);
        }
    }
    flush();
    return parts;
}
bool anyArc(const std::vector<Run>& runs) {
    return std::any_of(runs.begin(), runs.end(), [](const Run& r) { return r.arc.has_value(); });
}
std::vector<Position> densified(const std::vector<Run>& runs, const GisPlacement& placement) {
    std::vector<Position> out;
    for (const Run& run : runs) {
        std::vector<Position> along = chordsOf(run, placement);
        out.insert(out.end(), along.begin() + (out.empty() ? 0 : 1), along.end());
    }
    return out;
}

std::string ringWkt(const std::vector<Run>& runs, const GisPlacement& placement, bool curved) {
    if (!curved)
        return "POLYGON((" + coordinateList(densified(runs, placement)) + "))";
    if (!anyArc(runs))
        return "CURVEPOLYGON((" + coordinateList(densified(runs, placement)) + "))";
    return "CURVEPOLYGON(COMPOUNDCURVE(" + curvedParts(runs, placement) + "))";
}
std::string lineWkt(const Run& run, const GisPlacement& placement, bool curved) {
    if (curved && run.arc)
        return circularString(run, placement);
    return "LINESTRING(" + coordinateList(chordsOf(run, placement)) + ")";
}

std::string strokeClass(Stroke stroke) {
    switch (stroke) {
    case Stroke::Dashed:
        return "easement";
    case Stroke::Dotted:
        return "other";
    case Stroke::LongDashed:
        return "context";
    case Stroke::Solid:
        break;
    }
    return "boundary";
}

std::string verdictOf(ParcelStatus status) {
    switch (status) {
    case ParcelStatus::Acceptable:
        return "acceptable";
    case ParcelStatus::NotAcceptable:
        return "not acceptable";
    case ParcelStatus::MissingData:
        break;
    }
    return "missing data";
}

// The closing distance of a summary cell: "OK (0.012)" or "0.123"; "md" has none.
std::optional<double> misclosureOf(const std::string& cell) {
    std::string figure = cell;
    if (figure.size() > 4 && figure.rfind("OK (", 0) == 0 && figure.back() == ')')
        figure = figure.substr(4, figure.size() - 5);
    char* end = nullptr;
    const double value = std::strtod(figure.c_str(), &end);
    if (figure.empty() || end != figure.c_str() + figure.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The prefix of a survey mark's label ("PM" of "PM12"); a plain point number has none.
std::string markTypeOf(const std::string& label) {
    std::size_t k = 0;
    while (k < label.size() && !std::isdigit(static_cast<unsigned char>(label[k])))
        ++k;
    return label.substr(0, k);
}

class RunFinder {
  public:
    RunFinder(const WholePlanDrawing& drawing) : drawing_(drawing), pairs_(drawing.Lines) {}

    // The side from one corner to the next: along the first arc with a curve record between
    // them, as the plan view traces a parcel, else straight.
    std::optional<ArcCourse> arcBetween(const PointRecord& p, const PointRecord& q,
                                        bool& reversed) const {
        for (std::size_t i : pairs_.All(p.Number, q.Number)) {
            const LineRecord& line = drawing_.Lines[i];
            if (line.Bearing <= kArcBearingBase ||
                !drawing_.Curves.Find(line.FromPoint, line.ToPoint))
                continue;
            reversed = line.FromPoint != p.Number;
            const PointRecord& from = reversed ? q : p;
            const PointRecord& to = reversed ? p : q;
            const bool left = CurveDirection(line.FromPoint, line.ToPoint, drawing_.Curves) == "L";
            return ArcThrough(from.East, from.North, to.East, to.North, ArcRadius(line.Bearing),
                              line.Distance, left);
        }
        return std::nullopt;
    }

  private:
    const WholePlanDrawing& drawing_;
    LinePairIndex pairs_;
};

void collectParcels(const WholePlanDrawing& drawing, const ClosureSummaryResult* closure,
                    const GisPlacement& placement, bool curved, GisLayers& out) {
    const PointsByNumber fixed = IndexPoints(drawing.Points, true);
    const RunFinder finder(drawing);
    const std::vector<PolygonParcel> parcels = PolygonsFromLines(drawing.Polygons).Parcels;
    for (std::size_t k = 0; k < parcels.size(); ++k) {
        const PolygonParcel& parcel = parcels[k];
        std::vector<std::int32_t> corners = parcel.Points();
        if (corners.size() > 1 && corners.front() == corners.back())
            corners.pop_back();
        std::vector<Run> runs;
        bool placed = corners.size() >= 3;
        for (std::size_t c = 0; placed && c < corners.size(); ++c) {
            auto p = fixed.find(corners[c]);
            auto q = fixed.find(corners[(c + 1) % corners.size()]);
            if (p == fixed.end() || q == fixed.end())
                placed = false;
            const auto start = placed ? placement.place(*p->second) : std::nullopt;
            const auto end = placed ? placement.place(*q->second) : std::nullopt;
            if (!start || !end) {
                placed = false;
                break;
            }
            Run run{*start, *end, std::nullopt, false};
            run.arc = finder.arcBetween(*p->second, *q->second, run.reversed);
            runs.push_back(run);
        }
        if (!placed) {
            out.notes.push_back("Parcel " + parcel.Identifier +
                                " left out: not every corner has a position");
            ++out.leftOut;
            continue;
        }
        GisParcel feature;
        feature.identifier = parcel.Identifier;
        feature.type = parcel.Type;
        feature.areaCode = parcel.AreaCode;
        feature.storedArea = parcel.Area;
        if (closure && k < closure->Rows.size() &&
            closure->Rows[k].Identifier == parcel.Identifier) {
            const SummaryRow& row = closure->Rows[k];
            feature.verdict = verdictOf(row.Status);
            feature.misclosure = misclosureOf(row.Closure);
            feature.ratio = row.Ratio;
            if (!row.ComputedArea.empty())
                feature.computedArea = row.ComputedAreaValue;
        }
        feature.wkt = ringWkt(runs, placement, curved);
        out.parcels.push_back(std::move(feature));
    }
}

void collectLines(const WholePlanDrawing& drawing, const GisPlacement& placement, bool curved,
                  GisLayers& out) {
    const PointsByNumber all = IndexPoints(drawing.Points, false);
    std::size_t unplaced = 0;
    std::vector<bool> drawn(drawing.Lines.size(), false);
    for (const PlanStroke& stroke : PlanStrokes(drawing.Lines, drawing.Points, drawing.Curves)) {
        const LineRecord& line = drawing.Lines[stroke.Line];
        drawn[stroke.Line] = true;
        // Lines scaled off the plan and the stand-ins for missing parcel sides were never
        // measured: they are no line of the survey.
        if (stroke.Line >= drawing.ScaledBegin && stroke.Line < drawing.ScaledEnd)
            continue;
        if (line.Distance <= 0)
            continue;
        const auto start = placement.place(*all.at(line.FromPoint));
        const auto end = placement.place(*all.at(line.ToPoint));
        if (!start || !end) {
            ++unplaced;
            continue;
        }
        Run run{*start, *end, stroke.Arc, false};
        GisLine feature;
        feature.from = PointNumberToLabel(line.FromPoint);
        feature.to = PointNumberToLabel(line.ToPoint);
        if (line.Bearing > kArcBearingBase)
            feature.radius = ArcRadius(line.Bearing);
        else if (line.Bearing != kMissingBearing)
            feature.bearing = BearingText(line.Bearing);
        feature.distance = line.Distance;
        feature.lineClass = strokeClass(stroke.Style);
        feature.wkt = lineWkt(run, placement, curved);
        out.lines.push_back(std::move(feature));
    }
    for (std::size_t i = 0; i < drawing.Lines.size(); ++i)
        if (!drawn[i] && drawing.Lines[i].Distance > 0 &&
            !(i >= drawing.ScaledBegin && i < drawing.ScaledEnd))
            ++unplaced;
    if (unplaced > 0) {
        out.notes.push_back(std::to_string(unplaced) +
                            " line(s) left out: an end of each has no position");
        out.leftOut += unplaced;
    }
}

void collectPoints(const WholePlanDrawing& drawing, const GisPlacement& placement, GisLayers& out) {
    std::size_t unplaced = 0;
    const PointsByNumber first = IndexPoints(drawing.Points, false);
    for (const PointRecord& point : drawing.Points) {
        // Scaled points are numbered 0 or below; the first entry of a number is the point.
        if (point.Number <= 0 || first.at(point.Number) != &point)
            continue;
        GisPoint feature;
        feature.label = PointNumberToLabel(point.Number);
        feature.markType = markTypeOf(feature.label);
        const auto at = point.Fixed > 0 ? placement.place(point) : std::nullopt;
        feature.fixed = at.has_value();
        if (at)
            feature.wkt = "POINT(" + coordinate(*at) + ")";
        else
            ++unplaced;
        out.points.push_back(std::move(feature));
    }
    if (unplaced > 0) {
        out.notes.push_back(std::to_string(unplaced) +
                            " point(s) without a position: listed, not fixed, with no geometry");
        out.leftOut += unplaced;
    }
}

} // namespace

int ArcChordCount(double radius, double sweep) {
    if (!(radius > kArcChordTolerance) || !(sweep > 0))
        return 1;
    // A chord subtending the angle a stands off its arc by r (1 - cos(a / 2)).
    const double most = 2 * std::acos(1 - kArcChordTolerance / radius);
    return std::max(1, static_cast<int>(std::ceil(sweep / most)));
}

GisLayers CollectGisLayers(const WholePlanDrawing& drawing, const ClosureSummaryResult* closure,
                           const GisPlacement& placement, bool curved) {
    GisLayers out;
    collectParcels(drawing, closure, placement, curved, out);
    collectLines(drawing, placement, curved, out);
    collectPoints(drawing, placement, out);
    return out;
}

} // namespace corvane

#include "core/geometry/closure.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <cmath>
#include <utility>

namespace corvane {

namespace {

double segmentArea(double radius, double arc, bool left) {
    // Without a radius there is no arc to speak of, only its chord (which is then nil too).
    if (radius == 0)
        return 0.0;
    double theta = arc / radius;
    double area = radius * 0.5 * radius * (theta - std::sin(theta));
    return left ? -area : area;
}

double chordLength(double radius, double arc) {
    if (radius == 0 || arc == 0)
        return 0.0;
    return 2 * radius * std::sin(arc / radius / 2);
}

LineLegResult legFromEntry(std::int32_t from, std::int32_t to, const LineRecord* entry,
                           const CurveTable& curves) {
    LineLegResult leg;
    if (entry == nullptr || entry->Distance <= 0)
        return leg;
    if (entry->Bearing > kArcBearingBase) {
        leg.Arc = true;
        leg.Radius = ArcRadius(entry->Bearing);
        CurveData curve = LoadCurve(from, to, entry->Bearing, entry->Distance, curves);
        if (!curve.HasChordBearing())
            return leg;
        leg.Bearing = Val(curve.ChordBearing);
        leg.Distance = ChordLength(entry->Bearing, entry->Distance);
        leg.Segment = SegmentArea(entry->Bearing, entry->Distance, curve.Left());
        leg.Missing = false;
        return leg;
    }
    if (entry->Bearing < 0 || entry->Bearing > 360) {
        // No bearing measured (999 and any other figure outside the circle).
        leg.Distance = entry->Distance;
        return leg;
    }
    const bool forwards = entry->FromPoint == from && entry->ToPoint == to;
    leg.Bearing = forwards ? entry->Bearing : BackBearingValue(entry->Bearing);
    leg.Distance = entry->Distance;
    leg.Missing = false;
    return leg;
}

} // namespace

double AllowableMisclosure(double length, std::string_view accuracyClass) {
    const double L = length;
    if (accuracyClass == "Steep or mountainous")
        return 0.015 + 150 * L / 1000000;
    if (accuracyClass == "Level or undulating")
        return 0.015 + L / 10000;
    if (accuracyClass == "Surveyed Polygons")
        return 0.02 + L / 20000;
    if (accuracyClass == "Urban Survey (prior Feb 2019)")
        return 0.03 + L / 10000;
    if (accuracyClass == "Rural Survey (prior Feb 2019)")
        return 0.1 + L / 5000;
    if (accuracyClass == "Marrick City Core District")
        return 0.02 + L / 15000;
    if (accuracyClass == "Commercial and City Frame District")
        return 0.02 + L / 10000;
    return 0.0;
}

const std::vector<std::string>& AccuracyClasses() {
    static const std::vector<std::string> kClasses = {"Steep or mountainous",
                                                      "Level or undulating",
                                                      "Surveyed Polygons",
                                                      "Urban Survey (prior Feb 2019)",
                                                      "Rural Survey (prior Feb 2019)",
                                                      "Marrick City Core District",
                                                      "Commercial and City Frame District"};
    return kClasses;
}

std::optional<std::string> AccuracyClassNamed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    const std::string typed = UpperCase(text);
    for (const std::string& name : AccuracyClasses())
        if (UpperCase(name) == typed)
            return name;
    return std::nullopt;
}

std::string UnknownAccuracyClassMessage(std::string_view text) {
    return "Unknown accuracy class \"" + std::string(text) + "\"";
}

double ClosingDistance(double sumEast, double sumNorth) {
    constexpr double kRoundingOfExactClosure = 1e-9; // metres
    const double c = std::sqrt(sumEast * sumEast + sumNorth * sumNorth);
    return c < kRoundingOfExactClosure ? 0.0 : c;
}

double ClosingBearing(double sumEast, double sumNorth) {
    if (ClosingDistance(sumEast, sumNorth) == 0)
        return 0.0;
    return RadiansToBearing(BearingFromDeltas(-sumEast, -sumNorth));
}

std::string ClosureRatioText(double totalLength, double closingDistance) {
    if (!(closingDistance > 0))
        return "exact";
    return "1 in " + Format(totalLength / closingDistance, "0");
}

double BowditchArea(double sumEast, double sumNorth, double totalLength, double segmentTotal,
                    const std::vector<Leg>& legs) {
    const double area = SignedBowditchArea(sumEast, sumNorth, totalLength, segmentTotal, legs);
    return area > 0 ? area : 0.0;
}

double SignedBowditchArea(double sumEast, double sumNorth, double totalLength, double segmentTotal,
                          const std::vector<Leg>& legs) {
    if (legs.size() <= 2)
        return 0.0;
    return TwiceAdjustedArea(sumEast, sumNorth, totalLength, legs) / 2 + segmentTotal;
}

double SegmentArea(std::string_view radiusCell, std::string_view arcCell, bool left) {
    return segmentArea(ArcRadius(radiusCell), Val(arcCell), left);
}

double SegmentArea(double radiusField, double arcField, bool left) {
    return segmentArea(ArcRadius(radiusField), arcField, left);
}

double ChordLength(std::string_view radiusCell, std::string_view arcCell) {
    return chordLength(ArcRadius(radiusCell), Val(arcCell));
}

double ChordLength(double radiusField, double arcField) {
    return chordLength(ArcRadius(radiusField), arcField);
}

double TraverseAngle(std::string_view bearing1, std::string_view bearing2) {
    const double pi = Pi();
    const double a1 = BearingToRadians(bearing1);
    const double a2 = BearingToRadians(bearing2);
    double d = a2 - (a1 + pi);
    if (d < -pi)
        d += 2 * pi;
    if (d > pi)
        d -= 2 * pi;
    const double angle = d >= 0 ? RadiansToBearing(d) : -RadiansToBearing(-d);
    // Bearings are whole seconds, so the angle is too; the sines' rounding alone decides on
    // which side of the half circle a straight continuation falls, and whether a reversal
    // comes out as -0.
    if (std::fabs(std::fabs(angle) - 180.0) < 1e-9)
        return -180.0;
    if (angle == 0)
        return 0.0;
    return angle;
}

std::optional<std::size_t> FindLine(const std::vector<LineRecord>& lines, std::int32_t from,
                                    std::int32_t to) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineRecord& l = lines[i];
        if ((l.FromPoint == from && l.ToPoint == to) || (l.FromPoint == to && l.ToPoint == from))
            return i;
    }
    return std::nullopt;
}

LineLegResult LineLeg(std::int32_t from, std::int32_t to, const std::vector<LineRecord>& lines,
                      const CurveTable& curves) {
    auto i = FindLine(lines, from, to);
    return legFromEntry(from, to, i ? &lines[*i] : nullptr, curves);
}

LineLegResult LineLeg(std::int32_t from, std::int32_t to, const std::vector<LineRecord>& lines,
                      const LinePairIndex& index, const CurveTable& curves) {
    auto i = index.Find(from, to);
    return legFromEntry(from, to, i && *i < lines.size() ? &lines[*i] : nullptr, curves);
}

} // namespace corvane

// The plan check's rules on parcels, arcs and the adjustment.

#include "core/base/numtext.h"
#include "core/files/polygons.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/adjustreport.h"
#include "core/reports/diagnosis.h"
#include "core/reports/lodgementparts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <unordered_map>

namespace corvane::lodgement {

namespace {

constexpr double kRho = 206264.80624709636; // seconds of arc in a radian

bool estimatedCode(const std::string& code) {
    return code == "A" || code == "D";
}

// An area in the form a plan states it: "99.9 m²", "1234 m²", "1.235 ha", "12.35 ha".
std::string planAreaText(double squareMetres) {
    const double rounded = PlanRoundedArea(squareMetres);
    char text[64];
    if (rounded >= 10000.0) {
        const double hectares = rounded / 10000.0;
        const int digits = static_cast<int>(std::floor(std::log10(hectares) + 1e-12));
        std::snprintf(text, sizeof text, "%.*f ha", std::max(0, 3 - digits), hectares);
    } else {
        std::snprintf(text, sizeof text, "%.*f m\xC2\xB2", rounded < 100.0 ? 1 : 0, rounded);
    }
    return text;
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

// A construction parcel, the surveyor's own figure, as the closure summary knows it (CO...).
// A parcel of any other identifier the type list does not name (L2, LOT7) is a plan parcel
// like any other and is checked as one.
bool constructionParcel(const PolygonParcel& parcel) {
    return UpperCase(parcel.Identifier.substr(0, 2)) == "CO";
}

// Parcels whose sides count as boundaries between parcels: not the outer boundary (every
// outer side of the plan is also a side of a parcel inside it), not an easement (it lies
// over the parcels it burdens) and not a construction parcel (the surveyor's own figure).
bool boundaryParcel(const PolygonParcel& parcel) {
    return parcel.Type != "Outer Boundary" && parcel.Type != "Easement" &&
           !constructionParcel(parcel);
}

// Who walks each point pair: the parcels (index into the polygons model, each once, in file
// order) and whether each walks the pair as first met (forwards) or the other way.
struct PairWalkers {
    std::int32_t from = 0, to = 0; // as first walked
    std::vector<std::size_t> parcels;
    std::vector<bool> forwards;
};

std::vector<PairWalkers> walkedPairs(const CheckedPlan& plan, bool boundariesOnly) {
    std::vector<PairWalkers> pairs;
    std::unordered_map<std::uint64_t, std::size_t> byKey;
    for (std::size_t p = 0; p < plan.polygons.Parcels.size(); ++p) {
        const PolygonParcel& parcel = plan.polygons.Parcels[p];
        if (boundariesOnly && !boundaryParcel(parcel))
            continue;
        const std::vector<std::int32_t> points = parcel.Points();
        for (std::size_t k = 1; k < points.size(); ++k) {
            const std::int32_t a = points[k - 1], b = points[k];
            if (a == b)
                continue;
            auto [it, added] = byKey.try_emplace(PointPairKey(a, b), pairs.size());
            if (added)
                pairs.push_back({a, b, {}, {}});
            PairWalkers& w = pairs[it->second];
            if (!w.parcels.empty() && w.parcels.back() == p)
                continue;
            w.parcels.push_back(p);
            w.forwards.push_back(w.from == a);
        }
    }
    return pairs;
}

std::vector<std::string> parcelNames(const CheckedPlan& plan,
                                     const std::vector<std::size_t>& parcels) {
    std::vector<std::string> names;
    names.reserve(parcels.size());
    for (std::size_t p : parcels)
        names.push_back(plan.polygons.Parcels[p].Identifier);
    return names;
}

// The angle from a to b, both radians, folded into -π to π.
double turnBetween(double a, double b) {
    double d = std::fmod(b - a, 2 * Pi());
    if (d > Pi())
        d -= 2 * Pi();
    if (d < -Pi())
        d += 2 * Pi();
    return d;
}

std::string arcFigures(const LineRecord& arc) {
    return "R " + Format(arc.Bearing - kArcBearingBase, "0.000") + " arc " +
           Format(arc.Distance, "0.000");
}

void checkArcRecord(const CheckedPlan& plan, const LineRecord& arc, std::vector<Finding>& out) {
    const auto match = plan.curves.Find(arc.FromPoint, arc.ToPoint);
    const std::string name = "arc " + LineName(arc.FromPoint, arc.ToPoint);
    auto add = [&](FindingGrade grade, std::string message) {
        Finding f = MakeFinding("arc-chord", grade, std::move(message));
        f.from = arc.FromPoint;
        f.to = arc.ToPoint;
        out.push_back(std::move(f));
    };
    if (!match) {
        add(FindingGrade::Error,
            name + ": no curve record gives its turn and bearing, so its chord is unknown");
        return;
    }
    const CurveRecord& record = *match->Record;
    const bool tangent = record.TangentBearing != kMissingBearing;
    const bool chord = record.ChordBearing != kMissingBearing;
    if (!tangent && !chord) {
        add(FindingGrade::Error,
            name + ": its curve record gives neither a tangent nor a chord bearing, so its "
                   "chord is unknown");
        return;
    }
    if (!tangent || !chord)
        return;
    // The chord leaves the tangent at the record's from point by half the central angle,
    // to the side the arc turns.
    const double radius = arc.Bearing - kArcBearingBase;
    const double half = arc.Distance / radius / 2;
    const double expected = BearingToRadians(BearingText(record.TangentBearing)) +
                            (record.Direction == "L" ? -half : half);
    const double off =
        std::fabs(turnBetween(expected, BearingToRadians(BearingText(record.ChordBearing))));
    // Each bearing is booked to the second, the radius and arc length to the millimetre.
    const double tolerance = (2.0 + kRho * 0.0005 / radius) / kRho;
    if (off > tolerance) {
        double shown = std::fmod(expected, 2 * Pi());
        if (shown < 0)
            shown += 2 * Pi();
        add(FindingGrade::Error,
            name + ": the chord bearing " + Format(record.ChordBearing, "0.0000") +
                " of its curve record does not follow from its tangent bearing " +
                Format(record.TangentBearing, "0.0000") + " (" + arcFigures(arc) + " turning " +
                (record.Direction == "L" ? "left" : "right") + " gives " +
                Format(RadiansToBearing(shown), "0.0000") + ")");
    }
}

} // namespace

void CheckClosures(const CheckedPlan& plan, const ClosureSummaryResult& summary,
                   std::vector<Finding>& findings) {
    const auto& parcels = plan.polygons.Parcels;
    for (std::size_t p = 0; p < parcels.size() && p < summary.Rows.size(); ++p) {
        const PolygonParcel& parcel = parcels[p];
        const SummaryRow& row = summary.Rows[p];
        const bool construction = constructionParcel(parcel);
        const bool estimated = estimatedCode(parcel.AreaCode);
        // A construction parcel is the surveyor's own figure and an area stated as approximate
        // or deduced was not taken from the closure: their closures are noted, not refused.
        FindingGrade grade = FindingGrade::Error;
        if (construction || estimated)
            grade = FindingGrade::Warning;
        auto add = [&](const char* rule, FindingGrade g, const std::string& text) {
            Finding f = MakeFinding(rule, g, parcel.Identifier + ": " + text);
            f.parcel = parcel.Identifier;
            findings.push_back(std::move(f));
        };

        if (row.Status == ParcelStatus::MissingData) {
            std::vector<std::string> missing;
            const std::vector<std::int32_t> points = parcel.Points();
            for (std::size_t k = 1; k < points.size(); ++k)
                if (LineLeg(points[k - 1], points[k], *plan.lines, plan.index, plan.curves).Missing)
                    missing.push_back(LineName(points[k - 1], points[k]));
            const std::string text =
                missing.empty() ? "the parcel has fewer than two corners and cannot be closed"
                                : "no bearing and distance for " + joinNames(missing) +
                                      ", so the parcel cannot be closed";
            add("closure", construction ? FindingGrade::Information : grade, text);
            continue;
        }
        if (row.Status == ParcelStatus::NotAcceptable) {
            add("closure", grade,
                "misclosure " + row.Closure + " m (" + row.Ratio + ") exceeds the allowable " +
                    row.Allowable + " m");
            continue;
        }

        // The stated area, from a parcel that closes.
        if (construction || row.ComputedAreaValue <= 0)
            continue;
        const std::string computed = planAreaText(row.ComputedAreaValue);
        if (parcel.Area <= 0) {
            // An easement's area is seldom stated.
            if (parcel.Type != "Easement")
                add("area-stated", FindingGrade::Information,
                    "no area is stated; the closure gives " + computed);
            continue;
        }
        if (StatedAreaAgrees(parcel.Area, row.ComputedAreaValue))
            continue;
        std::string text = "the stated area " + planAreaText(parcel.Area);
        if (parcel.AreaCode == "A")
            text += " (approximate)";
        else if (parcel.AreaCode == "D")
            text += " (deduced)";
        text += " differs from the " + computed + " the closure gives";
        add("area-stated", estimated ? FindingGrade::Warning : FindingGrade::Error, text);
    }
}

namespace {

// The way a parcel is walked: +1 clockwise, -1 anticlockwise (by the area its sides enclose,
// arcs by their chords), 0 when a side has no bearing and distance.
int walkTurn(const CheckedPlan& plan, const PolygonParcel& parcel) {
    const std::vector<std::int32_t> points = parcel.Points();
    double east = 0, north = 0, twiceArea = 0;
    for (std::size_t k = 1; k < points.size(); ++k) {
        const LineLegResult leg =
            LineLeg(points[k - 1], points[k], *plan.lines, plan.index, plan.curves);
        if (leg.Missing)
            return 0;
        const double direction = BearingToRadians(BearingText(leg.Bearing));
        const double nextEast = east + leg.Distance * std::sin(direction);
        const double nextNorth = north + leg.Distance * std::cos(direction);
        twiceArea += east * nextNorth - nextEast * north;
        east = nextEast;
        north = nextNorth;
    }
    // East and north as x and y: a positive sum runs anticlockwise.
    return twiceArea < 0 ? 1 : (twiceArea > 0 ? -1 : 0);
}

} // namespace

void CheckArcs(const CheckedPlan& plan, std::vector<Finding>& findings) {
    const std::vector<LineRecord>& lines = *plan.lines;
    const LinePairIndex recordsByPair = LinePairIndex::Over(plan.curves.Records());
    auto isArc = [&](std::size_t i) { return lines[i].Bearing > kArcBearingBase; };

    // Arcs two parcels share: one radius, one arc length and one turn for both.
    for (const PairWalkers& pair : walkedPairs(plan, false)) {
        if (pair.parcels.size() < 2)
            continue;
        std::vector<std::size_t> arcs;
        for (std::size_t i : plan.index.All(pair.from, pair.to))
            if (plan.surveyed(i) && isArc(i))
                arcs.push_back(i);
        if (arcs.empty())
            continue;
        const std::string name = "arc " + LineName(pair.from, pair.to) + ", a side of " +
                                 joinNames(parcelNames(plan, pair.parcels));
        auto add = [&](const std::string& text) {
            Finding f = MakeFinding("arc-shared", FindingGrade::Error, name + ", " + text);
            f.from = pair.from;
            f.to = pair.to;
            findings.push_back(std::move(f));
        };
        const LineRecord& first = lines[arcs.front()];
        for (std::size_t k = 1; k < arcs.size(); ++k) {
            const LineRecord& other = lines[arcs[k]];
            if (std::fabs(other.Bearing - first.Bearing) > 0.0005 ||
                std::fabs(other.Distance - first.Distance) > 0.0005) {
                add("is stored twice with different figures: " + arcFigures(first) + " and " +
                    arcFigures(other));
                break;
            }
        }
        std::string turn;
        for (std::size_t r : recordsByPair.All(pair.from, pair.to)) {
            const CurveRecord& record = plan.curves.Records()[r];
            const bool left = (record.Direction == "L") == (record.FromPoint == pair.from);
            const std::string asWalked = left ? "L" : "R";
            if (turn.empty()) {
                turn = asWalked;
            } else if (turn != asWalked) {
                add("has curve records that turn it both ways");
                break;
            }
        }
        // Two parcels either side of an arc, each taken clockwise, walk it in opposite
        // directions; walked the same way by both, the arc's segment is added to (or taken
        // from) both areas. A parcel booked anticlockwise is taken the other way round, as
        // its closure takes it; one whose turn cannot be told is not judged.
        std::vector<std::size_t> sides;
        std::vector<int> ways; // +1 / -1 as walked clockwise, 0 unknown
        for (std::size_t k = 0; k < pair.parcels.size(); ++k) {
            const PolygonParcel& parcel = plan.polygons.Parcels[pair.parcels[k]];
            if (!boundaryParcel(parcel))
                continue;
            const int turn = walkTurn(plan, parcel);
            sides.push_back(pair.parcels[k]);
            ways.push_back(turn == 0 ? 0 : (pair.forwards[k] ? turn : -turn));
        }
        if (sides.size() == 2 && ways[0] != 0 && ways[0] == ways[1])
            add("is walked the same way by " + joinNames(parcelNames(plan, sides)) +
                ": one of them runs anticlockwise or they overlap, and the arc turns into one "
                "and out of the other");
    }

    // Each arc on its own: a length the radius can bend, a record that places its chord, a
    // straight line measured between its ends that agrees with its chord.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!plan.surveyed(i) || !isArc(i))
            continue;
        const LineRecord& arc = lines[i];
        const double radius = arc.Bearing - kArcBearingBase;
        if (arc.Distance >= 2 * Pi() * radius) {
            Finding f = MakeFinding("arc-chord", FindingGrade::Error,
                                    "arc " + LineName(arc.FromPoint, arc.ToPoint) + ": " +
                                        arcFigures(arc) + " is longer than its whole circle (" +
                                        Format(2 * Pi() * radius, "0.000") + ")");
            f.from = arc.FromPoint;
            f.to = arc.ToPoint;
            findings.push_back(std::move(f));
            continue;
        }
        checkArcRecord(plan, arc, findings);
        const double chord = ChordLength(arc.Bearing, arc.Distance);
        for (std::size_t j : plan.index.All(arc.FromPoint, arc.ToPoint)) {
            const LineRecord& line = lines[j];
            if (j == i || !plan.surveyed(j) || line.Bearing < 0 || line.Bearing > 360)
                continue;
            // Each figure is booked to the millimetre, so each may be half a millimetre out:
            // the radius's half moves the chord by dc/dR = 2 sin(θ/2) − θ cos(θ/2), the arc
            // length's by dc/dL = cos(θ/2) (θ the central angle), the line's by itself.
            const double theta = arc.Distance / radius;
            const double tolerance =
                0.0005 * (std::fabs(2 * std::sin(theta / 2) - theta * std::cos(theta / 2)) +
                          std::fabs(std::cos(theta / 2)) + 1) +
                1e-9;
            if (std::fabs(line.Distance - chord) > tolerance) {
                Finding f = MakeFinding("arc-chord", FindingGrade::Error,
                                        "arc " + LineName(arc.FromPoint, arc.ToPoint) +
                                            ": its chord " + Format(chord, "0.000") + " (" +
                                            arcFigures(arc) + ") differs from the line " +
                                            LineName(line.FromPoint, line.ToPoint) +
                                            " measured as " + Format(line.Distance, "0.000"));
                f.from = arc.FromPoint;
                f.to = arc.ToPoint;
                findings.push_back(std::move(f));
            }
        }
    }
}

void CheckLineSides(const CheckedPlan& plan, std::vector<Finding>& findings) {
    for (const PairWalkers& pair : walkedPairs(plan, true)) {
        if (pair.parcels.size() <= 2)
            continue;
        Finding f =
            MakeFinding("line-sides", FindingGrade::Error,
                        "line " + LineName(pair.from, pair.to) + " is a side of " +
                            std::to_string(pair.parcels.size()) + " parcels, " +
                            joinNames(parcelNames(plan, pair.parcels)) + ": parcels overlap");
        f.from = pair.from;
        f.to = pair.to;
        findings.push_back(std::move(f));
    }
}

void CheckAdjustment(const CheckedPlan& plan, const PlanAdjustment& adjustment,
                     std::vector<Finding>& findings) {
    const AdjustmentResult& all = adjustment.all;
    if (!all.converged)
        findings.push_back(MakeFinding("adjustment", FindingGrade::Warning,
                                       "the adjustment did not converge in " +
                                           std::to_string(all.iterations) +
                                           " iterations: the lines do not fit together as booked"));
    if (!all.chi2Passed) {
        // Lines that fit worse than their weights allow are a warning; lines that fit better
        // than measurement can (figures computed from coordinates rather than measured, or
        // weights too cautious) are only noted.
        const bool tooGood = all.chi2 < all.chi2Lower;
        findings.push_back(MakeFinding(
            "adjustment", tooGood ? FindingGrade::Information : FindingGrade::Warning,
            GlobalTestText(all) + " (standard error of unit weight " + Format(all.seuw, "0.00") +
                ", " + std::to_string(all.dof) + " degrees of freedom)"));
    }

    bool anyFlagged = false;
    for (const ObservationResult& r : all.observations)
        anyFlagged = anyFlagged || r.flagged;
    if (!anyFlagged)
        return;
    // The typing explanations come from the parcels' own diagnosis.
    PlanDiagnosis diagnosis;
    if (!plan.polygonLines.empty())
        diagnosis =
            DiagnosePlan(*plan.lines, plan.polygonLines, plan.curves, plan.accuracyClass, 3);
    auto flag = [&](const Observation& o, std::string text) {
        if (const std::string why = TypingExplanation(o, diagnosis); !why.empty())
            text += "; " + why;
        Finding f = MakeFinding("adjustment", FindingGrade::Error, std::move(text));
        f.from = o.from;
        f.to = o.to;
        findings.push_back(std::move(f));
    };
    // One wrong figure drags the lines around it out too, so the errors are the observations
    // the blunder search takes out, in its order, and any still flagged once they are out;
    // the lines that were flagged only while those were in are named once, as information.
    static const char* const kOrder[] = {"first", "second", "third", "fourth", "fifth"};
    for (std::size_t k = 0; k < adjustment.removed.size(); ++k) {
        const std::string order =
            k < std::size(kOrder) ? kOrder[k] : "as number " + std::to_string(k + 1);
        flag(adjustment.removed[k].observation, "taken out " + order + " by the blunder search: " +
                                                    EstimatedErrorText(adjustment.removed[k]));
    }
    for (const ObservationResult& r : adjustment.final.observations)
        if (r.flagged)
            flag(r.observation,
                 EstimatedErrorText(r) + " (still flagged after the blunder search)");
    auto sameObservation = [](const Observation& a, const Observation& b) {
        return a.line == b.line && a.kind == b.kind;
    };
    std::vector<std::string> quiet;
    for (const ObservationResult& r : all.observations) {
        if (!r.flagged)
            continue;
        const bool removed = std::any_of(adjustment.removed.begin(), adjustment.removed.end(),
                                         [&](const RemovedObservation& m) {
                                             return sameObservation(m.observation, r.observation);
                                         });
        const bool still =
            std::any_of(adjustment.final.observations.begin(), adjustment.final.observations.end(),
                        [&](const ObservationResult& f) {
                            return f.flagged && sameObservation(f.observation, r.observation);
                        });
        if (!removed && !still)
            quiet.push_back(ObservationName(r.observation));
    }
    if (!quiet.empty()) {
        std::string text = std::to_string(quiet.size()) +
                           " more observations are flagged only while the blunder search's "
                           "lines are in, and fit once they are out:";
        for (std::size_t k = 0; k < quiet.size(); ++k)
            text += (k ? ", " : " ") + quiet[k];
        findings.push_back(MakeFinding("adjustment", FindingGrade::Information, std::move(text)));
    }
}

} // namespace corvane::lodgement

#include "core/geometry/gridfit.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/geometry/plancoords.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace corvane {

namespace {

constexpr double kSecondsPerRadian = 180.0 / std::numbers::pi * 3600.0;

struct Similarity {
    double a = 1.0, b = 0.0; // scale · cos and scale · sin of the clockwise rotation
    double shiftEast = 0.0, shiftNorth = 0.0;
};

// The least-squares similarity of the used marks, in closed form: reduced to their
// centroids, the shift drops out and the scale and rotation are two sums.
Similarity fitSimilarity(const std::vector<MarkFit>& marks, const std::vector<bool>& used) {
    double pe = 0, pn = 0, ge = 0, gn = 0;
    int n = 0;
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (used[i]) {
            pe += marks[i].planEast;
            pn += marks[i].planNorth;
            ge += marks[i].gridEast;
            gn += marks[i].gridNorth;
            ++n;
        }
    pe /= n, pn /= n, ge /= n, gn /= n;
    double sum = 0, sa = 0, sb = 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (!used[i])
            continue;
        const double e = marks[i].planEast - pe, nn = marks[i].planNorth - pn;
        const double dE = marks[i].gridEast - ge, dN = marks[i].gridNorth - gn;
        sum += e * e + nn * nn;
        sa += e * dE + nn * dN;
        sb += nn * dE - e * dN;
    }
    Similarity s;
    if (sum > 0) {
        s.a = sa / sum;
        s.b = sb / sum;
    }
    s.shiftEast = ge - s.a * pe - s.b * pn;
    s.shiftNorth = gn + s.b * pe - s.a * pn;
    return s;
}

std::string labelOf(std::int32_t number) {
    return PointNumberToLabel(number);
}

std::string metres(double value) {
    return Format(value, "0.000") + " m";
}

} // namespace

double GridFit::rotationSeconds() const {
    return rotation * kSecondsPerRadian;
}

std::pair<double, double> GridFit::ToGrid(double east, double north) const {
    if (!fitted)
        return {east, north};
    const double a = scale * std::cos(rotation), b = scale * std::sin(rotation);
    return {shiftEast + a * east + b * north, shiftNorth - b * east + a * north};
}

GridFit FitToGrid(const std::vector<PointRecord>& planPoints, const std::vector<KnownMark>& marks,
                  const GridFitOptions& options) {
    GridFit fit;
    const PointsByNumber all = IndexPoints(planPoints, false);
    PointsByNumber fixed;
    for (const PointRecord& p : planPoints)
        if (p.Group >= 0)
            fixed.emplace(p.Number, &p);
    // Positions are comparable only within one group of lines: the group holding the most
    // known marks is fitted (the first such in the table on a tie).
    std::map<std::int32_t, int> perGroup;
    for (const KnownMark& m : marks)
        if (auto p = fixed.find(m.number); p != fixed.end())
            ++perGroup[p->second->Group];
    std::int32_t group = -1;
    int most = 0;
    for (const auto& [g, count] : perGroup)
        if (count > most)
            group = g, most = count;

    for (const KnownMark& m : marks) {
        const std::string label = labelOf(m.number);
        const auto p = fixed.find(m.number);
        if (p == fixed.end()) {
            fit.notes.push_back(all.count(m.number)
                                    ? label + " is not fixed in the plan: left out"
                                    : label + " is not a point of the plan: left out");
            continue;
        }
        if (p->second->Group != group) {
            fit.notes.push_back(label +
                                " is in a part of the plan that no bearing and distance join "
                                "to the fitted marks: left out");
            continue;
        }
        MarkFit f;
        f.number = m.number;
        f.planEast = p->second->East;
        f.planNorth = p->second->North;
        f.gridEast = m.east;
        f.gridNorth = m.north;
        fit.marks.push_back(f);
    }
    if (fit.marks.size() < 2) {
        fit.notes.push_back("Fewer than two marks of the plan have map grid coordinates: the plan "
                            "stays on its local coordinates");
        return fit;
    }

    std::vector<bool> used(fit.marks.size(), true);
    std::size_t usedCount = fit.marks.size();
    Similarity s;
    for (;;) {
        s = fitSimilarity(fit.marks, used);
        std::size_t worst = fit.marks.size();
        for (std::size_t i = 0; i < fit.marks.size(); ++i) {
            MarkFit& f = fit.marks[i];
            f.residualEast = f.gridEast - (s.shiftEast + s.a * f.planEast + s.b * f.planNorth);
            f.residualNorth = f.gridNorth - (s.shiftNorth - s.b * f.planEast + s.a * f.planNorth);
            f.residual = std::hypot(f.residualEast, f.residualNorth);
            if (used[i] && f.residual > options.tolerance &&
                (worst == fit.marks.size() || f.residual > fit.marks[worst].residual))
                worst = i;
        }
        // Two marks fit any similarity exactly: below three nothing tells a disturbed mark.
        if (worst == fit.marks.size() || usedCount <= 2)
            break;
        MarkFit& out = fit.marks[worst];
        out.flagged = true;
        used[worst] = false;
        --usedCount;
        fit.leftOut.push_back(out.number);
    }
    // A mark left out is measured against the fit of the marks kept: how far it stands from
    // where they put it.
    for (std::int32_t number : fit.leftOut)
        for (const MarkFit& m : fit.marks)
            if (m.number == number)
                fit.notes.push_back(labelOf(m.number) + " is " + metres(m.residual) +
                                    " from where the other marks put it, beyond the tolerance of " +
                                    metres(options.tolerance) +
                                    ": possibly disturbed, left out and the plan fitted again");
    if (usedCount == 2)
        fit.notes.push_back(fit.marks.size() > 2
                                ? "The fit rests on two marks only, which it fits exactly: no "
                                  "mark is left to check it, nor to tell for certain which "
                                  "marks were disturbed"
                                : "The fit rests on two marks only, which it fits exactly: no "
                                  "mark is left to check it");
    // Marks given north before east (as LandXML gives them) are the plan's mirror image,
    // which no rotation fits: each is then flagged in turn while the swapped marks fit.
    bool swappedMarks = false;
    if (!fit.leftOut.empty() && fit.marks.size() >= 3) {
        std::vector<MarkFit> swapped = fit.marks;
        for (MarkFit& m : swapped)
            std::swap(m.gridEast, m.gridNorth);
        const std::vector<bool> all(swapped.size(), true);
        const Similarity t = fitSimilarity(swapped, all);
        bool fits = true;
        for (const MarkFit& m : swapped)
            fits =
                fits &&
                std::hypot(m.gridEast - (t.shiftEast + t.a * m.planEast + t.b * m.planNorth),
                           m.gridNorth - (t.shiftNorth - t.b * m.planEast + t.a * m.planNorth)) <=
                    options.tolerance;
        // The fit on the marks left would put the plan on the grid mirrored and far from
        // its place: the plan stays local until the marks are mended.
        swappedMarks = fits;
        if (fits)
            fit.notes.push_back("The marks fit the plan with their east and north swapped: "
                                "their coordinates were probably given north first. The plan "
                                "stays local until they are put right");
    }
    fit.fitted = !swappedMarks;
    fit.scale = std::hypot(s.a, s.b);
    // A map grid's scale differs from the ground's by well under 0.2 %; more is coordinates
    // in feet, or on another grid, or marks confused.
    if (std::fabs(fit.scale - 1) > 0.002)
        fit.notes.push_back("The plan is scaled by " + Format(fit.scale, "0.000000") +
                            " to fit the marks: are their coordinates in metres, on the map "
                            "grid, and the right marks?");
    fit.rotation = std::atan2(s.b, s.a);
    fit.shiftEast = s.shiftEast;
    fit.shiftNorth = s.shiftNorth;
    double squares = 0;
    for (std::size_t i = 0; i < fit.marks.size(); ++i)
        if (used[i])
            squares += fit.marks[i].residual * fit.marks[i].residual;
    fit.rms = std::sqrt(squares / static_cast<double>(usedCount));
    return fit;
}

Result<PlanPositions> BestPlanPositions(const PlanState& plan) {
    if (plan.LinesLoadFailed)
        return Error{plan.LinesLoadFailure, "Map grid error"};
    auto curves = ReadCurveFile(plan.PlanPath);
    if (!curves)
        return Error{curves.error().message, "Map grid error"};
    PlanPositions result;
    result.points = BuildPlanCoordinates(plan.PlanLines, curves.value());
    result.source = "coordinate builder";
    if (auto adjusted = AdjustPlan(plan, {}); !adjusted)
        result.whyNotAdjusted = adjusted.error().message;
    else if (adjusted.value().final.points.empty())
        result.whyNotAdjusted = "no line observes both bearing and distance";
    else if (!adjusted.value().final.converged)
        result.whyNotAdjusted = "the adjustment did not converge";
    else {
        // The adjustment holds each group by the point the builder started it from, so its
        // positions stand in the builder's frame and take the builder's places in the table;
        // a point it did not adjust keeps the builder's position.
        const AdjustmentResult& final = adjusted.value().final;
        for (const AdjustedPoint& p : final.points) {
            const int i = FindPointIndex(result.points, p.number);
            if (i < 0)
                continue;
            PointRecord& r = result.points[static_cast<std::size_t>(i)];
            r.East = p.east;
            r.North = p.north;
            r.Group = FindPointIndex(result.points, final.groups[p.group].held);
        }
        result.source = "adjusted";
    }
    return result;
}

Result<PlanGridFit> FitPlanToGrid(const PlanState& plan, const std::vector<KnownMark>& marks,
                                  const GridFitOptions& options) {
    auto positions = BestPlanPositions(plan);
    if (!positions)
        return positions.error();
    PlanGridFit result;
    result.points = std::move(positions.value().points);
    result.source = positions.value().source;
    result.fit = FitToGrid(result.points, marks, options);
    if (const std::string& why = positions.value().whyNotAdjusted; !why.empty())
        result.fit.notes.insert(result.fit.notes.begin(),
                                "The plan's lines were not adjusted (" + why +
                                    "): the coordinate builder's positions are fitted");
    return result;
}

int MapGridEpsg(int zone, std::string_view datum) {
    if (zone < 1 || zone > 60)
        return 0;
    std::string name;
    for (char c : datum)
        if (c != ' ' && c != '-' && c != '_')
            name += c;
    name = UpperCase(name);
    // Only the zones each datum's map grid has: any other 7800 + z or 28300 + z is another
    // country's grid (7830 is a Pulkovo zone), never a place to put this plan.
    if ((name == "GDA2020" || name == "MGA2020") && zone >= 46 && zone <= 59)
        return 7800 + zone;
    if ((name == "GDA94" || name == "MGA94" || name == "GDA1994") && zone >= 48 && zone <= 58)
        return 28300 + zone;
    return 0;
}

} // namespace corvane

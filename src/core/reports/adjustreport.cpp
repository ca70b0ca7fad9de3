#include "core/reports/adjustreport.h"

#include "core/base/jsontext.h"
#include "core/model/bearing.h"
#include "core/model/gridrow.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace corvane {

namespace {

constexpr const char* kDash =
    "\xE2\x80\x93"; // en dash between a line's ends, as the diagnosis writes

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos)
        out.erase(0, 1); // a figure that rounds to nothing has no sign
    return out;
}

std::string lineName(const Observation& o) {
    return PointNumberToLabel(o.from) + kDash + PointNumberToLabel(o.to);
}

bool isBearing(const Observation& o) {
    return o.kind == ObservationKind::Bearing;
}

// A packed bearing of an angle in radians, to the second.
std::string packedText(double radians) {
    return BearingText(RadiansToBearing(radians));
}

// An angle of seconds as a surveyor writes a small one: "32″", "1′05″", "2°03′10″".
std::string secondsText(double seconds) {
    long whole = std::lround(std::fabs(seconds));
    const long degrees = whole / 3600;
    const long minutes = (whole / 60) % 60;
    whole %= 60;
    char text[48];
    if (degrees > 0)
        std::snprintf(text, sizeof text, "%ld\xC2\xB0%02ld\xE2\x80\xB2%02ld\xE2\x80\xB3", degrees,
                      minutes, whole);
    else if (minutes > 0)
        std::snprintf(text, sizeof text, "%ld\xE2\x80\xB2%02ld\xE2\x80\xB3", minutes, whole);
    else
        std::snprintf(text, sizeof text, "%ld\xE2\x80\xB3", whole);
    return text;
}

std::string errorText(const Observation& o, double error, double w) {
    std::string text = ObservationName(o) + ": " + ObservedText(o) + " is ";
    if (isBearing(o))
        text += secondsText(error) + (error > 0 ? " too far clockwise" : " too far anticlockwise");
    else
        text += fixed(std::fabs(error), 3) + " m" + (error > 0 ? " too long" : " too short");
    return text + " (w = " + fixed(std::fabs(w), 1) + ")";
}

// The diagnosis's own word for the figure a correction changes.
bool correctsFigure(const Correction& c, const Observation& o) {
    if (c.kind == kClosingLineFit) // a mismeasurement, not a typing slip
        return false;
    return c.column == (isBearing(o) ? ColBearing : ColDistance);
}

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

} // namespace

std::string ObservationName(const Observation& o) {
    if (o.arc)
        return (isBearing(o) ? "chord bearing of " : "chord of ") + lineName(o);
    return (isBearing(o) ? "bearing of " : "distance of ") + lineName(o);
}

std::string ObservedText(const Observation& o) {
    return isBearing(o) ? packedText(o.observed) : fixed(o.observed, 3);
}

std::string EstimatedErrorText(const ObservationResult& result) {
    return errorText(result.observation, result.error, result.w);
}

std::string EstimatedErrorText(const RemovedObservation& removed) {
    return errorText(removed.observation, removed.error, removed.w);
}

std::string TypingExplanation(const Observation& o, const PlanDiagnosis& diagnosis) {
    // A correction of the stored line itself, which closes every parcel walking it.
    for (const PlanFinding& f : diagnosis.findings)
        if (f.line == o.line && correctsFigure(f.fix, o))
            return f.fix.text;
    // A failing parcel's own candidate for a leg along this line, either way round.
    const std::string what =
        isBearing(o) ? "bearing of " : (o.arc ? "arc length of " : "distance of ");
    const std::string forwards = what + lineName(o) + " ";
    const std::string backwards =
        what + PointNumberToLabel(o.to) + kDash + PointNumberToLabel(o.from) + " ";
    for (const ParcelDiagnosis& parcel : diagnosis.parcels)
        for (const Correction& c : parcel.candidates)
            if (correctsFigure(c, o) &&
                (startsWith(c.text, forwards) || startsWith(c.text, backwards)))
                return parcel.identifier + ": " + c.text;
    return {};
}

bool AdjustmentAcceptable(const AdjustmentResult& result) {
    if (!result.chi2Passed)
        return false;
    for (const ObservationResult& o : result.observations)
        if (o.flagged)
            return false;
    return true;
}

std::string GlobalTestText(const AdjustmentResult& r) {
    if (r.dof <= 0)
        return "No redundancy: nothing to test";
    const std::string bounds =
        fixed(r.chi2Lower, 2) + " \xE2\x80\x93 " + fixed(r.chi2Upper, 2) + ")";
    const std::string chi2 = " (\xCF\x87\xC2\xB2 " + fixed(r.chi2, 1);
    if (r.chi2Passed)
        return "Global test passed" + chi2 + " within " + bounds;
    // Below the lower bound the observations agree better than their standard deviations
    // say: the weights are pessimistic, which is no fault of the plan's figures.
    if (r.chi2 < r.chi2Lower)
        return "Global test failed low" + chi2 + " below " + bounds +
               ": the observations agree better than their standard deviations say";
    return "Global test failed" + chi2 + " above " + bounds;
}

std::vector<std::string> AdjustmentLines(const std::string& planName,
                                         const PlanAdjustment& adjustment,
                                         const AdjustmentOptions& options,
                                         const PlanDiagnosis& diagnosis) {
    const AdjustmentResult& r = adjustment.all;
    std::vector<std::string> out;
    out.push_back("Least-squares adjustment of " + planName);
    out.push_back("Weights: distances " + fixed(options.distanceMm, 1) + " mm + " +
                  fixed(options.distancePpm, 1) + " ppm; bearings " +
                  fixed(options.bearingSeconds, 1) + "\xE2\x80\xB3 with 2 mm centring");
    const std::string iterations =
        std::to_string(r.iterations) + (r.iterations == 1 ? " iteration" : " iterations");
    out.push_back(r.converged
                      ? "Converged in " + iterations
                      : "Did not converge in " + iterations + ": the figures below are not final");
    out.push_back("Observations " + std::to_string(r.observations.size()) +
                  ", degrees of freedom " + std::to_string(r.dof));
    out.push_back("Standard error of unit weight " + fixed(r.seuw, 2));
    out.push_back(GlobalTestText(r));
    for (const AdjustmentGroup& g : r.groups)
        out.push_back("Group held at point " + PointNumberToLabel(g.held) + ": " +
                      std::to_string(g.points) + " points");
    if (!r.leftOut.empty())
        out.push_back(std::to_string(r.leftOut.size()) +
                      " lines left out: their ends are not in one group of fixed points");

    out.emplace_back();
    const bool flagged = std::any_of(r.observations.begin(), r.observations.end(),
                                     [](const ObservationResult& o) { return o.flagged; });
    out.push_back(!flagged
                      ? "No observation is flagged (|w| within " + fixed(options.flagLimit, 2) + ")"
                      : "Flagged observations (|w| beyond " + fixed(options.flagLimit, 2) + "):");
    // The worst first: one blunder drags the lines around it out too, and the line with the
    // largest w is the one to look at in the field book first.
    std::vector<const ObservationResult*> worst;
    for (const ObservationResult& o : r.observations)
        if (o.flagged)
            worst.push_back(&o);
    std::stable_sort(worst.begin(), worst.end(), [](const auto* a, const auto* b) {
        return std::fabs(a->w) > std::fabs(b->w);
    });
    // The diagnosis is quoted beside the lines the blunder search takes out or leaves
    // flagged: beside a line only dragged out by a blunder it would send the user to mend a
    // sound figure.
    auto suspect = [&adjustment](const Observation& o) {
        auto same = [&o](const Observation& other) {
            return other.line == o.line && other.kind == o.kind;
        };
        return std::any_of(adjustment.removed.begin(), adjustment.removed.end(),
                           [&](const RemovedObservation& m) { return same(m.observation); }) ||
               std::any_of(
                   adjustment.final.observations.begin(), adjustment.final.observations.end(),
                   [&](const ObservationResult& f) { return f.flagged && same(f.observation); });
    };
    for (const ObservationResult* flaggedResult : worst) {
        const ObservationResult& o = *flaggedResult;
        out.push_back("  " + EstimatedErrorText(o));
        if (!suspect(o.observation))
            continue;
        if (std::string why = TypingExplanation(o.observation, diagnosis); !why.empty())
            out.push_back("    diagnosis: " + why);
    }
    if (!adjustment.removed.empty()) {
        out.emplace_back();
        out.push_back("Blunder search, observations taken out in order:");
        int n = 0;
        for (const RemovedObservation& removed : adjustment.removed)
            out.push_back("  " + std::to_string(++n) + ". " + EstimatedErrorText(removed));
        const AdjustmentResult& f = adjustment.final;
        out.push_back("  Then: standard error of unit weight " + fixed(f.seuw, 2) + "; " +
                      GlobalTestText(f) +
                      (AdjustmentAcceptable(f) || !f.chi2Passed ? "" : "; still flagged"));
    }

    out.emplace_back();
    out.push_back("Point            East        North    sd E    sd N  ellipse a     b  bearing");
    char row[160];
    for (const AdjustedPoint& p : r.points) {
        std::snprintf(row, sizeof row, "%-8s %12.4f %12.4f %7.4f %7.4f %10.4f %6.4f %8s%s",
                      PointNumberToLabel(p.number).c_str(), p.east, p.north, p.sdEast, p.sdNorth,
                      p.ellipseMajor, p.ellipseMinor, packedText(p.ellipseBearing).c_str(),
                      p.held ? "  held" : "");
        out.emplace_back(row);
    }
    out.emplace_back();
    out.push_back("Observation                     observed   residual  redundancy      w");
    for (const ObservationResult& o : r.observations) {
        const std::string residual = isBearing(o.observation)
                                         ? fixed(o.residual, 1) + "\xE2\x80\xB3"
                                         : fixed(o.residual, 4) + " ";
        std::snprintf(row, sizeof row, "%-30s %10s %10s %10.3f %7.2f%s",
                      ObservationName(o.observation).c_str(), ObservedText(o.observation).c_str(),
                      residual.c_str(), o.redundancy, o.w, o.flagged ? "  flagged" : "");
        out.emplace_back(row);
    }
    return out;
}

std::string AdjustmentJson(const std::string& planName, const PlanAdjustment& adjustment) {
    const AdjustmentResult& r = adjustment.all;
    auto kind = [](const Observation& o) {
        return JsonString(isBearing(o) ? "bearing" : "distance");
    };
    // Residuals and errors in metres for a distance, seconds of arc for a bearing.
    auto inUnit = [](const Observation& o, double value) {
        return JsonNumber(value, isBearing(o) ? 2 : 4);
    };
    std::string j = "{\"plan\": " + JsonString(planName) +
                    ", \"converged\": " + (r.converged ? "true" : "false") +
                    ", \"iterations\": " + std::to_string(r.iterations) +
                    ", \"seuw\": " + JsonNumber(r.seuw, 3) + ", \"dof\": " + std::to_string(r.dof) +
                    ",\n \"chi2\": {\"value\": " + JsonNumber(r.chi2, 3) +
                    ", \"lower\": " + JsonNumber(r.chi2Lower, 3) +
                    ", \"upper\": " + JsonNumber(r.chi2Upper, 3) +
                    ", \"passed\": " + (r.chi2Passed ? "true" : "false") + "},\n \"groups\": [";
    for (std::size_t i = 0; i < r.groups.size(); ++i)
        j += std::string(i ? ", " : "") +
             "{\"fixed\": " + JsonString(PointNumberToLabel(r.groups[i].held)) +
             ", \"points\": " + std::to_string(r.groups[i].points) + "}";
    j += "],\n \"points\": [";
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const AdjustedPoint& p = r.points[i];
        j += std::string(i ? ",\n  " : "\n  ") +
             "{\"point\": " + JsonString(PointNumberToLabel(p.number)) +
             ", \"east\": " + JsonNumber(p.east, 4) + ", \"north\": " + JsonNumber(p.north, 4) +
             ", \"sd_east\": " + JsonNumber(p.sdEast, 4) +
             ", \"sd_north\": " + JsonNumber(p.sdNorth, 4) +
             ", \"ellipse\": {\"a\": " + JsonNumber(p.ellipseMajor, 4) +
             ", \"b\": " + JsonNumber(p.ellipseMinor, 4) +
             ", \"bearing\": " + packedText(p.ellipseBearing) + "}}";
    }
    j += "],\n \"observations\": [";
    for (std::size_t i = 0; i < r.observations.size(); ++i) {
        const ObservationResult& o = r.observations[i];
        const Observation& ob = o.observation;
        j += std::string(i ? ",\n  " : "\n  ") +
             "{\"from\": " + JsonString(PointNumberToLabel(ob.from)) +
             ", \"to\": " + JsonString(PointNumberToLabel(ob.to)) + ", \"kind\": " + kind(ob) +
             ", \"observed\": " +
             (isBearing(ob) ? packedText(ob.observed) : JsonNumber(ob.observed, 3)) +
             ", \"residual\": " + inUnit(ob, o.residual) +
             ", \"redundancy\": " + JsonNumber(o.redundancy, 3) + ", \"w\": " + JsonNumber(o.w, 2) +
             ", \"flagged\": " + (o.flagged ? "true" : "false") + "}";
    }
    j += "],\n \"removed\": [";
    for (std::size_t i = 0; i < adjustment.removed.size(); ++i) {
        const RemovedObservation& m = adjustment.removed[i];
        j += std::string(i ? ",\n  " : "\n  ") +
             "{\"from\": " + JsonString(PointNumberToLabel(m.observation.from)) +
             ", \"to\": " + JsonString(PointNumberToLabel(m.observation.to)) +
             ", \"kind\": " + kind(m.observation) + ", \"w\": " + JsonNumber(m.w, 2) +
             ", \"error\": " + inUnit(m.observation, m.error) + "}";
    }
    j += "]}\n";
    return j;
}

} // namespace corvane

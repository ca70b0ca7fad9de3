#include "core/grid/traverse_curve.h"

#include "core/base/numtext.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"

#include <cmath>

namespace corvane {

namespace {

constexpr const char* kCheckTitle = "Check curve data error";
constexpr const char* kOkTitle = "Curve Data error";

bool positiveFigure(std::string_view text) {
    return IsNumberText(text) && Val(text) > 0;
}

// A bearing box holds a bearing as it will be stored ("0.0000", a "-" figure turned round),
// checked as every bearing entry is. An empty box is allowed (the other bearing, or none,
// is given); a missing bearing is no curve bearing.
bool bearingBoxValid(std::string_view text) {
    if (text.empty())
        return true;
    auto entry = BearingEntryText(text);
    return entry && *entry != kNoData;
}

std::optional<Error> invalidBearings(const CurveFields& fields, const char* title) {
    if (!bearingBoxValid(fields.TangentBearing) || !bearingBoxValid(fields.ChordBearing))
        return Error{"Invalid bearing", title, Icon::Critical};
    return std::nullopt;
}

} // namespace

std::string CurveLengthEnter(std::string_view text) {
    if (text.empty())
        return {};
    return Format(Val(text), "0.000");
}

CurveBearingEntry CurveBearingEnter(std::string_view text) {
    CurveBearingEntry entry;
    if (text.empty())
        return entry;
    if (!bearingBoxValid(text)) {
        entry.text = std::string(text);
        entry.message = Error{"Invalid bearing", "Curve Data error", Icon::Critical};
        return entry;
    }
    entry.text = CurveBoxBearing(text);
    return entry;
}

Result<std::string> CheckCurve(const CurveFields& fields) {
    if (!positiveFigure(fields.Radius))
        return Error{"You need a radius", kCheckTitle, Icon::Exclamation};
    if (!positiveFigure(fields.Arc))
        return Error{"You need an arc length", kCheckTitle, Icon::Exclamation};
    if (auto refused = invalidBearings(fields, kCheckTitle))
        return *refused;
    const double radius = Val(fields.Radius);
    const double delta = Val(fields.Arc) / radius;
    // A bearing typed with "-" in front stands for its back bearing, as it is stored.
    const std::string tangent = CurveBoxBearing(fields.TangentBearing);
    const std::string chord = CurveBoxBearing(fields.ChordBearing);
    const double half = fields.Left ? -delta / 2 : delta / 2;

    std::string text = "Intersection angle = " + Format(RadiansToBearing(delta), "0.0000") +
                       "\nTangent Distance = " + Format(radius * std::tan(delta / 2), "0.000") +
                       "\n";
    if (chord.empty() && !tangent.empty())
        text += "Long Chord Bearing = " +
                Format(RadiansToBearing(BearingToRadians(tangent) + half), "0.0000") + "\n";
    if (tangent.empty() && !chord.empty())
        text += "Tangent Bearing = " +
                Format(RadiansToBearing(BearingToRadians(chord) - half), "0.0000") + "\n";
    text += "Long Chord Distance = " + Format(2 * radius * std::sin(delta / 2), "0.000");
    return text;
}

std::optional<Error> ValidateCurveOk(const CurveFields& fields) {
    if (!positiveFigure(fields.Radius))
        return Error{"No radius supplied", kOkTitle, Icon::Exclamation};
    if (!positiveFigure(fields.Arc))
        return Error{"No Arc Length supplied", kOkTitle, Icon::Exclamation};
    return invalidBearings(fields, kOkTitle);
}

Result<void> CurveOk(const std::string& planPath, const CurveFields& fields) {
    if (auto refused = ValidateCurveOk(fields))
        return *refused;
    CurveEntry entry;
    entry.FromPoint = fields.FromPoint;
    entry.ToPoint = fields.ToPoint;
    entry.Left = fields.Left;
    entry.TangentBearing = fields.TangentBearing;
    entry.ChordBearing = fields.ChordBearing;
    return UpdateCurveFile(planPath, entry);
}

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/grid/traverse.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The curve window's boxes as the user left them.
struct CurveFields {
    std::string FromPoint; // the point captions
    std::string ToPoint;
    std::string Radius;
    std::string Arc;
    bool Left = false;
    std::string TangentBearing;
    std::string ChordBearing;
};

// Enter in the radius or arc length box: its figure formatted "0.000" (empty stays empty).
std::string CurveLengthEnter(std::string_view text);

// Enter in a bearing box: a negative figure becomes the back bearing of its size, then
// "0.0000". A text that is no bearing keeps the box as it was and gives the message.
struct CurveBearingEntry {
    std::string text;
    std::optional<Error> message;
};
CurveBearingEntry CurveBearingEnter(std::string_view text);

// Check: the intersection angle, tangent distance, the bearing not given (from the one
// given), and the long chord distance, lines separated by line feeds; shown with the title
// "Curve Data" and the information icon. A radius or arc length that is not a figure above
// 0, or a bearing that is no bearing, gives a message instead.
Result<std::string> CheckCurve(const CurveFields& fields);

// The refusal of OK, if any: no radius, no arc length (each a figure above 0), a bearing
// box that holds no bearing.
std::optional<Error> ValidateCurveOk(const CurveFields& fields);

// OK: validates, then stores the arc in the curve file. checked (the window's chkChecked)
// is set only when the arc was stored; a refusal or a failed write leaves it clear and the
// window open, with the refusal or the write's error to show.
Result<void> CurveOk(const std::string& planPath, const CurveFields& fields);

} // namespace corvane

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Bearings are whole-circle bearings packed as DDD.MMSS (45°30'20" is 45.3020); angles inside
// the program are radians.

double Pi();

// True when the text is acceptable as a bearing entry: "No Data", an arc entry ("R" and a
// radius), or degrees 0 to 360 with minutes and seconds 0 to 59. At 360 degrees only
// 360.0000 itself is valid. Text that is not a number at all (letters, "-") is refused.
bool ValidBearing(std::string_view text);

// True when the text is a plain bearing number (no "No Data", no arc): sign aside, the check
// every bearing box of the program applies before it stores a figure.
bool IsPlainBearingText(std::string_view text);

double BearingToRadians(std::string_view text);
// Radians as a packed DDD.MMSS bearing from 0 to 360 (PackedDegrees; a full circle less
// than half a second shows as 360.0000, not 0).
double RadiansToBearing(double radians);
// Degrees, 0 or more, as a packed DDD.MMSS number: seconds rounded to the whole second (a
// half to the even second), 60 seconds carried into the minutes and 60 minutes into the
// degrees, so the "0.0000" form never shows 60 of either.
double PackedDegrees(double degrees);
double BearingFromDeltas(double dE, double dN);

// The angle of packed DDD.MMSS text (a leading "-" kept) in degrees, minutes and seconds as
// BearingToRadians reads it, to the whole second: "0.03" is 0°03'00", "-1.3020" -1°30'20".
// The degree sign is the Latin-1 byte of the program's texts.
std::string AngleText(std::string_view packed);

// The back bearing of a packed bearing, formatted "0.0000".
std::string ReverseBearing(double bearing);
// The back bearing as a number: plus 180, less 360 only when the sum exceeds 360 (so a back
// bearing of exactly 360 stays 360, the same direction as 0).
double BackBearingValue(double bearing);

// A distance typed as a sum of parts ("10.5+2.25-1"), formatted "0.000". Empty when a part
// has too many digits for a number.
std::string SumDistanceText(std::string_view text);
// True when the text is a sum of numbers as SumDistanceText reads it and nothing else:
// numbers (digits and at most one point) joined by "+" and "-", the first of them perhaps
// signed, blanks anywhere between. "12m", "abc", "1..2" and "5+" are not.
bool IsDistanceSum(std::string_view text);

// The same sum unrounded (its size, as SumDistanceText takes it); nullopt when a part has too
// many digits for a number.
std::optional<double> SumDistance(std::string_view text);

// Bearing cell texts.
inline constexpr const char* kNoData = "No Data";
std::string BearingText(double bearing);   // "0.0000"
std::string DistanceText(double distance); // "0.000"

} // namespace corvane

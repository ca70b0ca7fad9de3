#pragma once

// The parts of the misclosure diagnosis that its trials, its ranking and the whole plan's
// diagnosis share.

#include "core/files/curves.h"
#include "core/geometry/closure.h"
#include "core/grid/gridclosure.h"
#include "core/model/gridrow.h"
#include "core/reports/diagnosis.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::diagnosis {

inline constexpr const char* kDash = "\xE2\x80\x93"; // en dash, UTF-8

// The kinds of correction in the order they rank when they close equally well.
inline constexpr const char* kKindOrder[] = {kDigitSlip, kTransposition, kMinutesSecondsSwap,
                                             kTenfold,   kDoubledDigit,  kDroppedDigit,
                                             kReversal,  kWrongTurn,     kClosingLineFit};

// A traverse's closure as a parcel is judged by it.
struct Closure {
    bool missing = true;
    double east = 0, north = 0, length = 0;
    double misclosure = 0, allowable = 0;
    bool acceptable() const { return !missing && misclosure <= allowable; }
};

Closure closeRows(const GridRows& rows, const CurveSource& curves, const std::string& cls);

// The plan's arcs as the curve table gives them.
CurveSource tableSource(const CurveTable& curves);

std::string otherTurn(const std::string& turn);

// The plan's arcs with one curve record's turn flipped: the record alone in a table of its
// own, every other arc from the plan's table.
struct FlippedTurn {
    std::uint64_t pair = 0;
    CurveTable table;
};

// nullptr when no curve record joins the points.
std::unique_ptr<FlippedTurn> flipTurn(const CurveTable& curves, std::int32_t from, std::int32_t to);

CurveSource flippedSource(const CurveTable& curves, const FlippedTurn& flipped);

// One leg's share of a traverse's sums: the closure of the grid of that row alone.
struct LegSums {
    bool missing = true;
    double east = 0, north = 0, length = 0;
};

// A bearing booked as a number that is no bearing: minutes or seconds of 60 or more, or more
// than 360 degrees (267.8121 for 267.1821). The traverse reads it as it stands; the cell is
// itself a slip in the booking, the likeliest mistake of its parcel.
bool misbookedBearing(const std::string& cell);

// "left" or "right".
std::string turnName(const std::string& turn);

// The misclosure the rounding of the booked figures alone leaves (three standard deviations
// of it): candidates leaving less than this are taken as closing equally well.
double roundingFloor(const std::vector<LegSums>& legs);

// Whether the closing line's figure changes the booked one by more than a mismeasurement
// could: a bearing turned through more than a degree, a distance changed by more than such a
// turn moves the end of the leg.
bool beyondMismeasurement(int column, const std::string& entered, const std::string& proposed);

bool isClosingLineFit(std::string_view kind);

// What a parcel's candidates are measured against: the misclosure the rounding of its booked
// figures alone leaves, and the misclosure a sound survey of it may honestly leave (a quarter
// of its allowable misclosure, never less than the rounding). The closing line's figure takes
// up that honest misclosure along with the mistake, so it is credited with leaving no less.
struct Tolerance {
    double rounding = 0;
    double honest = 0;
    double key(std::string_view kind, double remaining) const {
        return std::max(remaining, isClosingLineFit(kind) ? honest : rounding);
    }
};

// Orders a parcel's candidates: by the misclosure they leave (to within the tolerance), by
// kind, then by the misclosure itself; a closing line's figure beyond a mismeasurement last,
// the corrections of a bearing booked as no bearing first.
void rank(std::vector<Correction>& list, const Tolerance& tolerance);

struct ParcelResult {
    Closure closure;
    Tolerance tolerance;
    std::vector<Correction> candidates;
};

// A parcel's closure and its candidate corrections, best first, at most limit.
ParcelResult diagnoseParcel(const GridRows& rows, const CurveTable& curves, const std::string& cls,
                            std::size_t limit);

} // namespace corvane::diagnosis

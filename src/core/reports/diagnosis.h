#pragma once

#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/model/gridrow.h"
#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Misclosure diagnosis: when a parcel's traverse does not close, the single figure whose
// correction would close it. Each candidate is tried by closing the traverse again with the
// one cell changed; nothing is ever written back.
//
// The kinds of correction. A typing explanation is a figure that one slip in the booking turns
// into the figure booked; in the order they are ranked when they close equally well: a digit
// one out (the commonest booking mistake), two digits swapped, minutes and seconds swapped, the
// decimal point one place out (ten times), a digit doubled (400.324 for 40.324), a digit
// dropped (4.324 for 40.324), a bearing booked from the wrong end, an arc given the wrong
// turn. The closing line's own figure (the leg less the misclosure vector) explains a
// mismeasurement, but it fits any leg the misclosure happens to run along or across, and it
// takes up the parcel's honest misclosure with the mistake, so it always seems to close a
// little better than the true correction.
//
// The ranking. Candidates are compared by the misclosure they leave, taken as equal while
// within what the rounding of the booked figures alone leaves; those leaving the same go by
// kind in the order above, and then by the misclosure they leave. The closing line's figure
// is credited with leaving no less than a sound survey honestly leaves (a quarter of the
// allowable misclosure), so a typing explanation that closes the parcel to that ranks above
// every closing line's figure, while one that leaves more ranks by what it leaves (a slip that
// only half explains a mismeasured side does not hide the side's own figure). Each leg is
// offered once, with its best explanation, whichever of its bearing, distance or turn that
// corrects. A bearing booked as a number that is no bearing (minutes or seconds of 60 or
// more, more than 360 degrees) is itself a slip: its corrections come first, the
// transposition that makes a bearing of it before the other kinds. Last of all come the
// closing line's figures that no mismeasurement explains either: a bearing turned through
// more than a degree, a distance changed by more than such a turn moves the end of the leg
// (a 57th of its length).
inline constexpr const char* kDigitSlip = "single digit";
inline constexpr const char* kTransposition = "transposed digits";
inline constexpr const char* kMinutesSecondsSwap = "minutes and seconds swapped";
inline constexpr const char* kTenfold = "ten times";
inline constexpr const char* kDoubledDigit = "doubled digit";
inline constexpr const char* kDroppedDigit = "dropped digit";
inline constexpr const char* kReversal = "reversed bearing";
inline constexpr const char* kWrongTurn = "wrong turn";
inline constexpr const char* kClosingLineFit = "closing line";

// The place of a kind in that order (0 first); an unknown kind comes after all.
int CorrectionKindRank(std::string_view kind);

// One candidate correction of a traverse grid.
struct Correction {
    int row = 0;              // 1-based data row of the grid; 0 for a stored line of the plan
    int column = ColDistance; // ColBearing or ColDistance; -1 for an arc's turn
    std::string entered;      // the cell as it stands ("L"/"R" for a turn)
    std::string proposed;     // what the cell would hold ("L"/"R" for a turn)
    std::string kind;         // one of the kinds above
    double remaining = 0.0;   // the misclosure left after the correction, metres
    std::string text;         // UTF-8: "distance of 12–13 probably 36.024 (entered 36.204)"
    // Filled by DiagnosePlan: the parcels that close now and would not once the stored line
    // is changed so (in every parcel that walks it).
    std::vector<std::string> breaks;
};

// The candidate corrections of a traverse (grid data rows, arcs from the curve table) that
// bring its misclosure within the allowable misclosure of the accuracy class, best first, at
// most `limit`. For each leg: one digit of the bearing (degrees, minutes, seconds) or of the
// distance one unit out, two adjacent digits (or two either side of a third) transposed,
// minutes and seconds swapped, the distance ten times too large or small, a doubled digit
// taken out, a digit dropped from the whole metres or degrees put back, the bearing
// reversed, an arc's turn flipped, and the bearing or the distance the closing line asks for
// (the leg less the misclosure vector, when that runs along or across the leg). Ranked as
// above, one candidate a leg. A traverse that closes within the allowance, or that lacks a
// figure, has nothing to diagnose and gets none.
std::vector<Correction> DiagnoseRows(const GridRows& rows, const CurveTable& curves,
                                     const std::string& accuracyClass, std::size_t limit = 10);

// A correction of one stored line that closes every failing parcel walking it (at least two)
// and puts no closing parcel out of closure. Ranked as a parcel's candidates are (the
// closing line's figures beyond a mismeasurement last, a bearing stored as no bearing put
// right first), then by the number of parcels closed and by the largest misclosure left in
// them; each line is named once, with its best explanation.
struct PlanFinding {
    std::int32_t from = 0; // the line's points as stored
    std::int32_t to = 0;
    std::size_t line = 0; // its index in PlanLines
    // row 0; entered and proposed as the line is stored (a bearing in its stored direction,
    // a turn as travelled from → to); text "line 12–13 distance probably 36.024 (entered
    // 36.204): closes AL3 and AL4"; remaining the largest misclosure left in those parcels.
    Correction fix;
    std::vector<std::string> closes; // the parcels it closes, in file order
};

// One failing parcel (a polygons file heading whose misclosure is not acceptable) and its
// own candidates: those that would break a closing parcel sharing the line come after the
// others.
struct ParcelDiagnosis {
    std::string identifier;
    double misclosure = 0.0;
    double allowable = 0.0;
    std::vector<Correction> candidates;
};

struct PlanDiagnosis {
    std::vector<PlanFinding> findings;    // best first
    std::vector<ParcelDiagnosis> parcels; // every failing parcel, in file order
};

// The diagnosis of every parcel of a polygons file (its text lines) that does not close,
// parcels judged as the closure summary judges them; the parcels are indexed by the lines
// they walk once, so a correction is tried only on the parcels that walk its line.
PlanDiagnosis DiagnosePlan(const std::vector<LineRecord>& lines,
                           const std::vector<std::string>& polygonLines, const CurveTable& curves,
                           const std::string& accuracyClass, std::size_t limit = 10);

// The same over the open plan (PlanLines loaded): reads its polygons file. A missing polygons
// file gives "No polygons file found"; a file that cannot be read gives the reason. Error
// title "Diagnosis error".
Result<PlanDiagnosis> DiagnosePlan(const PlanState& plan, const CurveTable& curves,
                                   const std::string& accuracyClass, std::size_t limit = 10);

// The diagnosis as the command line prints it, UTF-8: the corrections of stored lines, then
// each failing parcel under its own heading.
std::vector<std::string> DiagnosisLines(const PlanDiagnosis& diagnosis);

} // namespace corvane

#include "core/reports/diagnosis.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/closure.h"
#include "core/grid/traversegrid.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace corvane {

namespace {

constexpr const char* kDash = "\xE2\x80\x93"; // en dash, UTF-8
constexpr const char* kTitle = "Diagnosis error";
constexpr std::size_t kNoLine = std::numeric_limits<std::size_t>::max();

// Figures are booked to the millimetre and the second.
constexpr double kDistanceStep = 0.001;
double bearingStep() {
    return Pi() / 648000;
}

const char* const kKindOrder[] = {kDigitSlip, kTransposition, kMinutesSecondsSwap,
                                  kTenfold,   kDoubledDigit,  kDroppedDigit,
                                  kReversal,  kWrongTurn,     kClosingLineFit};

// A traverse's closure as a parcel is judged by it.
struct Closure {
    bool missing = true;
    double east = 0, north = 0, length = 0;
    double misclosure = 0, allowable = 0;
    bool acceptable() const { return !missing && misclosure <= allowable; }
};

Closure closeRows(const GridRows& rows, const CurveSource& curves, const std::string& cls) {
    Closure c;
    // A heading without a line under it has nothing that could close.
    if (rows.empty())
        return c;
    const ClosureResult r = GridClosure(rows, true, curves);
    if (r.MissingData)
        return c;
    c.missing = false;
    c.east = r.SumEast;
    c.north = r.SumNorth;
    c.length = r.TotalLength;
    c.misclosure = ClosingDistance(r.SumEast, r.SumNorth);
    c.allowable = AllowableMisclosure(r.TotalLength, cls);
    return c;
}

CurveSource tableSource(const CurveTable& curves) {
    return [&curves](std::int32_t from, std::int32_t to, std::string_view bearing,
                     std::string_view distance) {
        return LoadCurve(from, to, bearing, distance, curves);
    };
}

std::string otherTurn(const std::string& turn) {
    return turn == "L" ? "R" : "L";
}

// The plan's arcs with one curve record's turn flipped: the record alone in a table of its
// own, every other arc from the plan's table.
struct FlippedTurn {
    std::uint64_t pair = 0;
    CurveTable table;
};

std::unique_ptr<FlippedTurn> flipTurn(const CurveTable& curves, std::int32_t from,
                                      std::int32_t to) {
    auto match = curves.Find(from, to);
    if (!match)
        return nullptr;
    CurveRecord record = *match->Record;
    record.Direction = otherTurn(record.Direction);
    auto flipped = std::make_unique<FlippedTurn>();
    flipped->pair = PointPairKey(from, to);
    flipped->table = CurveTable({record});
    return flipped;
}

CurveSource flippedSource(const CurveTable& curves, const FlippedTurn& flipped) {
    return [&curves, &flipped](std::int32_t from, std::int32_t to, std::string_view bearing,
                               std::string_view distance) {
        return LoadCurve(from, to, bearing, distance,
                         PointPairKey(from, to) == flipped.pair ? flipped.table : curves);
    };
}

// One leg's share of a traverse's sums: the closure of the grid of that row alone.
struct LegSums {
    bool missing = true;
    double east = 0, north = 0, length = 0;
};

class LegCloser {
  public:
    LegSums operator()(const GridRow& row, const CurveSource& curves) {
        one_[0] = row;
        const ClosureResult r = GridClosure(one_, false, curves);
        LegSums s;
        s.missing = r.MissingData;
        s.east = r.SumEast;
        s.north = r.SumNorth;
        s.length = std::hypot(r.SumEast, r.SumNorth); // one leg: its own length (the chord)
        return s;
    }

  private:
    GridRows one_ = GridRows(1);
};

bool isPlainBearing(const std::string& cell) {
    return IsNumberText(cell) && ValidBearing(cell);
}

// A bearing booked as a number that is no bearing: minutes or seconds of 60 or more, or more
// than 360 degrees (267.8121 for 267.1821). The traverse reads it as it stands; the cell is
// itself a slip in the booking, the likeliest mistake of its parcel.
bool misbookedBearing(const std::string& cell) {
    if (!IsNumberText(cell) || ValidBearing(cell))
        return false;
    const double value = Val(cell);
    return value >= 0 && value < 1000;
}

bool isDistance(const std::string& cell) {
    return IsNumberText(cell) && Val(cell) > 0;
}

bool isArc(const GridRow& row) {
    return !row[ColBearing].empty() && row[ColBearing].front() == 'R';
}

// A figure tried in place of one cell.
struct Trial {
    int column = ColDistance; // -1: the arc's turn
    std::string proposed;
    const char* kind = kDigitSlip;
    double value = 0; // the proposed distance in metres, or bearing in radians
};

// A straight leg with one figure tried in place: the booked leg (of the booked distance)
// stretched to the new distance or swung to the new bearing, as closing a grid of it would
// give.
LegSums straightLeg(double distance, const LegSums& booked, const Trial& trial) {
    LegSums leg;
    leg.missing = false;
    if (trial.column == ColDistance) {
        const double scale = trial.value / distance;
        leg.east = booked.east * scale;
        leg.north = booked.north * scale;
        leg.length = booked.length * scale;
    } else {
        leg.east = distance * std::sin(trial.value);
        leg.north = distance * std::cos(trial.value);
        leg.length = distance;
    }
    return leg;
}

// Whether text made from a booked figure is already as the grid shows such a figure: digits
// with no nought ahead of them, the point, `decimals` places. Most trials are; they are read
// from their digits rather than formatted and read again.
bool bookedShape(const std::string& text, std::size_t decimals) {
    const std::size_t p = text.find('.');
    if (p == std::string::npos || p == 0 || text.size() != p + 1 + decimals ||
        (p > 1 && text[0] == '0'))
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != p && (text[i] < '0' || text[i] > '9'))
            return false;
    return true;
}

int digitsValue(const std::string& text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

class TrialList {
  public:
    explicit TrialList(std::vector<Trial>& out) : out_(out) {}

    void bearing(const std::string& text, const char* kind, const std::string& entered) {
        if (bookedShape(text, 4)) {
            const std::size_t p = text.find('.');
            const int degrees = digitsValue(text, 0, p);
            const int minutes = digitsValue(text, p + 1, 2);
            const int seconds = digitsValue(text, p + 3, 2);
            if (minutes > 59 || seconds > 59 || degrees > 360 ||
                (degrees == 360 && minutes + seconds > 0) || text == entered)
                return;
            // Read as BearingToRadians reads it.
            const double angle = degrees + (minutes + 1e-9) / 60.0 + (seconds + 1e-9) / 3600.0;
            out_.push_back({ColBearing, text, kind, Pi() * angle / 180.0});
            return;
        }
        if (!isPlainBearing(text))
            return;
        std::string proposed = BearingText(Val(text));
        if (proposed != entered) {
            const double radians = BearingToRadians(proposed);
            out_.push_back({ColBearing, std::move(proposed), kind, radians});
        }
    }
    void distance(double value, const char* kind, const std::string& entered) {
        if (!(value > 0) || value > kMaxDistance)
            return;
        std::string proposed = DistanceText(value);
        const double booked = Val(proposed);
        if (booked > 0 && proposed != entered)
            out_.push_back({ColDistance, std::move(proposed), kind, booked});
    }
    void distance(const std::string& text, const char* kind, const std::string& entered) {
        if (bookedShape(text, 3)) {
            const double value = Val(text);
            if (value > 0 && value <= kMaxDistance && text != entered)
                out_.push_back({ColDistance, text, kind, value});
        } else if (IsNumberText(text)) {
            distance(Val(text), kind, entered);
        }
    }

  private:
    std::vector<Trial>& out_;
};

// The digits of a figure ("45.3020": "453020"), the decimal point after `point` of them.
struct Digits {
    std::string digits;
    std::size_t point = 0;
    std::string text() const { return digits.substr(0, point) + "." + digits.substr(point); }
};

Digits digitsOf(const std::string& canonical) {
    Digits d;
    d.point = canonical.find('.');
    d.digits = canonical.substr(0, d.point) + canonical.substr(d.point + 1);
    return d;
}

// A nought ahead of the whole metres or degrees is no digit of the figure: a slip that puts one
// there is not a slip of the figure.
bool leadingNought(const Digits& d) {
    return d.point > 1 && d.digits.front() == '0';
}

// Each digit one unit out, and each pair of neighbouring digits (across the point too, as
// they are typed one after the other) swapped, or two digits either side of a third
// (25.005 for 25.500).
template <typename Add> void digitSlips(const std::string& canonical, Add add) {
    const Digits d = digitsOf(canonical);
    for (std::size_t i = 0; i < d.digits.size(); ++i)
        for (int step : {-1, 1}) {
            const int digit = d.digits[i] - '0' + step;
            if (digit < 0 || digit > 9)
                continue;
            Digits slip = d;
            slip.digits[i] = static_cast<char>('0' + digit);
            if (!leadingNought(slip))
                add(slip.text(), kDigitSlip);
        }
    for (std::size_t apart : {1, 2})
        for (std::size_t i = 0; i + apart < d.digits.size(); ++i) {
            if (d.digits[i] == d.digits[i + apart])
                continue;
            Digits swapped = d;
            std::swap(swapped.digits[i], swapped.digits[i + apart]);
            if (!leadingNought(swapped))
                add(swapped.text(), kTransposition);
        }
}

// A digit typed twice: each pair of equal neighbouring digits made one. Decimals are booked to
// their full width, so one taken out of them leaves a 0 at the end. A pair either side of the
// point may have been doubled on either side.
template <typename Add> void doubledDigits(const std::string& canonical, Add add) {
    const Digits d = digitsOf(canonical);
    auto without = [&](std::size_t at) {
        if (at < d.point && d.point == 1)
            return; // the one whole digit: taking it out leaves no metres or degrees to book
        Digits fewer = d;
        fewer.digits.erase(at, 1);
        if (at < d.point)
            --fewer.point;
        else
            fewer.digits += '0';
        add(fewer.text(), kDoubledDigit);
    };
    for (std::size_t i = 0; i + 1 < d.digits.size(); ++i) {
        if (d.digits[i] != d.digits[i + 1])
            continue;
        without(i);
        if (i + 1 == d.point)
            without(i + 1);
    }
}

// A digit of the whole metres or degrees left out (4.324 for 40.324): every digit put back
// in every place there. Decimals are booked to their full width, so one left out of them
// would not show as a figure of fewer places; it is not looked for.
template <typename Add> void droppedDigits(const std::string& canonical, Add add) {
    const Digits d = digitsOf(canonical);
    for (std::size_t at = 0; at <= d.point; ++at)
        for (char digit = '0'; digit <= '9'; ++digit) {
            // Next to the same digit: the same figure as putting it back one place earlier.
            if (at > 0 && d.digits[at - 1] == digit)
                continue;
            Digits more = d;
            more.digits.insert(at, 1, digit);
            ++more.point;
            if (!leadingNought(more))
                add(more.text(), kDroppedDigit);
        }
}

// Whether packed text may be a bearing at all, to its digits: at most three of degrees, tens
// of minutes and of seconds below 6. The full check follows for the figures that pass.
bool mayBeBearing(const std::string& text) {
    const std::size_t p = text.find('.');
    return p != std::string::npos && p <= 3 && (p < 3 || text.compare(0, 3, "360") <= 0) &&
           (p + 1 >= text.size() || text[p + 1] < '6') &&
           (p + 3 >= text.size() || text[p + 3] < '6');
}

void bearingTrials(const std::string& canonical, TrialList& trials) {
    auto add = [&](const std::string& text, const char* kind) {
        if (mayBeBearing(text))
            trials.bearing(text, kind, canonical);
    };
    digitSlips(canonical, add);
    const std::size_t p = canonical.find('.');
    add(canonical.substr(0, p + 1) + canonical.substr(p + 3, 2) + canonical.substr(p + 1, 2),
        kMinutesSecondsSwap);
    doubledDigits(canonical, add);
    droppedDigits(canonical, add);
    add(ReverseBearing(Val(canonical)), kReversal);
}

void distanceTrials(const std::string& canonical, TrialList& trials) {
    auto add = [&](const std::string& text, const char* kind) {
        trials.distance(text, kind, canonical);
    };
    digitSlips(canonical, add);
    const double d = Val(canonical);
    trials.distance(d * 10, kTenfold, canonical);
    trials.distance(d / 10, kTenfold, canonical);
    doubledDigits(canonical, add);
    droppedDigits(canonical, add);
}

// The leg that would close the traverse is the booked leg less the misclosure vector. Kept
// at its booked bearing, the distance is the component along the leg, and it closes when the
// misclosure runs along the leg; kept at its booked length, the bearing is the closing leg's
// direction, and it closes when the misclosure runs across the leg. Whether either closes is
// judged like every other trial, by the closure it leaves.
void closingLineTrials(const GridRow& row, const LegSums& leg, const Closure& base,
                       const std::string& bearing, const std::string& distance, TrialList& trials) {
    if (!(leg.length > 0))
        return;
    const double te = leg.east - base.east;
    const double tn = leg.north - base.north;
    const double along = (te * leg.east + tn * leg.north) / leg.length;
    if (isArc(row)) {
        // The chord the closing line asks for, back to the arc length of the booked radius
        // (on the same side of a half circle as the booked arc).
        const double radius = ArcRadius(row[ColBearing]);
        if (!(radius > 0) || !(along > 0) || along >= 2 * radius)
            return;
        const double half = std::asin(along / (2 * radius));
        const double arc =
            Val(distance) > Pi() * radius ? 2 * radius * (Pi() - half) : 2 * radius * half;
        trials.distance(arc, kClosingLineFit, distance);
        return;
    }
    trials.distance(along, kClosingLineFit, distance);
    if (te == 0 && tn == 0)
        return;
    double direction = RadiansToBearing(BearingFromDeltas(te, tn));
    if (direction >= 360)
        direction -= 360; // a second short of north rounds up to north itself
    trials.bearing(BearingText(direction), kClosingLineFit, bearing);
}

std::string legName(const GridRow& row) {
    return Latin1ToUtf8(row[ColFrom]) + kDash + Latin1ToUtf8(row[ColTo]);
}

std::string turnName(const std::string& turn) {
    return turn == "L" ? "left" : "right";
}

std::string correctionText(const GridRow& row, const Correction& c) {
    if (c.column == -1)
        return "turn of " + legName(row) + " probably " + turnName(c.proposed) + " (entered " +
               turnName(c.entered) + ")";
    const std::string what = c.column == ColBearing ? "bearing"
                             : isArc(row)           ? "arc length"
                                                    : "distance";
    return what + " of " + legName(row) + " probably " + c.proposed + " (entered " + c.entered +
           ")";
}

// The misclosure the rounding of the booked figures alone leaves (three standard deviations
// of it): candidates leaving less than this are taken as closing equally well.
double roundingFloor(const std::vector<LegSums>& legs) {
    const double b = bearingStep();
    double variance = 0;
    for (const LegSums& leg : legs)
        variance += (kDistanceStep * kDistanceStep + leg.length * b * leg.length * b) / 12.0;
    return 3 * std::sqrt(variance);
}

// Whether the closing line's figure changes the booked one by more than a mismeasurement
// could: a bearing turned through more than a degree, a distance changed by more than such a
// turn moves the end of the leg.
bool beyondMismeasurement(int column, const std::string& entered, const std::string& proposed) {
    const double degree = Pi() / 180;
    if (column == ColBearing) {
        const double turn =
            std::fmod(std::fabs(BearingToRadians(proposed) - BearingToRadians(entered)), 2 * Pi());
        return std::min(turn, 2 * Pi() - turn) > degree;
    }
    return column == ColDistance && std::fabs(Val(proposed) - Val(entered)) > Val(entered) * degree;
}

bool isClosingLineFit(std::string_view kind) {
    return kind == kClosingLineFit;
}

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

// The misclosure a candidate leaves, to within the tolerance; candidates leaving the same go by
// kind, and then by the misclosure they leave. A closing line's figure beyond a mismeasurement
// comes after all; the corrections of a bearing booked as no bearing come before the rest.
struct Ranked {
    bool beyond;
    bool wellBooked;
    double key;
    int kind;
    double remaining;
    int row;
    int column;
    const std::string* proposed;
    bool operator<(const Ranked& o) const {
        return std::tie(beyond, wellBooked, key, kind, remaining, row, column, *proposed) <
               std::tie(o.beyond, o.wellBooked, o.key, o.kind, o.remaining, o.row, o.column,
                        *o.proposed);
    }
};

// Minutes or seconds of 60 or more are most often two digits swapped (81 for 18): for such a
// bearing the transposition that makes a bearing of it comes first.
int misbookedKindRank(std::string_view kind, bool misbooked) {
    return misbooked && kind == kTransposition ? -1 : CorrectionKindRank(kind);
}

void rank(std::vector<Correction>& list, const Tolerance& tolerance) {
    std::vector<std::pair<Ranked, std::size_t>> order;
    order.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Correction& c = list[i];
        const bool beyond =
            isClosingLineFit(c.kind) && beyondMismeasurement(c.column, c.entered, c.proposed);
        // Only a typing correction of a bearing booked as no bearing comes first: the closing
        // line's figure for it explains no booking and may turn a sound line.
        const bool misbooked =
            c.column == ColBearing && misbookedBearing(c.entered) && !isClosingLineFit(c.kind);
        order.push_back(
            {{beyond, !misbooked, tolerance.key(c.kind, c.remaining),
              misbookedKindRank(c.kind, misbooked), c.remaining, c.row, c.column, &c.proposed},
             i});
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Correction> sorted;
    sorted.reserve(list.size());
    for (const auto& [key, i] : order)
        sorted.push_back(std::move(list[i]));
    list = std::move(sorted);
}

struct ParcelResult {
    Closure closure;
    Tolerance tolerance;
    std::vector<Correction> candidates;
};

ParcelResult diagnoseParcel(const GridRows& rows, const CurveTable& curves, const std::string& cls,
                            std::size_t limit) {
    ParcelResult result;
    const CurveSource source = tableSource(curves);
    result.closure = closeRows(rows, source, cls);
    const Closure& base = result.closure;
    if (base.missing || base.acceptable() || limit == 0)
        return result;

    LegCloser closeLeg;
    std::vector<LegSums> legs;
    legs.reserve(rows.size());
    for (const GridRow& row : rows)
        legs.push_back(closeLeg(row, source));
    result.tolerance.rounding = roundingFloor(legs);
    result.tolerance.honest = std::max(result.tolerance.rounding, base.allowable / 4);

    // Every trial is first closed with only its own leg recomputed (the other legs' sums do
    // not change); those that close are then confirmed by closing the whole grid again.
    std::vector<std::unique_ptr<FlippedTurn>> turns(rows.size());
    std::vector<Correction> found;
    std::vector<Trial> trials;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const GridRow& row = rows[i];
        trials.clear();
        TrialList list(trials);
        const std::string bearing =
            isPlainBearing(row[ColBearing]) || misbookedBearing(row[ColBearing])
                ? BearingText(Val(row[ColBearing]))
                : std::string();
        const std::string distance =
            isDistance(row[ColDistance]) ? DistanceText(Val(row[ColDistance])) : std::string();
        if (!bearing.empty())
            bearingTrials(bearing, list);
        if (!distance.empty() && (!bearing.empty() || isArc(row))) {
            distanceTrials(distance, list);
            closingLineTrials(row, legs[i], base, bearing, distance, list);
        }
        const std::int32_t from = PointLabelToNumber(row[ColFrom]);
        const std::int32_t to = PointLabelToNumber(row[ColTo]);
        const double distanceRead = Val(row[ColDistance]);
        if (isArc(row) && (turns[i] = flipTurn(curves, from, to)))
            trials.push_back({-1, CurveDirection(from, to, turns[i]->table), kWrongTurn});

        for (const Trial& trial : trials) {
            LegSums leg;
            if (trial.column == -1) {
                leg = closeLeg(row, flippedSource(curves, *turns[i]));
            } else if (!isArc(row)) {
                leg = straightLeg(distanceRead, legs[i], trial);
            } else {
                GridRow changed = row;
                changed[static_cast<std::size_t>(trial.column)] = trial.proposed;
                leg = closeLeg(changed, source);
            }
            if (leg.missing)
                continue;
            const double east = base.east - legs[i].east + leg.east;
            const double north = base.north - legs[i].north + leg.north;
            const double length = base.length - legs[i].length + leg.length;
            const double remaining = ClosingDistance(east, north);
            // A little slack: the confirmation decides exactly.
            if (remaining > AllowableMisclosure(length, cls) + 1e-9)
                continue;
            Correction c;
            c.row = static_cast<int>(i) + 1;
            c.column = trial.column;
            c.entered = trial.column == -1 ? CurveDirection(from, to, curves)
                                           : row[static_cast<std::size_t>(trial.column)];
            c.proposed = trial.proposed;
            c.kind = trial.kind;
            c.remaining = remaining;
            found.push_back(std::move(c));
        }
    }

    rank(found, result.tolerance);

    // Each leg is offered once, with its best explanation, the first in rank that closes the
    // parcel: a second figure for the same leg would only say again, less surely, which line
    // is wrong. A typing explanation comes before the closing line's figure when it leaves no
    // more than a sound survey does; one leaving more has the rank of what it leaves, so a
    // mismeasurement is not hidden behind a slip that only half explains it.
    GridRows work = rows;
    std::set<int> offeredRows;
    for (Correction& c : found) {
        if (result.candidates.size() >= limit)
            break;
        if (offeredRows.count(c.row) > 0)
            continue;
        const std::size_t i = static_cast<std::size_t>(c.row - 1);
        Closure after;
        if (c.column == -1) {
            after = closeRows(work, flippedSource(curves, *turns[i]), cls);
        } else {
            std::string& cell = work[i][static_cast<std::size_t>(c.column)];
            std::string kept = cell;
            cell = c.proposed;
            after = closeRows(work, source, cls);
            cell = std::move(kept);
        }
        if (!after.acceptable())
            continue;
        offeredRows.insert(c.row);
        c.remaining = after.misclosure;
        c.text = correctionText(rows[i], c);
        result.candidates.push_back(std::move(c));
    }
    rank(result.candidates, result.tolerance);
    return result;
}

// ---- The whole plan ----

// One heading of the polygons file with its traverse, as the traverse grid would hold it.
struct PlanParcel {
    std::string identifier;
    GridRows rows;
    std::vector<std::pair<std::int32_t, std::int32_t>> ends; // of each row
    std::vector<std::size_t> lineOf;                         // PlanLines index of each row
    Closure closure;
    ParcelResult diagnosis;
    bool failing() const { return !closure.missing && !closure.acceptable(); }
};

// Fills a row's bearing and distance from one stored line as the traverse grid does (the back
// bearing for a line stored the other way round).
class RowFiller {
  public:
    RowFiller() {
        scratch_.PlanLines.resize(1);
        scratch_.chkArray = true;
    }
    void operator()(GridRow& row, const LineRecord& line, std::int32_t from, std::int32_t to) {
        scratch_.PlanLines[0] = line;
        one_[0] = row;
        if (FillLineRow(scratch_, one_, 0, from, to, true)) {
            row[ColBearing] = one_[0][ColBearing];
            row[ColDistance] = one_[0][ColDistance];
        } else {
            row[ColBearing] = kNoData;
            row[ColDistance] = kNoData;
        }
    }

  private:
    PlanState scratch_;
    GridRows one_ = GridRows(1);
};

std::vector<PlanParcel> readParcels(const std::vector<LineRecord>& lines,
                                    const std::vector<std::string>& polygonLines) {
    // The line of a pair is the first stored entry joining the points, as the closure summary
    // takes it: a dropped one leaves the parcel with missing data.
    const LinePairIndex index(lines);
    RowFiller fill;
    std::vector<PlanParcel> parcels;
    // Points before the first heading belong to no parcel.
    for (const PolygonParcel& parcel : PolygonsFromLines(polygonLines).Parcels) {
        parcels.emplace_back();
        parcels.back().identifier = parcel.Identifier;
        std::int32_t previous = 0;
        int points = 0;
        for (const std::string& text : parcel.Lines) {
            PlanParcel& p = parcels.back();
            const std::int32_t current = PointLabelToNumber(text);
            if (++points > 1) {
                GridRow row;
                row[ColFrom] = PointNumberToLabel(previous);
                row[ColTo] = PointNumberToLabel(current);
                auto found = index.Find(previous, current);
                std::size_t line = kNoLine;
                if (found && *found < lines.size() && lines[*found].Distance > 0) {
                    line = *found;
                    row[ColLink] = std::to_string(line);
                    fill(row, lines[line], previous, current);
                } else {
                    row[ColBearing] = kNoData;
                    row[ColDistance] = kNoData;
                }
                p.rows.push_back(std::move(row));
                p.ends.emplace_back(previous, current);
                p.lineOf.push_back(line);
            }
            previous = current;
        }
    }
    return parcels;
}

// A correction of a stored line: the new distance or bearing (in the stored direction), or
// the arc's turn flipped.
struct LineChange {
    std::size_t line = 0;
    int column = ColDistance;
    std::string stored; // "L"/"R" for a turn, as travelled along the stored line
    bool operator<(const LineChange& o) const {
        return std::tie(line, column, stored) < std::tie(o.line, o.column, o.stored);
    }
};

struct ChangeOutcome {
    std::vector<std::size_t> closes; // failing parcels it closes, in file order
    std::vector<std::size_t> breaks; // closing parcels it puts out of closure
    std::size_t failing = 0;         // failing parcels walking the line
    double worstKey = 0;             // the largest misclosure left (above rounding) in those
    double worstFitKey = 0;          // the same, taken as a closing line's figure
    double worstRemaining = 0;
    // Filled from the candidates asking for it: their best kind, and whether it is a closing
    // line's figure beyond a mismeasurement.
    int kind = 0;
    bool beyond = false;
    bool typed() const { return !isClosingLineFit(kKindOrder[kind]); }
    double key() const { return typed() ? worstKey : worstFitKey; }
};

class PlanDiagnoser {
  public:
    PlanDiagnoser(const std::vector<LineRecord>& lines, std::vector<PlanParcel>& parcels,
                  const CurveTable& curves, const std::string& cls)
        : lines_(lines), parcels_(parcels), curves_(curves), cls_(cls),
          source_(tableSource(curves)) {
        for (std::size_t q = 0; q < parcels_.size(); ++q)
            for (std::size_t s = 0; s < parcels_[q].lineOf.size(); ++s)
                if (parcels_[q].lineOf[s] != kNoLine)
                    users_[parcels_[q].lineOf[s]].push_back(q);
        for (auto& [line, users] : users_)
            users.erase(std::unique(users.begin(), users.end()), users.end());
    }

    std::optional<LineChange> changeOf(const PlanParcel& p, const Correction& c) const {
        const std::size_t s = static_cast<std::size_t>(c.row - 1);
        if (c.row < 1 || s >= p.lineOf.size() || p.lineOf[s] == kNoLine)
            return std::nullopt;
        LineChange change;
        change.line = p.lineOf[s];
        change.column = c.column;
        const LineRecord& line = lines_[change.line];
        const bool forwards = line.FromPoint == p.ends[s].first && line.ToPoint == p.ends[s].second;
        if (c.column == ColBearing)
            change.stored = forwards ? c.proposed : ReverseBearing(Val(c.proposed));
        else if (c.column == -1)
            change.stored = forwards ? c.proposed : otherTurn(c.proposed);
        else
            change.stored = c.proposed;
        return change;
    }

    const ChangeOutcome& outcome(const LineChange& change) {
        auto known = outcomes_.find(change);
        if (known != outcomes_.end())
            return known->second;
        ChangeOutcome& out = outcomes_[change];
        const LineRecord& stored = lines_[change.line];
        LineRecord changed = stored;
        std::unique_ptr<FlippedTurn> turn;
        if (change.column == ColDistance)
            changed.Distance = Val(change.stored);
        else if (change.column == ColBearing)
            changed.Bearing = Val(change.stored);
        else
            turn = flipTurn(curves_, stored.FromPoint, stored.ToPoint);
        const CurveSource source = turn ? flippedSource(curves_, *turn) : source_;
        for (std::size_t q : users_[change.line]) {
            PlanParcel& p = parcels_[q];
            if (p.closure.missing)
                continue;
            GridRows rows = p.rows;
            if (change.column != -1)
                for (std::size_t s = 0; s < rows.size(); ++s)
                    if (p.lineOf[s] == change.line)
                        fill_(rows[s], changed, p.ends[s].first, p.ends[s].second);
            const Closure after = closeRows(rows, source, cls_);
            if (p.failing()) {
                ++out.failing;
                if (after.acceptable()) {
                    out.closes.push_back(q);
                    out.worstRemaining = std::max(out.worstRemaining, after.misclosure);
                    const Tolerance& t = p.diagnosis.tolerance;
                    out.worstKey = std::max(out.worstKey, t.key(kDigitSlip, after.misclosure));
                    out.worstFitKey =
                        std::max(out.worstFitKey, t.key(kClosingLineFit, after.misclosure));
                }
            } else if (!after.acceptable()) {
                out.breaks.push_back(q);
            }
        }
        return out;
    }

  private:
    const std::vector<LineRecord>& lines_;
    std::vector<PlanParcel>& parcels_;
    const CurveTable& curves_;
    const std::string& cls_;
    CurveSource source_;
    RowFiller fill_;
    std::unordered_map<std::size_t, std::vector<std::size_t>> users_;
    std::map<LineChange, ChangeOutcome> outcomes_;
};

std::string namesText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += Latin1ToUtf8(names[i]);
    }
    return text;
}

PlanFinding planFinding(const std::vector<LineRecord>& lines,
                        const std::vector<PlanParcel>& parcels, const CurveTable& curves,
                        const LineChange& change, const ChangeOutcome& outcome) {
    const LineRecord& line = lines[change.line];
    PlanFinding f;
    f.from = line.FromPoint;
    f.to = line.ToPoint;
    f.line = change.line;
    for (std::size_t q : outcome.closes)
        f.closes.push_back(parcels[q].identifier);
    Correction& c = f.fix;
    c.row = 0;
    c.column = change.column;
    c.proposed = change.stored;
    c.kind = kKindOrder[outcome.kind];
    c.remaining = outcome.worstRemaining;
    std::string what;
    if (change.column == ColDistance) {
        c.entered = DistanceText(line.Distance);
        what = line.Bearing > kArcBearingBase ? "arc length" : "distance";
    } else if (change.column == ColBearing) {
        c.entered = BearingText(line.Bearing);
        what = "bearing";
    } else {
        c.entered = CurveDirection(line.FromPoint, line.ToPoint, curves);
        what = "turn";
    }
    const bool turn = change.column == -1;
    c.text = "line " + PointNumberToLabel(line.FromPoint) + kDash +
             PointNumberToLabel(line.ToPoint) + " " + what + " probably " +
             (turn ? turnName(c.proposed) : c.proposed) + " (entered " +
             (turn ? turnName(c.entered) : c.entered) + "): closes " + namesText(f.closes);
    return f;
}

} // namespace

int CorrectionKindRank(std::string_view kind) {
    const int count = static_cast<int>(std::size(kKindOrder));
    for (int i = 0; i < count; ++i)
        if (kind == kKindOrder[i])
            return i;
    return count;
}

std::vector<Correction> DiagnoseRows(const GridRows& rows, const CurveTable& curves,
                                     const std::string& accuracyClass, std::size_t limit) {
    return diagnoseParcel(rows, curves, accuracyClass, limit).candidates;
}

PlanDiagnosis DiagnosePlan(const std::vector<LineRecord>& lines,
                           const std::vector<std::string>& polygonLines, const CurveTable& curves,
                           const std::string& accuracyClass, std::size_t limit) {
    std::vector<PlanParcel> parcels = readParcels(lines, polygonLines);
    const CurveSource source = tableSource(curves);
    for (PlanParcel& p : parcels)
        p.closure = closeRows(p.rows, source, accuracyClass);
    // Each failing parcel's own candidates, a few more than shown so that the ones ranked down
    // for breaking a neighbour leave enough behind.
    const std::size_t wider = limit + 10;
    for (PlanParcel& p : parcels)
        if (p.failing())
            p.diagnosis = diagnoseParcel(p.rows, curves, accuracyClass, wider);

    PlanDiagnoser diagnoser(lines, parcels, curves, accuracyClass);
    std::map<LineChange, ChangeOutcome> plan; // the changes that qualify, with their best kind
    PlanDiagnosis out;
    for (PlanParcel& p : parcels) {
        if (!p.failing())
            continue;
        ParcelDiagnosis d;
        d.identifier = p.identifier;
        d.misclosure = p.closure.misclosure;
        d.allowable = p.closure.allowable;
        for (Correction c : p.diagnosis.candidates) {
            if (auto change = diagnoser.changeOf(p, c)) {
                const ChangeOutcome& o = diagnoser.outcome(*change);
                for (std::size_t q : o.breaks)
                    c.breaks.push_back(parcels[q].identifier);
                if (o.breaks.empty() && o.closes.size() >= 2 && o.closes.size() == o.failing) {
                    auto [at, added] = plan.try_emplace(*change, o);
                    const int kind = CorrectionKindRank(c.kind);
                    at->second.kind = added ? kind : std::min(at->second.kind, kind);
                    at->second.beyond = !at->second.typed() &&
                                        beyondMismeasurement(c.column, c.entered, c.proposed);
                }
            }
            d.candidates.push_back(std::move(c));
        }
        std::stable_partition(d.candidates.begin(), d.candidates.end(),
                              [](const Correction& c) { return c.breaks.empty(); });
        if (d.candidates.size() > limit)
            d.candidates.resize(limit);
        out.parcels.push_back(std::move(d));
    }

    // Ranked as a parcel's candidates are (a stored bearing that is no bearing put right
    // first), and before the misclosure left by the parcels closed. A line is named once, with
    // its best explanation.
    std::vector<std::pair<const LineChange*, const ChangeOutcome*>> order;
    for (const auto& [change, outcome] : plan)
        order.emplace_back(&change, &outcome);
    auto misbooked = [&lines](const LineChange& change, const ChangeOutcome& outcome) {
        return change.column == ColBearing && outcome.typed() &&
               misbookedBearing(BearingText(lines[change.line].Bearing));
    };
    std::sort(order.begin(), order.end(), [&misbooked](const auto& a, const auto& b) {
        const ChangeOutcome& x = *a.second;
        const ChangeOutcome& y = *b.second;
        if (x.beyond != y.beyond)
            return y.beyond;
        if (misbooked(*a.first, x) != misbooked(*b.first, y))
            return misbooked(*a.first, x);
        if (x.closes.size() != y.closes.size())
            return x.closes.size() > y.closes.size();
        return std::make_tuple(x.key(), x.kind, *a.first) <
               std::make_tuple(y.key(), y.kind, *b.first);
    });
    std::set<std::size_t> named;
    for (const auto& [change, outcome] : order) {
        if (named.insert(change->line).second)
            out.findings.push_back(planFinding(lines, parcels, curves, *change, *outcome));
    }
    return out;
}

Result<PlanDiagnosis> DiagnosePlan(const PlanState& plan, const CurveTable& curves,
                                   const std::string& accuracyClass, std::size_t limit) {
    const std::string polygonsFile = PlanFile(plan.PlanPath, ".ply");
    if (!FileExists(polygonsFile))
        return Error{"No polygons file found", kTitle};
    auto polygonLines = ReadPolygonsFile(polygonsFile);
    if (!polygonLines)
        return Error{polygonLines.error().message, kTitle};
    return DiagnosePlan(plan.PlanLines, polygonLines.value(), curves, accuracyClass, limit);
}

std::vector<std::string> DiagnosisLines(const PlanDiagnosis& diagnosis) {
    std::vector<std::string> out = {"", "Diagnosis of the misclosures"};
    if (diagnosis.parcels.empty()) {
        out.push_back("  No parcel with a misclosure that is not acceptable");
        return out;
    }
    if (!diagnosis.findings.empty()) {
        out.push_back("  Stored lines:");
        for (const PlanFinding& f : diagnosis.findings)
            out.push_back("    " + f.fix.text);
    }
    for (const ParcelDiagnosis& p : diagnosis.parcels) {
        out.push_back("  " + Latin1ToUtf8(p.identifier) + ": misclosure " +
                      Format(p.misclosure, "0.000") + ", allowable " +
                      Format(p.allowable, "0.000"));
        if (p.candidates.empty())
            out.push_back("    no single figure closes it");
        for (const Correction& c : p.candidates)
            out.push_back("    " + c.text +
                          (c.breaks.empty() ? std::string() : "; breaks " + namesText(c.breaks)));
    }
    return out;
}

} // namespace corvane

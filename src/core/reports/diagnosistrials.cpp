#include "core/base/numtext.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/diagnosis.h"
#include "core/reports/diagnosisparts.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <utility>

namespace corvane {

namespace diagnosis {

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

bool misbookedBearing(const std::string& cell) {
    if (!IsNumberText(cell) || ValidBearing(cell))
        return false;
    const double value = Val(cell);
    return value >= 0 && value < 1000;
}

std::string turnName(const std::string& turn) {
    return turn == "L" ? "left" : "right";
}

namespace {

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

} // namespace

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

} // namespace diagnosis

std::vector<Correction> DiagnoseRows(const GridRows& rows, const CurveTable& curves,
                                     const std::string& accuracyClass, std::size_t limit) {
    return diagnosis::diagnoseParcel(rows, curves, accuracyClass, limit).candidates;
}

} // namespace corvane

#include "core/reports/diagnosis.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/cli/commandline.h"
#include "core/cli/plancheck.h"
#include "core/geometry/closure.h"
#include "core/grid/gridclosure.h"
#include "core/model/bearing.h"
#include "core/reports/summary.h"

#include "bench/plangen.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <tuple>

namespace corvane {
namespace {

const std::string kClass = kDefaultAccuracyClass;
const CurveTable kNoCurves;

struct Point {
    double e, n;
};

// The closed traverse through the points (labelled 1, 2, ...), its figures booked to the
// second and the millimetre as a surveyor would enter them.
GridRows traverseThrough(const std::vector<Point>& points) {
    GridRows rows;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % points.size()];
        const double de = b.e - a.e, dn = b.n - a.n;
        rows.push_back({"", std::to_string(i + 1), std::to_string((i + 1) % points.size() + 1),
                        BearingText(RadiansToBearing(BearingFromDeltas(de, dn))),
                        DistanceText(std::hypot(de, dn))});
    }
    return rows;
}

bool closes(const GridRows& rows, const CurveTable& curves) {
    const ClosureResult r = GridClosure(rows, true, curves);
    return !r.MissingData &&
           ClosingDistance(r.SumEast, r.SumNorth) <= AllowableMisclosure(r.TotalLength, kClass);
}

// A lot with a curved frontage: 1 → 2 north, the arc 2 → 3 of radius 40 turning right
// through 60° from a tangent due north (its curve record holds the tangent, so the turn
// decides the chord), then straight lines back to 1.
struct ArcLot {
    GridRows rows;
    CurveTable curves;
    std::vector<CurveRecord> records;
};
ArcLot arcLot() {
    const double chordEnd = 50 + 40 * std::cos(Pi() / 6);
    ArcLot lot;
    lot.rows = {{"", "1", "2", "0.0000", "50.000"},
                {"", "2", "3", "R40.000", DistanceText(40 * Pi() / 3)},
                {"", "3", "4", "90.0000", "40.000"},
                {"", "4", "5", "180.0000", DistanceText(chordEnd)},
                {"", "5", "1", "270.0000", "60.000"}};
    lot.records = {{2, 3, "R", 0.0, kMissingBearing}};
    lot.curves = CurveTable(lot.records);
    return lot;
}

// One way of booking a figure wrongly: the wrong text made from the right one, or nothing
// when the figure offers no such mistake.
struct Mistake {
    const char* kind;
    int column;
    std::function<std::string(const std::string&)> make;
};

std::string swapDigits(const std::string& text, std::size_t from, bool bearing) {
    std::string digits;
    for (char c : text)
        if (c != '.')
            digits += c;
    const std::size_t point = text.find('.');
    for (std::size_t i = from; i + 1 < digits.size(); ++i) {
        if (digits[i] == digits[i + 1])
            continue;
        std::string d = digits;
        std::swap(d[i], d[i + 1]);
        const std::string t = d.substr(0, point) + "." + d.substr(point);
        if (!bearing || ValidBearing(t))
            return t;
    }
    return {};
}

std::string bumpDigit(const std::string& text, std::size_t position) {
    std::string t = text;
    if (position >= t.size() || t[position] == '.')
        return {};
    t[position] = t[position] == '9' ? '8' : static_cast<char>(t[position] + 1);
    return ValidBearing(t) ? t : std::string();
}

// The last digit of the whole metres or degrees left out, when there are two or more.
std::string dropWholeDigit(const std::string& text) {
    const std::size_t point = text.find('.');
    return point < 2 ? std::string() : std::string(text).erase(point - 1, 1);
}

std::string turned(const std::string& bearing, double seconds) {
    return BearingText(RadiansToBearing(BearingToRadians(bearing) + seconds * Pi() / 648000));
}

const std::vector<Mistake>& mistakes() {
    static const std::vector<Mistake> list = {
        {kDigitSlip, ColDistance,
         [](const std::string& d) { return bumpDigit(d, d.find('.') - 1); }}, // metres
        {kDigitSlip, ColDistance,
         [](const std::string& d) { return bumpDigit(d, d.find('.') + 1); }}, // decimetres
        {kDigitSlip, ColBearing,
         [](const std::string& b) { return bumpDigit(b, b.find('.') - 1); }}, // degrees
        {kDigitSlip, ColBearing,
         [](const std::string& b) { return bumpDigit(b, b.find('.') + 1); }}, // tens of minutes
        {kTransposition, ColDistance, [](const std::string& d) { return swapDigits(d, 1, false); }},
        {kTransposition, ColBearing, [](const std::string& b) { return swapDigits(b, 0, true); }},
        {kMinutesSecondsSwap, ColBearing,
         [](const std::string& b) {
             const std::size_t p = b.find('.');
             return b.substr(0, p + 1) + b.substr(p + 3, 2) + b.substr(p + 1, 2);
         }},
        {kTenfold, ColDistance, [](const std::string& d) { return DistanceText(Val(d) * 10); }},
        {kDoubledDigit, ColDistance, [](const std::string& d) { return d.front() + d; }},
        {kDoubledDigit, ColBearing,
         [](const std::string& b) { return ValidBearing(b.front() + b) ? b.front() + b : ""; }},
        {kDroppedDigit, ColDistance, [](const std::string& d) { return dropWholeDigit(d); }},
        {kDroppedDigit, ColBearing, [](const std::string& b) { return dropWholeDigit(b); }},
        {kReversal, ColBearing, [](const std::string& b) { return ReverseBearing(Val(b)); }},
        // Mismeasured rather than misbooked: only the closing line explains these.
        {kClosingLineFit, ColDistance,
         [](const std::string& d) { return DistanceText(Val(d) + 0.317); }},
        {kClosingLineFit, ColBearing, [](const std::string& b) { return turned(b, 257); }},
    };
    return list;
}

// Where the candidate naming the planted mistake ranks (0 first), or -1 when none does. The
// right figure names it to within the rounding of the booking (two figures a second apart
// may close the traverse equally well, and a leg is offered once). A mismeasurement may also
// be named by a typing figure for its cell that leaves no more than a sound survey honestly
// does (`honest`): the two explain the closure equally well.
int rankOf(const std::vector<Correction>& found, int row, int column, const std::string& right,
           double honest) {
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Correction& c = found[i];
        if (c.row != row || c.column != column)
            continue;
        if (c.kind != std::string(kClosingLineFit) && c.remaining <= honest)
            return static_cast<int>(i);
        if (column == ColDistance && std::abs(Val(c.proposed) - Val(right)) <= 0.002)
            return static_cast<int>(i);
        if (column == ColBearing &&
            std::abs(BearingToRadians(c.proposed) - BearingToRadians(right)) <= 3 * Pi() / 648000)
            return static_cast<int>(i);
    }
    return -1;
}

TEST(DiagnoseRows, PlantedMistakesRankFirstOrAmongTheFirstThree) {
    const ArcLot arc = arcLot();
    const std::vector<std::pair<std::string, GridRows>> parcels = {
        {"square", traverseThrough({{0, 0}, {3.2, 100.5}, {104.1, 98.7}, {101.6, -1.9}})},
        {"long thin",
         traverseThrough({{0, 0}, {300, 12}, {610, 2}, {612, 20}, {305, 28}, {2, 18}})},
        {"arc", arc.rows}};

    int planted = 0, first = 0, inThree = 0, stillClosing = 0;
    std::map<std::string, std::pair<int, int>> byKind; // planted, ranked first
    for (const auto& [name, rows] : parcels) {
        const CurveTable& curves = name == "arc" ? arc.curves : kNoCurves;
        ASSERT_TRUE(closes(rows, curves)) << name;
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (const Mistake& m : mistakes()) {
                const std::string& right = rows[r][static_cast<std::size_t>(m.column)];
                if (right.front() == 'R')
                    continue; // an arc's radius is no bearing
                const std::string wrong = m.make(right);
                if (wrong.empty() || BearingText(Val(wrong)) == BearingText(Val(right)))
                    continue;
                GridRows booked = rows;
                booked[r][static_cast<std::size_t>(m.column)] = wrong;
                if (closes(booked, curves)) {
                    ++stillClosing; // too small a slip to show in the closure
                    continue;
                }
                ++planted;
                const auto found = DiagnoseRows(booked, curves, kClass);
                const ClosureResult before = GridClosure(booked, true, curves);
                const double honest = m.kind == std::string(kClosingLineFit)
                                          ? AllowableMisclosure(before.TotalLength, kClass) / 4
                                          : 0.0;
                const int at = rankOf(found, static_cast<int>(r) + 1, m.column, right, honest);
                first += at == 0;
                ++byKind[m.kind].first;
                byKind[m.kind].second += at == 0;
                inThree += at >= 0 && at < 3;
                EXPECT_TRUE(at >= 0 && at < 3)
                    << name << " row " << r + 1 << ": " << m.kind << " " << right << " booked "
                    << wrong << ", ranked " << at << (found.empty() ? "" : "; first: ")
                    << (found.empty() ? "" : found.front().text);
                if (at < 0)
                    continue;
                const Correction& c = found[static_cast<std::size_t>(at)];
                const std::string what = m.column == ColBearing               ? "bearing"
                                         : rows[r][ColBearing].front() == 'R' ? "arc length"
                                                                              : "distance";
                EXPECT_EQ(c.text, what + " of " + rows[r][ColFrom] + "\xE2\x80\x93" +
                                      rows[r][ColTo] + " probably " + c.proposed + " (entered " +
                                      wrong + ")");
            }
    }

    // The arc lot with its turn booked the wrong way round.
    std::vector<CurveRecord> flipped = arc.records;
    flipped[0].Direction = "L";
    const CurveTable wrongTurn(flipped);
    ASSERT_FALSE(closes(arc.rows, wrongTurn));
    const auto found = DiagnoseRows(arc.rows, wrongTurn, kClass);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().column, -1);
    EXPECT_EQ(found.front().proposed, "R");
    EXPECT_EQ(found.front().text, "turn of 2\xE2\x80\x93"
                                  "3 probably right (entered left)");
    const bool turnFirst = found.front().column == -1;
    ++planted;
    first += turnFirst;
    inThree += turnFirst;
    byKind[kWrongTurn] = {1, turnFirst};

    EXPECT_GE(planted, 60);
    EXPECT_EQ(inThree, planted);
    std::cout << "[ planted  ] " << planted << " mistakes, " << first << " ranked first, "
              << inThree << " among the first three (" << stillClosing
              << " more left the parcel closing)\n";
    for (const auto& [kind, counts] : byKind)
        std::cout << "[ planted  ]   " << kind << ": " << counts.second << " of " << counts.first
                  << " first\n";
    RecordProperty("planted", planted);
    RecordProperty("first", first);
}

TEST(DiagnoseRows, ClosingOrIncompleteTraversesGetNoCandidate) {
    const ArcLot arc = arcLot();
    const GridRows square = traverseThrough({{0, 0}, {3.2, 100.5}, {104.1, 98.7}, {101.6, -1.9}});
    EXPECT_TRUE(DiagnoseRows(square, kNoCurves, kClass).empty());
    EXPECT_TRUE(DiagnoseRows(arc.rows, arc.curves, kClass).empty());
    EXPECT_TRUE(DiagnoseRows({}, kNoCurves, kClass).empty());

    GridRows booked = square;
    booked[1][ColDistance] = "110.631"; // a slip the diagnosis finds...
    ASSERT_FALSE(DiagnoseRows(booked, kNoCurves, kClass).empty());
    EXPECT_EQ(DiagnoseRows(booked, kNoCurves, kClass, 1).size(), 1u);
    EXPECT_TRUE(DiagnoseRows(booked, kNoCurves, kClass, 0).empty());
    // ...but not while another figure is missing: no closure, nothing to diagnose.
    for (const char* missing : {kNoData, ""}) {
        GridRows incomplete = booked;
        incomplete[3][ColBearing] = missing;
        EXPECT_TRUE(DiagnoseRows(incomplete, kNoCurves, kClass).empty()) << '"' << missing << '"';
    }
    GridRows noDistance = booked;
    noDistance[2][ColDistance] = kNoData;
    EXPECT_TRUE(DiagnoseRows(noDistance, kNoCurves, kClass).empty());
    // An arc without its curve record has no chord: missing data, not a wrong turn.
    GridRows arcBooked = arc.rows;
    arcBooked[2][ColDistance] = "41.000";
    EXPECT_TRUE(DiagnoseRows(arcBooked, kNoCurves, kClass).empty());
    ASSERT_FALSE(DiagnoseRows(arcBooked, arc.curves, kClass).empty());
}

// The candidates naming one cell of the grid.
int offersFor(const std::vector<Correction>& found, int row, int column) {
    return static_cast<int>(std::count_if(found.begin(), found.end(), [&](const Correction& c) {
        return c.row == row && c.column == column;
    }));
}

double misclosureOf(const GridRows& rows) {
    const ClosureResult r = GridClosure(rows, true, kNoCurves);
    return ClosingDistance(r.SumEast, r.SumNorth);
}

// A lot of about 25 m by 40 m booked as a real survey closes: its east side 3 mm long and its
// south side 5" out, a misclosure of some 3 mm, more than the rounding of the figures
// leaves and well within the allowable misclosure. A typing mistake planted in it leaves that
// misclosure when it is put right, while the closing line's figure for the same leg takes it
// up as well and seems to close better.
TEST(DiagnoseRows, TypingMistakeInALotWithAnHonestMisclosureIsNamedFirstAndOnce) {
    const double first = 3 * Pi() / 180, second = BearingToRadians("92.1504");
    const Point p2{25.5 * std::sin(first), 25.5 * std::cos(first)};
    const Point p3{p2.e + 40.324 * std::sin(second), p2.n + 40.324 * std::cos(second)};
    GridRows lot = traverseThrough({{0, 0}, p2, p3, {p3.e - 1.3, p3.n - 26.2}});
    ASSERT_EQ(lot[0][ColBearing], "3.0000");
    ASSERT_EQ(lot[0][ColDistance], "25.500");
    ASSERT_EQ(lot[1][ColBearing], "92.1504");
    ASSERT_EQ(lot[1][ColDistance], "40.324");
    lot[2][ColDistance] = DistanceText(Val(lot[2][ColDistance]) + 0.003);
    lot[3][ColBearing] = turned(lot[3][ColBearing], -5);
    ASSERT_TRUE(closes(lot, kNoCurves));
    ASSERT_GT(misclosureOf(lot), 0.0025);
    ASSERT_LT(misclosureOf(lot), 0.004);

    struct Planted {
        int row, column;
        const char* booked;
        const char* kind;
    };
    for (const Planted& p : std::vector<Planted>{
             {1, ColDistance, "25.050", kTransposition},
             {1, ColDistance, "25.005", kTransposition}, // the 5 and a 0 either side of the 0
             {1, ColDistance, "255.500", kDoubledDigit},
             {1, ColDistance, "2.500", kDroppedDigit},
             {2, ColDistance, "4.324", kDroppedDigit},
             {2, ColDistance, "400.324", kDoubledDigit},
             {1, ColBearing, "33.0000", kDoubledDigit},
             {2, ColBearing, "9.1504", kDroppedDigit},
             {4, ColBearing, "27.1722", kDroppedDigit},
             {2, ColBearing, "92.0415", kMinutesSecondsSwap},
         }) {
        GridRows booked = lot;
        const auto cell = static_cast<std::size_t>(p.column);
        const std::string right = booked[static_cast<std::size_t>(p.row - 1)][cell];
        booked[static_cast<std::size_t>(p.row - 1)][cell] = p.booked;
        const auto found = DiagnoseRows(booked, kNoCurves, kClass);
        ASSERT_FALSE(found.empty()) << p.booked;
        EXPECT_EQ(found.front().row, p.row) << p.booked << ": " << found.front().text;
        EXPECT_EQ(found.front().column, p.column) << p.booked << ": " << found.front().text;
        EXPECT_EQ(found.front().proposed, right) << p.booked << ": " << found.front().text;
        EXPECT_EQ(found.front().kind, p.kind) << p.booked << ": " << found.front().text;
        EXPECT_EQ(offersFor(found, p.row, p.column), 1) << p.booked;
    }
}

GridRows rowsOf(const std::vector<std::array<const char*, 4>>& legs) {
    GridRows rows;
    for (const auto& [from, to, bearing, distance] : legs)
        rows.push_back({"", from, to, bearing, distance});
    return rows;
}

// A bearing booked with 60 or more minutes or seconds is no bearing at all: the traverse reads
// it as it stands, and the cell is the likeliest mistake of the parcel.
TEST(DiagnoseRows, BearingBookedWithSixtyOrMoreMinutesIsCorrectedFirst) {
    // The 1 and the 8 of 267.1821 swapped. Turning the opposite side 2-3 a degree closes the
    // lot as well (a one-digit slip), but that cell holds a figure that may well be right.
    const GridRows swapped = rowsOf({{"1", "2", "358.5809", "38.906"},
                                     {"2", "3", "87.0209", "27.540"},
                                     {"3", "4", "181.5411", "39.146"},
                                     {"4", "1", "267.8121", "25.528"}});
    const auto found = DiagnoseRows(swapped, kNoCurves, kClass);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().text, "bearing of 4\xE2\x80\x93"
                                  "1 probably 267.1821 (entered 267.8121)");
    EXPECT_EQ(found.front().kind, kTransposition);
    // With the north side booked 10 mm long as well, more than a sound survey leaves: the
    // closing line's figure of that side takes it up and closes the lot better, yet the
    // bearing that is no bearing is still named first.
    GridRows longer = swapped;
    longer[0][ColDistance] = "38.916";
    const auto both = DiagnoseRows(longer, kNoCurves, kClass);
    ASSERT_FALSE(both.empty());
    EXPECT_EQ(both.front().proposed, "267.1821") << both.front().text;
    EXPECT_GT(both.front().remaining, 0.009);
    // So stored, in a lot and the easement over the whole of it: the plan's first finding.
    const std::vector<LineRecord> lines = {{1, 2, 358.5809, 38.916, 0},
                                           {2, 3, 87.0209, 27.540, 0},
                                           {3, 4, 181.5411, 39.146, 0},
                                           {1, 4, 87.8121, 25.528, 0}};
    const PlanDiagnosis plan = DiagnosePlan(
        lines,
        {"\"LT1\",0,\"C\"", "1", "2", "3", "4", "1", "\"EA1\",0,\"C\"", "1", "2", "3", "4", "1"},
        kNoCurves, kClass);
    ASSERT_FALSE(plan.findings.empty());
    EXPECT_EQ(plan.findings.front().fix.text, "line 1\xE2\x80\x93"
                                              "4 bearing probably 87.1821 (entered 87.8121): "
                                              "closes LT1 and EA1");

    // Sixty seconds booked for the next minute, which the traverse reads rightly: the leg's
    // mistyped distance is still found.
    GridRows sixty = traverseThrough({{0, 0}, {3.2, 100.5}, {104.1, 98.7}, {101.6, -1.9}});
    ASSERT_EQ(sixty[1][ColBearing], "91.0119");
    sixty[1][ColBearing] = "91.0079";
    const std::string right = sixty[1][ColDistance];
    sixty[1][ColDistance] = swapDigits(right, 1, false);
    const auto distance = DiagnoseRows(sixty, kNoCurves, kClass);
    ASSERT_FALSE(distance.empty());
    EXPECT_EQ(distance.front().row, 2) << distance.front().text;
    EXPECT_EQ(distance.front().column, ColDistance) << distance.front().text;
    EXPECT_EQ(distance.front().proposed, right) << distance.front().text;
    // The closing line's own bearing for such a cell is no booking slip: a 3' turn of the
    // sound side 2-3 does not come before the slipped distance of 1-2 (or the same slip on
    // the opposite side 3-4, which closes the lot as well).
    const GridRows slipped = rowsOf({{"1", "2", "1.4925", "100.651"},
                                     {"2", "3", "91.0079", "100.916"},
                                     {"3", "4", "181.2525", "100.631"},
                                     {"4", "1", "271.0417", "101.618"}});
    const auto first = DiagnoseRows(slipped, kNoCurves, kClass);
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first.front().column, ColDistance) << first.front().text;
    EXPECT_TRUE(first[0].text == "distance of 1\xE2\x80\x93"
                                 "2 probably 100.551 (entered 100.651)" ||
                first[1].text == "distance of 1\xE2\x80\x93"
                                 "2 probably 100.551 (entered 100.651)")
        << first[0].text << " / " << first[1].text;
}

// A side measured 13 cm short (168.952 booked 168.822) in a lot allowed 55 mm: putting its
// tenths one out closes the lot too, but leaves 30 mm of the misclosure, far more than a
// sound survey leaves. The closing line's figure for that side is the better explanation.
TEST(DiagnoseRows, MismeasuredSideShowsItsClosingLineFigureNotALooserSlip) {
    const GridRows lot = rowsOf({{"1", "2", "196.1436", "21.194"},
                                 {"2", "3", "122.2547", "271.709"},
                                 {"3", "4", "2.4725", "168.822"},
                                 {"4", "1", "269.2001", "231.649"}});
    const auto found = DiagnoseRows(lot, kNoCurves, kClass);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().row, 3) << found.front().text;
    EXPECT_EQ(found.front().column, ColDistance) << found.front().text;
    EXPECT_EQ(found.front().kind, kClosingLineFit) << found.front().text;
    EXPECT_NEAR(Val(found.front().proposed), 168.952, 0.003) << found.front().text;
    EXPECT_EQ(offersFor(found, 3, ColDistance), 1);
}

// A large lot of some 4.9 km round, its allowable misclosure about a quarter of a metre, its
// north side booked 27 m long (two digits swapped). Its west side is set so that turning it
// through 4° takes up the whole misclosure as well; the survey's honest 6 cm misclosure runs
// across the west side, so that the turn even seems to close better than the true figure.
TEST(DiagnoseRows, ClosingLineFigureBeyondAMismeasurementRanksBelowEveryTypingExplanation) {
    GridRows lot = traverseThrough(
        {{0, 0}, {13.5, 386.6}, {438.8, 386.6}, {1400, 800}, {1450, -400}, {200, -500}});
    ASSERT_EQ(lot[1][ColBearing], "90.0000");
    ASSERT_EQ(lot[1][ColDistance], "425.300");
    lot[4][ColDistance] = DistanceText(Val(lot[4][ColDistance]) + 0.06);
    ASSERT_TRUE(closes(lot, kNoCurves));
    lot[1][ColDistance] = "452.300";
    const double allowable = AllowableMisclosure(4852, kClass);
    ASSERT_GT(allowable, 0.24);
    ASSERT_LT(allowable, 0.28);

    const auto found = DiagnoseRows(lot, kNoCurves, kClass);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().row, 2) << found.front().text;
    EXPECT_EQ(found.front().proposed, "425.300") << found.front().text;
    EXPECT_EQ(found.front().kind, kTransposition);

    const auto turn = std::find_if(found.begin(), found.end(), [](const Correction& c) {
        return c.row == 1 && c.column == ColBearing;
    });
    ASSERT_NE(turn, found.end()) << "the west side's turn closes the lot too";
    EXPECT_EQ(turn->kind, kClosingLineFit);
    const double change = BearingToRadians(turn->proposed) - BearingToRadians(lot[0][ColBearing]);
    EXPECT_GT(std::abs(std::remainder(change, 2 * Pi())), 3.5 * Pi() / 180) << turn->text;
    EXPECT_TRUE(std::none_of(turn, found.end(), [](const Correction& c) {
        return c.kind != std::string(kClosingLineFit);
    })) << "a typing explanation after the turn";
}

// Two lots side by side: AL1 the west one (1-2-3-4), AL2 the east one (4-3-5-6) walking
// their common line 3-4 the other way round. Every figure exact.
struct TwoLots {
    std::vector<LineRecord> lines = {{1, 2, 0.0, 40.0, 0},   {2, 3, 90.0, 30.0, 0},
                                     {3, 4, 180.0, 40.0, 0}, {4, 1, 270.0, 30.0, 0},
                                     {3, 5, 90.0, 30.0, 0},  {5, 6, 180.0, 40.0, 0},
                                     {6, 4, 270.0, 30.0, 0}};
    std::vector<std::string> polygons = {"\"AL1\",1200,\"C\"", "3", "4", "1", "2", "3",
                                         "\"AL2\",1200,\"C\"", "4", "3", "5", "6", "4"};
};

TEST(DiagnosePlan, SharedMistakeIsOneFindingAndFixesBreakingANeighbourRankDown) {
    // The common line's bearing a degree out: each lot sees it from its own end.
    TwoLots shared;
    shared.lines[2].Bearing = 181.0;
    const PlanDiagnosis both = DiagnosePlan(shared.lines, shared.polygons, kNoCurves, kClass);
    ASSERT_EQ(both.parcels.size(), 2u);
    ASSERT_FALSE(both.findings.empty());
    const PlanFinding& f = both.findings.front();
    EXPECT_EQ(f.line, 2u);
    EXPECT_EQ(f.fix.column, ColBearing);
    EXPECT_EQ(f.fix.proposed, "180.0000");
    EXPECT_EQ(f.closes, (std::vector<std::string>{"AL1", "AL2"}));
    EXPECT_EQ(f.fix.text, "line 3\xE2\x80\x93"
                          "4 bearing probably 180.0000 (entered 181.0000): closes "
                          "AL1 and AL2");
    // AL2 walks 4 → 3 and is offered the back bearing.
    ASSERT_FALSE(both.parcels[1].candidates.empty());
    EXPECT_EQ(both.parcels[1].candidates.front().proposed, "0.0000");
    EXPECT_EQ(both.parcels[1].candidates.front().entered, "1.0000");
    // A line that every parcel walks against its stored direction: the finding is still the
    // stored line's own bearing (a slip of ten degrees, before the fit of the parallel side).
    TwoLots against;
    against.lines[2] = {4, 3, 10.0, 40.0, 0};
    against.polygons = {"\"AL1\",1200,\"C\"", "3", "4", "1", "2", "3",
                        "\"EA1\",1200,\"C\"", "3", "4", "1", "2", "3"};
    const PlanDiagnosis reversed = DiagnosePlan(against.lines, against.polygons, kNoCurves, kClass);
    ASSERT_FALSE(reversed.findings.empty());
    EXPECT_EQ(reversed.findings.front().fix.text,
              "line 4\xE2\x80\x93"
              "3 bearing probably 0.0000 (entered 10.0000): closes AL1 and EA1");

    // AL1's west side mismeasured, parallel to the common line: on AL1's figures alone the
    // common line fits as well and comes first (it is walked first), but changing it would
    // open AL2, so the plan ranks it after AL1's own line and offers no plan-wide change.
    TwoLots own;
    own.lines[0].Distance = 41.317;
    GridRows al1;
    for (const auto& [from, to, bearing, distance] :
         std::vector<std::tuple<const char*, const char*, const char*, const char*>>{
             {"3", "4", "180.0000", "40.000"},
             {"4", "1", "270.0000", "30.000"},
             {"1", "2", "0.0000", "41.317"},
             {"2", "3", "90.0000", "30.000"}})
        al1.push_back({"", from, to, bearing, distance});
    const auto alone = DiagnoseRows(al1, kNoCurves, kClass);
    ASSERT_GE(alone.size(), 2u);
    EXPECT_EQ(alone[0].row, 1);
    EXPECT_EQ(alone[0].proposed, "41.317");
    EXPECT_EQ(alone[1].row, 3);

    const PlanDiagnosis one = DiagnosePlan(own.lines, own.polygons, kNoCurves, kClass);
    EXPECT_TRUE(one.findings.empty());
    ASSERT_EQ(one.parcels.size(), 1u);
    const auto& ranked = one.parcels[0].candidates;
    ASSERT_EQ(ranked.size(), alone.size());
    EXPECT_EQ(ranked.front().row, 3);
    EXPECT_EQ(ranked.front().proposed, "40.000");
    EXPECT_TRUE(ranked.front().breaks.empty());
    EXPECT_EQ(ranked.back().row, 1);
    EXPECT_EQ(ranked.back().breaks, std::vector<std::string>{"AL2"});
    const auto lines = DiagnosisLines(one);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "    distance of 3\xE2\x80\x93"
                        "4 probably 41.317 (entered 40.000); breaks AL2"),
              lines.end());
}

// The common line booked a metre out, in two lots that each close only to 3 mm (their
// far sides booked 3 mm long): the closing line's figure for the common line closes both
// lots better than the true one, and yet the typing explanation is the plan's finding, alone
// for that line, and each lot's first candidate.
TEST(DiagnosePlan, TypingExplanationOfASharedLineIsTheFindingBeforeTheClosingLineFigure) {
    TwoLots lots;
    lots.lines[0].Distance = 40.003;
    lots.lines[5].Distance = 40.003;
    lots.lines[2].Distance = 41.0;
    const PlanDiagnosis d = DiagnosePlan(lots.lines, lots.polygons, kNoCurves, kClass);
    ASSERT_EQ(d.parcels.size(), 2u);
    ASSERT_FALSE(d.findings.empty());
    EXPECT_EQ(d.findings.front().fix.text, "line 3\xE2\x80\x93"
                                           "4 distance probably 40.000 (entered 41.000): closes "
                                           "AL1 and AL2");
    EXPECT_EQ(d.findings.front().fix.kind, kDigitSlip);
    for (const PlanFinding& f : d.findings)
        EXPECT_TRUE(&f == &d.findings.front() || f.line != 2u || f.fix.column != ColDistance)
            << f.fix.text;
    for (const ParcelDiagnosis& p : d.parcels) {
        ASSERT_FALSE(p.candidates.empty()) << p.identifier;
        EXPECT_EQ(p.candidates.front().proposed, "40.000") << p.identifier;
        EXPECT_EQ(p.candidates.front().entered, "41.000") << p.identifier;
    }
}

// How many of the candidates name each row, and how many of the findings each stored line.
std::map<int, int> rowsNamed(const std::vector<Correction>& found) {
    std::map<int, int> count;
    for (const Correction& c : found)
        ++count[c.row];
    return count;
}

// A line whose bearing and distance both close the parcel (the misclosure runs obliquely to
// it) is listed once, with the better of the two, in a parcel's list and among the plan's
// findings.
TEST(DiagnosePlan, EachLineIsListedOnceWithItsBestCandidate) {
    const GridRows lot = rowsOf({{"1", "2", "221.0316", "83.065"},
                                 {"2", "3", "280.2116", "23.150"},
                                 {"3", "4", "124.5745", "162.692"},
                                 {"4", "1", "339.4329", "161.685"}});
    const auto found = DiagnoseRows(lot, kNoCurves, kClass);
    ASSERT_GE(found.size(), 3u);
    for (const auto& [row, count] : rowsNamed(found))
        EXPECT_EQ(count, 1) << "row " << row;

    // The common line of two lots booked 20 mm long and 2' turned.
    TwoLots lots;
    lots.lines[2].Distance = 40.02;
    lots.lines[2].Bearing = 180.02;
    const PlanDiagnosis d = DiagnosePlan(lots.lines, lots.polygons, kNoCurves, kClass);
    ASSERT_EQ(d.parcels.size(), 2u);
    ASSERT_FALSE(d.findings.empty());
    EXPECT_EQ(d.findings.front().line, 2u);
    std::map<std::size_t, int> lines;
    for (const PlanFinding& f : d.findings)
        EXPECT_EQ(++lines[f.line], 1) << f.fix.text;
    for (const ParcelDiagnosis& p : d.parcels)
        for (const auto& [row, count] : rowsNamed(p.candidates))
            EXPECT_EQ(count, 1) << p.identifier << " row " << row;
}

// On a generated grid of lots with planted mistakes, the parcels diagnosed are exactly those
// the closure summary finds not acceptable, and each plan-wide finding, written into the
// stored line, closes its parcels in the summary and opens none.
TEST(DiagnosePlan, FindingsAppliedToTheStoredLinesCloseTheirParcelsInTheSummary) {
    gen::GeneratedPlan grid = gen::ShuffledGrid(12, 5);
    int planted = 0;
    for (std::size_t i = 3; i < grid.lines.size(); i += 23) {
        LineRecord& line = grid.lines[i];
        if (line.Bearing > 360)
            continue;
        if (planted++ % 2 == 0)
            line.Distance = Val(DistanceText(line.Distance).insert(1, "1"));
        else
            line.Bearing = BackBearingValue(line.Bearing);
    }
    const std::vector<std::string> polygons = gen::GridPolygons(12);
    const CurveTable curves(grid.curves);
    const PlanDiagnosis d = DiagnosePlan(grid.lines, polygons, curves, kClass);
    const auto summary = ClosureSummary(SummaryPrint, "P", polygons, grid.lines, curves, kClass);

    std::vector<std::string> failing;
    for (const SummaryRow& row : summary.Rows)
        if (row.Status == ParcelStatus::NotAcceptable)
            failing.push_back(row.Identifier);
    std::vector<std::string> diagnosed;
    for (const ParcelDiagnosis& p : d.parcels)
        diagnosed.push_back(p.identifier);
    EXPECT_EQ(diagnosed, failing);
    ASSERT_GE(d.findings.size(), 5u);

    for (const PlanFinding& f : d.findings) {
        ASSERT_NE(f.fix.column, -1) << "the grid's arcs store their chords: no turn matters";
        std::vector<LineRecord> fixed = grid.lines;
        LineRecord& line = fixed[f.line];
        EXPECT_EQ(std::make_pair(line.FromPoint, line.ToPoint), std::make_pair(f.from, f.to));
        (f.fix.column == ColBearing ? line.Bearing : line.Distance) = Val(f.fix.proposed);
        const auto after = ClosureSummary(SummaryPrint, "P", polygons, fixed, curves, kClass);
        for (std::size_t i = 0; i < after.Rows.size(); ++i) {
            const std::string& id = after.Rows[i].Identifier;
            const bool closed = std::count(f.closes.begin(), f.closes.end(), id) > 0;
            if (closed || summary.Rows[i].Status == ParcelStatus::Acceptable) {
                EXPECT_EQ(after.Rows[i].Status, ParcelStatus::Acceptable)
                    << f.fix.text << ": " << id;
            }
        }
    }
}

TEST(DiagnosePlanCheck, NamesTheMistypedSharedLineOfTheSamplePlanFirst) {
    const std::string examples = std::string(CORVANE_SOURCE_DIR) + "/examples/";
    test::PlanTestDir dir;
    for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
        std::filesystem::copy_file(examples + "D20417" + ext,
                                   dir.path(std::string("D20417") + ext));
    const std::string plan = dir.path("D20417");
    auto run = [&plan](std::vector<std::string> extra, std::string& out) {
        std::vector<std::string> args = {"--check", plan + ".lns"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream o, e;
        const int status = RunCommandMode(args, o, e);
        out = o.str();
        return status;
    };
    std::string out;
    EXPECT_EQ(run({"--diagnose"}, out), 0);
    EXPECT_NE(out.find("No parcel with a misclosure that is not acceptable"), std::string::npos);

    // 5-21 is the side AL1 and AL2 share: 40.324 booked with two digits swapped.
    std::string lines = dir.read("D20417.lns");
    const std::string right = "5,21,192.1840,40.324";
    ASSERT_NE(lines.find(right), std::string::npos);
    lines.replace(lines.find(right), right.size(), "5,21,192.1840,40.234");
    dir.write("D20417.lns", lines);

    std::string plain;
    EXPECT_EQ(run({}, plain), 1);
    EXPECT_EQ(plain.find("Diagnosis"), std::string::npos);
    EXPECT_EQ(run({"--diagnose", "--full"}, out), 1);
    EXPECT_EQ(run({"--diagnose"}, out), 1);
    ASSERT_EQ(out.rfind(plain, 0), 0u) << "the summary first, as without --diagnose";
    const std::string diagnosis = out.substr(plain.size());
    EXPECT_EQ(diagnosis.rfind("\nDiagnosis of the misclosures\n  Stored lines:\n"
                              "    line 5\xE2\x80\x93"
                              "21 distance probably 40.324 (entered "
                              "40.234): closes AL1 and AL2\n",
                              0),
              0u)
        << diagnosis;
    EXPECT_NE(diagnosis.find("  AL1: misclosure 0.089, allowable 0.026\n"
                             "    distance of 5\xE2\x80\x93"
                             "21 probably 40.324 (entered 40.234)\n"),
              std::string::npos)
        << diagnosis;
    EXPECT_NE(diagnosis.find("    distance of 21\xE2\x80\x93"
                             "5 probably 40.324 (entered 40.234)\n"),
              std::string::npos)
        << diagnosis;
    EXPECT_EQ(dir.read("D20417.lns"), lines) << "the diagnosis only reports";
    EXPECT_FALSE(ParseCommandLine({"--doubles", plan, "--diagnose"}).Refusal.empty());
}

} // namespace
} // namespace corvane

#include "core/diagnosis.h"

#include "core/bearing.h"
#include "core/closure.h"
#include "core/commandline.h"
#include "core/numtext.h"
#include "core/plancheck.h"
#include "core/summary.h"
#include "core/textfile.h"

#include "bench/plangen.h"
#include "plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        {kReversal, ColBearing, [](const std::string& b) { return ReverseBearing(Val(b)); }},
        // Mismeasured rather than misbooked: only the closing line explains these.
        {kClosingLineFit, ColDistance,
         [](const std::string& d) { return DistanceText(Val(d) + 0.317); }},
        {kClosingLineFit, ColBearing, [](const std::string& b) { return turned(b, 257); }},
    };
    return list;
}

// Where the correction restoring the right figure ranks (0 first), or -1 when it is not
// offered. A closing-line figure is the right one to the rounding of the booking.
int rankOf(const std::vector<Correction>& found, int row, int column, const std::string& right) {
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Correction& c = found[i];
        if (c.row != row || c.column != column)
            continue;
        if (c.proposed == right)
            return static_cast<int>(i);
        if (c.kind == std::string(kClosingLineFit) && column == ColDistance &&
            std::abs(Val(c.proposed) - Val(right)) <= 0.002)
            return static_cast<int>(i);
        if (c.kind == std::string(kClosingLineFit) && column == ColBearing &&
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
                const int at = rankOf(found, static_cast<int>(r) + 1, m.column, right);
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
        const int status = RunPlanCheck(args, o, e);
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

#include "core/geometry/closure.h"
#include "core/grid/gridclosure.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace corvane {
namespace {

TEST(AllowableMisclosure, EachClassAtFourHundredMetresAndOnlyTheExactText) {
    const std::pair<const char*, double> cases[] = {
        {"Steep or mountainous", 0.075},
        {"Level or undulating", 0.055},
        {"Surveyed Polygons", 0.04},
        {"Urban Survey (prior Feb 2019)", 0.07},
        {"Rural Survey (prior Feb 2019)", 0.18},
        {"Marrick City Core District", 0.02 + 400.0 / 15000},
        {"Commercial and City Frame District", 0.06},
        {"surveyed polygons", 0},
        {"Surveyed Polygons ", 0},
        {"", 0}};
    for (const auto& [accuracyClass, expected] : cases)
        EXPECT_NEAR(AllowableMisclosure(400, accuracyClass), expected, 1e-12)
            << '"' << accuracyClass << '"';
}

// The list of classes is the table's: every class allows a misclosure, any letter case
// names it, and a typing slip names none (it would allow nothing and fail every parcel).
TEST(AccuracyClasses, ListedWholeAndNamedWhateverTheCase) {
    ASSERT_EQ(AccuracyClasses().size(), 7u);
    for (const std::string& name : AccuracyClasses()) {
        EXPECT_GT(AllowableMisclosure(400, name), 0) << name;
        EXPECT_EQ(AccuracyClassNamed(UpperCase(name)), name);
    }
    EXPECT_EQ(AccuracyClassNamed(" rural survey (PRIOR feb 2019) "),
              "Rural Survey (prior Feb 2019)");
    for (const char* slip : {"Level or undulatng", "Rural Survey", "", "Surveyed"})
        EXPECT_FALSE(AccuracyClassNamed(slip)) << slip;
    EXPECT_EQ(UnknownAccuracyClassMessage("Levl"), "Unknown accuracy class \"Levl\"");
}

GridRow row(const char* from, const char* to, const char* bearing, const char* distance) {
    return GridRow{"", from, to, bearing, distance};
}

const CurveTable kNoCurves;

const GridRows kClockwiseSquare = {
    row("1", "2", "0.0000", "100.000"), row("2", "3", "90.0000", "100.000"),
    row("3", "4", "180.0000", "100.000"), row("4", "1", "270.0000", "100.000")};
const GridRows kAnticlockwiseSquare = {
    row("1", "2", "90.0000", "100.000"), row("2", "3", "0.0000", "100.000"),
    row("3", "4", "270.0000", "100.000"), row("4", "1", "180.0000", "100.000")};

std::vector<Leg> legsOf(const GridRows& rows) {
    std::vector<Leg> legs;
    for (const GridRow& r : rows)
        legs.push_back({BearingToRadians(r[ColBearing]), Val(r[ColDistance])});
    return legs;
}

TEST(GridClosure, SquaresGiveTheAreaWithTheSignOfTheirDirection) {
    ClosureResult cw = GridClosure(kClockwiseSquare, true, kNoCurves);
    EXPECT_NEAR(cw.SumEast, 0, 1e-6);
    EXPECT_NEAR(cw.SumNorth, 0, 1e-6);
    EXPECT_DOUBLE_EQ(cw.TotalLength, 400);
    EXPECT_NEAR(Val(cw.AreaText), 10000, 1e-3);
    EXPECT_FALSE(cw.MissingData);

    ClosureResult acw = GridClosure(kAnticlockwiseSquare, true, kNoCurves);
    EXPECT_NEAR(Val(acw.AreaText), -10000, 1e-3);
    EXPECT_EQ(acw.AreaText.front(), '-');

    // The summary's area never goes below 0: an anticlockwise parcel has none.
    EXPECT_NEAR(BowditchArea(cw.SumEast, cw.SumNorth, cw.TotalLength, 0, legsOf(kClockwiseSquare)),
                10000, 1e-3);
    EXPECT_EQ(
        BowditchArea(acw.SumEast, acw.SumNorth, acw.TotalLength, 0, legsOf(kAnticlockwiseSquare)),
        0.0);
    // With its sign, the anticlockwise walk has the size of the parcel walked the other way.
    EXPECT_NEAR(SignedBowditchArea(acw.SumEast, acw.SumNorth, acw.TotalLength, 0,
                                   legsOf(kAnticlockwiseSquare)),
                -10000, 1e-3);
}

TEST(GridClosure, MissingDistanceOrBearingLeavesNoArea) {
    const std::pair<const char*, const char*> cases[] = {{"90.0000", "No Data"},
                                                         {"90.0000", "0.000"},
                                                         {"90.0000", "-5.000"},
                                                         {"No Data", "100.000"}};
    for (const auto& [bearing, distance] : cases) {
        GridRows rows = kClockwiseSquare;
        rows[1][ColBearing] = bearing;
        rows[1][ColDistance] = distance;
        for (bool parcelMode : {true, false}) {
            ClosureResult r = GridClosure(rows, parcelMode, kNoCurves);
            // The sums are those of the other three lines.
            EXPECT_NEAR(r.SumEast, -100, 1e-6) << bearing << " " << distance;
            EXPECT_NEAR(r.SumNorth, 0, 1e-6);
            EXPECT_EQ(r.TotalLength, 0.0);
            EXPECT_EQ(r.AreaText, "0");
        }
        EXPECT_TRUE(GridClosure(rows, true, kNoCurves).MissingData);
    }
}

// A quarter sector of radius 10: centre 1, north to 2, along the arc turning right to 3,
// west back to 1; and the same run anticlockwise, the arc turning left.
const double kQuarterDisc = Pi() * 100 / 4;
const GridRows kSectorRight = {row("1", "2", "0.0000", "10.000"),
                               row("2", "3", "R10.000", "15.708"),
                               row("3", "1", "270.0000", "10.000")};
const GridRows kSectorLeft = {row("1", "3", "90.0000", "10.000"),
                              row("3", "2", "R10.000", "15.708"),
                              row("2", "1", "180.0000", "10.000")};

TEST(GridClosure, ArcsAddTheirChordAndSegment) {
    const CurveRecord records[] = {
        {2, 3, "R", 90, kMissingBearing},  // tangent stored forwards
        {2, 3, "R", kMissingBearing, 135}, // chord stored forwards
        {3, 2, "L", 0, kMissingBearing},   // tangent stored backwards
        {3, 2, "L", kMissingBearing, 315}  // chord stored backwards
    };
    for (const CurveRecord& record : records) {
        SCOPED_TRACE(record.FromPoint);
        for (const auto& [rows, sign] :
             {std::pair{&kSectorRight, 1}, std::pair{&kSectorLeft, -1}}) {
            ClosureResult r = GridClosure(*rows, true, CurveTable({record}));
            EXPECT_FALSE(r.MissingData);
            EXPECT_NEAR(r.SumEast, 0, 1e-3);
            EXPECT_NEAR(r.SumNorth, 0, 1e-3);
            EXPECT_NEAR(r.TotalLength, 20 + 10 * std::sqrt(2.0), 1e-3);
            EXPECT_NEAR(Val(r.AreaText), sign * kQuarterDisc, 0.01);
        }
    }
    // Without a chord bearing (no record, neither bearing, another arc's record) only the
    // two straight lines count.
    for (const auto& records : {std::vector<CurveRecord>{},
                                {{2, 3, "R", kMissingBearing, kMissingBearing}},
                                {{2, 4, "R", 90, kMissingBearing}}}) {
        ClosureResult r = GridClosure(kSectorRight, true, CurveTable(records));
        EXPECT_TRUE(r.MissingData);
        EXPECT_EQ(r.TotalLength, 0.0);
        EXPECT_EQ(r.AreaText, "0");
        EXPECT_NEAR(r.SumEast, -10, 1e-9);
        EXPECT_NEAR(r.SumNorth, 10, 1e-9);
    }
}

TEST(ArcGeometry, QuarterCircleAndNoRadius) {
    EXPECT_EQ(Format(ChordLength("R10.000", "15.708"), "0.000"), "14.142");
    EXPECT_NEAR(SegmentArea("R10.000", "15.708", false), kQuarterDisc - 50, 1e-3);
    EXPECT_EQ(ChordLength("R0", "15.708"), 0.0);
    EXPECT_EQ(SegmentArea("R0", "15.708", false), 0.0);
    EXPECT_EQ(SegmentArea(1000.0, 15.708, true), 0.0);
    GridRows rows = kSectorRight;
    rows[1][ColBearing] = "R0";
    ClosureResult r = GridClosure(rows, true, CurveTable({{2, 3, "R", kMissingBearing, 135}}));
    EXPECT_NEAR(r.TotalLength, 20, 1e-9);
    EXPECT_TRUE(std::isfinite(r.SumEast) && std::isfinite(Val(r.AreaText)));
    EXPECT_EQ(r.AreaText.find("nan"), std::string::npos);
}

TEST(TraverseAngle, FromTheBackDirectionOfTheFirstLine) {
    const char* cases[][3] = {
        {"45.0000", "45.0000", "-180.0000"}, // straight on
        {"45.0000", "225.0000", "0.0000"},   // back along the same line
        {"0.0000", "90.0000", "-90.0000"},    {"90.0000", "0.0000", "90.0000"},
        {"350.0000", "10.0000", "-160.0000"}, {"10.0000", "350.0000", "160.0000"},
        {"123.4530", "301.1015", "-2.3515"}};
    for (const auto& c : cases)
        EXPECT_EQ(Format(TraverseAngle(c[0], c[1]), "0.0000"), c[2]) << c[0] << " then " << c[1];
}

// A straight continuation is -180 whatever the bearing (the rounding of the sines once put
// some at +180), and going back along a line is 0, never -0.
TEST(TraverseAngle, StraightOnIsAlwaysMinusOneEighty) {
    for (int d = 0; d < 360; ++d)
        for (const char* ms : {"0000", "1840", "5959", "0001"}) {
            const std::string b = std::to_string(d) + "." + ms;
            EXPECT_EQ(Format(TraverseAngle(b, b), "0.0000"), "-180.0000") << b;
            const std::string back = ReverseBearing(Val(b));
            EXPECT_EQ(Format(TraverseAngle(b, back), "0.0000"), "0.0000") << b;
        }
    EXPECT_EQ(Format(TraverseAngle("0.0000", "360.0000"), "0.0000"), "-180.0000");
    EXPECT_EQ(Format(TraverseAngle("360.0000", "0.0000"), "0.0000"), "-180.0000");
}

// The closing bearing is the direction from the end of the traverse back to its start.
TEST(ClosingBearing, PointsFromTheEndBackToTheStart) {
    // The traverse ends 10 mm west of its start: it closes eastwards.
    EXPECT_EQ(Format(ClosingBearing(-0.01, 0), "0.0000"), "90.0000");
    EXPECT_EQ(Format(ClosingBearing(0.003, 0.004), "0.0000"), "216.5212");
    EXPECT_EQ(ClosingBearing(1e-12, -1e-12), 0.0); // an exact closure has no direction
}

LineRecord line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    return LineRecord{from, to, bearing, distance, 0};
}

struct LegCase {
    std::int32_t from, to;
    const char* bearing; // nullptr: missing
    double distance;
};

TEST(LineLeg, PlainLinesEitherWayMissingAndDropped) {
    // 11-12 has no bearing measured, 12-13 a bearing below 0, 13-14 neither a bearing nor
    // an arc; 14-15, 15-16 and 16-17 are dropped, and 16-17 shadows the good 17-16 after it.
    const std::vector<LineRecord> lines = {
        line(1, 2, 45.3020, 10), line(3, 2, 180, 20),    line(11, 12, 999, 10),
        line(12, 13, -5, 10),    line(13, 14, 1000, 10), line(14, 15, 90, -10),
        line(15, 16, 90, 0),     line(16, 17, 90, -3),   line(17, 16, 270, 3)};
    const LegCase cases[] = {{1, 2, "45.3020", 10},  {2, 1, "225.3020", 10}, {3, 2, "180.0000", 20},
                             {2, 3, "360.0000", 20}, // a back bearing of 360 stays 360
                             {11, 12, nullptr, 10},  {12, 13, nullptr, 10},  {14, 13, nullptr, 10},
                             {14, 15, nullptr, 0},   {15, 16, nullptr, 0},   {16, 17, nullptr, 0},
                             {17, 16, nullptr, 0},   {8, 9, nullptr, 0}};
    for (const LegCase& c : cases) {
        LineLegResult leg = LineLeg(c.from, c.to, lines, CurveTable());
        SCOPED_TRACE(std::to_string(c.from) + "-" + std::to_string(c.to));
        EXPECT_EQ(leg.Missing, c.bearing == nullptr);
        if (c.bearing)
            EXPECT_EQ(Format(leg.Bearing, "0.0000"), c.bearing);
        else
            EXPECT_EQ(leg.Bearing, -1.0);
        EXPECT_EQ(leg.Distance, c.distance);
        EXPECT_FALSE(leg.Arc);
        EXPECT_EQ(leg.Segment, 0.0);
    }
}

TEST(LineLeg, ArcsTakeTheirChordInTheDirectionAsked) {
    // A quarter of the circumference to a fraction of a second of arc.
    const std::vector<LineRecord> lines = {line(2, 3, 1010, 15.70796)};
    const double segment = kQuarterDisc - 50;
    for (const CurveRecord& record : {CurveRecord{2, 3, "R", 90, kMissingBearing},
                                      CurveRecord{3, 2, "L", kMissingBearing, 315}}) {
        CurveTable curves({record});
        LineLegResult forwards = LineLeg(2, 3, lines, curves);
        EXPECT_FALSE(forwards.Missing);
        EXPECT_TRUE(forwards.Arc);
        EXPECT_EQ(forwards.Radius, 10.0);
        EXPECT_EQ(Format(forwards.Bearing, "0.0000"), "135.0000");
        EXPECT_EQ(Format(forwards.Distance, "0.000"), "14.142");
        EXPECT_NEAR(forwards.Segment, segment, 1e-3);

        LineLegResult backwards = LineLeg(3, 2, lines, curves);
        EXPECT_EQ(Format(backwards.Bearing, "0.0000"), "315.0000");
        EXPECT_EQ(Format(backwards.Distance, "0.000"), "14.142");
        EXPECT_NEAR(backwards.Segment, -segment, 1e-3);
    }
    // Without a bearing in the curve file the arc's direction is unknown.
    for (const auto& records :
         {std::vector<CurveRecord>{}, {CurveRecord{2, 3, "R", kMissingBearing, kMissingBearing}}}) {
        LineLegResult leg = LineLeg(2, 3, lines, CurveTable(records));
        EXPECT_TRUE(leg.Missing);
        EXPECT_EQ(leg.Bearing, -1.0);
        EXPECT_EQ(leg.Distance, 0.0);
    }
}

TEST(LinePairIndex, AnswersWhatTheScanAnswers) {
    std::mt19937 random(20417);
    std::uniform_int_distribution<std::int32_t> point(1, 40);
    std::uniform_int_distribution<int> kind(0, 9);
    const CurveTable curves({{3, 4, "R", 10, kMissingBearing}, {5, 6, "L", kMissingBearing, 20}});
    for (int plan = 0; plan < 8; ++plan) {
        std::vector<LineRecord> lines = {line(-7, 4444123, 10, 10)};
        for (int i = 0; i < 300; ++i) {
            std::int32_t a = point(random), b = point(random);
            int k = kind(random);
            double bearing = k == 0 ? 999 : k == 1 ? 1000 + point(random) : (k * 37) % 360;
            lines.push_back(line(a, b, bearing, k == 2 ? -5 : 1 + i));
            // Duplicates, both ways round, later in the file.
            if (k == 3)
                lines.push_back(line(b, a, 12, 2));
            if (k == 4)
                lines.push_back(line(a, b, 13, 3));
        }
        LinePairIndex index(lines);
        ASSERT_EQ(index.Find(4444123, -7), std::optional<std::size_t>(0)); // marks key too
        for (std::int32_t a = -7; a <= 41; ++a) {
            for (std::int32_t b = -7; b <= 41; ++b) {
                ASSERT_EQ(index.Find(a, b), FindLine(lines, a, b)) << a << "-" << b;
                LineLegResult scanned = LineLeg(a, b, lines, curves);
                LineLegResult indexed = LineLeg(a, b, lines, index, curves);
                ASSERT_EQ(
                    std::tie(indexed.Missing, indexed.Bearing, indexed.Distance, indexed.Segment),
                    std::tie(scanned.Missing, scanned.Bearing, scanned.Distance, scanned.Segment));
            }
        }
    }
}

} // namespace
} // namespace corvane

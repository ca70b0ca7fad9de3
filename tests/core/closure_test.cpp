#include "core/closure.h"

#include "core/bearing.h"
#include "core/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace corvane {
namespace {

// ---- Accuracy classes ------------------------------------------------------------------

TEST(AllowableMisclosure, EachClassAtFourHundredMetres) {
    struct Case {
        const char* accuracyClass;
        double expected;
    };
    const Case cases[] = {
        {"Steep or mountainous", 0.075},
        {"Level or undulating", 0.055},
        {"Surveyed Polygons", 0.04},
        {"Urban Survey (prior Feb 2019)", 0.07},
        {"Rural Survey (prior Feb 2019)", 0.18},
        {"Marrick City Core District", 0.02 + 400.0 / 15000},
        {"Commercial and City Frame District", 0.06},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(AllowableMisclosure(400, c.accuracyClass), c.expected, 1e-12)
            << c.accuracyClass;
}

TEST(AllowableMisclosure, OnlyTheExactClassTextCounts) {
    for (const char* text : {"surveyed polygons", "Surveyed Polygons ", " Surveyed Polygons",
                             "SURVEYED POLYGONS", "", "Urban Survey"})
        EXPECT_EQ(AllowableMisclosure(400, text), 0.0) << '"' << text << '"';
}

// ---- Grid closure ------------------------------------------------------------------------

GridRow row(const char* from, const char* to, const char* bearing, const char* distance) {
    return GridRow{"", from, to, bearing, distance};
}

// A curve source that must not be asked: the traverse has no arcs.
CurveData noCurves(std::int32_t, std::int32_t, std::string_view, std::string_view) {
    ADD_FAILURE() << "curve data asked for a traverse without arcs";
    return {};
}

const GridRows kClockwiseSquare = {
    row("1", "2", "0.0000", "100.000"),
    row("2", "3", "90.0000", "100.000"),
    row("3", "4", "180.0000", "100.000"),
    row("4", "1", "270.0000", "100.000"),
};
const GridRows kAnticlockwiseSquare = {
    row("1", "2", "90.0000", "100.000"),
    row("2", "3", "0.0000", "100.000"),
    row("3", "4", "270.0000", "100.000"),
    row("4", "1", "180.0000", "100.000"),
};

std::vector<Leg> legsOf(const GridRows& rows) {
    std::vector<Leg> legs;
    for (const GridRow& r : rows)
        legs.push_back({BearingToRadians(r[ColBearing]), Val(r[ColDistance])});
    return legs;
}

TEST(GridClosure, SquaresGiveTheAreaWithTheSignOfTheirDirection) {
    ClosureResult cw = GridClosure(kClockwiseSquare, true, noCurves);
    EXPECT_NEAR(cw.SumEast, 0, 1e-6);
    EXPECT_NEAR(cw.SumNorth, 0, 1e-6);
    EXPECT_DOUBLE_EQ(cw.TotalLength, 400);
    EXPECT_NEAR(Val(cw.AreaText), 10000, 1e-3);
    EXPECT_FALSE(cw.MissingData);

    ClosureResult acw = GridClosure(kAnticlockwiseSquare, true, noCurves);
    EXPECT_NEAR(Val(acw.AreaText), -10000, 1e-3);
    EXPECT_EQ(acw.AreaText.front(), '-');

    // The summary's area never goes below 0: an anticlockwise parcel has none.
    EXPECT_NEAR(BowditchArea(cw.SumEast, cw.SumNorth, cw.TotalLength, 0, legsOf(kClockwiseSquare)),
                10000, 1e-3);
    EXPECT_EQ(
        BowditchArea(acw.SumEast, acw.SumNorth, acw.TotalLength, 0, legsOf(kAnticlockwiseSquare)),
        0.0);
}

TEST(GridClosure, MisclosureIsSharedOutByLength) {
    // The last line is 0.1 m short: the sums show the gap, the adjusted area is still the
    // square's to within the adjustment.
    GridRows rows = kClockwiseSquare;
    rows[3][ColDistance] = "99.900";
    ClosureResult r = GridClosure(rows, true, noCurves);
    EXPECT_NEAR(r.SumEast, 0.1, 1e-9);
    EXPECT_NEAR(r.SumNorth, 0, 1e-9);
    EXPECT_NEAR(r.TotalLength, 399.9, 1e-9);
    EXPECT_NEAR(Val(r.AreaText), 9995.0, 0.01);
}

TEST(GridClosure, OutsideParcelModeOnlyTheSums) {
    ClosureResult r = GridClosure(kClockwiseSquare, false, noCurves);
    EXPECT_NEAR(r.SumEast, 0, 1e-6);
    EXPECT_EQ(r.TotalLength, 0.0);
    EXPECT_EQ(r.AreaText, "0");
}

TEST(GridClosure, MissingDistanceOrBearingLeavesNoArea) {
    struct Case {
        const char* bearing;
        const char* distance;
    };
    const Case cases[] = {{"90.0000", "No Data"},
                          {"90.0000", "0.000"},
                          {"90.0000", "-5.000"},
                          {"No Data", "100.000"},
                          {"No Data", "No Data"}};
    for (const Case& c : cases) {
        GridRows rows = kClockwiseSquare;
        rows[1][ColBearing] = c.bearing;
        rows[1][ColDistance] = c.distance;
        ClosureResult r = GridClosure(rows, true, noCurves);
        EXPECT_TRUE(r.MissingData) << c.bearing << " " << c.distance;
        // The sums are those of the other three lines.
        EXPECT_NEAR(r.SumEast, -100, 1e-6);
        EXPECT_NEAR(r.SumNorth, 0, 1e-6);
        EXPECT_EQ(r.TotalLength, 0.0);
        EXPECT_EQ(r.AreaText, "0");

        // Outside parcel mode the row simply adds nothing.
        ClosureResult open = GridClosure(rows, false, noCurves);
        EXPECT_NEAR(open.SumEast, -100, 1e-6);
        EXPECT_NEAR(open.SumNorth, 0, 1e-6);
    }
}

// A quarter sector of radius 10: centre 1, north to 2, along the arc turning right to 3,
// west back to 1. Area = a quarter of the circle.
const double kQuarterDisc = Pi() * 100 / 4;
const GridRows kSectorRight = {
    row("1", "2", "0.0000", "10.000"),
    row("2", "3", "R10.000", "15.708"),
    row("3", "1", "270.0000", "10.000"),
};
// The same sector run anticlockwise: the arc turns left.
const GridRows kSectorLeft = {
    row("1", "3", "90.0000", "10.000"),
    row("3", "2", "R10.000", "15.708"),
    row("2", "1", "180.0000", "10.000"),
};

TEST(GridClosure, ArcsAddTheirChordAndSegment) {
    struct Case {
        const char* name;
        std::vector<CurveRecord> records;
    };
    const Case cases[] = {
        {"tangent stored forwards", {{2, 3, "R", 90, kMissingBearing}}},
        {"chord stored forwards", {{2, 3, "R", kMissingBearing, 135}}},
        {"tangent stored backwards", {{3, 2, "L", 0, kMissingBearing}}},
        {"chord stored backwards", {{3, 2, "L", kMissingBearing, 315}}},
    };
    for (const Case& c : cases) {
        CurveTable curves(c.records);
        ClosureResult right = GridClosure(kSectorRight, true, curves);
        EXPECT_FALSE(right.MissingData) << c.name;
        EXPECT_NEAR(right.SumEast, 0, 1e-3) << c.name;
        EXPECT_NEAR(right.SumNorth, 0, 1e-3) << c.name;
        EXPECT_NEAR(right.TotalLength, 20 + 10 * std::sqrt(2.0), 1e-3) << c.name;
        EXPECT_NEAR(Val(right.AreaText), kQuarterDisc, 0.01) << c.name;

        ClosureResult left = GridClosure(kSectorLeft, true, curves);
        EXPECT_FALSE(left.MissingData) << c.name;
        EXPECT_NEAR(left.SumEast, 0, 1e-3) << c.name;
        EXPECT_NEAR(left.SumNorth, 0, 1e-3) << c.name;
        EXPECT_NEAR(Val(left.AreaText), -kQuarterDisc, 0.01) << c.name;
    }
}

TEST(GridClosure, ArcWithoutChordBearingIsMissingData) {
    const std::vector<CurveRecord> withoutBearing[] = {
        {},                                              // no record at all
        {{2, 3, "R", kMissingBearing, kMissingBearing}}, // neither bearing given
        {{2, 4, "R", 90, kMissingBearing}},              // a record of another arc
    };
    for (const auto& records : withoutBearing) {
        CurveTable curves(records);
        ClosureResult r = GridClosure(kSectorRight, true, curves);
        EXPECT_TRUE(r.MissingData);
        EXPECT_EQ(r.TotalLength, 0.0);
        EXPECT_EQ(r.AreaText, "0");
        // Only the two straight lines count in the sums.
        EXPECT_NEAR(r.SumEast, -10, 1e-9);
        EXPECT_NEAR(r.SumNorth, 10, 1e-9);
    }
}

TEST(GridClosure, ArcOfNoRadiusAddsNothing) {
    GridRows rows = kSectorRight;
    rows[1][ColBearing] = "R0";
    CurveTable curves({{2, 3, "R", kMissingBearing, 135}});
    ClosureResult r = GridClosure(rows, true, curves);
    EXPECT_TRUE(std::isfinite(r.SumEast));
    EXPECT_TRUE(std::isfinite(r.SumNorth));
    EXPECT_NEAR(r.TotalLength, 20, 1e-9);
    EXPECT_TRUE(std::isfinite(Val(r.AreaText)));
    EXPECT_EQ(r.AreaText.find("nan"), std::string::npos);
    EXPECT_EQ(ChordLength("R0", "15.708"), 0.0);
    EXPECT_EQ(SegmentArea("R0", "15.708", false), 0.0);
    EXPECT_EQ(SegmentArea(1000.0, 15.708, true), 0.0);
}

TEST(GridClosure, CurveSourceIsAskedWithTheRowsPointsAndCells) {
    GridRows rows = {row("PM5", "7", "R10.000", "15.708")};
    std::int32_t askedFrom = 0, askedTo = 0;
    std::string askedBearing, askedDistance;
    GridClosure(rows, false,
                [&](std::int32_t from, std::int32_t to, std::string_view b, std::string_view d) {
                    askedFrom = from;
                    askedTo = to;
                    askedBearing = b;
                    askedDistance = d;
                    return CurveData{};
                });
    EXPECT_EQ(askedFrom, 44445);
    EXPECT_EQ(askedTo, 7);
    EXPECT_EQ(askedBearing, "R10.000");
    EXPECT_EQ(askedDistance, "15.708");
}

// ---- Arc geometry ------------------------------------------------------------------------

TEST(ArcGeometry, QuarterCircleChordAndSegment) {
    EXPECT_EQ(Format(ChordLength("R10.000", "15.708"), "0.000"), "14.142");
    EXPECT_EQ(Format(ChordLength(1010.0, 15.708), "0.000"), "14.142");
    const double segment = kQuarterDisc - 50;
    EXPECT_NEAR(SegmentArea("R10.000", "15.708", false), segment, 1e-3);
    EXPECT_NEAR(SegmentArea(1010.0, 15.708, true), -segment, 1e-3);
    EXPECT_EQ(ChordLength(1010.0, 0.0), 0.0);
}

// ---- Angles between lines ----------------------------------------------------------------

TEST(TraverseAngle, FromTheBackDirectionOfTheFirstLine) {
    struct Case {
        const char* b1;
        const char* b2;
        const char* expected;
    };
    const Case cases[] = {
        {"45.0000", "45.0000", "-180.0000"},  // straight on
        {"45.0000", "225.0000", "0.0000"},    // back along the same line
        {"0.0000", "90.0000", "-90.0000"},    // right turn
        {"90.0000", "0.0000", "90.0000"},     // left turn
        {"350.0000", "10.0000", "-160.0000"}, // across north
        {"10.0000", "350.0000", "160.0000"},  {"0.0000", "359.3000", "179.3000"},
        {"123.4530", "301.1015", "-2.3515"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Format(TraverseAngle(c.b1, c.b2), "0.0000"), c.expected)
            << c.b1 << " then " << c.b2;
}

// ---- Lines of a parcel from PlanLines ----------------------------------------------------

LineRecord line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    return LineRecord{from, to, bearing, distance, 0};
}

TEST(LineLeg, PlainLinesEitherWay) {
    const std::vector<LineRecord> lines = {
        line(1, 2, 45.3020, 10),
        line(3, 2, 180, 20),
        line(3, 4, 200.1530, 30),
        line(4, 5, 0, 40),
    };
    CurveTable none;
    struct Case {
        std::int32_t from, to;
        const char* bearing;
        double distance;
    };
    const Case cases[] = {
        {1, 2, "45.3020", 10},  {2, 1, "225.3020", 10},
        {3, 2, "180.0000", 20}, {2, 3, "360.0000", 20}, // a back bearing of exactly 360 stays 360
        {4, 3, "20.1530", 30},  {5, 4, "180.0000", 40},
    };
    for (const Case& c : cases) {
        LineLegResult leg = LineLeg(c.from, c.to, lines, none);
        EXPECT_FALSE(leg.Missing) << c.from << "-" << c.to;
        EXPECT_EQ(Format(leg.Bearing, "0.0000"), c.bearing) << c.from << "-" << c.to;
        EXPECT_EQ(leg.Distance, c.distance);
        EXPECT_FALSE(leg.Arc);
        EXPECT_EQ(leg.Segment, 0.0);
    }
}

TEST(LineLeg, MissingLines) {
    const std::vector<LineRecord> lines = {
        line(1, 2, 999, 10),  // no bearing measured
        line(2, 3, -5, 10),   // a bearing below 0
        line(3, 4, 1000, 10), // neither a bearing nor an arc
        line(4, 5, 90, -10),  // dropped (deleted parcel)
        line(5, 6, 90, 0),    // dropped
        line(6, 7, 90, -3),   // dropped, and a good line of the same pair follows:
        line(7, 6, 270, 3),   // the first entry decides
    };
    CurveTable none;
    struct Case {
        std::int32_t from, to;
        double distance; // what the leg reports with its missing bearing
    };
    const Case cases[] = {{1, 2, 10}, {2, 1, 10}, {2, 3, 10}, {4, 3, 10}, {4, 5, 0},
                          {5, 6, 0},  {6, 7, 0},  {7, 6, 0},  {8, 9, 0}};
    for (const Case& c : cases) {
        LineLegResult leg = LineLeg(c.from, c.to, lines, none);
        EXPECT_TRUE(leg.Missing) << c.from << "-" << c.to;
        EXPECT_EQ(leg.Bearing, -1.0) << c.from << "-" << c.to;
        EXPECT_EQ(leg.Distance, c.distance) << c.from << "-" << c.to;
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
        EXPECT_FALSE(backwards.Missing);
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

// ---- The pair index against the plain scan -------------------------------------------------

TEST(LinePairIndex, AnswersWhatTheScanAnswers) {
    std::mt19937 random(20417);
    for (int plan = 0; plan < 8; ++plan) {
        std::uniform_int_distribution<std::int32_t> point(1, 40);
        std::uniform_int_distribution<int> kind(0, 9);
        std::vector<LineRecord> lines;
        for (int i = 0; i < 300; ++i) {
            std::int32_t a = point(random), b = point(random);
            int k = kind(random);
            double bearing = k == 0 ? 999 : k == 1 ? 1000 + point(random) : (k * 37) % 360;
            double distance = k == 2 ? -5 : 1 + i;
            lines.push_back(line(a, b, bearing, distance));
            // Duplicates, both ways round, later in the file.
            if (k == 3)
                lines.push_back(line(b, a, 12, 2));
            if (k == 4)
                lines.push_back(line(a, b, 13, 3));
        }
        lines.push_back(line(-7, 4444123, 10, 10)); // marks and negative numbers key too
        CurveTable curves({{3, 4, "R", 10, kMissingBearing}, {5, 6, "L", kMissingBearing, 20}});
        LinePairIndex index(lines);
        for (std::int32_t a = -7; a <= 41; ++a) {
            for (std::int32_t b = -7; b <= 41; ++b) {
                ASSERT_EQ(index.Find(a, b), FindLine(lines, a, b)) << a << "-" << b;
                LineLegResult scanned = LineLeg(a, b, lines, curves);
                LineLegResult indexed = LineLeg(a, b, lines, index, curves);
                ASSERT_EQ(indexed.Missing, scanned.Missing);
                ASSERT_EQ(indexed.Bearing, scanned.Bearing);
                ASSERT_EQ(indexed.Distance, scanned.Distance);
                ASSERT_EQ(indexed.Segment, scanned.Segment);
            }
        }
        EXPECT_EQ(index.Find(4444123, -7), FindLine(lines, 4444123, -7));
        EXPECT_TRUE(index.Find(4444123, -7).has_value());
    }
}

} // namespace
} // namespace corvane

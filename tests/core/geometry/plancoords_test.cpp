#include "bench/plangen.h"
#include "core/files/linesfile.h"
#include "core/geometry/plancoords.h"
#include "core/geometry/planview.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The builder as a plain walk over the point table, pass after pass, each point scanning
// the lines from the first: the reference the fast builder must agree with exactly. A point
// passed over as a group start may still be fixed by the propagation that follows.
std::vector<PointRecord> WalkingBuilder(const std::vector<LineRecord>& lines,
                                        const CurveTable& curves) {
    std::vector<PointRecord> pts = InitPlanPoints(lines);
    if (pts.empty())
        return pts;
    auto isFixed = [&pts](std::int32_t n) {
        int i = FindPointIndex(pts, n);
        return i >= 0 && pts[static_cast<std::size_t>(i)].Fixed == 1;
    };
    auto propagate = [&] {
        for (;;) {
            bool changed = false;
            for (PointRecord& p : pts) {
                if (p.Fixed == 1)
                    continue;
                for (const LineRecord& l : lines) {
                    LegOffset leg = PlanLegOffset(l, curves);
                    if (!leg.Usable)
                        continue;
                    if (l.ToPoint == p.Number && isFixed(l.FromPoint)) {
                        const PointRecord& f =
                            pts[static_cast<std::size_t>(FindPointIndex(pts, l.FromPoint))];
                        p.East = f.East + leg.ForwardEast;
                        p.North = f.North + leg.ForwardNorth;
                        p.Group = f.Group;
                    } else if (l.FromPoint == p.Number && isFixed(l.ToPoint)) {
                        const PointRecord& t =
                            pts[static_cast<std::size_t>(FindPointIndex(pts, l.ToPoint))];
                        p.East = t.East + leg.BackwardEast;
                        p.North = t.North + leg.BackwardNorth;
                        p.Group = t.Group;
                    } else {
                        continue;
                    }
                    p.Fixed = 1;
                    changed = true;
                    break;
                }
            }
            if (!changed)
                return;
        }
    };
    propagate();
    for (;;) {
        const double m = MaxEast(pts);
        int start = -1;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            if (pts[i].Fixed != 0)
                continue;
            if (ChainLength(lines, pts[i].Number) == 2) {
                start = static_cast<int>(i);
                break;
            }
            pts[i].Fixed = -1;
        }
        if (start < 0)
            break;
        PointRecord& s = pts[static_cast<std::size_t>(start)];
        s.East = m + m / 4;
        s.North = 0;
        s.Fixed = 1;
        s.Group = start;
        propagate();
    }
    for (PointRecord& p : pts)
        if (p.Fixed == -1)
            p.Fixed = 0;
    ShiftToOrigin(pts);
    return pts;
}

void ExpectSameCoordinates(const gen::GeneratedPlan& plan, const std::string& what) {
    CurveTable curves(plan.curves);
    auto fast = BuildPlanCoordinates(plan.lines, curves);
    auto walked = WalkingBuilder(plan.lines, curves);
    ASSERT_EQ(fast.size(), walked.size()) << what;
    for (std::size_t i = 0; i < fast.size(); ++i) {
        ASSERT_EQ(fast[i].Number, walked[i].Number) << what << " entry " << i;
        ASSERT_EQ(fast[i].Fixed, walked[i].Fixed) << what << " point " << fast[i].Number;
        ASSERT_EQ(fast[i].Group, walked[i].Group) << what << " point " << fast[i].Number;
        // The same lines in the same order give the same sums to the last bit.
        ASSERT_EQ(fast[i].East, walked[i].East) << what << " point " << fast[i].Number;
        ASSERT_EQ(fast[i].North, walked[i].North) << what << " point " << fast[i].Number;
    }
}

TEST(PlanCoordinates, FastBuilderAgreesWithTheTableWalkOnPlansOfEveryShape) {
    ExpectSameCoordinates(gen::Chain(60, false), "chain");
    ExpectSameCoordinates(gen::Chain(60, true), "reversed chain");
    ExpectSameCoordinates(gen::ShuffledGrid(9, 3), "shuffled grid");
    for (unsigned seed = 1; seed <= 150; ++seed) {
        const int groups = 1 + static_cast<int>(seed % 5);
        ExpectSameCoordinates(
            gen::RandomNetwork(seed, 40, 20 + static_cast<int>(seed % 50), groups),
            "network " + std::to_string(seed));
    }
    // Degenerate tables: no lines, one line, a line from a point to itself.
    ExpectSameCoordinates({}, "no lines");
    ExpectSameCoordinates({{{7, 8, 45.0, 10.0, 0}}, {}}, "one line");
    ExpectSameCoordinates({{{7, 7, 45.0, 10.0, 0}, {7, 8, 0.0, 1.0, 0}}, {}}, "loop");
}

TEST(PlanCoordinates, UnconnectedGroupStandsEastOfTheFirstAndNothingIsNegative) {
    // Group one runs west and south from point 1; group two is a chain 10 → 11 → 12.
    std::vector<LineRecord> lines = {{1, 2, 270.0, 40.0, 0},
                                     {2, 3, 180.0, 30.0, 0},
                                     {1, 4, 90.0, 100.0, 0},
                                     {10, 11, 0.0, 5.0, 0},
                                     {11, 12, 90.0, 5.0, 0}};
    auto pts = BuildPlanCoordinates(lines, CurveTable{});
    auto at = [&pts](std::int32_t n) {
        return pts[static_cast<std::size_t>(FindPointIndex(pts, n))];
    };
    // Before the shift point 1 stood at 0 and point 4 at 100 east: point 10 at 125.
    EXPECT_NEAR(at(10).East - at(1).East, 125.0, 1e-9);
    EXPECT_NEAR(at(10).North - at(1).North, 0.0, 1e-9);
    EXPECT_NEAR(at(12).East - at(10).East, 5.0, 1e-9);
    for (const PointRecord& p : pts) {
        EXPECT_EQ(p.Fixed, 1);
        EXPECT_GE(p.East, 0.0);
        EXPECT_GE(p.North, 0.0);
    }
    EXPECT_NEAR(at(2).East, 0.0, 1e-9);  // the westmost point
    EXPECT_NEAR(at(3).North, 0.0, 1e-9); // the southmost
    EXPECT_EQ(at(4).Group, 0);
    EXPECT_EQ(at(12).Group, FindPointIndex(pts, 10));
}

TEST(PlanCoordinates, MissingBearingsDroppedLinesAndArcs) {
    CurveTable curves({{3, 4, "R", 999, 90.0}, {5, 6, "L", 999, 999}});
    std::vector<LineRecord> lines = {
        {1, 2, 0.0, 10.0, 0},  {2, 7, 999.0, 8.0, 0},    // no bearing: 7 stays open
        {2, 8, 45.0, 0.0, 0},                            // dropped: 8 stays open
        {2, 3, 90.0, 10.0, 0}, {3, 4, 1020.0, 30.0, 0},  // arc R 20, 30 m: chord east
        {4, 5, 90.0, 1.0, 0},  {5, 6, 1020.0, 10.0, 0}}; // arc without a chord bearing
    auto pts = BuildPlanCoordinates(lines, curves);
    auto at = [&pts](std::int32_t n) {
        return pts[static_cast<std::size_t>(FindPointIndex(pts, n))];
    };
    EXPECT_EQ(at(7).Fixed, 0);
    EXPECT_EQ(at(8).Fixed, 0);
    EXPECT_EQ(at(6).Fixed, 0);
    EXPECT_EQ(at(4).Fixed, 1);
    const double chord = 2 * 20 * std::sin(30.0 / 20 / 2);
    EXPECT_NEAR(at(4).East - at(3).East, chord, 1e-9);
    EXPECT_NEAR(at(4).North - at(3).North, 0.0, 1e-9);
    EXPECT_EQ(UnfixedPointLabels(pts), (std::vector<std::string>{"7", "8", "6"}));
}

TEST(PlanCoordinates, PointPassedOverAsGroupStartIsStillFixedFromItsGroup) {
    // 3 and 5 cannot start a group (no chain of two lines leaves them) and are passed over
    // before 6 starts one; the group 6 → 7 → 8 then reaches 5 (5 → 6) and 3 (5 → 3).
    std::vector<LineRecord> lines = {{1, 2, 0.0, 10.0, 0}, {3, 4, 999.0, 5.0, 0},
                                     {5, 3, 0.0, 4.0, 0},  {5, 6, 90.0, 6.0, 0},
                                     {6, 7, 90.0, 6.0, 0}, {7, 8, 90.0, 6.0, 0}};
    auto pts = BuildPlanCoordinates(lines, CurveTable{});
    auto at = [&pts](std::int32_t n) {
        return pts[static_cast<std::size_t>(FindPointIndex(pts, n))];
    };
    EXPECT_EQ(at(5).Fixed, 1);
    EXPECT_EQ(at(3).Fixed, 1);
    EXPECT_EQ(at(4).Fixed, 0);
    EXPECT_NEAR(at(6).East - at(5).East, 6.0, 1e-9);
    EXPECT_NEAR(at(3).North - at(5).North, 4.0, 1e-9);
    EXPECT_EQ(at(3).Group, FindPointIndex(pts, 6));
}

TEST(PlanCoordinates, LineClassesAndMissingParcelSides) {
    std::vector<LineRecord> lines = {{1, 2, 0.0, 10.0, 0},
                                     {2, 3, 90.0, 10.0, 0},
                                     {3, 1, 225.0, 14.142, 0},
                                     {3, 4, 90.0, 5.0, 0}};
    const std::vector<std::string> polygons = {
        "\"EA1\",10,\"C\"", "1", "2", "1", "\"AL1\",50,\"C\"", "1", "2", "3", "1",
        "\"CO1\",1,\"C\"",  "3", "9", "3", "\"EA2\",1,\"C\"",  "3", "4", "3"};
    PrepareLineStyles(lines, polygons);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].Style, 2); // easement first, then a boundary: the boundary wins
    EXPECT_EQ(lines[2].Style, 2);
    EXPECT_EQ(lines[3].Style, 3); // easement only
    // 3 - 9 is no line of the plan: added for drawing, without bearing or distance.
    EXPECT_EQ(lines[4].FromPoint, 3);
    EXPECT_EQ(lines[4].ToPoint, 9);
    EXPECT_EQ(lines[4].Bearing, 999.0);
    EXPECT_EQ(lines[4].Distance, 0.0);
    EXPECT_EQ(lines[4].Style, 1);

    // Such a line never reaches the lines file.
    test::PlanTestDir dir;
    PlanState plan;
    plan.PlanPath = dir.path("P1");
    plan.PlanLines = lines;
    ASSERT_TRUE(SaveLines(plan));
    EXPECT_EQ(dir.read("P1.lns").find("3,9,"), std::string::npos);

    // No polygons: every line dotted.
    PrepareLineStyles(lines, {});
    for (const LineRecord& l : lines)
        EXPECT_EQ(l.Style, 1);
}

TEST(PlanCoordinates, ContextParcelSidesAreClassedWhereNoPlanParcelHasThem) {
    test::PlanTestDir dir;
    // Lot 1-2-3, construction parcel 3-4, easement 4-5; the context parcel runs along all
    // of them and on along 5-6 and 6-7, which no parcel of the plan has, and to point 8,
    // which no line reaches.
    dir.write("P1.ply", "\"AL1\",50,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n"
                        "\"CO1\",1,\"C\"\r\n3\r\n4\r\n\"EA1\",1,\"C\"\r\n4\r\n5\r\n");
    dir.write("P1.ctx", "\"LT1/DP7\",\"adjoining\",0\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n"
                        "\"RD1/DP7\",\"existing\",0\r\n7\r\n6\r\n");
    const std::vector<LineRecord> lines = {
        {1, 2, 0.0, 10.0, 0}, {2, 3, 90.0, 10.0, 0}, {3, 1, 225.0, 14.142, 0}, {3, 4, 90.0, 5.0, 0},
        {4, 5, 90.0, 5.0, 0}, {5, 6, 90.0, 5.0, 0},  {7, 6, 270.0, 5.0, 0}};
    WholePlanDrawing drawing = PrepareWholePlanDrawing(lines, dir.path("P1"));
    ASSERT_TRUE(drawing.Problems.empty()) << drawing.Problems[0].message;
    ASSERT_EQ(drawing.Context.size(), 2u);
    std::vector<std::int16_t> styles;
    for (const LineRecord& l : drawing.Lines)
        styles.push_back(l.Style);
    // No line is added for the context side 7-8: point 8 is no point of the drawing.
    EXPECT_EQ(styles, (std::vector<std::int16_t>{kBoundaryStyle, kBoundaryStyle, kBoundaryStyle,
                                                 kOtherStyle, kEasementStyle, kContextStyle,
                                                 kContextStyle}));
    EXPECT_EQ(FindPointIndex(drawing.Points, 8), -1);
    EXPECT_EQ(StrokeOfStyle(kContextStyle), Stroke::LongDashed);

    // A context parcel file that cannot be read is a problem of the drawing, which is made
    // without it.
    dir.write("P1.ctx", "\"LT1/DP7\",\"adjoining\",0\r\n5\r\nsix\r\n");
    drawing = PrepareWholePlanDrawing(lines, dir.path("P1"));
    ASSERT_EQ(drawing.Problems.size(), 1u);
    EXPECT_NE(drawing.Problems[0].message.find("P1.ctx"), std::string::npos);
    EXPECT_TRUE(drawing.Context.empty());
    EXPECT_EQ(drawing.Lines[5].Style, kOtherStyle);
}

TEST(PlanCoordinates, ScaledLinesAreNumberedBelowTheSurveyAndAllOrNothing) {
    test::PlanTestDir dir;
    std::vector<LineRecord> lines = {{1, 2, 0.0, 10.0, 0}, {2, -3, 0.0, 10.0, 0}};
    EXPECT_TRUE(AppendScaledLines(lines, dir.path("P1"))); // no file: nothing to add
    EXPECT_EQ(lines.size(), 2u);

    dir.write("P1.SCA", "2,5,10.3000,12.5\r\n5,0,1,2\r\n0,0,3,4\r\n");
    ASSERT_TRUE(AppendScaledLines(lines, dir.path("P1")));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].Bearing, 10.3);
    EXPECT_EQ(lines[3].ToPoint, -4);
    EXPECT_EQ(lines[4].FromPoint, -5);
    EXPECT_EQ(lines[4].ToPoint, -6);

    dir.write("P1.SCA", "2,5,10.3000,12.5\r\n5,x,1,2\r\n");
    Result<void> refused = AppendScaledLines(lines, dir.path("P1"));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().title, "Scaled Data");
    EXPECT_EQ(refused.error().message.rfind("Cannot load Scaled data - ", 0), 0u);
    EXPECT_EQ(lines.size(), 5u);
}

TEST(PlanCoordinates, DrawingPreparationCopesWithThinPlans) {
    test::PlanTestDir dir;
    // No lines and no polygons: nothing to draw, no failure.
    WholePlanDrawing empty = PrepareWholePlanDrawing({}, dir.path("P1"));
    EXPECT_TRUE(empty.Points.empty());
    EXPECT_TRUE(empty.Problems.empty());
    // Polygons whose parcels have no lines, one of a single point: the sides are drawn as
    // missing lines, the points listed as not fixed, and the plan's lines stay as given.
    dir.write("P2.ply", "\"AL1\",1,\"C\"\r\n1\r\n2\r\n1\r\n\"AL2\",1,\"C\"\r\n7\r\n");
    const std::vector<LineRecord> planLines = {{5, 6, 0.0, 3.0, 0}};
    WholePlanDrawing thin = PrepareWholePlanDrawing(planLines, dir.path("P2"));
    EXPECT_EQ(thin.Lines.size(), 2u); // 1 - 2 added once, walked both ways
    EXPECT_EQ(planLines.size(), 1u);
    EXPECT_EQ(UnfixedPointLabels(thin.Points), (std::vector<std::string>{"1", "2"}));
}

} // namespace
} // namespace corvane

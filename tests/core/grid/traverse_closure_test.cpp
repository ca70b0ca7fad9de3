#include "core/grid/traverse_closure.h"

#include "core/base/numtext.h"
#include "core/reports/summary.h"
#include "core/reports/traverse_print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace corvane;

namespace {

GridRow row(std::string from, std::string to, std::string bearing, std::string distance,
            std::string link = "") {
    return GridRow{std::move(link), std::move(from), std::move(to), std::move(bearing),
                   std::move(distance)};
}

TraverseGrid parcel(GridRows rows) {
    TraverseGrid grid;
    PlanState none;
    SetGridRows(grid, std::move(rows), none);
    grid.chkParcel = true;
    grid.caption = "AL1";
    return grid;
}

// A square of 100 m run clockwise, its last side 10 mm long; and the same square entered
// the other way round.
const GridRows kClockwise = {
    row("1", "2", "0.0000", "100.000"), row("2", "3", "90.0000", "100.000"),
    row("3", "4", "180.0000", "100.000"), row("4", "1", "270.0000", "100.010")};
const GridRows kAnticlockwise = {
    row("1", "4", "90.0000", "100.010", "7"), row("4", "3", "0.0000", "100.000"),
    row("3", "2", "270.0000", "100.000"), row("2", "1", "180.0000", "100.000")};

// Records the questions asked and answers them all the same way.
struct Asker {
    Reply answer = Reply::No;
    std::vector<std::string> asked;
    QuestionFn fn() {
        return [this](const std::string& text, const std::string& title) {
            asked.push_back(text + "|" + title);
            return answer;
        };
    }
};

const CurveTable kNoCurves;

} // namespace

TEST(TraverseClosure, ClockwiseParcelReportsRatioAreaAndVerdict) {
    PlanState plan;
    TraverseGrid grid = parcel(kClockwise);
    Asker ask;
    ClosureReport r = CalcClosure(grid, plan, false, "Surveyed Polygons", kNoCurves, ask.fn());
    EXPECT_EQ(r.text, "Closure ratio = 1 in 40001\n"
                      "Closing bearing  = 90.0000\n"
                      "Closing distance = 0.010\n"
                      "Area = 1.000 ha (Bowditch Adjusted)\n"
                      "Allowable misclosure = 0.040\n"
                      "MISCLOSURE ACCEPTABLE");
    EXPECT_EQ(r.title, "Closure results for AL1");
    EXPECT_EQ(r.areaHectares, "1.000");
    EXPECT_EQ(r.areaOption, AreaOption::Calculated);
    EXPECT_TRUE(grid.chkClosure);
    EXPECT_TRUE(ask.asked.empty());

    // Under a class that allows nothing the verdict turns, the area is still handed on.
    r = CalcClosure(grid, plan, false, "no such class", kNoCurves, ask.fn());
    EXPECT_NE(r.text.find("Allowable misclosure = 0.000\nMISCLOSURE NOT ACCEPTABLE"),
              std::string::npos);
    EXPECT_EQ(r.areaOption, AreaOption::Calculated);

    // Rounding in the sums of an exact closure must not show as a closing line.
    grid.rows[3][ColDistance] = "100.000";
    r = CalcClosure(grid, plan, false, "no such class", kNoCurves, ask.fn());
    EXPECT_EQ(r.text, "Closure ratio = 1 in \n"
                      "Closing bearing  = 0.0000\n"
                      "Closing distance = 0.000\n"
                      "Area = 1.000 ha (Bowditch Adjusted)\n"
                      "Allowable misclosure = 0.000\n"
                      "MISCLOSURE ACCEPTABLE");

    // Outside parcel mode only the closing line.
    TraverseGrid lines = parcel(kClockwise);
    lines.chkParcel = false;
    r = CalcClosure(lines, plan, false, "Surveyed Polygons", kNoCurves, nullptr);
    EXPECT_EQ(r.text, "Closing bearing  = 90.0000\nClosing distance = 0.010");
    EXPECT_EQ(r.title, "Closing data");
    EXPECT_FALSE(r.parcel);
    EXPECT_FALSE(lines.chkClosure);
    EXPECT_TRUE(r.areaHectares.empty());
}

TEST(TraverseClosure, AnticlockwiseParcelIsOfferedTheFix) {
    PlanState plan;
    TraverseGrid grid = parcel(kAnticlockwise);
    Asker ask;
    ClosureReport r = CalcClosure(grid, plan, false, "Surveyed Polygons", kNoCurves, ask.fn());
    ASSERT_EQ(ask.asked.size(), 1u);
    EXPECT_EQ(ask.asked[0], "This closure is anticlockwise\nFix it ?|Closure calculation");
    // No: the area keeps its sign in the report only.
    EXPECT_FALSE(r.reversed);
    EXPECT_NE(r.text.find("Area = -10000 m\xB2 (Bowditch Adjusted)"), std::string::npos) << r.text;
    EXPECT_EQ(r.areaHectares, "1.000");
    EXPECT_GT(r.area, 0);
    EXPECT_EQ(grid.rows, kAnticlockwise);

    // Outside the criterion, or when printing, no question is asked.
    Asker never;
    CalcClosure(grid, plan, false, "no such class", kNoCurves, never.fn());
    CalcClosure(grid, plan, true, "Surveyed Polygons", kNoCurves, never.fn());
    EXPECT_TRUE(never.asked.empty());
    EXPECT_EQ(grid.rows, kAnticlockwise);

    // Yes: rows in reverse order, ends exchanged, bearings turned, links with their rows.
    ask.answer = Reply::Yes;
    r = CalcClosure(grid, plan, false, "Surveyed Polygons", kNoCurves, ask.fn());
    EXPECT_TRUE(r.reversed);
    const GridRows expected = {
        row("1", "2", "0.0000", "100.000"), row("2", "3", "90.0000", "100.000"),
        row("3", "4", "180.0000", "100.000"), row("4", "1", "270.0000", "100.010", "7")};
    EXPECT_EQ(grid.rows, expected);
    // The closing figures are those of the traverse as entered; the area is now positive.
    EXPECT_NE(r.text.find("Closing bearing  = 270.0000\n"), std::string::npos);
    EXPECT_NE(r.text.find("Area = 1.000 ha (Bowditch Adjusted)"), std::string::npos);
    EXPECT_TRUE(grid.chkChange);

    // "No Data" and arcs are not turned.
    TraverseGrid mixed =
        parcel({row("1", "2", "No Data", "5.000"), row("2", "3", "R10.000", "6.000"),
                row("3", "1", "200.1530", "7.000")});
    ReverseTraverse(mixed);
    EXPECT_EQ(mixed.rows,
              GridRows({row("1", "3", "20.1530", "7.000"), row("3", "2", "R10.000", "6.000"),
                        row("2", "1", "No Data", "5.000")}));
}

TEST(TraverseClosure, MissingDataGivesAnApproximateAreaFromBothEnds) {
    PlanState plan;
    GridRows rows = kClockwise;
    rows[3][ColDistance] = "100.000";
    rows[1][ColBearing] = "No Data";
    TraverseGrid grid = parcel(rows);
    ClosureReport r = CalcClosure(grid, plan, false, "Surveyed Polygons", kNoCurves, nullptr);
    // The closing line is the missing one: 2 to 3, east.
    EXPECT_EQ(r.text, "Missing data in closure\n"
                      "Closing bearing  = 90.0000\n"
                      "Closing distance = 100.000\n"
                      "Area = 1.000 ha approx.");
    EXPECT_EQ(r.areaOption, AreaOption::Approximate);
    EXPECT_EQ(r.areaHectares, "1.000");
    EXPECT_TRUE(grid.chkClosure);
    EXPECT_DOUBLE_EQ(AreaByCoords(plan), 10000.0);
    // The missing line is bridged: the points on either side of it are where they belong.
    ASSERT_EQ(plan.PointTop, 4);
    EXPECT_NEAR(plan.PlanPoints[1].North, 100, 1e-9);
    EXPECT_NEAR(plan.PlanPoints[2].East, 100, 1e-9);
    EXPECT_NEAR(plan.PlanPoints[2].North, 100, 1e-9);
    EXPECT_EQ(plan.PlanPoints[2].Number, 3);
    EXPECT_EQ(plan.PlanPoints[2].Fixed, 2);
}

TEST(TraverseClosure, CommandNeedsTwoRowsAfterTrimming) {
    PlanState plan;
    TraverseGrid grid = parcel({row("1", "2", "0.0000", "100.000"), row("2", "", "", "")});
    Result<ClosureReport> out = ClosureCommand(grid, plan, "Surveyed Polygons", kNoCurves, nullptr);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error().message, "Not enough data to close");
    EXPECT_EQ(out.error().title, "Closure error");
}

// The traverse window, its printout and the closure summary give a parcel one closing
// bearing: the summary's, from the end of the traverse back to its start (the window once
// gave the opposite direction, 347.1312 against the summary's 167.1312).
TEST(TraverseClosure, ClosingBearingIsTheSummarysEverywhere) {
    const std::vector<std::string> polygons = {"\"AL1\",10000,\"C\"", "1", "2", "3", "4", "1"};
    for (const char* lastBearing : {"270.0000", "270.0130", "269.5930"}) {
        GridRows rows = kClockwise;
        rows[3][ColBearing] = lastBearing;
        std::vector<LineRecord> lines;
        for (const GridRow& r : rows)
            lines.push_back({static_cast<std::int32_t>(Val(r[ColFrom])),
                             static_cast<std::int32_t>(Val(r[ColTo])), Val(r[ColBearing]),
                             Val(r[ColDistance]), 0});
        std::string summary;
        for (const std::string& l : RenderPrintLines(
                 ClosureSummary(SummaryFull, "P", polygons, lines, kNoCurves, "Surveyed Polygons")
                     .Lines))
            if (l.rfind("Closing Bearing = ", 0) == 0)
                summary = l.substr(18);
        ASSERT_FALSE(summary.empty()) << lastBearing;

        PlanState plan;
        TraverseGrid grid = parcel(rows);
        const ClosureReport window =
            CalcClosure(grid, plan, false, "Surveyed Polygons", kNoCurves, nullptr);
        EXPECT_NE(window.text.find("Closing bearing  = " + summary + "\n"), std::string::npos)
            << lastBearing << ": " << window.text << " / summary " << summary;
        const TraversePrintout sheet =
            PrintTraverseSheet(grid, plan, "Surveyed Polygons", kNoCurves, "today");
        const std::vector<std::string> printed = RenderPrintLines(sheet.lines);
        EXPECT_NE(std::find(printed.begin(), printed.end(), "Closing bearing  = " + summary),
                  printed.end())
            << lastBearing;
    }
}

// The traverse window's drawing follows an arc leg along its curve, the long way round the
// centre for a cul-de-sac head (radius 10, arc length 47.124 from 1 at (0, 0) to 2 at
// (10, 10)), not along its chord; the straight leg back stays one line.
TEST(TraverseDrawing, ArcLegsFollowTheirCurveEitherTurn) {
    const double h = 10 / std::sqrt(2.0);
    struct Case {
        const char* Turn;
        double CentreE, CentreN, MiddleE, MiddleN;
    };
    for (const Case& c : {Case{"R", 0, 10, -h, 10 + h}, Case{"L", 10, 0, 10 + h, -h}}) {
        SCOPED_TRACE(c.Turn);
        const CurveTable curves({{1, 2, c.Turn, 999, 45.0}});
        TraverseGrid grid =
            parcel({row("1", "2", "R10.000", "47.124"), row("2", "1", "225.0000", "14.142")});
        PlanState plan;
        CreateGridCoords(grid, plan, curves);
        const std::vector<TraverseArc> arcs = GridArcs(grid, curves);
        ASSERT_EQ(arcs.size(), 1u);
        EXPECT_EQ(arcs[0].To, 1u);
        EXPECT_EQ(arcs[0].Left, std::string(c.Turn) == "L");

        const std::vector<PlotLine> shapes = TraverseShapes(plan.PlanPoints, arcs);
        ASSERT_EQ(shapes.size(), 41u);
        for (std::size_t k = 0; k < 40; ++k)
            EXPECT_NEAR(std::hypot(shapes[k].E2 - c.CentreE, shapes[k].N2 - c.CentreN), 10, 1e-3);
        EXPECT_NEAR(shapes[19].E2, c.MiddleE, 1e-3);
        EXPECT_NEAR(shapes[19].N2, c.MiddleN, 1e-3);
        EXPECT_NEAR(shapes[40].E2, 0, 1e-3); // the straight leg home
        EXPECT_NEAR(shapes[40].N2, 0, 1e-3);
    }
}

// The panel's reading of the rows as they are typed: a verdict only for a closed traverse
// with every figure; otherwise what is missing, and never a change to the grid.
TEST(TraverseClosure, GlanceSaysWhatIsMissingOrHowTheTraverseCloses) {
    TraverseGrid grid = parcel(kClockwise);
    const TraverseGrid before = grid;
    ClosureGlance g = GlanceAtClosure(grid, "Surveyed Polygons", kNoCurves);
    EXPECT_EQ(g.state, ClosureVerdict::Within);
    EXPECT_EQ(g.ratio, "1 in 40001");
    EXPECT_EQ(g.bearing, "90.0000");
    EXPECT_EQ(g.distance, "0.010");
    EXPECT_EQ(g.allowable, "0.040");
    EXPECT_EQ(g.area, "1.000 ha");
    EXPECT_EQ(g.verdict, "MISCLOSURE ACCEPTABLE");
    EXPECT_EQ(grid.rows, before.rows);
    EXPECT_FALSE(grid.chkClosure);
    // Entered anticlockwise: the same area in the same unit, and the run named.
    const ClosureGlance turned =
        GlanceAtClosure(parcel(kAnticlockwise), "Surveyed Polygons", kNoCurves);
    EXPECT_EQ(turned.area, "1.000 ha");
    EXPECT_EQ(turned.verdict, "MISCLOSURE ACCEPTABLE; runs anticlockwise");

    g = GlanceAtClosure(grid, "no such class", kNoCurves);
    EXPECT_EQ(g.state, ClosureVerdict::Outside);
    EXPECT_EQ(g.verdict, "MISCLOSURE NOT ACCEPTABLE");

    // An exact closure has no ratio to divide: it reads "exact".
    grid.rows[3][ColDistance] = "100.000";
    g = GlanceAtClosure(grid, "no such class", kNoCurves);
    EXPECT_EQ(g.ratio, "exact");
    EXPECT_EQ(g.state, ClosureVerdict::Within);

    // A row being typed (no distance yet) is left out, as the Closure command leaves it.
    grid.rows.push_back(row("1", "", "", ""));
    EXPECT_EQ(GlanceAtClosure(grid, "Surveyed Polygons", kNoCurves).ratio, "exact");

    struct Case {
        const char* name;
        GridRows rows;
        const char* verdict;
    };
    const Case incomplete[] = {
        {"nothing yet", {row("", "", "", "")}, "Not enough data to close"},
        {"one line", {row("1", "2", "0.0000", "10.000")}, "Not enough data to close"},
        {"no bearing",
         {row("1", "2", "0.0000", "10.000"), row("2", "3", "No Data", "10.000"),
          row("3", "1", "225.0000", "14.142")},
         "No bearing in line 2"},
        {"no distance",
         {row("1", "2", "0.0000", "No Data"), row("2", "3", "90.0000", "10.000"),
          row("3", "1", "225.0000", "14.142")},
         "No distance in line 1"},
        {"arc without curve data",
         {row("1", "2", "0.0000", "10.000"), row("2", "3", "R10.000", "10.000"),
          row("3", "1", "225.0000", "14.142")},
         "No curve data for the arc in line 2"},
        {"open",
         {row("1", "2", "0.0000", "10.000"), row("2", "3", "90.0000", "10.000")},
         "Not closed: ends at 3, not at 1"},
    };
    for (const Case& c : incomplete) {
        g = GlanceAtClosure(parcel(c.rows), "Surveyed Polygons", kNoCurves);
        EXPECT_EQ(g.state, ClosureVerdict::Incomplete) << c.name;
        EXPECT_EQ(g.verdict, c.verdict) << c.name;
        EXPECT_TRUE(g.ratio.empty() && g.area.empty() && g.allowable.empty()) << c.name;
    }

    // Lines that are no parcel show how far they miss their start, and are not judged.
    TraverseGrid lines = parcel(kClockwise);
    lines.chkParcel = false;
    g = GlanceAtClosure(lines, "Surveyed Polygons", kNoCurves);
    EXPECT_EQ(g.state, ClosureVerdict::NotJudged);
    EXPECT_EQ(g.distance, "0.010");
    EXPECT_TRUE(g.ratio.empty());
}

#include "core/reports/traverse_print.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

GridRow row(std::string from, std::string to, std::string bearing, std::string distance) {
    return GridRow{"", std::move(from), std::move(to), std::move(bearing), std::move(distance)};
}

TraverseGrid grid(GridRows rows, bool parcel) {
    TraverseGrid g;
    PlanState none;
    SetGridRows(g, std::move(rows), none);
    g.chkParcel = parcel;
    g.caption = parcel ? "AL1" : "Add Connection Lines";
    return g;
}

const CurveTable kNoCurves;

} // namespace

TEST(TraversePrintout, ClosedParcelSheetWithAnglesCoordinatesAndClosure) {
    PlanState plan;
    plan.PlanPath = "/plans/DP1";
    TraverseGrid g = grid({row("1", "2", "0.0000", "100.000"), row("2", "3", "90.0000", "100.000"),
                           row("3", "4", "180.0000", "100.000"),
                           row("4", "1", "270.0000", "100.010"), row("1", "", "", "")},
                          true);
    TraversePrintout printout =
        PrintTraverseSheet(g, plan, "Surveyed Polygons", kNoCurves, "6/12/2025 10:00:00");
    std::string text;
    for (const std::string& l : RenderPrintLines(printout.lines))
        text += l + "\n";
    EXPECT_EQ(text,
              "\n"
              "         ========================================================================\n"
              "         CLOSURE OF AL1 in /plans/DP1\n"
              "         ========================================================================\n"
              "\n"
              "         Accuracy criterion = Surveyed Polygons\n"
              "\n"
              "         From       To        Bearing   Angle      Distance    East        North\n"
              "\n"
              "         1          2         0.0000    -90.0000   100.000     0.000       100.000\n"
              "         2          3         90.0000   -90.0000   100.000     100.000     100.000\n"
              "         3          4         180.0000  -90.0000   100.000     100.000     0.000\n"
              "         4          1         270.0000  -90.0000   100.010     -0.010      0.000\n"
              "\n"
              "Closure ratio = 1 in 40001\n"
              "Closing bearing  = 90.0000\n"
              "Closing distance = 0.010\n"
              "Area = 1.000 ha (Bowditch Adjusted)\n"
              "Allowable misclosure = 0.040\n"
              "MISCLOSURE ACCEPTABLE\n"
              "\n"
              "Printed on 6/12/2025 10:00:00\n");
    ASSERT_TRUE(printout.closure);
    EXPECT_EQ(printout.closure->areaHectares, "1.000");
    EXPECT_EQ(g.dataRows(), 4); // the waiting empty row was trimmed
}

TEST(TraversePrintout, MissingArcAndEmptyBearingsAdvanceNothing) {
    // An open traverse between marks: an arc (chord due east, 20 m), a row without a bearing,
    // a missing bearing, a missing distance, and a row after them.
    CurveTable curves({{44441, 44442, "L", kMissingBearing, 90}});
    TraverseGrid g = grid({row("PM1", "PM2", "R10.000", "31.416"), row("PM2", "5", "", "4.000"),
                           row("5", "6", "No Data", "3.000"), row("6", "7", "45.0000", "No Data"),
                           row("7", "8", "90.0000", "2.000")},
                          true);
    auto lines = RenderPrintLines(PrintTraverse(g, "P", "Surveyed Polygons", curves));
    // Heading: no accuracy line for a traverse that does not close.
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[2], "         CLOSURE OF AL1 in P");
    const char* expected[] = {
        "         PM1        PM2       R10.000              31.416      20.000      0.000",
        "         PM2        5                              4.000       20.000      0.000",
        "         5          6         No Data              3.000       20.000      0.000",
        "         6          7         45.0000              No Data     20.000      0.000",
        "         7          8         90.0000   -135.0000  2.000       22.000      0.000"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(lines[7 + i], expected[i]);
}

TEST(TraversePrintout, EditLinesAndConnectionSheetsAndASingleRow) {
    PlanState plan;
    plan.PlanPath = "P";
    TraverseGrid g =
        grid({row("1", "2", "0.0000", "10.000"), row("2", "3", "90.0000", "20.000")}, false);
    TraversePrintout printout = PrintTraverseSheet(g, plan, "Surveyed Polygons", kNoCurves, "now");
    auto lines = RenderPrintLines(printout.lines);
    EXPECT_EQ(lines[2], "         Traverse in P");
    EXPECT_EQ(lines[10], "Closing bearing  = 243.2606"); // from the end back to the start

    g.chkEdit = true;
    g.caption = "Edit Lines";
    printout = PrintTraverseSheet(g, plan, "Surveyed Polygons", kNoCurves, "now");
    lines = RenderPrintLines(printout.lines);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[2], "         Lines data in P");
    EXPECT_EQ(lines[7], "         1          2         0.0000               10.000");
    EXPECT_EQ(lines[10], "Printed on now");
    EXPECT_FALSE(printout.closure);

    TraverseGrid single = grid({row("1", "2", "0.0000", "10.000")}, true);
    EXPECT_TRUE(
        PrintTraverseSheet(single, plan, "Surveyed Polygons", kNoCurves, "now").lines.empty());
}

// Road offsides: the corrections at each corner, merging straight runs, and the printout.
#include "core/tools/offsides.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"

#include "tests/core/stripgrid.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

constexpr auto* road = &test::StripRow;

TraverseGrid roadGrid(GridRows rows) {
    return test::StripGrid(std::move(rows), GridKind::Offsides);
}

std::string printed(const TraverseGrid& grid, bool right) {
    std::string text;
    for (const std::string& line :
         RenderPrintLines(OffsidesPrintLines(grid, right, "Offsides Calculation Form", "P")))
        text += line + "\n";
    return text;
}

} // namespace

TEST(RoadOffsides, CornersCorrectTheMiddleLinesByTheirTurns) {
    // North, east, south, all 10 wide: two right turns of 90 degrees.
    const GridRows uTurn = {road("1", "2", "0.0000", "50.000", "10.000"),
                            road("2", "3", "90.0000", "100.000", "10.000"),
                            road("3", "4", "180.0000", "50.000", "10.000")};
    TraverseGrid left = roadGrid(uTurn);
    CalcRoadOffsides(left, false);
    EXPECT_EQ(left.cell(2, ColOffside), "80.000");
    TraverseGrid right = roadGrid(uTurn);
    CalcRoadOffsides(right, true);
    EXPECT_EQ(right.cell(2, ColOffside), "120.000");

    // A straight continuation has no correction at its start; a turn straight back none at
    // all (no division by its zero sine).
    TraverseGrid straight = roadGrid({road("1", "2", "90.0000", "0", "10.000"),
                                      road("2", "3", "90.0000", "100.000", "10.000"),
                                      road("3", "4", "270.0000", "0", "10.000")});
    CalcRoadOffsides(straight, false);
    EXPECT_EQ(straight.cell(2, ColOffside), "100.000");

    // Unknown figures give an unknown offside, never one computed from 0.
    TraverseGrid unknown = roadGrid({road("1", "2", "0.0000", "50.000", "10.000"),
                                     road("2", "3", "90.0000", kNoData, "10.000"),
                                     road("3", "4", kNoData, "20.000", "10.000"),
                                     road("4", "5", "180.0000", "50.000", "10.000")});
    CalcRoadOffsides(unknown, false);
    EXPECT_EQ(unknown.cell(2, ColOffside), kNoData);
    EXPECT_EQ(unknown.cell(3, ColOffside), kNoData);
    EXPECT_NE(printed(unknown, false).find("3         4         No Data   20.000"),
              std::string::npos);
    // Only the corner between two known bearings has a cosecant line.
    EXPECT_EQ(CosecData(unknown, false).size(), 1u);

    // 360 and 0 are one direction.
    EXPECT_TRUE(SameLine(360.0, 0.0));
    EXPECT_TRUE(SameLine(359.99999, 180.0));
    EXPECT_FALSE(SameLine(90.0001, 90.0));
}

TEST(RoadOffsides, MergeKeepsDifferentWidthsApart) {
    TraverseGrid grid = roadGrid(
        {road("1", "2", "0.0000", "0", "10.000"), road("2", "3", "90.0000", "40.000", "10.000"),
         road("3", "4", "90.0000", "60.000", "10.000"),
         road("4", "5", "90.0000", "30.000", "8.000"), road("5", "6", "180.0000", "0", "8.000")});
    CalcRoadOffsides(grid, false);
    MergeLines(grid);
    ASSERT_EQ(grid.dataRows(), 4);
    EXPECT_EQ(grid.cell(2, ColTo), "4");
    EXPECT_EQ(grid.cell(2, ColDistance), "100.000");
    EXPECT_EQ(grid.cell(2, ColOffside), "90.000");
    EXPECT_EQ(grid.cell(3, ColFrom), "4");
}

TEST(RoadOffsides, PrintoutShowsEveryRowAndTheCosecantLines) {
    // A left turn north then west, 5 wide: the far corner is 5 x sqrt 2 away on 45. A line
    // due north is printed like any other.
    TraverseGrid turn = roadGrid(
        {road("1", "2", "0.0000", "20.000", "5.000"), road("2", "3", "270.0000", "30.000", "5.000"),
         road("3", "4", "0.0000", "20.000", "5.000"), road("4", "5", "90.0000", "0", "5.000")});
    CalcRoadOffsides(turn, false);
    const std::string text = printed(turn, false);
    EXPECT_EQ(text, "         OFFSIDES CALCULATION FORM for P\n"
                    "         --------------------------------------\n"
                    "         Traverse is on LEFT side of road\n"
                    "\n"
                    "         From      To        Bearing   Distance       Width     Offside\n"
                    "\n"
                    "         1         2         0.0000                   5.000\n"
                    "         2         3         270.0000  30.000         5.000     30.000\n"
                    "         3         4         0.0000    20.000         5.000     10.000\n"
                    "         4         5         90.0000                  5.000\n"
                    "\n"
                    "         -------------------------------------\n"
                    "         Cosecant data\n"
                    "\n"
                    "         From      Bearing        Distance\n"
                    "\n"
                    "         2         45.0000        7.071\n"
                    "         3         45.0000        7.071\n"
                    "         4         135.0000       7.071\n");
}

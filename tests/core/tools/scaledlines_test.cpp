// The scaled lines file and its grid: reading strings and scaled lines, the check before a
// save, saving with and without a file, deleting rows, and the printout.
#include "core/base/printtext.h"
#include "core/tools/scaledlines.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

// String 1 runs from point 10 to 14, string 2 from 20 to 22; two scaled lines stand among
// them. The string records keep figures the grid would round.
const std::string kString1 = "10,0,100.5,200.25\r\n0,0,101.123456,201.5\r\n0,14,103.7,204.9\r\n";
const std::string kString2 = "20,0,300.1,400.2\r\n0,0,301.123456,401.56789\r\n"
                             "0,22,302.55,402.75\r\n";
const std::string kScaled = kString1 + "1,2,45.3,12.3456\r\n" + kString2 + "3,4,360,5\r\n";

GridRow row(std::string from, std::string to, std::string bearing, std::string distance,
            std::string string = "") {
    return GridRow{std::move(string), std::move(from), std::move(to), std::move(bearing),
                   std::move(distance)};
}

TraverseGrid scaledGrid(GridRows rows) {
    TraverseGrid grid;
    grid.kind = GridKind::Scaled;
    grid.rows = std::move(rows);
    grid.syncLinkPairs();
    grid.chkChange = true;
    return grid;
}

} // namespace

TEST(ScaledRead, ShowsEachStringAsOneRowAndTheLinesRounded) {
    test::PlanTestDir dir;
    dir.write("p.sca", kScaled);
    TraverseGrid grid;
    ASSERT_TRUE(LoadScaledGrid(grid, dir.path("p")));
    EXPECT_EQ(grid.kind, GridKind::Scaled);
    EXPECT_FALSE(grid.chkChange);
    EXPECT_EQ(grid.rows, (GridRows{row("10", "14", "Digitized", "Digitized", "1"),
                                   row("1", "2", "45.3000", "12.346"),
                                   row("20", "22", "Digitized", "Digitized", "2"),
                                   row("3", "4", "360.0000", "5.000")}));

    // A record that is not four numbers refuses the file, naming its line.
    dir.write("p.sca", "1,2,45,10\r\n1,2,abc,10\r\n");
    EXPECT_TRUE(
        test::Refused(ReadScaledRows(dir.path("p")), "Error reading scaled lines", "Line 2 of"));
    dir.write("p.sca", "1.5,2,45,10\r\n");
    EXPECT_TRUE(test::Refused(ReadScaledRows(dir.path("p")), "Error reading scaled lines"));
    // No file: one empty row to type in.
    fs::remove(dir.path("p.sca"));
    ASSERT_TRUE(LoadScaledGrid(grid, dir.path("p")));
    EXPECT_EQ(grid.rows, GridRows(1));
}

TEST(ScaledSave, DeletedStringIsDroppedAndTheOthersCopiedAsRead) {
    test::PlanTestDir dir;
    dir.write("p.sca", kScaled);
    TraverseGrid grid;
    ASSERT_TRUE(LoadScaledGrid(grid, dir.path("p")));

    grid.row = 2;
    EXPECT_FALSE(ScaledDeleteCheck(grid).confirm);
    grid.row = 1;
    const ScaledDeleteRule rule = ScaledDeleteCheck(grid);
    EXPECT_TRUE(rule.allowed);
    EXPECT_TRUE(rule.confirm);
    ASSERT_TRUE(DeleteScaledRow(grid));
    EXPECT_TRUE(grid.chkChange);
    EXPECT_EQ(grid.row, 1);
    EXPECT_EQ(grid.cell(2, 0), "2"); // the remaining string keeps its number

    ASSERT_TRUE(CheckScaledLines(grid).ok);
    ASSERT_TRUE(SaveScaledLines(grid, dir.path("p")));
    EXPECT_EQ(dir.read("p.sca"), "1,2,45.3,12.3456\r\n" + kString2 + "3,4,360,5\r\n");
    EXPECT_EQ(dir.read("p.~ca"), kScaled);

    // The last row is never deleted.
    grid.rows.resize(1);
    grid.syncLinkPairs();
    grid.row = 1;
    EXPECT_FALSE(ScaledDeleteCheck(grid).allowed);
    EXPECT_FALSE(DeleteScaledRow(grid));
}

// Records a digitizer or an older program left without a string around them, and scaled
// figures finer than the grid shows, survive a save untouched; only what the user deleted
// or retyped changes.
TEST(ScaledSave, CarriesEveryRecordAndTheFileFigures) {
    const std::string stray = "0,0,1.5,2.5\r\n";                              // a vertex alone
    const std::string abandoned = "10,0,100.5,200.25\r\n0,0,101.1,201.2\r\n"; // no end
    const std::string ended = "20,0,300.1,400.2\r\n0,22,302.55,402.75\r\n";
    const std::string lonelyEnd = "0,30,5,6\r\n";
    const std::string line = "1,2,45.3,12.3456\r\n";
    const std::string unended = "40,0,7,8\r\n0,0,9,10\r\n"; // the file stops in it
    const std::string file = stray + abandoned + ended + lonelyEnd + line + unended;
    test::PlanTestDir dir;
    dir.write("p.sca", file);
    TraverseGrid grid;
    ASSERT_TRUE(LoadScaledGrid(grid, dir.path("p")));
    EXPECT_EQ(grid.rows, (GridRows{row("", "", "Digitized", "Digitized", "1"),
                                   row("10", "", "Digitized", "Digitized", "2"),
                                   row("20", "22", "Digitized", "Digitized", "3"),
                                   row("", "30", "Digitized", "Digitized", "4"),
                                   row("1", "2", "45.3000", "12.346"),
                                   row("40", "", "Digitized", "Digitized", "5")}));

    grid.chkChange = true;
    ASSERT_TRUE(CheckScaledLines(grid).ok);
    ASSERT_TRUE(SaveScaledLines(grid, dir.path("p")));
    EXPECT_EQ(dir.read("p.sca"), file);

    // The abandoned string deleted, the line retyped: only they change.
    ASSERT_TRUE(LoadScaledGrid(grid, dir.path("p")));
    grid.row = 2;
    ASSERT_TRUE(DeleteScaledRow(grid));
    grid.cell(4, ColDistance) = "12.350";
    ASSERT_TRUE(CheckScaledLines(grid).ok);
    ASSERT_TRUE(SaveScaledLines(grid, dir.path("p")));
    EXPECT_EQ(dir.read("p.sca"), stray + ended + lonelyEnd + "1,2,45.3000,12.350\r\n" + unended);
}

TEST(ScaledSave, WithoutAFileWritesOnlyCompleteLines) {
    test::PlanTestDir dir;
    TraverseGrid grid = scaledGrid({row("1", "2", "45.3000", "12.346"), row("2", "3", "", ""),
                                    row("3", "4", "90.0000", "5.000")});
    ASSERT_TRUE(SaveScaledLines(grid, dir.path("p")));
    EXPECT_EQ(dir.read("p.sca"), "1,2,45.3000,12.346\r\n3,4,90.0000,5.000\r\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"p.sca"});
}

TEST(ScaledSave, FailedRewriteLeavesThePreviousFile) {
    test::PlanTestDir dir;
    dir.write("p.sca", kScaled);
    fs::permissions(dir.path("p.sca"), fs::perms::owner_read);
    TraverseGrid grid = scaledGrid({row("1", "2", "45.3000", "12.346")});
    EXPECT_TRUE(test::Refused(SaveScaledLines(grid, dir.path("p")), "Replace Scaled data error"));
    EXPECT_EQ(dir.read("p.sca"), kScaled);
    fs::permissions(dir.path("p.sca"), fs::perms::owner_all);
    // A file that cannot be read is not replaced either.
    dir.write("p.sca", "1,2,x,1\r\n");
    EXPECT_TRUE(test::Refused(SaveScaledLines(grid, dir.path("p")), "Replace Scaled data error",
                              "Line 1 of"));
    EXPECT_EQ(dir.read("p.sca"), "1,2,x,1\r\n");
}

TEST(ScaledCheck, RefusesTheFirstFaultyCellWithItsLine) {
    TraverseGrid grid =
        scaledGrid({row("10", "14", "Digitized", "Digitized", "1"), row("1", "2", "360.0000", "5"),
                    row("2", "3", "", ""), row("", "", "", "")});
    // Trailing rows without a distance go; the string row is not checked.
    EXPECT_TRUE(CheckScaledLines(grid).ok);
    EXPECT_EQ(grid.dataRows(), 2);

    struct Case {
        int col;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {ColBearing, "360.0001", "Invalid bearing in line 2"},
        {ColBearing, "", "Invalid bearing in line 2"},
        {ColBearing, "10.6000", "Invalid bearing in line 2"},
        {ColFrom, "0", "Invalid point number in line 2"},
        {ColTo, "", "Invalid point number in line 2"},
        {ColDistance, "0.000", "Invalid distance in line 2"},
    };
    for (const Case& c : cases) {
        grid.rows = {row("10", "14", "Digitized", "Digitized", "1"),
                     row("1", "2", "360.0000", "5.000")};
        grid.syncLinkPairs();
        grid.cell(2, c.col) = c.text;
        const ScaledCheck check = CheckScaledLines(grid);
        ASSERT_FALSE(check.ok) << c.text;
        EXPECT_EQ(check.message->message, c.message) << c.text;
        EXPECT_EQ(check.message->title, "Scaled line error");
        EXPECT_EQ(check.row, 2);
        EXPECT_EQ(check.col, c.col) << c.text;
    }
    // Row 1 is kept even without a distance, and checked.
    grid = scaledGrid({row("1", "2", "10.0000", "")});
    EXPECT_EQ(CheckScaledLines(grid).message->message, "Invalid distance in line 1");
}

TEST(ScaledPrint, ListsTheRowsAtTheirColumns) {
    const std::vector<std::string> printed = RenderPrintLines(ScaledPrintLines(
        {row("10", "14", "Digitized", "Digitized", "1"), row("1", "2", "45.3000", "12.346")},
        "C:\\plans\\p"));
    const std::vector<std::string> body(printed.begin() + 3, printed.end());
    EXPECT_EQ(printed[0], "");
    EXPECT_EQ(body, (std::vector<std::string>{
                        "           List of Scaled Lines for C:\\plans\\p",
                        "",
                        "           From        To          Bearing     Distance",
                        "           10          14          Digitized   Digitized",
                        "           1           2           45.3000     12.346",
                    }));
}

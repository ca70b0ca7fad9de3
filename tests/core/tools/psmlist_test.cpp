// The survey mark connection list: loading from the stored lines, the row checks, the save
// into the lines file, delete and cancel, and the printout.
#include "core/base/printtext.h"
#include "core/files/linesfile.h"
#include "core/grid/traverse_edit.h"
#include "core/tools/psmlist.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

// Line 0 is stored from corner 12 to mark 5001, line 2 from mark 6000 to corner 13; line 1 is
// an ordinary line, line 3 a connection without a bearing (not listed).
const std::string kLines = "12,5001,45.0000,10.000\r\n1,2,90.0000,100.000\r\n"
                           "6000,13,30.0000,20.000\r\n14,6001,999.0000,5.000\r\n";

GridRow row(std::string corner, std::string bearing, std::string distance, std::string mark,
            std::string link = "") {
    return GridRow{std::move(link), std::move(corner), std::move(bearing), std::move(distance),
                   std::move(mark)};
}

struct PsmPlan {
    test::PlanTestDir dir;
    PlanState plan;
    TraverseGrid grid;
    explicit PsmPlan(const std::string& lines = kLines) {
        dir.write("p.lns", lines);
        plan.PlanPath = dir.path("p");
        LoadLines(plan); // a refused load shows in LinesLoadFailed
        open();
    }
    void open() {
        grid = TraverseGrid{};
        grid.kind = GridKind::Marks;
        SetGridRows(grid, LoadPSMRows(plan), plan);
    }
    void add(GridRow r) {
        grid.insertRow(grid.dataRows() + 1);
        grid.at(grid.dataRows()) = std::move(r);
        grid.chkChange = true;
    }
};

} // namespace

TEST(PsmList, LoadsEachConnectionFromTheMarkAndPassesTheCheck) {
    PsmPlan t;
    EXPECT_EQ(t.grid.rows, (GridRows{row("12", "225.0000", "10.000", "5001", "0"),
                                     row("13", "30.0000", "20.000", "6000", "2")}));
    // Loaded rows save as they are, a mark of four digits included.
    EXPECT_TRUE(CheckPSMLines(t.grid, t.plan).ok);
}

// Marks read as labels in this list as in every other grid: shown as "PM1234", typed so in
// any letter case, and stored as the coded number, while a coded number typed as digits
// is still taken.
TEST(PsmList, ShowsAndTakesMarkLabels) {
    PsmPlan t("44441234,12,45.0000,10.000\r\n13,55557,30.0000,20.000\r\n");
    EXPECT_EQ(t.grid.rows, (GridRows{row("12", "45.0000", "10.000", "PM1234", "0"),
                                     row("13", "210.0000", "20.000", "SSM7", "1")}));
    t.add(row("14", "90.0000", "5.000", ""));
    t.add(row("15", "80.0000", "6.000", "44441236"));
    t.grid.row = 3;
    t.grid.col = ColMarkNumber;
    ASSERT_TRUE(CommitCell(t.grid, t.plan, "pm 1235").accepted);
    EXPECT_EQ(t.grid.cell(3, ColMarkNumber), "PM 1235");
    ASSERT_TRUE(CheckPSMLines(t.grid, t.plan).ok);
    ASSERT_TRUE(SavePSMLines(t.grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "44441234,12,45.0000,10.000\r\n55557,13,210.0000,20.000\r\n"
                                   "44441235,14,90.0000,5.000\r\n44441236,15,80.0000,6.000\r\n");

    // A stored mark number whose label would name no mark (44440 reads "PM0") is shown as
    // its digits and stored back unchanged.
    {
        PsmPlan zero("44440,12,45.0000,10.000\r\n");
        EXPECT_EQ(zero.grid.rows, (GridRows{row("12", "45.0000", "10.000", "44440", "0")}));
        ASSERT_TRUE(CheckPSMLines(zero.grid, zero.plan).ok);
        ASSERT_TRUE(SavePSMLines(zero.grid, zero.plan));
        EXPECT_EQ(zero.dir.read("p.lns"), "44440,12,45.0000,10.000\r\n");
    }

    // A label that names no mark is refused as any other faulty mark.
    for (const char* mark : {"PM", "PM0", "PM12.5", "PMX1", "PM1234567890"}) {
        t.open();
        t.add(row("16", "10.0000", "1.000", mark));
        const PsmCheck check = CheckPSMLines(t.grid, t.plan);
        ASSERT_FALSE(check.ok) << mark;
        EXPECT_EQ(check.message->message, "Invalid PSM number in line 5") << mark;
    }
}

TEST(PsmCheck, RefusesTheFirstFaultyCellWithItsLine) {
    PlanState plan; // marks above 5000
    TraverseGrid grid;
    grid.kind = GridKind::Marks;
    grid.rows = {row("12", "10.0000", "5.000", "")};
    grid.syncLinkPairs();
    grid.row = 1;
    grid.col = ColMarkNumber;
    ASSERT_TRUE(CommitCell(grid, plan, "1234/56789").accepted);
    EXPECT_EQ(grid.cell(1, ColMarkNumber), "123456789");
    // A trailing row without a mark is dropped.
    grid.insertRow(2);
    grid.cell(2, ColCorner) = "14";
    EXPECT_TRUE(CheckPSMLines(grid, plan).ok);
    EXPECT_EQ(grid.dataRows(), 1);

    grid.cell(1, ColMarkBearing) = "360.0000";
    EXPECT_TRUE(CheckPSMLines(grid, plan).ok);

    struct Case {
        int col;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {ColMarkBearing, "360.0001", "Invalid bearing in line 2"},
        {ColMarkBearing, "45.6000", "Invalid bearing in line 2"},
        {ColMarkBearing, "", "Invalid bearing in line 2"},
        {ColCorner, "5001", "Invalid corner number in line 2"}, // a mark is no corner
        {ColCorner, "", "Invalid corner number in line 2"},
        {ColMarkDistance, "0.000", "Invalid distance in line 2"},
        {ColMarkNumber, "5000", "Invalid PSM number in line 2"}, // an ordinary point
        {ColMarkNumber, "2147483648", "Invalid PSM number in line 2"},
        {ColMarkNumber, "1234/5678", "Invalid PSM number in line 2"},
    };
    for (const Case& c : cases) {
        grid.rows = {row("12", "10.0000", "5.000", "123456789"),
                     row("13", "20.0000", "6.000", "123456789")};
        grid.syncLinkPairs();
        grid.cell(2, c.col) = c.text;
        const PsmCheck check = CheckPSMLines(grid, plan);
        ASSERT_FALSE(check.ok) << c.text;
        EXPECT_EQ(check.message->message, c.message) << c.text;
        EXPECT_EQ(check.message->title, "PSM line error");
        EXPECT_EQ(check.message->icon, Icon::Exclamation);
        EXPECT_EQ(check.row, 2);
        EXPECT_EQ(check.col, c.col) << c.text;
        EXPECT_EQ(grid.row, 2);
    }
    // The corner is checked before the distance, the distance before the bearing.
    grid.rows = {row("", "400", "0", "1")};
    EXPECT_EQ(CheckPSMLines(grid, plan).col, ColCorner);
    grid.cell(1, ColCorner) = "12";
    EXPECT_EQ(CheckPSMLines(grid, plan).col, ColMarkDistance);
}

TEST(PsmSave, StoresConnectionsFromTheMarkAndNeverTwice) {
    PsmPlan t;
    // The connection 12-5001 typed again from the mark: the listed row decides its figures.
    t.add(row("12", "225.1000", "10.500", "5001"));
    t.add(row("15", "100.0000", "7.000", MarkNumberEntry("1234/56789")));
    // 14-6001 has no bearing and is not listed: the row typed for it gives it one.
    t.add(row("14", "80.0000", "5.000", "6001"));
    t.grid.cell(1, ColMarkDistance) = "10.010";
    ASSERT_TRUE(CheckPSMLines(t.grid, t.plan).ok);
    ASSERT_TRUE(SavePSMLines(t.grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "5001,12,225.0000,10.010\r\n1,2,90.0000,100.000\r\n"
                                   "6000,13,30.0000,20.000\r\n6001,14,80.0000,5.000\r\n"
                                   "123456789,15,100.0000,7.000\r\n");
    t.open();
    EXPECT_EQ(t.grid.dataRows(), 4);
}

TEST(PsmSave, LinkedRowFollowsItsLineAfterTheLinesWereReloaded) {
    PsmPlan t;
    t.grid.cell(2, ColMarkDistance) = "21.000";
    t.grid.chkChange = true;
    // Another window rewrote the lines file with a line in front, and the lines were let go.
    t.dir.write("p.lns", "7,8,1.0000,1.000\r\n" + kLines);
    t.plan.chkArray = false;
    ASSERT_TRUE(SavePSMLines(t.grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "7,8,1.0000,1.000\r\n5001,12,225.0000,10.000\r\n"
                                   "1,2,90.0000,100.000\r\n6000,13,30.0000,21.000\r\n"
                                   "14,6001,999.0000,5.000\r\n");
}

TEST(PsmSave, DeleteIsUndoneByCancelAndWrittenBySave) {
    {
        PsmPlan t;
        const std::vector<LineRecord> before = t.plan.PlanLines;
        t.plan.PlanLines[1].Distance = -100; // marked in another window
        t.grid.row = 1;
        ASSERT_TRUE(DeletePSMRow(t.grid, t.plan));
        EXPECT_TRUE(t.grid.chkChange);
        EXPECT_EQ(t.grid.rows, (GridRows{row("13", "30.0000", "20.000", "6000", "2")}));
        CancelPSM(t.grid, t.plan);
        EXPECT_EQ(t.plan.PlanLines.size(), before.size());
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(t.plan.PlanLines[i].Distance, before[i].Distance) << i;
        EXPECT_EQ(t.dir.read("p.lns"), kLines);
    }
    {
        // Another window let the lines go after the delete: the save reads them again and
        // still removes the deleted line.
        PsmPlan t;
        t.grid.row = 2;
        std::vector<LinkPair> deleted;
        ASSERT_TRUE(DeletePSMRow(t.grid, t.plan, &deleted));
        EXPECT_EQ(t.grid.row, 1);
        t.plan.chkArray = false;
        t.plan.PlanLines.clear();
        ASSERT_TRUE(CheckPSMLines(t.grid, t.plan).ok);
        ASSERT_TRUE(SavePSMLines(t.grid, t.plan, deleted));
        EXPECT_EQ(t.dir.read("p.lns"), "5001,12,225.0000,10.000\r\n1,2,90.0000,100.000\r\n"
                                       "14,6001,999.0000,5.000\r\n");
        // Saved means gone: a later cancel brings nothing back.
        t.grid.chkChange = true;
        CancelPSM(t.grid, t.plan);
        EXPECT_EQ(t.plan.PlanLines.size(), 3u);
    }
    {
        // The plan's only connection can be deleted: its row is emptied, and the list saves.
        PsmPlan t("12,5001,45.0000,10.000\r\n1,2,90.0000,100.000\r\n");
        ASSERT_TRUE(DeletePSMRow(t.grid, t.plan));
        EXPECT_EQ(t.grid.rows, GridRows(1));
        ASSERT_TRUE(CheckPSMLines(t.grid, t.plan).ok);
        ASSERT_TRUE(SavePSMLines(t.grid, t.plan));
        EXPECT_EQ(t.dir.read("p.lns"), "1,2,90.0000,100.000\r\n");
    }
}

TEST(PsmSave, RefusedSaveLeavesFileAndLinesAsTheyWere) {
    {
        const std::string bad = "12,5001,45.0000,10.000\r\n1,2,abc,100.000\r\n";
        PsmPlan t(bad); // the load is refused
        ASSERT_TRUE(t.plan.LinesLoadFailed);
        t.add(row("15", "100.0000", "7.000", "123456789"));
        EXPECT_TRUE(test::Refused(SavePSMLines(t.grid, t.plan), "Error saving lines"));
        EXPECT_EQ(t.dir.read("p.lns"), bad);
        EXPECT_TRUE(t.plan.PlanLines.empty());
    }
    {
        PsmPlan t;
        t.grid.row = 1;
        ASSERT_TRUE(DeletePSMRow(t.grid, t.plan));
        t.add(row("15", "100.0000", "7.000", "123456789"));
        fs::permissions(t.dir.path("p.lns"), fs::perms::owner_read);
        EXPECT_FALSE(SavePSMLines(t.grid, t.plan));
        EXPECT_EQ(t.dir.read("p.lns"), kLines);
        // PlanLines as before the save: nothing added, the deletion still marked.
        ASSERT_EQ(t.plan.PlanLines.size(), 4u);
        EXPECT_EQ(t.plan.PlanLines[0].Distance, -10.0);
        EXPECT_EQ(t.plan.PlanLines[0].FromPoint, 12);
        fs::permissions(t.dir.path("p.lns"), fs::perms::owner_all);
    }
}

TEST(PsmPrint, ListsTheRowsAtTheirColumns) {
    PsmPlan t;
    EXPECT_EQ(RenderPrintLines(PSMPrintLines(t.grid, "C:\\plans\\p")),
              (std::vector<std::string>{
                  "         Permanent Survey Marks List for C:\\plans\\p",
                  "",
                  "         Corner         Bearing        Distance       PSM Number",
                  "",
                  "         12             225.0000       10.000         5001",
                  "         13             30.0000        20.000         6000",
              }));
    TraverseGrid empty;
    empty.kind = GridKind::Marks;
    EXPECT_TRUE(PSMPrintLines(empty, "p").empty());
    EXPECT_EQ(PsmNothingToPrintMessage().title, "Print PSM List error");
}

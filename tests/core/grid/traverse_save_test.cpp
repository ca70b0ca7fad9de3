#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/grid/traverse_edit.h"
#include "core/grid/traverse_save.h"
#include "core/grid/traversegrid.h"

#include "tests/core/plantestdir.h"
#include "tests/core/traversesaving.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

using test::OkLinesWritten;

const std::string kLines = "1,2,10.0000,50.000\r\n3,2,200.0000,40.000\r\n3,1,250.0000,30.000\r\n";
const std::string kPolygons =
    "\"AL1\",1000,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n\"AL2\",5,\"C\"\r\n3\r\n4\r\n";

GridRow row(std::string from, std::string to, std::string bearing, std::string distance,
            std::string link = "") {
    return GridRow{std::move(link), std::move(from), std::move(to), std::move(bearing),
                   std::move(distance)};
}

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

// A plan on disk with its lines loaded.
struct TestPlan {
    test::PlanTestDir dir;
    PlanState plan;
    explicit TestPlan(const std::string& lines = kLines, const std::string& polygons = kPolygons) {
        dir.write("p.lns", lines);
        dir.write("p.ply", polygons);
        plan.PlanPath = dir.path("p");
        LoadLines(plan);
    }
    // The traverse window opened on a stored parcel.
    TraverseGrid openParcel(const std::string& id) {
        TraverseGrid grid;
        auto rows = LoadParcelLines(plan, id);
        EXPECT_TRUE(rows);
        SetGridRows(grid, rows.value(), plan);
        grid.chkParcel = true;
        grid.caption = id;
        return grid;
    }
    TraverseGrid connectionLines(GridRows rows) {
        TraverseGrid grid;
        SetGridRows(grid, std::move(rows), plan);
        grid.chkChange = true;
        return grid;
    }
};

} // namespace

TEST(TraverseOk, EditedLinkedRowIsTurnedWhenStoredTheOtherWay) {
    TestPlan t;
    ASSERT_TRUE(t.plan.chkArray);
    TraverseGrid grid = t.openParcel("AL1");
    ASSERT_EQ(grid.at(2), row("2", "3", "20.0000", "40.000", "1"));
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 2, ColBearing, "21").accepted);
    Asker ask;
    OkLinesOutcome lines = OkSaveLines(grid, t.plan, 2, ask.fn());
    ASSERT_TRUE(lines.status);
    EXPECT_FALSE(lines.stayOpen);
    // The lines file is written with the parcel, in one commit.
    ASSERT_TRUE(lines.linesFile);
    EXPECT_EQ(t.dir.read("p.lns"), kLines);

    // The same area: the parcel is rewritten with the same points, without a question.
    ParcelSaveOutcome parcel =
        OkSaveParcel(grid, t.plan, 1000, "C", false, ask.fn(), lines.linesFile);
    ASSERT_TRUE(parcel.status);
    EXPECT_EQ(t.dir.read("p.lns"),
              "1,2,10.0000,50.000\r\n3,2,201.0000,40.000\r\n3,1,250.0000,30.000\r\n");
    EXPECT_FALSE(parcel.appended);
    EXPECT_TRUE(ask.asked.empty());
    EXPECT_EQ(t.dir.read("p.ply"), kPolygons);
    EXPECT_EQ(t.dir.read("p.~ly"), kPolygons);
}

TEST(TraverseOk, ANewAreaOrCodeIsOfferedAndNoKeepsTheHeading) {
    TestPlan t;
    TraverseGrid grid = t.openParcel("AL1");
    // A closure with missing data leaves the area window to confirm, except for easements.
    EXPECT_TRUE(NeedsAreaWindow(grid, false));
    EXPECT_FALSE(NeedsAreaWindow(grid, true));
    grid.caption = "EA3";
    EXPECT_FALSE(NeedsAreaWindow(grid, false));
    grid.caption = "AL1";

    // Unchanged: the same area, or the area window cancelled, asks nothing; another code does.
    Asker ask;
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 1000, "C", false, ask.fn()).status);
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 900, "A", true, ask.fn()).status);
    EXPECT_TRUE(ask.asked.empty());
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 1000, "A", false, ask.fn()).status);
    ASSERT_EQ(ask.asked.size(), 1u);
    EXPECT_EQ(ask.asked[0], "Change area to 1000 m\xB2 ?|Update parcel");
    EXPECT_EQ(t.dir.read("p.ply"), kPolygons);

    MarkChanged(grid);
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 1200, "C", false, ask.fn()).status);
    ASSERT_EQ(ask.asked.size(), 2u);
    EXPECT_EQ(ask.asked[1], "Change area to 1200 m\xB2 ?|Update parcel");
    EXPECT_EQ(t.dir.read("p.ply"), kPolygons);
    ask.answer = Reply::Yes;
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 1200, "C", false, ask.fn()).status);
    EXPECT_EQ(t.dir.read("p.ply"),
              "\"AL1\",1200,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n\"AL2\",5,\"C\"\r\n3\r\n4\r\n");
}

TEST(TraverseOk, NewParcelIsAppended) {
    TestPlan t;
    TraverseGrid grid =
        t.connectionLines({row("1", "2", "10.0000", "50.000"), row("2", "3", "20.0000", "40.000"),
                           row("3", "1", "250.0000", "30.000")});
    grid.chkParcel = true;
    grid.caption = "AL9";
    ASSERT_TRUE(OkSaveLines(grid, t.plan, 2, nullptr).status);
    ParcelSaveOutcome parcel = OkSaveParcel(grid, t.plan, 500, "C", false, nullptr);
    ASSERT_TRUE(parcel.status);
    EXPECT_TRUE(parcel.appended);
    EXPECT_EQ(t.dir.read("p.ply"), kPolygons + "\"AL9\",500,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n");
    // The rows' lines were all stored already: none is added.
    EXPECT_EQ(t.dir.read("p.lns"), kLines);
}

TEST(TraverseOk, BrokenSequenceSavesNothing) {
    TestPlan t;
    TraverseGrid grid = t.openParcel("AL1");
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 3, ColFrom, "4").accepted);
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 2, ColDistance, "41").accepted);
    OkLinesOutcome out = OkSaveLines(grid, t.plan, 2, nullptr);
    EXPECT_TRUE(out.stayOpen);
    ASSERT_TRUE(out.message);
    EXPECT_EQ(out.message->message, "Break in point sequence detected\nat point 4");
    EXPECT_EQ(out.message->title, "Parcel error");
    EXPECT_EQ(t.dir.read("p.lns"), kLines);
    EXPECT_EQ(t.plan.PlanLines[1].Distance, 40);
}

// OK writes the lines and the parcel in one commit: a polygons file that cannot be written
// keeps the new lines out of the lines file too, and the window stays open to try again.
TEST(TraverseOk, LinesAndParcelAreWrittenTogetherOrNotAtAll) {
    TestPlan t;
    TraverseGrid grid = t.openParcel("AL1");
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 2, ColBearing, "21").accepted);
    fs::permissions(t.dir.path("p.ply"), fs::perms::owner_read);
    OkLinesOutcome lines = OkSaveLines(grid, t.plan, 2, nullptr);
    ASSERT_TRUE(lines.status);
    ParcelSaveOutcome parcel =
        OkSaveParcel(grid, t.plan, 1000, "C", false, nullptr, lines.linesFile);
    EXPECT_TRUE(test::Refused(parcel.status, "Update polygons file error", "read-only"));
    EXPECT_EQ(t.dir.read("p.lns"), kLines);
    EXPECT_EQ(t.dir.read("p.ply"), kPolygons);

    fs::permissions(t.dir.path("p.ply"), fs::perms::owner_all);
    lines = OkSaveLines(grid, t.plan, 2, nullptr);
    ASSERT_TRUE(OkSaveParcel(grid, t.plan, 1000, "C", false, nullptr, lines.linesFile).status);
    EXPECT_EQ(t.dir.read("p.lns"),
              "1,2,10.0000,50.000\r\n3,2,201.0000,40.000\r\n3,1,250.0000,30.000\r\n");
    // A new parcel appended: its lines come with it.
    TraverseGrid added = t.connectionLines(
        {row("3", "4", "90.0000", "10.000"), row("4", "3", "270.0000", "10.000")});
    added.chkParcel = true;
    added.caption = "AL9";
    lines = OkSaveLines(added, t.plan, 2, nullptr);
    ASSERT_TRUE(lines.linesFile);
    ParcelSaveOutcome appended =
        OkSaveParcel(added, t.plan, 0, "C", false, nullptr, lines.linesFile);
    ASSERT_TRUE(appended.status);
    EXPECT_TRUE(appended.appended);
    EXPECT_NE(t.dir.read("p.lns").find("3,4,90.0000,10.000"), std::string::npos);
    EXPECT_NE(t.dir.read("p.ply").find("\"AL9\",0,\"C\"\r\n3\r\n4\r\n3\r\n"), std::string::npos);
}

TEST(TraverseDeleteSave, CancelAndNoRestoreTheLineYesDropsIt) {
    const std::string dropped = "1,2,10.0000,50.000\r\n3,2,200.0000,40.000\r\n";
    for (Reply answer : {Reply::No, Reply::Yes}) {
        TestPlan t;
        TraverseGrid grid = t.openParcel("AL1");
        grid.row = 3;
        ASSERT_TRUE(DeleteLine(grid, t.plan));
        ASSERT_LT(t.plan.PlanLines[2].Distance, 0);
        Asker ask;
        ask.answer = answer;
        ASSERT_TRUE(OkLinesWritten(grid, t.plan, 2, ask.fn()).status);
        ASSERT_EQ(ask.asked.size(), 1u);
        EXPECT_EQ(ask.asked[0], "You have deleted points in this parcel.\nDo you wish to delete "
                                "the line data as well ?|Delete Lines");
        EXPECT_EQ(t.dir.read("p.lns"), answer == Reply::No ? kLines : dropped);
    }
    TestPlan t;
    TraverseGrid grid = t.openParcel("AL1");
    grid.row = 3;
    DeleteLine(grid, t.plan);
    ASSERT_TRUE(CancelTraverse(grid, t.plan, false));
    EXPECT_EQ(t.plan.PlanLines[2].Distance, 30);
    EXPECT_EQ(t.dir.read("p.lns"), kLines);
}

TEST(TraverseGrid2Array, StoredLinesAreNeverAddedTwice) {
    TestPlan t;
    TraverseGrid grid = t.connectionLines({
        row("2", "1", "190.0000", "50.000"), // stored 1-2, in data row 1
        row("1", "5", "30.0000", "12.000"),  // new
        row("5", "1", "210.0000", "12.000"), // the new line again, the other way
        row("2", "3", "25.0000", "41.000"),  // stored 3-2 with other figures
        row("5", "6", "15.0000", "No Data")  // nothing to store
    });
    ASSERT_TRUE(OkSaveLines(grid, t.plan, 2, nullptr).status);
    EXPECT_EQ(t.dir.read("p.lns"), "1,2,10.0000,50.000\r\n3,2,205.0000,41.000\r\n"
                                   "3,1,250.0000,30.000\r\n1,5,30.0000,12.000\r\n");
}

TEST(TraverseGrid2Array, OnlyALiveStoredLineStandsForARowTypedAnew) {
    TestPlan t;
    t.plan.PlanLines[0].Distance = -50; // deleted in this window
    TraverseGrid grid =
        t.connectionLines({row("1", "2", "11.0000", "51.000"), row("2", "3", "No Data", "No Data"),
                           row("123456789012", "5", "30.0000", "12.000")});
    Grid2Array(grid, t.plan);
    ASSERT_EQ(t.plan.PlanLines.size(), 5u);
    EXPECT_EQ(t.plan.PlanLines[3].Bearing, 11.0);
    EXPECT_EQ(t.plan.PlanLines[3].Distance, 51.0);
    // A row without figures leaves the stored line as it was.
    EXPECT_EQ(t.plan.PlanLines[1].Bearing, 200.0);
    EXPECT_EQ(t.plan.PlanLines[1].Distance, 40.0);
    // A long label is cut to nine characters.
    EXPECT_EQ(grid.cell(3, ColFrom), "123456789");
    EXPECT_EQ(t.plan.PlanLines[4].FromPoint, 123456789);
}

TEST(TraverseGrid2Array, LinksSurviveAReloadAndAFailedReloadSavesNothing) {
    TestPlan t;
    TraverseGrid grid = t.openParcel("AL1");
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 1, ColDistance, "50.5").accepted);
    ASSERT_TRUE(CommitCellInPlace(grid, t.plan, 2, ColDistance, "40.5").accepted);
    TraverseGrid same = grid;
    // Meanwhile the lines file was rewritten in another order without the line 2-3.
    t.dir.write("p.lns", "7,8,1.0000,2.000\r\n3,1,250.0000,30.000\r\n2,1,190.0000,50.000\r\n");
    t.plan.chkArray = false;
    t.plan.PlanLines.clear();
    ASSERT_TRUE(OkLinesWritten(grid, t.plan, 2, nullptr).status);
    EXPECT_EQ(t.dir.read("p.lns"), "7,8,1.0000,2.000\r\n3,1,250.0000,30.000\r\n"
                                   "2,1,190.0000,50.500\r\n2,3,20.0000,40.500\r\n");

    t.dir.write("p.lns", "1,2,x,5\r\n");
    t.plan.chkArray = false;
    OkLinesOutcome out = OkSaveLines(same, t.plan, 2, nullptr);
    EXPECT_FALSE(out.status);
    EXPECT_TRUE(out.stayOpen);
    EXPECT_EQ(t.dir.read("p.lns"), "1,2,x,5\r\n");
}

TEST(TraverseRightButtonOk, WritesTheGridLinesFirstAndRefusesAfterAFailedLoad) {
    TestPlan t;
    TraverseGrid grid = t.connectionLines({
        row("5", "6", "15.0000", "7.000"), row("2", "1", "190.0000", "50.000", "0"),
        row("1", "3", "70.0000", "30.000"), // stored 3-1, typed anew
        row("6", "5", "195.0000", "7.000")  // the grid's first line again
    });
    ASSERT_TRUE(RightButtonOk(grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "5,6,15.0000,7.000\r\n2,1,190.0000,50.000\r\n"
                                   "1,3,70.0000,30.000\r\n3,2,200.0000,40.000\r\n");
    EXPECT_FALSE(t.plan.chkArray);
    EXPECT_TRUE(t.plan.PlanLines.empty());

    TestPlan failed("1,2,x,5\r\n");
    ASSERT_TRUE(failed.plan.LinesLoadFailed);
    grid = failed.connectionLines({row("5", "6", "15.0000", "7.000")});
    Result<void> saved = RightButtonOk(grid, failed.plan);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().title, "Save Line Order error");
    EXPECT_EQ(failed.dir.read("p.lns"), "1,2,x,5\r\n");
}

TEST(TraversePolygonsErrors, AFailedBackupOrWriteLeavesThePolygonsFile) {
    struct Case {
        bool backupBlocked; // else the polygons file is read-only
        const char* caption;
        const char* title;
    };
    const Case cases[] = {{true, "AL1", "Make backup error"},
                          {false, "AL1", "Update polygons file error"},
                          {false, "AL9", "Saving Parcel error"}};
    for (const Case& c : cases) {
        TestPlan t;
        if (c.backupBlocked)
            fs::create_directory(t.dir.path("p.~ly"));
        else
            fs::permissions(t.dir.path("p.ply"), fs::perms::owner_read);
        TraverseGrid grid = t.openParcel("AL1");
        MarkChanged(grid);
        grid.caption = c.caption;
        ParcelSaveOutcome out = OkSaveParcel(grid, t.plan, 1200, "A", false, nullptr);
        ASSERT_FALSE(out.status);
        EXPECT_EQ(out.status.error().title, c.title);
        EXPECT_FALSE(out.appended);
        EXPECT_EQ(t.dir.read("p.ply"), kPolygons);
    }
}

#include "core/traverse.h"
#include "core/traverse_edit.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

LineRecord line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    LineRecord l;
    l.FromPoint = from;
    l.ToPoint = to;
    l.Bearing = bearing;
    l.Distance = distance;
    return l;
}

TraverseGrid parcelGrid() {
    TraverseGrid grid;
    grid.chkParcel = true;
    grid.caption = "AL1";
    return grid;
}

GridRow row(std::string link, std::string from, std::string to, std::string bearing,
            std::string distance) {
    return GridRow{std::move(link), std::move(from), std::move(to), std::move(bearing),
                   std::move(distance)};
}

// Types the texts into the grid, one Enter each; every one must be accepted.
void typeAll(TraverseGrid& grid, PlanState& plan, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        CommitOutcome out = CommitCell(grid, plan, t);
        ASSERT_TRUE(out.accepted) << "refused: " << t;
    }
}

} // namespace

TEST(TraverseTyping, RowByRowWithShortcutsAndCopies) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "+", "45.3", "10.5+2.25-1"});
    EXPECT_EQ(grid.at(1), row("", "1", "2", "45.3000", "11.750"));
    // The next row starts from the point just reached, the cursor on its To.
    ASSERT_EQ(grid.dataRows(), 2);
    EXPECT_EQ(grid.row, 2);
    EXPECT_EQ(grid.col, ColTo);
    EXPECT_EQ(grid.cell(2, ColFrom), "2");
    EXPECT_TRUE(grid.chkChange);

    typeAll(grid, plan, {"+", "-45.3", "0"});
    EXPECT_EQ(grid.at(2), row("", "2", "3", "225.3000", "No Data"));

    // "-" steps back one point; the line 3-2 was typed above, so the row fills itself with
    // the back bearing and goes on to the next row.
    typeAll(grid, plan, {"-"});
    EXPECT_EQ(grid.at(3), row("", "3", "2", "45.3000", "No Data"));
    EXPECT_EQ(grid.row, 4);

    // F3 takes the next free number; 999 is a missing bearing; an empty distance copies
    // the one above.
    ASSERT_TRUE(CommitNewPoint(grid, plan).accepted);
    EXPECT_EQ(grid.cell(4, ColTo), "4");
    typeAll(grid, plan, {"999", ""});
    EXPECT_EQ(grid.at(4), row("", "2", "4", "No Data", "No Data"));

    // F5 enters "No Data" in the bearing and distance columns.
    typeAll(grid, plan, {"5"});
    ASSERT_TRUE(CommitNoData(grid, plan).accepted);
    ASSERT_TRUE(CommitNoData(grid, plan).accepted);
    EXPECT_EQ(grid.at(5), row("", "4", "5", "No Data", "No Data"));
}

TEST(TraverseTyping, EmptyCellsCopyTheRowAboveOrAreRefused) {
    PlanState plan;
    TraverseGrid grid;
    // Row 1 has nothing to copy from: the From stays empty and the cursor stays.
    CommitOutcome out = CommitCell(grid, plan, "");
    EXPECT_FALSE(out.accepted);
    EXPECT_FALSE(out.message);
    EXPECT_EQ(grid.col, ColFrom);
    typeAll(grid, plan, {"12", "+"});
    EXPECT_EQ(grid.cell(1, ColTo), "13");
    out = CommitCell(grid, plan, "");
    EXPECT_FALSE(out.accepted);
    EXPECT_FALSE(out.message);
    EXPECT_TRUE(grid.cell(1, ColBearing).empty());

    // "-" needs a From above 1.
    TraverseGrid one;
    typeAll(one, plan, {"1"});
    EXPECT_FALSE(CommitCell(one, plan, "-").accepted);
    EXPECT_TRUE(one.cell(1, ColTo).empty());
}

TEST(TraverseTyping, BearingsThatAreNoBearingAreRefusedWithTheMessage) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2", "10", "5"});
    ASSERT_EQ(grid.row, 2);
    typeAll(grid, plan, {"3"});
    ASSERT_EQ(grid.col, ColBearing);
    for (const char* typed : {"R100", "abc", "45.6", "45.0060", "361", "-400", "12x", "-"}) {
        CommitOutcome out = CommitCell(grid, plan, typed);
        EXPECT_FALSE(out.accepted) << typed;
        ASSERT_TRUE(out.message) << typed;
        EXPECT_EQ(out.message->text, "Invalid bearing");
        EXPECT_EQ(out.message->title, "Traverse input error");
        EXPECT_EQ(out.message->icon, MessageIcon::Critical);
        EXPECT_TRUE(grid.cell(2, ColBearing).empty()) << typed;
        EXPECT_EQ(grid.col, ColBearing);
    }
    // The spelled-out missing value, a whole circle and a figure with blanks are bearings.
    EXPECT_EQ(BearingEntryText("No Data"), std::optional<std::string>("No Data"));
    EXPECT_EQ(BearingEntryText("360"), std::optional<std::string>("360.0000"));
    EXPECT_EQ(BearingEntryText(" 90 "), std::optional<std::string>("90.0000"));
    EXPECT_EQ(BearingEntryText("-0.3"), std::optional<std::string>("180.3000"));
}

TEST(TraverseTyping, ABearingCopiedFromAnArcRowIsRefused) {
    PlanState plan;
    TraverseGrid grid;
    SetGridRows(grid, {row("", "1", "2", "R25.000", "39.270"), row("", "2", "", "", "")}, plan);
    grid.row = 2;
    grid.col = ColTo;
    typeAll(grid, plan, {"3"});
    CommitOutcome out = CommitCell(grid, plan, "");
    EXPECT_FALSE(out.accepted);
    ASSERT_TRUE(out.message);
    EXPECT_EQ(out.message->text, "Invalid bearing");
    EXPECT_TRUE(grid.cell(2, ColBearing).empty());
}

TEST(TraversePointLabels, OnlyWholeNumbersAndMarksAreEntered) {
    PlanState plan;
    for (const char* bad : {"12.5", "12ABC", "PM0", "PM", "X12", "0", "-3", "1234567890",
                            "PM 1234567", "GBM 99999999"}) {
        TraverseGrid grid;
        EXPECT_FALSE(CommitCell(grid, plan, bad).accepted) << bad;
        EXPECT_TRUE(grid.cell(1, ColFrom).empty()) << bad;
    }
    TraverseGrid grid;
    typeAll(grid, plan, {"pm5", "ssm 12"});
    EXPECT_EQ(grid.cell(1, ColFrom), "PM5");
    EXPECT_EQ(grid.cell(1, ColTo), "SSM 12");
}

TEST(TraverseSequence, BreaksAreFoundByCodedNumbers) {
    TraverseGrid grid;
    PlanState plan;
    SetGridRows(
        grid,
        {row("", "PM1", "PM2", "10.0000", "5.000"), row("", "PM3", "PM4", "20.0000", "5.000")},
        plan);
    SequenceCheck check = CheckSequence(grid, true);
    EXPECT_FALSE(check.ok);
    ASSERT_TRUE(check.message);
    EXPECT_EQ(check.message->text, "Break in point sequence detected\nat point PM3");
    EXPECT_EQ(check.message->title, "Parcel error");
    EXPECT_FALSE(CheckSequence(grid, false).message);

    grid.cell(2, ColFrom) = "PM 2"; // the same mark, written with a blank
    EXPECT_TRUE(CheckSequence(grid, true).ok);

    // A single row is no sequence at all, and says nothing.
    TraverseGrid single;
    SetGridRows(single, {row("", "1", "2", "10.0000", "5.000")}, plan);
    EXPECT_FALSE(CheckSequence(single, true).ok);
    EXPECT_FALSE(CheckSequence(single, true).message);
}

TEST(TraverseNewPoint, TakesOneAboveTheHighestOrdinaryPoint) {
    PlanState plan;
    TraverseGrid grid;
    EXPECT_EQ(TravFreePoint(grid, plan), std::optional<std::int32_t>(1));

    plan.PlanLines = {line(44441, 7, 10, 5), line(7, 5000, 10, 5), line(12, 3, 10, 5)};
    plan.chkArray = false; // lines not loaded: only the grid counts
    SetGridRows(grid, {row("", "PM9", "4", "10.0000", "5.000")}, plan);
    EXPECT_EQ(TravFreePoint(grid, plan), std::optional<std::int32_t>(5));
    plan.chkArray = true;
    EXPECT_EQ(TravFreePoint(grid, plan), std::optional<std::int32_t>(13));

    // Nothing below the limit is left: F3 says so and enters nothing.
    plan.PlanLines.push_back(line(4999, 12, 10, 5));
    grid.row = 1;
    grid.col = ColTo;
    CommitOutcome out = CommitNewPoint(grid, plan);
    EXPECT_FALSE(out.accepted);
    ASSERT_TRUE(out.message);
    EXPECT_EQ(out.message->text, "No point number below 5000 is free");
    EXPECT_EQ(grid.cell(1, ColTo), "4");
}

TEST(TraverseLeavingACell, CommitsByTheColumnRulesWithoutMoving) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2", "10", "5"});
    grid.row = 1;
    grid.col = ColFrom; // where the user clicked

    CommitOutcome out = CommitCellInPlace(grid, plan, 1, ColBearing, "45.6");
    EXPECT_FALSE(out.accepted);
    ASSERT_TRUE(out.message);
    EXPECT_EQ(out.message->text, "Invalid bearing");
    EXPECT_EQ(grid.cell(1, ColBearing), "10.0000");

    EXPECT_TRUE(CommitCellInPlace(grid, plan, 1, ColDistance, "10.5+2").accepted);
    EXPECT_EQ(grid.cell(1, ColDistance), "12.500");
    EXPECT_FALSE(CommitCellInPlace(grid, plan, 1, ColTo, "X12").accepted);
    EXPECT_EQ(grid.cell(1, ColTo), "2");
    EXPECT_TRUE(CommitCellInPlace(grid, plan, 1, ColBearing, "-10").accepted);
    EXPECT_EQ(grid.cell(1, ColBearing), "190.0000");
    EXPECT_EQ(grid.row, 1);
    EXPECT_EQ(grid.col, ColFrom);
    EXPECT_EQ(grid.dataRows(), 2);
}

TEST(TraverseKnownLines, FillThemselvesInEitherDirection) {
    PlanState plan;
    plan.chkArray = true;
    plan.PlanLines = {line(1, 2, 30.1, 50), line(3, 2, 120, 40), line(4, 3, 1025, 39.27),
                      line(4, 5, 10, -12.5)};
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2"});
    EXPECT_EQ(grid.at(1), row("0", "1", "2", "30.1000", "50.000"));
    EXPECT_EQ(grid.row, 2);
    EXPECT_EQ(grid.col, ColTo);

    typeAll(grid, plan, {"3"});
    EXPECT_EQ(grid.at(2), row("1", "2", "3", "300.0000", "40.000"));

    // An arc stored the other way keeps its radius unturned.
    typeAll(grid, plan, {"4"});
    EXPECT_EQ(grid.at(3), row("2", "3", "4", "R25.0000", "39.270"));

    // A line deleted in this window comes back when it is typed again.
    typeAll(grid, plan, {"5"});
    EXPECT_EQ(grid.at(4), row("3", "4", "5", "10.0000", "12.500"));
    EXPECT_EQ(plan.PlanLines[3].Distance, 12.5);

    // Retyping a From drops the link.
    grid.row = 1;
    grid.col = ColFrom;
    typeAll(grid, plan, {"7"});
    EXPECT_TRUE(grid.cell(1, ColLink).empty());
}

TEST(TraverseKnownLines, ALineTypedTwiceInTheGridRepeatsItsFigures) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2"});
    // An arc row, as the curve window enters it.
    ASSERT_TRUE(ApplyCurveEntry(grid, plan, "12.5", "9").accepted);
    typeAll(grid, plan, {"3", "40", "20", "2"});
    // 3-2 runs back along row 2: turned bearing; 2-1 back along the arc: radius unturned.
    EXPECT_EQ(grid.at(3), row("", "3", "2", "220.0000", "20.000"));
    typeAll(grid, plan, {"1"});
    EXPECT_EQ(grid.at(4), row("", "2", "1", "R12.500", "9.000"));
}

TEST(TraverseClosing, ReachingTheFirstPointRunsTheClosureWithoutANewRow) {
    PlanState plan;
    TraverseGrid grid = parcelGrid();
    typeAll(grid, plan, {"1", "2", "0", "10", "3", "90", "10"});
    ASSERT_EQ(grid.row, 3);
    typeAll(grid, plan, {"1", "225"});
    CommitOutcome out = CommitCell(grid, plan, "14.142");
    EXPECT_TRUE(out.accepted);
    EXPECT_TRUE(out.runClosure);
    EXPECT_EQ(grid.dataRows(), 3);
    EXPECT_EQ(grid.row, 3);

    // The same traverse outside parcel mode goes on to a new row.
    TraverseGrid lines;
    typeAll(lines, plan, {"1", "2", "0", "10", "3", "90", "10", "1", "225"});
    out = CommitCell(lines, plan, "14.142");
    EXPECT_FALSE(out.runClosure);
    EXPECT_EQ(lines.dataRows(), 4);

    // A row filled from a stored line closes the traverse too.
    plan.chkArray = true;
    plan.PlanLines = {line(1, 3, 45, 14.142)};
    TraverseGrid filled = parcelGrid();
    typeAll(filled, plan, {"1", "2", "0", "10", "3", "90", "10"});
    out = CommitCell(filled, plan, "1");
    EXPECT_TRUE(out.runClosure);
    EXPECT_EQ(filled.dataRows(), 3);
    EXPECT_EQ(filled.at(3), row("0", "3", "1", "225.0000", "14.142"));
}

TEST(TraverseEditLinesMode, ANewRowStartsOnItsFromCell) {
    PlanState plan;
    TraverseGrid grid;
    grid.chkEdit = true;
    typeAll(grid, plan, {"1", "2", "0", "10"});
    EXPECT_EQ(grid.row, 2);
    EXPECT_EQ(grid.col, ColFrom);
    EXPECT_TRUE(grid.cell(2, ColFrom).empty());
}

TEST(TraverseDelete, MarksTheLinkedLineOnceAndNeedsTwoRows) {
    PlanState plan;
    plan.chkArray = true;
    plan.PlanLines = {line(1, 2, 10, 50), line(2, 3, 20, 60)};
    TraverseGrid grid = parcelGrid();
    SetGridRows(grid,
                {row("0", "1", "2", "10.0000", "50.000"), row("1", "2", "3", "20.0000", "60.000"),
                 row("0", "2", "1", "190.0000", "50.000")},
                plan);
    grid.row = 1;
    EXPECT_TRUE(DeleteLine(grid, plan));
    EXPECT_EQ(plan.PlanLines[0].Distance, -50);
    // A second row linked to the same line leaves it marked.
    grid.row = 2;
    EXPECT_TRUE(DeleteLine(grid, plan));
    EXPECT_EQ(plan.PlanLines[0].Distance, -50);
    ASSERT_EQ(grid.dataRows(), 1);
    EXPECT_EQ(grid.cell(1, ColTo), "3");
    // The last row stays.
    EXPECT_FALSE(DeleteLine(grid, plan));
    EXPECT_EQ(grid.dataRows(), 1);
    EXPECT_EQ(plan.PlanLines[1].Distance, 60);
    EXPECT_TRUE(grid.chkChange);
}

TEST(TraverseDelete, AStaleLinkMarksTheLineOfItsPointsOrNothing) {
    PlanState plan;
    plan.chkArray = true;
    plan.PlanLines = {line(1, 2, 10, 50), line(2, 3, 20, 60)};
    TraverseGrid grid;
    SetGridRows(grid,
                {row("0", "1", "2", "10.0000", "50.000"), row("1", "2", "3", "20.0000", "60.000")},
                plan);
    // The lines were reloaded in another order while the window was open.
    plan.PlanLines = {line(2, 3, 20, 60), line(7, 8, 5, 5), line(2, 1, 190, 50)};
    grid.row = 1;
    DeleteLine(grid, plan);
    EXPECT_EQ(plan.PlanLines[2].Distance, -50);
    EXPECT_EQ(plan.PlanLines[0].Distance, 60);
    EXPECT_EQ(plan.PlanLines[1].Distance, 5);
}

TEST(TraverseInsertUndo, InsertCopiesThePointAndEscapeStepsBack) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2", "0", "10", "3", "90", "10"});
    grid.row = 2;
    InsertLine(grid);
    EXPECT_EQ(grid.dataRows(), 4);
    EXPECT_EQ(grid.at(2), row("", "2", "", "", ""));
    EXPECT_EQ(grid.col, ColTo);
    EXPECT_EQ(grid.cell(3, ColTo), "3");

    // At the end: Escape on the empty To drops the row and reopens the distance above.
    TraverseGrid end;
    typeAll(end, plan, {"1", "2", "0", "10"});
    ASSERT_EQ(end.col, ColTo);
    EXPECT_TRUE(EscapeKey(end));
    EXPECT_EQ(end.dataRows(), 1);
    EXPECT_EQ(end.row, 1);
    EXPECT_EQ(end.col, ColDistance);
    EXPECT_TRUE(end.cell(1, ColDistance).empty());
    EXPECT_TRUE(EscapeKey(end));
    EXPECT_EQ(end.col, ColBearing);
    EXPECT_TRUE(end.cell(1, ColBearing).empty());
    EXPECT_TRUE(EscapeKey(end));
    EXPECT_EQ(end.col, ColTo);
    EXPECT_TRUE(end.cell(1, ColTo).empty());
    // Not on an empty cell of the last row: nothing.
    grid.row = 1;
    grid.col = ColFrom;
    EXPECT_FALSE(EscapeKey(grid));
}

TEST(TraverseLastGridLine, DropsTrailingRowsWithoutADistance) {
    PlanState plan;
    TraverseGrid grid;
    SetGridRows(
        grid,
        {row("", "1", "2", "0.0000", "5.000"), row("", "2", "3", "", ""), row("", "3", "", "", "")},
        plan);
    LastGridLine(grid);
    EXPECT_EQ(grid.dataRows(), 1);
    EXPECT_EQ(grid.row, 1);
    TraverseGrid empty;
    LastGridLine(empty);
    EXPECT_EQ(empty.dataRows(), 1);
}

TEST(TraverseFind, WrapsAroundAndReportsNothing) {
    PlanState plan;
    TraverseGrid grid;
    SetGridRows(grid,
                {row("", "1", "2", "10.0000", "10.000"), row("", "2", "3", "No Data", "20.000"),
                 row("", "3", "PM4", "30.0000", "10.000")},
                plan);
    grid.row = 3;
    FindOutcome found = FindInGrid(grid, SearchOption::Distance, "10");
    EXPECT_EQ(found.row, 1);
    EXPECT_EQ(grid.row, 1);
    EXPECT_EQ(grid.col, ColDistance);
    found = FindInGrid(grid, SearchOption::Distance, "10");
    EXPECT_EQ(found.row, 3);

    found = FindInGrid(grid, SearchOption::Bearing, "No Data");
    EXPECT_EQ(found.row, 2);
    // A point is found as a To before it is found as a From.
    grid.row = 1;
    found = FindInGrid(grid, SearchOption::PointNo, "3");
    EXPECT_EQ(found.row, 2);
    EXPECT_EQ(grid.col, ColTo);
    found = FindInGrid(grid, SearchOption::PointNo, "pm4");
    EXPECT_EQ(found.row, 3);

    found = FindInGrid(grid, SearchOption::Bearing, "45");
    EXPECT_EQ(found.row, 0);
    ASSERT_TRUE(found.message);
    EXPECT_EQ(found.message->text, "Nothing found");
    EXPECT_EQ(found.message->title, "Find Text");
    found = FindInGrid(grid, SearchOption::Bearing, "");
    ASSERT_TRUE(found.message);
    EXPECT_EQ(found.message->text, "Nothing to find");
    EXPECT_EQ(found.message->title, "Find error");
}

TEST(TraverseCurveEntry, TheCurveWindowsFiguresBecomeTheRow) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"PM1", "PM2"});
    CurveLine asked = CurveEntryLine(grid);
    EXPECT_EQ(asked.from, 44441);
    EXPECT_EQ(asked.to, 44442);
    CommitOutcome out = ApplyCurveEntry(grid, plan, "25", "39.27");
    EXPECT_TRUE(out.accepted);
    EXPECT_EQ(grid.at(1), row("", "PM1", "PM2", "R25.000", "39.270"));
    EXPECT_EQ(grid.row, 2);
}

#include "core/grid/traverse.h"
#include "core/grid/traverse_edit.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

LineRecord line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    return LineRecord{from, to, bearing, distance, 0};
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
    for (const char* t : texts)
        ASSERT_TRUE(CommitCell(grid, plan, t).accepted) << "refused: " << t;
}

void expectRefused(const CommitOutcome& out, const char* text) {
    EXPECT_FALSE(out.accepted);
    ASSERT_TRUE(out.message);
    EXPECT_EQ(out.message->message, text);
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

    typeAll(grid, plan, {"+", "-45.3"});
    ASSERT_TRUE(CommitNoData(grid, plan).accepted); // F5
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
}

TEST(TraverseTyping, NothingToCopyIsRefused) {
    PlanState plan;
    TraverseGrid grid;
    // Row 1 has nothing to copy from; "-" needs a From above 1.
    CommitOutcome out = CommitCell(grid, plan, "");
    EXPECT_FALSE(out.accepted || out.message);
    typeAll(grid, plan, {"1"});
    EXPECT_FALSE(CommitCell(grid, plan, "-").accepted);
    EXPECT_TRUE(grid.cell(1, ColTo).empty());
    typeAll(grid, plan, {"+"});
    out = CommitCell(grid, plan, "");
    EXPECT_FALSE(out.accepted || out.message);
    EXPECT_TRUE(grid.cell(1, ColBearing).empty());

    // A bearing copied from an arc row is no bearing.
    SetGridRows(grid, {row("", "1", "2", "R25.000", "39.270"), row("", "2", "", "", "")}, plan);
    grid.row = 2;
    grid.col = ColTo;
    typeAll(grid, plan, {"3"});
    expectRefused(CommitCell(grid, plan, ""), "Invalid bearing");
    EXPECT_TRUE(grid.cell(2, ColBearing).empty());
}

TEST(TraverseTyping, BearingsThatAreNoBearingAreRefusedWithTheMessage) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2"});
    const std::string nines(400, '9');
    for (const std::string& typed : std::vector<std::string>{
             "R100", "abc", "45.6", "45.0060", "361", "-400", "12x", "-", nines, "-" + nines}) {
        CommitOutcome out = CommitCell(grid, plan, typed);
        expectRefused(out, "Invalid bearing");
        EXPECT_EQ(out.message->title, "Traverse input error");
        EXPECT_EQ(out.message->icon, Icon::Critical);
        EXPECT_TRUE(grid.cell(1, ColBearing).empty()) << typed;
        EXPECT_EQ(grid.col, ColBearing);
    }
    // The spelled-out missing value, a whole circle and a figure with blanks are bearings.
    EXPECT_EQ(BearingEntryText("No Data"), std::optional<std::string>("No Data"));
    EXPECT_EQ(BearingEntryText("360"), std::optional<std::string>("360.0000"));
    EXPECT_EQ(BearingEntryText(" 90 "), std::optional<std::string>("90.0000"));
    EXPECT_EQ(BearingEntryText("-0.3"), std::optional<std::string>("180.3000"));
}

TEST(TraverseTyping, OnlyWholeNumbersAndMarksAreEntered) {
    PlanState plan;
    // Meant as a point but not storable: refused with the grid's message.
    for (const std::string& bad :
         std::vector<std::string>{"12.5", "12ABC", "1234567890", "PM 1234567", "123456789012",
                                  "PM12.5", std::string(400, '9')}) {
        for (int col : {ColFrom, ColTo}) {
            TraverseGrid grid;
            if (col == ColTo)
                typeAll(grid, plan, {"1"});
            CommitOutcome out = CommitCell(grid, plan, bad);
            EXPECT_FALSE(out.accepted) << bad;
            ASSERT_TRUE(out.message) << bad;
            EXPECT_EQ(out.message->title, "Traverse input error");
            EXPECT_EQ(out.message->icon, Icon::Exclamation);
            EXPECT_EQ(out.message->message.substr(0, 20), "Invalid point number");
            EXPECT_TRUE(grid.cell(1, col).empty()) << bad;
        }
    }
    // No point at all: not taken, silently.
    for (const char* bad : {"PM0", "PM", "X12", "0", "-3"}) {
        TraverseGrid grid;
        CommitOutcome out = CommitCell(grid, plan, bad);
        EXPECT_FALSE(out.accepted) << bad;
        EXPECT_FALSE(out.message) << bad;
        EXPECT_TRUE(grid.cell(1, ColFrom).empty()) << bad;
    }
    TraverseGrid grid;
    typeAll(grid, plan, {"pm5", "ssm 12"});
    EXPECT_EQ(grid.cell(1, ColFrom), "PM5");
    EXPECT_EQ(grid.cell(1, ColTo), "SSM 12");
    EXPECT_EQ(CurveEntryLine(grid).from, 44445); // marks are coded numbers
}

// A distance is a number or a sum of numbers whose total is above 0: text that is none, or
// a total of 0 or below, is refused aloud and leaves the cell as it was (it once became "No
// Data", or 5.000 for -5, without a word). "No Data" itself is how a distance is missing.
TEST(TraverseTyping, DistancesThatAreNoDistanceAreRefusedWithTheMessage) {
    PlanState plan;
    for (const char* typed :
         {"abc", "-5", "0", "0.000", "12m", "5-5", "10-20", "1..2", "5+", "+", "-", "3 4", "1,5"}) {
        TraverseGrid grid;
        typeAll(grid, plan, {"1", "2", "90"});
        CommitOutcome out = CommitCell(grid, plan, typed);
        EXPECT_FALSE(out.accepted) << typed;
        ASSERT_TRUE(out.message) << typed;
        EXPECT_EQ(out.message->message.substr(0, 17), "Invalid distance\n") << typed;
        EXPECT_EQ(out.message->title, "Traverse input error");
        EXPECT_TRUE(grid.cell(1, ColDistance).empty()) << typed;
        EXPECT_EQ(grid.col, ColDistance);
    }
    const std::pair<const char*, const char*> accepted[] = {
        {"12.5", "12.500"},     {" 10.5 + 2.25 - 1 ", "11.750"},
        {"20-5", "15.000"},     {"-5+12", "7.000"},
        {".5", "0.500"},        {"No Data", "No Data"},
        {"No Data ", "No Data"}};
    for (const auto& [typed, stored] : accepted)
        EXPECT_EQ(DistanceEntryText(typed), std::optional<std::string>(stored)) << typed;
    // The other grids' distances follow the same rules, without a missing value.
    TraverseGrid marks;
    marks.kind = GridKind::Marks;
    marks.col = ColMarkDistance;
    for (const char* typed : {"abc", "-5", "0", "No Data"})
        EXPECT_FALSE(CommitCell(marks, plan, typed).accepted) << typed;
    ASSERT_TRUE(CommitCell(marks, plan, "12.5").accepted);
    EXPECT_EQ(marks.cell(1, ColMarkDistance), "12.500");
}

// A distance no survey holds is refused before it can overflow the closure; one under a
// millimetre, which would be stored as 0.000 (the mark of a deleted line) and dropped at the
// next save, is refused too, whether typed whole or as a sum.
TEST(TraverseTyping, DistancesBeyondAnySurveyOrUnderAMillimetreAreRefused) {
    PlanState plan;
    const std::string nines(400, '9');
    for (const std::string& bad : std::vector<std::string>{
             nines, "1+" + nines, "10000000.001", "9999999+2", "0.0004", "0.0009", "10-9.9995"}) {
        TraverseGrid grid;
        typeAll(grid, plan, {"1", "2", "90"});
        CommitOutcome out = CommitCell(grid, plan, bad);
        EXPECT_FALSE(out.accepted) << bad;
        ASSERT_TRUE(out.message) << bad;
        EXPECT_EQ(out.message->message.substr(0, 16), "Invalid distance");
        EXPECT_TRUE(grid.cell(1, ColDistance).empty()) << bad;
    }
    for (const auto& [edge, stored] :
         {std::pair<const char*, const char*>{"10000000", "10000000.000"}, {"0.001", "0.001"}}) {
        TraverseGrid grid;
        typeAll(grid, plan, {"1", "2", "90", edge});
        EXPECT_EQ(grid.cell(1, ColDistance), stored) << edge;
    }
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
    expectRefused(CommitNewPoint(grid, plan), "No point number below 5000 is free");
    EXPECT_EQ(grid.cell(1, ColTo), "4");
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
    EXPECT_EQ(grid.at(1), row("", "1", "2", "R12.500", "9.000"));
    typeAll(grid, plan, {"3", "40", "20", "2"});
    // 3-2 runs back along row 2: turned bearing; 2-1 back along the arc: radius unturned.
    EXPECT_EQ(grid.at(3), row("", "3", "2", "220.0000", "20.000"));
    typeAll(grid, plan, {"1"});
    EXPECT_EQ(grid.at(4), row("", "2", "1", "R12.500", "9.000"));
}

TEST(TraverseClosing, ReachingTheFirstPointRunsTheClosureWithoutANewRow) {
    PlanState plan;
    TraverseGrid grid = parcelGrid();
    typeAll(grid, plan, {"1", "2", "0", "10", "3", "90", "10", "1", "225"});
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

    // The lines were reloaded in another order while the window was open: a stale link
    // marks the line of its row's points, and nothing else.
    SetGridRows(grid,
                {row("0", "1", "2", "10.0000", "50.000"), row("1", "2", "3", "20.0000", "60.000")},
                plan);
    plan.PlanLines = {line(2, 3, 20, 60), line(7, 8, 5, 5), line(2, 1, 190, 50)};
    grid.row = 1;
    DeleteLine(grid, plan);
    EXPECT_EQ(plan.PlanLines[2].Distance, -50);
    EXPECT_EQ(plan.PlanLines[0].Distance, 60);
    EXPECT_EQ(plan.PlanLines[1].Distance, 5);
}

TEST(TraverseRows, InsertEscapeAndTrailingRows) {
    PlanState plan;
    TraverseGrid grid;
    typeAll(grid, plan, {"1", "2", "0", "10", "3", "90", "10"});
    grid.row = 2;
    InsertLine(grid);
    EXPECT_EQ(grid.dataRows(), 4);
    EXPECT_EQ(grid.at(2), row("", "2", "", "", ""));
    EXPECT_EQ(grid.col, ColTo);
    EXPECT_EQ(grid.cell(3, ColTo), "3");
    grid.row = 1;
    grid.col = ColFrom; // not on an empty cell of the last row: Escape does nothing
    EXPECT_FALSE(EscapeKey(grid));

    // At the end: Escape on the empty To drops the row and reopens the distance above.
    TraverseGrid end;
    typeAll(end, plan, {"1", "2", "0", "10"});
    EXPECT_TRUE(EscapeKey(end));
    EXPECT_EQ(end.dataRows(), 1);
    EXPECT_EQ(end.row, 1);
    EXPECT_EQ(end.at(1), row("", "1", "2", "0.0000", ""));
    EXPECT_EQ(end.col, ColDistance);

    // Trailing rows without a distance are dropped.
    SetGridRows(
        grid,
        {row("", "1", "2", "0.0000", "5.000"), row("", "2", "3", "", ""), row("", "3", "", "", "")},
        plan);
    LastGridLine(grid);
    EXPECT_EQ(grid.dataRows(), 1);
}

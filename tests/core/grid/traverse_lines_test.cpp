// Stored lines kept whole through the traverse's saves: lines shared with other parcels,
// lines deleted on OK, rows without a bearing or a point, and the cells and curve window
// fields read back from stored lines.
#include "core/edits/parcelcmds.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/geometry/closure.h"
#include "core/grid/gridclosure.h"
#include "core/grid/traverse_edit.h"
#include "core/grid/traverse_save.h"
#include "core/grid/traversegrid.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include "tests/core/plantestdir.h"
#include "tests/core/traversesaving.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

using test::OkLinesWritten;

// Two squares sharing the line 2-3: AL1 = 1,2,3,4,1 and AL2 = 2,5,6,3,2.
const std::string kSharedLines = "1,2,90.0000,100.000\r\n2,3,180.0000,100.000\r\n"
                                 "3,4,270.0000,100.000\r\n4,1,0.0000,100.000\r\n"
                                 "2,5,90.0000,100.000\r\n5,6,180.0000,100.000\r\n"
                                 "6,3,270.0000,100.000\r\n";
const std::string kSharedPolygons = "\"AL1\",10000,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                                    "\"AL2\",10000,\"C\"\r\n2\r\n5\r\n6\r\n3\r\n2\r\n";

QuestionFn answer(Reply reply) {
    return [reply](const std::string&, const std::string&) { return reply; };
}

struct Plan {
    test::PlanTestDir dir;
    PlanState plan;
    Plan(const std::string& lines, const std::string& polygons) {
        dir.write("p.lns", lines);
        dir.write("p.ply", polygons);
        plan.PlanPath = dir.path("p");
        EXPECT_TRUE(LoadLines(plan));
    }
    TraverseGrid open(const std::string& id) {
        TraverseGrid grid;
        auto rows = LoadParcelLines(plan, id);
        EXPECT_TRUE(rows);
        SetGridRows(grid, rows.value(), plan);
        grid.chkParcel = true;
        grid.caption = id;
        return grid;
    }
};

GridRow row(std::string from, std::string to, std::string bearing, std::string distance) {
    return GridRow{"", std::move(from), std::move(to), std::move(bearing), std::move(distance)};
}

} // namespace

TEST(TraverseSharedLines, ChangedPointKeepsTheLineOtherParcelsWalk) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid = t.open("AL1");
    grid.row = 1;
    grid.col = ColTo;
    ASSERT_TRUE(CommitCell(grid, t.plan, "7").accepted);
    ASSERT_TRUE(CommitCell(grid, t.plan, "90").accepted);
    ASSERT_TRUE(CommitCell(grid, t.plan, "100").accepted);
    // Moving on gave row 2 the new From: it no longer names the stored line 2-3.
    EXPECT_EQ(grid.cell(2, ColFrom), "7");
    EXPECT_EQ(grid.cell(2, ColLink), "");

    OkLinesOutcome lines = OkLinesWritten(grid, t.plan, 2, answer(Reply::Yes));
    ASSERT_TRUE(lines.status);
    EXPECT_FALSE(lines.stayOpen);
    EXPECT_EQ(t.dir.read("p.lns"), kSharedLines + "1,7,90.0000,100.000\r\n"
                                                  "7,3,180.0000,100.000\r\n");
    // AL2 still finds every line it walks.
    TraverseGrid other = t.open("AL2");
    for (int r = 1; r <= other.dataRows(); ++r)
        EXPECT_NE(other.cell(r, ColLink), "") << "row " << r;
}

TEST(TraverseSharedLines, ChangedPointJoiningAStoredLineUpdatesThatLine) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid = t.open("AL1");
    // Rows 1 and 2 (1-2, 2-3) typed over as 1-4 and 4-3, whose lines are stored the other
    // way round.
    grid.cell(1, ColTo) = "4";
    grid.cell(1, ColDistance) = "99.000";
    grid.cell(2, ColFrom) = "4";
    MarkChanged(grid);
    Grid2Array(grid, t.plan);
    ASSERT_TRUE(SaveLines(t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "1,2,90.0000,100.000\r\n2,3,180.0000,100.000\r\n"
                                   "3,4,0.0000,100.000\r\n4,1,270.0000,99.000\r\n"
                                   "2,5,90.0000,100.000\r\n5,6,180.0000,100.000\r\n"
                                   "6,3,270.0000,100.000\r\n");
}

TEST(TraverseSharedLines, LineOrderWritesTheOldLineOfAChangedRowToo) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid;
    SetGridRows(grid, {GridRow{"0", "1", "7", "90.0000", "100.000"}}, t.plan);
    grid.chkChange = true;
    ASSERT_TRUE(RightButtonOk(grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "1,7,90.0000,100.000\r\n" + kSharedLines);
}

// A row passed with "No Data" is not written: the stored line of its points stays.
TEST(TraverseSharedLines, LineOrderKeepsAStoredLineTheGridDoesNotWrite) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid;
    SetGridRows(grid, {row("2", "3", kNoData, kNoData), row("3", "4", "270.0000", "101.000")},
                t.plan);
    grid.chkChange = true;
    ASSERT_TRUE(RightButtonOk(grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "3,4,270.0000,101.000\r\n1,2,90.0000,100.000\r\n"
                                   "2,3,180.0000,100.000\r\n4,1,0.0000,100.000\r\n"
                                   "2,5,90.0000,100.000\r\n5,6,180.0000,100.000\r\n"
                                   "6,3,270.0000,100.000\r\n");
}

// AL1 walks the spur 2-3 out and back; deleting both rows drops the line on OK (Yes). Neither
// a later Cancel nor the main window's unmarking may bring it back into the file.
TEST(TraverseDeletedLines, StayOutOfTheFileAfterOk) {
    const std::string lines = "1,2,90.0000,100.000\r\n2,3,0.0000,50.000\r\n"
                              "2,4,180.0000,100.000\r\n4,1,270.0000,100.000\r\n";
    const std::string polygons = "\"AL1\",5000,\"C\"\r\n1\r\n2\r\n3\r\n2\r\n4\r\n1\r\n"
                                 "\"AL2\",5,\"C\"\r\n2\r\n3\r\n";
    const std::string without = "1,2,90.0000,100.000\r\n2,4,180.0000,100.000\r\n"
                                "4,1,270.0000,100.000\r\n";
    Plan t(lines, polygons);
    TraverseGrid grid = t.open("AL1");
    grid.row = 2;
    ASSERT_TRUE(DeleteLine(grid, t.plan));
    ASSERT_TRUE(DeleteLine(grid, t.plan));
    ASSERT_EQ(grid.cell(2, ColFrom), "2");
    ASSERT_TRUE(OkLinesWritten(grid, t.plan, 2, answer(Reply::Yes)).status);
    EXPECT_EQ(t.dir.read("p.lns"), without);
    for (int r = 1; r <= grid.dataRows(); ++r) { // links follow the lines that stay
        const LinkPair pair{PointLabelToNumber(grid.cell(r, ColFrom)),
                            PointLabelToNumber(grid.cell(r, ColTo))};
        const int link = LinkIndex(grid.at(r));
        ASSERT_GE(link, 0);
        EXPECT_TRUE(pair.joins(t.plan.PlanLines[static_cast<size_t>(link)])) << r;
    }

    TraverseGrid other = t.open("AL2");
    other.rows.push_back(row("3", "8", "10.0000", "5.000"));
    MarkChanged(other);
    ASSERT_TRUE(CancelTraverse(other, t.plan, false));
    UnmarkLines(t.plan);
    ASSERT_TRUE(SaveLines(t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), without);
}

TEST(TraverseDeletedLines, LeavePlanLinesWhenCancelSavesTheLines) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid = t.open("AL1");
    t.plan.PlanLines[4].Distance = 0; // 2-5, no longer written
    grid.rows.push_back(row("1", "9", "45.0000", "5.000"));
    MarkChanged(grid);
    ASSERT_TRUE(CancelTraverse(grid, t.plan, true));
    const std::string written = t.dir.read("p.lns");
    EXPECT_EQ(written.find("2,5,"), std::string::npos);
    ASSERT_EQ(t.plan.PlanLines.size(), 7u);
    for (const LineRecord& line : t.plan.PlanLines)
        EXPECT_GT(line.Distance, 0);
    EXPECT_EQ(t.plan.PlanLines[4].FromPoint, 5); // 5-6 moved up
    UnmarkLines(t.plan);
    ASSERT_TRUE(SaveLines(t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), written);
}

TEST(TraverseMissingBearing, EmptyBearingIsStoredMissingAndLeavesNoArea) {
    EXPECT_EQ(RowToLine(row("1", "2", "", "10.000")).Bearing, kMissingBearing);
    EXPECT_EQ(RowToLine(row("1", "2", "0.0000", "10.000")).Bearing, 0.0);

    const GridRows square = {row("1", "2", "0.0000", "10.000"), row("2", "3", "", "10.000"),
                             row("3", "4", "180.0000", "10.000"),
                             row("4", "1", "270.0000", "10.000")};
    const ClosureResult parcel = GridClosure(square, true, CurveTable());
    EXPECT_TRUE(parcel.MissingData);
    EXPECT_EQ(parcel.AreaText, "0");
    // Connection lines only sum what they have.
    const ClosureResult connection = GridClosure(square, false, CurveTable());
    EXPECT_FALSE(connection.MissingData);
    EXPECT_DOUBLE_EQ(connection.TotalLength, 0.0);
}

TEST(TraverseMissingBearing, SaveLineOrderStoresAnEmptyBearingAsMissing) {
    Plan t("", "");
    TraverseGrid grid;
    SetGridRows(grid, {row("1", "2", "", "10.000")}, t.plan);
    grid.chkChange = true;
    ASSERT_TRUE(RightButtonOk(grid, t.plan));
    EXPECT_EQ(t.dir.read("p.lns"), "1,2,999.0000,10.000\r\n");
}

TEST(TraversePointless, RowWithoutAPointBreaksTheSequenceAndSavesNothing) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid = t.open("AL1");
    grid.row = 1;
    InsertLine(grid);
    ASSERT_EQ(grid.cell(1, ColFrom), "");
    ASSERT_TRUE(CommitCell(grid, t.plan, "1").accepted);
    ASSERT_TRUE(CommitCell(grid, t.plan, "45").accepted);
    ASSERT_TRUE(CommitCell(grid, t.plan, "10").accepted);
    OkLinesOutcome lines = OkSaveLines(grid, t.plan, 2, answer(Reply::Yes));
    EXPECT_TRUE(lines.stayOpen);
    ASSERT_TRUE(lines.message);
    EXPECT_EQ(lines.message->message, "Break in point sequence detected\nat point ");
    EXPECT_EQ(lines.message->title, "Parcel error");
    EXPECT_EQ(t.dir.read("p.lns"), kSharedLines);

    // A plan's long point numbers are points all the same.
    TraverseGrid numbers;
    numbers.rows = {row("1000000001", "2", "0", "1"), row("2", "1000000001", "0", "1")};
    EXPECT_TRUE(CheckSequence(numbers, true).ok);
}

TEST(TraversePointless, ConnectionLinesSkipARowWithoutAPoint) {
    Plan t(kSharedLines, kSharedPolygons);
    TraverseGrid grid;
    SetGridRows(grid, {row("", "8", "45.0000", "10.000"), row("8", "9", "90.0000", "10.000")},
                t.plan);
    grid.chkChange = true;
    ASSERT_TRUE(OkSaveLines(grid, t.plan, 2, answer(Reply::Yes)).status);
    EXPECT_EQ(t.dir.read("p.lns"), kSharedLines + "8,9,90.0000,10.000\r\n");
}

TEST(TraverseStoredCells, FiguresAbove360AreNoDataAndAbove1000Arcs) {
    PlanState plan;
    plan.chkArray = true;
    plan.PlanLines = {LineRecord{1, 2, 500.0, 10}, LineRecord{2, 3, 1000.0, 10},
                      LineRecord{3, 4, 999.0, 10}, LineRecord{4, 5, 1012.5, 10},
                      LineRecord{5, 6, 360.0, 10}};
    const std::vector<std::string> expected = {kNoData, kNoData, kNoData, "R12.500", "360.0000"};
    for (int i = 0; i < 5; ++i) {
        std::vector<GridRow> rows(1);
        ASSERT_TRUE(FillLineRow(plan, rows, 0, i + 1, i + 2, false));
        EXPECT_EQ(rows[0][ColBearing], expected[static_cast<size_t>(i)]) << i;
    }
}

TEST(TraverseStoredCells, OnlyAnArcCellOffersARadius) {
    const CurveTable none;
    EXPECT_EQ(LoadCurve(1, 2, "45.3000", "10.000", none).Radius, "");
    EXPECT_EQ(LoadCurve(1, 2, kNoData, "10.000", none).Radius, "");
    EXPECT_EQ(LoadCurve(1, 2, "", "10.000", none).Radius, "");
    EXPECT_EQ(LoadCurve(1, 2, "R12.5", "10.000", none).Radius, "12.500");
    EXPECT_EQ(ArcRadius("45.3000"), 0.0);
}

TEST(TraverseStoredCells, MalformedCurveFileIsNamedInTheTitle) {
    auto parsed = ParseCurves({"1,2,\"R\",999,45", "not a curve"}, "p.cve");
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error().title, "Load curve data error");
}

// Leaving a cell the user opened but did not change must not commit it again: a To commit
// refills the row from the stored line, a From commit drops the row's link.
TEST(TraverseSharedLines, LeavingAnUnchangedCellKeepsTheRowAsItIs) {
    Plan p(kSharedLines, kSharedPolygons);
    TraverseGrid grid = p.open("AL1");
    ASSERT_TRUE(CommitCellInPlace(grid, p.plan, 1, ColBearing, "90.0010").accepted);
    const std::string link = grid.cell(1, ColLink);
    ASSERT_FALSE(link.empty());

    EXPECT_TRUE(CommitCellInPlace(grid, p.plan, 1, ColTo, grid.cell(1, ColTo)).accepted);
    EXPECT_TRUE(CommitCellInPlace(grid, p.plan, 1, ColFrom, grid.cell(1, ColFrom)).accepted);
    EXPECT_EQ(grid.cell(1, ColBearing), "90.0010");
    EXPECT_EQ(grid.cell(1, ColLink), link);
}

#include "core/traversegrid.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::PlanTestDir;

LineRecord Line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    LineRecord line;
    line.FromPoint = from;
    line.ToPoint = to;
    line.Bearing = bearing;
    line.Distance = distance;
    return line;
}

PlanState LoadedPlan(std::vector<LineRecord> lines) {
    PlanState plan;
    plan.PlanLines = std::move(lines);
    plan.chkArray = true;
    return plan;
}

GridRow Row(const char* link, const char* from, const char* to, const char* bearing,
            const char* distance) {
    return GridRow{link, from, to, bearing, distance};
}

struct StoredLineCase {
    const char* name;
    std::int32_t from, to;
    GridRow expected;
};

void PrintTo(const StoredLineCase& c, std::ostream* os) {
    *os << c.name;
}

class FillFromPlanLines : public ::testing::TestWithParam<StoredLineCase> {};

TEST_P(FillFromPlanLines, ShowsTheStoredLine) {
    const PlanState plan = LoadedPlan({
        Line(101, 102, 45.302, 123.456), // 0
        Line(103, 102, 200.153, 50),     // 1: stored the other way round
        Line(103, 104, 999, 60.125),     // 2: missing bearing
        Line(105, 104, 1025.5, 31.4),    // 3: arc stored the other way round
        Line(106, 105, 10, -8),          // 4: marked deleted
        Line(105, 106, 12.3456, 8),      // 5
        Line(101, 102, 99, 99),          // 6: a second copy is never reached
    });
    const auto& c = GetParam();
    std::vector<GridRow> rows(1);
    ASSERT_TRUE(FillLineRow(plan, rows, 0, c.from, c.to, false));
    EXPECT_EQ(rows[0][ColLink], c.expected[ColLink]);
    EXPECT_EQ(rows[0][ColBearing], c.expected[ColBearing]);
    EXPECT_EQ(rows[0][ColDistance], c.expected[ColDistance]);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, FillFromPlanLines,
    ::testing::Values(
        StoredLineCase{"Forwards", 101, 102, Row("0", "", "", "45.3020", "123.456")},
        StoredLineCase{"Backwards", 102, 101, Row("0", "", "", "225.3020", "123.456")},
        StoredLineCase{"BackBearingWraps", 102, 103, Row("1", "", "", "20.1530", "50.000")},
        StoredLineCase{"NoDataForwards", 103, 104, Row("2", "", "", "No Data", "60.125")},
        StoredLineCase{"NoDataBackwards", 104, 103, Row("2", "", "", "No Data", "60.125")},
        StoredLineCase{"ArcBackwardsKeepsRadius", 104, 105, Row("3", "", "", "R25.500", "31.400")},
        StoredLineCase{"ArcForwards", 105, 104, Row("3", "", "", "R25.500", "31.400")},
        StoredLineCase{"DeletedLineSkipped", 106, 105, Row("5", "", "", "192.3456", "8.000")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FillLineRow, PlanLinesUnusedWhileNotLoaded) {
    PlanState plan = LoadedPlan({Line(1, 2, 90, 10)});
    plan.chkArray = false;
    std::vector<GridRow> rows(1);
    EXPECT_FALSE(FillLineRow(plan, rows, 0, 1, 2, false));
    EXPECT_EQ(rows[0], GridRow{});
}

struct RowAboveCase {
    const char* name;
    GridRow above;
    std::int32_t from, to;
    const char* bearing;
};

void PrintTo(const RowAboveCase& c, std::ostream* os) {
    *os << c.name;
}

class FillFromRowAbove : public ::testing::TestWithParam<RowAboveCase> {};

TEST_P(FillFromRowAbove, CopiesOrReversesTheRowAbove) {
    const auto& c = GetParam();
    const PlanState plan = LoadedPlan({Line(7, 8, 90, 1)});
    std::vector<GridRow> rows = {Row("", "1", "2", "10.0000", "5.000"), c.above,
                                 Row("keep", "", "", "", "")};
    ASSERT_TRUE(FillLineRow(plan, rows, 2, c.from, c.to, false));
    EXPECT_EQ(rows[2][ColBearing], c.bearing);
    EXPECT_EQ(rows[2][ColDistance], c.above[ColDistance]);
    EXPECT_EQ(rows[2][ColLink], "keep");
}

// Only a figure is reversed for the opposite direction; "No Data" and an arc's radius are
// the same from either end.
INSTANTIATE_TEST_SUITE_P(
    Cells, FillFromRowAbove,
    ::testing::Values(
        RowAboveCase{"Forwards", Row("", "PM3", "12", "45.3020", "20.000"), 44443, 12, "45.3020"},
        RowAboveCase{"Backwards", Row("", "PM3", "12", "45.3020", "20.000"), 12, 44443, "225.3020"},
        RowAboveCase{"NoDataBackwards", Row("", "3", "12", "No Data", "No Data"), 12, 3, "No Data"},
        RowAboveCase{"ArcBackwards", Row("", "3", "12", "R25.000", "31.000"), 12, 3, "R25.000"},
        RowAboveCase{"ArcForwards", Row("", "3", "12", "R25.000", "31.000"), 3, 12, "R25.000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FillLineRow, RowAboveNotUsedOnceTheClosureIsDone) {
    const PlanState plan;
    std::vector<GridRow> rows = {Row("", "1", "2", "10.0000", "5.000"), GridRow{}};
    EXPECT_FALSE(FillLineRow(plan, rows, 1, 2, 1, true));
    EXPECT_EQ(rows[1], GridRow{});
    EXPECT_TRUE(FillLineRow(plan, rows, 1, 2, 1, false));
    EXPECT_EQ(rows[1][ColBearing], "190.0000");
}

TEST(FillLineRow, OnlyRowsAboveTheCurrentOneCount) {
    const PlanState plan;
    std::vector<GridRow> rows = {GridRow{}, Row("", "1", "2", "10.0000", "5.000")};
    EXPECT_FALSE(FillLineRow(plan, rows, 0, 1, 2, false));
    EXPECT_FALSE(FillLineRow(plan, rows, 2, 1, 2, false)); // no such row
    EXPECT_FALSE(FillLineRow(plan, rows, -1, 1, 2, false));
}

const char* const kPolygons = "\"OB1\",0,\"C\"\r\n"
                              "101\r\n102\r\n"
                              "\"AL1\",100,\"C\"\r\n"
                              "101\r\n102\r\n44443\r\n101\r\n"
                              "\"AL10\",0,\"C\"\r\n"
                              "7\r\n8\r\n"
                              "\"AL1\",100,\"C\"\r\n"
                              "103\r\n104\r\n";

TEST(LoadParcelLines, OneRowPerPairOfSuccessivePoints) {
    PlanTestDir dir;
    dir.write("plan.ply", kPolygons);
    PlanState plan = LoadedPlan(
        {Line(101, 102, 45.302, 10), Line(101, 44443, 300, 12.5), Line(104, 103, 1040, 22)});
    plan.PlanPath = dir.path("plan");
    auto rows = LoadParcelLines(plan, "AL1");
    ASSERT_TRUE(rows.ok()) << rows.error().message;
    // The heading occurs twice: both blocks follow one another, with no row joining them.
    const std::vector<GridRow> expected = {
        Row("0", "101", "102", "45.3020", "10.000"),
        Row("", "102", "PM3", "No Data", "No Data"),
        Row("1", "PM3", "101", "120.0000", "12.500"),
        Row("2", "103", "104", "R40.000", "22.000"),
    };
    EXPECT_EQ(rows.value(), expected);
}

TEST(LoadParcelLines, APairTraversedTwiceReusesTheRowAbove) {
    PlanTestDir dir;
    dir.write("plan.ply", "\"CO1\",0,\"C\"\r\n1\r\n2\r\n3\r\n2\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    auto rows = LoadParcelLines(plan, "CO1");
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows.value().size(), 3u);
    // 3 -> 2 finds 2 -> 3 above, whose bearing is "No Data": it stays so.
    EXPECT_EQ(rows.value()[2], Row("", "3", "2", "No Data", "No Data"));
}

TEST(LoadParcelLines, IdentifierMatchedExactly) {
    PlanTestDir dir;
    dir.write("PLAN.PLY", kPolygons);
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    auto rows = LoadParcelLines(plan, "al1");
    ASSERT_TRUE(rows.ok());
    EXPECT_TRUE(rows.value().empty());
    auto ten = LoadParcelLines(plan, "AL10");
    ASSERT_TRUE(ten.ok());
    EXPECT_EQ(ten.value().size(), 1u);
}

TEST(LoadParcelLines, BadPointLineOfTheParcelIsReported) {
    PlanTestDir dir;
    dir.write("plan.ply", "\"AL1\",0,\"C\"\r\n1\r\n2x\r\n1\r\n"
                          "\"AL2\",0,\"C\"\r\n1\r\n2\r\n4444999999\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    auto bad = LoadParcelLines(plan, "AL1");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().title, "Load Parcel error");
    EXPECT_NE(bad.error().message.find("Line 3"), std::string::npos);
    EXPECT_NE(bad.error().message.find("plan.ply"), std::string::npos);
    auto wide = LoadParcelLines(plan, "AL2");
    ASSERT_FALSE(wide.ok());
    EXPECT_NE(wide.error().message.find("Line 8"), std::string::npos);

    auto missing = LoadParcelLines(PlanState{}, "AL1");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().title, "Load Parcel error");
}

} // namespace
} // namespace corvane

#include "core/grid/traversegrid.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <tuple>

namespace corvane {
namespace {

using test::PlanTestDir;

PlanState LoadedPlan(std::vector<LineRecord> lines) {
    PlanState plan;
    plan.PlanLines = std::move(lines);
    plan.chkArray = true;
    return plan;
}

TEST(FillLineRow, FromPlanLinesEitherWayRound) {
    PlanState plan = LoadedPlan({
        {101, 102, 45.302, 123.456}, // 0
        {103, 102, 200.153, 50},     // 1: stored the other way round
        {103, 104, 999, 60.125},     // 2: missing bearing
        {105, 104, 1025.5, 31.4},    // 3: arc stored the other way round
        {106, 105, 10, -8},          // 4: marked deleted
        {105, 106, 12.3456, 8},      // 5
        {101, 102, 99, 99},          // 6: a second copy is never reached
    });
    const std::tuple<std::int32_t, std::int32_t, GridRow> cases[] = {
        {101, 102, {"0", "", "", "45.3020", "123.456"}},
        {102, 101, {"0", "", "", "225.3020", "123.456"}},
        {102, 103, {"1", "", "", "20.1530", "50.000"}},
        {104, 103, {"2", "", "", "No Data", "60.125"}},
        {104, 105, {"3", "", "", "R25.500", "31.400"}},
        {105, 104, {"3", "", "", "R25.500", "31.400"}},
        {106, 105, {"5", "", "", "192.3456", "8.000"}},
    };
    for (const auto& [from, to, expected] : cases) {
        std::vector<GridRow> rows(1);
        ASSERT_TRUE(FillLineRow(plan, rows, 0, from, to, false)) << from << "-" << to;
        EXPECT_EQ(rows[0], expected) << from << "-" << to;
    }
    // Lines not loaded are not used.
    plan.chkArray = false;
    std::vector<GridRow> rows(1);
    EXPECT_FALSE(FillLineRow(plan, rows, 0, 101, 102, false));
    EXPECT_EQ(rows[0], GridRow{});
}

// Only a figure is reversed for the opposite direction; "No Data" and an arc's radius are
// the same from either end. The row's own link is kept.
TEST(FillLineRow, FromTheRowAbove) {
    const std::tuple<GridRow, std::int32_t, std::int32_t, const char*> cases[] = {
        {{"", "PM3", "12", "45.3020", "20.000"}, 44443, 12, "45.3020"},
        {{"", "PM3", "12", "45.3020", "20.000"}, 12, 44443, "225.3020"},
        {{"", "3", "12", "No Data", "No Data"}, 12, 3, "No Data"},
        {{"", "3", "12", "R25.000", "31.000"}, 12, 3, "R25.000"},
    };
    const PlanState plan = LoadedPlan({{7, 8, 90, 1}});
    for (const auto& [above, from, to, bearing] : cases) {
        std::vector<GridRow> rows = {{"", "1", "2", "10.0000", "5.000"}, above, {"keep"}};
        ASSERT_TRUE(FillLineRow(plan, rows, 2, from, to, false)) << from << "-" << to;
        EXPECT_EQ(rows[2], (GridRow{"keep", "", "", bearing, above[ColDistance]}));
    }
    // Not once the closure is done, and only rows above the current one count.
    std::vector<GridRow> rows = {{"", "1", "2", "10.0000", "5.000"}, GridRow{}};
    EXPECT_FALSE(FillLineRow(plan, rows, 1, 2, 1, true));
    EXPECT_EQ(rows[1], GridRow{});
    EXPECT_FALSE(FillLineRow(plan, rows, 0, 1, 2, false));
    EXPECT_FALSE(FillLineRow(plan, rows, 2, 1, 2, false));
    EXPECT_FALSE(FillLineRow(plan, rows, -1, 1, 2, false));
    EXPECT_TRUE(FillLineRow(plan, rows, 1, 2, 1, false));
    EXPECT_EQ(rows[1][ColBearing], "190.0000");
}

TEST(LoadParcelLines, EveryBlockOfTheParcelOneRowPerPair) {
    PlanTestDir dir;
    dir.write("PLAN.PLY", "\"OB1\",0,\"C\"\r\n101\r\n102\r\n"
                          "\"AL1\",100,\"C\"\r\n101\r\n102\r\n44443\r\n101\r\n"
                          "\"AL10\",0,\"C\"\r\n7\r\n8\r\n"
                          "\"AL1\",100,\"C\"\r\n103\r\n104\r\n"
                          "\"CO1\",0,\"C\"\r\n1\r\n2\r\n3\r\n2\r\n");
    PlanState plan =
        LoadedPlan({{101, 102, 45.302, 10}, {101, 44443, 300, 12.5}, {104, 103, 1040, 22}});
    plan.PlanPath = dir.path("plan");
    // The heading occurs twice: both blocks follow one another, with no row joining them.
    const std::vector<GridRow> al1 = {
        {"0", "101", "102", "45.3020", "10.000"},
        {"", "102", "PM3", "No Data", "No Data"},
        {"1", "PM3", "101", "120.0000", "12.500"},
        {"2", "103", "104", "R40.000", "22.000"},
    };
    EXPECT_EQ(LoadParcelLines(plan, "AL1").value(), al1);
    EXPECT_EQ(LoadParcelLines(plan, "AL10").value().size(), 1u);
    EXPECT_TRUE(LoadParcelLines(plan, "al1").value().empty()); // identifiers match exactly
    // 3 -> 2 finds 2 -> 3 above, whose bearing is "No Data": it stays so.
    auto co1 = LoadParcelLines(plan, "CO1").value();
    ASSERT_EQ(co1.size(), 3u);
    EXPECT_EQ(co1[2], (GridRow{"", "3", "2", "No Data", "No Data"}));
}

TEST(LoadParcelLines, BadPointLineOfTheParcelIsReported) {
    PlanTestDir dir;
    dir.write("plan.ply", "\"AL1\",0,\"C\"\r\n1\r\n2x\r\n1\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    for (const char* part : {"Line 3", "plan.ply"})
        EXPECT_TRUE(test::Refused(LoadParcelLines(plan, "AL1"), "Load Parcel error", part));
    // The file is checked whole: a fault in another parcel refuses it too.
    dir.write("plan.ply", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n"
                          "\"AL2\",0,\"C\"\r\n1\r\n2\r\n4444999999\r\n");
    EXPECT_TRUE(test::Refused(LoadParcelLines(plan, "AL1"), "Load Parcel error", "Line 8"));
    EXPECT_TRUE(test::Refused(LoadParcelLines(PlanState{}, "AL1"), "Load Parcel error"));
}

} // namespace
} // namespace corvane

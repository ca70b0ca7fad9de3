#include "core/markjoins.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

LineRecord Line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    LineRecord line;
    line.FromPoint = from;
    line.ToPoint = to;
    line.Bearing = bearing;
    line.Distance = distance;
    return line;
}

TEST(LoadMarkJoins, ListsJoinsFromTheMark) {
    PlanState plan;
    plan.PlanLines = {
        Line(12, 4444003, 90, 10.5),     // 0: point to mark: shown reversed
        Line(101, 102, 45, 20),          // 1: ordinary line
        Line(5555001, 13, 45.302, 7.25), // 2: mark to point: as stored
        Line(4444003, 5555001, 10, 30),  // 3: mark to mark
        Line(14, 4444004, 999, 12),      // 4: missing bearing
        Line(15, 4444005, 1010, 12),     // 5: arc
        Line(16, 4444006, 30, -12),      // 6: marked deleted
        Line(5000, 5001, 360, 3),        // 7: 5000 is ordinary, 5001 a mark
        Line(17, 4444007, 0, 0),         // 8: no distance
        Line(4444008, 18, -5, 4),        // 9: bearing below 0
    };
    std::vector<MarkJoin> joins = LoadMarkJoins(plan);
    ASSERT_EQ(joins.size(), 3u);

    EXPECT_EQ(joins[0].Index, 0);
    EXPECT_EQ(joins[0].Mark, 4444003);
    EXPECT_EQ(joins[0].Point, 12);
    EXPECT_EQ(joins[0].Bearing, "270.0000");
    EXPECT_EQ(joins[0].Distance, "10.500");

    EXPECT_EQ(joins[1].Index, 2);
    EXPECT_EQ(joins[1].Mark, 5555001);
    EXPECT_EQ(joins[1].Point, 13);
    EXPECT_EQ(joins[1].Bearing, "45.3020");
    EXPECT_EQ(joins[1].Distance, "7.250");

    EXPECT_EQ(joins[2].Index, 7);
    EXPECT_EQ(joins[2].Mark, 5001);
    EXPECT_EQ(joins[2].Point, 5000);
    EXPECT_EQ(joins[2].Bearing, "180.0000");
}

TEST(LoadMarkJoins, FollowsTheLimitOfOrdinaryPoints) {
    PlanState plan;
    plan.PlanLines = {Line(12, 300, 45, 10)};
    EXPECT_TRUE(LoadMarkJoins(plan).empty());
    plan.PointNumberLimit = 100;
    ASSERT_EQ(LoadMarkJoins(plan).size(), 1u);
    EXPECT_EQ(LoadMarkJoins(plan)[0].Mark, 300);
}

} // namespace
} // namespace corvane

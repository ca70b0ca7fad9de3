#include "core/geometry/markjoins.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::vector<std::string> JoinTexts(const PlanState& plan) {
    std::vector<std::string> texts;
    for (const MarkJoin& j : LoadMarkJoins(plan))
        texts.push_back(std::to_string(j.Index) + ": " + std::to_string(j.Mark) + " to " +
                        std::to_string(j.Point) + " " + j.Bearing + " " + j.Distance);
    return texts;
}

TEST(LoadMarkJoins, ListsJoinsFromTheMark) {
    PlanState plan;
    plan.PlanLines = {
        {12, 4444003, 90, 10.5},     // 0: point to mark: shown reversed
        {101, 102, 45, 20},          // 1: ordinary line
        {5555001, 13, 45.302, 7.25}, // 2: mark to point: as stored
        {4444003, 5555001, 10, 30},  // 3: mark to mark
        {14, 4444004, 999, 12},      // 4: missing bearing
        {15, 4444005, 1010, 12},     // 5: arc
        {16, 4444006, 30, -12},      // 6: marked deleted
        {5000, 5001, 360, 3},        // 7: 5000 is ordinary, 5001 a mark
        {17, 4444007, 0, 0},         // 8: no distance
        {4444008, 18, -5, 4},        // 9: bearing below 0
    };
    EXPECT_EQ(JoinTexts(plan), (std::vector<std::string>{"0: 4444003 to 12 270.0000 10.500",
                                                         "2: 5555001 to 13 45.3020 7.250",
                                                         "7: 5001 to 5000 180.0000 3.000"}));
    // The limit of ordinary points decides which end is the mark.
    plan.PlanLines = {{12, 300, 45, 10}};
    EXPECT_TRUE(JoinTexts(plan).empty());
    plan.PointNumberLimit = 100;
    EXPECT_EQ(JoinTexts(plan), std::vector<std::string>{"0: 300 to 12 225.0000 10.000"});
}

} // namespace
} // namespace corvane

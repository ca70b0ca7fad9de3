#include "core/geometry/adjustment.h"

#include "core/files/linesfile.h"
#include "core/model/bearing.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace corvane {
namespace {

TEST(PlanObservations, EachKindOfLineObservesWhatItCarries) {
    const CurveTable curves({{6, 7, "R", 999, 90.0},  // forwards, chord bearing
                             {7, 8, "L", 999, 90.0},  // stored 7 → 8, the line runs 8 → 7
                             {8, 9, "R", 999, 999}}); // no bearing at all
    const std::vector<LineRecord> lines = {
        {1, 2, 45.3020, 100.0, 0}, // 0: bearing and distance
        {2, 3, 999, 50.0, 0},      // 1: no bearing: distance only
        {3, 4, 90.0, 0.0, 0},      // 2: marked dropped
        {4, 5, 90.0, -2.0, 0},     // 3: marked dropped
        {5, 6, 180.0, 30.0, 0},    // 4: a context parcel's line
        {6, 7, 1030.0, 20.5, 0},   // 5: arc, radius 30
        {8, 7, 1030.0, 20.5, 0},   // 6: arc against its record
        {8, 9, 1030.0, 20.5, 0},   // 7: arc without a chord bearing
        {9, 10, 400.0, 10.0, 0}};  // 8: no bearing a plan can hold
    const std::vector<bool> context = {false, false, false, false, true};
    const std::vector<Observation> o = PlanObservations(lines, curves, context, {});

    struct Expected {
        std::size_t line;
        ObservationKind kind;
        double observed, sigma;
        bool arc;
    };
    const double chord = 60 * std::sin(20.5 / 60);
    const double centring100 = 206264.8 * 0.002 / 100;
    const double centringChord = 206264.8 * 0.002 / chord;
    const double d2r = Pi() / 180;
    const std::vector<Expected> expected = {
        {0, ObservationKind::Bearing, (45 + 30 / 60.0 + 20 / 3600.0) * d2r,
         std::sqrt(100 + centring100 * centring100), false},
        {0, ObservationKind::Distance, 100.0, 0.005 + 0.001, false},
        {1, ObservationKind::Distance, 50.0, 0.005 + 0.0005, false},
        {5, ObservationKind::Bearing, 90 * d2r, std::sqrt(100 + centringChord * centringChord),
         true},
        {5, ObservationKind::Distance, chord, 0.005 + chord * 1e-5, true},
        {6, ObservationKind::Bearing, 270 * d2r, std::sqrt(100 + centringChord * centringChord),
         true},
        {6, ObservationKind::Distance, chord, 0.005 + chord * 1e-5, true},
        {7, ObservationKind::Distance, chord, 0.005 + chord * 1e-5, true},
        {8, ObservationKind::Distance, 10.0, 0.005 + 0.0001, false}};
    ASSERT_EQ(o.size(), expected.size());
    for (std::size_t k = 0; k < o.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(o[k].line, expected[k].line);
        EXPECT_EQ(o[k].kind, expected[k].kind);
        EXPECT_NEAR(o[k].observed, expected[k].observed, 1e-9);
        EXPECT_NEAR(o[k].sigma, expected[k].sigma, 1e-9);
        EXPECT_EQ(o[k].arc, expected[k].arc);
        EXPECT_EQ(o[k].from, lines[o[k].line].FromPoint);
        EXPECT_EQ(o[k].to, lines[o[k].line].ToPoint);
    }

    // The options weight as instrument makers quote them: millimetres plus parts per million.
    AdjustmentOptions options;
    options.distanceMm = 3;
    options.distancePpm = 20;
    options.bearingSeconds = 2;
    const std::vector<Observation> own = PlanObservations({lines[0]}, {}, {}, options);
    ASSERT_EQ(own.size(), 2u);
    EXPECT_NEAR(own[0].sigma, std::sqrt(4 + centring100 * centring100), 1e-9);
    EXPECT_NEAR(own[1].sigma, 0.003 + 0.002, 1e-12);
}

// A square lot 1-2-3-4 with a diagonal, and an adjoining parcel from another plan along its
// side 2-3, whose other sides (3-5, 5-6, 6-2) are copied from that plan: one of them is
// half a metre out, which must not count against this survey.
class AdjustPlanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plan.PlanPath = dir.path("P1");
        plan.PlanLines = {{1, 2, 90.0, 100.0, 0},    {2, 3, 0.0, 100.0, 0},
                          {3, 4, 270.0, 100.0, 0},   {4, 1, 180.0, 100.0, 0},
                          {1, 3, 45.0, 141.4214, 0}, {3, 5, 90.0, 50.0, 0},
                          {5, 6, 180.0, 100.0, 0},   {6, 2, 270.0, 50.5, 0}};
        plan.chkArray = true;
        dir.write("P1.ply", "\"LT1\",10000,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n");
        dir.write("P1.ctx", "\"LT9/DP7\",\"adjoining\",0\r\n2\r\n3\r\n5\r\n6\r\n2\r\n");
    }
    test::PlanTestDir dir;
    PlanState plan;
};

TEST_F(AdjustPlanTest, LinesOfContextParcelsAreLeftOut) {
    const auto a = AdjustPlan(plan, {});
    ASSERT_TRUE(a) << test::ErrorText(a);
    const AdjustmentResult& r = a.value().all;
    EXPECT_TRUE(r.converged);
    EXPECT_EQ(r.observations.size(), 10u);
    for (const ObservationResult& o : r.observations) {
        EXPECT_LT(o.observation.line, 5u);
        EXPECT_FALSE(o.flagged);
    }
    EXPECT_EQ(r.points.size(), 4u);
    EXPECT_EQ(r.dof, 10 - 6);
    EXPECT_TRUE(a.value().removed.empty());

    // Without the context file those lines are the survey's own, and the bad one shows.
    std::filesystem::remove(dir.path("P1.ctx"));
    const auto b = AdjustPlan(plan, {});
    ASSERT_TRUE(b) << test::ErrorText(b);
    EXPECT_EQ(b.value().all.observations.size(), 16u);
    EXPECT_FALSE(b.value().removed.empty());
}

TEST_F(AdjustPlanTest, UnreadableFilesRefuseTheAdjustment) {
    dir.write("P1.cve", "6,7,\"R\"\r\n");
    EXPECT_TRUE(test::Refused(AdjustPlan(plan, {}), "Adjustment error", "P1.cve"));
    std::filesystem::remove(dir.path("P1.cve"));
    dir.write("P1.ctx", "\"LT9/DP7\",\"adjoining\",0\r\n2\r\nthree\r\n");
    EXPECT_TRUE(test::Refused(AdjustPlan(plan, {}), "Adjustment error", "P1.ctx"));
    plan.LinesLoadFailed = true;
    plan.LinesLoadFailure = "P1.lns line 3 is not a line";
    EXPECT_TRUE(test::Refused(AdjustPlan(plan, {}), "Adjustment error", "line 3"));
}

TEST(AdjustPlan, TheSamplePlanAdjustsAsOneHeldGroup) {
    PlanState plan;
    plan.PlanPath = std::string(CORVANE_SOURCE_DIR) + "/examples/D20417";
    ASSERT_TRUE(LoadLines(plan));
    const auto a = AdjustPlan(plan, {});
    ASSERT_TRUE(a) << test::ErrorText(a);
    const AdjustmentResult& r = a.value().final;
    EXPECT_TRUE(r.converged);
    ASSERT_EQ(r.groups.size(), 1u);
    EXPECT_EQ(r.groups[0].held, plan.PlanLines[0].FromPoint);
    EXPECT_GT(r.dof, 0);
    EXPECT_TRUE(std::isfinite(r.seuw));
    for (const AdjustedPoint& p : r.points)
        EXPECT_TRUE(std::isfinite(p.ellipseMajor)) << p.number;
}

} // namespace
} // namespace corvane

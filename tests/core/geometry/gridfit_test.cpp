#include "core/geometry/gridfit.h"

#include "core/model/pointlabel.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace corvane {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A known map grid placement of a plan: the grid position of a plan point is found the way a
// surveyor would, by turning the plan bearing from the origin clockwise by the rotation and
// scaling the distance, never through the fit's own formula.
struct Placement {
    double east0, north0, scale, rotationDegrees;
    KnownMark mark(std::int32_t number, double east, double north) const {
        const double bearing = std::atan2(east, north) + rotationDegrees * kDegree;
        const double distance = std::hypot(east, north) * scale;
        return {number, east0 + distance * std::sin(bearing),
                north0 + distance * std::cos(bearing)};
    }
};

// Marks around a plan some 300 m across, all in the first group of the table.
const std::vector<PointRecord> kPlan = {
    {PointLabelToNumber("PM1"), 0, 0, 1, 0},      {PointLabelToNumber("PM2"), 250, 40, 1, 0},
    {PointLabelToNumber("PM3"), 180, 290, 1, 0},  {PointLabelToNumber("PM4"), -60, 210, 1, 0},
    {PointLabelToNumber("SSM5"), 120, 120, 1, 0}, {7, 90, 10, 1, 0}};

// 0°12'34" clockwise, 150 ppm, an MGA-sized shift.
const Placement kPlacement{334512.123, 6251234.456, 1.000150, (12 + 34 / 60.0) / 60.0};

std::vector<KnownMark> knownMarks(const std::vector<PointRecord>& plan, std::size_t count,
                                  const Placement& placement) {
    std::vector<KnownMark> marks;
    for (std::size_t i = 0; i < count; ++i)
        marks.push_back(placement.mark(plan[i].Number, plan[i].East, plan[i].North));
    return marks;
}

void expectRecovered(const GridFit& fit, const Placement& placement) {
    ASSERT_TRUE(fit.fitted);
    EXPECT_NEAR(fit.scalePpm(), (placement.scale - 1) * 1e6, 1.0);
    EXPECT_NEAR(fit.rotationSeconds(), placement.rotationDegrees * 3600, 1.0);
    // Point 7 is no known mark: its grid position is what the plan says it is.
    const KnownMark seven = placement.mark(7, 90, 10);
    const auto [east, north] = fit.ToGrid(90, 10);
    EXPECT_NEAR(east, seven.east, 0.001);
    EXPECT_NEAR(north, seven.north, 0.001);
}

TEST(FitToGrid, RecoversRotationScaleAndShiftClockwise) {
    const GridFit fit = FitToGrid(kPlan, knownMarks(kPlan, 5, kPlacement), {});
    expectRecovered(fit, kPlacement);
    EXPECT_GT(fit.rotation, 0); // clockwise positive: a plan bearing plus it is the grid's
    EXPECT_LT(fit.rms, 0.0005);
    EXPECT_TRUE(fit.leftOut.empty());
    ASSERT_EQ(fit.marks.size(), 5u);
    EXPECT_EQ(fit.marks[2].number, PointLabelToNumber("PM3"));
    EXPECT_NEAR(fit.marks[2].planEast, 180, 1e-9);

    // An anticlockwise turn and a scale below one, far from the first.
    const Placement other{500000, 7000000, 0.999600, -3.25};
    expectRecovered(FitToGrid(kPlan, knownMarks(kPlan, 5, other), {}), other);
}

TEST(FitToGrid, ADisturbedMarkIsFlaggedLeftOutAndTheRestFitExactly) {
    std::vector<KnownMark> marks = knownMarks(kPlan, 5, kPlacement);
    marks[3].east += 0.12;
    marks[3].north -= 0.16; // 0.2 m off
    const GridFit fit = FitToGrid(kPlan, marks, {});
    expectRecovered(fit, kPlacement);
    ASSERT_EQ(fit.leftOut, std::vector<std::int32_t>{PointLabelToNumber("PM4")});
    for (const MarkFit& m : fit.marks) {
        SCOPED_TRACE(PointNumberToLabel(m.number));
        EXPECT_EQ(m.flagged, m.number == PointLabelToNumber("PM4"));
        EXPECT_NEAR(m.residual, m.flagged ? 0.2 : 0.0, 0.0005);
    }
    EXPECT_NEAR(fit.marks[3].residualEast, 0.12, 0.0005); // known − fitted
    EXPECT_LT(fit.rms, 0.0005);
    EXPECT_NE(fit.notes.back().find("PM4"), std::string::npos);
    EXPECT_NE(fit.notes.back().find("0.200 m from where the other marks put it"), std::string::npos)
        << fit.notes.back();

    // Within a looser tolerance it is only a poor fit.
    const GridFit loose = FitToGrid(kPlan, marks, {0.25});
    EXPECT_TRUE(loose.leftOut.empty());
    EXPECT_GT(loose.rms, 0.05);
}

TEST(FitToGrid, NeverLeavesOutMarksBelowTwo) {
    // Three marks, two of them disturbed: one goes, the fit rests on the other two and says so.
    std::vector<KnownMark> marks = knownMarks(kPlan, 3, kPlacement);
    marks[0].east += 0.5;
    marks[1].north += 0.7;
    const GridFit fit = FitToGrid(kPlan, marks, {});
    ASSERT_TRUE(fit.fitted);
    EXPECT_EQ(fit.leftOut.size(), 1u);
    EXPECT_NE(fit.notes.back().find("two marks only"), std::string::npos);
    EXPECT_TRUE(std::isfinite(fit.scale) && std::isfinite(fit.rotation));
}

TEST(FitToGrid, SaysWhenTheMarksLookMistyped) {
    // North first, as LandXML writes its points.
    std::vector<KnownMark> marks = knownMarks(kPlan, 5, kPlacement);
    for (KnownMark& m : marks)
        std::swap(m.east, m.north);
    GridFit fit = FitToGrid(kPlan, marks, {});
    EXPECT_FALSE(fit.leftOut.empty());
    EXPECT_NE(fit.notes.back().find("east and north swapped"), std::string::npos);
    // Not a fit to put the plan on the grid by: it stays local.
    EXPECT_FALSE(fit.fitted);
    EXPECT_EQ(fit.ToGrid(12.5, 7.25), (std::pair<double, double>{12.5, 7.25}));

    // Coordinates in feet.
    fit = FitToGrid(kPlan, knownMarks(kPlan, 5, {1000, 2000, 1 / 0.3048, 0}), {});
    EXPECT_TRUE(fit.leftOut.empty());
    ASSERT_EQ(fit.notes.size(), 1u);
    EXPECT_NE(fit.notes[0].find("scaled by 3.280840"), std::string::npos) << fit.notes[0];

    // A true placement, even near a zone's edge, raises neither.
    EXPECT_TRUE(FitToGrid(kPlan, knownMarks(kPlan, 5, {1000, 2000, 1.0009, 0}), {}).notes.empty());
}

TEST(FitToGrid, MarksOutsideTheFittedGroupStayLocal) {
    std::vector<PointRecord> plan = kPlan;
    plan[1].Group = 5; // PM2 stands in another group of lines
    plan[2].Group = -1;
    plan[2].Fixed = 0; // PM3 is not fixed
    std::vector<KnownMark> marks = knownMarks(plan, 5, kPlacement);
    marks.push_back({PointLabelToNumber("PM99"), 1, 2}); // not in the plan

    GridFit fit = FitToGrid(plan, marks, {});
    expectRecovered(fit, kPlacement);
    EXPECT_EQ(fit.marks.size(), 3u);
    std::string notes;
    for (const std::string& n : fit.notes)
        notes += n + "\n";
    for (const char* mark : {"PM2 is in a part", "PM3 is not fixed", "PM99 is not a point"})
        EXPECT_NE(notes.find(mark), std::string::npos) << notes;

    // One mark per group: nothing to fit, and the plan keeps its own coordinates.
    plan[0].Group = 3;
    fit = FitToGrid(plan, knownMarks(plan, 2, kPlacement), {});
    EXPECT_FALSE(fit.fitted);
    EXPECT_EQ(fit.ToGrid(90, 10), std::make_pair(90.0, 10.0));
    ASSERT_FALSE(fit.notes.empty());
    EXPECT_NE(fit.notes.back().find("Fewer than two marks"), std::string::npos);
    EXPECT_FALSE(FitToGrid(kPlan, {}, {}).fitted);
}

TEST(MapGridEpsg, ZoneAndDatumGiveTheMapGridsCode) {
    struct Case {
        int zone;
        const char* datum;
        int epsg;
    } cases[] = {{56, "GDA2020", 7856},
                 {56, "gda 2020", 7856},
                 {55, "MGA2020", 7855},
                 {56, "GDA94", 28356},
                 {50, "GDA 94", 28350},
                 {56, "AGD66", 0},
                 {56, "", 0},
                 {0, "GDA2020", 0},
                 {61, "GDA94", 0},
                 // Zones the map grids have not: 7830 and 28359 are other countries' grids.
                 {30, "GDA2020", 0},
                 {46, "GDA2020", 7846},
                 {59, "GDA2020", 7859},
                 {60, "GDA2020", 0},
                 {47, "GDA94", 0},
                 {59, "GDA94", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(MapGridEpsg(c.zone, c.datum), c.epsg) << c.zone << " " << c.datum;
}

// A square lot tied to three marks, adjusted from its lines.
class FitPlanToGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plan.PlanPath = dir.path("G1");
        plan.PlanLines = {{1, 2, 90.0, 100.0, 0},        {2, 3, 0.0, 100.0, 0},
                          {3, 4, 270.0, 100.0, 0},       {4, 1, 180.0, 100.0, 0},
                          {1, pm(1), 225.0, 14.1421, 0}, {3, pm(2), 45.0, 14.1421, 0},
                          {2, pm(3), 135.0, 14.1421, 0}};
    }
    static std::int32_t pm(int n) { return PointLabelToNumber("PM" + std::to_string(n)); }
    std::vector<KnownMark> marksOf(const std::vector<PointRecord>& points) const {
        std::vector<KnownMark> marks;
        for (const PointRecord& p : points)
            if (p.Number > 5000)
                marks.push_back(kPlacement.mark(p.Number, p.East, p.North));
        return marks;
    }
    test::PlanTestDir dir;
    PlanState plan;
};

TEST_F(FitPlanToGridTest, FitsTheAdjustedPlanElseTheBuildersCoordinates) {
    const auto first = FitPlanToGrid(plan, {}, {});
    ASSERT_TRUE(first) << test::ErrorText(first);
    EXPECT_EQ(first.value().source, "adjusted");
    EXPECT_EQ(first.value().points.size(), 7u);

    const auto fitted = FitPlanToGrid(plan, marksOf(first.value().points), {});
    ASSERT_TRUE(fitted) << test::ErrorText(fitted);
    const GridFit& fit = fitted.value().fit;
    ASSERT_TRUE(fit.fitted);
    EXPECT_EQ(fit.marks.size(), 3u);
    EXPECT_NEAR(fit.scalePpm(), 150, 1);
    EXPECT_NEAR(fit.rotationSeconds(), 754, 1);

    // A context parcels file the adjustment cannot read leaves the builder's coordinates.
    dir.write("G1.ctx", "\"LT9/DP7\",\"adjoining\",0\r\n2\r\nthree\r\n");
    const auto fallback = FitPlanToGrid(plan, marksOf(first.value().points), {});
    ASSERT_TRUE(fallback) << test::ErrorText(fallback);
    EXPECT_EQ(fallback.value().source, "coordinate builder");
    EXPECT_TRUE(fallback.value().fit.fitted);
    ASSERT_FALSE(fallback.value().fit.notes.empty());
    EXPECT_NE(fallback.value().fit.notes.front().find("not adjusted"), std::string::npos);

    plan.LinesLoadFailed = true;
    plan.LinesLoadFailure = "G1.lns line 2 is not a line";
    EXPECT_TRUE(test::Refused(FitPlanToGrid(plan, {}, {}), "Map grid error", "line 2"));
}

} // namespace
} // namespace corvane

#include "core/planview.h"

#include <cmath>
#include <gtest/gtest.h>

namespace corvane {
namespace {

void ExpectView(const ViewScale& v, double left, double top, double right, double bottom) {
    EXPECT_NEAR(v.Left, left, 1e-9);
    EXPECT_NEAR(v.Top, top, 1e-9);
    EXPECT_NEAR(v.Right(), right, 1e-9);
    EXPECT_NEAR(v.Bottom(), bottom, 1e-9);
}

TEST(PlanView, FitTakesTheSurfaceShapeWithFivePerCentMargins) {
    FittedView wide = FitPlanView(200, 50, 2.0); // too flat for a 2:1 surface: north grows
    EXPECT_NEAR(wide.North, 100, 1e-9);
    EXPECT_NEAR(wide.East, 200, 1e-9);
    ExpectView(wide.Scale, -10, 105, 210, -5);
    FittedView tall = FitPlanView(100, 100, 2.0); // east grows to the aspect
    EXPECT_NEAR(tall.East, 200, 1e-9);
    // All points on one east-west line, or all in one place: still a scale.
    EXPECT_NEAR(FitPlanView(80, 0, 2.0).North, 40, 1e-9);
    FittedView none = FitPlanView(0, 0, 1.5);
    EXPECT_GT(none.North, 0);
    EXPECT_NEAR(none.East, none.North * 1.5, 1e-9);
}

TEST(PlanView, ZoomScrollAndDragZoom) {
    const ViewScale v{0, 100, 100, -100};
    ViewScale in = ZoomAround(v, 10);
    ExpectView(in, 10, 90, 90, 10); // 80 % about the same centre
    ViewScale back = ZoomAround(in, -10);
    EXPECT_NEAR(back.Width, 96, 1e-9); // not the view it came from
    EXPECT_NEAR(back.Height, -96, 1e-9);
    ExpectView(ZoomAround(v, -10), -10, 110, 110, -10);

    ExpectView(ScrollAround(v, 'N'), 0, 90, 100, -10); // top edge lowered
    ExpectView(ScrollAround(v, 'S'), 0, 110, 100, 10);
    ExpectView(ScrollAround(v, 'E'), 10, 100, 110, 0);
    ExpectView(ScrollAround(v, 'W'), -10, 100, 90, 0);

    // Up and to the right: the rectangle's height, the width from the view's aspect.
    const ViewScale wide{0, 100, 200, -100};
    auto zoomed = ZoomLines(wide, 20, 30, 40, 50);
    ASSERT_TRUE(zoomed);
    ExpectView(*zoomed, 20, 50, 60, 30);
    EXPECT_FALSE(ZoomLines(wide, 20, 50, 40, 30)); // down and to the right
    EXPECT_FALSE(ZoomLines(wide, 40, 30, 20, 50)); // up and to the left
    EXPECT_FALSE(ZoomLines(wide, 20, 30, 20, 30)); // a click
}

TEST(PlanView, ArcsRunAlongTheirCircleOrStraightWhenImpossible) {
    // A quarter circle of radius 10 from (0, 0) to (10, 10): turning right its centre is
    // (10, 0), turning left (0, 10).
    auto right = ArcPoints(0, 0, 10, 10, 10, false);
    ASSERT_TRUE(right);
    ASSERT_EQ(right->size(), 21u);
    EXPECT_DOUBLE_EQ(right->back().first, 10);
    EXPECT_DOUBLE_EQ(right->back().second, 10);
    for (auto [e, n] : *right)
        EXPECT_NEAR(std::hypot(e - 10, n - 0), 10, 1e-9);
    auto left = ArcPoints(0, 0, 10, 10, 10, true);
    ASSERT_TRUE(left);
    for (auto [e, n] : *left)
        EXPECT_NEAR(std::hypot(e - 0, n - 10), 10, 1e-9);
    EXPECT_FALSE(ArcPoints(0, 0, 30, 0, 10, false)); // chord longer than the diameter
    EXPECT_FALSE(ArcPoints(0, 0, 3, 0, 0, false));

    // Such an arc in a plan is drawn as one straight line between its points, and so is an
    // arc without its curve record; one with its record runs along its circle.
    std::vector<PointRecord> pts = {{1, 0, 0, 1, 0}, {2, 30, 0, 1, 0}, {3, 5, 5, 0, -1}};
    std::vector<LineRecord> lines = {{1, 2, 1010.0, 40.0, 2}, {2, 3, 0.0, 1.0, 1}};
    const CurveTable curves({{1, 2, "R", 999, 90.0}, {1, 3, "R", 999, 90.0}});
    EXPECT_EQ(PlanLineShapes({{1, 2, 1020.0, 40.0, 2}}, pts, curves, nullptr).size(), 20u);
    EXPECT_EQ(PlanLineShapes({{1, 2, 1020.0, 40.0, 2}}, pts, CurveTable{}, nullptr).size(), 1u);
    auto shapes = PlanLineShapes(lines, pts, curves, nullptr);
    ASSERT_EQ(shapes.size(), 1u); // the line to the unfixed point 3 is left out
    EXPECT_EQ(shapes[0].E2, 30);
    EXPECT_EQ(shapes[0].Style, Stroke::Solid);
    // A line wholly beyond one edge of the view is passed over.
    const ViewScale east{40, 10, 10, -10};
    EXPECT_TRUE(PlanLineShapes(lines, pts, CurveTable{}, &east).empty());
}

TEST(PlanView, ParcelIdentifiersStandAtTheMeanOfTheirCorners) {
    // 9 and 8 are corners no line fixes: they stand at the origin, 1 km west of lot LT2.
    std::vector<PointRecord> pts = {{1, 0, 0, 1, 0},     {2, 10, 0, 1, 0},  {3, 10, 10, 1, 0},
                                    {4, 0, 10, 1, 0},    {5, 980, 0, 1, 0}, {6, 1000, 0, 1, 0},
                                    {7, 1000, 20, 1, 0}, {9, 0, 0, 0, -1},  {8, 0, 0, -1, -1}};
    auto labels = ParcelLabelShapes({"\"AL1\",100,\"C\"",
                                     "1",
                                     "2",
                                     "3",
                                     "4",
                                     "1",
                                     "\"AL2\",1,\"C\"",
                                     "2",
                                     "3",
                                     "77",
                                     "2", // 77 unknown
                                     "\"RD1\",1,\"C\"",
                                     "3", // one point
                                     "\"EA1\",1,\"C\"",
                                     "\"LT2\",400,\"C\"",
                                     "5",
                                     "6",
                                     "7",
                                     "9",
                                     "8",
                                     "5",
                                     "\"LT3\",1,\"C\"",
                                     "5",
                                     "9",
                                     "8",
                                     "9"}, // none fixed
                                    pts);
    struct Expected {
        const char* Text;
        double E, N;
    };
    const Expected expected[] = {{"AL1", 5, 5}, {"AL2", 10, 5}, {"LT2", 2980.0 / 3, 20.0 / 3}};
    ASSERT_EQ(labels.size(), std::size(expected));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].Text, expected[i].Text);
        EXPECT_NEAR(labels[i].E, expected[i].E, 1e-9) << expected[i].Text;
        EXPECT_NEAR(labels[i].N, expected[i].N, 1e-9) << expected[i].Text;
    }
}

TEST(PlanView, ConnectAnswersAndIdentifiedPoints) {
    std::vector<PointRecord> pts = {
        {12, 1, 1, 1, 0}, {15, 2, 2, 1, 0}, {55553, 3, 3, 1, 0}, {16, 9, 9, 0, -1}};
    for (const char* answer : {"12-15", "12 15", "12 15.2"}) {
        ConnectAnswer a = ParseConnectAnswer(answer, pts);
        EXPECT_EQ(a.From, 0) << answer;
        EXPECT_EQ(a.To, 1) << answer;
        EXPECT_TRUE(a.Message.empty()) << answer;
    }
    EXPECT_TRUE(ParseConnectAnswer("", pts).Empty);
    EXPECT_EQ(ParseConnectAnswer("12,15", pts).Message, "Points need to be separated by a space");
    EXPECT_EQ(ParseConnectAnswer("12 99", pts).Message, "Could not find points");
    EXPECT_EQ(ParseConnectAnswer("12 16", pts).Message, "Could not find points"); // not fixed

    // Every fixed point inside is reported, by its label without a description, whichever
    // way the rectangle was dragged; the edges are outside.
    const std::vector<std::string> inside = {"12", "15", "SSM3"};
    EXPECT_EQ(IdentifyPoints(pts, 0, 0, 10, 10, "D1", {}), inside);
    EXPECT_EQ(IdentifyPoints(pts, 10, 10, 0, 0, "D1", {}), inside);
    EXPECT_EQ(IdentifyPoints(pts, 0, 10, 10, 0, "D1", {}), inside);
    EXPECT_EQ(IdentifyPoints(pts, 10, 0, 0, 10, "D1", {}), inside);
    EXPECT_EQ(IdentifyPoints(pts, 1.5, 2.5, 0, 0, "D1", {}), (std::vector<std::string>{"12"}));
    EXPECT_TRUE(IdentifyPoints(pts, 1, 1, 2, 2, "D1", {}).empty());
    // With them, every described point inside, found by label and plan in any case.
    const std::vector<std::string> pts_file = {" 15 D1 fence post", " ssm3 d1 in kerb",
                                               " 12 D2 other plan"};
    EXPECT_EQ(IdentifyPoints(pts, 0, 0, 10, 10, "D1", pts_file),
              (std::vector<std::string>{"12", " 15 D1 fence post", " ssm3 d1 in kerb"}));
    // A described point first does not silence the undescribed ones after it.
    EXPECT_EQ(IdentifyPoints(pts, 0, 0, 10, 10, "D1", {" 12 D1 peg"}),
              (std::vector<std::string>{" 12 D1 peg", "15", "SSM3"}));
}

TEST(PlanPrint, ScaleAndPageTests) {
    const ViewScale v{1000, 580, 120, -80};
    const double S = PrintScale(v, 190, 277);
    EXPECT_NEAR(S, 120000.0 / 180, 1e-9); // 1:667
    const double s = S / 1000;
    PagePoint corner = PagePosition(v, s, 277, 1000, 500);
    EXPECT_NEAR(corner.X, 0, 1e-9);
    EXPECT_NEAR(corner.Y, 277, 1e-9); // bottom left of the view at the bottom left of the page
    PagePoint topRight = PagePosition(v, s, 277, 1120, 580);
    EXPECT_NEAR(topRight.X, 180, 1e-9);

    EXPECT_TRUE(LineOnPage(-5, 10, 50, 10, 190, 277));  // one end off: printed, clipped
    EXPECT_FALSE(LineOnPage(-5, 10, -1, 20, 190, 277)); // both left of the page
    EXPECT_FALSE(LineOnPage(10, 280, 20, 300, 190, 277));
    EXPECT_TRUE(LineOnPage(0, 0, 190, 277, 190, 277)); // edges count as on the page
    EXPECT_TRUE(PlotOnPage(100, 100, 10, 3, 190, 277));
    EXPECT_FALSE(PlotOnPage(185, 100, 10, 3, 190, 277)); // runs past the right edge
    EXPECT_FALSE(PlotOnPage(0, 100, 10, 3, 190, 277));
}

} // namespace
} // namespace corvane

#include "core/geometry/planview.h"

#include <cmath>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace corvane {
namespace {

void ExpectView(const ViewScale& v, double left, double top, double right, double bottom) {
    EXPECT_NEAR(v.Left, left, 1e-9);
    EXPECT_NEAR(v.Top, top, 1e-9);
    EXPECT_NEAR(v.Right(), right, 1e-9);
    EXPECT_NEAR(v.Bottom(), bottom, 1e-9);
}

TEST(PlanView, ZoomAndScroll) {
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
}

TEST(PlanView, ArcsRunAlongTheirCircleOrStraightWhenImpossible) {
    // A quarter circle of radius 10 from (0, 0) to (10, 10): turning right its centre is
    // (10, 0), turning left (0, 10).
    auto right = ArcPoints(0, 0, 10, 10, 10, 15.708, false);
    ASSERT_TRUE(right);
    ASSERT_EQ(right->size(), 21u);
    EXPECT_DOUBLE_EQ(right->back().first, 10);
    EXPECT_DOUBLE_EQ(right->back().second, 10);
    for (auto [e, n] : *right)
        EXPECT_NEAR(std::hypot(e - 10, n - 0), 10, 1e-9);
    auto left = ArcPoints(0, 0, 10, 10, 10, 15.708, true);
    ASSERT_TRUE(left);
    for (auto [e, n] : *left)
        EXPECT_NEAR(std::hypot(e - 0, n - 10), 10, 1e-9);
    EXPECT_FALSE(ArcPoints(0, 0, 30, 0, 10, 40, false)); // chord longer than the diameter
    EXPECT_FALSE(ArcPoints(0, 0, 3, 0, 0, 3, false));

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

// A cul-de-sac head: radius 10, arc length 47.124 (three quarters of the circle) from (0, 0)
// to (10, 10). Turning right it runs clockwise round the centre (0, 10), through (-7.071,
// 17.071) half way; turning left anticlockwise round (10, 0), through (17.071, -7.071). The
// short arc of either turn lies on the other circle.
TEST(PlanView, ArcsLongerThanAHalfCircleGoTheLongWayRound) {
    const double h = 10 / std::sqrt(2.0);
    struct Case {
        bool Left;
        double CentreE, CentreN, MiddleE, MiddleN;
    };
    for (const Case& c : {Case{false, 0, 10, -h, 10 + h}, Case{true, 10, 0, 10 + h, -h}}) {
        SCOPED_TRACE(c.Left ? "left" : "right");
        auto course = ArcThrough(0, 0, 10, 10, 10, 47.124, c.Left);
        ASSERT_TRUE(course);
        EXPECT_NEAR(course->CentreE, c.CentreE, 1e-9);
        EXPECT_NEAR(course->CentreN, c.CentreN, 1e-9);
        EXPECT_NEAR(course->Sweep, 1.5 * std::acos(-1.0), 1e-9);

        auto arc = ArcPoints(0, 0, 10, 10, 10, 47.124, c.Left);
        ASSERT_TRUE(arc);
        ASSERT_EQ(arc->size(), 41u); // 270 degrees in steps of no more than 9
        EXPECT_EQ(arc->back(), (std::pair<double, double>{10, 10}));
        for (auto [e, n] : *arc)
            EXPECT_NEAR(std::hypot(e - c.CentreE, n - c.CentreN), 10, 1e-9);
        EXPECT_NEAR((*arc)[20].first, c.MiddleE, 1e-9);
        EXPECT_NEAR((*arc)[20].second, c.MiddleN, 1e-9);

        // The plan draws the line the same way, and the printout takes the view's lines.
        const std::vector<PointRecord> pts = {{1, 0, 0, 1, 0}, {2, 10, 10, 1, 0}};
        const CurveTable curves({{1, 2, c.Left ? "L" : "R", 999, 45.0}});
        auto shapes = PlanLineShapes({{1, 2, 1010.0, 47.124, 2}}, pts, curves, nullptr);
        ASSERT_EQ(shapes.size(), 40u);
        EXPECT_NEAR(shapes[19].E2, c.MiddleE, 1e-9);
        EXPECT_NEAR(shapes[19].N2, c.MiddleN, 1e-9);
        // A view of the bulge alone, both ends beyond its edges, still shows the arc.
        const ViewScale bulge{c.MiddleE - 1, c.MiddleN + 1, 2, -2};
        EXPECT_EQ(PlanLineShapes({{1, 2, 1010.0, 47.124, 2}}, pts, curves, &bulge).size(), 40u);
        // A quarter circle stays the short arc, on the other centre.
        auto quarter = ArcThrough(0, 0, 10, 10, 10, 15.708, c.Left);
        ASSERT_TRUE(quarter);
        EXPECT_NEAR(quarter->CentreE, c.CentreN, 1e-9);
        EXPECT_NEAR(quarter->CentreN, c.CentreE, 1e-9);
    }

    // A half circle whose ends, rounded to the millimetre, lie a little more than the
    // diameter apart is still drawn as a half circle, not as its straight diameter.
    auto half = ArcPoints(0, 0, 20.0005, 0, 10, 31.416, false);
    ASSERT_TRUE(half);
    EXPECT_NEAR((*half)[10].first, 10.00025, 1e-9);
    EXPECT_NEAR((*half)[10].second, 10.00025, 1e-9);
    EXPECT_FALSE(ArcPoints(0, 0, 20.01, 0, 10, 31.416, false)); // a centimetre: no circle
}

TEST(PlanView, ParcelIdentifiersStandInsideTheirFixedCorners) {
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
    // LT2's fixed corners are a right triangle: its label at the in-centre.
    const double r = (40 - std::sqrt(800.0)) / 2;
    const Expected expected[] = {{"AL1", 5, 5}, {"AL2", 10, 5}, {"LT2", 1000 - r, r}};
    ASSERT_EQ(labels.size(), std::size(expected));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].Text, expected[i].Text);
        EXPECT_NEAR(labels[i].E, expected[i].E, 0.02) << expected[i].Text;
        EXPECT_NEAR(labels[i].N, expected[i].N, 0.02) << expected[i].Text;
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

TEST(PlanPrint, StandardScalesAndTheDrawnExtent) {
    // The series a printout offers, and a need just above one of its steps takes the next.
    for (auto [need, standard] : std::vector<std::pair<double, double>>{{1, 100},
                                                                        {100, 100},
                                                                        {101, 200},
                                                                        {201, 250},
                                                                        {420, 500},
                                                                        {1000.0000001, 1000},
                                                                        {1001, 2000},
                                                                        {2100, 2500},
                                                                        {2501, 5000},
                                                                        {12000, 20000},
                                                                        {30000, 50000}})
        EXPECT_EQ(StandardScaleAtLeast(need), standard) << need;

    // The drawn plan's extent, an arc bowing 12 m below and 3 m west of its points included.
    const ViewScale v{0, 100, 150, -100};
    const std::vector<PlotLine> plan{{10, 0, 95, 20}, {95, 20, 40, 90}};
    const std::vector<PlotLine> arc{{5, 0, -3, -12}, {-3, -12, 20, -2}};
    const ViewScale held = ViewOfLines(arc, v);
    EXPECT_DOUBLE_EQ(held.Left, -3);
    EXPECT_DOUBLE_EQ(held.Bottom(), -12);
    EXPECT_DOUBLE_EQ(held.Top, 0);
    EXPECT_DOUBLE_EQ(held.Right(), 20);
    const ViewScale same = ViewOfLines(plan, v);
    EXPECT_DOUBLE_EQ(same.Left, 10);
    EXPECT_DOUBLE_EQ(same.Bottom(), 0);
    EXPECT_DOUBLE_EQ(same.Right(), 95);
    EXPECT_DOUBLE_EQ(same.Top, 90);
    EXPECT_DOUBLE_EQ(ViewOfLines({}, v).Width, 150);
}

} // namespace
} // namespace corvane

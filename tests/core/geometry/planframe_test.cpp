#include "core/geometry/planframe.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace corvane {
namespace {

// A plan extent w metres across and h up, its bottom left corner at (1000, 2000).
ViewScale Extent(double w, double h) {
    return ViewScale{1000, 2000 + h, w, -h};
}

struct Printed {
    const char* name;
    double w, h;  // the plan's extent, metres
    double asked; // 0: the scale that fits one sheet
    double scale;
    bool landscape;
    int across, down;
};

TEST(PlanFrame, PrintLayoutChoosesScaleTurnAndSheets) {
    // A4 less 10 mm margins: 190 × 277 printable; the frame 180 × 251 upright, 267 × 164 turned,
    // and a plan chosen a scale to fit it clear of the north arrow and scale bar: 172 × 217
    // upright, 259 × 130 turned.
    const Printed cases[] = {
        {"fits A4 upright at 1:500", 80, 100, 0, 500, false, 1, 1},
        {"a wide plan fits only turned at 1:500", 120, 60, 0, 500, true, 1, 1},
        {"a large plan needs 1:2500", 400, 500, 0, 2500, false, 1, 1},
        {"a tie stays upright", 1, 1, 0, 100, false, 1, 1},
        {"1:200 picked needs 2 × 2 upright sheets (turned, 2 × 3)", 60, 80, 200, 200, false, 2, 2},
        {"a picked scale that fits prints one sheet", 80, 120, 1000, 1000, false, 1, 1},
    };
    for (const Printed& c : cases) {
        SCOPED_TRACE(c.name);
        const ViewScale extent = Extent(c.w, c.h);
        const PrintLayout layout = LayOutPrint(extent, 190, 277, c.asked);
        EXPECT_EQ(layout.Scale, c.scale);
        EXPECT_EQ(layout.Landscape, c.landscape);
        EXPECT_EQ(layout.PageWidthMm, c.landscape ? 277 : 190);
        ASSERT_EQ(layout.Sheets.size(), std::size_t(c.across * c.down));
        // Every sheet fills the frame at the scale, the title block below the frame.
        const double m = layout.Scale / 1000;
        for (const PrintSheet& sheet : layout.Sheets) {
            EXPECT_NEAR(sheet.View.Width, layout.FrameWidthMm * m, 1e-9);
            EXPECT_NEAR(-sheet.View.Height, layout.FrameHeightMm * m, 1e-9);
        }
        EXPECT_NEAR(layout.TitleTopMm + kTitleBlockMm + kSheetMarginMm, layout.PageHeightMm, 1e-9);
        // The sheets together are centred on the plan and cover all of it.
        const PrintSheet& first = layout.Sheets.front();
        const PrintSheet& last = layout.Sheets.back();
        EXPECT_NEAR((first.View.Left + last.View.Right()) / 2, 1000 + c.w / 2, 1e-6);
        EXPECT_NEAR((first.View.Top + last.View.Bottom()) / 2, 2000 + c.h / 2, 1e-6);
        EXPECT_LE(first.View.Left, extent.Left);
        EXPECT_GE(last.View.Right(), extent.Right());
        EXPECT_GE(first.View.Top, extent.Top);
        EXPECT_LE(last.View.Bottom(), extent.Bottom());
    }

    // Neighbouring sheets share the overlap, and know on which side their neighbour lies.
    const PrintLayout four = LayOutPrint(Extent(60, 80), 190, 277, 200);
    const double overlap = kSheetOverlapMm * 0.2;
    EXPECT_NEAR(four.Sheets[0].View.Right() - four.Sheets[1].View.Left, overlap, 1e-9);
    EXPECT_NEAR(four.Sheets[2].View.Top - four.Sheets[0].View.Bottom(), overlap, 1e-9);
    EXPECT_TRUE(four.Sheets[0].RightNeighbour && four.Sheets[0].LowerNeighbour);
    EXPECT_FALSE(four.Sheets[0].LeftNeighbour || four.Sheets[0].UpperNeighbour);
    EXPECT_TRUE(four.Sheets[3].LeftNeighbour && four.Sheets[3].UpperNeighbour);
    EXPECT_EQ(four.Sheets[2].Row, 1);
    EXPECT_EQ(four.Sheets[2].Column, 0);

    // The scales offered run from 1:100 to the first at least the one asked.
    EXPECT_EQ(StandardScalesUpTo(1000), (std::vector<double>{100, 200, 250, 500, 1000}));
    // 100 km of plan at 1:10 would take a billion sheets: laid out without any, so the caller
    // refuses it rather than running out of memory.
    const PrintLayout tooMany = LayOutPrint(Extent(100000, 50), 190, 277, 10);
    EXPECT_GT(tooMany.SheetsNeeded, kMaxSheets);
    EXPECT_TRUE(tooMany.Sheets.empty());
}

TEST(PlanFrame, ZoomingKeepsThePointerAndTheRectangle) {
    const ViewScale view{0, 100, 200, -100};
    const ViewTransform before{view, 800, 400};
    for (double factor : {1.2, 1 / 1.2, 3.0}) {
        const ViewScale zoomed = ZoomAbout(view, 150, 20, factor);
        const ViewTransform after{zoomed, 800, 400};
        EXPECT_NEAR(after.X(150), before.X(150), 1e-9);
        EXPECT_NEAR(after.Y(20), before.Y(20), 1e-9);
        EXPECT_NEAR(zoomed.Width, 200 / factor, 1e-9);
        EXPECT_NEAR(zoomed.Width / zoomed.Height, view.Width / view.Height, 1e-12);
    }

    // A rectangle dragged any way gives one view: all of it, centred, at the view's aspect.
    const auto upRight = ZoomToRectangle(view, 20, 30, 40, 50, 0);
    ASSERT_TRUE(upRight);
    EXPECT_NEAR(upRight->Left, 10, 1e-9);
    EXPECT_NEAR(upRight->Top, 50, 1e-9);
    EXPECT_NEAR(upRight->Width, 40, 1e-9);
    EXPECT_NEAR(upRight->Height, -20, 1e-9);
    for (auto [e1, n1, e2, n2] : {std::array{40., 50., 20., 30.}, std::array{20., 50., 40., 30.},
                                  std::array{40., 30., 20., 50.}}) {
        const auto other = ZoomToRectangle(view, e1, n1, e2, n2, 0);
        ASSERT_TRUE(other);
        EXPECT_NEAR(other->Left, upRight->Left, 1e-9);
        EXPECT_NEAR(other->Top, upRight->Top, 1e-9);
        EXPECT_NEAR(other->Width, upRight->Width, 1e-9);
    }
    // A tall rectangle is fitted by its height, a wide one by its width.
    EXPECT_NEAR(ZoomToRectangle(view, 0, 0, 10, 40, 0)->Height, -40, 1e-9);
    EXPECT_NEAR(ZoomToRectangle(view, 0, 0, 100, 10, 0)->Width, 100, 1e-9);
    // A click, or a sliver under the least size, zooms to nothing.
    EXPECT_FALSE(ZoomToRectangle(view, 20, 30, 20, 30, 0));
    EXPECT_FALSE(ZoomToRectangle(view, 20, 30, 60, 30.5, 1));

    // The first view: the extent centred with its margins, at the surface's shape.
    const ViewScale first = CentredView(ViewScale{100, 260, 40, -60}, 2, 0.05);
    EXPECT_NEAR(first.Left + first.Width / 2, 120, 1e-9);
    EXPECT_NEAR(first.Top + first.Height / 2, 230, 1e-9);
    EXPECT_NEAR(first.Height, -66, 1e-9);
    EXPECT_NEAR(first.Width, 132, 1e-9);
}

TEST(PlanFrame, ScaleBarIsARoundLengthNearAFifth) {
    const std::pair<double, double> cases[] = {{100, 20},   {37, 10},  {12, 2},    {0.8, 0.2},
                                               {3000, 500}, {240, 50}, {1000, 200}};
    for (auto [width, length] : cases)
        EXPECT_DOUBLE_EQ(ScaleBarLength(width), length) << width;
    EXPECT_EQ(ScaleBarLength(0), 1); // no view yet: still a bar
}

TEST(PlanFrame, JoiningLineReadsAsThePlanWritesIt) {
    PointRecord a, b, c;
    a.Number = 4;
    b.Number = 9;
    b.East = 10;
    b.North = 10;
    EXPECT_EQ(JoiningLineText(a, b), "4 to 9: 45\xB0"
                                     "00'00\" (45.0000)  14.142 m");
    // A line a part of a second west of north reads as north, not as 360°.
    c.Number = 12;
    c.East = -0.00001;
    c.North = 1000;
    EXPECT_EQ(JoiningLineText(a, c), "4 to 12: 0\xB0"
                                     "00'00\" (0.0000)  1000.000 m");
}

} // namespace
} // namespace corvane

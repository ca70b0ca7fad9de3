#include "core/geometry/planlabels.h"

#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Ring = std::vector<std::pair<double, double>>;

double nearestSide(double e, double n, const Ring& ring) {
    double least = 1e300;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto [ax, ay] = ring[i];
        const auto [bx, by] = ring[(i + 1) % ring.size()];
        const double len = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
        const double t = std::clamp(((e - ax) * (bx - ax) + (n - ay) * (by - ay)) / len, 0.0, 1.0);
        least = std::min(least, std::hypot(ax + t * (bx - ax) - e, ay + t * (by - ay) - n));
    }
    return least;
}

TEST(PlanLabels, ParcelLabelStandsFarthestFromTheSides) {
    // An L-shaped lot: the mean of its corners (13.3, 13.3) lies outside it. The widest
    // circle inside touches both outer sides and the inner corner: centre 10/(1+1/sqrt 2).
    const Ring ell = {{0, 0}, {30, 0}, {30, 10}, {10, 10}, {10, 30}, {0, 30}, {0, 0}};
    auto at = ParcelLabelPoint(ell);
    ASSERT_TRUE(at);
    const double pole = 10 / (1 + 1 / std::sqrt(2.0));
    EXPECT_NEAR(at->first, pole, 0.05);
    EXPECT_NEAR(at->second, pole, 0.05);

    // A long thin strip (a lane 200 m long, 1.5 m wide north to south, slanting): on its
    // centre line, half its square width from either side.
    const Ring strip = {{0, 0}, {200, 100}, {200, 101.5}, {0, 1.5}};
    at = ParcelLabelPoint(strip);
    ASSERT_TRUE(at);
    EXPECT_NEAR(nearestSide(at->first, at->second, strip), 0.75 * 2 / std::sqrt(5.0), 0.002);

    // Fewer than three corners, or none: the mean, or no label.
    at = ParcelLabelPoint({{0, 0}, {10, 4}});
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->first, 5, 1e-9);
    EXPECT_FALSE(ParcelLabelPoint({}));
}

TEST(PlanLabels, ParcelIdentifiersFollowTheirArcs) {
    // A lot 10 m by 4 m whose north side is a half circle bowing out (radius 5): the widest
    // circle inside it stands half a metre above the chord, not at the rectangle's centre.
    const std::vector<PointRecord> pts = {
        {1, 0, 0, 1, 0}, {2, 10, 0, 1, 0}, {3, 10, 4, 1, 0}, {4, 0, 4, 1, 0}};
    const std::vector<LineRecord> lines = {{3, 4, kArcBearingBase + 5, 5 * Pi(), 2}};
    const CurveTable curves({CurveRecord{3, 4, "L", kMissingBearing, kMissingBearing}});
    const std::vector<std::string> polygons = {"\"LT1\",1,\"C\"", "1", "2", "3", "4", "1"};
    auto labels = ParcelLabelShapes(polygons, pts, lines, &curves);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_NEAR(labels[0].E, 5, 0.05);
    EXPECT_NEAR(labels[0].N, 4.5, 0.05);
    // Without the curve records the rectangle's own centre.
    EXPECT_NEAR(ParcelLabelShapes(polygons, pts)[0].N, 2, 0.05);
}

TEST(PlanLabels, LineClassesGiveTheOuterBoundaryItsWeight) {
    // Two lots side by side sharing 2-3, an easement across lot A, a side 4-1 the lines file
    // lacks (the placeholder PrepareLineStyles adds), a mark connection and a scaled line.
    const std::vector<LineRecord> lines = {
        {1, 2, 90, 10, 0},  {2, 3, 0, 10, 0},    {3, 4, 270, 10, 0}, {2, 5, 90, 10, 0},
        {5, 6, 0, 10, 0},   {6, 3, 270, 10, 0},  {7, 8, 0, 10, 0},   {1, 44441, 200, 3, 0},
        {9, 10, 45, 12, 0}, {12, 13, 10, 10, 0},
    };
    const std::vector<std::string> lots = {"\"A\",1,\"C\"",  "1", "2", "3", "4", "1",
                                           "\"B\",1,\"C\"",  "2", "5", "6", "3", "2",
                                           "\"EA\",1,\"C\"", "7", "8", "7"};
    // The same lots inside their parent outer boundary parcel, whose sides each lot shares:
    // the outer boundary is still the heaviest line, and 2-3 still a parcel boundary.
    std::vector<std::string> parent = lots;
    for (const char* text : {"\"OB1\",2,\"C\"", "1", "2", "5", "6", "3", "4", "1"})
        parent.push_back(text);
    const std::vector<ContextParcel> context = {{"X", "adjoining", 0, {12, 13}}};
    const LineClass expected[] = {LineClass::Outer,    LineClass::Parcel,     LineClass::Outer,
                                  LineClass::Outer,    LineClass::Outer,      LineClass::Outer,
                                  LineClass::Easement, LineClass::Connection, LineClass::Scaled,
                                  LineClass::Context,  LineClass::Missing};
    for (const std::vector<std::string>* polygons :
         {&lots, static_cast<const std::vector<std::string>*>(&parent)}) {
        std::vector<LineRecord> styled = lines;
        PrepareLineStyles(styled, *polygons, context);
        const std::size_t scaledAt = 8;
        const auto classes = PlanLineClasses(styled, *polygons, scaledAt, scaledAt + 1);
        ASSERT_EQ(classes.size(), std::size(expected));
        for (std::size_t j = 0; j < styled.size(); ++j)
            EXPECT_EQ(classes[j], expected[j])
                << styled[j].FromPoint << "-" << styled[j].ToPoint << " of " << polygons->size();
    }
}

TEST(PlanLabels, BearingsAndDistancesReadUprightAlongTheirLines) {
    EXPECT_NEAR(UprightAngle(Pi()), 0, 1e-12);             // west reads as east
    EXPECT_NEAR(UprightAngle(-Pi() / 2), Pi() / 2, 1e-12); // south as north
    EXPECT_NEAR(UprightAngle(Pi() / 2), Pi() / 2, 1e-12);  // north stays
    EXPECT_NEAR(UprightAngle(-3 * Pi() / 4), Pi() / 4, 1e-12);

    // 1 -> 2 runs south-west; 2 -> 3 is a cul-de-sac head (radius 10, three quarters of a
    // circle) turning right from east to west, bulging south; 3 -> 1 and 1 -> 3 are the same
    // pair, written once; 4 has no coordinates.
    const double chord = 10 * std::sqrt(2.0);
    const std::vector<PointRecord> pts = {
        {1, 23 + chord, 3, 1, 0}, {2, 20 + chord, 0, 1, 0}, {3, 20, 0, 1, 0}, {4, 0, 0, 0, -1}};
    const std::vector<LineRecord> lines = {{1, 2, 225, std::sqrt(18.0), 2},
                                           {2, 3, kArcBearingBase + 10, 15 * Pi(), 2},
                                           {3, 1, 60.3015, 30, 2},
                                           {1, 3, 240.3015, 30, 2},
                                           {3, 4, 10, 5, 2}};
    const CurveTable curves({CurveRecord{2, 3, "R", kMissingBearing, kMissingBearing}});
    const auto notes = LineAnnotations(lines, pts, curves, {}, nullptr);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_NEAR(notes[0].Angle, Pi() / 4, 1e-9);
    EXPECT_EQ(notes[0].Above, "225\xB0"
                              "00'00\"");
    EXPECT_EQ(notes[0].Below, "4.243");
    // The arc's texts stand on its middle, beyond the centre from the chord, reading east.
    EXPECT_EQ(notes[1].Above, "R 10.000");
    EXPECT_EQ(notes[1].Below, "A 47.124");
    EXPECT_NEAR(notes[1].E, 20 + chord / 2, 1e-6);
    EXPECT_NEAR(notes[1].N, -chord / 2 - 10, 1e-6);
    EXPECT_NEAR(notes[1].Angle, 0, 1e-9);
    EXPECT_NEAR(notes[1].Length, 15 * Pi(), 1e-6); // room along the arc, not its 14 m chord
    EXPECT_EQ(notes[2].Above, "60\xB0"
                              "30'15\"");

    // Placeholder sides and scaled lines carry nothing to write.
    const std::vector<LineClass> classes = {LineClass::Missing, LineClass::Scaled,
                                            LineClass::Outer};
    EXPECT_EQ(LineAnnotations(lines, pts, curves, classes, nullptr).size(), 1u);
}

TEST(PlanLabels, PointLabelsGoBesideTheirPointsAwayFromLinesOrNotAtAll) {
    // Two points 0.1 m apart at a small scale (labels 2 m by 1 m, markers 0.24 m across):
    // their markers merge, and the second label is left out rather than drawn beside the
    // first. Zoomed in (labels 2 cm by 1 cm): both.
    const std::vector<LabelSpot> small = {{0, 0, 2, 1}, {0.1, 0, 2, 1}};
    EXPECT_EQ(PlacePointLabels(small, {}, 0.2).size(), 1u);
    const std::vector<LabelSpot> large = {{0, 0, 0.02, 0.01}, {0.1, 0, 0.02, 0.01}};
    EXPECT_EQ(PlacePointLabels(large, {}, 0.002).size(), 2u);

    // Lines leave the point north, east and north-east: the label goes south-west, clear
    // of them all.
    const std::vector<PlotLine> corner = {
        {10, 10, 10, 30}, {10, 10, 30, 10}, {10, 10, 30, 30}, {-20, 9, 0, 9}};
    auto placed = PlacePointLabels({{10, 10, 3, 1}}, corner, 0.5);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_LT(placed[0].West + 3, 10);
    EXPECT_LE(placed[0].North, 10);

    // A straight line through the point east to west: the label is above or below it, never
    // across it, whatever its length.
    const std::vector<PlotLine> through = {{-50, 0, 50, 0}};
    placed = PlacePointLabels({{0, 0, 8, 1}}, through, 0.5);
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_TRUE(placed[0].North - 1 >= 0 || placed[0].North <= 0);
}

} // namespace
} // namespace corvane

#include "core/dxfexport.h"

#include "core/planview.h"
#include "plantestdir.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

// What dxflib's reader finds in a written file.
struct DxfContents : DL_CreationAdapter {
    struct Line {
        std::string Layer;
        double X1, Y1, X2, Y2;
    };
    struct Arc {
        std::string Layer;
        double Cx, Cy, R, A1, A2;
    };
    struct Text {
        std::string Layer;
        std::string Value;
        double Ax, Ay;
        int H, V;
    };
    std::set<std::string> Layers;
    std::vector<Line> Lines;
    std::vector<Arc> Arcs;
    std::vector<Text> Texts;

    void addLayer(const DL_LayerData& d) override { Layers.insert(d.name); }
    void addLine(const DL_LineData& d) override {
        Lines.push_back({attributes.getLayer(), d.x1, d.y1, d.x2, d.y2});
    }
    void addArc(const DL_ArcData& d) override {
        Arcs.push_back({attributes.getLayer(), d.cx, d.cy, d.radius, d.angle1, d.angle2});
    }
    void addText(const DL_TextData& d) override {
        Texts.push_back(
            {attributes.getLayer(), d.text, d.apx, d.apy, d.hJustification, d.vJustification});
    }
};

DxfContents ReadDxf(const std::string& path) {
    DxfContents contents;
    DL_Dxf dxf;
    EXPECT_TRUE(dxf.in(path, &contents)) << path;
    return contents;
}

// A 20 m lot 1-2-3-4 whose side 4-1 is an arc of radius 15 (its curve record stored 1 to 4
// turning right, so 4 to 1 turns left), an easement 2-5, a right-hand arc 5-6 of radius 8
// outside any parcel, an arc 1-3 of radius 5 that cannot span the diagonal, and a line
// without bearing to point 7, which no line fixes.
WholePlanDrawing SurveyedLot(const test::PlanTestDir& dir) {
    dir.write("LOT.ply", "\"LOT1\",400,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                         "\"E1\",0,\"C\"\r\n2\r\n5\r\n2\r\n");
    dir.write("LOT.cve", "1,4,\"R\",999,0\r\n5,6,\"R\",999,90\r\n1,3,\"R\",999,999\r\n");
    const std::vector<LineRecord> lines = {
        {1, 2, 90.0, 20.0, 0},     {2, 3, 0.0, 20.0, 0},  {3, 4, 270.0, 20.0, 0},
        {4, 1, 1015.0, 21.892, 0}, {2, 5, 45.0, 10.0, 0}, {5, 6, 1008.0, 10.0, 0},
        {1, 3, 1005.0, 10.0, 0},   {3, 7, 999.0, 5.0, 0},
    };
    return PrepareWholePlanDrawing(lines, dir.path("LOT"));
}

const PointRecord& Point(const WholePlanDrawing& d, std::int32_t n) {
    return d.Points[static_cast<std::size_t>(FindPointIndex(d.Points, n))];
}

// The fixed point at (x, y), or 0.
std::int32_t PointAt(const WholePlanDrawing& d, double x, double y) {
    for (const PointRecord& p : d.Points)
        if (p.Fixed > 0 && std::hypot(p.East - x, p.North - y) < 1e-9)
            return p.Number;
    return 0;
}

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

// True when the direction `angle` lies on the counter-clockwise sweep from a1 to a2.
bool WithinSweep(double a1, double a2, double angle) {
    auto norm = [](double a) { return std::fmod(std::fmod(a, 360) + 360, 360); };
    return norm(angle - a1) <= norm(a2 - a1);
}

TEST(DxfExport, LinesAndArcsLieOnThePlanPointsInTheirClassLayers) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLot(dir);
    ASSERT_TRUE(drawing.Problems.empty()) << drawing.Problems[0].message;
    auto summary = WritePlanDxf(drawing, dir.path("LOT.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("LOT.dxf"));

    EXPECT_EQ(dxf.Layers,
              (std::set<std::string>{"0", "BOUNDARY", "EASEMENT", "OTHER", "POINTS", "PARCELS"}));

    // Every straight line from its from point to its to point; the arc that cannot span the
    // diagonal drawn straight, the line to the unfixed point not at all.
    using Joined = std::tuple<std::string, std::int32_t, std::int32_t>;
    std::vector<Joined> joined;
    for (const auto& l : dxf.Lines)
        joined.emplace_back(l.Layer, PointAt(drawing, l.X1, l.Y1), PointAt(drawing, l.X2, l.Y2));
    EXPECT_EQ(joined, (std::vector<Joined>{{"BOUNDARY", 1, 2},
                                           {"BOUNDARY", 2, 3},
                                           {"BOUNDARY", 3, 4},
                                           {"EASEMENT", 2, 5},
                                           {"OTHER", 1, 3}}));
    EXPECT_EQ(summary.value().lines, 5);

    ASSERT_EQ(dxf.Arcs.size(), 2u);
    EXPECT_EQ(summary.value().arcs, 2);
    struct Expected {
        std::string Layer;
        std::int32_t From, To;
        double Radius;
        bool Left;
    };
    const Expected expected[] = {{"BOUNDARY", 4, 1, 15.0, true}, {"OTHER", 5, 6, 8.0, false}};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& arc = dxf.Arcs[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.Layer);
        const PointRecord& p = Point(drawing, e.From);
        const PointRecord& q = Point(drawing, e.To);
        EXPECT_EQ(arc.Layer, e.Layer);
        EXPECT_NEAR(arc.R, e.Radius, 1e-9);
        EXPECT_NEAR(std::hypot(p.East - arc.Cx, p.North - arc.Cy), e.Radius, 1e-9);
        EXPECT_NEAR(std::hypot(q.East - arc.Cx, q.North - arc.Cy), e.Radius, 1e-9);
        // A left-hand arc has its centre left of the chord as travelled, a right-hand one right.
        const double cross =
            (q.East - p.East) * (arc.Cy - p.North) - (q.North - p.North) * (arc.Cx - p.East);
        EXPECT_EQ(cross > 0, e.Left);
        // Counter-clockwise from the start angle: the from point first on a left-hand arc.
        const PointRecord& first = e.Left ? p : q;
        const PointRecord& last = e.Left ? q : p;
        EXPECT_NEAR(arc.Cx + e.Radius * std::cos(Radians(arc.A1)), first.East, 1e-9);
        EXPECT_NEAR(arc.Cy + e.Radius * std::sin(Radians(arc.A1)), first.North, 1e-9);
        EXPECT_NEAR(arc.Cx + e.Radius * std::cos(Radians(arc.A2)), last.East, 1e-9);
        EXPECT_NEAR(arc.Cy + e.Radius * std::sin(Radians(arc.A2)), last.North, 1e-9);
        // The plan view's curve runs along the same side of the circle.
        auto view = ArcPoints(p.East, p.North, q.East, q.North, e.Radius, e.Left);
        ASSERT_TRUE(view);
        for (std::size_t k : {5u, 10u, 15u}) {
            const auto [vx, vy] = (*view)[k];
            EXPECT_NEAR(std::hypot(vx - arc.Cx, vy - arc.Cy), e.Radius, 1e-6);
            EXPECT_TRUE(WithinSweep(arc.A1, arc.A2,
                                    std::atan2(vy - arc.Cy, vx - arc.Cx) * 180 / std::numbers::pi));
        }
    }
    // Lot side 4 (0,20) to 1 (0,0) turning left: the centre east of the side, mid-way.
    EXPECT_NEAR(dxf.Arcs[0].Cx, std::sqrt(15.0 * 15 - 10 * 10), 1e-9);
    EXPECT_NEAR(dxf.Arcs[0].Cy, 10.0, 1e-9);
}

TEST(DxfExport, LabelsStandWhereTheViewPutsThemAndUnfixedPointsAreReported) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLot(dir);
    auto summary = WritePlanDxf(drawing, dir.path("LOT.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("LOT.dxf"));

    EXPECT_EQ(summary.value().notFixed, (std::vector<std::string>{"7"}));
    std::vector<std::string> points;
    for (const auto& t : dxf.Texts) {
        EXPECT_EQ(t.H, 0) << t.Value;
        EXPECT_EQ(t.V, 3) << t.Value; // top left at the position, as the view writes labels
        if (t.Layer != "POINTS")
            continue;
        points.push_back(t.Value);
        const PointRecord& p = Point(drawing, std::stoi(t.Value));
        EXPECT_NEAR(t.Ax, p.East, 1e-9) << t.Value;
        EXPECT_NEAR(t.Ay, p.North, 1e-9) << t.Value;
    }
    EXPECT_EQ(points, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));

    const PointRecord& p2 = Point(drawing, 2);
    const PointRecord& p5 = Point(drawing, 5);
    struct Parcel {
        std::string Value;
        double E, N;
    };
    std::vector<Parcel> parcels;
    for (const auto& t : dxf.Texts)
        if (t.Layer == "PARCELS")
            parcels.push_back({t.Value, t.Ax, t.Ay});
    ASSERT_EQ(parcels.size(), 2u);
    // The lot's label at the mean of its four corners, the easement's at that of its two.
    EXPECT_EQ(parcels[0].Value, "LOT1");
    EXPECT_NEAR(parcels[0].E, 10.0, 1e-9);
    EXPECT_NEAR(parcels[0].N, 10.0, 1e-9);
    EXPECT_EQ(parcels[1].Value, "E1");
    EXPECT_NEAR(parcels[1].E, (p2.East + p5.East) / 2, 1e-9);
    EXPECT_NEAR(parcels[1].N, (p2.North + p5.North) / 2, 1e-9);
    EXPECT_EQ(summary.value().texts, static_cast<int>(dxf.Texts.size()));
}

TEST(DxfExport, FailedWritesLeaveNothingBehindAndOldFilesWhole) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLot(dir);
    const std::vector<std::string> planFiles = dir.names();

    auto missing = WritePlanDxf(drawing, dir.path("gone/LOT.dxf"));
    EXPECT_TRUE(test::Refused(missing, kDxfExportTitle, "does not exist"));
    EXPECT_EQ(dir.names(), planFiles);

    // A read-only drawing is refused and kept; once writable it is replaced whole, with no
    // temporary file left beside it.
    namespace fs = std::filesystem;
    dir.write("LOT.dxf", "old drawing");
    const fs::path old = dir.path("LOT.dxf");
    fs::permissions(old, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto readOnly = WritePlanDxf(drawing, old.string());
    EXPECT_TRUE(test::Refused(readOnly, kDxfExportTitle, "read-only"));
    EXPECT_EQ(dir.read("LOT.dxf"), "old drawing");
    fs::permissions(old, fs::perms::owner_write, fs::perm_options::add);
    std::vector<std::string> withDrawing = planFiles;
    withDrawing.push_back("LOT.dxf");
    std::sort(withDrawing.begin(), withDrawing.end());
    EXPECT_EQ(dir.names(), withDrawing);

    auto replaced = WritePlanDxf(drawing, old.string());
    ASSERT_TRUE(replaced) << test::ErrorText(replaced);
    EXPECT_EQ(ReadDxf(old.string()).Lines.size(), 5u);
    EXPECT_EQ(dir.names(), withDrawing);
}

} // namespace
} // namespace corvane

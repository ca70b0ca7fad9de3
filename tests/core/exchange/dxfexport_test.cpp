#include "core/exchange/dxfexport.h"

#include "core/geometry/planview.h"
#include "tests/core/plantestdir.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
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
        double Height;
    };
    std::set<std::string> Layers;
    std::map<std::string, std::string> LayerLinetypes;
    std::map<std::string, int> LinetypeDashes; // each line type and its number of dashes
    std::vector<Line> Lines;
    std::vector<Arc> Arcs;
    std::vector<Text> Texts;

    void addLayer(const DL_LayerData& d) override {
        Layers.insert(d.name);
        LayerLinetypes[d.name] = attributes.getLinetype();
    }
    void addLinetype(const DL_LinetypeData& d) override {
        LinetypeDashes[d.name] = d.numberOfDashes;
    }
    void addLine(const DL_LineData& d) override {
        Lines.push_back({attributes.getLayer(), d.x1, d.y1, d.x2, d.y2});
    }
    void addArc(const DL_ArcData& d) override {
        Arcs.push_back({attributes.getLayer(), d.cx, d.cy, d.radius, d.angle1, d.angle2});
    }
    void addText(const DL_TextData& d) override {
        Texts.push_back({attributes.getLayer(), d.text, d.apx, d.apy, d.hJustification,
                         d.vJustification, d.height});
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

// A plan 2400 m by 1200 m (a traverse around its extent) with a lot 15 m by 30 m at its
// south-west corner and a 3 m wide easement along the lot's south side.
WholePlanDrawing LargePlanWithSmallLot(const test::PlanTestDir& dir) {
    dir.write("BIG.ply", "\"LT1\",450,\"C\"\r\n1\r\n10\r\n11\r\n12\r\n1\r\n"
                         "\"EA1\",45,\"C\"\r\n1\r\n10\r\n14\r\n13\r\n1\r\n");
    const std::vector<LineRecord> lines = {
        {1, 2, 90.0, 2400.0, 0},  {2, 3, 0.0, 1200.0, 0},  {3, 4, 270.0, 2400.0, 0},
        {4, 1, 180.0, 1200.0, 0}, {1, 10, 90.0, 15.0, 0},  {10, 11, 0.0, 30.0, 0},
        {11, 12, 270.0, 15.0, 0}, {12, 1, 180.0, 30.0, 0}, {1, 13, 0.0, 3.0, 0},
        {10, 14, 0.0, 3.0, 0},
    };
    return PrepareWholePlanDrawing(lines, dir.path("BIG"));
}

// The plan of SurveyedLot with two context parcels: an adjoining lot along the plan's lot
// side 3-4 and its dotted diagonal 1-3, and an extinguished parcel along the easement 2-5
// and the arc 5-6.
WholePlanDrawing SurveyedLotWithContext(const test::PlanTestDir& dir) {
    dir.write("LOT.ctx", "\"LT7/DP9\",\"adjoining\",0\r\n1\r\n3\r\n4\r\n"
                         "\"LT2/DP8\",\"extinguished\",0\r\n2\r\n5\r\n6\r\n");
    return SurveyedLot(dir);
}

// What a strict DXF reader (ezdxf under the system's Python) repairs or refuses in a file,
// one finding a line; Available false when ezdxf cannot be imported there.
struct StrictReading {
    bool Available = true;
    std::string Findings;
};
StrictReading ReadStrictly(const std::string& path) {
    const std::string command = "/usr/bin/python3 '" CORVANE_SOURCE_DIR
                                "/tests/core/scripts/dxf_strict_check.py' '" +
                                path + "' 2>&1";
    StrictReading reading;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {false, "cannot start /usr/bin/python3"};
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        reading.Findings += buffer;
    const int status = pclose(pipe);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 3 || code == 127)
        reading.Available = false;
    else if (code != 0 && reading.Findings.empty())
        reading.Findings = "the reader stopped with status " + std::to_string(code);
    return reading;
}

TEST(DxfExport, LinesAndArcsLieOnThePlanPointsInTheirClassLayers) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLot(dir);
    ASSERT_TRUE(drawing.Problems.empty()) << drawing.Problems[0].message;
    auto summary = WritePlanDxf(drawing, dir.path("LOT.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("LOT.dxf"));

    EXPECT_EQ(dxf.Layers, (std::set<std::string>{"0", "BOUNDARY", "EASEMENT", "OTHER", "POINTS",
                                                 "PARCELS", "CONTEXT"}));

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
        double ArcLength;
        bool Left;
    };
    const Expected expected[] = {{"BOUNDARY", 4, 1, 15.0, 21.892, true},
                                 {"OTHER", 5, 6, 8.0, 10.0, false}};
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
        auto view = ArcPoints(p.East, p.North, q.East, q.North, e.Radius, e.ArcLength, e.Left);
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

// A cul-de-sac head of radius 10 and arc length 47.124 (270 degrees) from (0, 0) to
// (10, 10): the ARC sweeps 270 degrees round the centre on the far side of the chord, as the
// plan view draws it, not the 90 degree arc the radius and the ends alone suggest.
TEST(DxfExport, AnArcLongerThanAHalfCircleSweepsTheLongWayRound) {
    struct Case {
        const char* Turn;
        double CentreE, CentreN, Start, End;
    };
    for (const Case& c : {Case{"R", 0, 10, 0, 270}, Case{"L", 10, 0, 180, 90}}) {
        SCOPED_TRACE(c.Turn);
        test::PlanTestDir dir;
        WholePlanDrawing drawing;
        drawing.Points = {{1, 0, 0, 1, 0}, {2, 10, 10, 1, 0}};
        drawing.Lines = {{1, 2, 1010.0, 47.124, 0}};
        drawing.Curves = CurveTable({{1, 2, c.Turn, 999, 45.0}});
        auto summary = WritePlanDxf(drawing, dir.path("CDS.dxf"));
        ASSERT_TRUE(summary) << test::ErrorText(summary);
        const DxfContents dxf = ReadDxf(dir.path("CDS.dxf"));
        ASSERT_EQ(dxf.Arcs.size(), 1u);
        const auto& arc = dxf.Arcs[0];
        EXPECT_NEAR(arc.R, 10, 1e-9);
        EXPECT_NEAR(arc.Cx, c.CentreE, 1e-9);
        EXPECT_NEAR(arc.Cy, c.CentreN, 1e-9);
        EXPECT_NEAR(arc.A1, c.Start, 1e-9);
        EXPECT_NEAR(arc.A2, c.End, 1e-9);
        // The view's curve lies within the same sweep.
        auto view = ArcPoints(0, 0, 10, 10, 10, 47.124, std::string(c.Turn) == "L");
        ASSERT_TRUE(view);
        for (std::size_t k = 1; k + 1 < view->size(); ++k) {
            const auto [vx, vy] = (*view)[k];
            EXPECT_TRUE(WithinSweep(arc.A1, arc.A2,
                                    std::atan2(vy - arc.Cy, vx - arc.Cx) * 180 / std::numbers::pi));
        }
    }
}

TEST(DxfExport, LabelsStandWhereTheViewPutsThemCentredInParcels) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLot(dir);
    auto summary = WritePlanDxf(drawing, dir.path("LOT.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("LOT.dxf"));

    EXPECT_EQ(summary.value().notFixed, (std::vector<std::string>{"7"}));
    std::vector<std::string> points;
    for (const auto& t : dxf.Texts) {
        // A parcel's identifier centred on its position (a long one would otherwise run out
        // over the lot's east side); a point's label top left at the point, as in the view.
        const bool parcel = t.Layer == "PARCELS";
        EXPECT_EQ(t.H, parcel ? 1 : 0) << t.Value;
        EXPECT_EQ(t.V, parcel ? 2 : 3) << t.Value;
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
    // The lot's label where the view puts it, inside the lot traced along its arc 4-1; the
    // easement's at the mean of its two points.
    const auto view =
        ParcelLabelShapes(drawing.Polygons, drawing.Points, drawing.Lines, &drawing.Curves);
    ASSERT_EQ(view.size(), 2u);
    EXPECT_EQ(parcels[0].Value, "LOT1");
    EXPECT_NEAR(parcels[0].E, view[0].E, 1e-9);
    EXPECT_NEAR(parcels[0].N, view[0].N, 1e-9);
    EXPECT_GT(std::fabs(parcels[0].E - 10.0), 0.5); // not the mean of the corners
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

TEST(DxfExport, LabelsAreSizedAtThePlansScaleAndStayInsideSmallLots) {
    test::PlanTestDir dir;
    // The large plan fits an A3 sheet only at 1:10 000; its 15 m lot needs 1:500.
    const WholePlanDrawing large = LargePlanWithSmallLot(dir);
    ASSERT_TRUE(large.Problems.empty()) << large.Problems[0].message;
    EXPECT_DOUBLE_EQ(PlanDrawingScale(large), 500);
    auto summary = WritePlanDxf(large, dir.path("BIG.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("BIG.dxf"));
    ASSERT_FALSE(dxf.Texts.empty());
    for (const auto& t : dxf.Texts)
        EXPECT_NEAR(t.Height, 1.25, 1e-9) << t.Value; // 2.5 mm at 1:500
    // The lot's label stands at its middle, well inside it.
    const auto lot = std::find_if(dxf.Texts.begin(), dxf.Texts.end(),
                                  [](const auto& t) { return t.Value == "LT1"; });
    ASSERT_NE(lot, dxf.Texts.end());
    EXPECT_LE(lot->Height, 15.0 / 8);

    struct Case {
        const char* Name;
        std::vector<LineRecord> Lines;
        std::string Polygons;
        double Scale;
    };
    const Case cases[] = {
        // No parcels: the smallest standard scale that fits the sheet, either way round.
        {"lines 1000 m by 600 m", {{1, 2, 90.0, 1000.0, 0}, {2, 3, 0.0, 600.0, 0}}, "", 2500},
        {"lines 600 m by 1000 m", {{1, 2, 90.0, 600.0, 0}, {2, 3, 0.0, 1000.0, 0}}, "", 2500},
        {"lines 40 m by 28 m", {{1, 2, 90.0, 40.0, 0}, {2, 3, 0.0, 28.0, 0}}, "", 100},
        {"one point", {{1, 1, 90.0, 0.0, 0}}, "", 100},
        // A plan whose lots read well at the sheet's scale keeps it.
        {"60 m lot in 300 m",
         {{1, 2, 90.0, 300.0, 0},
          {2, 3, 0.0, 200.0, 0},
          {1, 4, 0.0, 60.0, 0},
          {4, 5, 90.0, 60.0, 0},
          {5, 6, 180.0, 60.0, 0}},
         "\"LT1\",1,\"C\"\r\n1\r\n4\r\n5\r\n6\r\n1\r\n",
         1000},
        // A lot with a corner no line fixes gives no width: the sheet's scale.
        {"lot not fixed",
         {{1, 2, 90.0, 1000.0, 0}, {2, 3, 0.0, 600.0, 0}},
         "\"LT1\",1,\"C\"\r\n1\r\n2\r\n9\r\n1\r\n",
         2500},
        // A small construction parcel or easement is no lot; a small road is.
        {"small easement and construction",
         {{1, 2, 90.0, 1000.0, 0}, {2, 3, 0.0, 600.0, 0}, {1, 4, 0.0, 3.0, 0}},
         "\"EA1\",1,\"C\"\r\n1\r\n2\r\n4\r\n1\r\n"
         "\"CO1\",1,\"C\"\r\n1\r\n2\r\n4\r\n1\r\n",
         2500},
        {"small road",
         {{1, 2, 90.0, 1000.0, 0}, {2, 3, 0.0, 600.0, 0}, {1, 4, 0.0, 30.0, 0}},
         "\"RD1\",1,\"C\"\r\n1\r\n2\r\n4\r\n1\r\n",
         500},
        // A 2 m road widening beside a 100 m lot in a 2 km plan: the lot, not the strip,
        // sizes the labels (the strip alone would need 1:100, 0.25 m labels).
        {"road widening strip",
         {{1, 2, 90.0, 2000.0, 0},
          {2, 3, 0.0, 1000.0, 0},
          {1, 10, 90.0, 100.0, 0},
          {10, 11, 0.0, 100.0, 0},
          {11, 12, 270.0, 100.0, 0},
          {10, 20, 90.0, 200.0, 0},
          {20, 21, 0.0, 2.0, 0},
          {21, 22, 270.0, 200.0, 0}},
         "\"LT1\",10000,\"C\"\r\n1\r\n10\r\n11\r\n12\r\n1\r\n"
         "\"RD1\",400,\"C\"\r\n10\r\n20\r\n21\r\n22\r\n10\r\n",
         2500},
        // Lots 20 m, 100 m and 40 m across: the middle one's scale, 1:1000.
        {"three lots",
         {{1, 2, 90.0, 2000.0, 0},
          {2, 3, 0.0, 1000.0, 0},
          {1, 10, 90.0, 20.0, 0},
          {10, 11, 0.0, 20.0, 0},
          {11, 12, 270.0, 20.0, 0},
          {10, 20, 90.0, 100.0, 0},
          {20, 21, 0.0, 100.0, 0},
          {21, 22, 270.0, 100.0, 0},
          {20, 30, 90.0, 40.0, 0},
          {30, 31, 0.0, 40.0, 0},
          {31, 32, 270.0, 40.0, 0}},
         "\"LT1\",400,\"C\"\r\n1\r\n10\r\n11\r\n12\r\n1\r\n"
         "\"LT2\",10000,\"C\"\r\n10\r\n20\r\n21\r\n22\r\n10\r\n"
         "\"LT3\",1600,\"C\"\r\n20\r\n30\r\n31\r\n32\r\n20\r\n",
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::PlanTestDir planDir;
        if (!c.Polygons.empty())
            planDir.write("P.ply", c.Polygons);
        EXPECT_DOUBLE_EQ(PlanDrawingScale(PrepareWholePlanDrawing(c.Lines, planDir.path("P"))),
                         c.Scale);
    }
}

// The header's variables of a written file (name and value), and the largest handle the
// file gives anything (group 5, or 105 in a dimension style), read as plain text.
struct DxfHeader {
    std::map<std::string, std::string> Variables;
    unsigned long long LargestHandle = 0;
};
DxfHeader ReadHeader(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line.erase(0, std::min(line.find_first_not_of(' '), line.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        lines.push_back(line);
    }
    DxfHeader header;
    bool inHeader = false;
    std::string variable;
    for (std::size_t k = 0; k + 1 < lines.size(); k += 2) {
        const std::string& code = lines[k];
        const std::string& value = lines[k + 1];
        if (code == "2" && value == "HEADER")
            inHeader = true;
        else if (code == "0" && value == "ENDSEC")
            inHeader = false;
        else if (inHeader && code == "9")
            variable = value;
        else if (inHeader)
            header.Variables[variable] = value;
        else if (code == "5" || code == "105")
            header.LargestHandle = std::max(header.LargestHandle, std::stoull(value, nullptr, 16));
    }
    return header;
}

TEST(DxfExport, HeaderNamesItsCodePageAndAHandleSeedAboveEveryHandle) {
    test::PlanTestDir dir;
    // A line measured 66 000 times: more entities than the four hex digits of dxflib's own
    // seed (FFFF) can number.
    WholePlanDrawing large;
    large.Points = {{1, 0.0, 0.0, 1, 0}, {2, 10.0, 0.0, 1, 0}};
    large.Lines.assign(66000, LineRecord{1, 2, 90.0, 10.0, 0});
    struct Case {
        const char* Name;
        WholePlanDrawing Drawing;
    };
    const Case cases[] = {{"surveyed lot", SurveyedLot(dir)}, {"large", std::move(large)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string name = std::string(c.Name) + ".dxf";
        auto written = WritePlanDxf(c.Drawing, dir.path(name));
        ASSERT_TRUE(written) << test::ErrorText(written);
        DxfHeader header = ReadHeader(dir.read(name));
        ASSERT_GT(header.LargestHandle, 0u);
        ASSERT_TRUE(header.Variables.count("$HANDSEED"));
        EXPECT_GT(std::stoull(header.Variables.at("$HANDSEED"), nullptr, 16), header.LargestHandle);
        EXPECT_EQ(header.Variables["$DWGCODEPAGE"], "ANSI_1252");
    }
}

TEST(DxfExport, ContextParcelsAreDrawnOnTheirOwnLayerUnlabelled) {
    test::PlanTestDir dir;
    const WholePlanDrawing drawing = SurveyedLotWithContext(dir);
    ASSERT_TRUE(drawing.Problems.empty()) << drawing.Problems[0].message;
    auto summary = WritePlanDxf(drawing, dir.path("LOT.dxf"));
    ASSERT_TRUE(summary) << test::ErrorText(summary);
    const DxfContents dxf = ReadDxf(dir.path("LOT.dxf"));

    // A side shared with the plan's lot or easement stays theirs.
    using Joined = std::tuple<std::string, std::int32_t, std::int32_t>;
    std::vector<Joined> joined;
    for (const auto& l : dxf.Lines)
        joined.emplace_back(l.Layer, PointAt(drawing, l.X1, l.Y1), PointAt(drawing, l.X2, l.Y2));
    EXPECT_EQ(joined, (std::vector<Joined>{{"BOUNDARY", 1, 2},
                                           {"BOUNDARY", 2, 3},
                                           {"BOUNDARY", 3, 4},
                                           {"EASEMENT", 2, 5},
                                           {"CONTEXT", 1, 3}}));
    ASSERT_EQ(dxf.Arcs.size(), 2u);
    EXPECT_EQ(dxf.Arcs[0].Layer, "BOUNDARY");
    EXPECT_EQ(dxf.Arcs[1].Layer, "CONTEXT");

    // Dashed by a line type the file defines, unlike the easements' dash.
    const std::string type = dxf.LayerLinetypes.at("CONTEXT");
    ASSERT_TRUE(dxf.LinetypeDashes.count(type)) << type;
    EXPECT_EQ(dxf.LinetypeDashes.at(type), 2);
    EXPECT_NE(type, dxf.LayerLinetypes.at("EASEMENT"));

    for (const auto& t : dxf.Texts) {
        EXPECT_NE(t.Layer, "CONTEXT");
        EXPECT_EQ(t.Value.find("DP"), std::string::npos) << t.Value;
    }
}

TEST(DxfExport, PassesAStrictReaderUnrepaired) {
    test::PlanTestDir dir;
    const StrictReading probe = ReadStrictly(dir.path("none.dxf"));
    if (!probe.Available)
        GTEST_SKIP() << "/usr/bin/python3 cannot import ezdxf (scripts/setup.sh installs "
                        "python3-ezdxf): "
                     << probe.Findings;
    // Each kind of drawing: arcs, labels, every layer; context parcels; a large plan; a
    // plan of one point, and one of nothing at all.
    struct Case {
        const char* Name;
        WholePlanDrawing Drawing;
    };
    test::PlanTestDir contextDir, largeDir;
    WholePlanDrawing onePoint;
    onePoint.Lines = {{1, 1, 0.0, 0.0, 0}};
    onePoint.Points = {{1, 0.0, 0.0, 1, 0}};
    const Case cases[] = {{"surveyed lot", SurveyedLot(dir)},
                          {"context parcels", SurveyedLotWithContext(contextDir)},
                          {"large plan", LargePlanWithSmallLot(largeDir)},
                          {"one point", onePoint},
                          {"nothing", WholePlanDrawing{}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.path(std::string(c.Name) + ".dxf");
        auto written = WritePlanDxf(c.Drawing, path);
        ASSERT_TRUE(written) << test::ErrorText(written);
        ReadDxf(path);
        const StrictReading reading = ReadStrictly(path);
        EXPECT_TRUE(reading.Available);
        EXPECT_EQ(reading.Findings, "");
    }
}

} // namespace
} // namespace corvane

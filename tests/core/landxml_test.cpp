// LandXML exchange: units, point numbers, observations, arcs and parcels read from other
// software's files, refusals that write nothing, and plans that come back unchanged from an
// export and an import.
#include "bench/plangen.h"
#include "core/contextparcels.h"
#include "core/curves.h"
#include "core/landxml.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/plancheck.h"
#include "core/polygons.h"
#include "core/textfile.h"

#include "plantestdir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace corvane;

namespace {

// A LandXML document around the given body, with the units given.
std::string document(const std::string& units, const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.1\" "
           "version=\"1.1\">\n<Units>" +
           units + "</Units>\n" + body + "</LandXML>\n";
}

const std::string kMetric = "<Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" "
                            "directionUnit=\"decimal dd.mm.ss\"/>";

// Points 1 to 4 of a 20 by 30 rectangle, a setup on each.
const std::string kRectangle =
    "<CgPoints><CgPoint name=\"1\">0 0</CgPoint><CgPoint name=\"2\">20 0</CgPoint>"
    "<CgPoint name=\"3\">20 30</CgPoint><CgPoint name=\"4\">0 30</CgPoint></CgPoints>\n"
    "<Survey><InstrumentSetup id=\"a\"><InstrumentPoint pntRef=\"1\"/></InstrumentSetup>"
    "<InstrumentSetup id=\"b\"><InstrumentPoint pntRef=\"2\"/></InstrumentSetup>"
    "<InstrumentSetup id=\"c\"><InstrumentPoint pntRef=\"3\"/></InstrumentSetup>"
    "<InstrumentSetup id=\"d\"><InstrumentPoint pntRef=\"4\"/></InstrumentSetup>\n";

std::string observation(const char* from, const char* to, const std::string& azimuth,
                        const std::string& distance) {
    return std::string("<ReducedObservation setupID=\"") + from + "\" targetSetupID=\"" + to +
           "\" azimuth=\"" + azimuth + "\" horizDistance=\"" + distance + "\"/>\n";
}

const std::string kLotGeometry =
    "<Parcels><Parcel name=\"7\" class=\"Lot\" area=\"600\"><CoordGeom>"
    "<Line><Start pntRef=\"1\"/><End pntRef=\"2\"/></Line>"
    "<Line><Start pntRef=\"2\"/><End pntRef=\"3\"/></Line>"
    "<Line><Start pntRef=\"3\"/><End pntRef=\"4\"/></Line>"
    "<Line><Start pntRef=\"4\"/><End pntRef=\"1\"/></Line></CoordGeom></Parcel></Parcels>\n";

ImportedPlan imported(const std::string& text, bool fill = false) {
    LandXmlImportOptions options;
    options.FillFromCoordinates = fill;
    auto plan = ImportLandXml(text, "test.xml", options);
    EXPECT_TRUE(plan) << (plan ? "" : plan.error().message);
    return plan ? plan.value() : ImportedPlan{};
}

std::vector<std::string> recordsOf(const std::vector<LineRecord>& lines) {
    std::vector<std::string> out;
    for (const LineRecord& l : lines)
        out.push_back(FormatLineRecord(l));
    std::sort(out.begin(), out.end());
    return out;
}

bool reportSays(const ImportedPlan& plan, const std::string& words) {
    return std::any_of(plan.Report.begin(), plan.Report.end(),
                       [&](const std::string& l) { return l.find(words) != std::string::npos; });
}

// The lines of the report's section that starts with the heading, up to the next blank line.
std::vector<std::string> section(const ImportedPlan& plan, const std::string& heading) {
    std::vector<std::string> lines;
    bool in = false;
    for (const std::string& l : plan.Report) {
        if (in && l.empty())
            break;
        if (in)
            lines.push_back(l);
        in = in || l.rfind(heading, 0) == 0;
    }
    return lines;
}

std::string fixture(const std::string& name) {
    return CORVANE_SOURCE_DIR "/tests/core/data/landxml/" + name;
}

ImportedPlan importedFile(const std::string& name, bool fill = false) {
    LandXmlImportOptions options;
    options.FillFromCoordinates = fill;
    auto plan = ImportLandXmlFile(fixture(name), options);
    EXPECT_TRUE(plan) << (plan ? "" : plan.error().message);
    return plan ? plan.value() : ImportedPlan{};
}

// The parcels of a polygons file: each identifier and its points, as one text.
std::vector<std::string> parcelsOf(const std::vector<std::string>& polygons) {
    std::vector<std::string> out;
    for (const std::string& l : polygons) {
        if (IsHeadingLine(l))
            out.push_back(ParseHeading(l).Identifier);
        else if (!out.empty())
            out.back() += " " + l;
    }
    return out;
}

} // namespace

TEST(LandXmlImport, UnitsOfDirectionsDistancesAndAreas) {
    // Packed dd.mm.ss is read as text: 99.46 is 99°46'.
    ImportedPlan packed = imported(
        document(kMetric, kRectangle + observation("a", "b", "99.46", "20") + "</Survey>"));
    ASSERT_EQ(packed.Lines.size(), 1u);
    EXPECT_EQ(FormatLineRecord(packed.Lines[0]), "1,2,99.4600,20.000");

    ImportedPlan degrees = imported(document(
        "<Metric linearUnit=\"meter\" areaUnit=\"hectare\" angularUnit=\"decimal degrees\"/>",
        kRectangle + observation("a", "b", "99.7666666667", "20") + "</Survey>" + kLotGeometry));
    EXPECT_EQ(FormatLineRecord(degrees.Lines[0]), "1,2,99.4600,20.000");
    EXPECT_EQ(degrees.Polygons[0], "\"LT7\",6000000,\"C\"");

    ImportedPlan feet = imported(
        document("<Imperial linearUnit=\"foot\" areaUnit=\"squareFoot\" directionUnit=\"decimal "
                 "dd.mm.ss\"/>",
                 kRectangle + observation("a", "b", "0", "100") + "</Survey>" + kLotGeometry));
    EXPECT_EQ(FormatLineRecord(feet.Lines[0]), "1,2,0.0000,30.480");
    EXPECT_EQ(ParseHeading(feet.Polygons[0]).AreaText, "55.741824");

    // Minutes of 60 are no bearing: refused, naming the element's line.
    auto refused = ImportLandXml(
        document(kMetric, kRectangle + observation("a", "b", "99.60", "20") + "</Survey>"),
        "bad.xml", {});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("bad.xml line 6, <ReducedObservation>"),
              std::string::npos)
        << refused.error().message;
}

TEST(LandXmlImport, PointNumbersMarksAndObservationsOncePerPair) {
    const std::string body =
        "<CgPoints><CgPoint name=\"12\">0 0</CgPoint><CgPoint name=\"A\">10 0</CgPoint>"
        "<CgPoint name=\"5000\">10 10</CgPoint><CgPoint name=\"SSM 9\">0 10</CgPoint>"
        "</CgPoints><Monuments><Monument name=\"SSM 9\" pntRef=\"SSM 9\" type=\"SSM\"/>"
        "<Monument name=\"x\" pntRef=\"A\" type=\"peg\"/></Monuments>\n"
        "<Survey>"
        "<ReducedObservation setupPntRef=\"12\" targetPntRef=\"A\" azimuth=\"0\" "
        "horizDistance=\"10\"/>\n"
        "<ReducedObservation setupPntRef=\"A\" targetPntRef=\"12\" azimuth=\"180\" "
        "horizDistance=\"10.5\"/>\n"
        "<ReducedObservation setupPntRef=\"5000\" targetPntRef=\"SSM 9\" azimuth=\"270\" "
        "horizDistance=\"10\"/>\n</Survey>";
    const ImportedPlan plan = imported(document(kMetric, body));
    // 12 keeps its number, the mark its coded number, the others the first free ones.
    EXPECT_EQ(recordsOf(plan.Lines),
              (std::vector<std::string>{"12,1,0.0000,10.000", "2,55559,270.0000,10.000"}));
    EXPECT_TRUE(reportSays(plan, "A is point 1"));
    EXPECT_TRUE(reportSays(plan, "5000 is point 2"));
    EXPECT_TRUE(reportSays(plan, "observed before, the first observation is kept"));
}

TEST(LandXmlImport, ArcsParcelsOpenGeometryAndMissingEdges) {
    // Two arcs, one each way, and a parcel of two lines and an arc whose third edge has no
    // observation.
    const std::string body =
        kRectangle +
        "<ReducedArcObservation setupID=\"a\" targetSetupID=\"b\" chordAzimuth=\"0\" "
        "radius=\"15\" length=\"21.892\" rot=\"cw\"/>\n"
        "<ReducedArcObservation setupID=\"c\" targetSetupID=\"d\" chordAzimuth=\"180\" "
        "radius=\"20\" length=\"20.5\" rot=\"ccw\"/>\n" +
        observation("b", "c", "90", "30") + "</Survey>" +
        "<Parcels><Parcel name=\"1\" class=\"Road\" area=\"610\"><CoordGeom>"
        "<Curve rot=\"cw\" radius=\"15\"><Start pntRef=\"1\"/><End pntRef=\"2\"/></Curve>"
        "<Line><Start pntRef=\"2\"/><End pntRef=\"3\"/></Line>"
        "<Line><Start pntRef=\"3\"/><End pntRef=\"4\"/></Line>"
        "<Line><Start pntRef=\"4\"/><End pntRef=\"1\"/></Line></CoordGeom></Parcel>"
        "<Parcel name=\"2\" class=\"Easement\"><CoordGeom>"
        "<Line><Start pntRef=\"1\"/><End pntRef=\"2\"/></Line>"
        "<Line><Start pntRef=\"3\"/><End pntRef=\"4\"/></Line></CoordGeom></Parcel>"
        "<Parcel name=\"3\" class=\"Reserve\"><CoordGeom>"
        "<IrregularLine><Start pntRef=\"1\"/><End pntRef=\"1\"/>"
        "<PntList2D>20 0 20 30 0 30</PntList2D></IrregularLine></CoordGeom></Parcel>"
        "</Parcels>\n";
    const ImportedPlan plan = imported(document(kMetric, body));
    EXPECT_EQ(recordsOf(plan.Lines),
              (std::vector<std::string>{"1,2,1015.0000,21.892", "2,3,90.0000,30.000",
                                        "3,4,1020.0000,20.500"}));
    ASSERT_EQ(plan.Curves.size(), 2u);
    EXPECT_EQ(FormatCurveRecord(plan.Curves[0]), "1,2,\"R\",999,0");
    EXPECT_EQ(FormatCurveRecord(plan.Curves[1]), "3,4,\"L\",999,180");
    EXPECT_EQ(plan.Polygons,
              (std::vector<std::string>{"\"RD1\",610,\"C\"", "1", "2", "3", "4", "1",
                                        "\"RE3\",0,\"C\"", "1", "2", "3", "4", "1"}));
    EXPECT_TRUE(reportSays(plan, "EA2: an open geometry"));
    EXPECT_TRUE(reportSays(plan, "RD1 4 - 1"));

    // Filled from the coordinates, the missing edge is a line; no arc is added twice.
    const ImportedPlan filled = imported(document(kMetric, body), true);
    EXPECT_EQ(filled.Lines.size(), 4u);
    EXPECT_EQ(FormatLineRecord(filled.Lines.back()), "4,1,270.0000,30.000");
    EXPECT_TRUE(reportSays(filled, "Lines filled from coordinates:"));
}

TEST(LandXmlImport, RefusalsNameTheElementAndWriteNothing) {
    test::PlanTestDir dir;
    const struct {
        std::string text;
        std::string words;
    } cases[] = {
        {"<?xml version=\"1.0\"?>\n<LandXML>\n<CgPoints>\n</LandXML>\n", "at line 4"},
        {document(kMetric, "<Survey/>"), "holds no <CgPoints>"},
        {document(kMetric, kRectangle + observation("a", "z", "0", "1") + "</Survey>"),
         "line 6, <ReducedObservation>: the setup \"z\""},
        {document(kMetric, kRectangle + "<InstrumentSetup id=\"q\"><InstrumentPoint pntRef=\"99\"/>"
                                        "</InstrumentSetup></Survey>"),
         "<InstrumentSetup>: the setup's point \"99\""},
    };
    for (const auto& c : cases) {
        dir.write("in.xml", c.text);
        std::ostringstream out, err;
        EXPECT_EQ(RunPlanCheck({"--import-landxml", dir.path("in.xml"), "--out", dir.path("new")},
                               out, err),
                  2);
        EXPECT_NE(err.str().find(c.words), std::string::npos) << err.str();
        EXPECT_FALSE(FileExists(dir.path("new.lns")));
        EXPECT_FALSE(FileExists(dir.path("new-import.txt")));
    }
    // A plan of that name is never overwritten.
    dir.write("old.ply", "\"AL1\",0,\"C\"\r\n");
    dir.write("in.xml", document(kMetric, kRectangle + "</Survey>" + kLotGeometry));
    std::ostringstream out, err;
    EXPECT_EQ(
        RunPlanCheck({"--import-landxml", dir.path("in.xml"), "--out", dir.path("old")}, out, err),
        2);
    EXPECT_FALSE(FileExists(dir.path("old.lns")));
    EXPECT_EQ(dir.read("old.ply"), "\"AL1\",0,\"C\"\r\n");
}

// Export then import: the same lines, arcs, parcels and areas.
TEST(LandXmlRoundTrip, SamplePlanHandWrittenPlanAndGeneratedGrid) {
    test::PlanTestDir dir;
    auto roundTrip = [&](const std::string& base) {
        PlanState before;
        before.PlanPath = base;
        EXPECT_TRUE(LoadLines(before));
        std::ostringstream out, err;
        EXPECT_EQ(RunPlanCheck({"--export-landxml", base, "--out", dir.path("x.xml")}, out, err), 0)
            << err.str();
        std::remove(dir.path("back.lns").c_str());
        std::remove(dir.path("back.ply").c_str());
        std::remove(dir.path("back.cve").c_str());
        std::remove(dir.path("back-import.txt").c_str());
        EXPECT_EQ(RunPlanCheck({"--import-landxml", dir.path("x.xml"), "--out", dir.path("back")},
                               out, err),
                  0)
            << err.str() << out.str();
        PlanState after;
        after.PlanPath = dir.path("back");
        EXPECT_TRUE(LoadLines(after));
        EXPECT_EQ(recordsOf(after.PlanLines), recordsOf(before.PlanLines));
        // The arcs turn the same way on the same chord (stored by its chord bearing now).
        const auto curvesBefore = ReadCurveFile(base);
        const auto curvesAfter = ReadCurveFile(after.PlanPath);
        for (const LineRecord& l : before.PlanLines) {
            if (l.Bearing < kArcBearingBase)
                continue;
            const CurveData a =
                LoadCurve(l.FromPoint, l.ToPoint, l.Bearing, l.Distance, curvesBefore.value());
            const CurveData b =
                LoadCurve(l.FromPoint, l.ToPoint, l.Bearing, l.Distance, curvesAfter.value());
            EXPECT_EQ(a.Direction, b.Direction);
            EXPECT_EQ(a.ChordBearing, b.ChordBearing);
        }
        auto parcels = [](const std::string& path) {
            std::vector<std::string> out;
            const auto read = ReadPolygonsFile(path);
            for (const std::string& l : read.value())
                out.push_back(IsHeadingLine(l) ? ParseHeading(l).Identifier + " " +
                                                     GeneralText(ParseHeading(l).Area)
                                               : l);
            return out;
        };
        EXPECT_EQ(parcels(dir.path("back.ply")), parcels(PlanFile(base, ".ply")));
    };
    roundTrip(CORVANE_SOURCE_DIR "/examples/D20417");

    std::ostringstream out, err;
    ASSERT_EQ(RunPlanCheck({"--import-landxml", CORVANE_SOURCE_DIR "/examples/LX1.xml", "--out",
                            dir.path("lx1")},
                           out, err),
              0);
    // The hand-written plan closes as worked by hand: the lot, the easement and the road
    // with its curved frontage (20 x 10 and a 15 m arc's segment of 52.39 m²).
    std::ostringstream check;
    EXPECT_EQ(RunPlanCheck({"--check", dir.path("lx1")}, check, err), 0);
    EXPECT_NE(check.str().find("LT1 OK Area = 600 m²"), std::string::npos) << check.str();
    EXPECT_NE(check.str().find("EA1 OK Area = 60 m²"), std::string::npos);
    EXPECT_NE(check.str().find("RD1 OK Area = 252 m²"), std::string::npos);
    roundTrip(dir.path("lx1"));

    gen::GeneratedPlan grid = gen::ShuffledGrid(9, 3);
    PlanState generated;
    generated.PlanPath = dir.path("grid");
    generated.PlanLines = grid.lines;
    generated.chkArray = true;
    ASSERT_TRUE(SaveLines(generated));
    dir.write("grid.ply", JoinLines(gen::GridPolygons(9)));
    std::vector<std::string> curves;
    for (const CurveRecord& c : grid.curves)
        curves.push_back(FormatCurveRecord(c));
    dir.write("grid.cve", JoinLines(curves));
    roundTrip(dir.path("grid"));
}

// Lodged plans: marks by their register number, the plan's own parcels apart from its
// setting, label points and empty parcels.
TEST(LandXmlLodgedPlan, MarksPlanParcelsContextAndLabelPoints) {
    const ImportedPlan plan = importedFile("nsw-like.xml");
    // SSM 1847 by the point's oID and PM 12345 by its description, never by the monument's
    // row; "pm" with no number anywhere stays ordinary point 503.
    const std::vector<std::string> lines = recordsOf(plan.Lines);
    for (const char* joined :
         {"55551847,1,45.0000,14.142", "444412345,5,315.0000,14.142", "503,2,0.0000,10.000"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), joined), lines.end()) << joined;
    EXPECT_EQ(section(plan, "Marks without a number").size(), 1u);
    EXPECT_TRUE(reportSays(plan, "PM at point 503"));

    // The new lots are the plan's parcels; the adjoining and extinguished ones its context,
    // the one drawn in part kept open; the road without geometry is named.
    EXPECT_EQ(parcelsOf(plan.Polygons),
              (std::vector<std::string>{"LT1 1 4 3 2 1", "LT2 2 3 6 5 2"}));
    ASSERT_EQ(plan.Context.size(), 3u);
    EXPECT_EQ(plan.Context[0].Identifier, "LT1/DP105178");
    EXPECT_EQ(plan.Context[0].State, "adjoining");
    EXPECT_EQ(plan.Context[0].Points, (std::vector<std::int32_t>{4, 7, 8, 3, 4}));
    EXPECT_EQ(plan.Context[1].Points, (std::vector<std::int32_t>{8, 3, 6}));
    EXPECT_EQ(plan.Context[2].State, "extinguished");
    EXPECT_TRUE(reportSays(plan, "2 plan parcels, 3 context parcels"));
    EXPECT_EQ(section(plan, "Parcels without geometry"),
              (std::vector<std::string>{"  RDROAD (line 94 <Parcel>)"}));
    // The context parcels' unobserved edges are no missing data of the plan.
    EXPECT_TRUE(section(plan, "Parcel edges without a line").empty());

    // The label points are no plan points: 8 corners and 3 marks.
    EXPECT_TRUE(reportSays(plan, "11 points,"));
    EXPECT_TRUE(reportSays(plan, "2 parcel label points"));
    EXPECT_FALSE(reportSays(plan, "LC-1"));
    EXPECT_TRUE(section(plan, "Points renumbered").empty());

    // Written, the plan checks clean: its lots close and the context is out of the closure.
    test::PlanTestDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(RunPlanCheck({"--import-landxml", fixture("nsw-like.xml"), "--out", dir.path("dp")},
                           out, err),
              1)
        << err.str();
    const auto context = ReadContextParcels(dir.path("dp"));
    ASSERT_TRUE(context);
    EXPECT_EQ(context.value().size(), 3u);
    std::ostringstream check;
    EXPECT_EQ(RunPlanCheck({"--check", dir.path("dp")}, check, err), 0) << check.str();
    EXPECT_NE(check.str().find("LT2 OK Area = 600 m²"), std::string::npos) << check.str();
    EXPECT_EQ(check.str().find("DP105178"), std::string::npos);
}

// Anticlockwise parcels are turned, so the closure gives them their area.
TEST(LandXmlLodgedPlan, AnticlockwiseParcelsTurnedClockwise) {
    const ImportedPlan plan = importedFile("vic-like.xml");
    const std::vector<std::string> parcels = parcelsOf(plan.Polygons);
    ASSERT_EQ(parcels.size(), 3u);
    EXPECT_EQ(parcels[0], "LT1 1 4 3 2 1");
    EXPECT_EQ(parcels[1], "LT2 2 3 6 5 2");
    EXPECT_NE(parcels[2].find(" 1 4 3 6 5 2 1"), std::string::npos) << parcels[2];
    const std::vector<std::string> turned = section(plan, "Parcels turned clockwise");
    ASSERT_EQ(turned.size(), 2u);
    EXPECT_EQ(turned[0], "  LT1 (line 34 <Parcel>)");

    test::PlanTestDir dir;
    ASSERT_TRUE(WriteImportedPlan(plan, dir.path("ps")));
    std::ostringstream check, err;
    EXPECT_EQ(RunPlanCheck({"--check", dir.path("ps")}, check, err), 0) << check.str();
    EXPECT_NE(check.str().find("LT1 OK Area = 600 m²"), std::string::npos) << check.str();
    EXPECT_NE(check.str().find("OK Area = 1200 m²"), std::string::npos) << check.str();
    // Only the plan's parcels were in the file: no context file is written.
    EXPECT_FALSE(FileExists(ContextParcelsPath(dir.path("ps"))));
}

// A creek for a boundary: the lot is kept, the creek missing data or drawn through its
// vertices; one mark number on two points gives two points.
TEST(LandXmlLodgedPlan, NaturalBoundaryAndOneMarkNumberTwice) {
    const ImportedPlan plan = importedFile("qld-like.xml");
    EXPECT_EQ(parcelsOf(plan.Polygons), (std::vector<std::string>{"LT1 10 13 12 11 10"}));
    EXPECT_EQ(section(plan, "Parcel edges without a line"),
              (std::vector<std::string>{"  LT1 12 - 11"}));
    EXPECT_EQ(
        section(plan, "Natural boundaries"),
        (std::vector<std::string>{
            "  LT1 12 - 11 (line 41 <IrregularLine>): 4 vertices, the edge is missing data"}));
    // PM 64012 twice: the first keeps the mark, the second is an ordinary point of its own.
    const std::vector<std::string> lines = recordsOf(plan.Lines);
    for (const char* joined : {"444464012,10,0.0000,10.000", "1,11,0.0000,10.000"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), joined), lines.end()) << joined;
    EXPECT_TRUE(reportSays(plan, "PM2 (PM64012 is also the mark of point PM1) is point 1"));
    ASSERT_EQ(plan.Context.size(), 1u);
    EXPECT_EQ(plan.Context[0].Points, (std::vector<std::int32_t>{10, 11, 1, 444464012, 10}));

    // Filled: new points 2 and 3 at the creek's bends, joined by lines from the coordinates.
    const ImportedPlan filled = importedFile("qld-like.xml", true);
    EXPECT_EQ(parcelsOf(filled.Polygons), (std::vector<std::string>{"LT1 10 13 12 2 3 11 10"}));
    const std::vector<std::string> creek = recordsOf(filled.Lines);
    for (const char* leg : {"12,2,156.0215,9.849", "2,3,187.0730,8.062", "3,11,200.3322,8.544"})
        EXPECT_NE(std::find(creek.begin(), creek.end(), leg), creek.end()) << leg;
    EXPECT_TRUE(section(filled, "Parcel edges without a line").empty());
    EXPECT_NE(section(filled, "Natural boundaries")[0].find("through new points 2 to 3"),
              std::string::npos);

    // Two points under one mark's name: the second is a point of its own.
    const std::string twice =
        "<CgPoints><CgPoint name=\"PM12\">0 0</CgPoint><CgPoint name=\"PM12\">0 10</CgPoint>"
        "<CgPoint name=\"7\">5 5</CgPoint></CgPoints><Monuments><Monument name=\"PM12\" "
        "type=\"PM\"/></Monuments>";
    const ImportedPlan two = imported(document(kMetric, twice));
    EXPECT_TRUE(reportSays(two, "3 points,"));
    EXPECT_TRUE(
        reportSays(two, "PM12 (the second point of that name, line 4 <CgPoint>) is point 1"));
}

// Whatever a parcel's name holds, the written files load back with the program's readers.
TEST(LandXmlLodgedPlan, AnyParcelNameLoadsBack) {
    // Pieces of names as XML text, and the letters and digits each holds.
    const std::pair<const char*, const char*> pieces[] = {
        {"&quot;", ""}, {"&#10;", ""},  {"&#13;&#10;", ""}, {"&#9;", ""},
        {"&#1;", ""},   {"&#127;", ""}, {",", ""},          {"\\", ""},
        {"/", ""},      {"A", "A"},     {"7", "7"},         {" ", ""}};
    auto lettersOf = [](const std::string& text) {
        std::string out;
        for (char c : text)
            if (std::isalnum(static_cast<unsigned char>(c)))
                out.push_back(c);
        return out;
    };
    std::mt19937 random(23);
    test::PlanTestDir dir;
    for (int round = 0; round < 20; ++round) {
        std::string parcels = "<Parcels>";
        std::vector<std::string> letters;
        size_t rewritten = 0;
        for (int i = 0; i < 6; ++i) {
            std::string name, kept;
            bool unstorable = i % 2 == 1;
            for (int k = 0; k < 8; ++k) {
                const auto& [xml, held] = pieces[random() % std::size(pieces)];
                name += xml;
                kept += held;
                unstorable = unstorable || xml[0] == '&';
            }
            letters.push_back(kept);
            rewritten += unstorable ? 1 : 0;
            parcels += "<Parcel name=\"" + name + "\" class=\"Lot\" state=\"" +
                       (i % 2 ? "adjoin&quot;ing&#10;" : "proposed") + "\">" +
                       kLotGeometry.substr(kLotGeometry.find("<CoordGeom>"),
                                           kLotGeometry.find("</Parcel>") -
                                               kLotGeometry.find("<CoordGeom>")) +
                       "</Parcel>";
        }
        const ImportedPlan plan =
            imported(document(kMetric, kRectangle + "</Survey>" + parcels + "</Parcels>"));
        EXPECT_EQ(section(plan, "Names and areas rewritten").size(), rewritten);
        const std::string base = dir.path("p" + std::to_string(round));
        ASSERT_TRUE(WriteImportedPlan(plan, base));
        const auto polygons = ReadPolygonsFile(PlanFile(base, ".ply"));
        const auto context = ReadContextParcels(base);
        ASSERT_TRUE(polygons) << polygons.error().message;
        ASSERT_TRUE(context) << context.error().message;
        std::vector<std::string> back;
        for (const std::string& p : parcelsOf(polygons.value())) {
            EXPECT_EQ(p.substr(p.size() - 10), " 1 2 3 4 1") << p;
            back.push_back(p.substr(0, p.size() - 10));
        }
        for (const ContextParcel& p : context.value()) {
            back.push_back(p.Identifier);
            EXPECT_EQ(p.State, "adjoin'ing");
        }
        ASSERT_EQ(back.size(), 6u);
        for (size_t i = 0; i < back.size(); ++i) {
            // Plan parcels first, then the context: the file's order within each.
            const size_t from = i < 3 ? 2 * i : 2 * (i - 3) + 1;
            EXPECT_EQ(lettersOf(back[i]), "LT" + letters[from]) << back[i];
            EXPECT_TRUE(StorableContextText(back[i])) << back[i];
        }
    }
}

// A plan of more ordinary points than numbers below the marks is refused, writing nothing.
TEST(LandXmlLodgedPlan, MorePointsThanThePlanCanNumberRefused) {
    auto points = [](int count) {
        std::string body = "<CgPoints>";
        for (int i = 0; i < count; ++i)
            body += "<CgPoint name=\"P" + std::to_string(i) + "\">" + std::to_string(i) +
                    " 0</CgPoint>";
        return body + "<CgPoint name=\"44441\">0 5</CgPoint><CgPoint name=\"m\" oID=\"3\">1 "
                      "5</CgPoint></CgPoints><Monuments><Monument name=\"1\" pntRef=\"m\" "
                      "type=\"State Survey Mark\"/></Monuments>";
    };
    // 4,998 and the one named 44441, which reads as no mark: all below 5000; the mark apart.
    const ImportedPlan full = imported(document(kMetric, points(4998)));
    EXPECT_TRUE(reportSays(full, "5000 points,"));
    EXPECT_TRUE(reportSays(full, "44441 is point 4999"));
    EXPECT_TRUE(section(full, "Marks without a number").empty());

    test::PlanTestDir dir;
    dir.write("big.xml", document(kMetric, points(4999)));
    std::ostringstream out, err;
    EXPECT_EQ(
        RunPlanCheck({"--import-landxml", dir.path("big.xml"), "--out", dir.path("big")}, out, err),
        2);
    EXPECT_NE(err.str().find("holds 5000 points besides its survey marks, and a plan holds at "
                             "most 4999"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(FileExists(dir.path("big.lns")));
    EXPECT_FALSE(FileExists(dir.path("big-import.txt")));
}

// LandXML import of geometry other software writes in ways of its own: natural boundaries in
// three dimensions or listed backwards, arcs given by their centre or going the long way
// round, parcels of one name, nested point lists, units of every kind, and figures no survey
// has. Each parcel is checked by the closure of the plan written from it.
#include "core/cli/plancheck.h"
#include "core/exchange/landxml.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"

#include "tests/core/landxmltesting.h"
#include "tests/core/plantestdir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

using namespace corvane;

namespace {

std::string document(const std::string& units, const std::string& body) {
    return test::LandXmlDocument(units, body);
}
const std::string& kMetric = test::kMetricUnits;
using test::ReportSays;

ImportedPlan imported(const std::string& text, bool fill = false) {
    return test::ImportedFrom(text, fill);
}

std::string refusal(const std::string& text) {
    auto plan = ImportLandXml(text, "test.xml", {});
    EXPECT_FALSE(plan);
    return plan ? std::string() : plan.error().message;
}

std::string recordOf(const ImportedPlan& plan, std::int32_t from, std::int32_t to) {
    for (const LineRecord& l : plan.Lines)
        if (l.FromPoint == from && l.ToPoint == to)
            return FormatLineRecord(l);
    return "no line " + std::to_string(from) + " - " + std::to_string(to);
}

// The closure summary of the plan written from an import.
std::string checked(const ImportedPlan& plan) {
    test::PlanTestDir dir;
    EXPECT_TRUE(WriteImportedPlan(plan, dir.path("p")));
    std::ostringstream out, err;
    RunCommandMode({"--check", dir.path("p")}, out, err);
    return out.str();
}

// A 30 m by 20 m lot: 1 at the origin, 2 30 m north, 3 east of 2, 4 east of 1.
const std::string kPoints = "<CgPoints><CgPoint name=\"1\">0 0</CgPoint><CgPoint name=\"2\">30 "
                            "0</CgPoint><CgPoint name=\"3\">30 20</CgPoint><CgPoint "
                            "name=\"4\">0 20</CgPoint></CgPoints>\n";

// The lot's edges from 2 round to 1, and the lot whole with its first edge.
const std::string kEdgesFrom2 =
    "<Line><Start pntRef=\"2\"/><End pntRef=\"3\"/></Line><Line><Start pntRef=\"3\"/><End "
    "pntRef=\"4\"/></Line><Line><Start pntRef=\"4\"/><End pntRef=\"1\"/></Line>"
    "</CoordGeom></Parcel></Parcels>\n";
const std::string kLot = "<Parcels><Parcel name=\"1\" class=\"Lot\"><CoordGeom>";

std::string lotFrom2(const std::string& firstEdge) {
    return kLot + firstEdge + kEdgesFrom2;
}

} // namespace

// A creek from 1 to 2 bulging 5 m west of the straight line: 80 m² beyond the 600 m² lot.
TEST(LandXmlImportGeometry, NaturalBoundaryIn3DOrListedBackwardsFollowsTheCreek) {
    const std::string creek3D = "<IrregularLine><Start pntRef=\"1\"/><End pntRef=\"2\"/><PntList3D>"
                                "0 0 1.5 10 -5 1.2 20 -3 1.1 30 0 1.0</PntList3D></IrregularLine>";
    const std::string backwards = "<IrregularLine><Start pntRef=\"1\"/><End pntRef=\"2\"/>"
                                  "<PntList2D>30 0 20 -3 10 -5 0 0</PntList2D></IrregularLine>";
    for (const std::string& creek : {creek3D, backwards}) {
        const ImportedPlan plan = imported(document(kMetric, kPoints + lotFrom2(creek)), true);
        EXPECT_EQ(test::ParcelTexts(plan.Polygons), (std::vector<std::string>{"LT1 1 5 6 2 3 4 1"}))
            << creek;
        EXPECT_EQ(recordOf(plan, 5, 6), "5,6,11.1836,10.198");
        EXPECT_NE(checked(plan).find("LT1 OK Area = no area (680 m²)"), std::string::npos) << creek;
    }
    // Unfilled, the 3D creek is a natural boundary of missing data like a 2D one.
    const ImportedPlan unfilled = imported(document(kMetric, kPoints + lotFrom2(creek3D)));
    EXPECT_EQ(test::ReportSection(unfilled, "Natural boundaries"),
              (std::vector<std::string>{"  LT1 1 - 2 (line 5 <IrregularLine>): 4 vertices, the "
                                        "edge is missing data"}));

    // Through CgPoints only, listed backwards: still the lot's own corners in its order.
    const ImportedPlan corners = imported(document(
        kMetric, kPoints + "<Parcels><Parcel name=\"1\" class=\"Lot\"><CoordGeom><IrregularLine>"
                           "<Start pntRef=\"1\"/><End pntRef=\"3\"/><PntList2D>30 20 30 0 0 0"
                           "</PntList2D></IrregularLine><Line><Start pntRef=\"3\"/><End "
                           "pntRef=\"4\"/></Line><Line><Start pntRef=\"4\"/><End pntRef=\"1\"/>"
                           "</Line></CoordGeom></Parcel></Parcels>\n"));
    EXPECT_EQ(test::ParcelTexts(corners.Polygons), (std::vector<std::string>{"LT1 1 2 3 4 1"}));
}

// A lot of 200 m² south of a 10 m chord from 1 to 2, with an arc of radius 6 over the chord
// going 247° round to the north: the lot is 294 m², and 219 m² with the short arc.
TEST(LandXmlImportGeometry, ArcsFilledTheLongWayRoundOrByTheirCentre) {
    const std::string points =
        "<CgPoints><CgPoint name=\"1\">1000 1000</CgPoint><CgPoint name=\"2\">1000 "
        "1010</CgPoint><CgPoint name=\"3\">980 1010</CgPoint><CgPoint name=\"4\">980 "
        "1000</CgPoint></CgPoints>\n";
    auto lot = [&](const std::string& attributes, const std::string& centre) {
        return document(kMetric, points + lotFrom2("<Curve rot=\"cw\"" + attributes +
                                                   "><Start pntRef=\"1\"/>" + centre +
                                                   "<End pntRef=\"2\"/></Curve>"));
    };
    const std::string north = "<Center>1003.3166 1005</Center>";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {{"radius, centre north of the chord", lot(" radius=\"6\"", north)},
                 {"no radius: the centre's", lot("", north)},
                 {"radius and length, no centre", lot(" radius=\"6\" length=\"25.878\"", "")}};
    for (const auto& c : cases) {
        const ImportedPlan plan = imported(c.text, true);
        EXPECT_EQ(recordOf(plan, 1, 2), "1,2,1006.0000,25.878") << c.what;
        EXPECT_NE(checked(plan).find("LT1 OK Area = no area (294 m²)"), std::string::npos)
            << c.what;
    }
    // The centre south of the chord: the short arc.
    const ImportedPlan shortArc = imported(lot("", "<Center>996.6834 1005</Center>"), true);
    EXPECT_EQ(recordOf(shortArc, 1, 2), "1,2,1006.0000,11.821");
    EXPECT_NE(checked(shortArc).find("LT1 OK Area = no area (219 m²)"), std::string::npos);

    // Neither radius nor centre: missing data, never a straight chord.
    const ImportedPlan unknown = imported(lot("", ""), true);
    EXPECT_EQ(recordOf(unknown, 1, 2), "no line 1 - 2");
    EXPECT_EQ(test::ReportSection(unknown, "Parcel edges without a line"),
              (std::vector<std::string>{"  LT1 1 - 2 (an arc without a radius that fits it)"}));
}

// The turn of a parcel with arcs counts each arc's segment, not only its chord.
TEST(LandXmlImportGeometry, ParcelsWithArcsTurnedByTheirWholeArea) {
    // The arc from 1 to 2 dips 2.68 m south of its chord, 3 lies 1 m south: lot 1 is the
    // sliver between them, listed anticlockwise although its chords run clockwise. The road
    // is the arc and its chord, anticlockwise; the reserve the same walked clockwise.
    const std::string arc12 = "<Curve rot=\"ccw\" radius=\"6.000\"><Start pntRef=\"1\"/><Center>"
                              "1003.317 1005.000</Center><End pntRef=\"2\"/></Curve>";
    const std::string arc21 = "<Curve rot=\"cw\" radius=\"6.000\"><Start pntRef=\"2\"/><Center>"
                              "1003.317 1005.000</Center><End pntRef=\"1\"/></Curve>";
    const std::string body =
        "<CgPoints><CgPoint name=\"1\">1000 1000</CgPoint><CgPoint name=\"2\">1000 "
        "1010</CgPoint><CgPoint name=\"3\">999 1005</CgPoint></CgPoints>\n<Parcels>"
        "<Parcel name=\"1\" class=\"Lot\"><CoordGeom>" +
        arc12 +
        "<Line><Start pntRef=\"2\"/><End pntRef=\"3\"/></Line><Line><Start pntRef=\"3\"/>"
        "<End pntRef=\"1\"/></Line></CoordGeom></Parcel>\n"
        "<Parcel name=\"2\" class=\"Road\"><CoordGeom>" +
        arc12 +
        "<Line><Start pntRef=\"2\"/><End pntRef=\"1\"/></Line></CoordGeom></Parcel>\n"
        "<Parcel name=\"3\" class=\"Reserve\"><CoordGeom><Line><Start pntRef=\"1\"/><End "
        "pntRef=\"2\"/></Line>" +
        arc21 + "</CoordGeom></Parcel></Parcels>\n";
    const ImportedPlan plan = imported(document(kMetric, body));
    EXPECT_EQ(test::ParcelTexts(plan.Polygons),
              (std::vector<std::string>{"LT1 1 3 2 1", "RD2 1 2 1", "RE3 1 2 1"}));
    EXPECT_EQ(test::ReportSection(plan, "Parcels turned clockwise"),
              (std::vector<std::string>{"  LT1 (line 5 <Parcel>)", "  RD2 (line 6 <Parcel>)"}));
}

// Two parcels of one identifier would be renamed together by any later heading rewrite.
TEST(LandXmlImport, ParcelsOfOneIdentifierToldApart) {
    auto parcel = [](const char* cls, const char* name) {
        return std::string("<Parcel name=\"") + name + "\" class=\"" + cls +
               "\"><CoordGeom><Line><Start pntRef=\"1\"/><End pntRef=\"2\"/></Line><Line>"
               "<Start pntRef=\"2\"/><End pntRef=\"3\"/></Line><Line><Start pntRef=\"3\"/>"
               "<End pntRef=\"1\"/></Line></CoordGeom></Parcel>\n";
    };
    const ImportedPlan plan = imported(
        document(kMetric, kPoints + "<Parcels>\n" + parcel("Lot", "1") + parcel("Lot", "1") +
                              parcel("Easement", "a") + parcel("Easement", "A") +
                              parcel("Lot", "1") + parcel("Lot", "1-2") + "</Parcels>\n"));
    std::vector<std::string> identifiers;
    for (const std::string& p : test::ParcelTexts(plan.Polygons))
        identifiers.push_back(p.substr(0, p.find(' ')));
    EXPECT_EQ(identifiers,
              (std::vector<std::string>{"LT1", "LT1-2", "EAA", "EAA-2", "LT1-3", "LT1-2-2"}));
    const std::vector<std::string> rewritten =
        test::ReportSection(plan, "Names and areas rewritten");
    ASSERT_EQ(rewritten.size(), 4u);
    EXPECT_EQ(rewritten[0],
              "  LT1-2 (line 7 <Parcel>): another parcel is LT1, this one is stored as LT1-2");
    EXPECT_TRUE(plan.Findings);
}

// Point lists within point lists, and figures no survey holds.
TEST(LandXmlImport, NestedPointListsReadOnceAndAbsurdCoordinatesRefused) {
    const std::string nested =
        "<CgPoints><CgPoint name=\"1\">0 0</CgPoint><CgPoint name=\"2\">30 0</CgPoint>"
        "<CgPoints name=\"occupations\"><CgPoints><CgPoint name=\"3\">30 20</CgPoint></CgPoints>"
        "<CgPoint name=\"4\">0 20</CgPoint></CgPoints></CgPoints>\n";
    const ImportedPlan plan =
        imported(document(kMetric, nested + lotFrom2("<Line><Start pntRef=\"1\"/>"
                                                     "<End pntRef=\"2\"/></Line>")),
                 true);
    EXPECT_TRUE(ReportSays(plan, "4 points,"));
    EXPECT_TRUE(test::ReportSection(plan, "Observations skipped").empty());
    EXPECT_EQ(test::ParcelTexts(plan.Polygons), (std::vector<std::string>{"LT1 1 2 3 4 1"}));

    const std::string km =
        "<Metric linearUnit=\"kilometer\" areaUnit=\"squareMeter\" directionUnit=\"decimal "
        "dd.mm.ss\"/>";
    // Infinite once in metres, and 1e23 m.
    const std::string nines(306, '9');
    EXPECT_NE(refusal(document(km, "<CgPoints><CgPoint name=\"1\">0 0</CgPoint>\n<CgPoint "
                                   "name=\"2\">1 " +
                                       nines + "</CgPoint></CgPoints>"))
                  .find("test.xml line 5, <CgPoint>: the point \"2\" at \"1 999"),
              std::string::npos);
    EXPECT_NE(refusal(document(kMetric, "<CgPoints>\n<CgPoint name=\"9\">1 "
                                        "100000000000000000000000</CgPoint></CgPoints>"))
                  .find("line 5, <CgPoint>: the point \"9\""),
              std::string::npos);
    // A natural boundary's vertex.
    const std::string message = refusal(document(
        kMetric,
        kPoints + lotFrom2("<IrregularLine><Start pntRef=\"1\"/><End "
                           "pntRef=\"2\"/><PntList2D>0 0 "
                           "100000000000000000000000 5 30 0</PntList2D></IrregularLine>")));
    EXPECT_NE(
        message.find("<PntList2D>: the coordinate 100000000000000000000000 lies beyond any survey"),
        std::string::npos)
        << message;
}

// Every length and area unit LandXML knows; any other refused.
TEST(LandXmlImport, EveryLengthAndAreaUnitOfTheSchema) {
    const struct {
        const char* system;
        const char* linear;
        const char* distance;
        const char* area;
        const char* areaFigure;
        const char* line;
        const char* heading;
    } cases[] = {
        {"Metric", "millimeter", "20000", "squareMillimeter", "600000000", "1,2,0.0000,20.000",
         "600"},
        {"Metric", "centimeter", "2000", "squareCentimeter", "6000000", "1,2,0.0000,20.000", "600"},
        {"Imperial", "inch", "1000", "squareInch", "1000000", "1,2,0.0000,25.400", "645.16"},
        {"Imperial", "mile", "0.01", "squareMiles", "0.001", "1,2,0.0000,16.093", "2589.988110336"},
        {"Imperial", "USSurveyFoot", "100", "acre", "0.1", "1,2,0.0000,30.480", "404.68564224"},
    };
    for (const auto& c : cases) {
        const std::string units = std::string("<") + c.system + " linearUnit=\"" + c.linear +
                                  "\" areaUnit=\"" + c.area +
                                  "\" directionUnit=\"decimal dd.mm.ss\"/>";
        const ImportedPlan plan = imported(
            document(units, kPoints +
                                "<Survey><ReducedObservation setupPntRef=\"1\" targetPntRef=\"2\" "
                                "azimuth=\"0\" horizDistance=\"" +
                                c.distance +
                                "\"/></Survey><Parcels><Parcel name=\"1\" class=\"Lot\" area=\"" +
                                c.areaFigure +
                                "\"><CoordGeom><Line><Start pntRef=\"1\"/><End "
                                "pntRef=\"2\"/></Line>" +
                                kEdgesFrom2));
        EXPECT_EQ(recordOf(plan, 1, 2), c.line) << c.linear;
        ASSERT_FALSE(plan.Polygons.empty()) << c.linear;
        EXPECT_EQ(ParseHeading(plan.Polygons[0]).AreaText, c.heading) << c.area;
    }
    EXPECT_NE(
        refusal(document("<Metric linearUnit=\"furlong\" areaUnit=\"squareMeter\"/>", kPoints))
            .find("<Metric>: the linear unit \"furlong\" is not known"),
        std::string::npos);
    EXPECT_NE(refusal(document("<Metric linearUnit=\"meter\" areaUnit=\"are\"/>", kPoints))
                  .find("the area unit \"are\" is not known"),
              std::string::npos);
}

// The report says which point of the file became which survey mark.
TEST(LandXmlImport, MarksListedUnderTheFilesNames) {
    const ImportedPlan plan = imported(
        document(kMetric, "<CgPoints><CgPoint name=\"501\" oID=\"1847\">0 0</CgPoint><CgPoint "
                          "name=\"PM77\">5 5</CgPoint></CgPoints><Monuments><Monument name=\"1\" "
                          "pntRef=\"501\" type=\"SSM\"/><Monument name=\"2\" pntRef=\"PM77\" "
                          "type=\"PM\"/></Monuments>\n"));
    EXPECT_EQ(test::ReportSection(plan, "Marks"), (std::vector<std::string>{"  501 is SSM1847"}));
}

// LandXML export of plans as surveyors keep them: arcs beyond a half circle, identifiers and
// area codes of every shape, figures in a bearing's place that are no bearing, stray lines
// before the parcels' lines, names from older files, and parcels of an arc and its chord.
// Every document is read back as another program would: well-formed, schema-valid, its
// areas from the arcs' centres, and imported by our own import.
#include "core/base/numtext.h"
#include "core/cli/plancheck.h"
#include "core/exchange/landxml.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"

#include "tests/core/landxmlschema.h"
#include "tests/core/landxmltesting.h"

#include "tests/core/plantestdir.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <sstream>

using namespace corvane;

namespace {

std::tm someDay() {
    std::tm t{};
    t.tm_year = 2030 - 1900;
    t.tm_mday = 1;
    return t;
}

LandXmlExport exportOf(const std::vector<LineRecord>& lines, const std::vector<CurveRecord>& curves,
                       const std::vector<std::string>& polygons) {
    auto x = ExportLandXml(lines, CurveTable(curves), polygons, {}, 5000, someDay());
    EXPECT_TRUE(x) << (x ? "" : x.error().message);
    return x ? x.value() : LandXmlExport{};
}

std::vector<std::string> headingsOf(const std::vector<std::string>& polygons) {
    std::vector<std::string> out;
    for (const std::string& l : polygons)
        if (IsHeadingLine(l))
            out.push_back(l);
    return out;
}

// A parcel's area as a reader that knows nothing of our files takes it from the document: the
// shoelace over the corners' coordinates, and for each Curve the segment its Center and
// rotation give (the sweep from Start to End about the Center, turning as rot says).
std::map<std::string, double> areasFromGeometry(const std::string& text) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(text.c_str()));
    const pugi::xml_node root = doc.child("LandXML");
    std::map<std::string, std::pair<double, double>> at; // east, north
    for (pugi::xml_node p : root.child("CgPoints").children("CgPoint")) {
        std::istringstream in(p.child_value());
        double n = 0, e = 0;
        if (in >> n >> e)
            at[p.attribute("name").value()] = {e, n};
    }
    std::map<std::string, double> areas;
    for (pugi::xml_node parcel : root.child("Parcels").children("Parcel")) {
        double twice = 0, segments = 0;
        for (pugi::xml_node edge : parcel.child("CoordGeom").children()) {
            const auto [e1, n1] = at[edge.child("Start").attribute("pntRef").value()];
            const auto [e2, n2] = at[edge.child("End").attribute("pntRef").value()];
            twice += e1 * n2 - e2 * n1;
            if (std::string(edge.name()) != "Curve")
                continue;
            std::istringstream in(edge.child_value("Center"));
            double cn = 0, ce = 0;
            in >> cn >> ce;
            const bool ccw = std::string(edge.attribute("rot").value()) == "ccw";
            double sweep = std::atan2(n2 - cn, e2 - ce) - std::atan2(n1 - cn, e1 - ce);
            if (!ccw)
                sweep = -sweep;
            sweep = std::fmod(sweep + 4 * Pi(), 2 * Pi());
            const double r = Val(edge.attribute("radius").value());
            // An arc turning left bulges to the right of its chord, outside a parcel whose
            // corners run anticlockwise.
            segments += (ccw ? 1 : -1) * r * r / 2 * (sweep - std::sin(sweep));
        }
        areas[std::string(parcel.attribute("class").value()) + " " +
              parcel.attribute("name").value()] = std::fabs(twice / 2 + segments);
    }
    return areas;
}

} // namespace

// A 10 m chord under an arc of radius 6, with a corner 3 m off the chord on the other side:
// the arc's length picks the short arc (the segment of 18.9 m²) or the long one (247°, of
// 94.3 m²), turning either way. Another reader takes the sweep from the Center, so a centre
// on the short arc's side reads 34 m² for the 109 m² lot.
TEST(LandXmlExport, ArcCentreOnTheSideTheArcsLengthGives) {
    struct Case {
        const char* what;
        double length;
        const char* turn;
        double area;
    };
    const double shortSweep = 2 * std::asin(5.0 / 6.0);
    const double longSweep = 2 * Pi() - shortSweep;
    const Case cases[] = {
        {"long arc turning left", 25.878, "L", 15 + 18 * (longSweep - std::sin(longSweep))},
        {"long arc turning right", 25.878, "R", 15 + 18 * (longSweep - std::sin(longSweep))},
        {"short arc turning left", 11.821, "L", 15 + 18 * (shortSweep - std::sin(shortSweep))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The third corner lies on the side of the chord away from the arc's bulge, which is
        // to the right of the chord for an arc turning left.
        const bool left = std::string(c.turn) == "L";
        const std::vector<LineRecord> lines = {{1, 2, kArcBearingBase + 6, c.length, 0},
                                               {2, 3, left ? 300.5750 : 239.0210, 5.831, 0},
                                               {3, 1, left ? 239.0210 : 300.5750, 5.831, 0}};
        const std::vector<CurveRecord> curves = {{1, 2, c.turn, kMissingBearing, 90}};
        const LandXmlExport x =
            exportOf(lines, curves, {"\"LT1\",109.3,\"C\"", "1", "2", "3", "1"});
        EXPECT_EQ(test::LandXmlSchemaErrors(x.Text), "");
        const auto areas = areasFromGeometry(x.Text);
        ASSERT_EQ(areas.count("Lot 1"), 1u) << x.Text;
        EXPECT_NEAR(areas.at("Lot 1"), c.area, 0.05);
        // The import brings the arc back as it was measured, and without its observation,
        // filled from the coordinates, from the side of the Center.
        const ImportedPlan back = test::ImportedFrom(x.Text);
        ASSERT_FALSE(back.Lines.empty());
        EXPECT_EQ(FormatLineRecord(back.Lines.front()), FormatLineRecord(lines.front()));
        std::string unobserved = x.Text;
        const size_t from = unobserved.find("<ReducedArcObservation");
        ASSERT_NE(from, std::string::npos);
        unobserved.erase(from, unobserved.find("/>", from) + 2 - from);
        LandXmlImportOptions fill;
        fill.FillFromCoordinates = true;
        const auto filled = ImportLandXml(unobserved, "unobserved.xml", fill);
        ASSERT_TRUE(filled) << filled.error().message;
        const auto arc =
            std::find_if(filled.value().Lines.begin(), filled.value().Lines.end(),
                         [](const LineRecord& l) { return l.Bearing > kArcBearingBase; });
        ASSERT_NE(arc, filled.value().Lines.end());
        EXPECT_EQ(arc->Bearing, kArcBearingBase + 6);
        EXPECT_NEAR(arc->Distance, c.length, 0.002);
    }
}

// The plan's own identifier and area code go with each parcel, so the trip gives back what
// class and name alone cannot: the new parcel dialog's old prefixes, small letters,
// identifiers without a type code, approximate and deducted areas. A kept identifier that
// another program's renaming has made stale, or that the polygons file cannot hold, leaves
// the class and name to name the parcel, and the report says so.
TEST(LandXmlExport, OwnIdentifiersAndAreaCodesComeBack) {
    const std::vector<LineRecord> lines = {
        {1, 2, 90, 20, 0}, {2, 3, 180, 30, 0}, {3, 4, 270, 20, 0}, {4, 1, 0, 30, 0}};
    const std::vector<std::string> identifiers = {
        "FL3", "AR1", "AE2", "QP5", "X9", "L", "SP1", "lt4", "LTa'b", "CORST1-P1\\PS619178", "AT7"};
    std::vector<std::string> polygons;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        polygons.push_back(FormatHeading(identifiers[i], 600,
                                         i % 3 == 0   ? "D"
                                         : i % 3 == 1 ? "A"
                                                      : "C"));
        for (const char* p : {"1", "2", "3", "4", "1"})
            polygons.push_back(p);
    }
    const LandXmlExport x = exportOf(lines, {}, polygons);
    EXPECT_EQ(test::LandXmlSchemaErrors(x.Text), "");
    const ImportedPlan back = test::ImportedFrom(x.Text);
    EXPECT_EQ(headingsOf(back.Polygons), headingsOf(polygons));
    EXPECT_TRUE(test::ReportSection(back, "Names and areas rewritten").empty());

    // Another program renamed lot 3 and put a double quote in lot 4's name and kept
    // identifier; an area code of two letters is no code.
    std::string text = x.Text;
    auto replace = [&text](const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("<Parcel name=\"3\" class=\"Lot\"", "<Parcel name=\"30\" class=\"Lot\"");
    replace("<Parcel name=\"4\" class=\"Lot\"", "<Parcel name=\"&quot;4\" class=\"Lot\"");
    replace("value=\"lt4\"", "value=\"lt&quot;4\"");
    replace("value=\"A\"", "value=\"AB\"");
    const ImportedPlan changed = test::ImportedFrom(text);
    const std::vector<std::string> headings = headingsOf(changed.Polygons);
    ASSERT_EQ(headings.size(), identifiers.size());
    EXPECT_EQ(headings[0], "\"LT30\",600,\"D\"");
    EXPECT_EQ(headings[1], "\"AR1\",600,\"C\"");
    EXPECT_EQ(headings[7], "\"LT'4\",600,\"A\"");
    const std::vector<std::string> rewritten =
        test::ReportSection(changed, "Names and areas rewritten");
    for (const char* says :
         {"LT30 (line ", "\"FL3\" kept with the parcel is not its class and name", "AR1 (line ",
          "the area code \"AB\" cannot be stored",
          "\"lt'4\" kept with the parcel cannot be stored"})
        EXPECT_TRUE(std::any_of(rewritten.begin(), rewritten.end(), [&](const std::string& l) {
            return l.find(says) != std::string::npos;
        })) << says;
}

// A figure the plan keeps in a bearing's place but reads as no bearing (70 minutes, 60
// seconds, beyond the full circle, negative) goes out as no azimuth, as a missing bearing
// does, and the surveyor is told which lines; our own import then reads the file.
TEST(LandXmlExport, FiguresThatAreNoBearingGoOutAsNone) {
    test::PlanTestDir dir;
    dir.write("b.lns", "1,2,45.7000,20.000\r\n2,3,-45.3000,30.000\r\n3,4,999,20.000\r\n"
                       "4,1,359.5960,30.000\r\n1,3,360.3000,36.056\r\n2,4,326.1836,36.056\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(
        RunCommandMode({"--export-landxml", dir.path("b"), "--out", dir.path("b.xml")}, out, err),
        1);
    EXPECT_EQ(err.str().substr(err.str().find("Lines written")),
              "Lines written without their bearing (no valid bearing):\n"
              "  1 - 2, 45.7000\n"
              "  2 - 3, -45.3000\n"
              "  4 - 1, 359.5960\n"
              "  1 - 3, 360.3000\n");
    const std::string text = dir.read("b.xml");
    EXPECT_EQ(test::LandXmlSchemaErrors(text), "");
    std::vector<std::string> records;
    for (const LineRecord& l : test::ImportedFrom(text).Lines)
        records.push_back(FormatLineRecord(l));
    EXPECT_EQ(records, (std::vector<std::string>{"1,2,999.0000,20.000", "2,3,999.0000,30.000",
                                                 "3,4,999.0000,20.000", "4,1,999.0000,30.000",
                                                 "1,3,999.0000,36.056", "2,4,326.1836,36.056"}));
}

// Coordinates go to the group of lines that holds the parcels, however the lines file
// begins; with no parcel corners, to the group of the most points.
TEST(LandXmlExport, CoordinatesGoToTheGroupThatHoldsTheParcels) {
    auto withCoordinates = [](const LandXmlExport& x) {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_string(x.Text.c_str()));
        std::vector<std::string> names;
        for (pugi::xml_node p : doc.child("LandXML").child("CgPoints").children("CgPoint"))
            if (*p.child_value())
                names.push_back(p.attribute("name").value());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<LineRecord> lot = {
        {1, 2, 90, 20, 0}, {2, 3, 180, 30, 0}, {3, 4, 270, 20, 0}, {4, 1, 0, 30, 0}};
    std::vector<LineRecord> lines = {{900, 901, 45, 10, 0}};
    lines.insert(lines.end(), lot.begin(), lot.end());
    const LandXmlExport x = exportOf(lines, {}, {"\"LT1\",600,\"C\"", "1", "4", "3", "2", "1"});
    EXPECT_TRUE(x.ParcelsLeftOut.empty());
    EXPECT_EQ(x.PointsWithoutCoordinates, 2);
    EXPECT_EQ(withCoordinates(x), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(headingsOf(test::ImportedFrom(x.Text).Polygons),
              (std::vector<std::string>{"\"LT1\",600,\"C\""}));

    const LandXmlExport bare =
        exportOf({{900, 901, 45, 10, 0}, {5, 6, 90, 10, 0}, {6, 7, 0, 10, 0}}, {}, {});
    EXPECT_EQ(withCoordinates(bare), (std::vector<std::string>{"5", "6", "7"}));
}

// An arc and the line across its ends close a parcel of two corners: it goes out as the
// Curve and the Line, whose area another reader finds as the arc's segment, and comes back
// as it was. Two corners joined by a straight line are still no parcel.
TEST(LandXmlExport, TwoCornersCloseAParcelOnlyWithAnArc) {
    const std::vector<LineRecord> lines = {{1, 2, kArcBearingBase + 6, 11.821, 0},
                                           {2, 3, 258.4124, 5.099, 0},
                                           {3, 1, 281.1836, 5.099, 0}};
    const std::vector<CurveRecord> curves = {{1, 2, "L", kMissingBearing, 90}};
    const std::vector<std::string> polygons = {"\"RD2\",18.9,\"C\"", "1", "2", "1",
                                               "\"LT3\",0,\"C\"",    "2", "3", "2"};
    const LandXmlExport x = exportOf(lines, curves, polygons);
    EXPECT_EQ(x.ParcelsLeftOut, (std::vector<std::string>{"LT3, fewer than three corners"}));
    EXPECT_EQ(test::LandXmlSchemaErrors(x.Text), "");
    const double sweep = 2 * std::asin(5.0 / 6.0);
    EXPECT_NEAR(areasFromGeometry(x.Text)["Road 2"], 18 * (sweep - std::sin(sweep)), 0.05);
    const ImportedPlan back = test::ImportedFrom(x.Text);
    EXPECT_EQ(back.Polygons, (std::vector<std::string>{"\"RD2\",18.9,\"C\"", "1", "2", "1"}));
    EXPECT_EQ(back.Lines.size(), 3u);

    // Without the observations, filled from the coordinates: whichever of the arc and its
    // chord comes first in the parcel, the pair's line is the arc the lot beside it shares.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(x.Text.c_str()));
    for (pugi::xml_node survey = doc.document_element().child("Survey"); survey;
         survey = doc.document_element().child("Survey"))
        doc.document_element().remove_child(survey);
    std::ostringstream bare;
    doc.save(bare);
    const ImportedPlan filled = test::ImportedFrom(bare.str(), true);
    ASSERT_EQ(filled.Curves.size(), 1u);
    bool arc = false;
    for (const LineRecord& l : filled.Lines)
        if ((l.FromPoint == 1 && l.ToPoint == 2) || (l.FromPoint == 2 && l.ToPoint == 1)) {
            EXPECT_NEAR(l.Bearing, kArcBearingBase + 6, 1e-9);
            EXPECT_NEAR(l.Distance, 11.821, 0.001);
            arc = true;
        }
    EXPECT_TRUE(arc);
}

// Names from older files: a Latin-1 letter goes out as that letter in UTF-8 and comes back as
// the plan's byte; a name already in UTF-8 is not encoded twice and comes back as it was; a
// control character becomes a blank, as the import would make it, and the parcel is named.
// Two identifiers differing only in letter case are two parcels, and stay so.
TEST(LandXmlExport, NamesOfOlderFilesGoOutAsUtf8) {
    const std::vector<LineRecord> lines = {
        {1, 2, 90, 20, 0}, {2, 3, 180, 30, 0}, {3, 4, 270, 20, 0}, {4, 1, 0, 30, 0}};
    std::vector<std::string> polygons;
    for (const char* id : {"LT\xE9"
                           "2",
                           "LT\x0B"
                           "3",
                           "LTn\xC3\xA9"
                           "4",
                           "lt5", "LT5"}) {
        polygons.push_back(FormatHeading(id, 600, "C"));
        for (const char* p : {"1", "2", "3", "4", "1"})
            polygons.push_back(p);
    }
    const LandXmlExport x = exportOf(lines, {}, polygons);
    EXPECT_EQ(test::LandXmlSchemaErrors(x.Text), "");
    EXPECT_NE(x.Text.find("<Parcel name=\"\xC3\xA9"
                          "2\""),
              std::string::npos);
    EXPECT_NE(x.Text.find("<Parcel name=\" 3\""), std::string::npos);
    EXPECT_NE(x.Text.find("<Parcel name=\"n\xC3\xA9"
                          "4\""),
              std::string::npos);
    EXPECT_EQ(x.Notes,
              (std::vector<std::string>{"LT 3: control characters in its name written as blanks"}));
    const std::vector<std::string> back = headingsOf(test::ImportedFrom(x.Text).Polygons);
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0], "\"LT\xE9"
                       "2\",600,\"C\"");
    EXPECT_EQ(back[1], "\"LT 3\",600,\"C\"");
    EXPECT_EQ(back[2], "\"LTn\xC3\xA9"
                       "4\",600,\"C\"");
    EXPECT_EQ(back[3], "\"lt5\",600,\"C\"");
    EXPECT_EQ(back[4], "\"LT5\",600,\"C\"");
}

// Whatever plan the export writes a file for, the file is well-formed XML, valid LandXML 1.2,
// and our own import reads it: plans shaped as the faults users met.
TEST(LandXmlExport, EveryFileWrittenIsWellFormedSchemaValidAndImportsBack) {
    const std::string lot = "1,2,90.0000,20.000\r\n2,3,0.0000,30.000\r\n3,4,270.0000,20.000\r\n"
                            "4,1,180.0000,30.000\r\n";
    const std::string lotParcel = "1\r\n4\r\n3\r\n2\r\n1\r\n";
    struct Case {
        const char* what;
        std::string lines, polygons, curves;
    };
    const Case cases[] = {
        {"no lines at all", "", "", ""},
        {"a control character in a name", lot,
         "\"LTM\x0B"
         "2\",600,\"C\"\r\n" +
             lotParcel,
         ""},
        {"a Latin-1 letter in a name", lot,
         "\"LT\xE9"
         "2\",600,\"C\"\r\n" +
             lotParcel,
         ""},
        {"markup in a name", lot, "\"CO<a&b>\",600,\"C\"\r\n" + lotParcel, ""},
        {"figures that are no bearing", "1,2,45.7000,20.000\r\n2,3,-1.0000,30.000\r\n", "", ""},
        {"a stray line first", "900,901,45.0000,10.000\r\n" + lot,
         "\"LT1\",600,\"C\"\r\n" + lotParcel, ""},
        {"an arc of 247 degrees and its chord",
         "1,2,1006.0000,25.878\r\n2,3,258.4124,5.099\r\n3,1,281.1836,5.099\r\n",
         "\"LT1\",109.3,\"C\"\r\n1\r\n3\r\n2\r\n1\r\n\"RD2\",94.3,\"C\"\r\n1\r\n2\r\n1\r\n",
         "1,2,\"L\",999,90\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::PlanTestDir dir;
        dir.write("p.lns", c.lines);
        if (!c.polygons.empty())
            dir.write("p.ply", c.polygons);
        if (!c.curves.empty())
            dir.write("p.cve", c.curves);
        std::ostringstream out, err;
        const int status = RunCommandMode(
            {"--export-landxml", dir.path("p"), "--out", dir.path("p.xml")}, out, err);
        ASSERT_LE(status, 1) << err.str();
        ASSERT_EQ(out.str(), dir.path("p.xml") + " written\n");
        const std::string text = dir.read("p.xml");
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_string(text.c_str())) << text;
        EXPECT_EQ(test::LandXmlSchemaErrors(text), "");
        EXPECT_TRUE(ImportLandXmlFile(dir.path("p.xml"), {}));
    }
}

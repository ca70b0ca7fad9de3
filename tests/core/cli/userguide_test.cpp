// The user guide's worked examples, each checked twice: the guide still says it, and the
// program still does it. A guide edited without the program, or the program changed without
// the guide, fails here.

#include "core/base/numtext.h"
#include "core/edits/parcelcmds.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/geometry/closure.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/tools/easement.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace corvane {
namespace {

// The guide's words as a reader sees them: tags dropped, entities read, white space single.
std::string GuideText() {
    std::ifstream in(CORVANE_SOURCE_DIR "/docs/user-guide.html", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string text = std::regex_replace(content.str(), std::regex("<[^>]*>"), " ");
    for (const auto& [entity, character] :
         {std::pair<std::string, std::string>{"&gt;", ">"}, {"&lt;", "<"}, {"&amp;", "&"}}) {
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
            text.replace(at, entity.size(), character);
    }
    text = std::regex_replace(text, std::regex("\\s+"), " ");
    text = std::regex_replace(text, std::regex("\\( "), "(");
    return std::regex_replace(text, std::regex(" ([,.;:)])"), "$1");
}

class UserGuide : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { guide_ = new std::string(GuideText()); }
    static void TearDownTestSuite() {
        delete guide_;
        guide_ = nullptr;
    }
    static bool says(const std::string& words) { return guide_->find(words) != std::string::npos; }
    static std::string* guide_;
};

std::string* UserGuide::guide_ = nullptr;

TEST_F(UserGuide, BearingAndDistanceEntry) {
    ASSERT_TRUE(says("45.3020 is 45°30'20\""));
    EXPECT_EQ(BearingEntryText("45.3020"), std::optional<std::string>("45.3020"));
    ASSERT_TRUE(says("45.3 means 45°30' (stored as 45.3000) and 45°03' is typed 45.03"));
    EXPECT_EQ(BearingEntryText("45.3"), std::optional<std::string>("45.3000"));
    EXPECT_EQ(BearingEntryText("45.03"), std::optional<std::string>("45.0300"));
    ASSERT_TRUE(says("(-45.3 is stored as 225.3000)"));
    EXPECT_EQ(BearingEntryText("-45.3"), std::optional<std::string>("225.3000"));
    ASSERT_TRUE(says("such as 10.5+2.25-1, which is stored as 11.750"));
    EXPECT_EQ(SumDistanceText("10.5+2.25-1"), "11.750");
}

TEST_F(UserGuide, PointsAndMarks) {
    ASSERT_TRUE(says("followed by the mark's number (for example PM12; lower case is accepted)"));
    EXPECT_EQ(PointLabelToNumber("PM12"), 444412);
    EXPECT_EQ(PointLabelToNumber("pm12"), 444412);
    ASSERT_TRUE(says("numbers beginning 4444 (PM), 5555 (SSM), 6666 (TS), 7777 (MSM) or "
                     "8888 (GBM)"));
    EXPECT_EQ(PointNumberToLabel(444412), "PM12");
    EXPECT_EQ(PointNumberToLabel(555512), "SSM12");
    EXPECT_EQ(PointNumberToLabel(666612), "TS12");
    EXPECT_EQ(PointNumberToLabel(777712), "MSM12");
    EXPECT_EQ(PointNumberToLabel(888812), "GBM12");
}

TEST_F(UserGuide, ParcelTypesAndAreas) {
    const std::pair<const char*, const char*> types[] = {
        {"OB", "Outer Boundary"},   {"AL", "Allotment"}, {"PI", "Piece"}, {"LT", "Lot"},
        {"PT", "Part Lot"},         {"EA", "Easement"},  {"RD", "Road"},  {"RE", "Reserve"},
        {"(CO...)", "Construction"}};
    for (const auto& [prefix, name] : types) {
        ASSERT_TRUE(says(std::string(prefix) + " " + name)) << prefix;
        const std::string code = std::string(prefix).substr(prefix[0] == '(' ? 1 : 0, 2);
        EXPECT_EQ(ParcelTypeName(code + "12"), name) << prefix;
    }
    ASSERT_TRUE(says("the identifier is the type code followed by the number (for example AL12)"));
    EXPECT_EQ(NewParcelIdentifier("Allotment", "12").value(), "AL12");
    ASSERT_TRUE(says("square metres below one hectare (856 m²) and in hectares from one "
                     "hectare up (1.235 ha)"));
    // The program's texts are Latin-1: "²" is the one byte 0xB2.
    EXPECT_EQ(FormatArea(856, 0), "856 m\xB2");
    EXPECT_EQ(FormatArea(12350, 0), "1.235 ha");
    ASSERT_TRUE(says("An area marked approx. is approximate, one marked ded. is deduced"));
    EXPECT_EQ(AreaText("\"AL1\",856,\"A\""), "856 m\xB2 approx.");
    EXPECT_EQ(AreaText("\"AL1\",856,\"D\""), "856 m\xB2 ded.");
    EXPECT_EQ(AreaText("\"AL1\",856,\"C\""), "856 m\xB2");
}

TEST_F(UserGuide, AllowableMisclosures) {
    ASSERT_TRUE(says("a 400 m perimeter allows 0.040 m as Surveyed Polygons and 0.180 m as "
                     "Rural Survey (prior Feb 2019)"));
    EXPECT_NEAR(AllowableMisclosure(400, "Surveyed Polygons"), 0.040, 1e-12);
    EXPECT_NEAR(AllowableMisclosure(400, "Rural Survey (prior Feb 2019)"), 0.180, 1e-12);
    // The table of classes, at a perimeter of 1000 m.
    const std::pair<const char*, double> classes[] = {
        {"Surveyed Polygons 0.02 + L / 20000", 0.02 + 1000.0 / 20000},
        {"Steep or mountainous 0.015 + 150 × L / 1000000", 0.015 + 150 * 1000.0 / 1000000},
        {"Level or undulating 0.015 + L / 10000", 0.015 + 1000.0 / 10000},
        {"Urban Survey (prior Feb 2019) 0.03 + L / 10000", 0.03 + 1000.0 / 10000},
        {"Rural Survey (prior Feb 2019) 0.1 + L / 5000", 0.1 + 1000.0 / 5000},
        {"Marrick City Core District 0.02 + L / 15000", 0.02 + 1000.0 / 15000},
        {"Commercial and City Frame District 0.02 + L / 10000", 0.02 + 1000.0 / 10000}};
    for (const auto& [row, allowed] : classes) {
        ASSERT_TRUE(says(row)) << row;
        const std::string name(row, std::string_view(row).find(" 0."));
        EXPECT_NEAR(AllowableMisclosure(1000, name), allowed, 1e-12) << name;
    }
    ASSERT_TRUE(says("Text that is no class is refused (Unknown accuracy class) and the class "
                     "in force stays"));
    EXPECT_FALSE(AccuracyClassNamed("Surveyed Polygon"));
    ASSERT_TRUE(says("or type a class name in any letter case"));
    EXPECT_EQ(AccuracyClassNamed("surveyed polygons"), std::string("Surveyed Polygons"));
    EXPECT_EQ(AccuracyClasses().size(), 7u);
}

TEST_F(UserGuide, FileExamplesAreReadAsTheGuideSays) {
    ASSERT_TRUE(says("from point, to point, bearing, distance, e.g. 101,102,45.3020,123.456"));
    auto lines = ParseLines(std::vector<std::string>{"101,102,45.3020,123.456"}, "D1.lns");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines.value().size(), 1u);
    EXPECT_EQ(lines.value()[0].FromPoint, 101);
    EXPECT_EQ(lines.value()[0].ToPoint, 102);
    EXPECT_DOUBLE_EQ(lines.value()[0].Bearing, 45.302);
    EXPECT_DOUBLE_EQ(lines.value()[0].Distance, 123.456);
    ASSERT_TRUE(says("A blank line makes the file unreadable"));
    EXPECT_FALSE(ParseLines(std::vector<std::string>{"101,102,45.3020,123.456", ""}, "D1.lns"));

    ASSERT_TRUE(says("a heading \"AL12\",1234.5,\"C\" (identifier, area in square metres, area "
                     "type C calculated"));
    EXPECT_EQ(FormatHeading("AL12", 1234.5, "C"), "\"AL12\",1234.5,\"C\"");
    const ParcelHeading heading = ParseHeading("\"AL12\",1234.5,\"C\"");
    EXPECT_EQ(heading.Identifier, "AL12");
    EXPECT_DOUBLE_EQ(heading.Area, 1234.5);
    EXPECT_EQ(heading.AreaCode, "C");
}

TEST_F(UserGuide, EasementCornerAndMarkNumber) {
    ASSERT_TRUE(says("has its far corner on bearing 135.0000 at 2.828 m from the turning point; "
                     "on the right side the corner is on 315.0000"));
    const double left = CornerOffsetBearing(0, 90, 2, 2, 0);
    EXPECT_EQ(Format(left, "0.0000"), "135.0000");
    EXPECT_EQ(Format(OffsetLength(90, left, 2), "0.000"), "2.828");
    EXPECT_EQ(Format(CornerOffsetBearing(0, 90, 2, 2, 1), "0.0000"), "315.0000");
    ASSERT_TRUE(says("1234/56789 is stored as 123456789"));
    EXPECT_EQ(MarkNumberEntry("1234/56789"), "123456789");
}

} // namespace
} // namespace corvane

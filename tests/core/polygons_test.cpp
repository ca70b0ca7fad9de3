#include "core/polygons.h"

#include "core/numtext.h"
#include "plantestdir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::PlanTestDir;

const char* const kPolygons = "\"OB1\",0,\"C\"\r\n"
                              "101\r\n102\r\n103\r\n101\r\n"
                              "\"AL12\",1234.5,\"C\"\r\n"
                              "101\r\n102\r\n4444003\r\n101\r\n"
                              "\"EA1\",56.25,\"A\"\r\n"
                              "102\r\n103\r\n";

TEST(ParseHeading, TakesTheHeadingApart) {
    struct Case {
        const char* line;
        const char* identifier;
        const char* areaText;
        double area;
        const char* code;
    };
    const Case cases[] = {
        {"\"AL12\",1234.5,\"C\"", "AL12", "1234.5", 1234.5, "C"},
        {"\"EA1\",0,\"A\"", "EA1", "0", 0, "A"},
        {"\"RD 1\",125000.75,\"D\"", "RD 1", "125000.75", 125000.75, "D"},
        {"\"\",5,\"C\"", "", "5", 5, "C"},
    };
    for (const auto& c : cases) {
        ParcelHeading h = ParseHeading(c.line);
        EXPECT_EQ(h.Identifier, c.identifier) << c.line;
        EXPECT_EQ(h.AreaText, c.areaText) << c.line;
        EXPECT_DOUBLE_EQ(h.Area, c.area) << c.line;
        EXPECT_EQ(h.AreaCode, c.code) << c.line;
    }
}

TEST(ParseHeading, MalformedHeadingsGiveNoCrash) {
    for (const char* line : {"", "\"", "\"AL1", "\"AL1\"", "\"AL1\",", "\"AL1\",5"}) {
        ParcelHeading h = ParseHeading(line);
        EXPECT_EQ(h.Area, Val(h.AreaText)) << line;
        (void)AreaText(line);
    }
    EXPECT_EQ(ParseHeading("\"AL1").Identifier, "");
}

TEST(FormatHeading, WritesTheAreaInGeneralForm) {
    EXPECT_EQ(FormatHeading("AL12", 1234.5, "C"), "\"AL12\",1234.5,\"C\"");
    EXPECT_EQ(FormatHeading("PI3", 0, "A"), "\"PI3\",0,\"A\"");
    EXPECT_EQ(FormatHeading("LT1", 856.123456789012345, "D"), "\"LT1\",856.123456789012,\"D\"");
    ParcelHeading back = ParseHeading(FormatHeading("RD1", 98765.4321, "C"));
    EXPECT_EQ(back.Identifier, "RD1");
    EXPECT_DOUBLE_EQ(back.Area, 98765.4321);
    EXPECT_EQ(back.AreaCode, "C");
}

TEST(ParcelTypeName, FromTheFirstTwoLettersInAnyCase) {
    struct Case {
        const char* identifier;
        const char* name;
    };
    const Case cases[] = {
        {"OB1", "Outer Boundary"}, {"al12", "Allotment"},
        {"Pi3", "Piece"},          {"LT4", "Lot"},
        {"PT5", "Part Lot"},       {"EA1", "Easement"},
        {"RD2", "Road"},           {"RE7", "Reserve"},
        {"CO1", "Construction"},   {"QP1", "Construction"},
        {"A", "Construction"},     {"", "Construction"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParcelTypeName(c.identifier), c.name) << c.identifier;
}

TEST(FormatArea, SquareMetresAndHectares) {
    const std::string m2 = std::string(" ") + kSquareMetres;
    struct Case {
        double area;
        int mode;
        std::string text;
    };
    const Case cases[] = {
        {0, 0, "no area"},
        {0, 1, "no area"},
        {856.4, 0, "856" + m2},
        {9999.6, 0, "10000" + m2},
        {10000, 0, "1.000 ha"},
        {12345, 0, "1.235 ha"},
        {12345, 1, "1.235"},
        {99994, 0, "9.999 ha"},
        {250000, 0, "25.00 ha"},
        {2500000, 0, "250.0 ha"},
        {25000000, 0, "2500 ha"},
        {25000000, 1, "2500"},
        {5000, 1, "0.5000"},
        {856.4, 1, "0.0856"},
        {-856.4, 0, "-856" + m2},
        {-50000, 1, "-5.0000"},
        {0.4, 0, m2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatArea(c.area, c.mode), c.text) << c.area << " mode " << c.mode;
}

TEST(AreaText, AddsTheCodeSuffix) {
    const std::string m2 = std::string(" ") + kSquareMetres;
    EXPECT_EQ(AreaText("\"AL1\",856.4,\"A\""), "856" + m2 + " approx.");
    EXPECT_EQ(AreaText("\"AL1\",12345,\"D\""), "1.235 ha ded.");
    EXPECT_EQ(AreaText("\"AL1\",12345,\"C\""), "1.235 ha");
    EXPECT_EQ(AreaText("\"AL1\",12345,\"X\""), "1.235 ha");
    EXPECT_EQ(AreaText("\"AL1\",0,\"A\""), "no area");
}

TEST(PolygonsFile, FindsParcelsAndTheirAreas) {
    PlanTestDir dir;
    const std::string plan = dir.path("plan");
    EXPECT_FALSE(ParcelExists(plan, "AL12"));
    auto missing = ReadParcelArea(plan, "AL12");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().title, "Get area from polygons file error");

    dir.write("plan.ply", kPolygons);
    EXPECT_TRUE(ParcelExists(plan, "AL12"));
    EXPECT_TRUE(ParcelExists(plan, "EA1"));
    EXPECT_FALSE(ParcelExists(plan, "al12")); // identifiers are compared exactly
    EXPECT_FALSE(ParcelExists(plan, "AL1"));
    EXPECT_EQ(ParcelIdentifiers(plan), (std::vector<std::string>{"OB1", "AL12", "EA1"}));

    auto area = ReadParcelArea(plan, "AL12");
    ASSERT_TRUE(area.ok());
    EXPECT_TRUE(area.value().found);
    EXPECT_EQ(area.value().Hectares, "0.1235");
    EXPECT_EQ(area.value().AreaCode, "C");
    EXPECT_DOUBLE_EQ(area.value().Area, 1234.5);
    auto approx = ReadParcelArea(plan, "EA1");
    ASSERT_TRUE(approx.ok());
    EXPECT_EQ(approx.value().AreaCode, "A");
    auto absent = ReadParcelArea(plan, "PI9");
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(absent.value().found);
    EXPECT_EQ(absent.value().Hectares, "");
}

TEST(PolygonsFile, AStoredAreaThatIsNoNumberIsReported) {
    PlanTestDir dir;
    dir.write("plan.ply", "\"AL1\",12x4,\"C\"\r\n1\r\n2\r\n");
    auto area = ReadParcelArea(dir.path("plan"), "AL1");
    ASSERT_FALSE(area.ok());
    EXPECT_EQ(area.error().title, "Get area from polygons file error");
    EXPECT_NE(area.error().message.find("Line 1"), std::string::npos);
    EXPECT_NE(area.error().message.find("plan.ply"), std::string::npos);
}

TEST(PolygonsFile, UpperCaseNameIsTheSameFile) {
    PlanTestDir dir;
    dir.write("PLAN.PLY", kPolygons);
    const std::string plan = dir.path("plan");
    EXPECT_TRUE(ParcelExists(plan, "AL12"));
    EXPECT_TRUE(ReadParcelArea(plan, "AL12").ok());
    EXPECT_EQ(ParcelIdentifiers(plan).size(), 3u);
}

TEST(UpdateParcelEntry, NewHeadingForACalculatedArea) {
    PlanTestDir dir;
    dir.write("plan.ply", kPolygons);
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "AL12", "AL12", 1300.25, "C").ok());
    const std::string before = "\"AL12\",1234.5,\"C\"";
    std::string expected = kPolygons;
    expected.replace(expected.find(before), before.size(), "\"AL12\",1300.25,\"C\"");
    EXPECT_EQ(dir.read("plan.ply"), expected);
    // The backup holds the file as it was before the change.
    EXPECT_EQ(dir.read("plan.~ly"), kPolygons);
}

TEST(UpdateParcelEntry, RenameKeepsTheStoredAreaAndCode) {
    PlanTestDir dir;
    dir.write("plan.ply", kPolygons);
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "LT7", "EA1", 0, "X").ok());
    std::string expected = kPolygons;
    expected.replace(expected.find("\"EA1\""), 5, "\"LT7\"");
    EXPECT_EQ(dir.read("plan.ply"), expected);
    EXPECT_TRUE(ParcelExists(dir.path("plan"), "LT7"));
    EXPECT_FALSE(ParcelExists(dir.path("plan"), "EA1"));
    auto area = ReadParcelArea(dir.path("plan"), "LT7");
    ASSERT_TRUE(area.ok());
    EXPECT_DOUBLE_EQ(area.value().Area, 56.25);
    EXPECT_EQ(area.value().AreaCode, "A");
}

TEST(UpdateParcelEntry, ApproximateAndDeducedCodesWriteANewHeading) {
    PlanTestDir dir;
    dir.write("plan.ply", kPolygons);
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "AL13", "AL12", 2000, "D").ok());
    EXPECT_NE(dir.read("plan.ply").find("\"AL13\",2000,\"D\"\r\n101\r\n"), std::string::npos);
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "AL13", "AL13", 0, "A").ok());
    EXPECT_EQ(AreaText("\"AL13\",0,\"A\""), "no area");
    EXPECT_NE(dir.read("plan.ply").find("\"AL13\",0,\"A\"\r\n"), std::string::npos);
}

TEST(UpdateParcelEntry, UpperCaseFilesAreRewrittenInPlace) {
    PlanTestDir dir;
    dir.write("PLAN.PLY", kPolygons);
    dir.write("PLAN.~LY", "an older backup\r\n");
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "AL12", "AL12", 99, "C").ok());
    EXPECT_EQ(dir.count(), 2); // no lower-case twin of either file
    EXPECT_EQ(dir.read("PLAN.~LY"), kPolygons);
    EXPECT_NE(dir.read("PLAN.PLY").find("\"AL12\",99,\"C\""), std::string::npos);
}

TEST(UpdateParcelEntry, LfFileIsWrittenWithCrLf) {
    PlanTestDir dir;
    dir.write("plan.ply", "\"AL1\",10,\"C\"\n1\n2\n1\n");
    ASSERT_TRUE(UpdateParcelEntry(dir.path("plan"), "AL2", "AL1", 0, "").ok());
    EXPECT_EQ(dir.read("plan.ply"), "\"AL2\",10,\"C\"\r\n1\r\n2\r\n1\r\n");
}

TEST(UpdateParcelEntry, MissingFileChangesNothing) {
    PlanTestDir dir;
    Status updated = UpdateParcelEntry(dir.path("plan"), "AL1", "AL1", 5, "C");
    ASSERT_FALSE(updated.ok());
    EXPECT_EQ(updated.error().title, "Make backup error");
    EXPECT_EQ(dir.count(), 0);
}

} // namespace
} // namespace corvane

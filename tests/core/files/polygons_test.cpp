#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"

#include "core/base/numtext.h"
#include "core/model/pointlabel.h"
#include "core/model/records.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace corvane {
namespace {

using test::PlanTestDir;

const char* const kPolygons = "\"OB1\",0,\"C\"\r\n"
                              "101\r\n102\r\n103\r\n101\r\n"
                              "\"AL12\",1234.5,\"C\"\r\n"
                              "101\r\n102\r\n4444003\r\n101\r\n"
                              "\"EA1\",56.25,\"A\"\r\n"
                              "102\r\n103\r\n";

// kPolygons with one piece of text replaced.
std::string Replaced(const std::string& from, const std::string& to) {
    std::string text = kPolygons;
    return text.replace(text.find(from), from.size(), to);
}

TEST(Heading, ParseAndFormat) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"AL12\",1234.5,\"C\"", "AL12|1234.5|C"},
        {"\"RD 1\",125000.75,\"D\"", "RD 1|125000.75|D"},
        {"\"\",5,\"C\"", "|5|C"},
    };
    for (const auto& [line, parts] : cases) {
        ParcelHeading h = ParseHeading(line);
        EXPECT_EQ(h.Identifier + "|" + h.AreaText + "|" + h.AreaCode, parts);
        EXPECT_DOUBLE_EQ(h.Area, Val(h.AreaText));
    }
    // Malformed headings give no crash.
    for (const char* line : {"", "\"", "\"AL1", "\"AL1\"", "\"AL1\",", "\"AL1\",5"}) {
        EXPECT_EQ(ParseHeading(line).Area, Val(ParseHeading(line).AreaText)) << line;
        (void)AreaText(line);
    }
    EXPECT_EQ(FormatHeading("PI3", 0, "A"), "\"PI3\",0,\"A\"");
    EXPECT_EQ(FormatHeading("LT1", 856.123456789012345, "D"), "\"LT1\",856.123456789012,\"D\"");
}

TEST(FormatArea, SquareMetresAndHectares) {
    const std::string m2 = std::string(" ") + kSquareMetres;
    const std::tuple<double, int, std::string> cases[] = {
        {0, 0, "no area"},         {856.4, 0, "856" + m2},
        {9999.6, 0, "10000" + m2}, {10000, 0, "1.000 ha"},
        {12345, 0, "1.235 ha"},    {12345, 1, "1.235"},
        {99994, 0, "9.999 ha"},    {250000, 0, "25.00 ha"},
        {2500000, 0, "250.0 ha"},  {25000000, 0, "2500 ha"},
        {856.4, 1, "0.0856"},      {-856.4, 0, "-856" + m2},
        {-50000, 1, "-5.0000"},    {0.4, 0, m2},
    };
    for (const auto& [area, mode, text] : cases)
        EXPECT_EQ(FormatArea(area, mode), text) << area << " mode " << mode;
}

TEST(AreaText, AddsTheCodeSuffix) {
    const std::pair<const char*, std::string> cases[] = {
        {"\"AL1\",856.4,\"A\"", "856 m\xB2 approx."},
        {"\"AL1\",12345,\"D\"", "1.235 ha ded."},
        {"\"AL1\",12345,\"C\"", "1.235 ha"},
        {"\"AL1\",12345,\"X\"", "1.235 ha"},
        {"\"AL1\",0,\"A\"", "no area"},
    };
    for (const auto& [line, text] : cases)
        EXPECT_EQ(AreaText(line), text) << line;
}

TEST(PolygonsFile, FindsParcelsAndTheirAreas) {
    PlanTestDir dir;
    const std::string plan = dir.path("plan");
    EXPECT_FALSE(ParcelExists(plan, "AL12").value());
    EXPECT_TRUE(test::Refused(ReadParcelArea(plan, "AL12"), "Get area from polygons file error"));

    dir.write("PLAN.PLY", kPolygons); // found whatever the case of its name
    EXPECT_TRUE(ParcelExists(plan, "EA1").value());
    EXPECT_FALSE(ParcelExists(plan, "al12").value()); // identifiers are compared exactly
    EXPECT_FALSE(ParcelExists(plan, "AL1").value());
    EXPECT_EQ(ParcelIdentifiers(plan).value(), (std::vector<std::string>{"OB1", "AL12", "EA1"}));
    auto area = ReadParcelArea(plan, "AL12");
    ASSERT_TRUE(area.ok());
    EXPECT_TRUE(area.value().found);
    EXPECT_EQ(area.value().Hectares, "0.1235");
    EXPECT_EQ(area.value().AreaCode, "C");
    EXPECT_DOUBLE_EQ(area.value().Area, 1234.5);
    auto absent = ReadParcelArea(plan, "PI9");
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(absent.value().found);

    dir.write("PLAN.PLY", "\"AL1\",12x4,\"C\"\r\n1\r\n2\r\n");
    for (const char* part : {"Line 1", "PLAN.PLY"})
        EXPECT_TRUE(
            test::Refused(ReadParcelArea(plan, "AL1"), "Get area from polygons file error", part));
}

// The model keeps every byte a user wrote: lines before the first heading, blank and note
// lines among the points, either line end and a last line left unended.
TEST(PolygonsModel, WritesBackTheSameBytes) {
    const std::string cases[] = {
        kPolygons,
        "\"AL1\",10,\"C\"\n1\n\n  \nPM7\nnote\n\"AL1\",20,\"A\"\n3",
        "stray\r\n5\r\n\"EA1\",0,\"C\"\r\n\r\n",
        "",
    };
    for (const std::string& content : cases) {
        auto model = ParsePolygonsContent(content, "plan.ply");
        ASSERT_TRUE(model.ok()) << content;
        EXPECT_EQ(PolygonsContent(model.value()), content);
    }
    PlanTestDir dir;
    dir.write("plan.ply", cases[1]);
    auto read = ReadPolygons(dir.path("plan.ply"));
    ASSERT_TRUE(read.ok());
    ASSERT_TRUE(WritePolygons(dir.path("copy.ply"), read.value()));
    EXPECT_EQ(dir.read("copy.ply"), cases[1]);
}

TEST(PolygonsModel, ParcelsAreTypedAndFoundByTheirFirstHeading) {
    auto model = ParsePolygonsContent(
        "9\r\n\"AL12\",1234.5,\"D\"\r\n101\r\n\r\nPM1\r\n101\r\n\"AL12\",7,\"C\"\r\n5\r\n",
        "plan.ply");
    ASSERT_TRUE(model.ok());
    const PolygonsModel& m = model.value();
    EXPECT_EQ(m.Leading, std::vector<std::string>{"9"});
    ASSERT_EQ(m.Parcels.size(), 2u);
    const PolygonParcel* al12 = m.find("AL12");
    ASSERT_EQ(al12, &m.Parcels[0]);
    EXPECT_EQ(al12->Type, "Allotment");
    EXPECT_EQ(al12->AreaText, "1234.5");
    EXPECT_DOUBLE_EQ(al12->Area, 1234.5);
    EXPECT_EQ(al12->AreaCode, "D");
    EXPECT_EQ(al12->HeadingLine, 2u);
    EXPECT_EQ(m.Parcels[1].HeadingLine, 7u);
    // A blank line is no corner; a mark label is one.
    EXPECT_EQ(al12->Points(), (std::vector<std::int32_t>{101, PointLabelToNumber("PM1"), 101}));
    EXPECT_EQ(m.find("al12"), nullptr);
    // A refused file gives the check's message.
    EXPECT_TRUE(test::Refused(ParsePolygonsContent("\"AL1\",5,\"C\"\r\n12.5\r\n", "plan.ply"), "",
                              "Line 2 "));
}

// A polygons file that cannot be read is an error, never "no such parcel": a parcel taken
// for new would be appended as a second copy of one already stored.
TEST(PolygonsFile, AnUnreadableFileIsNotAPlanWithoutTheParcel) {
    PlanTestDir dir;
    dir.write("plan.ply/x", "a folder in the way");
    EXPECT_TRUE(test::Refused(ParcelExists(dir.path("plan"), "AL12"), kLoadParcelTitle,
                              "plan.ply: it is a folder"));
}

// A file whose headings or points cannot be read as they stand is refused by every reader,
// naming the line, never read as a parcel without a name or a point 0.
TEST(PolygonsFile, MalformedHeadingsAndPointsAreRefusedEverywhere) {
    PlanTestDir dir;
    const std::string plan = dir.path("plan");
    const std::string longName(200, 'X');
    const std::pair<std::string, std::string> cases[] = {
        {Replaced("\"EA1\",56.25,\"A\"", "\"AL1,100,C"), "Line 11 "},
        {Replaced("\"EA1\",56.25,\"A\"", "\""), "malformed parcel heading"},
        {Replaced("4444003", "99999999999999999999"), "\"99999999999999999999\" is not a whole"},
        {Replaced("4444003", "12.5"), "Line 9 "},
        {Replaced("4444003", "7x"), "Line 9 "},
        {Replaced("1234.5", std::string(400, '9')), "the area"},
        {Replaced("1234.5", "-5"), "the area \"-5\""},
        {Replaced("\"EA1\",56.25,\"A\"", "\"" + longName), longName.substr(0, 79)},
    };
    for (const auto& [content, mentions] : cases) {
        SCOPED_TRACE(content.substr(0, 120));
        dir.write("plan.ply", content);
        EXPECT_TRUE(test::Refused(ParcelIdentifiers(plan), "", mentions));
        EXPECT_TRUE(test::Refused(ReadParcelArea(plan, "AL12"), "Get area from polygons file error",
                                  "plan.ply"));
        EXPECT_TRUE(test::Refused(ParcelExists(plan, "AL12"), kLoadParcelTitle, "plan.ply"));
        EXPECT_FALSE(UpdateParcelEntry(plan, "AL12", "AL12", 5, "C"));
        EXPECT_EQ(dir.read("plan.ply"), content); // nothing rewritten
        // The quoted line is cut to its first 80 characters.
        EXPECT_EQ(ParcelIdentifiers(plan).error().message.find(longName.substr(0, 81)),
                  std::string::npos);
    }
    // Text lines and blank lines stand, as the readers have always taken them.
    dir.write("plan.ply", std::string(kPolygons) + "\r\nnotes\r\n");
    EXPECT_TRUE(ParcelIdentifiers(plan));
    // No heading is written with an area it could not read back.
    dir.write("plan.ply", kPolygons);
    for (double bad : {-1.0, kMaxArea * 2, std::nan("")})
        EXPECT_TRUE(test::Refused(UpdateParcelEntry(plan, "AL12", "AL12", bad, "C"),
                                  "Replace parcel heading error", "cannot be stored"));
    EXPECT_EQ(dir.read("plan.ply"), kPolygons);
}

// A code of C, A or D writes a new heading; any other code renames only, keeping the stored
// area and code. The file is rewritten in place through its backup, whatever its case.
TEST(UpdateParcelEntry, NewHeadingOrRenameThroughTheBackup) {
    PlanTestDir dir;
    const std::string plan = dir.path("plan");
    EXPECT_TRUE(test::Refused(UpdateParcelEntry(plan, "AL1", "AL1", 5, "C"), "Make backup error"));
    EXPECT_TRUE(dir.names().empty());

    dir.write("PLAN.PLY", kPolygons);
    dir.write("PLAN.~LY", "an older backup\r\n");
    ASSERT_TRUE(UpdateParcelEntry(plan, "AL12", "AL12", 1300.25, "C").ok());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"PLAN.PLY", "PLAN.~LY"}));
    EXPECT_EQ(dir.read("PLAN.PLY"), Replaced("\"AL12\",1234.5,\"C\"", "\"AL12\",1300.25,\"C\""));
    EXPECT_EQ(dir.read("PLAN.~LY"), kPolygons);
    dir.write("PLAN.PLY", kPolygons);
    ASSERT_TRUE(UpdateParcelEntry(plan, "AL13", "AL12", 2000, "D").ok());
    EXPECT_EQ(dir.read("PLAN.PLY"), Replaced("\"AL12\",1234.5,\"C\"", "\"AL13\",2000,\"D\""));
    dir.write("PLAN.PLY", kPolygons);
    ASSERT_TRUE(UpdateParcelEntry(plan, "LT7", "EA1", 0, "X").ok());
    EXPECT_EQ(dir.read("PLAN.PLY"), Replaced("\"EA1\"", "\"LT7\""));
    dir.write("PLAN.PLY", "\"AL1\",10,\"C\"\n1\n2\n1\n"); // LF file: written with CR LF
    ASSERT_TRUE(UpdateParcelEntry(plan, "AL2", "AL1", 0, "").ok());
    EXPECT_EQ(dir.read("PLAN.PLY"), "\"AL2\",10,\"C\"\r\n1\r\n2\r\n1\r\n");
}

} // namespace
} // namespace corvane

#include "core/curves.h"

#include "core/closure.h"
#include "core/numtext.h"
#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// ---- Records -----------------------------------------------------------------------------

TEST(CurveRecords, WrittenAndReadInTheFileForm) {
    CurveRecord r{101, 102, "R", 45.302, 999};
    EXPECT_EQ(FormatCurveRecord(r), "101,102,\"R\",45.302,999");
    EXPECT_EQ(FormatCurveRecord({4444123, 7, "L", 999, 315.5959}), "4444123,7,\"L\",999,315.5959");

    for (const char* text : {"101,102,\"R\",45.302,999", " 101 , 102 , \"R\" , 45.3020 , 999 ",
                             "101,102,R,45.302,999"}) {
        auto parsed = ParseCurveRecord(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->FromPoint, 101);
        EXPECT_EQ(parsed->ToPoint, 102);
        EXPECT_EQ(parsed->Direction, "R");
        EXPECT_EQ(parsed->TangentBearing, 45.302);
        EXPECT_EQ(parsed->ChordBearing, 999);
    }
}

TEST(CurveRecords, NotRecords) {
    for (const char* text :
         {"101,102,\"R\",45.302", "101,102,\"R\",45.302,999,1", "101,x,\"R\",45.302,999",
          "101,102,\"R\",abc,999", "101,102,\"R\",45.302,", "99999999999,1,\"R\",0,999", "\"R\""})
        EXPECT_FALSE(ParseCurveRecord(text)) << text;
}

TEST(CurveRecords, AFileWithABadLineIsRefusedNamingTheLine) {
    auto ok = ParseCurves({"1,2,\"R\",90,999", "", "  ", "3,4,\"L\",999,45"}, "p.cve");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok.value().size(), 2u);

    auto bad = ParseCurves({"1,2,\"R\",90,999", "3,4,\"L\",999"}, "p.cve");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("Line 2 of p.cve"), std::string::npos);
}

TEST(CurveTable, FirstRecordOfThePairEitherWay) {
    CurveTable curves({{102, 105, "R", 1, 999}, // shares a point with 101-102 only
                       {102, 101, "L", 2, 999}, // 101-102 stored backwards
                       {101, 102, "R", 3, 999}, // a later record of the same pair
                       {7, 7, "R", 4, 999}});
    auto m = curves.Find(101, 102);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Record->TangentBearing, 2);
    EXPECT_FALSE(m->Forwards);
    m = curves.Find(102, 101);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Record->TangentBearing, 2);
    EXPECT_TRUE(m->Forwards);
    EXPECT_FALSE(curves.Find(101, 105));
    EXPECT_FALSE(curves.Find(105, 101));
    EXPECT_TRUE(curves.Find(7, 7)->Forwards);
}

TEST(CurveDirection, TurnsTheOtherWayWhenStoredBackwards) {
    CurveTable none;
    EXPECT_EQ(CurveDirection(101, 102, none), "R");
    CurveTable curves({{101, 102, "R", 90, 999}, {201, 202, "L", 90, 999}, {301, 302, "x", 0, 0}});
    EXPECT_EQ(CurveDirection(101, 102, curves), "R");
    EXPECT_EQ(CurveDirection(102, 101, curves), "L");
    EXPECT_EQ(CurveDirection(201, 202, curves), "L");
    EXPECT_EQ(CurveDirection(202, 201, curves), "R");
    EXPECT_EQ(CurveDirection(301, 302, curves), "R");
    EXPECT_EQ(CurveDirection(302, 301, curves), "L");
    EXPECT_EQ(CurveDirection(101, 103, curves), "R");
}

// ---- Loading an arc ----------------------------------------------------------------------

TEST(LoadCurve, QuarterCircleFromItsTangent) {
    CurveTable curves({{101, 102, "R", 0, 999}});
    CurveData c = LoadCurve(101, 102, "R10.000", "15.708", curves);
    EXPECT_EQ(c.FromPoint, "101");
    EXPECT_EQ(c.ToPoint, "102");
    EXPECT_EQ(c.Radius, "10.000");
    EXPECT_EQ(c.Arc, "15.708");
    EXPECT_EQ(c.Direction, "R");
    EXPECT_EQ(c.TangentBearing, "0.0000");
    EXPECT_EQ(c.ChordBearing, "45.0000");
    EXPECT_EQ(Format(ChordLength("R" + c.Radius, c.Arc), "0.000"), "14.142");

    // The lines file's form of the same arc.
    CurveData f = LoadCurve(101, 102, 1010.0, 15.708, curves);
    EXPECT_EQ(f.Radius, "10.000");
    EXPECT_EQ(f.ChordBearing, "45.0000");
}

TEST(LoadCurve, EachStoredFormGivesTheSameChordEitherWay) {
    // A quarter circle from 101 to 102 turning right, tangent 90 at 101: chord 135, and
    // from 102 back to 101 it turns left with chord 315 (tangent 180 at 102, so 0 back).
    // The arc length is a quarter of the circumference to a fraction of a second of arc,
    // so that a tangent carried the whole way round stays on the second.
    const char* arc = "15.70796";
    struct Case {
        const char* name;
        CurveRecord record;
    };
    const Case cases[] = {
        {"tangent forwards", {101, 102, "R", 90, 999}},
        {"chord forwards", {101, 102, "R", 999, 135}},
        {"tangent backwards", {102, 101, "L", 0, 999}},
        {"chord backwards", {102, 101, "L", 999, 315}},
    };
    for (const Case& k : cases) {
        CurveTable curves({k.record});
        CurveData there = LoadCurve(101, 102, "R10.000", arc, curves);
        EXPECT_EQ(there.Direction, "R") << k.name;
        EXPECT_EQ(there.ChordBearing, "135.0000") << k.name;
        CurveData back = LoadCurve(102, 101, "R10.000", arc, curves);
        EXPECT_EQ(back.Direction, "L") << k.name;
        EXPECT_EQ(back.ChordBearing, "315.0000") << k.name;
    }
    // The tangent at the asked end, carried along the arc from the stored end.
    CurveTable stored({{102, 101, "L", 0, 999}});
    EXPECT_EQ(LoadCurve(101, 102, "R10.000", arc, stored).TangentBearing, "90.0000");
    CurveTable storedRight({{101, 102, "R", 90, 999}});
    EXPECT_EQ(LoadCurve(102, 101, "R10.000", arc, storedRight).TangentBearing, "0.0000");
}

TEST(LoadCurve, LeftHandArcFromItsTangent) {
    CurveTable curves({{101, 102, "L", 90, 999}});
    CurveData c = LoadCurve(101, 102, "R10.000", "15.708", curves);
    EXPECT_EQ(c.Direction, "L");
    EXPECT_TRUE(c.Left());
    EXPECT_EQ(c.ChordBearing, "45.0000");
}

TEST(LoadCurve, NoChordBearing) {
    struct Case {
        const char* name;
        std::vector<CurveRecord> records;
        const char* radius;
        const char* arc;
    };
    const Case cases[] = {
        {"no curve record", {}, "R10.000", "15.708"},
        {"neither bearing stored", {{101, 102, "R", 999, 999}}, "R10.000", "15.708"},
        {"neither bearing stored, backwards", {{102, 101, "R", 999, 999}}, "R10.000", "15.708"},
        {"no radius and no arc", {{101, 102, "R", 90, 999}}, "R0", "0"},
        {"no radius to carry the tangent", {{101, 102, "R", 90, 999}}, "R0", "15.708"},
    };
    for (const Case& k : cases) {
        CurveData c = LoadCurve(101, 102, k.radius, k.arc, CurveTable(k.records));
        EXPECT_FALSE(c.HasChordBearing()) << k.name << ": " << c.ChordBearing;
        EXPECT_EQ(c.ChordBearing.find("999"), std::string::npos) << k.name;
    }
    // Without a record the arc turns right and shows only what the grid gave.
    CurveData c = LoadCurve(5, 6, "R12.5", "7", CurveTable());
    EXPECT_EQ(c.Direction, "R");
    EXPECT_EQ(c.Radius, "12.500");
    EXPECT_EQ(c.Arc, "7.000");
    EXPECT_EQ(c.TangentBearing, "");
}

TEST(CurveFile, ReadWhateverItsCaseAndMissingIsEmpty) {
    test::PlanTestDir dir;
    auto none = ReadCurveFile(dir.path("plan"));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none.value().Records().empty());

    dir.write("PLAN.CVE", "1,2,\"R\",90,999\r\n");
    auto read = ReadCurveFile(dir.path("plan"));
    ASSERT_TRUE(read);
    ASSERT_EQ(read.value().Records().size(), 1u);

    dir.write("PLAN.CVE", "1,2,\"R\",90\r\n");
    EXPECT_FALSE(ReadCurveFile(dir.path("plan")));
}

// ---- Storing an arc ----------------------------------------------------------------------

CurveEntry entry(const char* from, const char* to, bool left, const char* tangent,
                 const char* chord) {
    return CurveEntry{from, to, left, tangent, chord};
}

TEST(CurveFile, AppendKeepsTheChordWhenBothBearingsAreGiven) {
    struct Case {
        CurveEntry entry;
        const char* line;
    };
    const Case cases[] = {
        {entry("101", "102", false, "90", "135"), "101,102,\"R\",999,135.0000"},
        {entry("101", "102", true, "", "-45"), "101,102,\"L\",999,225.0000"},
        {entry("101", "102", false, "90.3", ""), "101,102,\"R\",90.3000,999"},
        {entry("101", "102", false, "", ""), "101,102,\"R\",999,999"},
    };
    for (const Case& c : cases) {
        test::PlanTestDir dir;
        ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), c.entry));
        EXPECT_EQ(dir.read("plan.cve"), std::string(c.line) + "\r\n");
        EXPECT_FALSE(dir.exists("plan.~ve"));
    }
    test::PlanTestDir dir;
    ASSERT_TRUE(Append2Curve(dir.path("plan"), entry("1", "2", false, "10", "")));
    ASSERT_TRUE(Append2Curve(dir.path("plan"), entry("3", "4", true, "", "20")));
    EXPECT_EQ(dir.read("plan.cve"), "1,2,\"R\",10.0000,999\r\n3,4,\"L\",999,20.0000\r\n");
}

TEST(CurveFile, ReplaceKeepsOtherRecordsAndTheBackup) {
    test::PlanTestDir dir;
    const std::string before = "1,2,\"R\",10,999\r\n"
                               "102,101,\"R\",45.302,999\r\n"
                               "3,4,\"L\",999,20.5\r\n";
    dir.write("PLAN.CVE", before);
    // The arc stored as 102-101 is replaced in the window's order; with both bearings
    // given the tangent is kept.
    ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), entry("101", "102", true, "-10", "135")));
    EXPECT_EQ(dir.read("PLAN.CVE"), "1,2,\"R\",10,999\r\n"
                                    "101,102,\"L\",190,999\r\n"
                                    "3,4,\"L\",999,20.5\r\n");
    EXPECT_EQ(dir.read("PLAN.~VE"), before);

    // A pair not in the file is added at the end, chord only.
    ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), entry("5", "6", false, "", "45.3020")));
    EXPECT_EQ(dir.read("PLAN.CVE"), "1,2,\"R\",10,999\r\n"
                                    "101,102,\"L\",190,999\r\n"
                                    "3,4,\"L\",999,20.5\r\n"
                                    "5,6,\"R\",999,45.302\r\n");
}

TEST(CurveFile, AMalformedCurveFileIsNotRewritten) {
    test::PlanTestDir dir;
    const std::string before = "1,2,\"R\",10,999\r\nnot a record\r\n";
    dir.write("plan.cve", before);
    Status s = UpdateCurveFile(dir.path("plan"), entry("1", "2", false, "20", ""));
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().title, "Replace curve data error");
    EXPECT_EQ(dir.read("plan.cve"), before);
}

} // namespace
} // namespace corvane

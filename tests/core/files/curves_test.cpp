#include "core/files/curves.h"

#include "core/base/numtext.h"
#include "core/geometry/closure.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CurveRecords, FileFormReadAndWritten) {
    EXPECT_EQ(FormatCurveRecord({4444123, 7, "L", 999, 315.5959}), "4444123,7,\"L\",999,315.5959");
    for (const char* text : {"101,102,\"R\",45.302,999", " 101 , 102 , R , 45.3020 , 999 "}) {
        auto parsed = ParseCurveRecord(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(FormatCurveRecord(*parsed), "101,102,\"R\",45.302,999");
    }
    for (const std::string& text : std::vector<std::string>{
             "101,102,\"R\",45.302", "101,102,\"R\",45.302,999,1", "101,102,\"R\",abc,999",
             "99999999999,1,\"R\",0,999",
             // figures no double holds or no bearing can be
             "1,2,\"R\"," + std::string(400, '9') + ",999", "1,2,\"R\",999,1000",
             "1,2,\"R\",-360.5,999", std::string(400, '9') + ",2,\"R\",999,999"})
        EXPECT_FALSE(ParseCurveRecord(text)) << text;

    auto ok = ParseCurves({"1,2,\"R\",90,999", "  ", "3,4,\"L\",999,45"}, "p.cve");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok.value().size(), 2u);
    auto bad = ParseCurves({"1,2,\"R\",90,999", "3,4,\"L\",999"}, "p.cve");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("Line 2 of p.cve"), std::string::npos);
    EXPECT_NE(bad.error().message.find("\"3,4,\"L\",999\""), std::string::npos);
}

// The writers never store a bearing the reader refuses: the record is refused instead and
// the file stays as it was.
TEST(CurveFile, BearingsTheReaderRefusesAreNeverWritten) {
    test::PlanTestDir dir;
    const std::string nines(400, '9');
    for (const CurveEntry& entry :
         {CurveEntry{"1", "2", false, "5000", ""}, CurveEntry{"1", "2", false, "", nines},
          CurveEntry{"1", "2", false, "", "-" + nines}}) {
        EXPECT_TRUE(test::Refused(Append2Curve(dir.path("plan"), entry), "Append curve data error",
                                  "not a bearing"));
        EXPECT_FALSE(dir.exists("plan.cve"));
    }
    ASSERT_TRUE(Append2Curve(dir.path("plan"), {"1", "2", false, "999", ""}));
    ASSERT_TRUE(ReadCurveFile(dir.path("plan")));
    const std::string stored = dir.read("plan.cve");
    EXPECT_TRUE(test::Refused(UpdateCurveFile(dir.path("plan"), {"1", "2", true, nines, ""}),
                              "Replace curve data error"));
    EXPECT_EQ(dir.read("plan.cve"), stored);
}

TEST(CurveTable, FirstRecordOfThePairEitherWayAndItsTurn) {
    CurveTable curves({{102, 105, "R", 1, 999}, // shares a point with 101-102 only
                       {102, 101, "L", 2, 999}, // 101-102 stored backwards
                       {101, 102, "R", 3, 999}, // a later record of the same pair
                       {301, 302, "x", 0, 0}});
    auto m = curves.Find(101, 102);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Record->TangentBearing, 2);
    EXPECT_FALSE(m->Forwards);
    EXPECT_TRUE(curves.Find(102, 101)->Forwards);
    EXPECT_FALSE(curves.Find(101, 105));
    // The turn as travelled; an unknown turn counts as right, no record turns right.
    const std::tuple<int, int, const char*> turns[] = {
        {102, 105, "R"}, {105, 102, "L"}, {101, 102, "R"}, {102, 101, "L"},
        {301, 302, "R"}, {302, 301, "L"}, {101, 103, "R"}};
    for (const auto& [from, to, turn] : turns)
        EXPECT_EQ(CurveDirection(from, to, curves), turn) << from << "-" << to;
}

// Everything the curve window shows of an arc.
std::string shown(const CurveData& c) {
    return c.FromPoint + "-" + c.ToPoint + " R" + c.Radius + " A" + c.Arc + " " + c.Direction +
           " T" + c.TangentBearing + " C" + c.ChordBearing;
}

TEST(LoadCurve, QuarterCircleOfRadiusTenAndArcsWithoutAChordBearing) {
    const CurveTable right({{101, 102, "R", 0, 999}}), left({{101, 102, "L", 90, 999}});
    EXPECT_EQ(shown(LoadCurve(101, 102, "R10.000", "15.708", right)),
              "101-102 R10.000 A15.708 R T0.0000 C45.0000");
    EXPECT_EQ(shown(LoadCurve(101, 102, 1010.0, 15.708, right)), // the lines file's form
              "101-102 R10.000 A15.708 R T0.0000 C45.0000");
    EXPECT_EQ(LoadCurve(101, 102, "R10.000", "15.708", left).ChordBearing, "45.0000");
    EXPECT_TRUE(LoadCurve(101, 102, "R10.000", "15.708", left).Left());
    EXPECT_EQ(Format(ChordLength("R10.000", "15.708"), "0.000"), "14.142");

    // No bearing stored, or no radius to carry the tangent: no chord bearing.
    const std::tuple<std::vector<CurveRecord>, const char*, const char*> cases[] = {
        {{}, "R10.000", "15.708"},
        {{{102, 101, "R", 999, 999}}, "R10.000", "15.708"},
        {{{101, 102, "R", 90, 999}}, "R0", "0"},
        {{{101, 102, "R", 90, 999}}, "R0", "15.708"}};
    for (const auto& [records, radius, arc] : cases) {
        CurveData c = LoadCurve(101, 102, radius, arc, CurveTable(records));
        EXPECT_FALSE(c.HasChordBearing()) << radius << " " << c.ChordBearing;
    }
    // Without a record the arc turns right and shows only what the grid gave.
    EXPECT_EQ(shown(LoadCurve(5, 6, "R12.5", "7", CurveTable())), "5-6 R12.500 A7.000 R T C");
}

TEST(LoadCurve, EachStoredFormGivesTheSameChordEitherWay) {
    // Quarter circle 101→102 turning right, tangent 90 at 101: chord 135; back from 102 it
    // turns left, chord 315. The arc length is exact to a fraction of a second of arc.
    const char* arc = "15.70796";
    const CurveRecord records[] = {{101, 102, "R", 90, 999},   // tangent forwards
                                   {101, 102, "R", 999, 135},  // chord forwards
                                   {102, 101, "L", 0, 999},    // tangent backwards
                                   {102, 101, "L", 999, 315}}; // chord backwards
    for (const CurveRecord& record : records) {
        CurveTable curves({record});
        CurveData there = LoadCurve(101, 102, "R10.000", arc, curves);
        CurveData back = LoadCurve(102, 101, "R10.000", arc, curves);
        EXPECT_EQ(there.Direction + " " + there.ChordBearing, "R 135.0000")
            << FormatCurveRecord(record);
        EXPECT_EQ(back.Direction + " " + back.ChordBearing, "L 315.0000")
            << FormatCurveRecord(record);
    }
    // The tangent at the asked end, carried along the arc from the stored end.
    EXPECT_EQ(LoadCurve(101, 102, "R10.000", arc, CurveTable({records[2]})).TangentBearing,
              "90.0000");
    EXPECT_EQ(LoadCurve(102, 101, "R10.000", arc, CurveTable({records[0]})).TangentBearing,
              "0.0000");
}

TEST(CurveFile, AppendKeepsTheChordWhenBothBearingsAreGiven) {
    const std::pair<CurveEntry, const char*> cases[] = {
        {{"101", "102", false, "90", "135"}, "101,102,\"R\",999,135.0000"},
        {{"101", "102", true, "", "-45"}, "101,102,\"L\",999,225.0000"},
        {{"101", "102", false, "90.3", ""}, "101,102,\"R\",90.3000,999"},
        {{"101", "102", false, "", ""}, "101,102,\"R\",999,999"}};
    for (const auto& [entry, line] : cases) {
        test::PlanTestDir dir;
        ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), entry));
        EXPECT_EQ(dir.read("plan.cve"), std::string(line) + "\r\n");
        EXPECT_FALSE(dir.exists("plan.~ve"));
    }
    test::PlanTestDir dir;
    ASSERT_TRUE(Append2Curve(dir.path("plan"), {"1", "2", false, "10", ""}));
    ASSERT_TRUE(Append2Curve(dir.path("plan"), {"3", "4", true, "", "20"}));
    EXPECT_EQ(dir.read("plan.cve"), "1,2,\"R\",10.0000,999\r\n3,4,\"L\",999,20.0000\r\n");
}

TEST(CurveFile, ReplaceKeepsTheTangentOtherRecordsAndTheBackup) {
    test::PlanTestDir dir;
    const std::string before = "1,2,\"R\",10,999\r\n"
                               "102,101,\"R\",45.302,999\r\n"
                               "3,4,\"L\",999,20.5\r\n";
    dir.write("PLAN.CVE", before);
    // The arc stored as 102-101 is replaced in the window's order.
    ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), {"101", "102", true, "-10", "135"}));
    const std::string replaced = "1,2,\"R\",10,999\r\n"
                                 "101,102,\"L\",190,999\r\n"
                                 "3,4,\"L\",999,20.5\r\n";
    EXPECT_EQ(dir.read("PLAN.CVE"), replaced);
    EXPECT_EQ(dir.read("PLAN.~VE"), before);
    // A pair not in the file is added at the end, chord only.
    ASSERT_TRUE(UpdateCurveFile(dir.path("plan"), {"5", "6", false, "", "45.3020"}));
    EXPECT_EQ(dir.read("PLAN.CVE"), replaced + "5,6,\"R\",999,45.302\r\n");

    // A malformed curve file is not rewritten.
    const std::string malformed = "1,2,\"R\",10,999\r\nnot a record\r\n";
    dir.write("PLAN.CVE", malformed);
    Result<void> s = UpdateCurveFile(dir.path("plan"), {"1", "2", false, "20", ""});
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().title, "Replace curve data error");
    EXPECT_EQ(dir.read("PLAN.CVE"), malformed);
}

} // namespace
} // namespace corvane

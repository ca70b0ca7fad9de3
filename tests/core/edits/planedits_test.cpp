#include "core/cli/plancheck.h"
#include "core/edits/planedits.h"
#include "core/files/linesfile.h"
#include "core/files/planlock.h"
#include "core/geometry/plancoords.h"
#include "tests/core/plantestdir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace corvane {
namespace {

PlanState LoadedPlan(const test::PlanTestDir& dir, const std::string& lines) {
    dir.write("P1.lns", lines);
    PlanState plan;
    plan.PlanPath = dir.path("P1");
    EXPECT_TRUE(LoadLines(plan));
    return plan;
}

TEST(PlanEdits, DatumSwingTurnsLinesAndCurvesAndWrapsRound) {
    test::PlanTestDir dir;
    PlanState plan = LoadedPlan(dir, "1,2,0.0010,10.000\r\n2,3,999.0000,5.000\r\n"
                                     "3,4,1020.0000,12.000\r\n4,5,359.5950,3.000\r\n");
    dir.write("P1.cve", "3,4,\"L\",0.0010,999\r\n");
    ASSERT_TRUE(SwingDatumBearing(plan, "-0.0030"));
    EXPECT_DOUBLE_EQ(plan.PlanLines[0].Bearing, 359.594);
    EXPECT_EQ(plan.PlanLines[1].Bearing, 999.0);  // no bearing stays none
    EXPECT_EQ(plan.PlanLines[2].Bearing, 1020.0); // an arc's radius is no bearing
    EXPECT_DOUBLE_EQ(plan.PlanLines[3].Bearing, 359.592);
    EXPECT_EQ(dir.read("P1.lns").substr(0, 18), "1,2,359.5940,10.00");
    // The arc's tangent turns with the lines; its old record is kept in the backup.
    EXPECT_NE(dir.read("P1.cve").find("359.594"), std::string::npos);
    EXPECT_NE(dir.read("P1.~ve").find("0.001"), std::string::npos);
    EXPECT_EQ(SwingDatumBearing(plan, "1.7000").error().message, "Bearing format incorrect");

    // A lines file that cannot be written puts the curve file back and changes nothing.
    const std::string lines = dir.read("P1.lns"), curves = dir.read("P1.cve");
    plan.PlanLines[1].Distance = 2e7; // beyond what the file may hold
    EXPECT_FALSE(SwingDatumBearing(plan, "1.0000"));
    EXPECT_EQ(dir.read("P1.lns"), lines);
    EXPECT_EQ(dir.read("P1.cve"), curves);
    EXPECT_DOUBLE_EQ(plan.PlanLines[0].Bearing, 359.594);
}

TEST(PlanEdits, RescaleScalesArcsAndChangesNothingWhenItCannotWrite) {
    test::PlanTestDir dir;
    PlanState plan = LoadedPlan(dir, "1,2,45.0000,100.000\r\n2,3,1020.0000,10.000\r\n");
    ASSERT_TRUE(RescaleDistanceUnits(plan, 0.3048));
    EXPECT_DOUBLE_EQ(plan.PlanLines[0].Distance, 30.48);
    EXPECT_DOUBLE_EQ(plan.PlanLines[1].Bearing, 1000 + 20 * 0.3048);
    EXPECT_NE(dir.read("P1.lns").find("1,2,45.0000,30.480"), std::string::npos);

    const std::string before = dir.read("P1.lns");
    const auto lines = plan.PlanLines;
    for (double factor : {0.0, -1.0})
        EXPECT_FALSE(RescaleDistanceUnits(plan, factor));
    // A factor the file could not hold is refused by the writer: file and memory unchanged.
    EXPECT_FALSE(RescaleDistanceUnits(plan, 1e9));
    EXPECT_EQ(dir.read("P1.lns"), before);
    EXPECT_EQ(plan.PlanLines[0].Distance, lines[0].Distance);
}

TEST(PlanEdits, DoubleLinesByPairAndByClassedBearing) {
    const std::vector<LineRecord> lines = {{1, 2, 10.0, 5.0, 0}, {2, 1, 99.0, 5.0, 0},
                                           {5, 6, 30.0, 5.0, 0}, {5, 7, 30.0, 8.0, 0},
                                           {5, 8, 30.0, 9.0, 0}, {9, 5, 210.0, 2.0, 0}};
    // 5-6 and 5-7 bound AL1; 5-8 only an easement; 9-5 bounds AL2 and runs back along 5-6.
    const std::vector<std::string> polygons = {
        "\"AL1\",1,\"C\"", "6", "5", "7", "6", "\"EA1\",1,\"C\"", "5", "8", "5",
        "\"AL2\",1,\"C\"", "9", "5", "9"};
    DoubleLines found = FindDoubleLines(lines, polygons);
    EXPECT_EQ(found.Count, 4); // 1-2/2-1, 5-6/5-7, 5-6/9-5, 5-7/9-5
    ASSERT_EQ(found.Reports.size(), 3u);
    EXPECT_EQ(found.Reports[0].Text(), "Double lines found\n1 to 2\n2 to 1");
    EXPECT_EQ(found.Reports[1].Text(), "Double lines found\n5 to 6\n9 to 5"); // its last
    // Without polygons only the same pair twice counts; the plan's lines are not classed.
    EXPECT_EQ(FindDoubleLines(lines, {}).Count, 1);
    EXPECT_EQ(lines[2].Style, 0);
}

// The double-line check as a comparison of every line with every later one: the reference
// the hashed check must agree with, pair for pair.
DoubleLines ComparingEveryPair(const std::vector<LineRecord>& lines,
                               const std::vector<std::string>& polygons) {
    std::vector<LineRecord> c = lines;
    PrepareLineStyles(c, polygons);
    DoubleLines result;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const int before = result.Count;
        DoubleLineReport last;
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            const LineRecord &p = c[i], &q = c[j];
            bool found = (p.FromPoint == q.FromPoint && p.ToPoint == q.ToPoint) ||
                         (p.FromPoint == q.ToPoint && p.ToPoint == q.FromPoint);
            const bool valid = (p.Style == 2 && q.Style == 2) || (p.Style == 3 && q.Style == 3);
            if (!found && p.Bearing <= 360 && valid) {
                double rb = q.Bearing + 180;
                if (rb >= 360)
                    rb -= 360;
                found = (p.FromPoint == q.FromPoint && p.Bearing == q.Bearing) ||
                        (p.ToPoint == q.ToPoint && p.Bearing == q.Bearing) ||
                        (p.FromPoint == q.ToPoint && p.Bearing == rb) ||
                        (p.ToPoint == q.FromPoint && p.Bearing == rb);
            }
            if (found) {
                ++result.Count;
                last = {p.FromPoint, p.ToPoint, q.FromPoint, q.ToPoint};
            }
        }
        if (result.Count > before)
            result.Reports.push_back(last);
    }
    return result;
}

TEST(PlanEdits, HashedDoubleLineCheckFindsWhatComparingEveryPairFinds) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&random](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        // Few points and few bearings, so reversed, repeated and overlapping lines abound.
        std::vector<LineRecord> lines;
        for (int k = 0; k < 80; ++k) {
            const double bearings[] = {0.0, 45.0, 90.0, 180.0, 225.0, 270.0, 999.0, 1020.0, 500.0};
            lines.push_back({pick(1, 12), pick(1, 12), bearings[pick(0, 8)], 5.0, 0});
        }
        std::vector<std::string> polygons;
        for (int parcel = 0; parcel < 6; ++parcel) {
            const char* types[] = {"AL", "EA", "CO", "RD"};
            polygons.push_back("\"" + std::string(types[pick(0, 3)]) + std::to_string(parcel) +
                               "\",1,\"C\"");
            for (int corner = 0; corner < 4; ++corner)
                polygons.push_back(std::to_string(pick(1, 12)));
        }
        for (const auto& poly : {polygons, std::vector<std::string>{}}) {
            const DoubleLines fast = FindDoubleLines(lines, poly);
            const DoubleLines every = ComparingEveryPair(lines, poly);
            ASSERT_EQ(fast.Count, every.Count) << seed;
            ASSERT_EQ(fast.Reports.size(), every.Reports.size()) << seed;
            for (std::size_t r = 0; r < fast.Reports.size(); ++r)
                ASSERT_EQ(fast.Reports[r].Text(), every.Reports[r].Text()) << seed;
        }
    }
}

TEST(PlanEdits, PointErrorsWithinAGroupOnly) {
    // 3 - 4 measured 10 m, but the chain through 5 puts them 25 m apart.
    std::vector<LineRecord> lines = {
        {3, 5, 90.0, 12.5, 0}, {5, 4, 90.0, 12.5, 0},  {3, 4, 90.0, 10.0, 0}, {3, 6, 0.0, 19.9, 0},
        {6, 7, 90.0, 9.96, 0}, {3, 7, 0.0, 11.2, 0},   // 22.25 apart: within twice
        {20, 21, 0.0, 5.0, 0},                         // a second group
        {21, 22, 0.0, 5.0, 0}, {22, 3, 999.0, 1.0, 0}, // across groups: not compared
        {3, 8, 0.0, 12.5, 0},  {8, 9, 0.0, 12.5, 0},   // 3 and 9 share their easting
        {9, 3, 180.0, 10.0, 0}};
    auto points = BuildPlanCoordinates(lines, CurveTable{});
    auto errors = FindPointErrors(lines, points);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].Text(), "Point error detected in line\n3 to 4");
    EXPECT_EQ(errors[1].Text(), "Point error detected in line\n9 to 3");
}

TEST(PlanEdits, ParcelsUsingAPointAndTheCommandLineChecks) {
    const std::vector<std::string> polygons = {"\"AL1\",1,\"C\"", "1", "2", "3", "1",
                                               "\"AL2\",1,\"C\"", "3", "4", "3"};
    EXPECT_EQ(ParcelsUsingPoint(polygons, 1), (std::vector<std::string>{"AL1"}));
    EXPECT_EQ(ParcelsUsingPoint(polygons, 3), (std::vector<std::string>{"AL1", "AL2"}));
    EXPECT_TRUE(ParcelsUsingPoint(polygons, 9).empty());

    test::PlanTestDir dir;
    dir.write("P1.lns", "1,2,10.0000,5.000\r\n2,1,190.0000,5.000\r\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandMode({"--doubles", dir.path("P1.lns")}, out, err), 1);
    EXPECT_NE(out.str().find("1 to 2\n2 to 1"), std::string::npos);
    std::ostringstream out2, err2;
    EXPECT_EQ(RunCommandMode({"--point-errors", dir.path("P1.lns")}, out2, err2), 0);
    EXPECT_NE(out2.str().find("No point errors detected"), std::string::npos);
    std::ostringstream out3, err3;
    EXPECT_EQ(RunCommandMode({"--doubles", dir.path("none.lns")}, out3, err3), 2);
}

TEST(PlanEdits, PointNumberTakesTheAgreedLinesArcsAlong) {
    test::PlanTestDir dir;
    PlanState plan = LoadedPlan(dir, "1,2,1020.0000,12.000\r\n2,3,90.0000,5.000\r\n"
                                     "3,1,180.0000,5.000\r\n");
    dir.write("P1.cve", "2,1,\"L\",999,45.3\r\n");
    dir.write("P1.ply", "\"AL1\",1,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n");
    EXPECT_EQ(NextPointNumber(plan), 4);
    // The arc 1 - 2 is renumbered, the line 3 - 1 is not.
    std::vector<Reply> replies = {Reply::Yes, Reply::No, Reply::Yes};
    std::size_t asked = 0;
    ASSERT_TRUE(RenumberPoint(plan, 1, 9, [&](const std::string&) { return replies[asked++]; }));
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 9);
    EXPECT_EQ(plan.PlanLines[2].ToPoint, 1);
    EXPECT_EQ(dir.read("P1.cve").substr(0, 5), "2,9,\"");
    EXPECT_NE(dir.read("P1.lns").find("9,2,1020.0000"), std::string::npos);
    EXPECT_EQ(dir.read("P1.ply"), "\"AL1\",1,\"C\"\r\n9\r\n2\r\n3\r\n9\r\n");

    plan.LinesLoadFailed = true; // never written over a file that did not load
    EXPECT_FALSE(RenumberPoint(plan, 2, 8, [](const std::string&) { return Reply::Yes; }));
}

// The lines, polygons and curve files change together or not at all: a renumbering that
// cannot write one of them leaves every parcel on the lines it walked.
TEST(PlanEdits, PointNumberAndDatumChangeNoFileWhenOneCannotBeWritten) {
    for (const char* blocked : {"P1.cve", "P1.lns", "P1.ply"}) {
        test::PlanTestDir dir;
        const std::string lines = "1,2,1020.0000,12.000\r\n2,3,90.0000,5.000\r\n"
                                  "3,1,180.0000,5.000\r\n";
        const std::string polygons = "\"AL1\",1,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n";
        const std::string curves = "2,1,\"L\",999,45.3\r\n";
        PlanState plan = LoadedPlan(dir, lines);
        dir.write("P1.cve", curves);
        dir.write("P1.ply", polygons);
        std::filesystem::permissions(dir.path(blocked), std::filesystem::perms::owner_read);
        Result<void> renumbered =
            RenumberPoint(plan, 1, 9, [](const std::string&) { return Reply::Yes; });
        EXPECT_TRUE(test::Refused(renumbered, "Edit Point Number error",
                                  std::string(blocked) + ": the file is read-only"));
        // The datum swing writes no polygons file.
        if (std::string(blocked) != "P1.ply") {
            EXPECT_TRUE(
                test::Refused(SwingDatumBearing(plan, "1.0000"), "Error saving lines", "read-only"))
                << blocked;
        }
        EXPECT_EQ(dir.read("P1.lns"), lines) << blocked;
        EXPECT_EQ(dir.read("P1.ply"), polygons) << blocked;
        EXPECT_EQ(dir.read("P1.cve"), curves) << blocked;
        EXPECT_EQ(plan.PlanLines[0].FromPoint, 1);
        EXPECT_EQ(plan.PlanLines[1].Bearing, 90.0);
    }
}

// A bearing marked negative, a missing one and an arc's radius are no directions: the datum
// swing leaves them exactly as they are, in the lines and in the curve records.
TEST(PlanEdits, DatumSwingLeavesMarkedAndMissingBearingsAlone) {
    test::PlanTestDir dir;
    PlanState plan = LoadedPlan(dir, "1,2,-45.3000,10.000\r\n2,3,999.0000,5.000\r\n"
                                     "3,4,1020.0000,12.000\r\n4,1,10.0000,3.000\r\n");
    dir.write("P1.cve", "3,4,\"L\",-10.5,999\r\n");
    ASSERT_TRUE(SwingDatumBearing(plan, "0.3000"));
    EXPECT_EQ(plan.PlanLines[0].Bearing, -45.3);
    EXPECT_EQ(plan.PlanLines[1].Bearing, 999.0);
    EXPECT_EQ(plan.PlanLines[2].Bearing, 1020.0);
    EXPECT_DOUBLE_EQ(plan.PlanLines[3].Bearing, 10.3);
    EXPECT_EQ(dir.read("P1.lns"), "1,2,-45.3000,10.000\r\n2,3,999.0000,5.000\r\n"
                                  "3,4,1020.0000,12.000\r\n4,1,10.3000,3.000\r\n");
    EXPECT_EQ(dir.read("P1.cve"), "3,4,\"L\",-10.5,999\r\n");
}

// The command-line modes open a plan as the window does: a change cut short is finished
// first, and said so on the error stream.
TEST(PlanEdits, CommandLineModesFinishAnInterruptedChangeFirst) {
    test::PlanTestDir dir;
    dir.write("P1.lns", "1,2,10.0000,5.000\r\n");
    dir.write("P1.lns.corvane-new-1", "1,2,10.0000,5.000\r\n2,1,190.0000,5.000\r\n");
    dir.write("P1.corvane-change",
              "CORVANE PLAN CHANGE\n" + dir.path("P1.lns.corvane-new-1") + "\nCOMMIT 1\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandMode({"--doubles", dir.path("P1.lns")}, out, err), 1);
    EXPECT_NE(out.str().find("1 to 2\n2 to 1"), std::string::npos);
    EXPECT_NE(err.str().find("has now been finished"), std::string::npos);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"P1.lns"});
    // A journal that cannot be acted on refuses the command: the files may be half changed.
    dir.write("P1.corvane-change", "not a journal\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunCommandMode({"--check", dir.path("P1")}, out2, err2), 2);
    EXPECT_NE(err2.str().find("cannot be finished"), std::string::npos);

    // Only the plan's holder finishes a change: while someone has the plan open, a check
    // touches nothing and refuses to read files that may be half changed.
    dir.write("P1.lns.corvane-new-2", "1,2,11.0000,5.000\r\n");
    dir.write("P1.corvane-change", "CORVANE PLAN CHANGE\nP1.lns.corvane-new-2\nCOMMIT 1\n");
    ASSERT_TRUE(
        TakePlanLock(dir.path("P1.lck"), LockHolder{"bob", "pc2", "7/12/2026 10:02", 1, 2}).ok());
    std::ostringstream out3, err3;
    EXPECT_EQ(RunCommandMode({"--check", dir.path("P1")}, out3, err3), 2);
    EXPECT_NE(err3.str().find("P1 is open by bob on pc2"), std::string::npos) << err3.str();
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"P1.corvane-change", "P1.lck", "P1.lns",
                                                     "P1.lns.corvane-new-2"}));
}

} // namespace
} // namespace corvane

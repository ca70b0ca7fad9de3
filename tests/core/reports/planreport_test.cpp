#include "core/base/numtext.h"
#include "core/cli/plancheck.h"
#include "core/exchange/coordfile.h"
#include "core/files/linesfile.h"
#include "core/reports/planreport.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvane {
namespace {

const std::string kSampleDir = std::string(CORVANE_SOURCE_DIR) + "/tests/core/golden/sample/";

LineRecord line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    LineRecord l;
    l.FromPoint = from;
    l.ToPoint = to;
    l.Bearing = bearing;
    l.Distance = distance;
    return l;
}

std::string text(const std::vector<PrintLine>& lines) {
    std::string out;
    for (const std::string& l : RenderPrintLines(lines))
        out += l + "\n";
    return out;
}

std::string runsText(const std::vector<LineRecord>& lines) {
    std::string out;
    for (const StraightRun& r : FindStraightRuns(lines))
        out += std::to_string(r.Start) + "-" + std::to_string(r.End) + " " +
               Format(r.Bearing, "0.0000") + " " + Format(r.Total, "0.000") + " x" +
               std::to_string(r.Count) + ";";
    return out;
}

TEST(StraightRuns, FoundFromEitherEndAndThroughLinesStoredBackwards) {
    // 1-2-3-4 on 90 of 10, 20, 30, stored in three orders: the first line of a run in file
    // order starts it, so the run reads from its other end when that line comes first.
    EXPECT_EQ(runsText({line(1, 2, 90, 10), line(2, 3, 90, 20), line(3, 4, 90, 30)}),
              "1-4 90.0000 60.000 x3;");
    EXPECT_EQ(runsText({line(3, 4, 90, 30), line(2, 3, 90, 20), line(1, 2, 90, 10)}),
              "4-1 270.0000 60.000 x3;");
    EXPECT_EQ(runsText({line(1, 2, 90, 10), line(3, 2, 270, 20), line(3, 4, 90, 30)}),
              "1-4 90.0000 60.000 x3;");
    // A line alone, a bend, and the middle of a run start nothing.
    EXPECT_EQ(runsText({line(1, 2, 90, 10)}), "");
    EXPECT_EQ(runsText({line(1, 2, 90, 10), line(2, 3, 90.0001, 20)}), "");
    // Due north is a run like any other, stored as 0 or as 360.
    EXPECT_EQ(runsText({line(1, 2, 0, 10), line(2, 3, 360, 5)}), "1-3 0.0000 15.000 x2;");
    EXPECT_EQ(runsText({line(5, 6, 360, 4), line(7, 6, 180, 6)}), "5-7 360.0000 10.000 x2;");
    // Missing bearings and arcs take no part.
    EXPECT_EQ(runsText({line(1, 2, 999, 10), line(2, 3, 999, 20), line(3, 4, 1012, 5)}), "");
    // A branch: the run goes on along the first continuation in file order, and that line is
    // not used again.
    EXPECT_EQ(runsText({line(1, 2, 45, 1), line(2, 3, 45, 2), line(2, 4, 45, 3)}),
              "1-3 45.0000 3.000 x2;");
}

TEST(StraightRuns, NeverChangeTheLines) {
    const std::vector<LineRecord> lines = {line(1, 2, 90, 10), line(2, 3, 90, 20),
                                           line(3, 4, 90, 30), line(4, 5, 0, 1)};
    // The lines as they were, to compare with after the search.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    const std::vector<LineRecord> before = lines;
    FindStraightRuns(lines);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].Bearing, before[i].Bearing);
    EXPECT_EQ(BackBearing(270), 90);
    EXPECT_EQ(BackBearing(360), 180);
    EXPECT_EQ(BackBearing(180), 0);
    EXPECT_EQ(BackBearing(14.18561), 194.1856);
}

TEST(ReportSections, MarkJoinsPairOnlyFixedMarksOfOneGroup) {
    auto point = [](std::int32_t n, double e, double nn, std::int16_t fixed, std::int32_t group) {
        PointRecord p;
        p.Number = n;
        p.East = e;
        p.North = nn;
        p.Fixed = fixed;
        p.Group = group;
        return p;
    };
    const std::vector<PointRecord> points = {point(44441234, 0, 0, 1, 0),
                                             point(12, 50, 0, 1, 0),           // PM 1234, a point
                                             point(555556, 100, 0, 1, 0),      // SSM 56, 100 m east
                                             point(44441235, 10, 10, 0, -1),   // a mark not fixed
                                             point(44441236, 500, 500, 1, 3)}; // another group
    EXPECT_EQ(text(MarkJoinsSection("D1", points, 5000)),
              "\n"
              "         -------------------------------------------------\n"
              "         Joins between Permanent Marks in plan D1\n"
              "         -------------------------------------------------\n"
              "\n"
              "         From           To               Bearing           Distance\n"
              "\n"
              "         PM1234         SSM56            90.0000           100.000\n");
    // No points: the heading alone.
    EXPECT_EQ(MarkJoinsSection("D1", {}, 5000).size(), 7u);
}

TEST(ReportSections, SurveyDetailsPutTheDateOnTheLineAfterItsLabel) {
    SurveyRecord record{"A SURVEYOR", "14/03/2026", {"662812345", "44441234"}};
    EXPECT_EQ(text(SurveyRecordSection("/p/D1", record)), "\n"
                                                          "         Details for plan /p/D1\n"
                                                          "\n"
                                                          "         Surveyor: A SURVEYOR\n"
                                                          "         Date of field survey:\n"
                                                          "         14/03/2026\n"
                                                          "         Permanent Survey Marks Gone\n"
                                                          "         662812345\n"
                                                          "         44441234\n");
    record.MarksGone.clear();
    EXPECT_EQ(text(SurveyRecordSection("D1", record)).find("Gone"), std::string::npos);
}

class SamplePlan : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* ext : {".lns", ".ply", ".cve"})
            std::filesystem::copy_file(kSampleDir + "D20417" + ext,
                                       dir.path(std::string("D1001") + ext));
        plan.PlanPath = dir.path("D1001");
        ASSERT_TRUE(LoadLines(plan).ok());
    }
    test::PlanTestDir dir;
    PlanState plan;
};

TEST_F(SamplePlan, WholeReportMatchesItsGoldenFile) {
    ReportRequest request;
    request.SurveyDetails = request.FullClosures = request.MarkJoins = request.AllDistances = true;
    request.PrintName = "J CHECKER";
    request.Date = "7/12/2026";
    request.AccuracyClass = "Surveyed Polygons";
    request.Record = {"PETER J. HALLORAN", "14/03/2026", {"662812345"}};
    auto report = PlanReport(plan, request);
    ASSERT_TRUE(report.ok());
    std::ifstream in(kSampleDir + "report.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string expected = ss.str();
    for (size_t at = expected.find("{PLAN}"); at != std::string::npos;
         at = expected.find("{PLAN}", at))
        expected.replace(at, 6, plan.PlanPath);
    EXPECT_EQ(text(report.value()), expected);

    // The summary alone: its lines and the "Printed by" line, nothing else.
    ReportRequest summaryOnly;
    summaryOnly.PrintName = "J";
    summaryOnly.Date = "D";
    summaryOnly.AccuracyClass = "Surveyed Polygons";
    const std::string summary = text(PlanReport(plan, summaryOnly).value());
    EXPECT_NE(summary.find("Summary of Closures for "), std::string::npos);
    EXPECT_EQ(summary.find("CLOSURE OF"), std::string::npos);
    EXPECT_EQ(summary.find("Details for plan"), std::string::npos);
    const std::string ending = "EA1 OK Area = 229 m\xB2\n\n         Printed by J on D\n";
    ASSERT_GT(summary.size(), ending.size());
    EXPECT_EQ(summary.substr(summary.size() - ending.size()), ending);

    // A closure section without a polygons file refuses the whole report.
    std::filesystem::remove(dir.path("D1001.ply"));
    auto refused = PlanReport(plan, summaryOnly);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message, "No polygons file found");
}

CoordFileRequest origin1() {
    CoordFileRequest r;
    r.Origin = "1";
    r.North = "5000.000";
    r.East = "1000.000";
    return r;
}

// The coordinate file's lines as fields.
std::vector<std::string> fileLines(const std::string& content) {
    std::vector<std::string> out;
    std::stringstream ss(content);
    for (std::string l; std::getline(ss, l);)
        out.push_back(l);
    return out;
}

TEST_F(SamplePlan, CoordinateFileShiftsToTheOriginWithItsSeparator) {
    auto made = CreateCoordFile(plan, origin1());
    ASSERT_TRUE(made.ok()) << test::ErrorText(made);
    // The file is named as it is on disk.
    EXPECT_EQ(made.value().Message, "Coordinate file " + plan.PlanPath + ".cor created");
    const std::string written = dir.read("D1001.cor");
    EXPECT_EQ(written, made.value().Content);
    const auto lines = fileLines(written);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "1, 1000.000, 5000.000\r");
    EXPECT_EQ(lines[1], "2, 1008.907, 5034.905\r"); // 36.024 on 14°18'56" from point 1
    // Marks are left out unless asked for.
    EXPECT_EQ(written.find("PM"), std::string::npos);
    CoordFileRequest withMarks = origin1();
    withMarks.IncludeMarks = true;
    withMarks.Separator = "Tab";
    const std::string marks = CoordFileFor(plan, withMarks).value().Content;
    EXPECT_NE(marks.find("\nPM1234\t"), std::string::npos);
    EXPECT_EQ(fileLines(marks)[0], "1\t1000.000\t5000.000\r");
    withMarks.Separator = ";";
    EXPECT_EQ(fileLines(CoordFileFor(plan, withMarks).value().Content)[0], "1;1000.000;5000.000\r");
    // A mark may be the origin, by its label.
    CoordFileRequest atMark = origin1();
    atMark.Origin = "PM1234";
    atMark.IncludeMarks = true;
    EXPECT_NE(CoordFileFor(plan, atMark).value().Content.find("PM1234, 1000.000, 5000.000\r"),
              std::string::npos);
}

TEST_F(SamplePlan, ScaleFactorWorksOnACopyAndBadRequestsWriteNothing) {
    const std::string linesFile = dir.read("D1001.lns");
    const std::vector<LineRecord> before = plan.PlanLines;
    CoordFileRequest scaled = origin1();
    scaled.UseScaleFactor = true;
    scaled.ScaleFactor = "0.9996";
    auto made = CreateCoordFile(plan, scaled);
    ASSERT_TRUE(made.ok());
    // Point 2 lies 36.024 × 0.9996 from point 1.
    const std::string second = fileLines(made.value().Content)[1];
    ASSERT_EQ(second.substr(0, 3), "2, ");
    const double dE = Val(second.substr(3, 8)) - 1000, dN = Val(second.substr(13)) - 5000;
    EXPECT_NEAR(std::sqrt(dE * dE + dN * dN), 36.024 * 0.9996, 0.0015);
    EXPECT_EQ(dir.read("D1001.lns"), linesFile);
    ASSERT_EQ(plan.PlanLines.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(plan.PlanLines[i].Distance, before[i].Distance);
        EXPECT_EQ(plan.PlanLines[i].Bearing, before[i].Bearing);
    }
    // Arc radii scale with the distances.
    EXPECT_EQ(ScaledLines({line(20, 3, 1012, 19.269)}, 0.5)[0].Bearing, 1006);

    std::filesystem::remove(dir.path("D1001.cor"));
    struct Refusal {
        const char* origin;
        const char* factor; // nullptr: no factor
        const char* message;
    };
    for (const Refusal& r :
         {Refusal{"", nullptr, "Enter the origin point"},
          Refusal{" ", nullptr, "Enter the origin point"}, Refusal{"77", nullptr, "77 not found"},
          Refusal{"1", "0", "Invalid combined scale factor \"0\""},
          Refusal{"1", "-1", "Invalid combined scale factor \"-1\""},
          Refusal{"1", "abc", "Invalid combined scale factor \"abc\""},
          Refusal{"1", "1e999", "Invalid combined scale factor \"1e999\""}}) {
        CoordFileRequest request = origin1();
        request.Origin = r.origin;
        if (r.factor) {
            request.UseScaleFactor = true;
            request.ScaleFactor = r.factor;
        }
        auto refused = CreateCoordFile(plan, request);
        ASSERT_FALSE(refused.ok()) << r.message;
        EXPECT_EQ(refused.error().message, r.message);
        EXPECT_EQ(refused.error().title, "Create Coord. file error");
    }
    // An origin coordinate is a number as a whole: "5OOO" is not 5, "1000,25" not 1000.
    struct BadCoordinate {
        const char* north;
        const char* east;
        const char* message;
    };
    for (const BadCoordinate& b :
         {BadCoordinate{"5OOO", "0", "The north coordinate \"5OOO\" is not a number"},
          BadCoordinate{"0", "1000,25", "The east coordinate \"1000,25\" is not a number"},
          BadCoordinate{"1e5", "0", "The north coordinate \"1e5\" is not a number"},
          BadCoordinate{"", "0", "Enter the north coordinate"},
          BadCoordinate{"0", " ", "Enter the east coordinate"}}) {
        CoordFileRequest request = origin1();
        request.North = b.north;
        request.East = b.east;
        auto refused = CreateCoordFile(plan, request);
        ASSERT_FALSE(refused.ok()) << b.message;
        EXPECT_EQ(refused.error().message, b.message);
        EXPECT_EQ(refused.error().title, "Create Coord. file error");
    }
    EXPECT_FALSE(dir.exists("D1001.cor"));

    // A coordinate file there is replaced only when asked to.
    dir.write("D1001.COR", "kept\r\n");
    auto kept = CreateCoordFile(plan, origin1());
    ASSERT_FALSE(kept.ok());
    EXPECT_EQ(kept.error().message, "The coordinate file " + plan.PlanPath + ".COR exists already");
    EXPECT_EQ(dir.read("D1001.COR"), "kept\r\n");
    CoordFileRequest replace = origin1();
    replace.Replace = true;
    auto replaced = CreateCoordFile(plan, replace);
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(replaced.value().Message, "Coordinate file " + plan.PlanPath + ".COR created");
    EXPECT_EQ(dir.read("D1001.COR"), replaced.value().Content);
    EXPECT_FALSE(dir.exists("D1001.cor"));

    PlanState empty;
    empty.PlanPath = dir.path("D9");
    EXPECT_EQ(CreateCoordFile(empty, origin1()).error().message, "No lines found");
}

TEST(CoordinateFile, HoldsOnlyTheOriginsGroupAndFixedPoints) {
    test::PlanTestDir dir;
    PlanState plan;
    plan.PlanPath = dir.path("D2");
    plan.chkArray = true;
    // Group of 1: 1-2-3; a second group 10-11-12 no line joins to it; 20 behind a missing
    // bearing, never fixed.
    plan.PlanLines = {line(1, 2, 90, 10), line(2, 3, 0, 10), line(10, 11, 90, 5),
                      line(11, 12, 90, 5), line(3, 20, 999, 7)};
    auto made = CreateCoordFile(plan, origin1());
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(made.value().Content, "1, 1000.000, 5000.000\r\n"
                                    "2, 1010.000, 5000.000\r\n"
                                    "3, 1010.000, 5010.000\r\n");
    EXPECT_EQ(made.value().OtherGroups, 3);
    EXPECT_EQ(made.value().Message,
              "Coordinate file " + plan.PlanPath +
                  ".cor created\n3 fixed points of other groups were left out");
    // An origin that exists but could not be fixed is refused, not used as a position.
    CoordFileRequest unfixed = origin1();
    unfixed.Origin = "20";
    EXPECT_EQ(CreateCoordFile(plan, unfixed).error().message, "20 not found");
    // The other group's own file, from its own origin.
    CoordFileRequest other = origin1();
    other.Origin = "11";
    EXPECT_EQ(fileLines(CoordFileFor(plan, other).value().Content).size(), 3u);

    // A failed write leaves the old file whole and names it.
    dir.write("D2.cor", "old\r\n");
    std::filesystem::permissions(dir.path("D2.cor"), std::filesystem::perms::owner_read);
    CoordFileRequest replace = origin1();
    replace.Replace = true;
    auto failed = CreateCoordFile(plan, replace);
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.error().message.find("D2.cor"), std::string::npos);
    EXPECT_EQ(dir.read("D2.cor"), "old\r\n");
}

TEST(CoordinateFile, CommandWritesAsTheWindowAndRefusesWithExitTwo) {
    test::PlanTestDir dir;
    for (const char* ext : {".lns", ".ply", ".cve"})
        std::filesystem::copy_file(kSampleDir + "D20417" + ext, dir.path(std::string("D1") + ext));
    auto run = [](const std::vector<std::string>& args, std::string* outText = nullptr) {
        std::ostringstream out, err;
        const int status = RunCommandMode(args, out, err);
        if (outText)
            *outText = out.str() + "|" + err.str();
        return status;
    };
    std::string said;
    EXPECT_EQ(run({"--coords", dir.path("D1.lns"), "--origin", "1", "--north", "5000", "--east",
                   "1000", "--separator", "comma"},
                  &said),
              0);
    EXPECT_EQ(said, "Coordinate file " + dir.path("D1") + ".cor created\n|");
    EXPECT_EQ(fileLines(dir.read("D1.cor"))[0], "1,1000.000,5000.000\r");
    // Run again, the file is there: written over only with --replace.
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "2"}, &said), 2);
    EXPECT_EQ(said, "|The coordinate file " + dir.path("D1") +
                        ".cor exists already\nAdd --replace to replace it\n");
    EXPECT_EQ(fileLines(dir.read("D1.cor"))[0], "1,1000.000,5000.000\r");
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "1", "--north", "5000", "--east", "1000",
                   "--separator", "comma", "--replace"}),
              0);

    PlanState plan;
    plan.PlanPath = dir.path("D1");
    ASSERT_TRUE(LoadLines(plan).ok());
    CoordFileRequest same = origin1();
    same.Separator = "comma";
    EXPECT_EQ(dir.read("D1.cor"), CoordFileFor(plan, same).value().Content);

    std::filesystem::remove(dir.path("D1.cor"));
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "999"}, &said), 2);
    EXPECT_EQ(said, "|999 not found\n");
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "1", "--scale", "0"}), 2);
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "1", "--scale", ""}), 2);
    EXPECT_EQ(run({"--coords", dir.path("D9"), "--origin", "1"}, &said), 2);
    EXPECT_EQ(said, "|No lines found\n");
    EXPECT_EQ(run({"--coords", dir.path("D1")}), 2); // no --origin
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "1", "--north", "5OOO"}, &said), 2);
    EXPECT_EQ(said, "|The north coordinate \"5OOO\" is not a number\n");
    EXPECT_FALSE(dir.exists("D1.cor"));
    EXPECT_EQ(run({"--coords", dir.path("D1"), "--origin", "PM1234", "--marks"}), 0);
    EXPECT_NE(dir.read("D1.cor").find("PM1234, 0.000, 0.000\r\n"), std::string::npos);
}

} // namespace
} // namespace corvane

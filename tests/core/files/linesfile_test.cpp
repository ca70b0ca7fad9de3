#include "core/files/linesfile.h"

#include "core/base/textfile.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>

namespace corvane {
namespace {

using test::PlanTestDir;

const char* const kThreeLines = "101,102,45.3020,123.456\r\n"
                                "102,103,135.0000,88.000\r\n"
                                "103,101,999.0000,60.125\r\n";

PlanState PlanIn(const PlanTestDir& dir) {
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    return plan;
}

std::string ManyLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + "," + std::to_string(i + 1) + ",90.0000,10.000\r\n";
    return text;
}

// Either line end, a whole point number written "103.0", and a name in any letter case: the
// file is rewritten in place with CR LF.
TEST(LinesFile, LfAndCrLfLoadAlikeAndSaveAsCrLf) {
    const std::pair<const char*, const char*> files[] = {
        {"plan.lns", kThreeLines},
        {"PLAN.LNS", "101,102,45.3020,123.456\n102,103.0,135.0000,88.000\n103,101,999.0000,60.125"},
    };
    for (const auto& [name, content] : files) {
        PlanTestDir dir;
        dir.write(name, content);
        PlanState plan = PlanIn(dir);
        ASSERT_TRUE(LoadLines(plan).ok());
        EXPECT_TRUE(plan.chkArray);
        ASSERT_EQ(plan.PlanLines.size(), 3u);
        EXPECT_EQ(plan.PlanLines[2].Bearing, 999.0);
        ASSERT_TRUE(SaveLines(plan).ok());
        EXPECT_EQ(dir.names(), std::vector<std::string>{name});
        EXPECT_EQ(dir.read(name), kThreeLines);
    }
}

TEST(LinesFile, SavesEveryLiveLineAndReadsBackMissingBearingsAndArcs) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    // The fourth and fifth lines are marked, and dropped.
    plan.PlanLines = {
        {101, 102, 45.302, 123.456}, {102, 103, 999, 88},
        {103, 104, 1025.5, 31.4159}, {104, 105, 10, -12.5},
        {105, 106, 10, 0},           {4444012, 101, 0.0001, 0.0014},
        {107, 108, 0, 0.0005},       {-2147483647 - 1, 2147483647, 0, 1},
    };
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.read("plan.lns"), "101,102,45.3020,123.456\r\n"
                                    "102,103,999.0000,88.000\r\n"
                                    "103,104,1025.5000,31.416\r\n"
                                    "4444012,101,0.0001,0.001\r\n"
                                    "107,108,0.0000,0.001\r\n"
                                    "-2147483648,2147483647,0.0000,1.000\r\n");
    ASSERT_TRUE(LoadLines(plan).ok());
    ASSERT_EQ(plan.PlanLines.size(), 6u);
    EXPECT_EQ(plan.PlanLines[1].Bearing, 999.0);
    EXPECT_NEAR(plan.PlanLines[2].Bearing - 1000, 25.5, 1e-9);
    EXPECT_EQ(plan.PlanLines[5].FromPoint, std::numeric_limits<std::int32_t>::min());
}

// A live line shorter than half a millimetre would be written as 0.000 and read back as a
// deleted line, lost at the next save: the writer refuses it, naming it, and writes nothing.
TEST(LinesFile, LiveLineThatWouldReadBackAsDeletedIsRefused) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    dir.write("plan.lns", "1,2,10.0000,5.000\r\n");
    for (double tiny : {0.0004, 1e-9}) {
        plan.PlanLines = {{1, 2, 10.0, 5.0}, {106, 107, 359.5959, tiny}};
        Result<void> saved = SaveLines(plan);
        EXPECT_TRUE(test::Refused(saved, "Error saving lines", "106 - 107")) << tiny;
        EXPECT_TRUE(test::Refused(saved, "Error saving lines", "written as 0.000")) << tiny;
        EXPECT_EQ(dir.read("plan.lns"), "1,2,10.0000,5.000\r\n");
    }
}

// Every refusal loads nothing and blocks saving, so the refused file's lines survive.
TEST(LinesFile, RefusedFileLoadsNothingAndIsNeverSavedOver) {
    const std::string blank =
        "Blank line found in lines file at line 2\nUse a text editor to fix the problem";
    const std::string nines(400, '9');
    const std::string longLine = "1,2,3," + std::string(5000, '1');
    const std::string manyFields = "1,2" + std::string(4000, ',');
    const std::pair<std::string, std::string> cases[] = {
        {"101,102,45.3020,1.000\r\n\r\n102,103,90.0000,2.000\r\n", blank},
        {"101,102,45.3020,1.000\r\n\r\n", blank},
        {"101,102,45.3020,1.000\n  \n", blank},
        // Figures no double holds, or beyond any survey, are no numbers to load.
        {"1,2,0," + nines + "\r\n", "the distance \"" + nines.substr(0, 80) + "...\""},
        {"1,2," + nines + ",10\r\n", "the bearing"},
        {"1,2,0,1" + std::string(308, '0') + "\r\n", "Line 1 "},
        {"1,2,0,10000000.001\r\n", "the distance \"10000000.001\" lies outside"},
        {"1,2,-360.0001,10\r\n", "the bearing"},
        {"1,2,10001000.5,10\r\n", "the bearing"},
        {nines + ",2,0,10\r\n", "from point"},
        // Huge lines are refused early and quoted short.
        {longLine + "\r\n", "is longer than 4096 characters"},
        {manyFields + "\r\n", "has more than 4 fields"},
        {"101,102,45.3020,1.000\r\n102,103,4x.0000,2.000\r\n", "Line 2 "},
        {"101,102,45.3020,1.000\r\n1,2,3\r\n", "Line 2 "},
        {"1,,3.0000,4.000\r\n", "to point"},
        {"1,2.5,3.0000,4.000\r\n", "Line 1 "},
        {"1,2,3,4\r\n4444999999,2,3.0000,4.000\r\n", "Line 2 "},
        {"\"101\",102,45.3020,1.000\r\n", "from point"},
    };
    const std::string advice = "\nCheck the lines file using a text editor eg: Notepad";
    for (const auto& [content, mentions] : cases) {
        SCOPED_TRACE(content.substr(0, 100));
        PlanTestDir dir;
        dir.write("plan.lns", content);
        PlanState plan = PlanIn(dir);
        plan.PlanLines.push_back({1, 2, 3, 4}); // left from an earlier plan
        plan.chkArray = true;
        Result<void> loaded = LoadLines(plan);
        if (mentions == blank) {
            EXPECT_TRUE(test::Refused(loaded, "CORVANE Error", blank));
        } else {
            for (const std::string& part : {mentions, dir.path("plan.lns"), advice})
                EXPECT_TRUE(test::Refused(loaded, "CORVANE Load error", part));
            // No message quotes more than the first 80 characters of the line.
            EXPECT_LT(loaded.error().message.size(), 400u);
        }
        EXPECT_TRUE(plan.PlanLines.empty());
        EXPECT_FALSE(plan.chkArray);
        EXPECT_TRUE(plan.LinesLoadFailed);

        plan.PlanLines.push_back({7, 8, 90, 5});
        EXPECT_TRUE(test::Refused(SaveLines(plan), "Error saving lines", plan.LinesLoadFailure));
        EXPECT_EQ(dir.names(), std::vector<std::string>{"plan.lns"});
        EXPECT_EQ(dir.read("plan.lns"), content);
    }
}

TEST(LinesFile, MoreThan32767LinesAreRefusedWholeAndSavingResumesOnceFixed) {
    PlanTestDir dir;
    dir.write("plan.lns", ManyLines(kMaxLines + 1));
    PlanState plan = PlanIn(dir);
    EXPECT_TRUE(test::Refused(LoadLines(plan), "CORVANE Load error", "32768"));
    EXPECT_TRUE(plan.PlanLines.empty());
    EXPECT_TRUE(plan.LinesLoadFailed);

    dir.write("plan.lns", ManyLines(kMaxLines));
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_EQ(static_cast<int>(plan.PlanLines.size()), kMaxLines);
    EXPECT_FALSE(plan.LinesLoadFailed);
    EXPECT_TRUE(SaveLines(plan).ok());

    // Saving more than the loader takes is refused, the file kept.
    plan.PlanLines.push_back({1, 2, 90, 10});
    EXPECT_TRUE(test::Refused(SaveLines(plan), "Error saving lines"));
    EXPECT_EQ(dir.read("plan.lns"), ManyLines(kMaxLines));
    plan.PlanLines.back().Distance = -10; // marked lines are not written, so do not count
    EXPECT_TRUE(SaveLines(plan).ok());
}

// What the writer writes, the loader reads back: the edges of every field's range go through
// a save and a load unchanged, and a figure past them is refused by the save, not written.
TEST(LinesFile, WriterNeverWritesWhatTheLoaderRefuses) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    const std::vector<LineRecord> edges = {
        {1, 2, kMinStoredBearing, kMaxDistance},
        {2, 3, kMaxStoredBearing, 0.001},
        {3, 4, kMissingBearing, 1},
        {4, 5, kArcBearingBase + kMaxDistance / 2, 12.5},
    };
    plan.PlanLines = edges;
    ASSERT_TRUE(SaveLines(plan).ok());
    ASSERT_TRUE(LoadLines(plan).ok());
    ASSERT_EQ(plan.PlanLines.size(), edges.size());
    for (size_t i = 0; i < edges.size(); ++i) {
        EXPECT_NEAR(plan.PlanLines[i].Bearing, edges[i].Bearing, 1e-9);
        EXPECT_NEAR(plan.PlanLines[i].Distance, edges[i].Distance, 1e-9);
    }
    const std::string saved = dir.read("plan.lns");
    const double inf = std::numeric_limits<double>::infinity();
    const LineRecord unstorable[] = {
        {1, 2, 0, inf},   {1, 2, 0, kMaxDistance * 1.0001},  {1, 2, std::nan(""), 10},
        {1, 2, -inf, 10}, {1, 2, kMaxStoredBearing + 1, 10},
    };
    for (const LineRecord& bad : unstorable) {
        plan.PlanLines = edges;
        plan.PlanLines.push_back(bad);
        EXPECT_TRUE(test::Refused(SaveLines(plan), "Error saving lines", "the line 1 - 2"));
        EXPECT_EQ(dir.read("plan.lns"), saved);
    }
}

// A huge file is read no further than its first line too many, and a huge line no further
// than its first character too many.
TEST(LinesFile, BoundedReadingStopsAtTheFirstLineTooMany) {
    std::istringstream many(ManyLines(kMaxLines + 500));
    EXPECT_EQ(ReadTextLinesBounded(many, kMaxLines, kMaxLineLength).size(),
              static_cast<size_t>(kMaxLines + 1));
    std::istringstream wide("1,2\r\n" + std::string(100000, ',') + "\r\nlast");
    auto lines = ReadTextLinesBounded(wide, 10, 20);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1,2");
    EXPECT_EQ(lines[1], std::string(21, ','));
    std::istringstream shortLines("a\r\nb\nc\r\n");
    EXPECT_EQ(ReadTextLinesBounded(shortLines, 10, 20), (std::vector<std::string>{"a", "b", "c"}));
}

#ifndef _WIN32
// A lines file that is a link to nothing must not open as a plan without lines, whose next
// save would start the lines afresh.
TEST(LinesFile, ALinkToNothingIsRefusedNamingTheLink) {
    PlanTestDir dir;
    std::filesystem::create_symlink(dir.path("share/plan.lns"), dir.path("plan.lns"));
    PlanState plan = PlanIn(dir);
    Result<void> loaded = LoadLines(plan);
    EXPECT_TRUE(test::Refused(loaded, "CORVANE Load error",
                              dir.path("plan.lns") + ": it is a link to " +
                                  dir.path("share/plan.lns") + ", which does not exist"));
    EXPECT_TRUE(plan.LinesLoadFailed);
    plan.PlanLines = {{1, 2, 10.0, 5.0}};
    EXPECT_FALSE(SaveLines(plan));
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(dir.path("plan.lns"))));
}
#endif

TEST(LinesFile, NoFileOrAnEmptyFileIsNoFailedLoad) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_FALSE(plan.LinesLoadFailed);
    EXPECT_FALSE(plan.chkArray);
    plan.PlanLines.push_back({1, 2, 90, 10});
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.read("plan.lns"), "1,2,90.0000,10.000\r\n");

    dir.write("plan.lns", "");
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_FALSE(plan.LinesLoadFailed);
    plan.PlanLines.push_back({3, 4, 180, 5});
    EXPECT_TRUE(SaveLines(plan).ok());

    PlanState none; // without a plan nothing is read or written
    none.PlanLines.push_back({1, 2, 3, 4});
    EXPECT_TRUE(SaveLines(none).ok());
    EXPECT_TRUE(LoadLines(none).ok());
}

// Rows read from the lines file are older than it once the program wrote the file since (the
// command is named) or something else changed it; the lines are then read again before the
// next command uses them.
TEST(LinesFile, ChangeStampTellsRowsOlderThanTheFile) {
    test::PlanTestDir tmp;
    tmp.write("p.lns", "1,2,10.0000,5.000\r\n");
    PlanState plan;
    plan.PlanPath = tmp.path("p");
    ASSERT_TRUE(LoadLines(plan));
    const LinesStamp filled = CurrentLinesStamp(plan);
    EXPECT_FALSE(LinesChangedSince(plan, filled));
    EXPECT_TRUE(LinesCurrent(plan));

    plan.PlanLines[0].Distance = 6;
    ASSERT_TRUE(SaveLines(plan));
    plan.LastLinesChange = "Datum Bearing";
    ASSERT_TRUE(LinesChangedSince(plan, filled));
    EXPECT_EQ(LinesChangedSince(plan, filled)->substr(0, 54),
              "The lines file was changed by Datum Bearing after this");
    EXPECT_TRUE(LinesCurrent(plan)); // the program's own write: memory holds the file

    const LinesStamp afterSave = CurrentLinesStamp(plan);
    // Edited in a text editor: same size, a later time.
    const auto written = std::filesystem::last_write_time(tmp.path("p.lns"));
    tmp.write("p.lns", "1,2,10.0000,7.000\r\n");
    std::filesystem::last_write_time(tmp.path("p.lns"), written + std::chrono::seconds(2));
    EXPECT_NE(LinesChangedSince(plan, afterSave)->find("changed outside CORVANE"),
              std::string::npos);
    EXPECT_FALSE(LinesCurrent(plan));
    ASSERT_TRUE(EnsureLinesCurrent(plan));
    EXPECT_EQ(plan.PlanLines[0].Distance, 7);
}

} // namespace
} // namespace corvane

#include "core/linesfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace corvane {
namespace {

using test::PlanTestDir;

const char* const kThreeLines = "101,102,45.3020,123.456\r\n"
                                "102,103,135.0000,88.000\r\n"
                                "103,101,999.0000,60.125\r\n";

PlanState PlanIn(const PlanTestDir& dir, const std::string& base = "plan") {
    PlanState plan;
    plan.PlanPath = dir.path(base);
    return plan;
}

LineRecord Line(std::int32_t from, std::int32_t to, double bearing, double distance) {
    LineRecord line;
    line.FromPoint = from;
    line.ToPoint = to;
    line.Bearing = bearing;
    line.Distance = distance;
    return line;
}

std::string ManyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string(i + 1) + "," + std::to_string(i + 2) + ",90.0000,10.000\r\n";
    return text;
}

TEST(ParseLines, CrLfAndLfReadTheSame) {
    std::istringstream crlf(kThreeLines);
    std::istringstream lf("101,102,45.3020,123.456\n102,103,135.0000,88.000\n"
                          "103,101,999.0000,60.125");
    auto a = ParseLines(crlf, "x.lns");
    auto b = ParseLines(lf, "x.lns");
    ASSERT_TRUE(a.ok()) << a.error().message;
    ASSERT_TRUE(b.ok()) << b.error().message;
    ASSERT_EQ(a.value().size(), 3u);
    ASSERT_EQ(b.value().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(a.value()[i].FromPoint, b.value()[i].FromPoint);
        EXPECT_EQ(a.value()[i].ToPoint, b.value()[i].ToPoint);
        EXPECT_DOUBLE_EQ(a.value()[i].Bearing, b.value()[i].Bearing);
        EXPECT_DOUBLE_EQ(a.value()[i].Distance, b.value()[i].Distance);
    }
    EXPECT_EQ(a.value()[0].FromPoint, 101);
    EXPECT_NEAR(a.value()[0].Bearing, 45.302, 1e-12);
    EXPECT_NEAR(a.value()[2].Distance, 60.125, 1e-12);
    EXPECT_EQ(a.value()[2].Bearing, 999.0);
}

TEST(ParseLines, ExtremePointNumbersAreKept) {
    auto r =
        ParseLines({"-2147483648,2147483647,0.0000,1.000", "4444123,12.0,1.0000,2.000"}, "x.lns");
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r.value()[0].FromPoint, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(r.value()[0].ToPoint, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(r.value()[1].ToPoint, 12);
}

// Every refusal: the title, a piece of the message, and for field errors the line number.
struct RefusedCase {
    const char* name;
    const char* content;
    const char* title;
    const char* mentions;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedLinesFile : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedLinesFile, LoadsNothingAndBlocksSaving) {
    const auto& c = GetParam();
    PlanTestDir dir;
    dir.write("plan.lns", c.content);
    PlanState plan = PlanIn(dir);
    plan.PlanLines.push_back(Line(1, 2, 3, 4)); // left from an earlier plan
    plan.chkArray = true;

    Status loaded = LoadLines(plan);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().title, c.title);
    EXPECT_NE(loaded.error().message.find(c.mentions), std::string::npos) << loaded.error().message;
    if (std::string(c.title) == "CORVANE Load error") {
        EXPECT_NE(loaded.error().message.find(dir.path("plan.lns")), std::string::npos);
        EXPECT_NE(
            loaded.error().message.find("\nCheck the lines file using a text editor eg: Notepad"),
            std::string::npos);
    }
    EXPECT_TRUE(plan.PlanLines.empty());
    EXPECT_FALSE(plan.chkArray);
    EXPECT_TRUE(plan.LinesLoadFailed);

    // The lines of the refused file must survive a save of the (empty) PlanLines.
    plan.PlanLines.push_back(Line(7, 8, 90, 5));
    Status saved = SaveLines(plan);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().title, "Error saving lines");
    EXPECT_NE(saved.error().message.find(plan.LinesLoadFailure), std::string::npos);
    EXPECT_EQ(dir.read("plan.lns"), c.content);
    EXPECT_EQ(dir.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedLinesFile,
    ::testing::Values(
        RefusedCase{"BlankLine", "101,102,45.3020,1.000\r\n\r\n102,103,90.0000,2.000\r\n",
                    "CORVANE Error",
                    "Blank line found in lines file\nUse a text editor to fix the problem"},
        RefusedCase{"TrailingBlankLine", "101,102,45.3020,1.000\r\n\r\n", "CORVANE Error",
                    "Blank line found in lines file"},
        RefusedCase{"BlanksOnlyLine", "101,102,45.3020,1.000\n  \n", "CORVANE Error",
                    "Blank line found in lines file"},
        RefusedCase{"BadBearing", "101,102,45.3020,1.000\r\n102,103,4x.0000,2.000\r\n",
                    "CORVANE Load error", "Line 2 "},
        RefusedCase{"BadDistance", "101,102,45.3020,abc\r\n", "CORVANE Load error", "Line 1 "},
        RefusedCase{"ThreeFields", "101,102,45.3020,1.000\r\n1,2,3\r\n", "CORVANE Load error",
                    "Line 2 "},
        RefusedCase{"FiveFields", "1,2,3,4,5\r\n", "CORVANE Load error", "Line 1 "},
        RefusedCase{"EmptyField", "1,,3.0000,4.000\r\n", "CORVANE Load error", "to point"},
        RefusedCase{"FractionalPoint", "1,2.5,3.0000,4.000\r\n", "CORVANE Load error", "Line 1 "},
        RefusedCase{"PointAbove32Bits", "1,2,3,4\r\n4444999999,2,3.0000,4.000\r\n",
                    "CORVANE Load error", "Line 2 "},
        RefusedCase{"PointBelow32Bits", "-2147483649,2,3.0000,4.000\r\n", "CORVANE Load error",
                    "Line 1 "},
        RefusedCase{"QuotedField", "\"101\",102,45.3020,1.000\r\n", "CORVANE Load error",
                    "from point"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadLines, MoreThan32767LinesAreRefusedWhole) {
    PlanTestDir dir;
    dir.write("plan.lns", ManyLines(kMaxLines + 1));
    PlanState plan = PlanIn(dir);
    Status loaded = LoadLines(plan);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().title, "CORVANE Load error");
    EXPECT_NE(loaded.error().message.find("32768"), std::string::npos);
    EXPECT_NE(loaded.error().message.find(dir.path("plan.lns")), std::string::npos);
    EXPECT_TRUE(plan.PlanLines.empty());
    EXPECT_TRUE(plan.LinesLoadFailed);

    dir.write("plan.lns", ManyLines(kMaxLines));
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_EQ(static_cast<int>(plan.PlanLines.size()), kMaxLines);
    EXPECT_FALSE(plan.LinesLoadFailed);
}

TEST(LoadLines, SavingWorksAgainOnceTheFileIsFixed) {
    PlanTestDir dir;
    dir.write("plan.lns", "101,102,45.3020,1.000\r\n\r\n");
    PlanState plan = PlanIn(dir);
    ASSERT_FALSE(LoadLines(plan).ok());
    dir.write("plan.lns", kThreeLines);
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_FALSE(plan.LinesLoadFailed);
    EXPECT_TRUE(plan.chkArray);
    ASSERT_EQ(plan.PlanLines.size(), 3u);
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.read("plan.lns"), kThreeLines);
}

TEST(LoadLines, NoFileOrAnEmptyFileIsNoFailure) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_TRUE(plan.PlanLines.empty());
    EXPECT_FALSE(plan.LinesLoadFailed);
    EXPECT_FALSE(plan.chkArray);

    // A new plan's first lines are saved.
    plan.PlanLines.push_back(Line(1, 2, 90, 10));
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.read("plan.lns"), "1,2,90.0000,10.000\r\n");

    dir.write("plan.lns", "");
    ASSERT_TRUE(LoadLines(plan).ok());
    EXPECT_TRUE(plan.PlanLines.empty());
    EXPECT_FALSE(plan.LinesLoadFailed);
    plan.PlanLines.push_back(Line(3, 4, 180, 5));
    EXPECT_TRUE(SaveLines(plan).ok());
}

TEST(SaveLines, WritesEveryLiveLineAndDropsMarkedOnes) {
    PlanTestDir dir;
    PlanState plan = PlanIn(dir);
    plan.PlanLines = {
        Line(101, 102, 45.302, 123.456), Line(102, 103, 999, 88),
        Line(103, 104, 1025.5, 31.4159), Line(104, 105, 10, -12.5), // marked deleted
        Line(105, 106, 10, 0),           Line(4444012, 101, 0.0001, 0.0004),
        Line(106, 107, 359.5959, 1e-9),  Line(107, 108, 0, 0.0005),
    };
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.read("plan.lns"), "101,102,45.3020,123.456\r\n"
                                    "102,103,999.0000,88.000\r\n"
                                    "103,104,1025.5000,31.416\r\n"
                                    "4444012,101,0.0001,0.000\r\n"
                                    "106,107,359.5959,0.000\r\n"
                                    "107,108,0.0000,0.001\r\n");

    // Read back: the missing bearing and the arc keep their meaning.
    ASSERT_TRUE(LoadLines(plan).ok());
    ASSERT_EQ(plan.PlanLines.size(), 6u);
    EXPECT_EQ(plan.PlanLines[1].Bearing, 999.0);
    EXPECT_NEAR(plan.PlanLines[2].Bearing - 1000, 25.5, 1e-9);
    EXPECT_EQ(plan.PlanLines[3].FromPoint, 4444012);
    for (const auto& line : plan.PlanLines)
        EXPECT_EQ(line.Style, 0);
}

TEST(SaveLines, RefusesMoreLinesThanTheLoaderTakes) {
    PlanTestDir dir;
    dir.write("plan.lns", kThreeLines);
    PlanState plan = PlanIn(dir);
    ASSERT_TRUE(LoadLines(plan).ok());
    plan.PlanLines.assign(static_cast<size_t>(kMaxLines) + 1, Line(1, 2, 90, 10));
    Status saved = SaveLines(plan);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().title, "Error saving lines");
    EXPECT_EQ(dir.read("plan.lns"), kThreeLines);

    // Marked lines do not count: they are not written.
    plan.PlanLines.back().Distance = -10;
    EXPECT_TRUE(SaveLines(plan).ok());
}

TEST(LinesFile, FoundWhateverTheCaseOfItsName) {
    PlanTestDir dir;
    dir.write("PLAN.LNS", kThreeLines);
    PlanState plan = PlanIn(dir, "plan");
    ASSERT_TRUE(LoadLines(plan).ok());
    ASSERT_EQ(plan.PlanLines.size(), 3u);
    plan.PlanLines.pop_back();
    ASSERT_TRUE(SaveLines(plan).ok());
    EXPECT_EQ(dir.count(), 1); // rewritten in place, no second file beside it
    EXPECT_EQ(dir.read("PLAN.LNS"), "101,102,45.3020,123.456\r\n102,103,135.0000,88.000\r\n");
}

TEST(SaveLines, WithoutAPlanDoesNothing) {
    PlanState plan;
    plan.PlanLines.push_back(Line(1, 2, 3, 4));
    EXPECT_TRUE(SaveLines(plan).ok());
    EXPECT_TRUE(LoadLines(plan).ok());
}

} // namespace
} // namespace corvane

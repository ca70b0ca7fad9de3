#include "core/cli/plancheck.h"

#include "core/base/numtext.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace corvane {
namespace {

const std::string kGoldenDir = std::string(CORVANE_SOURCE_DIR) + "/tests/core/golden/";

struct CheckRun {
    int status;
    std::string out;
    std::string err;
};

CheckRun check(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = RunCommandMode(args, out, err);
    return {status, out.str(), err.str()};
}

// A golden case's plan files copied to the folder as D1001, their extensions in capitals
// (plan files are found whatever their case).
void copyPlan(const test::PlanTestDir& dir, const std::string& goldenCase) {
    for (const auto& entry : fs::directory_iterator(kGoldenDir + goldenCase)) {
        std::string ext = entry.path().extension().string();
        if (ext == ".lns" || ext == ".ply" || ext == ".cve")
            fs::copy_file(entry.path(), dir.path("D1001" + UpperCase(ext)));
    }
}

// A golden file, the plan's path in place of {PLAN}.
std::string expected(const std::string& goldenCase, const char* file, const std::string& plan) {
    std::ifstream in(kGoldenDir + goldenCase + "/" + file, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    for (size_t at = text.find("{PLAN}"); at != std::string::npos;
         at = text.find("{PLAN}", at + plan.size()))
        text.replace(at, 6, plan);
    return text;
}

TEST(PlanCheck, RecognisedOnTheCommandLineAndHelp) {
    EXPECT_EQ(ParseCommandLine({"--full", "--check", "x"}).Mode, CommandMode::Check);
    EXPECT_EQ(ParseCommandLine({"--help"}).Mode, CommandMode::Help);
    EXPECT_FALSE(ParseCommandLine({}).headless());
    EXPECT_FALSE(ParseCommandLine({"/plans/D1001.lns"}).headless());
    EXPECT_FALSE(ParseCommandLine({"p.lns", "--screenshot", "s.png"}).headless());
    CommandLine draw = ParseCommandLine({"--draw", "p.lns", "--out", "x.svg", "--points"});
    EXPECT_EQ(draw.Mode, CommandMode::Draw);
    EXPECT_EQ(draw.value("--out"), "x.svg");
    EXPECT_TRUE(draw.has("--points"));
    EXPECT_TRUE(draw.Refusal.empty());
    // Refused, never taken for a plan to open in a window.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bogus"},
          {"p.lns", "--bogus"},
          {"--draw", "p.lns"},                    // no --out
          {"--check", "p.lns", "--out", "x.png"}, // an option of another mode
          {"--draw", "p.lns", "--out", "x.png", "--full"},
          {"--check", "p.lns", "--draw", "p.lns", "--out", "x.png"},
          {"--points"}}) {
        CommandLine c = ParseCommandLine(args);
        EXPECT_TRUE(c.headless()) << args.front();
        EXPECT_FALSE(c.Refusal.empty()) << args.front();
    }

    CheckRun r = check({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("corvane --check PLAN [--accuracy CLASS] [--full]"), std::string::npos);
    EXPECT_NE(r.out.find("Surveyed Polygons"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(PlanCheck, PrintsTheSummaryAndTellsWhetherEveryParcelCloses) {
    struct Case {
        const char* goldenCase;
        const char* given; // the plan as named on the command line
        bool full;
        int status;
    };
    const Case cases[] = {{"closed", "D1001", false, 0},      {"closed", "D1001.lns", true, 0},
                          {"failing", "D1001.LNS", false, 1}, {"failing", "D1001.Lns", true, 1},
                          {"missing", "D1001", false, 1},     {"arcs", "D1001", true, 1},
                          {"sample", "D1001.lns", false, 0}};
    for (const Case& c : cases) {
        test::PlanTestDir dir;
        copyPlan(dir, c.goldenCase);
        std::vector<std::string> args = {"--check", dir.path(c.given)};
        if (c.full)
            args.push_back("--full");
        CheckRun r = check(args);
        SCOPED_TRACE(c.goldenCase);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out,
                  expected(c.goldenCase, c.full ? "full.txt" : "summary.txt", dir.path("D1001")));
        EXPECT_EQ(r.err, "");
    }
}

TEST(PlanCheck, AccuracyClassDecides) {
    test::PlanTestDir dir;
    copyPlan(dir, "failing");
    CheckRun rural =
        check({"--check", dir.path("D1001"), "--accuracy", "Rural Survey (prior Feb 2019)"});
    EXPECT_EQ(rural.status, 0);
    EXPECT_NE(rural.out.find("Accuracy criterion = Rural Survey (prior Feb 2019)"),
              std::string::npos);
    EXPECT_NE(rural.out.find("LT3 OK Area = 9995 m\xC2\xB2"), std::string::npos);

    // A class in another letter case is that class.
    CheckRun level = check({"--accuracy", "LEVEL OR UNDULATING", "--check", dir.path("D1001")});
    EXPECT_NE(level.out.find("Accuracy criterion = Level or undulating"), std::string::npos);
    EXPECT_NE(level.out.find("AL5 OK"), std::string::npos);

    // Text that is no class would allow no misclosure and fail every parcel: it is refused
    // before the plan is read, with the classes to choose from.
    test::PlanTestDir closed;
    copyPlan(closed, "closed");
    for (const char* typo : {"rural survey", "none", ""}) {
        CheckRun refused = check({"--check", closed.path("D1001"), "--accuracy", typo});
        EXPECT_EQ(refused.status, 2) << typo;
        EXPECT_EQ(refused.out, "") << typo;
        EXPECT_EQ(refused.err.rfind("Unknown accuracy class \"" + std::string(typo) + "\"\n", 0),
                  0u)
            << refused.err;
        EXPECT_NE(refused.err.find("\n  Commercial and City Frame District\n"), std::string::npos);
    }
}

TEST(PlanCheck, UnreadablePlansAndCommandLinesExitWithTwoAndTheReason) {
    const char* kParcel = "\"AL1\",0,\"C\"\r\n1\r\n2\r\n";
    const char* cases[][4] = {
        // lines, polygons, curves, reason
        {"1,2,0.0000,10.000\r\n", nullptr, nullptr, "No polygons file found"},
        {nullptr, kParcel, nullptr, "No lines loaded"},
        {"1,2,0.0000,10.000\r\n\r\n", kParcel, nullptr, "Blank line found in lines file"},
        {"1,2,0.0000,10.000\r\n", "1\r\n2\r\n", nullptr, "No parcels to close"},
        {"1,2,1010.0000,10.000\r\n", kParcel, "1,2,R\r\n", "not a curve record"}};
    for (const auto& c : cases) {
        test::PlanTestDir dir;
        for (int i = 0; i < 3; ++i)
            if (c[i])
                dir.write(std::string("p.") + (i == 0 ? "lns" : i == 1 ? "ply" : "cve"), c[i]);
        CheckRun r = check({"--check", dir.path("p.lns")});
        EXPECT_EQ(r.status, 2) << c[3];
        EXPECT_EQ(r.out, "") << c[3];
        EXPECT_NE(r.err.find(c[3]), std::string::npos) << c[3] << ": " << r.err;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--check"},
                                                 {"--check", "p", "--accuracy"},
                                                 {"--full"},
                                                 {"--check", "p", "extra"}}) {
        CheckRun r = check(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
}

} // namespace
} // namespace corvane

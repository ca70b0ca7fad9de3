#include "core/plancheck.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace corvane {
namespace {

const std::string kGoldenDir = std::string(CORVANE_SOURCE_DIR) + "/tests/core/golden/";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

struct CheckRun {
    int status;
    std::string out;
    std::string err;
};

CheckRun check(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = RunPlanCheck(args, out, err);
    return {status, out.str(), err.str()};
}

// A golden case's plan copied to a scratch folder under another name, its files in the
// letter cases given (plan files are found whatever their case).
void copyPlan(const test::PlanTestDir& dir, const std::string& goldenCase, const std::string& lns,
              const std::string& ply, const std::string& cve) {
    const std::string from = kGoldenDir + goldenCase + "/plan";
    fs::copy_file(from + ".lns", dir.path(lns));
    fs::copy_file(from + ".ply", dir.path(ply));
    if (fs::exists(from + ".cve"))
        fs::copy_file(from + ".cve", dir.path(cve));
}

std::string expected(const std::string& goldenCase, const char* file, const std::string& plan) {
    return replaceAll(readFile(kGoldenDir + goldenCase + "/" + file), "{PLAN}", plan);
}

TEST(PlanCheck, RecognisedOnTheCommandLine) {
    EXPECT_TRUE(IsCommandLineCheck({"--check", "x.lns"}));
    EXPECT_TRUE(IsCommandLineCheck({"--help"}));
    EXPECT_TRUE(IsCommandLineCheck({"--full", "--check", "x"}));
    EXPECT_FALSE(IsCommandLineCheck({}));
    EXPECT_FALSE(IsCommandLineCheck({"/plans/D1001.lns"}));
    EXPECT_FALSE(IsCommandLineCheck({"VRX\\\\server\\plans"}));
}

TEST(PlanCheck, HelpListsTheCheck) {
    CheckRun r = check({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("corvane --check PLAN [--accuracy CLASS] [--full]"), std::string::npos);
    EXPECT_NE(r.out.find("Surveyed Polygons"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(PlanCheck, PrintsTheSummaryAndTellsWhetherEveryParcelCloses) {
    struct Case {
        const char* goldenCase;
        std::vector<std::string> options;
        const char* expectedFile;
        int status;
    };
    const Case cases[] = {
        {"closed", {}, "summary.txt", 0},  {"closed", {"--full"}, "full.txt", 0},
        {"failing", {}, "summary.txt", 1}, {"failing", {"--full"}, "full.txt", 1},
        {"missing", {}, "summary.txt", 1}, {"arcs", {"--full"}, "full.txt", 1},
        {"sample", {}, "summary.txt", 0},
    };
    for (const Case& c : cases) {
        test::PlanTestDir dir;
        const std::string from = kGoldenDir + c.goldenCase + "/";
        for (const auto& entry : fs::directory_iterator(from)) {
            std::string name = entry.path().filename().string();
            std::string ext = name.substr(name.size() - 4);
            if (ext == ".lns" || ext == ".ply" || ext == ".cve")
                fs::copy_file(entry.path(), dir.path("D1001" + ext));
        }
        const std::string plan = dir.path("D1001");
        std::vector<std::string> args = {"--check", plan + ".lns"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        CheckRun r = check(args);
        EXPECT_EQ(r.status, c.status) << c.goldenCase;
        EXPECT_EQ(r.out, expected(c.goldenCase, c.expectedFile, plan)) << c.goldenCase;
        EXPECT_EQ(r.err, "") << c.goldenCase;
    }
}

TEST(PlanCheck, PlanNamedAnyWayFindsItsFilesWhateverTheirCase) {
    test::PlanTestDir dir;
    copyPlan(dir, "failing", "D1001.LNS", "d1001.Ply", "D1001.cve");
    for (const std::string& given :
         {dir.path("D1001"), dir.path("D1001.lns"), dir.path("D1001.LNS"), dir.path("D1001.Lns")}) {
        const std::string plan = given.substr(0, dir.path("D1001").size());
        CheckRun r = check({"--check", given});
        EXPECT_EQ(r.status, 1) << given;
        EXPECT_EQ(r.out, expected("failing", "summary.txt", plan)) << given;
    }
}

TEST(PlanCheck, AccuracyClassDecides) {
    test::PlanTestDir dir;
    copyPlan(dir, "failing", "p.lns", "p.ply", "p.cve");
    CheckRun rural =
        check({"--check", dir.path("p"), "--accuracy", "Rural Survey (prior Feb 2019)"});
    EXPECT_EQ(rural.status, 0);
    EXPECT_NE(rural.out.find("Accuracy criterion = Rural Survey (prior Feb 2019)"),
              std::string::npos);
    EXPECT_NE(rural.out.find("LT3 OK Area = 9995 m\xC2\xB2"), std::string::npos);

    // An unknown class allows no misclosure at all, but an exact closure still passes.
    CheckRun strict = check({"--accuracy", "rural survey", "--check", dir.path("p")});
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.out.find("AL5 MISCLOSURE OF 0.010"), std::string::npos);

    test::PlanTestDir closed;
    copyPlan(closed, "closed", "p.lns", "p.ply", "p.cve");
    EXPECT_EQ(check({"--check", closed.path("p"), "--accuracy", "none"}).status, 0);
}

TEST(PlanCheck, OutputIsPlainTextLines) {
    test::PlanTestDir dir;
    copyPlan(dir, "arcs", "p.lns", "p.ply", "p.cve");
    CheckRun r = check({"--check", dir.path("p"), "--full"});
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(r.out.find('\t'), std::string::npos);
    EXPECT_EQ(r.out.find(" \n"), std::string::npos);
    EXPECT_NE(r.out.find("79 m\xC2\xB2"), std::string::npos); // the square metre sign in UTF-8
}

TEST(PlanCheck, UnreadablePlansExitWithTwoAndTheReason) {
    struct Case {
        const char* name;
        const char* lns;
        const char* ply;
        const char* cve;
        const char* message;
    };
    const Case cases[] = {
        {"no plan at all", nullptr, nullptr, nullptr, "No polygons file found"},
        {"no polygons file", "1,2,0.0000,10.000\r\n", nullptr, nullptr, "No polygons file found"},
        {"no lines file", nullptr, "\"AL1\",0,\"C\"\r\n1\r\n2\r\n", nullptr, "No lines loaded"},
        {"blank line in the lines file", "1,2,0.0000,10.000\r\n\r\n", "\"AL1\",0,\"C\"\r\n",
         nullptr, "Blank line found in lines file"},
        {"no parcel headings", "1,2,0.0000,10.000\r\n", "1\r\n2\r\n", nullptr,
         "No parcels to close"},
        {"curve file not readable", "1,2,1010.0000,10.000\r\n", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n",
         "1,2,R\r\n", "not a curve record"},
    };
    for (const Case& c : cases) {
        test::PlanTestDir dir;
        if (c.lns)
            dir.write("p.lns", c.lns);
        if (c.ply)
            dir.write("p.ply", c.ply);
        if (c.cve)
            dir.write("p.cve", c.cve);
        CheckRun r = check({"--check", dir.path("p.lns")});
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    }
}

TEST(PlanCheck, MalformedCommandLines) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--check"},
                                                 {"--check", "p", "--accuracy"},
                                                 {"--check", "p", "--verbose"},
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

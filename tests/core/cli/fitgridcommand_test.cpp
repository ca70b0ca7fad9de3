#include "core/cli/plancheck.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

struct FitRun {
    int status;
    std::string out;
    std::string err;
};

FitRun fitGrid(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCommandMode(args, out, err);
    return {status, out.str(), err.str()};
}

// A 30 × 40 m lot with three marks 10 m off its corners. On the map grid the plan is turned
// 90° clockwise and shifted: plan (e, n) lies at grid (E0 + n, N0 − e). The builder puts
// point 1 at (7.0711, 7.0711) after moving PM1 to the origin.
class FitGridCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("F1.lns", "1,2,0,40\r\n2,3,90,30\r\n3,4,180,40\r\n4,1,270,30\r\n"
                            "1,44441,225,10\r\n3,44442,45,10\r\n2,44443,315,10\r\n");
    }
    test::PlanTestDir dir;
};

TEST_F(FitGridCommandTest, PrintsTheFitAndExitsByItsVerdict) {
    dir.write("F1.grd", "ZONE,56\r\nDATUM,GDA2020\r\nPM1,300000,6200000\r\n"
                        "PM2,300054.14213562,6199955.85786438\r\nPM3,300054.14213562,6200000\r\n");
    FitRun run = fitGrid({"--fit-grid", dir.path("F1.lns")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (const char* part : {"Map grid fit of F1", "Plan coordinates: adjusted",
                             "zone 56, datum GDA2020, EPSG:7856", "(0.00 ppm)",
                             "324000.00 seconds (90\xC2\xB0"
                             "0'0.0\")",
                             "Shift: east 300000.000, north 6200000.000"})
        EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;

    run = fitGrid({"--fit-grid", dir.path("F1"), "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("{\"plan\": \"F1\", \"fitted\": true, \"source\": \"adjusted\",\n "
                            "\"scale_ppm\": 0.000, \"rotation_seconds\": 324000.00, \"shift\": "
                            "{\"east\": 300000.0000, \"north\": 6200000.0000}, \"rms\": 0.0000,\n "
                            "\"zone\": 56, \"datum\": \"GDA2020\", \"epsg\": 7856,\n \"marks\": "
                            "[\n  {\"mark\": \"PM1\", \"east\": 300000.0000, \"north\": "
                            "6200000.0000, \"residual_east\": 0.0000, \"residual_north\": 0.0000, "
                            "\"residual\": 0.0000, \"flagged\": false},",
                            0),
              0u)
        << run.out;

    // A CSV of the marks with one disturbed 0.2 m, and a fourth mark to tell it by.
    dir.write("m.csv", "mark,east,north\nPM1,300000,6200000\nPM2,300054.14213562,6199955.85786438\n"
                       "PM3,300054.14213562,6200000\nPM4,300000.2,6199955.85786438\n");
    dir.write("F1.lns", dir.read("F1.lns") + "4,44444,135,10\r\n");
    run = fitGrid({"--fit-grid", dir.path("F1"), "--marks", dir.path("m.csv"), "--json"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("\"left_out\": [\"PM4\"]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"zone\": 56"), std::string::npos) << run.out; // still the plan's

    run = fitGrid({"--fit-grid", dir.path("F1"), "--marks", dir.path("m.csv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("0.200  flagged: possibly disturbed, left out"), std::string::npos)
        << run.out;
    run =
        fitGrid({"--fit-grid", dir.path("F1"), "--marks", dir.path("m.csv"), "--tolerance", "0.3"});
    EXPECT_EQ(run.status, 0) << run.out;
}

TEST_F(FitGridCommandTest, StaysLocalOrRefuses) {
    // No grid file: nothing to fit, said as a finding.
    FitRun run = fitGrid({"--fit-grid", dir.path("F1"), "--json"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("\"fitted\": false"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"scale_ppm\": null"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No mark of the plan has map grid coordinates"), std::string::npos);

    dir.write("F1.grd", "PM1,300000,6200000\r\n");
    run = fitGrid({"--fit-grid", dir.path("F1")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Not fitted: the plan stays on its local coordinates"),
              std::string::npos)
        << run.out;

    for (const char* tolerance : {"0", "-1", "5cm"}) {
        run = fitGrid({"--fit-grid", dir.path("F1"), "--tolerance", tolerance});
        EXPECT_EQ(run.status, 2) << tolerance;
        EXPECT_NE(run.err.find("--tolerance needs M"), std::string::npos) << run.err;
    }
    run = fitGrid({"--fit-grid", dir.path("F1"), "--marks", dir.path("none.csv")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("none.csv"), std::string::npos) << run.err;
    dir.write("F1.grd", "ZONE,99\r\n");
    run = fitGrid({"--fit-grid", dir.path("F1")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("F1.grd line 1"), std::string::npos) << run.err;
    EXPECT_EQ(fitGrid({"--fit-grid", dir.path("F9")}).status, 2);
}

} // namespace
} // namespace corvane

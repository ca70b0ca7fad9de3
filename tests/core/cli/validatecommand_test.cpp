#include "core/cli/plancheck.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace corvane {
namespace {

struct Validation {
    int status;
    std::string out;
    std::string err;
};

Validation validate(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCommandMode(args, out, err);
    return {status, out.str(), err.str()};
}

// A lot of 30 × 40 m tied to two permanent marks, its area stated as given.
void writePlan(const test::PlanTestDir& dir, const std::string& area) {
    dir.write("D7.lns", "1,2,0,40\r\n2,3,90,30\r\n3,4,180,40\r\n4,1,270,30\r\n"
                        "1,44441,225,10\r\n3,55552,45,10\r\n");
    dir.write("D7.ply", "\"LT1\"," + area + ",\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n");
}

TEST(ValidateCommand, ExitsByTheWorstFinding) {
    test::PlanTestDir dir;
    writePlan(dir, "1200");
    Validation run = validate({"--validate", dir.path("D7.lns")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Plan check of D7"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("error  "), std::string::npos) << run.out;

    writePlan(dir, "1250");
    run = validate({"--validate", dir.path("D7"), "--json"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(run.out.rfind("{\"plan\": \"D7\", \"findings\": [\n  {\"rule\": \"area-stated\", "
                            "\"grade\": \"error\", \"parcel\": \"LT1\", \"message\": \"LT1: the "
                            "stated area 1250 m\xC2\xB2",
                            0),
              0u)
        << run.out;
}

TEST(ValidateCommand, RefusesWhatItCannotCheck) {
    test::PlanTestDir dir;
    Validation run = validate({"--validate", dir.path("D8.lns")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Cannot find the lines file"), std::string::npos) << run.err;

    writePlan(dir, "1200");
    run = validate({"--validate", dir.path("D7"), "--accuracy", "Flat"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Unknown accuracy class"), std::string::npos) << run.err;

    dir.write("D7.cve", "not,a,curve\r\n");
    run = validate({"--validate", dir.path("D7")});
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(run.out.empty());
}

TEST(ValidateCommand, SamplePlanIsReadyForLodgement) {
    test::PlanTestDir dir;
    for (const char* ext : {".lns", ".ply", ".cve", ".sdb"}) {
        std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/examples/D20417" + ext,
                         std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        dir.write(std::string("D20417") + ext, content.str());
    }
    const Validation run = validate({"--validate", dir.path("D20417")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

} // namespace
} // namespace corvane

#include "core/files/planfiles.h"

#include "core/base/textfile.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;
using Names = std::vector<std::string>;

namespace {

// The user at the question box: answers from a script (then Cancel), every question kept.
struct ScriptedUser {
    std::vector<Reply> answers;
    Names questions;
    AskFn ask() {
        return [this](const std::string& text) {
            questions.push_back(text);
            return questions.size() <= answers.size() ? answers[questions.size() - 1]
                                                      : Reply::Cancel;
        };
    }
};

LineRecord line(std::int32_t from, std::int32_t to) {
    return {from, to, 10.2030, 12.5, 0};
}

} // namespace

TEST(CopyPlanFiles, CopiesThePlanFilesThatExistAllOrNone) {
    test::PlanTestDir tmp;
    tmp.write("OLD.LNS", "1,2,10.2030,12.500\r\n");
    tmp.write("old.ply", "\"AL1\",0,\"C\"\n1\n2"); // kept as it is, line ends too
    tmp.write("old.sca", "Caf\xE9\r\n");
    tmp.write("old.sdb", "SURVEYOR\r\n");
    tmp.write("NEW.PLY", "older polygons\r\n");
    ASSERT_TRUE(CopyPlanFiles(tmp.path("old"), tmp.path("new")));
    // No curve file to copy; the survey data base is no plan copy; NEW.PLY is replaced.
    EXPECT_EQ(tmp.names(),
              (Names{"NEW.PLY", "OLD.LNS", "new.lns", "new.sca", "old.ply", "old.sca", "old.sdb"}));
    EXPECT_EQ(tmp.read("new.lns"), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(tmp.read("NEW.PLY"), "\"AL1\",0,\"C\"\n1\n2");
    EXPECT_EQ(tmp.read("new.sca"), "Caf\xE9\r\n");

    // One file that cannot be written: the new name gets none of them, not a plan whose
    // lines are one plan's and parcels another's.
    tmp.write("old.cve", "curve\r\n");
    tmp.write("OLD.LNS", "1,2,10.2030,99.000\r\n");
    fs::remove(tmp.path("NEW.PLY"));
    tmp.write("new.ply/x", "a folder in the way");
    EXPECT_TRUE(
        test::Refused(CopyPlanFiles(tmp.path("old"), tmp.path("new")), "Copy CORVANE files error"));
    EXPECT_FALSE(FileExists(tmp.path("new.cve")));
    EXPECT_EQ(tmp.read("new.lns"), "1,2,10.2030,12.500\r\n");
    // The whole plan, its survey record and coordinates with it, in one commit.
    fs::remove_all(tmp.path("new.ply"));
    ASSERT_TRUE(CopyWholePlan(tmp.path("old"), tmp.path("third")));
    EXPECT_EQ(tmp.read("third.sdb"), "SURVEYOR\r\n");
    EXPECT_EQ(tmp.read("third.cve"), "curve\r\n");
    EXPECT_FALSE(FileExists(tmp.path("third.corvane-change")));
}

TEST(CopyTextFile, AnEmptySourceIsRefusedAndTheCopyKept) {
    test::PlanTestDir tmp;
    tmp.write("empty.ply", "");
    tmp.write("b.ply", "kept\r\n");
    auto empty = CopyTextFile(tmp.path("empty.ply"), tmp.path("b.ply"));
    EXPECT_EQ(test::ErrorText(empty), "CORVANE: Error copying file");
    EXPECT_TRUE(IsEmptyCopySource(empty.error()));
    EXPECT_EQ(tmp.read("b.ply"), "kept\r\n");
}

class ChangePointNumberTest : public ::testing::Test {
  protected:
    test::PlanTestDir tmp;
    PlanState plan;
    ScriptedUser user;
    void SetUp() override { plan.PlanPath = tmp.path("D1"); }
};

TEST_F(ChangePointNumberTest, AsksAboutEveryLineAndParcelAndChangesOnlyTheConfirmed) {
    plan.PlanLines = {line(12, 7), line(3, 4), line(8, 12), line(12, 12)};
    const std::string polygons = "\"AL1\",100,\"C\"\r\n12\r\n7\r\n8\r\n12\r\n"
                                 "\"AL12\",50,\"A\"\r\n120\r\n12\r\n3\r\n12\r\n"
                                 "\"AL3\",0,\"C\"\r\n12\r\n4\r\n12\r\n";
    tmp.write("D1.ply", polygons);
    user.answers = {Reply::Yes, Reply::No, Reply::Yes,     // lines
                    Reply::Yes, Reply::No, Reply::Cancel}; // parcels
    ASSERT_TRUE(ChangePointNumber(plan, 12, 15, user.ask()));
    EXPECT_EQ(user.questions, (Names{
                                  "Point found in line  12 to  7\nChange this line ?",
                                  "Point found in line  8 to  12\nChange this line ?",
                                  "Point found in line  12 to  12\nChange this line ?",
                                  "Point found in parcel AL1\nChange this point ?",
                                  "Point found in parcel AL12\nChange this point ?",
                                  "Point found in parcel AL3\nChange this point ?",
                              }));
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 15);
    EXPECT_EQ(plan.PlanLines[2].ToPoint, 12);
    EXPECT_EQ(plan.PlanLines[3].FromPoint, 15);
    EXPECT_EQ(plan.PlanLines[3].ToPoint, 15);
    // A closed parcel's first and last point are one corner: one Yes changes both; the
    // identifier AL12 and point 120 are not point 12.
    EXPECT_EQ(tmp.read("D1.ply"), "\"AL1\",100,\"C\"\r\n15\r\n7\r\n8\r\n15\r\n"
                                  "\"AL12\",50,\"A\"\r\n120\r\n12\r\n3\r\n12\r\n"
                                  "\"AL3\",0,\"C\"\r\n12\r\n4\r\n12\r\n");
    EXPECT_EQ(tmp.read("D1.~ly"), polygons);
}

TEST_F(ChangePointNumberTest, CancelInTheLinesStillAsksAboutTheParcels) {
    plan.PlanLines = {line(5, 6), line(6, 7), line(7, 5)};
    tmp.write("D1.PLY", "\"LT1\",0,\"C\"\n5\n6\n7\n5\n"); // found whatever its case
    user.answers = {Reply::Cancel, Reply::Yes};
    ASSERT_TRUE(ChangePointNumber(plan, 5, 9, user.ask()));
    EXPECT_EQ(user.questions.size(), 2u);
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 5);
    EXPECT_EQ(plan.PlanLines[2].ToPoint, 5);
    EXPECT_EQ(tmp.read("D1.PLY"), "\"LT1\",0,\"C\"\r\n9\r\n6\r\n7\r\n9\r\n");
    EXPECT_EQ(tmp.names(), (Names{"D1.PLY", "D1.~LY"}));
}

TEST_F(ChangePointNumberTest, WithoutAPolygonsFileTheBackupFailsAndNothingIsWritten) {
    plan.PlanLines = {line(3, 4)};
    user.answers = {Reply::Yes};
    EXPECT_TRUE(test::Refused(ChangePointNumber(plan, 3, 8, user.ask()), "Make backup error"));
    EXPECT_EQ(user.questions.size(), 1u);
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 8); // the caller still saves the lines
    EXPECT_TRUE(tmp.names().empty());
}

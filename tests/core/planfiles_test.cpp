#include "core/planfiles.h"

#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

// The names in a folder, sorted.
std::vector<std::string> listFolder(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The user at the question box: answers from a script, and every question remembered.
struct ScriptedUser {
    std::deque<Reply> answers;
    std::vector<std::string> questions;
    AskFn ask() {
        return [this](const std::string& text) {
            questions.push_back(text);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << text;
                return Reply::Cancel;
            }
            Reply r = answers.front();
            answers.pop_front();
            return r;
        };
    }
};

LineRecord line(std::int32_t from, std::int32_t to) {
    return {from, to, 10.2030, 12.5, 0};
}

} // namespace

TEST(CopyPlanFiles, CopiesTheFourPlanFilesThatExist) {
    test::PlanTestDir tmp;
    tmp.write("OLD.LNS", "1,2,10.2030,12.500\r\n");
    tmp.write("old.ply", "\"AL1\",0,\"C\"\n1\n2"); // kept as it is, line ends too
    tmp.write("old.sca", "Caf\xE9\r\n");
    tmp.write("old.sdb", "SURVEYOR\r\n");
    tmp.write("old.cor", "1,0,0\r\n");
    tmp.write("NEW.PLY", "older polygons\r\n");

    ASSERT_TRUE(CopyPlanFiles(tmp.path("old"), tmp.path("new")));
    EXPECT_EQ(tmp.read("new.lns"), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(tmp.read("NEW.PLY"), "\"AL1\",0,\"C\"\n1\n2");
    EXPECT_EQ(tmp.read("new.sca"), "Caf\xE9\r\n");
    // No curve file to copy; the survey data base and coordinate files are not plan copies.
    EXPECT_FALSE(FileExists(tmp.path("new.cve")));
    EXPECT_FALSE(FileExists(tmp.path("new.sdb")));
    EXPECT_FALSE(FileExists(tmp.path("new.cor")));
    // The existing target is replaced under its own name.
    EXPECT_FALSE(fs::exists(tmp.path("new.ply")));
}

TEST(CopyPlanFiles, StopsAtTheFirstFailure) {
    test::PlanTestDir tmp;
    tmp.write("old.lns", "1,2,10.2030,12.500\r\n");
    tmp.write("old.ply", "\"AL1\",0,\"C\"\r\n");
    tmp.write("old.cve", "curve\r\n");
    fs::create_directory(tmp.path("new.ply"));

    Status s = CopyPlanFiles(tmp.path("old"), tmp.path("new"));
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().title, "Copy CORVANE files error");
    EXPECT_TRUE(FileExists(tmp.path("new.lns")));
    EXPECT_FALSE(FileExists(tmp.path("new.cve")));
}

TEST(CopyTextFile, CopiesLinesSkipsMissingAndRefusesEmptySources) {
    test::PlanTestDir tmp;
    tmp.write("a.ply", "\"AL1\",0,\"C\"\n1\n2");
    auto copied = CopyTextFile(tmp.path("A.PLY"), tmp.path("b.ply"));
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied.value().copied);
    EXPECT_EQ(tmp.read("b.ply"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n");

    auto missing = CopyTextFile(tmp.path("none.ply"), tmp.path("b.ply"));
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing.value().copied);
    EXPECT_TRUE(missing.value().sourceMissing);

    tmp.write("empty.ply", "");
    auto empty = CopyTextFile(tmp.path("empty.ply"), tmp.path("b.ply"));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().message, "Error copying file");
    EXPECT_TRUE(IsEmptyCopySource(empty.error()));
    EXPECT_EQ(tmp.read("b.ply"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n");

    fs::create_directory(tmp.path("dir.ply"));
    auto blocked = CopyTextFile(tmp.path("a.ply"), tmp.path("dir.ply"));
    ASSERT_FALSE(blocked);
    EXPECT_FALSE(IsEmptyCopySource(blocked.error()));
}

class ChangePointNumberTest : public ::testing::Test {
  protected:
    test::PlanTestDir tmp;
    PlanState plan;
    ScriptedUser user;

    void SetUp() override { plan.PlanPath = tmp.path("D1"); }
    void writePolygons(const std::string& content) { tmp.write("D1.ply", content); }
    std::string polygons() const { return tmp.read("D1.ply"); }
};

TEST_F(ChangePointNumberTest, AsksAboutEveryLineAndParcelAndChangesOnlyTheConfirmed) {
    plan.PlanLines = {line(12, 7), line(3, 4), line(8, 12), line(12, 12)};
    writePolygons("\"AL1\",100,\"C\"\r\n12\r\n7\r\n8\r\n12\r\n"
                  "\"AL12\",50,\"A\"\r\n120\r\n12\r\n3\r\n12\r\n"
                  "\"AL3\",0,\"C\"\r\n12\r\n4\r\n12\r\n");
    user.answers = {Reply::Yes, Reply::No, Reply::Yes,     // lines
                    Reply::Yes, Reply::No, Reply::Cancel}; // parcels

    ASSERT_TRUE(ChangePointNumber(plan, 12, 15, user.ask()));

    EXPECT_EQ(user.questions, (std::vector<std::string>{
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
    EXPECT_EQ(polygons(), "\"AL1\",100,\"C\"\r\n15\r\n7\r\n8\r\n15\r\n"
                          "\"AL12\",50,\"A\"\r\n120\r\n12\r\n3\r\n12\r\n"
                          "\"AL3\",0,\"C\"\r\n12\r\n4\r\n12\r\n");
    // The backup holds the file as it was.
    EXPECT_EQ(tmp.read("D1.~ly"), "\"AL1\",100,\"C\"\r\n12\r\n7\r\n8\r\n12\r\n"
                                  "\"AL12\",50,\"A\"\r\n120\r\n12\r\n3\r\n12\r\n"
                                  "\"AL3\",0,\"C\"\r\n12\r\n4\r\n12\r\n");
}

TEST_F(ChangePointNumberTest, CancelInTheLinesStillRenumbersTheParcels) {
    plan.PlanLines = {line(5, 6), line(6, 7), line(7, 5)};
    writePolygons("\"LT1\",0,\"C\"\n5\n6\n7\n5\n");
    user.answers = {Reply::Cancel, Reply::Yes};

    ASSERT_TRUE(ChangePointNumber(plan, 5, 9, user.ask()));
    EXPECT_EQ(user.questions.size(), 2u);
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 5);
    EXPECT_EQ(plan.PlanLines[2].ToPoint, 5);
    EXPECT_EQ(polygons(), "\"LT1\",0,\"C\"\r\n9\r\n6\r\n7\r\n9\r\n");
}

TEST_F(ChangePointNumberTest, UnusedPointAsksNothingAndRewritesThroughTheBackup) {
    plan.PlanLines = {line(1, 2)};
    writePolygons("\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
    ASSERT_TRUE(ChangePointNumber(plan, 44, 45, user.ask()));
    EXPECT_TRUE(user.questions.empty());
    EXPECT_EQ(polygons(), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
    EXPECT_TRUE(FileExists(tmp.path("D1.~ly")));
}

TEST_F(ChangePointNumberTest, FindsThePolygonsFileWhateverItsCase) {
    tmp.write("D1.PLY", "\"AL1\",0,\"C\"\r\n3\r\n");
    user.answers = {Reply::Yes};
    ASSERT_TRUE(ChangePointNumber(plan, 3, 4, user.ask()));
    EXPECT_EQ(tmp.read("D1.PLY"), "\"AL1\",0,\"C\"\r\n4\r\n");
    EXPECT_EQ(listFolder(tmp.path("")), (std::vector<std::string>{"D1.PLY", "D1.~LY"}));
}

TEST_F(ChangePointNumberTest, WithoutAPolygonsFileTheBackupFailsAndNothingIsWritten) {
    plan.PlanLines = {line(3, 4)};
    user.answers = {Reply::Yes};
    Status s = ChangePointNumber(plan, 3, 8, user.ask());
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().title, "Make backup error");
    EXPECT_EQ(plan.PlanLines[0].FromPoint, 8); // the caller still saves the lines
    EXPECT_TRUE(listFolder(tmp.path("")).empty());
}

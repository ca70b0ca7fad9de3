#include "core/sdbfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {} // namespace

TEST(SurveyDataBase, SavesNameUpperCasedDateAsTypedAndMarksInOrder) {
    test::PlanTestDir tmp;
    SurveyRecord record{"John Sm\xEDth", "1/2/2000 am", {"662812345", "555512"}};
    auto saved = SaveSDBfile(tmp.path("D1"), record);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved.value());
    EXPECT_EQ(tmp.read("D1.sdb"), "JOHN SM\xEDTH\r\n1/2/2000 am\r\n662812345\r\n555512\r\n");

    SurveyRecord back = LoadSDBfile(tmp.path("D1"));
    EXPECT_EQ(back.Surveyor, "JOHN SM\xEDTH");
    EXPECT_EQ(back.FieldDate, "1/2/2000 am");
    EXPECT_EQ(back.MarksGone, (std::vector<std::string>{"662812345", "555512"}));
}

TEST(SurveyDataBase, ReadsShortFilesAndEitherLineEnd) {
    test::PlanTestDir tmp;
    tmp.write("a.sdb", "ONLY A NAME");
    SurveyRecord a = LoadSDBfile(tmp.path("a"));
    EXPECT_EQ(a.Surveyor, "ONLY A NAME");
    EXPECT_EQ(a.FieldDate, "");
    EXPECT_TRUE(a.MarksGone.empty());

    tmp.write("B.SDB", "NAME\n01/01/2000\n666612\n");
    SurveyRecord b = LoadSDBfile(tmp.path("b"));
    EXPECT_EQ(b.FieldDate, "01/01/2000");
    EXPECT_EQ(b.MarksGone, std::vector<std::string>{"666612"});

    SurveyRecord none = LoadSDBfile(tmp.path("none"));
    EXPECT_TRUE(none.Surveyor.empty() && none.FieldDate.empty() && none.MarksGone.empty());
}

TEST(SurveyDataBase, WithoutASurveyorNothingIsWritten) {
    test::PlanTestDir tmp;
    auto first = SaveSDBfile(tmp.path("D1"), {"", "01/01/2000", {}});
    ASSERT_TRUE(first);
    EXPECT_FALSE(first.value());
    EXPECT_FALSE(fs::exists(tmp.path("D1.sdb")));

    // Clearing the name does not clear a stored record.
    tmp.write("D1.sdb", "SURVEYOR\r\n01/01/2000\r\n");
    ASSERT_TRUE(SaveSDBfile(tmp.path("D1"), {"", "02/02/2002", {"666612"}}));
    EXPECT_EQ(tmp.read("D1.sdb"), "SURVEYOR\r\n01/01/2000\r\n");
}

TEST(SurveyDataBase, RewritesTheExistingFileWhateverItsCase) {
    test::PlanTestDir tmp;
    tmp.write("D1.SDB", "OLD\r\n");
    ASSERT_TRUE(SaveSDBfile(tmp.path("D1"), {"new", "", {}}));
    EXPECT_EQ(tmp.read("D1.SDB"), "NEW\r\n\r\n");
    EXPECT_FALSE(fs::exists(tmp.path("D1.sdb")));
}

TEST(SurveyDataBase, FailedWriteIsReportedNamingTheFile) {
    test::PlanTestDir tmp;
    fs::create_directory(tmp.path("D1.sdb"));
    auto saved = SaveSDBfile(tmp.path("D1"), {"Name", "", {}});
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().message.find("D1.sdb"), std::string::npos);
    EXPECT_FALSE(saved.error().title.empty());
}

TEST(ValidPSMNumber, JudgesTheFirstFourCharacters) {
    const std::pair<const char*, bool> cases[] =
        {
            {"662812345", true}, {"5000", true}, {"50001", true}, {"4999123", false},
            {"500", false},      {"123", false}, {"", false},     {"PM12", false},
            {" 5000", false}, // the fourth character ends the value: " 500"
        };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(ValidPSMNumber(text, 5000), valid) << text;
}

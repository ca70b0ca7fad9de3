#include "core/sdbfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(SurveyDataBase, SavesNameUpperCasedDateAsTypedAndMarksInOrder) {
    test::PlanTestDir tmp;
    auto saved =
        SaveSDBfile(tmp.path("D1"), {"John Sm\xEDth", "1/2/2000 am", {"662812345", "555512"}});
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved.value());
    EXPECT_EQ(tmp.read("D1.sdb"), "JOHN SM\xEDTH\r\n1/2/2000 am\r\n662812345\r\n555512\r\n");
    SurveyRecord back = LoadSDBfile(tmp.path("D1"));
    EXPECT_EQ(back.Surveyor, "JOHN SM\xEDTH");
    EXPECT_EQ(back.FieldDate, "1/2/2000 am");
    EXPECT_EQ(back.MarksGone, (std::vector<std::string>{"662812345", "555512"}));

    tmp.write("B.SDB", "OLD\n01/01/2000\n666612\n"); // found whatever its case, LF read
    EXPECT_EQ(LoadSDBfile(tmp.path("b")).MarksGone, std::vector<std::string>{"666612"});
    ASSERT_TRUE(SaveSDBfile(tmp.path("b"), {"new", "", {}}));
    EXPECT_FALSE(tmp.exists("b.sdb"));
    EXPECT_EQ(tmp.read("B.SDB"), "NEW\r\n\r\n");

    // Short and missing files read as far as they go.
    tmp.write("a.sdb", "ONLY A NAME");
    SurveyRecord a = LoadSDBfile(tmp.path("a"));
    EXPECT_EQ(a.Surveyor, "ONLY A NAME");
    EXPECT_TRUE(a.FieldDate.empty() && a.MarksGone.empty());
    SurveyRecord none = LoadSDBfile(tmp.path("none"));
    EXPECT_TRUE(none.Surveyor.empty() && none.FieldDate.empty() && none.MarksGone.empty());
}

TEST(SurveyDataBase, RefusalsWriteNothing) {
    test::PlanTestDir tmp;
    auto first = SaveSDBfile(tmp.path("D1"), {"", "01/01/2000", {}});
    ASSERT_TRUE(first);
    EXPECT_FALSE(first.value());
    EXPECT_TRUE(tmp.names().empty());
    // Clearing the name does not clear a stored record.
    tmp.write("D1.sdb", "SURVEYOR\r\n01/01/2000\r\n");
    ASSERT_TRUE(SaveSDBfile(tmp.path("D1"), {"", "02/02/2002", {"666612"}}));
    EXPECT_EQ(tmp.read("D1.sdb"), "SURVEYOR\r\n01/01/2000\r\n");

    tmp.write("D2.sdb/x", "a folder in the way");
    EXPECT_TRUE(test::Refused(SaveSDBfile(tmp.path("D2"), {"Name", "", {}}),
                              "Save Survey Data Base error", "D2.sdb"));
}

// A mark number is judged by the value of its first four characters: " 5000" reads " 500".
TEST(ValidPSMNumber, JudgesTheFirstFourCharacters) {
    for (const char* good : {"662812345", "5000", "50001"})
        EXPECT_TRUE(ValidPSMNumber(good, 5000)) << good;
    for (const char* bad : {"4999123", "500", "", "PM12", " 5000"})
        EXPECT_FALSE(ValidPSMNumber(bad, 5000)) << bad;
}

// A date of field survey is a day of the calendar, written day first or year first; the record
// may still be unfinished (no date).
TEST(FieldDate, DayFirstOrYearFirstCalendarDaysOnly) {
    for (const char* good : {"", "7/12/2026", "07/12/2026", "29/2/2024", "2026-12-07", "1/1/1999"})
        EXPECT_FALSE(FieldDateFault(good)) << good;
    for (const char* bad : {"abc", "31/11/2026", "29/2/2026", "12/13/2026", "7/12/26", "2026-12-7",
                            "2026/12/07", "7-12-2026", "7/12/2026x", " 7/12/2026"})
        EXPECT_TRUE(FieldDateFault(bad)) << bad;
    EXPECT_EQ(FieldDateFault("abc")->substr(0, 44),
              "The date of field survey \"abc\" is not a date");
}

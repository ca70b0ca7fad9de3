#include "core/files/sdbfile.h"

#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/tools/scaledlines.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

using namespace corvane;

TEST(SurveyDataBase, SavesNameUpperCasedDateAsTypedAndMarksInOrder) {
    test::PlanTestDir tmp;
    auto saved =
        SaveSDBfile(tmp.path("D1"), {"John Sm\xEDth", "1/2/2000 am", {"662812345", "555512"}});
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved.value());
    EXPECT_EQ(tmp.read("D1.sdb"), "JOHN SM\xEDTH\r\n1/2/2000 am\r\n662812345\r\n555512\r\n");
    SurveyRecord back = LoadSDBfile(tmp.path("D1")).value();
    EXPECT_EQ(back.Surveyor, "JOHN SM\xEDTH");
    EXPECT_EQ(back.FieldDate, "1/2/2000 am");
    EXPECT_EQ(back.MarksGone, (std::vector<std::string>{"662812345", "555512"}));

    tmp.write("B.SDB", "OLD\n01/01/2000\n666612\n"); // found whatever its case, LF read
    EXPECT_EQ(LoadSDBfile(tmp.path("b")).value().MarksGone, std::vector<std::string>{"666612"});
    ASSERT_TRUE(SaveSDBfile(tmp.path("b"), {"new", "", {}}));
    EXPECT_FALSE(tmp.exists("b.sdb"));
    EXPECT_EQ(tmp.read("B.SDB"), "NEW\r\n\r\n");

    // Short and missing files read as far as they go.
    tmp.write("a.sdb", "ONLY A NAME");
    SurveyRecord a = LoadSDBfile(tmp.path("a")).value();
    EXPECT_EQ(a.Surveyor, "ONLY A NAME");
    EXPECT_TRUE(a.FieldDate.empty() && a.MarksGone.empty());
    SurveyRecord none = LoadSDBfile(tmp.path("none")).value();
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

// A survey record that cannot be read is reported with its cause, never taken for an empty
// record (whose save would then be refused for a reason that is not the real one, or would
// write over the surveyor's record).
TEST(SurveyDataBase, AnUnreadableFileIsReportedWithItsCause) {
    test::PlanTestDir tmp;
    tmp.write("a.sdb/x", "a folder in the way");
    EXPECT_TRUE(test::Refused(LoadSDBfile(tmp.path("a")), "Load Survey Data Base error",
                              "a.sdb: it is a folder"));
#ifndef _WIN32
    fs::create_symlink(tmp.path("share/b.sdb"), tmp.path("b.sdb"));
    EXPECT_TRUE(test::Refused(LoadSDBfile(tmp.path("b")), "Load Survey Data Base error",
                              "which does not exist"));
    // Without read permission (only where the tests do not run with every permission).
    tmp.write("c.sdb", "SURVEYOR\r\n");
    fs::permissions(tmp.path("c.sdb"), fs::perms::none);
    if (::geteuid() != 0) {
        EXPECT_TRUE(test::Refused(LoadSDBfile(tmp.path("c")), "Load Survey Data Base error",
                                  "c.sdb: Permission denied"));
    }
    fs::permissions(tmp.path("c.sdb"), fs::perms::owner_all);
#endif
}

// A survey record, curve or scaled lines file far beyond any plan's is refused unread,
// naming it: a 200 MB survey record once took 44 s and 4 GB to print a report.
TEST(SideFiles, FilesFarLargerThanAnyPlansAreRefusedUnread) {
    test::PlanTestDir tmp;
    std::string many;
    for (int i = 0; i <= kMaxLines; ++i)
        many += "1,2,3,4\r\n";
    const std::string longLine = "1,2,3," + std::string(5000, '4') + "\r\n";
    for (const std::string& content : {many, longLine}) {
        const std::string why = content == many ? "lines, far more" : "characters, far more";
        for (const char* ext : {".sdb", ".cve", ".sca"})
            tmp.write(std::string("p") + ext, content);
        EXPECT_TRUE(test::Refused(LoadSDBfile(tmp.path("p")), "Load Survey Data Base error",
                                  "survey data base file " + tmp.path("p.sdb")));
        EXPECT_TRUE(test::Refused(LoadSDBfile(tmp.path("p")), "Load Survey Data Base error", why));
        EXPECT_TRUE(test::Refused(ReadCurveFile(tmp.path("p")), "Load curve data error",
                                  "curve file " + tmp.path("p.cve")));
        EXPECT_TRUE(test::Refused(ReadCurveFile(tmp.path("p")), "Load curve data error", why));
        EXPECT_TRUE(test::Refused(ReadScaledRows(tmp.path("p")), "Error reading scaled lines",
                                  "scaled lines file " + tmp.path("p.sca")));
        EXPECT_TRUE(
            test::Refused(ReadScaledRows(tmp.path("p")), "Error reading scaled lines", why));
    }
    // A survey record of a few marks gone is far within the bound.
    tmp.write("q.sdb", "SURVEYOR\r\n1/1/2000\r\n662812345\r\n");
    EXPECT_TRUE(LoadSDBfile(tmp.path("q")));
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

#include "core/files/gridmarks.h"

#include "core/model/pointlabel.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace corvane {
namespace {

TEST(GridMarks, RoundTripKeepsZoneDatumSystemAndEveryFigure) {
    test::PlanTestDir dir;
    EXPECT_TRUE(ReadGridMarks(dir.path("P")).value().marks.empty()); // no file: no marks

    GridMarks grid;
    grid.zone = 56;
    grid.datum = "GDA2020";
    grid.system = "MGA2020 Zone 56, \"GDA2020\"";
    grid.marks = {{PointLabelToNumber("PM1234"), 334512.123, 6251234.456},
                  {17, -0.0004, 7000000.0001},
                  {PointLabelToNumber("SSM 88"), 1e8, 1}};
    ASSERT_TRUE(WriteGridMarks(dir.path("P"), grid));
    EXPECT_EQ(dir.read("P.grd").substr(0, 34), "ZONE,56\r\nDATUM,GDA2020\r\nSYSTEM,\"MG");
    EXPECT_NE(dir.read("P.grd").find("\r\nPM1234,334512.123,6251234.456\r\n"), std::string::npos);

    // Found whatever its letter case, as every plan file is.
    std::filesystem::rename(dir.path("P.grd"), dir.path("P.GRD"));
    const auto back = ReadGridMarks(dir.path("P"));
    ASSERT_TRUE(back) << test::ErrorText(back);
    EXPECT_EQ(back.value().zone, 56);
    EXPECT_EQ(back.value().datum, "GDA2020");
    EXPECT_EQ(back.value().system, "MGA2020 Zone 56, 'GDA2020'");
    ASSERT_EQ(back.value().marks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.value().marks[i].number, grid.marks[i].number);
        EXPECT_EQ(back.value().marks[i].east, grid.marks[i].east);
        EXPECT_EQ(back.value().marks[i].north, grid.marks[i].north);
    }
    // Rewritten in place, not beside it under another case.
    ASSERT_TRUE(WriteGridMarks(dir.path("P"), GridMarks{}));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"P.GRD"});
    EXPECT_TRUE(ReadGridMarks(dir.path("P")).value().marks.empty());
}

TEST(GridMarks, AnyBadLineRefusesTheWholeFile) {
    const struct {
        const char* line;
        const char* why;
    } cases[] = {{"ZONE,61", "zone"},
                 {"ZONE,55", "given twice"},
                 {"ZONE,5.5", "zone"},
                 {"ZONE", "one value"},
                 {"PM12,334512.1", "mark, east, north"},
                 {"XY12,334512.1,6251234.4", "no point label"},
                 {"PM12,334512.1,north", "numbers"},
                 {"PM12,1e3,6251234.4", "numbers"},
                 {"PM 1,5,6", "given twice"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::PlanTestDir dir;
        dir.write("P.grd", std::string("ZONE,56\r\nPM1,1,2\r\n\r\n") + c.line + "\r\n");
        EXPECT_TRUE(test::Refused(ReadGridMarks(dir.path("P")), "Map grid error", c.why));
        EXPECT_TRUE(
            test::Refused(ReadGridMarks(dir.path("P")), "Map grid error", "P.grd line 4: "));
    }
}

TEST(GridMarks, AWriteThatFailsSaysSo) {
    test::PlanTestDir dir;
    std::filesystem::create_directory(dir.path("P.grd"));
    GridMarks grid;
    grid.marks = {{5, 3, 4}};
    EXPECT_TRUE(test::Refused(WriteGridMarks(dir.path("P"), grid), "Map grid error", "P.grd"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("P.grd")));
}

TEST(MarksCsv, ReadsASpreadsheetsMarksAndRefusesAnythingElse) {
    test::PlanTestDir dir;
    dir.write("m.csv", "\xEF\xBB\xBFMark,East,North\r\n\r\nPM 12,334512.123,6251234.456\n"
                       "\"SSM5\", 334600 ,6251300.5\n");
    const auto marks = ReadMarksCsv(dir.path("m.csv"));
    ASSERT_TRUE(marks) << test::ErrorText(marks);
    ASSERT_EQ(marks.value().size(), 2u);
    EXPECT_EQ(marks.value()[0].number, PointLabelToNumber("PM12"));
    EXPECT_EQ(marks.value()[0].east, 334512.123); // east first, as the heading says
    EXPECT_EQ(marks.value()[0].north, 6251234.456);
    EXPECT_EQ(marks.value()[1].number, PointLabelToNumber("SSM5"));

    const struct {
        const char* content;
        const char* why;
    } refused[] = {{"PM1,1,2\nMark,East,North\n", "line 2: \"Mark\" is no point label"},
                   {"PM1,1,2\nPM1,3,4\n", "line 2: PM1 is given twice"},
                   {"PM1,1,2,3\n", "line 1: a mark line"},
                   {"PM1,1;2\n", "line 1: a mark line"},
                   {"Mark,East,North\n", "holds no marks"},
                   {"", "holds no marks"}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.content);
        dir.write("bad.csv", c.content);
        EXPECT_TRUE(test::Refused(ReadMarksCsv(dir.path("bad.csv")), "Map grid error", c.why));
    }
    EXPECT_TRUE(test::Refused(ReadMarksCsv(dir.path("none.csv")), "Map grid error", "none.csv"));
}

} // namespace
} // namespace corvane

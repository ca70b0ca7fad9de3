#include "core/summary.h"

#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/printtext.h"
#include "plantestdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace corvane {
namespace {

// Each folder under golden/ holds one plan (its lines, polygons and curve files) and what
// the closure summary makes of it under "Surveyed Polygons":
//   rows.txt     the summary window's rows: mark, identifier, closure, stored area, the
//                calculated area offered with a "+" row, and the mark after marking;
//   summary.txt  the printed summary;
//   full.txt     the full closure report.
// The plan's path is written {PLAN}. Run the tests with CORVANE_UPDATE_GOLDEN=1 to rewrite
// the expected files after a deliberate change, and read the difference before keeping it.
const std::string kGoldenDir = std::string(CORVANE_SOURCE_DIR) + "/tests/core/golden/";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The plan in a golden folder: the base path of its polygons file.
std::string planIn(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.size() > 4 && UpperCase(name.substr(name.size() - 4)) == ".PLY")
            return folder + name.substr(0, name.size() - 4);
    }
    return folder + "plan";
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::string printed(const std::vector<PrintLine>& lines) {
    std::string out;
    for (const std::string& l : RenderPrintLines(lines))
        out += Latin1ToUtf8(l) + "\n";
    return out;
}

std::string rowsText(const std::vector<SummaryRow>& rows) {
    const std::vector<std::string> marks = MarkSummaryRows(rows);
    std::string out;
    for (size_t i = 0; i < rows.size(); ++i)
        out +=
            Latin1ToUtf8(rows[i].Text() + "\t" + rows[i].CalculatedArea + "\t" + marks[i]) + "\n";
    return out;
}

void expectGolden(const std::string& file, const std::string& actual) {
    if (std::getenv("CORVANE_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(readFile(file), actual) << "differs from " << file;
}

class SummaryGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(SummaryGolden, WholeOutputsOfEachMode) {
    const std::string folder = kGoldenDir + GetParam() + "/";
    PlanState plan;
    plan.PlanPath = planIn(folder);
    ASSERT_TRUE(LoadLines(plan));
    ASSERT_TRUE(plan.chkArray);

    auto rows = ClosureSummary(SummaryRows, plan, kDefaultAccuracyClass);
    ASSERT_TRUE(rows) << rows.error().message;
    EXPECT_TRUE(rows.value().Lines.empty());
    expectGolden(folder + "rows.txt", rowsText(rows.value().Rows));

    auto summary = ClosureSummary(SummaryPrint, plan, kDefaultAccuracyClass);
    ASSERT_TRUE(summary);
    expectGolden(folder + "summary.txt",
                 replaceAll(printed(summary.value().Lines), plan.PlanPath, "{PLAN}"));

    auto full = ClosureSummary(SummaryFull, plan, kDefaultAccuracyClass);
    ASSERT_TRUE(full);
    expectGolden(folder + "full.txt",
                 replaceAll(printed(full.value().Lines), plan.PlanPath, "{PLAN}"));

    // Every mode judges the parcels alike.
    ASSERT_EQ(summary.value().Rows.size(), rows.value().Rows.size());
    for (size_t i = 0; i < rows.value().Rows.size(); ++i) {
        EXPECT_EQ(summary.value().Rows[i].Status, rows.value().Rows[i].Status);
        EXPECT_EQ(full.value().Rows[i].Status, rows.value().Rows[i].Status);
    }
}

// closed: parcels that close exactly, run clockwise and anticlockwise, with calculated,
//   deduced and approximate areas; points before the first heading.
// failing: misclosures beyond the criterion and within it; a parcel without a stored area.
// missing: a "No Data" bearing, a line not in the lines file, a dropped line that shadows a
//   later line of the same pair, headings with no point and with one point.
// types: construction and easement parcels.
// arcs: arcs stored forwards and backwards, with a chord or a tangent; arcs without a bearing.
// sample: the sample plan shipped in examples/.
INSTANTIATE_TEST_SUITE_P(Plans, SummaryGolden,
                         ::testing::Values("closed", "failing", "missing", "types", "arcs",
                                           "sample"));

// ---- Single parcels ----------------------------------------------------------------------

ParcelSums closedSquare() {
    ParcelSums s;
    const double half = 2 * std::atan(1.0);
    for (int i = 0; i < 4; ++i)
        s.Legs.push_back({i * half, 100});
    s.TotalLength = 400;
    return s; // sums of exactly 0
}

TEST(ParcelClosure, ExactClosureHasNoRatioAndIsAcceptableUnderAnyClass) {
    for (const char* accuracyClass : {"Surveyed Polygons", "no such class"}) {
        ParcelClosureResult r =
            ParcelClosure(SummaryFull, "AL1", closedSquare(), "1.000 ha", accuracyClass);
        auto text = RenderPrintLines(r.Lines);
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text[1], "Closure ratio = 1 in");
        EXPECT_EQ(text[5], "        MISCLOSURE ACCEPTABLE");
        EXPECT_EQ(r.Row.Status, ParcelStatus::Acceptable);
        for (const auto& line : text)
            EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    }
}

TEST(ParcelClosure, NoAreaWhenAnticlockwise) {
    ParcelSums s = closedSquare();
    for (Leg& leg : s.Legs)
        leg.Bearing = -leg.Bearing;
    ParcelClosureResult r = ParcelClosure(SummaryRows, "AL1", s, "1.000 ha", "Surveyed Polygons");
    EXPECT_EQ(r.Row.Mark, "+");
    EXPECT_EQ(r.Row.CalculatedArea, "No area");
    auto full = RenderPrintLines(
        ParcelClosure(SummaryFull, "AL1", s, "1.000 ha", "Surveyed Polygons").Lines);
    EXPECT_EQ(full[6], "Area = No area");
}

// ---- Marks -------------------------------------------------------------------------------

TEST(MarkSummaryRows, MarksFromClosureAndArea) {
    struct Case {
        const char* identifier;
        const char* closure;
        const char* area;
        const char* markBefore;
        const char* expected;
    };
    const Case cases[] = {
        // Ordinary parcels.
        {"AL1", "OK (0.003)", "1.000 ha", "", ""},
        {"AL1", "OK (0.003)", "1.000 ha", "+", "+"},
        {"AL1", "OK (0.003)", "856 m\xB2 approx.", "+", "#"},
        {"AL1", "OK (0.003)", "856 m\xB2 ded.", "", "#"},
        {"AL1", "OK (0.003)", "no area", "+", "#"},
        {"AL1", "0.123", "1.000 ha", "", "*"},
        {"AL1", "0.123", "1.000 ha approx.", "", ""},
        {"AL1", "md", "1.000 ha", "", "*"},
        {"AL1", "md", "1.000 ha ded.", "", ""},
        // Construction and easement parcels: only a failed closure of a calculated area.
        {"CO1", "OK (0.003)", "no area", "", ""},
        {"CO1", "0.123", "500 m\xB2", "", "*"},
        {"EA1", "0.123", "500 m\xB2 approx.", "", ""},
        {"EA1", "md", "500 m\xB2", "", ""},
        {"EA1", "0.000", "500 m\xB2", "", ""},
    };
    std::vector<SummaryRow> rows;
    for (const Case& c : cases) {
        SummaryRow row;
        row.Identifier = c.identifier;
        row.Closure = c.closure;
        row.AreaText = c.area;
        row.Mark = c.markBefore;
        rows.push_back(row);
    }
    const std::vector<std::string> marks = MarkSummaryRows(rows);
    ASSERT_EQ(marks.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(marks[i], cases[i].expected)
            << cases[i].identifier << " " << cases[i].closure << " " << cases[i].area;
}

TEST(SummaryRow, TextIsTheFourCellsTabSeparated) {
    SummaryRow row{"+", "AL1", "OK (0.001)", "1.000 ha", "1.001 ha", ParcelStatus::Acceptable};
    EXPECT_EQ(row.Text(), "+\tAL1\tOK (0.001)\t1.000 ha");
}

// ---- Plan files --------------------------------------------------------------------------

TEST(ClosureSummary, PolygonsFileMissingOrCurveFileBad) {
    test::PlanTestDir dir;
    dir.write("plan.lns", "1,2,0.0000,10.000\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("plan");
    ASSERT_TRUE(LoadLines(plan));

    auto missing = ClosureSummary(SummaryPrint, plan, kDefaultAccuracyClass);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "No polygons file found");

    dir.write("PLAN.PLY", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
    dir.write("plan.cve", "1,2,\"R\"\r\n");
    auto badCurves = ClosureSummary(SummaryPrint, plan, kDefaultAccuracyClass);
    ASSERT_FALSE(badCurves);
    EXPECT_NE(badCurves.error().message.find("not a curve record"), std::string::npos);

    fs::remove(dir.path("plan.cve"));
    auto found = ClosureSummary(SummaryRows, plan, kDefaultAccuracyClass);
    ASSERT_TRUE(found);
    ASSERT_EQ(found.value().Rows.size(), 1u);
}

} // namespace
} // namespace corvane

// Fixed width strips beside a traverse: the far-side corners, their numbers, the outline and
// what a save writes.
#include "core/base/numtext.h"
#include "core/files/linesfile.h"
#include "core/model/bearing.h"
#include "core/reports/summary.h"
#include "core/tools/easement.h"

#include "tests/core/plantestdir.h"

#include "tests/core/stripgrid.h"
#include <cmath>

#include <gtest/gtest.h>

#include <filesystem>

using namespace corvane;

namespace {

constexpr auto* strip = &test::StripRow;

TraverseGrid stripGrid(GridRows rows) {
    return test::StripGrid(std::move(rows), GridKind::Strip);
}

std::vector<std::int32_t> numbers(const StripOutline& outline) {
    std::vector<std::int32_t> out;
    for (const PointRecord& p : outline.points)
        out.push_back(p.Number);
    return out;
}

const PointRecord& point(const StripOutline& outline, std::int32_t number) {
    for (const PointRecord& p : outline.points)
        if (p.Number == number)
            return p;
    static PointRecord none;
    ADD_FAILURE() << "no point " << number;
    return none;
}

// Bearing (packed) and distance from one outline point to another.
std::pair<std::string, std::string> join(const StripOutline& o, std::int32_t a, std::int32_t b) {
    const double dE = point(o, b).East - point(o, a).East;
    const double dN = point(o, b).North - point(o, a).North;
    return {Format(RadiansToBearing(BearingFromDeltas(dE, dN)), "0.0000"),
            Format(std::hypot(dE, dN), "0.000")};
}

StripOutline compile(const TraverseGrid& grid, const StripOptions& options) {
    PlanState plan;
    auto outline = CompileStrip(grid, options, plan);
    EXPECT_TRUE(outline) << (outline ? "" : outline.error().message);
    return outline ? outline.value() : StripOutline{};
}

} // namespace

TEST(EasementCorners, TurningCornerLiesOnTheBisectorOnEitherSide) {
    const TraverseGrid grid = stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                         strip("2", "3", "90.0000", "10.000", "2.000")});
    StripOptions left;
    const StripOutline l = compile(grid, left);
    // Traverse points, then the far side backwards, then the first point again.
    EXPECT_EQ(numbers(l), (std::vector<std::int32_t>{1, 2, 3, 6, 5, 4, 1}));
    EXPECT_EQ(join(l, 2, 5), (std::pair<std::string, std::string>{"135.0000", "2.828"}));
    EXPECT_EQ(join(l, 1, 4), (std::pair<std::string, std::string>{"90.0000", "2.000"}));
    // Three lines out to the corners, two along the far side.
    EXPECT_EQ(l.newLines.size(), 5u);

    StripOptions right;
    right.rightSide = true;
    const StripOutline r = compile(grid, right);
    EXPECT_EQ(numbers(r), (std::vector<std::int32_t>{3, 2, 1, 4, 5, 6, 3}));
    EXPECT_EQ(join(r, 2, 5), (std::pair<std::string, std::string>{"315.0000", "2.828"}));
}

TEST(EasementCorners, StraightRunsStepsSingleLinesAndGivenNumbers) {
    // One width along a straight run: no corner between the lines.
    StripOutline same = compile(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                           strip("2", "3", "0.0000", "10.000", "2.000")}),
                                {});
    EXPECT_EQ(numbers(same), (std::vector<std::int32_t>{1, 2, 3, 5, 4, 1}));

    // A change of width: two corners square off the turning point, 2 and 3 m away.
    StripOutline step = compile(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                           strip("2", "3", "0.0000", "10.000", "3.000")}),
                                {});
    EXPECT_EQ(numbers(step), (std::vector<std::int32_t>{1, 2, 3, 7, 6, 5, 4, 1}));
    EXPECT_EQ(join(step, 2, 5).second, "2.000");
    EXPECT_EQ(join(step, 2, 6).second, "3.000");
    EXPECT_EQ(join(step, 2, 6).first, "90.0000");

    // A single line: only the two end corners.
    StripOutline single = compile(stripGrid({strip("1", "2", "45.0000", "10.000", "1.500")}), {});
    EXPECT_EQ(numbers(single), (std::vector<std::int32_t>{1, 2, 4, 3, 1}));

    // Given end numbers are used as they are and generated numbers start above them.
    StripOptions given;
    given.firstPoint = "2000";
    given.endPoint = "2001";
    StripOutline named = compile(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                            strip("2", "3", "90.0000", "10.000", "2.000")}),
                                 given);
    EXPECT_EQ(numbers(named), (std::vector<std::int32_t>{1, 2, 3, 2001, 2002, 2000, 1}));
}

TEST(EasementCorners, UnknownLengthsAndRefusedShapes) {
    // A line without a distance is laid out twice the width; a middle line without distance
    // or width keeps its point in the outline.
    StripOutline noData = compile(stripGrid({strip("1", "2", "0.0000", "10.000", "1.500"),
                                             strip("2", "3", "90.0000", kNoData, "1.500"),
                                             strip("3", "7", "90.0000", kNoData, "0.000"),
                                             strip("7", "8", "180.0000", "5.000", "1.500")}),
                                  {});
    EXPECT_EQ(join(noData, 2, 3).second, "3.000");
    EXPECT_EQ(numbers(noData)[3], 7);

    // An end bearing parallel to its line meets the far side nowhere.
    StripOptions parallel;
    parallel.startBearing = "180.0000";
    PlanState plan;
    auto refused =
        CompileStrip(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000")}), parallel, plan);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().title, "Easement data error");

    // A bearing of "No Data" leaves the row incomplete; the outer widths must be above 0.
    StripCheck missing = DataEntered(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                                strip("2", "3", kNoData, "10.000", "2.000")}));
    ASSERT_TRUE(missing.message);
    EXPECT_EQ(missing.message->message, "Incomplete data in line 2");
    StripCheck zero = DataEntered(stripGrid({strip("1", "2", "0.0000", "10.000", "0.000")}));
    ASSERT_TRUE(zero.message);
    EXPECT_EQ(zero.message->message, "First or last width cannot be 0");
    EXPECT_FALSE(DataEntered(stripGrid({})).message);

    // A row filled from an arc is named as an arc, not as a row left incomplete.
    StripCheck arc = DataEntered(stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                            strip("2", "3", "R10.000", "15.708", "2.000")}));
    ASSERT_TRUE(arc.message);
    EXPECT_EQ(arc.message->message, "A fixed width strip cannot follow an arc\n(line 2)");
    EXPECT_EQ(arc.row, 2);
}

// An end bearing must run from the traverse into the strip; the reverse bearing would put
// the end corner on the wrong side and the parcel would cross itself.
TEST(EasementCorners, EndBearingsPointingAwayFromTheStripAreRefused) {
    const TraverseGrid grid = stripGrid({strip("1", "2", "0.0000", "10.000", "2.000")});
    PlanState plan;
    auto refusedWith = [&](const StripOptions& options, const std::string& words) {
        auto outline = CompileStrip(grid, options, plan);
        if (outline)
            return ::testing::AssertionFailure() << "accepted";
        if (outline.error().title != "Easement data error" ||
            outline.error().message.find(words) == std::string::npos)
            return ::testing::AssertionFailure() << outline.error().message;
        return ::testing::AssertionSuccess();
    };
    // Traverse on the left: the strip lies east of a line running north.
    StripOptions start;
    start.startBearing = "270.0000";
    EXPECT_TRUE(refusedWith(start, "from the first point (270.0000) points away"));
    StripOptions end;
    end.endBearing = "225.0000";
    EXPECT_TRUE(refusedWith(end, "from the last point (225.0000) points away"));
    // The same bearing is the right one for the strip on the other side.
    start.rightSide = true;
    EXPECT_TRUE(CompileStrip(grid, start, plan));
    // A slanted end into the strip stands, its corner on the far side at the strip's width.
    StripOptions slanted;
    slanted.startBearing = "45.0000";
    const StripOutline o = compile(grid, slanted);
    EXPECT_EQ(join(o, 1, 3), (std::pair<std::string, std::string>{"45.0000", "2.828"}));
}

// A width of 0 on a middle line ends the strip there and starts it again after: the outline
// runs back along the traverse (pinched), so the parcel holds the two parts and nothing
// between them.
TEST(EasementCorners, WidthZeroInTheMiddleBreaksTheStrip) {
    const StripOutline broken = compile(stripGrid({strip("1", "2", "0.0000", "30.000", "3.000"),
                                                   strip("2", "3", "0.0000", "10.000", "0.000"),
                                                   strip("3", "4", "0.0000", "30.000", "3.000")}),
                                        {});
    EXPECT_EQ(numbers(broken), (std::vector<std::int32_t>{1, 2, 3, 4, 8, 7, 3, 2, 6, 5, 1}));
    EXPECT_NEAR(broken.area, 180.0, 1e-6);
    EXPECT_TRUE(broken.areaKnown);

    // Two lines of width 0 in a row, round a bend: the far side runs back over every
    // traverse point between the two parts.
    StripOptions right;
    right.rightSide = true;
    const StripOutline bend = compile(stripGrid({strip("1", "2", "0.0000", "10.000", "1.000"),
                                                 strip("2", "3", "90.0000", "5.000", "0.000"),
                                                 strip("3", "4", "180.0000", "5.000", "0.000"),
                                                 strip("4", "5", "180.0000", "10.000", "1.000")}),
                                      right);
    EXPECT_EQ(numbers(bend), (std::vector<std::int32_t>{5, 4, 3, 2, 1, 6, 7, 2, 3, 4, 8, 9, 5}));
    EXPECT_NEAR(bend.area, 20.0, 1e-6);
}

// A strip saved as a parcel closes: its far side is stored as lines and its area computed.
// The bent strip is computed by hand: the far side runs 3 m off both lines, its corner on
// the bisector at 3 / cos 30 = 3.464 m, each far line shorter by 3 tan 30 = 1.732 m.
TEST(EasementSave, TheNewParcelClosesWithItsFarSideAndArea) {
    test::PlanTestDir dir;
    dir.write("p.lns", "101,102,0.0000,30.000\r\n");
    dir.write("p.ply", "");
    PlanState plan;
    plan.PlanPath = dir.path("p");
    TraverseGrid bent = stripGrid({strip("101", "102", "0.0000", "30.000", "3.000"),
                                   strip("102", "103", "60.0000", "25.000", "3.000")});
    ASSERT_TRUE(SaveStrip(bent, {}, plan, "EA1"));
    EXPECT_EQ(dir.read("p.lns"), "101,102,0.0000,30.000\r\n102,103,60.0000,25.000\r\n"
                                 "101,104,90.0000,3.000\r\n102,105,120.0000,3.464\r\n"
                                 "103,106,150.0000,3.000\r\n"
                                 "106,105,240.0000,23.268\r\n105,104,180.0000,28.268\r\n");
    EXPECT_EQ(dir.read("p.ply"),
              "\"EA1\",159.8,\"C\"\r\n101\r\n102\r\n103\r\n106\r\n105\r\n104\r\n101\r\n");

    // A strip broken by a width of 0, and one laid over a line of unknown length (no area to
    // state, as before).
    plan.chkArray = false;
    TraverseGrid broken = stripGrid({strip("201", "202", "0.0000", "30.000", "3.000"),
                                     strip("202", "203", "0.0000", "10.000", "0.000"),
                                     strip("203", "204", "0.0000", "30.000", "3.000")});
    ASSERT_TRUE(SaveStrip(broken, {}, plan, "EA2"));
    TraverseGrid unknown = stripGrid({strip("301", "302", "0.0000", kNoData, "1.000")});
    ASSERT_TRUE(SaveStrip(unknown, {}, plan, "EA3"));
    const std::string polygons = dir.read("p.ply");
    EXPECT_NE(polygons.find("\"EA2\",180,\"C\"\r\n"), std::string::npos) << polygons;
    EXPECT_NE(polygons.find("\"EA3\",0,\"A\"\r\n"), std::string::npos) << polygons;

    LoadLines(plan);
    auto summary = ClosureSummary(SummaryRows, plan, kDefaultAccuracyClass);
    ASSERT_TRUE(summary) << summary.error().message;
    ASSERT_EQ(summary.value().Rows.size(), 3u);
    EXPECT_EQ(summary.value().Rows[0].Status, ParcelStatus::Acceptable);
    EXPECT_EQ(summary.value().Rows[1].Status, ParcelStatus::Acceptable);
    EXPECT_EQ(summary.value().Rows[2].Status, ParcelStatus::MissingData);
}

TEST(EasementSave, TwoStripsFromOneTraverseAndRefusals) {
    test::PlanTestDir dir;
    dir.write("p.lns", "1,2,0.0000,10.000\r\n");
    dir.write("p.ply", "\"AL1\",0,\"A\"\r\n1\r\n2\r\n1\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("p");
    TraverseGrid grid = stripGrid({strip("1", "2", "0.0000", "10.000", "2.000"),
                                   strip("2", "3", "90.0000", "10.000", "2.000"),
                                   strip("3", "4", "90.0000", kNoData, "2.000")});

    // The lines are read first; the stored line 1-2 is found by its points.
    ASSERT_TRUE(SaveStrip(grid, {}, plan, "EA1"));
    EXPECT_EQ(dir.read("p.lns"), "1,2,0.0000,10.000\r\n2,3,90.0000,10.000\r\n"
                                 "1,5,90.0000,2.000\r\n2,6,135.0000,2.828\r\n"
                                 "4,7,180.0000,2.000\r\n");

    // The other side, after the main window let the lines go: the traverse's lines are
    // updated, never added twice.
    plan.chkArray = false;
    StripOptions right;
    right.rightSide = true;
    ASSERT_TRUE(SaveStrip(grid, right, plan, "EA2"));
    LoadLines(plan);
    int lines23 = 0;
    for (const LineRecord& line : plan.PlanLines)
        lines23 += (line.FromPoint == 2 && line.ToPoint == 3) ? 1 : 0;
    EXPECT_EQ(lines23, 1);
    EXPECT_EQ(plan.PlanLines.size(), 8u);
    const std::string polygons = dir.read("p.ply");
    EXPECT_NE(polygons.find("\"EA1\",0,\"A\"\r\n1\r\n2\r\n3\r\n4\r\n7\r\n6\r\n5\r\n1\r\n"),
              std::string::npos);
    EXPECT_NE(polygons.find("\"EA2\",0,\"A\"\r\n4\r\n3\r\n2\r\n1\r\n8\r\n9\r\n10\r\n4\r\n"),
              std::string::npos);

    // After a refused load nothing is written and PlanLines stays as it was.
    const std::string linesBefore = dir.read("p.lns");
    plan.LinesLoadFailed = true;
    const auto held = plan.PlanLines.size();
    EXPECT_FALSE(SaveStrip(grid, {}, plan, "EA3"));
    EXPECT_EQ(plan.PlanLines.size(), held);
    EXPECT_EQ(dir.read("p.lns"), linesBefore);
    EXPECT_EQ(dir.read("p.ply"), polygons);

    // A polygons file that cannot be written keeps the strip's lines out of the lines file
    // too: a parcel's lines are never stored without the parcel.
    plan.LinesLoadFailed = false;
    LoadLines(plan);
    std::filesystem::permissions(dir.path("p.ply"), std::filesystem::perms::owner_read);
    EXPECT_TRUE(
        test::Refused(SaveStrip(grid, {}, plan, "EA3"), "Saving polygon error", "read-only"));
    EXPECT_EQ(plan.PlanLines.size(), held);
    EXPECT_EQ(dir.read("p.lns"), linesBefore);
    EXPECT_EQ(dir.read("p.ply"), polygons);
}

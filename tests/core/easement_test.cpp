// Fixed width strips beside a traverse: the far-side corners, their numbers, the outline and
// what a save writes.
#include "core/bearing.h"
#include "core/easement.h"
#include "core/linesfile.h"
#include "core/numtext.h"

#include "plantestdir.h"

#include <cmath>
#include <gtest/gtest.h>

#include <filesystem>

using namespace corvane;

namespace {

GridRow strip(std::string from, std::string to, std::string bearing, std::string distance,
              std::string width) {
    return GridRow{"",
                   std::move(from),
                   std::move(to),
                   std::move(bearing),
                   std::move(distance),
                   std::move(width),
                   ""};
}

TraverseGrid stripGrid(GridRows rows) {
    TraverseGrid grid;
    grid.kind = GridKind::Strip;
    grid.rows = std::move(rows);
    grid.syncLinkPairs();
    return grid;
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
    EXPECT_EQ(l.newLines.size(), 3u);

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
    EXPECT_EQ(missing.message->text, "Incomplete data in line 2");
    StripCheck zero = DataEntered(stripGrid({strip("1", "2", "0.0000", "10.000", "0.000")}));
    ASSERT_TRUE(zero.message);
    EXPECT_EQ(zero.message->text, "First or last width cannot be 0");
    EXPECT_FALSE(DataEntered(stripGrid({})).message);
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

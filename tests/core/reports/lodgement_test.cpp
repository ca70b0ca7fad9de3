#include "core/reports/lodgement.h"

#include "core/files/linesfile.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Two 30 × 40 m lots side by side inside their outer boundary, every figure exact:
//     2 ---- 3 ---- 5
//     | LT1  | LT2  |
//     1 ---- 4 ---- 6
// with PM1 tied to corner 1 and SSM2 to corner 6.
struct TestPlan {
    std::map<std::string, std::string> lines = {
        {"a", "1,2,0,40"},   {"b", "2,3,90,30"},      {"c", "3,4,180,40"},
        {"d", "4,1,270,30"}, {"e", "3,5,90,30"},      {"f", "5,6,180,40"},
        {"g", "6,4,270,30"}, {"h", "1,44441,225,10"}, {"i", "6,55552,135,10"}};
    std::vector<std::string> parcels = {"\"OB1\",2400,\"C\"\n1\n2\n3\n5\n6\n4\n1",
                                        "\"LT1\",1200,\"C\"\n1\n2\n3\n4\n1",
                                        "\"LT2\",1200,\"C\"\n4\n3\n5\n6\n4"};
    std::string curves;
    std::string context;
};

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out + "\r\n";
}

class LodgementTest : public ::testing::Test {
  protected:
    LodgementCheck run(const TestPlan& p) {
        std::string lns, ply;
        for (const auto& [key, line] : p.lines)
            lns += line + "\r\n";
        for (const std::string& parcel : p.parcels)
            ply += crlf(parcel);
        dir_.write("D1.lns", lns);
        dir_.write("D1.ply", ply);
        // Each run stands alone: a side file the plan has not is taken away.
        std::filesystem::remove(dir_.path("D1.cve"));
        std::filesystem::remove(dir_.path("D1.ctx"));
        if (!p.curves.empty())
            dir_.write("D1.cve", crlf(p.curves));
        if (!p.context.empty())
            dir_.write("D1.ctx", crlf(p.context));
        PlanState plan;
        plan.PlanPath = dir_.path("D1");
        EXPECT_TRUE(LoadLines(plan));
        auto check = CheckPlanForLodgement(plan, "Surveyed Polygons");
        EXPECT_TRUE(check.ok()) << test::ErrorText(check);
        return check.ok() ? check.value() : LodgementCheck{};
    }
    test::PlanTestDir dir_;
};

// The findings of one rule, each as "grade: message".
std::vector<std::string> of(const LodgementCheck& check, const std::string& rule) {
    std::vector<std::string> out;
    for (const Finding& f : check.findings)
        if (f.rule == rule)
            out.push_back(std::string(FindingGradeName(f.grade)) + ": " + f.message);
    return out;
}

::testing::AssertionResult hasFinding(const LodgementCheck& check, const std::string& rule,
                                      const std::string& grade, const std::string& part) {
    for (const std::string& f : of(check, rule))
        if (f.rfind(grade + ": ", 0) == 0 && f.find(part) != std::string::npos)
            return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure()
                   << "no " << grade << " " << rule << " with \"" << part << "\" among:";
    for (const Finding& f : check.findings)
        failure << "\n  " << FindingGradeName(f.grade) << " " << f.rule << " " << f.message;
    return failure;
}

const char* const kPlanRules[] = {"closure", "area-stated", "arc-shared",   "arc-chord",
                                  "network", "line-sides",  "loop-closure", "marks"};

TEST_F(LodgementTest, SoundPlanPassesEveryRuleOfTheDrawing) {
    const LodgementCheck check = run(TestPlan{});
    for (const char* rule : kPlanRules)
        EXPECT_TRUE(of(check, rule).empty()) << rule << ": " << of(check, rule).front();
    EXPECT_FALSE(check.HasError());
}

TEST(LodgementArea, RoundedAsAPlanStatesIt) {
    // Each size class and the figures that round across into the next.
    const std::pair<double, double> cases[] = {
        {99.94, 99.9},          {99.96, 100.0},      {856.4, 856.0},     {1234.5, 1235.0},
        {9999.4, 9999.0},       {9999.6, 10000.0},   {12345.6, 12350.0}, {123456.0, 123500.0},
        {1234567.0, 1235000.0}, {99995.0, 100000.0}, {12344.9, 12340.0}};
    for (const auto& [area, stated] : cases)
        EXPECT_NEAR(PlanRoundedArea(area), stated, 1e-6) << area;
}

TEST(LodgementArea, StatedAgreesWithinThePlansRoundingOrAsStored) {
    struct Case {
        double stated, computed;
        bool agrees;
    };
    const Case cases[] = {
        {100.0, 99.96, true},                               // 100.0 m² as stated whole
        {100.0, 99.94, false},                              // a plan states 99.9
        {99.9, 99.94, true},       {10000.0, 9999.6, true}, // 1.000 ha
        {10000.0, 9999.4, false},                           // 9999 m²
        {1234.5, 1234.46, true}, // stored from this closure, shown as 1235 but computed 1234
        {1235.0, 1234.46, false},  {12350.0, 12345.2, true}, // 1.235 ha
        {12340.0, 12346.0, false}, {12340.0, 12344.9, true}, {1200.0, 1201.0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatedAreaAgrees(c.stated, c.computed), c.agrees)
            << c.stated << " " << c.computed;
}

TEST_F(LodgementTest, ClosureFailsOrLacksALine) {
    TestPlan bad;
    bad.lines["f"] = "5,6,180,40.5";
    LodgementCheck check = run(bad);
    EXPECT_TRUE(hasFinding(check, "closure", "error", "LT2: misclosure 0.500 m"));
    EXPECT_TRUE(hasFinding(check, "closure", "error", "allowable 0.027 m"));
    EXPECT_TRUE(of(check, "area-stated").empty()); // no area judged from a failing closure
    EXPECT_TRUE(check.HasError());

    // An area stated as approximate was not taken from the closure.
    bad.parcels[2] = "\"LT2\",1200,\"A\"\n4\n3\n5\n6\n4";
    check = run(bad);
    EXPECT_TRUE(hasFinding(check, "closure", "warning", "LT2: misclosure"));

    TestPlan missing;
    missing.lines.erase("f");
    missing.lines["j"] = "5,6,999,40";
    check = run(missing);
    EXPECT_TRUE(hasFinding(check, "closure", "error",
                           "LT2: no bearing and distance for 5\xE2\x80\x93"
                           "6"));
}

TEST_F(LodgementTest, StatedAreaAgainstTheClosure) {
    TestPlan plan;
    plan.parcels[1] = "\"LT1\",1210,\"C\"\n1\n2\n3\n4\n1";
    plan.parcels[2] = "\"LT2\",0,\"C\"\n4\n3\n5\n6\n4";
    LodgementCheck check = run(plan);
    EXPECT_TRUE(hasFinding(check, "area-stated", "error",
                           "LT1: the stated area 1210 m\xC2\xB2 differs from the 1200 m\xC2\xB2"));
    EXPECT_TRUE(hasFinding(check, "area-stated", "information", "LT2: no area is stated"));
    // Errors come before information whatever the file order.
    EXPECT_EQ(check.findings.front().grade, FindingGrade::Error);

    plan.parcels[1] = "\"LT1\",1210,\"D\"\n1\n2\n3\n4\n1";
    check = run(plan);
    EXPECT_TRUE(hasFinding(check, "area-stated", "warning", "1210 m\xC2\xB2 (deduced)"));
    EXPECT_FALSE(check.HasError());

    // A lot named outside the type list (L2, as many plans name them) is a plan parcel:
    // its stated area is checked, and a construction figure (CO) alone is not.
    plan.parcels[1] = "\"L1\",1210,\"C\"\n1\n2\n3\n4\n1";
    check = run(plan);
    EXPECT_TRUE(hasFinding(check, "area-stated", "error", "L1: the stated area 1210 m\xC2\xB2"));
    plan.parcels[1] = "\"CO1\",1210,\"C\"\n1\n2\n3\n4\n1";
    EXPECT_TRUE(of(run(plan), "area-stated").size() == 1); // LT2's "no area" only
}

// The shared side 3–4 as an arc of radius 40 turning right from 3 (bulging into LT2).
TestPlan arcPlan() {
    TestPlan p;
    p.lines["c"] = "3,4,1040,41.888";
    p.curves = "3,4,\"R\",999,180";
    p.parcels[1] = "\"LT1\",1345,\"C\"\n1\n2\n3\n4\n1";
    p.parcels[2] = "\"LT2\",1055,\"C\"\n4\n3\n5\n6\n4";
    return p;
}

TEST_F(LodgementTest, SharedArcHasOneRadiusAndTurn) {
    LodgementCheck check = run(arcPlan());
    for (const char* rule : kPlanRules)
        EXPECT_TRUE(of(check, rule).empty()) << rule << ": " << of(check, rule).front();

    TestPlan twice = arcPlan();
    twice.lines["c2"] = "4,3,1041,41.888";
    check = run(twice);
    EXPECT_TRUE(hasFinding(check, "arc-shared", "error",
                           "a side of LT1 and LT2, is stored twice with different figures"));

    TestPlan turns = arcPlan();
    turns.curves += "\n4,3,\"R\",999,0";
    check = run(turns);
    EXPECT_TRUE(hasFinding(check, "arc-shared", "error", "turn it both ways"));
    // The same turn recorded from the other end is no disagreement.
    turns.curves = "3,4,\"R\",999,180\n4,3,\"L\",999,0";
    EXPECT_TRUE(of(run(turns), "arc-shared").empty());

    // A parcel booked anticlockwise walks the arc the same way as its neighbour, yet taken
    // clockwise (as its closure takes it) it walks it the other way: no fault.
    TestPlan anticlockwise = arcPlan();
    anticlockwise.parcels[2] = "\"LT2\",1055,\"C\"\n4\n6\n5\n3\n4";
    EXPECT_TRUE(of(run(anticlockwise), "arc-shared").empty());
    // Two clockwise parcels walking the arc the same way lie on one side of it: they overlap.
    TestPlan sameWay = arcPlan();
    sameWay.parcels[2] = "\"LT2\",1345,\"C\"\n2\n3\n4\n1\n2";
    check = run(sameWay);
    EXPECT_TRUE(hasFinding(check, "arc-shared", "error", "is walked the same way by LT1 and LT2"));
}

TEST_F(LodgementTest, ArcChordAgreesWithItsRadiusAndLength) {
    struct Case {
        const char* what;
        const char* arcLine;
        const char* curves;
        const char* extraLine; // another line between 3 and 4, or ""
        const char* expected;  // "" when the arc is sound
    };
    const Case cases[] = {
        {"tangent and chord agree", "3,4,1040,41.888", "3,4,\"R\",150,180", "", ""},
        {"chord measured too", "3,4,1040,41.888", "3,4,\"R\",999,180", "4,3,0,40.000", ""},
        // A 300° arc: the radius's rounding (10.0004 booked 10.000) moves its chord 2 mm.
        {"long arc's chord within its figures' rounding", "3,4,1010,52.362", "3,4,\"R\",999,180",
         "4,3,0,10.000", ""},
        {"longer than its circle", "3,4,1020,130", "3,4,\"R\",999,180", "",
         "longer than its whole circle (125.664)"},
        {"no record", "3,4,1040,41.888", "", "", "no curve record"},
        {"record without bearings", "3,4,1040,41.888", "3,4,\"R\",999,999", "",
         "neither a tangent nor a chord bearing"},
        {"chord off the tangent", "3,4,1040,41.888", "3,4,\"R\",155,180", "",
         "does not follow from its tangent bearing 155.0000"},
        {"wrong turn for the bearings", "3,4,1040,41.888", "3,4,\"L\",150,180", "",
         "turning left gives"},
        {"measured chord disagrees", "3,4,1040,41.888", "3,4,\"R\",999,180", "4,3,0,40.012",
         "its chord 40.000"},
    };
    for (const Case& c : cases) {
        TestPlan p = arcPlan();
        p.lines["c"] = c.arcLine;
        p.curves = c.curves;
        if (*c.extraLine)
            p.lines["c2"] = c.extraLine;
        const LodgementCheck check = run(p);
        if (*c.expected)
            EXPECT_TRUE(hasFinding(check, "arc-chord", "error", c.expected)) << c.what;
        else
            EXPECT_TRUE(of(check, "arc-chord").empty())
                << c.what << ": " << of(check, "arc-chord").front();
    }
}

TEST_F(LodgementTest, NetworkIsOneGroup) {
    TestPlan apart;
    apart.lines["x"] = "7,8,45,10";
    apart.lines["y"] = "6,9,999,10"; // a distance alone places nothing
    const LodgementCheck check = run(apart);
    EXPECT_TRUE(hasFinding(check, "network", "error", "form 2 groups that no line joins"));
    EXPECT_TRUE(hasFinding(check, "network", "error", "1 (9 points), 7 (2 points)"));

    // A point joined by distances alone is part of the network, though no bearing places it.
    TestPlan distances;
    distances.lines["y"] = "6,9,999,10";
    distances.lines["w"] = "5,9,999,10";
    EXPECT_TRUE(hasFinding(run(distances), "network", "warning",
                           "2 groups that no line with a bearing and a distance joins "
                           "(distances alone join them): 1 (8 points), 9 (1 point)"));

    // Lines of an adjoining parcel the plan shows are not the plan's own network.
    TestPlan context;
    context.lines["x"] = "7,8,45,10";
    context.lines["z"] = "8,10,135,10";
    context.context = "\"LT1/DP9\",\"adjoining\",0\n7\n8\n10";
    EXPECT_TRUE(of(run(context), "network").empty());
}

TEST_F(LodgementTest, LineIsASideOfAtMostTwoParcels) {
    TestPlan overlap;
    overlap.parcels.push_back("\"LT3\",1200,\"C\"\n1\n2\n3\n4\n1");
    // An easement along a boundary lies over the lots and does not count.
    overlap.parcels.push_back("\"EA1\",0,\"C\"\n4\n3\n5\n6\n4");
    const LodgementCheck check = run(overlap);
    const auto found = of(check, "line-sides");
    ASSERT_EQ(found.size(), 1u) << found.front();
    EXPECT_TRUE(hasFinding(check, "line-sides", "error",
                           "line 3\xE2\x80\x93"
                           "4 is a side of 3 parcels, LT1, LT2 and LT3"));
}

TEST_F(LodgementTest, EveryIndependentLoopCloses) {
    // 2–5 runs along the north side of both lots: a loop no parcel walks.
    TestPlan plan;
    plan.lines["j"] = "2,5,90,60";
    plan.lines["k"] = "4,1,270,30.002"; // measured again, within a loop's allowance
    EXPECT_TRUE(of(run(plan), "loop-closure").empty());

    plan.lines["j"] = "2,5,91,60";
    LodgementCheck check = run(plan);
    ASSERT_EQ(of(check, "loop-closure").size(), 1u) << of(check, "loop-closure").front();
    EXPECT_TRUE(hasFinding(check, "loop-closure", "error", "misses closing by 1.047 m"));
    EXPECT_TRUE(hasFinding(check, "loop-closure", "error", "probably 90.0000 (entered 91.0000)"));
    EXPECT_TRUE(of(check, "closure").empty()); // every parcel closes
    const auto loop = std::find_if(check.findings.begin(), check.findings.end(),
                                   [](const Finding& f) { return f.rule == "loop-closure"; });
    EXPECT_EQ(loop->from, 2);
    EXPECT_EQ(loop->to, 5);

    // A line measured twice closes a loop of its own.
    plan.lines["j"] = "2,5,90,60";
    plan.lines["k"] = "1,4,90,30.1";
    check = run(plan);
    EXPECT_TRUE(hasFinding(check, "loop-closure", "error",
                           "(2 lines, 60.100 m) misses closing by 0.100 m"));
}

TEST_F(LodgementTest, LoopsAreTheShortestWayRound) {
    // A third lot east of LT2: a loop through the spanning tree alone would carry a slip in
    // LT1's north side into the loops of all three lots.
    TestPlan plan;
    plan.lines["l"] = "5,7,90,30";
    plan.lines["m"] = "7,8,180,40";
    plan.lines["n"] = "8,6,270,30";
    plan.lines["b"] = "2,3,90,30.2";
    const auto loops = of(run(plan), "loop-closure");
    ASSERT_EQ(loops.size(), 1u) << loops.front() << "\n" << loops.back();
    EXPECT_NE(loops.front().find("(4 lines, 140.200 m)"), std::string::npos) << loops.front();
}

TEST_F(LodgementTest, TiedToTwoPermanentMarks) {
    TestPlan plan;
    plan.lines["i"] = "6,66662,135,10"; // a traverse station is no permanent mark
    LodgementCheck check = run(plan);
    EXPECT_TRUE(hasFinding(check, "marks", "error", "one permanent mark only, PM1"));
    plan.lines.erase("h");
    check = run(plan);
    EXPECT_TRUE(hasFinding(check, "marks", "error", "no permanent mark"));
}

TEST_F(LodgementTest, AdjustmentFlagsABlunderAndJudgesTheGlobalTest) {
    // Figures computed from coordinates fit better than any measurement: noted, not refused.
    LodgementCheck check = run(TestPlan{});
    EXPECT_TRUE(hasFinding(check, "adjustment", "information", "Global test failed low"));
    EXPECT_FALSE(check.HasError());

    TestPlan blunder;
    blunder.lines["j"] = "2,5,90,60";
    blunder.lines["b"] = "2,3,90,30.15";
    check = run(blunder);
    EXPECT_TRUE(hasFinding(check, "adjustment", "error",
                           "distance of 2\xE2\x80\x93"
                           "3: 30.150 is 0.150 m too long"));
    EXPECT_TRUE(hasFinding(check, "adjustment", "warning", "Global test failed ("));
    EXPECT_TRUE(hasFinding(check, "adjustment", "error",
                           "taken out first by the blunder search: distance of 2\xE2\x80\x93"
                           "3"));
    // The lines the blunder drags out with it are named once, as information, not each as
    // an error of its own.
    std::size_t errors = 0;
    for (const Finding& f : check.findings)
        errors += f.rule == "adjustment" && f.grade == FindingGrade::Error;
    EXPECT_EQ(errors, 1u);
}

TEST(LodgementOutput, LinesAndJson) {
    LodgementCheck check;
    check.plan = "D1";
    check.findings.push_back({"closure", FindingGrade::Error, "LT2", 0, 0, "", "LT2: \"bad\""});
    check.findings.push_back({"marks", FindingGrade::Warning, "", 0, 0, "PM1", "one mark"});
    check.findings.push_back({"loop-closure", FindingGrade::Information, "", 44441, 2, "", "m"});
    EXPECT_EQ(LodgementCheckJson(check),
              "{\"plan\": \"D1\", \"findings\": [\n"
              "  {\"rule\": \"closure\", \"grade\": \"error\", \"parcel\": \"LT2\", \"message\": "
              "\"LT2: \\\"bad\\\"\"},\n"
              "  {\"rule\": \"marks\", \"grade\": \"warning\", \"point\": \"PM1\", \"message\": "
              "\"one mark\"},\n"
              "  {\"rule\": \"loop-closure\", \"grade\": \"information\", \"line\": {\"from\": "
              "\"PM1\", \"to\": \"2\"}, \"message\": \"m\"}\n]}");
    const std::vector<std::string> lines = LodgementCheckLines(check);
    EXPECT_EQ(lines[2], "error  closure  LT2: \"bad\"");
    EXPECT_EQ(lines.back(), "1 error, 1 warning, 1 information");
    EXPECT_EQ(LodgementCheckJson(LodgementCheck{"D2", {}}), "{\"plan\": \"D2\", \"findings\": []}");
}

} // namespace
} // namespace corvane

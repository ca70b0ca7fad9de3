#include "core/grid/traverse_curve.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

CurveFields fields(std::string radius, std::string arc, bool left, std::string tangent,
                   std::string chord) {
    return CurveFields{"101",           "102", std::move(radius),
                       std::move(arc),  left,  std::move(tangent),
                       std::move(chord)};
}

} // namespace

TEST(CurveWindowCheck, ReportsTheCurvesOtherElements) {
    Result<std::string> check = CheckCurve(fields("100", "50", false, "90.0000", ""));
    ASSERT_TRUE(check.ok());
    EXPECT_EQ(check.value(), "Intersection angle = 28.3852\n"
                             "Tangent Distance = 25.534\n"
                             "Long Chord Bearing = 104.1926\n"
                             "Long Chord Distance = 49.481");

    // From the chord of a left-hand curve back to its tangent; a "-" bearing is the back
    // bearing of its size.
    check = CheckCurve(fields("100", "50", true, "", "-284.1926"));
    EXPECT_EQ(check.value(), "Intersection angle = 28.3852\n"
                             "Tangent Distance = 25.534\n"
                             "Tangent Bearing = 118.3852\n"
                             "Long Chord Distance = 49.481");

    // Both bearings or none: neither is derived.
    for (const auto& f :
         {fields("100", "50", false, "90", "104"), fields("100", "50", false, "", "")})
        EXPECT_EQ(CheckCurve(f).value(), "Intersection angle = 28.3852\nTangent Distance = 25.534\n"
                                         "Long Chord Distance = 49.481");

    EXPECT_EQ(CurveLengthEnter("100"), "100.000");
    EXPECT_EQ(CurveLengthEnter(""), "");
    EXPECT_EQ(CurveBearingEnter("-45").text, "225.0000");
    EXPECT_FALSE(CurveBearingEnter("-45").message);
    CurveBearingEntry refused = CurveBearingEnter("4x5");
    EXPECT_EQ(refused.text, "4x5");
    ASSERT_TRUE(refused.message);
    EXPECT_EQ(refused.message->message, "Invalid bearing");
}

TEST(CurveWindowCheck, RefusesFiguresThatAreNotARadiusArcOrBearing) {
    for (const char* radius : {"", "abc", "0", "-5"}) {
        Result<std::string> check = CheckCurve(fields(radius, "50", false, "", ""));
        ASSERT_FALSE(check.ok()) << radius;
        EXPECT_EQ(check.error().message, "You need a radius");
        EXPECT_EQ(check.error().title, "Check curve data error");
        auto ok = ValidateCurveOk(fields(radius, "50", false, "", ""));
        ASSERT_TRUE(ok) << radius;
        EXPECT_EQ(ok->message, "No radius supplied");
        EXPECT_EQ(ok->title, "Curve Data error");
    }
    for (const char* arc : {"", "0"}) {
        EXPECT_EQ(CheckCurve(fields("100", arc, false, "", "")).error().message,
                  "You need an arc length");
        EXPECT_EQ(ValidateCurveOk(fields("100", arc, false, "", ""))->message,
                  "No Arc Length supplied");
    }
    for (const char* bearing : {"R12", "45.6", "400", "999", "No Data"}) {
        Result<std::string> check = CheckCurve(fields("100", "50", false, bearing, ""));
        ASSERT_FALSE(check.ok()) << bearing;
        EXPECT_EQ(check.error().message, "Invalid bearing");
        EXPECT_EQ(check.error().icon, Icon::Critical);
        EXPECT_EQ(ValidateCurveOk(fields("100", "50", false, "", bearing))->message,
                  "Invalid bearing");
    }
    EXPECT_FALSE(ValidateCurveOk(fields("100", "50", false, "-45", "")));
}

TEST(CurveOkCommand, StoresTheRecordOrLeavesTheCurveUnchecked) {
    test::PlanTestDir dir;
    const std::string plan = dir.path("p");
    Result<void> out = CurveOk(plan, fields("", "50", false, "", ""));
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error().message, "No radius supplied");
    EXPECT_FALSE(dir.exists("p.cve"));

    // A new file keeps the chord bearing when both are given.
    out = CurveOk(plan, fields("100", "50", false, "90", "104"));
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(dir.read("p.cve"), "101,102,\"R\",999,104.0000\r\n");

    // A failed write leaves the curve unchecked and the file as it was.
    fs::permissions(dir.path("p.cve"), fs::perms::owner_read);
    out = CurveOk(plan, fields("100", "50", false, "20", ""));
    EXPECT_FALSE(out.ok());
    EXPECT_EQ(dir.read("p.cve"), "101,102,\"R\",999,104.0000\r\n");
}

#include "core/model/bearing.h"

#include <gtest/gtest.h>

#include <tuple>

namespace corvane {
namespace {

double Radians(double degrees, double minutes = 0, double seconds = 0) {
    return (degrees + minutes / 60 + seconds / 3600) * Pi() / 180;
}

TEST(ValidBearing, DegreesMinutesSecondsArcsAndNoData) {
    for (const char* good : {"359.5959", "360", "360.0000", "360.", "0", "45.3020", " 45.3020",
                             "R12.5", "R", "No Data", "0.0059"})
        EXPECT_TRUE(ValidBearing(good)) << good;
    // 60 minutes or seconds, beyond 360.0000, a sign, and text that is no number at all.
    for (const char* bad : {"45.6000", "45.0060", "361", "-1", "-0.3000", "360.0001", "360.0100",
                            "360.5", "abc", "-", "", "45.30.20", "1e2", "45a", "No data", "r12"})
        EXPECT_FALSE(ValidBearing(bad)) << '"' << bad << '"';
}

TEST(IsPlainBearingText, AFigureWithAnOptionalSign) {
    for (const char* good : {"45.3020", "-45.3020", "360", "-0.0001", " 12"})
        EXPECT_TRUE(IsPlainBearingText(good)) << good;
    for (const char* bad : {"No Data", "R12", "-", "--45", "abc", "-361", "45.6000", ""})
        EXPECT_FALSE(IsPlainBearingText(bad)) << '"' << bad << '"';
}

TEST(BearingToRadians, ReadsDegreesMinutesSeconds) {
    const std::pair<const char*, double> cases[] = {
        {"90", Radians(90)},
        {"45.3020", Radians(45, 30, 20)},
        {"-45.3020", -Radians(45, 30, 20)},
        {"0.0001", Radians(0, 0, 1)},
        {"359.5959", Radians(359, 59, 59)},
        {"45.3", Radians(45, 3)}, // the first two decimals are minutes, digit for digit
    };
    for (const auto& [text, radians] : cases)
        EXPECT_NEAR(BearingToRadians(text), radians, 1e-10) << text;
}

TEST(RadiansToBearing, RoundTripsAndCarries) {
    for (const char* text : {"0.0000", "0.0001", "45.3020", "89.5959", "270.3030", "359.5959"})
        EXPECT_EQ(BearingText(RadiansToBearing(BearingToRadians(text))), text);
    const std::pair<double, const char*> cases[] = {
        {Radians(89, 59, 59.6), "90.0000"}, // 60 seconds carry to 60 minutes carry a degree
        {Radians(10, 29, 59.7), "10.3000"}, // seconds carry into the minutes only
        {Radians(10, 29, 59.4), "10.2959"},
        {Radians(359, 59, 59.7), "360.0000"}, // not wrapped to 0
        {Radians(10, 29, 59.99995), "10.3000"},
        {Radians(359, 59, 59.99995), "360.0000"},
        {-Pi() / 2, "270.0000"},
        {2.5 * Pi(), "90.0000"},
    };
    for (const auto& [radians, bearing] : cases)
        EXPECT_EQ(BearingText(RadiansToBearing(radians)), bearing) << radians;
}

TEST(BearingFromDeltas, EveryQuadrantAndAxis) {
    const std::tuple<double, double, const char*> cases[] = {
        {1, 1, "45.0000"}, {1, -1, "135.0000"}, {-1, -1, "225.0000"}, {-1, 1, "315.0000"},
        {0, 1, "0.0000"},  {1, 0, "90.0000"},   {0, -1, "180.0000"},  {-1, 0, "270.0000"},
        {0, 0, "0.0000"},  {3, 4, "36.5212"},
    };
    for (const auto& [dE, dN, bearing] : cases)
        EXPECT_EQ(BearingText(RadiansToBearing(BearingFromDeltas(dE, dN))), bearing)
            << dE << ", " << dN;
}

TEST(ReverseBearing, AddsOrTakes180Degrees) {
    const std::pair<double, const char*> cases[] = {
        {200.1530, "20.1530"}, {-10, "190.0000"},      {180, "0.0000"},
        {0, "180.0000"},       {359.5959, "179.5959"}, {360, "180.0000"},
    };
    for (const auto& [bearing, back] : cases)
        EXPECT_EQ(ReverseBearing(bearing), back) << bearing;
}

TEST(SumDistanceText, AddsAndSubtractsParts) {
    const std::pair<const char*, const char*> cases[] = {
        {"10.5+2.25", "12.750"}, {"20-5", "15.000"}, {"-7", "7.000"},   {"12m", "12.000"},
        {"abc", "0.000"},        {"1+2+3", "6.000"}, {"5-10", "5.000"}, {"", "0.000"},
        {"1.0005", "1.001"},     {"12 5", "12.000"}, {"3--1", "2.000"},
    };
    for (const auto& [text, total] : cases)
        EXPECT_EQ(SumDistanceText(text), total) << text;
}

} // namespace
} // namespace corvane

#include "core/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace corvane {
namespace {

struct ValCase {
    const char* text;
    double value;
};

TEST(Val, ReadsTheLeadingNumberSkippingBlanks) {
    const ValCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"12", 12},
        {" 1 2 . 5 ", 12.5},
        {"4444 12", 444412},
        {"\t9", 9},
        {"-3.5x", -3.5},
        {"+7", 7},
        {"- 4", -4},
        {"1.2.3", 1.2},
        {".5", 0.5},
        {"12,5", 12},
        {"1e5", 1},
        {"PM12", 0},
        {"007.50", 7.5},
        {"1.", 1},
        {"-.5", -0.5},
        {"45.3020", 45.302},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Val(c.text), c.value) << '"' << c.text << '"';
}

TEST(Val, DigitsBeyondADoubleDoNotWrap) {
    EXPECT_TRUE(std::isinf(Val("1" + std::string(400, '0'))));
    EXPECT_LT(Val("-1" + std::string(400, '0')), 0);
    EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(IsNumberText, AcceptsOnlyAWholeNumber) {
    for (const char* good : {"12", " -1.5 ", ".5", "1.", "+3", "1 2"})
        EXPECT_TRUE(IsNumberText(good)) << good;
    for (const char* bad : {"", " ", "-", ".", "1.2.3", "12a", "1e5", "a12", "--1", "1-"})
        EXPECT_FALSE(IsNumberText(bad)) << bad;
}

struct FormatCase {
    double value;
    const char* format;
    const char* text;
};

// Short names for the cases in test listings.
void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.value << " in \"" << c.format << '"';
}

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, WritesTheRoundedFigure) {
    const auto& c = GetParam();
    EXPECT_EQ(Format(c.value, c.format), c.text) << c.value << " in \"" << c.format << '"';
}

// Halves are taken on the value written with 15 significant digits, away from zero: 1.2345
// and 12.345 are stored a hair below the half in binary and still round up.
INSTANTIATE_TEST_SUITE_P(
    RoundingHalves, FormatTest,
    ::testing::Values(FormatCase{1.2345, "0.000", "1.235"}, FormatCase{-1.2345, "0.000", "-1.235"},
                      FormatCase{12.345, "##.00", "12.35"}, FormatCase{123.45, "###.0", "123.5"},
                      FormatCase{1.0005, "0.000", "1.001"}, FormatCase{2.5, "0", "3"},
                      FormatCase{-2.5, "0", "-3"}, FormatCase{0.5, "0", "1"},
                      FormatCase{1.2344, "0.000", "1.234"}));

INSTANTIATE_TEST_SUITE_P(Carries, FormatTest,
                         ::testing::Values(FormatCase{9.9996, "0.000", "10.000"},
                                           FormatCase{999.99995, "0.0000", "1000.0000"},
                                           FormatCase{0.99999, "#.000", "1.000"},
                                           FormatCase{9999.6, "####", "10000"}));

// "#" has no leading zero, so a value under one starts at the point and 0 is empty; a value
// that rounds to zero never shows a minus sign.
INSTANTIATE_TEST_SUITE_P(
    ZeroAndSign, FormatTest,
    ::testing::Values(FormatCase{0, "#", ""}, FormatCase{0.4, "#", ""},
                      FormatCase{0.5, "#.000", ".500"}, FormatCase{0, "0.000", "0.000"},
                      FormatCase{-0.0, "0.0000", "0.0000"}, FormatCase{-0.0004, "0.000", "0.000"},
                      FormatCase{-0.4, "0", "0"}, FormatCase{0.00005, "0.0000", "0.0001"}));

INSTANTIATE_TEST_SUITE_P(PlanFigures, FormatTest,
                         ::testing::Values(FormatCase{45.302, "0.0000", "45.3020"},
                                           FormatCase{123.456, "0.000", "123.456"},
                                           FormatCase{4444123, "0", "4444123"},
                                           FormatCase{-2147483648.0, "0", "-2147483648"},
                                           FormatCase{1234.5, "####", "1235"},
                                           FormatCase{12.3, "###", "12"},
                                           FormatCase{856.4, "# m\xB2", "856 m\xB2"},
                                           FormatCase{1e15, "0", "1000000000000000"}));

TEST(GeneralText, ShortestFormWithFifteenDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1234.5, "1234.5"},
        {100, "100"},
        {-12.25, "-12.25"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {1e-5, "0.00001"},
        {1e20, "100000000000000000000"},
        {123456789012345678.0, "123456789012346000"},
        {9.999999999999999, "10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GeneralText(c.value), c.text) << c.value;
}

TEST(GeneralText, ReadsBackToTheSameFigure) {
    for (double v : {1234.5678, 0.000123, 98765.4321, -7.125, 1e-3})
        EXPECT_DOUBLE_EQ(Val(GeneralText(v)), v) << v;
}

TEST(Latin1Text, SquareMetresAndUpperCase) {
    EXPECT_EQ(Latin1ToUtf8(std::string("856 ") + kSquareMetres), "856 m\xC2\xB2");
    EXPECT_EQ(UpperCase("pm12 \xB2x"), "PM12 \xB2X");
}

} // namespace
} // namespace corvane

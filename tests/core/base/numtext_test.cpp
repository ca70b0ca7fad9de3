#include "core/base/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

namespace corvane {
namespace {

TEST(Val, ReadsTheLeadingNumberSkippingBlanks) {
    const std::pair<const char*, double> cases[] = {
        {"", 0},       {"abc", 0},          {"-", 0},
        {".", 0},      {" 1 2 . 5 ", 12.5}, {"4444 12", 444412},
        {"\t9", 9},    {"-3.5x", -3.5},     {"+7", 7},
        {"- 4", -4},   {"1.2.3", 1.2},      {".5", 0.5},
        {"12,5", 12},  {"1e5", 1},          {"PM12", 0},
        {"-.5", -0.5}, {"45.3020", 45.302},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(Val(text), value) << '"' << text << '"';
    // Digits beyond a double are no number: Val never hands on infinity, FiniteVal says so.
    for (const std::string& huge : {"1" + std::string(400, '0'), "-1" + std::string(309, '0'),
                                    std::string(400, '9') + ".5"}) {
        EXPECT_EQ(Val(huge), 0.0);
        EXPECT_FALSE(FiniteVal(huge));
    }
    EXPECT_EQ(FiniteVal("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(FiniteVal("PM12"), 0.0);
    EXPECT_EQ(NumberField(" 12.5 ", 0, 12.5), 12.5);
    EXPECT_FALSE(NumberField("12.6", 0, 12.5));
    EXPECT_FALSE(NumberField("12x", 0, 100));
    EXPECT_FALSE(NumberField(std::string(400, '9'), -1e308, 1e308));
}

TEST(IsNumberText, AcceptsOnlyAWholeNumber) {
    for (const char* good : {"12", " -1.5 ", ".5", "1.", "+3", "1 2"})
        EXPECT_TRUE(IsNumberText(good)) << good;
    for (const char* bad : {"", " ", "-", ".", "1.2.3", "12a", "1e5", "a12", "--1", "1-"})
        EXPECT_FALSE(IsNumberText(bad)) << bad;
}

// Halves are taken on the value written with 15 significant digits, away from zero: 1.2345
// and 12.345 are stored a hair below the half in binary and still round up. "#" has no
// leading zero, and a value that rounds to zero never shows a minus sign.
TEST(Format, WritesTheRoundedFigure) {
    // clang-format off
    const std::tuple<double, const char*, const char*> cases[] = {
        {1.2345, "0.000", "1.235"},   {-1.2345, "0.000", "-1.235"},     {12.345, "##.00", "12.35"},
        {1.0005, "0.000", "1.001"},   {2.5, "0", "3"},                  {-2.5, "0", "-3"},
        {1.2344, "0.000", "1.234"},   {9.9996, "0.000", "10.000"},      {9999.6, "####", "10000"},
        {999.99995, "0.0000", "1000.0000"},                             {0.5, "#.000", ".500"},
        {0, "#", ""},                 {0.4, "#", ""},                   {0.99999, "#.000", "1.000"},
        {-0.0, "0.0000", "0.0000"},   {-0.0004, "0.000", "0.000"},      {-0.4, "0", "0"},
        {45.302, "0.0000", "45.3020"}, {-2147483648.0, "0", "-2147483648"},
        {856.4, "# m\xB2", "856 m\xB2"}, {1e15, "0", "1000000000000000"}};
    // clang-format on
    for (const auto& [value, format, text] : cases)
        EXPECT_EQ(Format(value, format), text) << value << " in \"" << format << '"';
}

TEST(GeneralText, ShortestFormWithFifteenDigitsThatReadsBack) {
    const std::pair<double, const char*> cases[] = {
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
    for (const auto& [value, text] : cases)
        EXPECT_EQ(GeneralText(value), text) << value;
    for (double v : {1234.5678, 0.000123, -7.125})
        EXPECT_DOUBLE_EQ(Val(GeneralText(v)), v) << v;
}

} // namespace
} // namespace corvane

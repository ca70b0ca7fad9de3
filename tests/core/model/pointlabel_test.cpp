#include "core/model/pointlabel.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvane {
namespace {

TEST(PointLabelToNumber, CodesMarkPrefixes) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"PM12", 444412},  {"pm5", 44445},    {"PM 12", 444412},
        {" PM12", 444412}, {"SSM12", 555512}, {"TS3", 66663},
        {"MSM7", 77777},   {"GBM1", 88881},   {"ssm 1 2", 555512},
        {"0012", 12},      {"12.5", 12},      {"13.5", 14},
        {"-5", -5},        {"PM", 0},         {"", 0},
        {"abc", 0},        {"PM-5", 0},       {"2147483647", 2147483647},
    };
    for (const auto& [label, number] : cases)
        EXPECT_EQ(PointLabelToNumber(label), number) << '"' << label << '"';
    // PM 999999 codes as 4444999999, above the largest 32-bit number: never wrapped.
    for (const char* label : {"PM 999999", "GBM99999999", "2147483648", "-2147483649"}) {
        EXPECT_EQ(PointLabelToNumber(label), 0) << label;
        EXPECT_FALSE(PointLabelValue(label).has_value()) << label;
    }
    EXPECT_EQ(PointLabelValue("-2147483648"), std::numeric_limits<std::int32_t>::min());
}

TEST(PointNumberToLabel, ShowsMarksByTheirPrefix) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {4444, "4444"},
        {44441, "PM1"},
        {123, "123"},
        {555512, "SSM12"},
        {66663, "TS3"},
        {777700, "MSM00"},
        {0, "0"},
        {-44441, "-44441"},
        {888812345, "GBM12345"},
        {2147483647, "2147483647"},
    };
    for (const auto& [number, label] : cases)
        EXPECT_EQ(PointNumberToLabel(number), label) << number;
    for (const char* label : {"PM1", "SSM123", "TS45", "MSM9", "GBM77777", "4999"})
        EXPECT_EQ(PointNumberToLabel(PointLabelToNumber(label)), label);
}

TEST(ValidPointLabel, WholePositiveNumbersThatFit) {
    for (const char* good : {"12", "PM12", "pm 12", " PM12", "SSM12345", "999999999", "TS 1"})
        EXPECT_TRUE(ValidPointLabel(good)) << '"' << good << '"';
    for (const char* bad : {"", " ", "0", "PM0", "PM", "12a", "PMx", "-5", "1.5", "PM1.5",
                            "9999999999", "PM9999999", "PM 999999", "2147483648", "XX12"})
        EXPECT_FALSE(ValidPointLabel(bad)) << '"' << bad << '"';
}

} // namespace
} // namespace corvane

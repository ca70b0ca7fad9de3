#include "core/base/textfile.h"
#include "core/files/contextparcels.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::PlanTestDir;

TEST(ContextParcels, FileRoundTripsAndRefusesWhatItCannotHold) {
    const std::vector<ContextParcel> parcels = {
        {"LT1/DP105178", "adjoining", 612.4, {1, 2, 3, 1}},
        {"CORST1-P1\\PS619178", "extinguished", 0, {4444101, 5, 6}},
    };
    const auto lines = FormatContextParcels(parcels);
    ASSERT_EQ(lines.front(), "\"LT1/DP105178\",\"adjoining\",612.4");
    auto back = ParseContextParcels(lines, "P.ctx");
    ASSERT_TRUE(back);
    ASSERT_EQ(back.value().size(), 2u);
    EXPECT_EQ(back.value()[1].Identifier, "CORST1-P1\\PS619178");
    EXPECT_EQ(back.value()[1].State, "extinguished");
    EXPECT_EQ(back.value()[1].Points, (std::vector<std::int32_t>{4444101, 5, 6}));
    EXPECT_DOUBLE_EQ(back.value()[0].Area, 612.4);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"12"},
                                                {"\"LT1\",\"adjoining\""},
                                                {"\"LT1\",0,\"C\""},
                                                {"\"LT1\",\"adjoining\",1", "12.5"},
                                                {"\"LT1\",\"adjoining\",1", "-3"},
                                                {"\"\",\"adjoining\",1"}})
        EXPECT_FALSE(ParseContextParcels(bad, "P.ctx")) << bad.back();

    EXPECT_FALSE(StorableContextText("A\"B"));
    EXPECT_FALSE(StorableContextText("A\nB"));
    EXPECT_FALSE(StorableContextText(""));
    EXPECT_TRUE(StorableContextText("CORST1-P1\\PS619178"));
}

TEST(ContextParcels, EmptyListLeavesNoFile) {
    PlanTestDir dir;
    const std::string plan = dir.path("P");
    ASSERT_TRUE(WriteContextParcels(plan, {{"LT1", "adjoining", 0, {1, 2, 1}}}));
    ASSERT_TRUE(FileExists(ContextParcelsPath(plan)));
    auto read = ReadContextParcels(plan);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value().size(), 1u);
    ASSERT_TRUE(WriteContextParcels(plan, {}));
    EXPECT_FALSE(FileExists(ContextParcelsPath(plan)));
    read = ReadContextParcels(plan);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read.value().empty());
}

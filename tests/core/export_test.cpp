#include "core/export.h"

#include "core/linesfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

// The open plan: AL1 (3-7-8) and AL2 (7-9-8) share the line 7-8; AL3 has the arc 20-3.
// The line 3-7 is stored from 7 to 3.
struct ExportPlanDir {
    test::PlanTestDir dir;
    PlanState plan;
    std::string target;

    ExportPlanDir() {
        dir.write("src.lns", "7,3,45.3000,10.000\r\n"
                             "7,8,90.0000,20.000\r\n"
                             "8,3,200.0000,15.000\r\n"
                             "7,9,10.0000,12.000\r\n"
                             "9,8,170.0000,12.000\r\n"
                             "20,3,1012.0000,15.708\r\n"
                             "3,21,180.0000,12.000\r\n"
                             "21,20,300.0000,14.000\r\n");
        dir.write("src.ply", "\"AL1\",150.5,\"C\"\r\n3\r\n7\r\n8\r\n3\r\n"
                             "\"AL2\",72,\"A\"\r\n7\r\n9\r\n8\r\n7\r\n"
                             "\"AL3\",90,\"C\"\r\n3\r\n21\r\n20\r\n3\r\n");
        dir.write("src.cve", "20,3,\"R\",282.184,999\r\n");
        plan.PlanPath = dir.path("src");
        target = dir.path("target");
    }
    Status exportParcel(const std::string& parcel) { return ExportParcelTo(plan, target, parcel); }
};

TEST(ExportParcel, ToAPlanWithoutFilesCreatesThemWithTheWholeParcel) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL1"));
    EXPECT_TRUE(d.plan.chkArray); // the lines were loaded for the export
    EXPECT_EQ(d.dir.read("target.ply"), "\"AL1\",150.5,\"C\"\r\n3\r\n7\r\n8\r\n3\r\n");
    // 7 -> 3 at 45.3000 is written in the parcel's order, 3 -> 7, with the reverse bearing.
    EXPECT_EQ(d.dir.read("target.lns"), "3,7,225.3000,10.000\r\n"
                                        "7,8,90.0000,20.000\r\n"
                                        "8,3,200.0000,15.000\r\n");
    EXPECT_FALSE(d.dir.exists("target.cve"));
    // The open plan is not changed.
    EXPECT_EQ(d.dir.read("src.ply").substr(0, 5), "\"AL1\"");
}

TEST(ExportParcel, ASharedLineIsNotWrittenTwice) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL1"));
    // AL2 walks the shared line from 8 to 7, the target holds it from 7 to 8.
    ASSERT_TRUE(d.exportParcel("AL2"));
    EXPECT_EQ(d.dir.read("target.lns"), "3,7,225.3000,10.000\r\n"
                                        "7,8,90.0000,20.000\r\n"
                                        "8,3,200.0000,15.000\r\n"
                                        "7,9,10.0000,12.000\r\n"
                                        "9,8,170.0000,12.000\r\n");
    EXPECT_EQ(d.dir.read("target.ply"), "\"AL1\",150.5,\"C\"\r\n3\r\n7\r\n8\r\n3\r\n"
                                        "\"AL2\",72,\"A\"\r\n7\r\n9\r\n8\r\n7\r\n");
}

TEST(ExportParcel, AParcelTheTargetHasIsRefusedBeforeAnythingIsWritten) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL1"));
    const std::string ply = d.dir.read("target.ply");
    const std::string lns = d.dir.read("target.lns");
    d.dir.write("target.lns", lns + "1,2,0.0000,5.000\r\n");
    Status again = d.exportParcel("AL1");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().message, "This parcel already exists in " + d.target);
    EXPECT_EQ(again.error().title, "Export parcel error");
    EXPECT_EQ(d.dir.read("target.ply"), ply);
    EXPECT_EQ(d.dir.read("target.lns"), lns + "1,2,0.0000,5.000\r\n");
}

TEST(ExportParcel, AnArcCarriesItsCurveRecordOnce) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL3"));
    EXPECT_EQ(d.dir.read("target.lns"), "3,21,180.0000,12.000\r\n"
                                        "21,20,300.0000,14.000\r\n"
                                        "20,3,1012.0000,15.708\r\n");
    EXPECT_EQ(d.dir.read("target.cve"), "20,3,\"R\",282.184,999\r\n");

    // A target that has a record for the arc (either way round) keeps its own.
    ExportPlanDir e;
    e.dir.write("target.cve", "3,20,\"L\",100,999\r\n");
    ASSERT_TRUE(e.exportParcel("AL3"));
    EXPECT_EQ(e.dir.read("target.cve"), "3,20,\"L\",100,999\r\n");
}

TEST(ExportParcel, UnreadableLinesRefuseBeforeAnythingIsWritten) {
    {
        ExportPlanDir d;
        d.dir.write("src.lns", "7,3,45.3000\r\n");
        Status refused = d.exportParcel("AL1");
        ASSERT_FALSE(refused);
        EXPECT_FALSE(d.dir.exists("target.ply"));
        EXPECT_FALSE(d.dir.exists("target.lns"));
    }
    {
        // The target's lines cannot be compared, so nothing is added to them.
        ExportPlanDir d;
        d.dir.write("target.lns", "1,2,x,5\r\n");
        Status refused = d.exportParcel("AL1");
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().title, "Export Parcel error");
        EXPECT_FALSE(d.dir.exists("target.ply"));
        EXPECT_EQ(d.dir.read("target.lns"), "1,2,x,5\r\n");
    }
    {
        ExportPlanDir d;
        Status refused = d.exportParcel("AL9");
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().message, "Data for parcel missing");
        EXPECT_FALSE(d.dir.exists("target.ply"));
    }
}

TEST(ExportParcel, OnlyLinesWithADistanceAreWritten) {
    ExportPlanDir d;
    ASSERT_TRUE(LoadLines(d.plan));
    d.plan.PlanLines[1].Distance = -20; // 7-8 marked for deletion
    ASSERT_TRUE(d.exportParcel("AL1"));
    EXPECT_EQ(d.dir.read("target.lns"), "3,7,225.3000,10.000\r\n"
                                        "8,3,200.0000,15.000\r\n");
}

TEST(GetLineData, ReverseBearingsTurnOnlyBearingsOnTheCircle) {
    const std::vector<LineRecord> lines{{1, 2, 180.0, 5.0, 0},  {3, 4, 200.0, 6.0, 0},
                                        {5, 6, 999.0, 7.0, 0},  {7, 8, 1012.5, 8.0, 0},
                                        {9, 10, 360.0, 9.0, 0}, {11, 12, 0.0, -1.0, 0},
                                        {-5, 13, 10.0, 1.0, 0}};
    EXPECT_EQ(GetLineData(lines, 1, 2), "1,2,180.0000,5.000");
    EXPECT_EQ(GetLineData(lines, 2, 1), "2,1,0.0000,5.000"); // the sum reaches 360
    EXPECT_EQ(GetLineData(lines, 4, 3), "4,3,20.0000,6.000");
    EXPECT_EQ(GetLineData(lines, 6, 5), "6,5,999.0000,7.000");
    EXPECT_EQ(GetLineData(lines, 8, 7), "8,7,1012.5000,8.000");
    EXPECT_EQ(GetLineData(lines, 10, 9), "10,9,180.0000,9.000");
    EXPECT_EQ(GetLineData(lines, 12, 11), std::nullopt);
    EXPECT_EQ(GetLineData(lines, 1, 3), std::nullopt);
    EXPECT_EQ(GetLineData(lines, 13, -5), "13,-5,190.0000,1.000");
}

TEST(ExportTargetBase, DropsTheLinesFileExtensionInAnyCase) {
    EXPECT_EQ(ExportTargetBase("/plans/D1.LNS"), "/plans/D1");
    EXPECT_EQ(ExportTargetBase("/plans/D1.lns"), "/plans/D1");
    EXPECT_EQ(ExportTargetBase("/plans/D1"), "/plans/D1");
    EXPECT_EQ(ExportTargetBase("/plans/D1.ply"), "/plans/D1.ply");
}

} // namespace

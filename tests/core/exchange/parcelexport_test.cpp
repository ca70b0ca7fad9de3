#include "core/exchange/parcelexport.h"

#include "core/files/linesfile.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace corvane;

namespace {

// The open plan: AL1 (3-7-8) and AL2 (7-9-8) share the line 7-8; AL3 has the arc 20-3.
// The line 3-7 is stored from 7 to 3.
struct ExportPlanDir {
    test::PlanTestDir dir;
    PlanState plan;
    std::string target = dir.path("target");

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
    }
    Result<void> exportParcel(const std::string& parcel) {
        return ExportParcelTo(plan, target, parcel);
    }
};

TEST(ExportParcel, CreatesTheTargetsFilesAndNeverWritesASharedLineTwice) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL1"));
    EXPECT_TRUE(d.plan.chkArray); // the lines were loaded for the export
    // 7 -> 3 at 45.3000 is written in the parcel's order, 3 -> 7, with the reverse bearing.
    const std::string al1Lines = "3,7,225.3000,10.000\r\n"
                                 "7,8,90.0000,20.000\r\n"
                                 "8,3,200.0000,15.000\r\n";
    EXPECT_EQ(d.dir.read("target.lns"), al1Lines);
    EXPECT_EQ(d.dir.read("target.ply"), "\"AL1\",150.5,\"C\"\r\n3\r\n7\r\n8\r\n3\r\n");
    EXPECT_FALSE(d.dir.exists("target.cve"));

    // AL2 walks the shared line from 8 to 7, the target holds it from 7 to 8.
    ASSERT_TRUE(d.exportParcel("AL2"));
    const std::string lines = al1Lines + "7,9,10.0000,12.000\r\n9,8,170.0000,12.000\r\n";
    const std::string polygons = "\"AL1\",150.5,\"C\"\r\n3\r\n7\r\n8\r\n3\r\n"
                                 "\"AL2\",72,\"A\"\r\n7\r\n9\r\n8\r\n7\r\n";
    EXPECT_EQ(d.dir.read("target.lns"), lines);
    EXPECT_EQ(d.dir.read("target.ply"), polygons);

    // A parcel the target has is refused before anything is written.
    EXPECT_EQ(test::ErrorText(d.exportParcel("AL1")),
              "Export parcel error: This parcel already exists in " + d.target);
    EXPECT_EQ(d.dir.read("target.lns"), lines);
    EXPECT_EQ(d.dir.read("target.ply"), polygons);
}

TEST(ExportParcel, AnArcCarriesItsCurveRecordUnlessTheTargetHasOne) {
    ExportPlanDir d;
    ASSERT_TRUE(d.exportParcel("AL3"));
    EXPECT_EQ(d.dir.read("target.lns"), "3,21,180.0000,12.000\r\n"
                                        "21,20,300.0000,14.000\r\n"
                                        "20,3,1012.0000,15.708\r\n");
    EXPECT_EQ(d.dir.read("target.cve"), "20,3,\"R\",282.184,999\r\n");

    ExportPlanDir e; // a record for the arc either way round is kept
    e.dir.write("target.cve", "3,20,\"L\",100,999\r\n");
    ASSERT_TRUE(e.exportParcel("AL3"));
    EXPECT_EQ(e.dir.read("target.cve"), "3,20,\"L\",100,999\r\n");
}

TEST(ExportParcel, RefusesBeforeWritingWhenLinesCannotBeLoadedOrTheParcelIsMissing) {
    {
        ExportPlanDir d;
        d.dir.write("src.lns", "7,3,45.3000\r\n");
        ASSERT_FALSE(d.exportParcel("AL1"));
        EXPECT_EQ(d.dir.names(), (std::vector<std::string>{"src.cve", "src.lns", "src.ply"}));
    }
    {
        ExportPlanDir d; // the target's lines cannot be compared, so nothing is added
        d.dir.write("target.lns", "1,2,x,5\r\n");
        EXPECT_TRUE(test::Refused(d.exportParcel("AL1"), "Export Parcel error"));
        EXPECT_FALSE(d.dir.exists("target.ply"));
        EXPECT_EQ(d.dir.read("target.lns"), "1,2,x,5\r\n");
    }
    {
        ExportPlanDir d;
        EXPECT_EQ(test::ErrorText(d.exportParcel("AL9")),
                  "Export Parcel error: Data for parcel missing");
        EXPECT_FALSE(d.dir.exists("target.ply"));
    }
    {
        // The target's lines file is read-only: its parcels do not gain one without lines.
        ExportPlanDir d;
        d.dir.write("target.lns", "1,2,10.0000,5.000\r\n");
        std::filesystem::permissions(d.dir.path("target.lns"), std::filesystem::perms::owner_read);
        EXPECT_TRUE(test::Refused(d.exportParcel("AL1"), "Export Parcel error", "read-only"));
        EXPECT_FALSE(d.dir.exists("target.ply"));
        EXPECT_EQ(d.dir.read("target.lns"), "1,2,10.0000,5.000\r\n");
    }
}

TEST(ExportParcel, OnlyLinesWithADistanceAreWritten) {
    ExportPlanDir d;
    ASSERT_TRUE(LoadLines(d.plan));
    d.plan.PlanLines[1].Distance = -20; // 7-8 marked for deletion
    ASSERT_TRUE(d.exportParcel("AL1"));
    EXPECT_EQ(d.dir.read("target.lns"), "3,7,225.3000,10.000\r\n8,3,200.0000,15.000\r\n");
}

TEST(GetLineData, ReverseBearingsTurnOnlyBearingsOnTheCircle) {
    const std::vector<LineRecord> lines{
        {1, 2, 180.0, 5.0}, {5, 6, 999.0, 7.0}, {7, 8, 1012.5, 8.0}, {11, 12, 0.0, -1.0}};
    EXPECT_EQ(GetLineData(lines, 2, 1), "2,1,0.0000,5.000"); // the sum reaches 360
    EXPECT_EQ(GetLineData(lines, 6, 5), "6,5,999.0000,7.000");
    EXPECT_EQ(GetLineData(lines, 8, 7), "8,7,1012.5000,8.000");
    EXPECT_EQ(GetLineData(lines, 12, 11), std::nullopt);
    EXPECT_EQ(GetLineData(lines, 1, 3), std::nullopt);
    EXPECT_EQ(ExportTargetBase("/plans/D1.LNS"), "/plans/D1");
    EXPECT_EQ(ExportTargetBase("/plans/D1.ply"), "/plans/D1.ply");
}

} // namespace

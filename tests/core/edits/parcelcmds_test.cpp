#include "core/edits/parcelcmds.h"

#include "core/files/linesfile.h"
#include "core/files/polygons.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

using namespace corvane;

namespace {

TEST(NewParcelIdentifier, MakesPrefixAndUpperCaseTextOrRefuses) {
    const std::string refused = "New Parcel error: ";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"Allotment", "12a", "AL12A"},
        {"Bold Black Line", "2", "COBBL2"},
        {"Outer Boundary", "", "OB"},
        {"road", "4", "RD4"}, // a type typed in another letter case is the list's
        {"Paddock", "5", refused + "Unknown parcel type \"Paddock\"\nChoose a type from the list"},
        {"Allotment", "", refused + "You must supply an identifier"},
        {"", "5", refused + "You must select a parcel type"},
        {"Allotment", "1\"2", refused + "A parcel identifier cannot contain a double quote"},
    };
    for (const auto& [type, typed, expected] : cases) {
        auto id = NewParcelIdentifier(type, typed);
        EXPECT_EQ(id ? id.value() : test::ErrorText(id), expected) << type << " " << typed;
    }
}

// Every type of the dialog makes an identifier the parcel types know it by, so a new lot is
// judged as a lot and not as a construction parcel; the prefixes the dialog once made keep
// their classes.
TEST(NewParcelIdentifier, EveryTypeGetsTheCodeItIsJudgedBy) {
    for (const std::string& type : NewParcelTypes()) {
        const std::string id = NewParcelIdentifier(type, "9").value();
        const std::string judged = type == "Bold Black Line" ? "Construction"
                                   : type == "Thoroughfare"  ? "Road"
                                                             : type;
        EXPECT_EQ(ParcelTypeName(id), judged) << type << " made " << id;
    }
    EXPECT_EQ(NewParcelIdentifier("Part Lot", "3").value(), "PT3");
    const std::pair<const char*, const char*> former[] = {
        {"FL9", "Lot"}, {"QP9", "Piece"}, {"AR9", "Road"}, {"AE9", "Reserve"}, {"at9", "Road"}};
    for (const auto& [id, name] : former)
        EXPECT_EQ(ParcelTypeName(id), name) << id;
}

// Rename and copy prefill the type from the polygons file's type names: the parcel keeps
// its own prefix (a former one included) unless the user picks another type.
TEST(NewParcelIdentifier, RenameAndCopyKeepTheParcelsOwnPrefix) {
    auto prefill = [](const std::string& old) { return ParcelPrefill{ParcelTypeName(old), old}; };
    EXPECT_EQ(NewParcelIdentifier("Lot", "6", prefill("FL5")).value(), "FL6");
    EXPECT_EQ(NewParcelIdentifier("Construction", "2", prefill("COBBL1")).value(), "COBBL2");
    EXPECT_EQ(NewParcelIdentifier("Allotment", "6", prefill("FL5")).value(), "AL6");
    EXPECT_EQ(NewParcelIdentifier("Construction", "6", prefill("FL5")).value(), "CO6");
    // OK with the prefilled text unchanged gives the same identifier back.
    for (std::string old : {"FL5", "COBBL1", "AL12", "OB", "AT2"})
        EXPECT_EQ(
            NewParcelIdentifier(ParcelTypeName(old), RenamePrefillText(old), prefill(old)).value(),
            old);
    EXPECT_FALSE(NewParcelIdentifier("Lot", "a\"b", prefill("FL5")));
    EXPECT_EQ(SuggestNextIdentifier("Allotment", "12A"), "13");
    EXPECT_EQ(SuggestNextIdentifier("Easement", "3"), "");
    EXPECT_EQ(SuggestNextIdentifier("Allotment", "A"), "");
}

// A small plan: two triangles AL1 (1-2-3) and AL2 (1-3-4) sharing the line 1-3, which the
// lines file holds from 3 to 1.
const char* const kSmallLines = "1,2,0.0000,100.000\r\n"
                                "2,3,135.0000,141.421\r\n"
                                "3,1,270.0000,100.000\r\n"
                                "3,4,180.0000,100.000\r\n"
                                "4,1,270.0000,100.000\r\n";
const char* const kAL2 = "\"AL2\",5000,\"C\"\r\n1\r\n3\r\n4\r\n1\r\n";

struct SmallPlan {
    test::PlanTestDir dir;
    PlanState plan;
    explicit SmallPlan(const std::string& al1Points = "1\r\n2\r\n3\r\n1\r\n") {
        dir.write("p.lns", kSmallLines);
        dir.write("p.ply", "\"AL1\",5000,\"A\"\r\n" + al1Points + kAL2);
        plan.PlanPath = dir.path("p");
        EXPECT_TRUE(LoadLines(plan));
    }
    bool anyMarked() const {
        return std::any_of(plan.PlanLines.begin(), plan.PlanLines.end(),
                           [](const LineRecord& l) { return l.Distance < 0; });
    }
};

TEST(RenameAndCopyParcel, KeepAreaAndCodeOrRefuseWritingNothing) {
    SmallPlan p;
    const std::string before = p.dir.read("p.ply");
    const std::string exists = "Edit Parcel ID error: This parcel identifier already exists";
    EXPECT_EQ(test::ErrorText(RenameParcel(p.plan.PlanPath, {"AL1", "AL2"}, "AL1", "AL2")), exists);
    EXPECT_FALSE(p.dir.exists("p.~ly")); // refused before the backup
    EXPECT_EQ(test::ErrorText(CopyParcel(p.plan.PlanPath, {"AL1", "AL2"}, "AL1", "AL2")), exists);
    // A list out of step with the file: the copy would report success and add nothing.
    EXPECT_EQ(test::ErrorText(CopyParcel(p.plan.PlanPath, {"AL1", "AL2", "AL5"}, "AL5", "AL9")),
              "Copy Parcel error: Data for parcel missing");
    EXPECT_EQ(p.dir.read("p.ply"), before);

    const std::string al9 = "\"AL9\",5000,\"A\"\r\n1\r\n2\r\n3\r\n1\r\n";
    ASSERT_TRUE(CopyParcel(p.plan.PlanPath, {"AL1", "AL2"}, "AL1", "AL9"));
    EXPECT_EQ(p.dir.read("p.ply"), before + al9);
    EXPECT_EQ(p.dir.read("p.~ly"), before);
    ASSERT_TRUE(RenameParcel(p.plan.PlanPath, {"AL1", "AL2", "AL9"}, "AL1", "FL9").value());
    EXPECT_EQ(p.dir.read("p.ply"),
              "\"FL9\",5000,\"A\"\r\n1\r\n2\r\n3\r\n1\r\n" + std::string(kAL2) + al9);
}

const char* const kAL1 = "\"AL1\",5000,\"A\"\r\n1\r\n2\r\n3\r\n1\r\n";

TEST(DeleteParcel, AnsweringNoUnmarksAndLeavesTheLinesFileAlone) {
    SmallPlan p;
    auto deletion = DeleteParcelAndMarkLines(p.plan, "AL1");
    ASSERT_TRUE(deletion);
    EXPECT_TRUE(p.anyMarked());
    // Nothing but the backup is written before the second answer.
    EXPECT_EQ(p.dir.read("p.ply"), kAL1 + std::string(kAL2));
    ASSERT_TRUE(CommitParcelDeletion(p.plan, deletion.value(), false));
    EXPECT_EQ(p.dir.read("p.ply"), kAL2);
    EXPECT_FALSE(p.anyMarked());
    EXPECT_EQ(p.dir.read("p.lns"), kSmallLines);
    // A parcel the file no longer holds changes nothing and is not reported deleted.
    auto missing = DeleteParcel(p.plan.PlanPath, "AL7");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "Data for parcel missing");
    EXPECT_EQ(p.dir.read("p.ply"), kAL2);
}

TEST(DeleteParcel, AnsweringYesDropsTheUnusedLinesAndKeepsTheShared) {
    // AL1 walks 1-2 twice the second time: the line is still marked once and dropped.
    for (const std::string al1 : {"1\r\n2\r\n3\r\n1\r\n", "1\r\n2\r\n3\r\n1\r\n2\r\n"}) {
        SmallPlan p(al1);
        auto deletion = DeleteParcelAndMarkLines(p.plan, "AL1");
        ASSERT_TRUE(deletion);
        ASSERT_TRUE(CommitParcelDeletion(p.plan, deletion.value(), true));
        EXPECT_EQ(p.dir.read("p.lns"), "3,1,270.0000,100.000\r\n"
                                       "3,4,180.0000,100.000\r\n"
                                       "4,1,270.0000,100.000\r\n");
        EXPECT_EQ(p.dir.read("p.ply"), kAL2);
        EXPECT_TRUE(p.plan.chkArray);
        EXPECT_EQ(p.plan.PlanLines.size(), 3u);
    }
}

TEST(DeleteParcel, NothingIsMarkedOrWrittenWhenAStepCannotBeDone) {
    {
        SmallPlan p; // the backup cannot be put in place over a folder of that name
        std::filesystem::create_directory(p.dir.path("p.~ly"));
        EXPECT_TRUE(test::Refused(DeleteParcelAndMarkLines(p.plan, "AL1"), "Make backup error"));
        EXPECT_FALSE(p.anyMarked());
        EXPECT_EQ(p.dir.read("p.ply"), kAL1 + std::string(kAL2));
    }
    {
        // A read-only lines file: the parcel stays in the polygons file too, and no line is
        // lost from memory at a later save.
        SmallPlan p;
        std::filesystem::permissions(p.dir.path("p.lns"), std::filesystem::perms::owner_read);
        auto deletion = DeleteParcelAndMarkLines(p.plan, "AL1");
        ASSERT_TRUE(deletion);
        EXPECT_TRUE(test::Refused(CommitParcelDeletion(p.plan, deletion.value(), true),
                                  "Delete Parcel error", "read-only"));
        EXPECT_FALSE(p.anyMarked());
        EXPECT_EQ(p.plan.PlanLines.size(), 5u);
        EXPECT_EQ(p.dir.read("p.lns"), kSmallLines);
        EXPECT_EQ(p.dir.read("p.ply"), kAL1 + std::string(kAL2));
        EXPECT_EQ(p.dir.names(), (std::vector<std::string>{"p.lns", "p.ply", "p.~ly"}));
    }
    {
        SmallPlan p; // lines not in memory are never written
        p.plan.PlanLines.clear();
        p.plan.chkArray = false;
        auto deletion = DeleteParcelAndMarkLines(p.plan, "AL1");
        ASSERT_TRUE(deletion);
        ASSERT_TRUE(CommitParcelDeletion(p.plan, deletion.value(), true));
        EXPECT_EQ(p.dir.read("p.lns"), kSmallLines);
        EXPECT_EQ(p.dir.read("p.ply"), kAL2);
    }
}

TEST(AreaFromEntry, HectaresToSquareMetres) {
    EXPECT_NEAR(AreaFromEntry("0.0512", "0.0000", 0).value(), 512, 1e-9);
    EXPECT_NEAR(AreaFromEntry(" 1.5 ", "0.0000", 0).value(), 15000, 1e-9);
    EXPECT_EQ(AreaFromEntry("no area", "0.5000", 5000).value(), 0);
    // The box shows the stored area rounded; left as it was, the stored figure stays.
    EXPECT_EQ(AreaFromEntry("12.35", "12.35", 123456.4).value(), 123456.4);
    for (const char* bad : {"", "abc", "-1", "1,5", "12 ha", "1.2.3"})
        EXPECT_TRUE(test::Refused(AreaFromEntry(bad, "0.5000", 5000), "Edit Area error")) << bad;
}

TEST(Recalc, AreaOfTheWalkLoadingTheLinesFirstOrMissingData) {
    test::PlanTestDir dir; // a 100 m square run clockwise, AL2 lacking a line
    dir.write("s.lns", "1,2,0.0000,100.000\r\n2,3,90.0000,100.000\r\n"
                       "4,3,0.0000,100.000\r\n4,1,270.0000,100.000\r\n");
    dir.write("s.ply", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                       "\"AL2\",0,\"C\"\r\n1\r\n2\r\n3\r\n5\r\n1\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("s");
    auto square = Recalc(plan, "AL1");
    ASSERT_TRUE(square) << square.error().message;
    EXPECT_TRUE(plan.chkArray);
    EXPECT_FALSE(square.value().MissingData);
    EXPECT_NEAR(square.value().Area, 10000, 1e-6);
    EXPECT_EQ(square.value().Hectares, "1.000");

    EXPECT_TRUE(Recalc(plan, "AL2").value().MissingData);
    EXPECT_TRUE(test::Refused(Recalc(plan, "AL3"), "Recalculate Area error"));
    MarkLines(plan, 3, 4); // a marked (or dropped) line is missing too
    EXPECT_TRUE(Recalc(plan, "AL1").value().MissingData);
}

} // namespace

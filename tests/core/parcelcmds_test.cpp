#include "core/parcelcmds.h"

#include "core/linesfile.h"
#include "core/polygons.h"
#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace corvane;

namespace {

struct IdentifierCase {
    const char* name;
    const char* type;
    const char* typed;
    const char* expected; // nullptr: refused
    const char* refusal = "";
};

class NewParcelIdentifierTest : public ::testing::TestWithParam<IdentifierCase> {};

TEST_P(NewParcelIdentifierTest, MakesPrefixAndUpperCaseText) {
    const IdentifierCase& c = GetParam();
    auto id = NewParcelIdentifier(c.type, c.typed);
    if (c.expected) {
        ASSERT_TRUE(id) << id.error().message;
        EXPECT_EQ(id.value(), c.expected);
    } else {
        ASSERT_FALSE(id);
        EXPECT_EQ(id.error().message, c.refusal);
        EXPECT_EQ(id.error().title, "New Parcel error");
    }
}

INSTANTIATE_TEST_SUITE_P(
    DialogTable, NewParcelIdentifierTest,
    ::testing::Values(IdentifierCase{"Allotment", "Allotment", "12", "AL12"},
                      IdentifierCase{"LowerCaseStoredUpper", "Allotment", "12a", "AL12A"},
                      IdentifierCase{"LotIsFL", "Lot", "5", "FL5"},
                      IdentifierCase{"PieceIsQP", "Piece", "3", "QP3"},
                      IdentifierCase{"BoldBlackLineNumbered", "Bold Black Line", "2", "COBBL2"},
                      IdentifierCase{"OuterBoundaryAlone", "Outer Boundary", "", "OB"},
                      IdentifierCase{"BoldBlackLineAlone", "Bold Black Line", "", "COBBL"},
                      IdentifierCase{"UnknownTypeStartsNothing", "Paddock", "5", ""},
                      IdentifierCase{"AllotmentNeedsIdentifier", "Allotment", "", nullptr,
                                     "You must supply an identifier"},
                      IdentifierCase{"UnknownTypeNeedsIdentifier", "Paddock", "", nullptr,
                                     "You must supply an identifier"},
                      IdentifierCase{"NoType", "", "5", nullptr, "You must select a parcel type"},
                      IdentifierCase{"DoubleQuoteRefused", "Allotment", "1\"2", nullptr,
                                     "A parcel identifier cannot contain a double quote"}),
    [](const auto& info) { return std::string(info.param.name); });

// Rename and copy prefill the type from the polygons file's type names, which do not know
// the dialog's own prefixes: the parcel keeps its prefix unless the user picks another type.
TEST(NewParcelIdentifier, RenameAndCopyKeepTheParcelsOwnPrefix) {
    auto prefill = [](const std::string& old) { return ParcelPrefill{ParcelTypeName(old), old}; };
    EXPECT_EQ(ParcelTypeName("FL5"), "Construction");
    EXPECT_EQ(NewParcelIdentifier("Construction", "6", prefill("FL5")).value(), "FL6");
    EXPECT_EQ(NewParcelIdentifier("Construction", "6", prefill("QP5")).value(), "QP6");
    EXPECT_EQ(NewParcelIdentifier("Construction", "2", prefill("COBBL1")).value(), "COBBL2");
    EXPECT_EQ(NewParcelIdentifier("Allotment", "7b", prefill("AL5")).value(), "AL7B");
    // A type the user changed takes the dialog's table.
    EXPECT_EQ(NewParcelIdentifier("Allotment", "6", prefill("FL5")).value(), "AL6");
    EXPECT_EQ(NewParcelIdentifier("Construction", "6", ParcelPrefill{"Allotment", "AL5"}).value(),
              "CO6");
    // The rename box is prefilled with the text after the own prefix, so OK unchanged gives
    // the same identifier back (and the list refuses it as existing).
    for (std::string old : {"FL5", "COBBL1", "AL12", "OB"})
        EXPECT_EQ(
            NewParcelIdentifier(ParcelTypeName(old), RenamePrefillText(old), prefill(old)).value(),
            old);
    EXPECT_EQ(RenamePrefillText("COBBL1"), "1");
    EXPECT_FALSE(NewParcelIdentifier("Construction", "", prefill("FL5")));
    EXPECT_FALSE(NewParcelIdentifier("Construction", "a\"b", prefill("FL5")));
}

TEST(SuggestNextIdentifier, OffersTheNextNumberExceptForEasements) {
    EXPECT_EQ(SuggestNextIdentifier("Allotment", "12"), "13");
    EXPECT_EQ(SuggestNextIdentifier("Allotment", "12A"), "13");
    EXPECT_EQ(SuggestNextIdentifier("Easement", "3"), "");
    EXPECT_EQ(SuggestNextIdentifier("Allotment", "A"), "");
    EXPECT_EQ(SuggestNextIdentifier("Outer Boundary", ""), "");
}

// A small plan: two triangles AL1 (1-2-3) and AL2 (1-3-4) sharing the line 1-3, which the
// lines file holds from 3 to 1.
struct SmallPlan {
    test::PlanTestDir dir;
    PlanState plan;

    SmallPlan(const std::string& al1Points = "1\r\n2\r\n3\r\n1\r\n") {
        dir.write("p.lns", "1,2,0.0000,100.000\r\n"
                           "2,3,135.0000,141.421\r\n"
                           "3,1,270.0000,100.000\r\n"
                           "3,4,180.0000,100.000\r\n"
                           "4,1,270.0000,100.000\r\n");
        dir.write("p.ply", "\"AL1\",5000,\"A\"\r\n" + al1Points +
                               "\"AL2\",5000,\"C\"\r\n1\r\n3\r\n4\r\n1\r\n");
        plan.PlanPath = dir.path("p");
        EXPECT_TRUE(LoadLines(plan));
    }
    bool anyMarked() const {
        for (const auto& l : plan.PlanLines)
            if (l.Distance < 0)
                return true;
        return false;
    }
};

TEST(RenameParcel, KeepsAreaAndCodeAndRefusesAnExistingIdentifier) {
    SmallPlan p;
    const std::vector<std::string> list{"AL1", "AL2"};
    auto refused = RenameParcel(p.plan.PlanPath, list, "AL1", "AL2");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "This parcel identifier already exists");
    EXPECT_EQ(refused.error().title, "Edit Parcel ID error");
    EXPECT_FALSE(p.dir.exists("p.~ly")); // refused before the backup

    auto renamed = RenameParcel(p.plan.PlanPath, list, "AL1", "FL9");
    ASSERT_TRUE(renamed);
    EXPECT_TRUE(renamed.value());
    EXPECT_EQ(p.dir.read("p.ply"), "\"FL9\",5000,\"A\"\r\n1\r\n2\r\n3\r\n1\r\n"
                                   "\"AL2\",5000,\"C\"\r\n1\r\n3\r\n4\r\n1\r\n");
}

TEST(CopyParcel, AppendsTheCopyWithTheSourcesAreaAndCode) {
    SmallPlan p;
    const std::string before = p.dir.read("p.ply");
    ASSERT_TRUE(CopyParcel(p.plan.PlanPath, {"AL1", "AL2"}, "AL1", "AL9"));
    EXPECT_EQ(p.dir.read("p.ply"), before + "\"AL9\",5000,\"A\"\r\n1\r\n2\r\n3\r\n1\r\n");
    EXPECT_EQ(p.dir.read("p.~ly"), before);
    EXPECT_EQ(ParcelIdentifiers(p.plan.PlanPath), (std::vector<std::string>{"AL1", "AL2", "AL9"}));
}

TEST(CopyParcel, RefusesWithoutWritingAnything) {
    SmallPlan p;
    const std::string before = p.dir.read("p.ply");
    auto exists = CopyParcel(p.plan.PlanPath, {"AL1", "AL2"}, "AL1", "AL2");
    ASSERT_FALSE(exists);
    EXPECT_EQ(exists.error().message, "This parcel identifier already exists");
    // A list out of step with the file: the copy would report success and add nothing.
    auto missing = CopyParcel(p.plan.PlanPath, {"AL1", "AL2", "AL5"}, "AL5", "AL9");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "Data for parcel missing");
    EXPECT_EQ(p.dir.read("p.ply"), before);
}

TEST(DeleteParcel, AnsweringNoLeavesNoLineMarkedAndTheLinesFileAlone) {
    SmallPlan p;
    const std::string lines = p.dir.read("p.lns");
    ASSERT_TRUE(DeleteParcelAndMarkLines(p.plan, "AL1"));
    EXPECT_EQ(p.dir.read("p.ply"), "\"AL2\",5000,\"C\"\r\n1\r\n3\r\n4\r\n1\r\n");
    EXPECT_TRUE(p.anyMarked());
    UnmarkLines(p.plan);
    EXPECT_FALSE(p.anyMarked());
    EXPECT_EQ(p.dir.read("p.lns"), lines);
}

TEST(DeleteParcel, AnsweringYesDropsExactlyTheUnusedLines) {
    // AL1 walks 1-2 twice: the line is still marked once and dropped.
    for (const std::string al1 : {"1\r\n2\r\n3\r\n1\r\n", "1\r\n2\r\n3\r\n1\r\n2\r\n"}) {
        SmallPlan p(al1);
        ASSERT_TRUE(DeleteParcelAndMarkLines(p.plan, "AL1"));
        ASSERT_TRUE(DeleteUnusedLines(p.plan));
        EXPECT_EQ(p.dir.read("p.lns"), "3,1,270.0000,100.000\r\n"
                                       "3,4,180.0000,100.000\r\n"
                                       "4,1,270.0000,100.000\r\n");
        EXPECT_TRUE(p.plan.chkArray);
        EXPECT_EQ(p.plan.PlanLines.size(), 3u);
    }
}

TEST(DeleteParcel, WalkedPairsOfTheFirstBlockOnly) {
    SmallPlan p;
    auto walked = DeleteParcel(p.plan.PlanPath, "AL2");
    ASSERT_TRUE(walked);
    EXPECT_EQ(walked.value(), (std::vector<PointPair>{{1, 3}, {3, 4}, {4, 1}}));
    // A parcel the file no longer holds changes nothing.
    const std::string before = p.dir.read("p.ply");
    auto none = DeleteParcel(p.plan.PlanPath, "AL7");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none.value().empty());
    EXPECT_EQ(p.dir.read("p.ply"), before);
}

TEST(DeleteParcel, AFailedBackupMarksNothingAndKeepsTheFile) {
    SmallPlan p;
    const std::string before = p.dir.read("p.ply");
    // The backup cannot be put in place over a folder of that name.
    std::filesystem::create_directory(p.dir.path("p.~ly"));
    Status deleted = DeleteParcelAndMarkLines(p.plan, "AL1");
    ASSERT_FALSE(deleted);
    EXPECT_EQ(deleted.error().title, "Make backup error");
    EXPECT_FALSE(p.anyMarked());
    EXPECT_EQ(p.dir.read("p.ply"), before);
}

TEST(DeleteParcel, UnusedLinesAreKeptWhenTheRemainingParcelsCannotBeRead) {
    SmallPlan p;
    const std::string lines = p.dir.read("p.lns");
    ASSERT_TRUE(DeleteParcelAndMarkLines(p.plan, "AL1"));
    std::filesystem::remove(p.dir.path("p.ply"));
    ASSERT_FALSE(DeleteUnusedLines(p.plan));
    EXPECT_FALSE(p.anyMarked());
    EXPECT_EQ(p.dir.read("p.lns"), lines);
}

TEST(DeleteParcel, LinesNotInMemoryAreNeverWritten) {
    SmallPlan p;
    const std::string lines = p.dir.read("p.lns");
    p.plan.PlanLines.clear(); // as after a command that cleared the flag
    p.plan.chkArray = false;
    ASSERT_TRUE(DeleteParcelAndMarkLines(p.plan, "AL1"));
    ASSERT_TRUE(DeleteUnusedLines(p.plan));
    EXPECT_EQ(p.dir.read("p.lns"), lines);
}

TEST(LineMarks, MarkingNeverTogglesAndFindsEitherDirection) {
    SmallPlan p;
    MarkLines(p.plan, 1, 3); // stored 3 -> 1
    MarkLines(p.plan, 3, 1);
    EXPECT_DOUBLE_EQ(p.plan.PlanLines[2].Distance, -100);
    ReMarkLine(p.plan, 1, 3);
    ReMarkLine(p.plan, 1, 3);
    EXPECT_DOUBLE_EQ(p.plan.PlanLines[2].Distance, 100);
    MarkLines(p.plan, 1, 9); // no such line
    EXPECT_FALSE(p.anyMarked());
}

TEST(AreaFromEntry, HectaresToSquareMetres) {
    EXPECT_NEAR(AreaFromEntry("0.0512", "0.0000", 0).value(), 512, 1e-9);
    EXPECT_NEAR(AreaFromEntry(" 1.5 ", "0.0000", 0).value(), 15000, 1e-9);
    EXPECT_EQ(AreaFromEntry("0", "0.5000", 5000).value(), 0);
    EXPECT_EQ(AreaFromEntry("no area", "0.5000", 5000).value(), 0);
    // The box shows the stored area rounded; left as it was, the stored figure stays.
    EXPECT_EQ(AreaFromEntry("12.35", "12.35", 123456.4).value(), 123456.4);
    EXPECT_EQ(AreaFromEntry("no area", "no area", 0).value(), 0);
    for (const char* bad : {"", "abc", "-1", "1,5", "12 ha", "1.2.3"}) {
        auto refused = AreaFromEntry(bad, "0.5000", 5000);
        ASSERT_FALSE(refused) << bad;
        EXPECT_EQ(refused.error().title, "Edit Area error");
    }
}

TEST(AreaFromEntry, StoredThroughTheParcelHeading) {
    test::PlanTestDir dir;
    dir.write("p.ply", "\"AL1\",0,\"C\"\r\n1\r\n\"AL2\",123456.4,\"C\"\r\n1\r\n");
    const std::string plan = dir.path("p");
    auto area1 = AreaFromEntry("0.0512", ReadParcelArea(plan, "AL1").value().Hectares, 0);
    ASSERT_TRUE(UpdateParcelEntry(plan, "AL1", "AL1", area1.value(), AreaCodeOf(false, false)));
    auto stored2 = ReadParcelArea(plan, "AL2").value();
    auto area2 = AreaFromEntry(stored2.Hectares, stored2.Hectares, stored2.Area);
    ASSERT_TRUE(UpdateParcelEntry(plan, "AL2", "AL2", area2.value(), AreaCodeOf(true, false)));
    EXPECT_EQ(dir.read("p.ply"), "\"AL1\",512,\"C\"\r\n1\r\n\"AL2\",123456.4,\"A\"\r\n1\r\n");
}

// A 100 m square run clockwise, with one parcel lacking a line.
struct SquarePlan {
    test::PlanTestDir dir;
    PlanState plan;
    SquarePlan() {
        dir.write("s.lns", "1,2,0.0000,100.000\r\n2,3,90.0000,100.000\r\n"
                           "4,3,0.0000,100.000\r\n4,1,270.0000,100.000\r\n");
        dir.write("s.ply", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                           "\"AL2\",0,\"C\"\r\n1\r\n2\r\n3\r\n5\r\n1\r\n");
        plan.PlanPath = dir.path("s");
    }
};

TEST(Recalc, ComputesTheAreaOfTheWalkLoadingTheLinesFirst) {
    SquarePlan s;
    ASSERT_FALSE(s.plan.chkArray);
    auto square = Recalc(s.plan, "AL1");
    ASSERT_TRUE(square) << square.error().message;
    EXPECT_TRUE(s.plan.chkArray);
    EXPECT_FALSE(square.value().MissingData);
    EXPECT_NEAR(square.value().Area, 10000, 1e-6);
    EXPECT_EQ(square.value().Hectares, "1.000");
}

TEST(Recalc, ReportsMissingDataAndMissingParcels) {
    SquarePlan s;
    auto missing = Recalc(s.plan, "AL2");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing.value().MissingData);
    auto gone = Recalc(s.plan, "AL3");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().title, "Recalculate Area error");
    // A marked (or dropped) line is missing too.
    MarkLines(s.plan, 3, 4);
    EXPECT_TRUE(Recalc(s.plan, "AL1").value().MissingData);
}

TEST(AreaFromSummaryText, SquareMetresAndHectares) {
    EXPECT_EQ(AreaFromSummaryText("1234 m\xB2"), 1234);
    EXPECT_NEAR(AreaFromSummaryText("1.2340 ha").value(), 12340, 1e-9);
    EXPECT_NEAR(AreaFromSummaryText("25.00 ha").value(), 250000, 1e-9);
    EXPECT_FALSE(AreaFromSummaryText("No area"));
}

} // namespace

#include "core/files/fetchrecord.h"
#include "core/files/network.h"
#include "core/files/planlock.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>

namespace fs = std::filesystem;
using namespace corvane;
using Names = std::vector<std::string>;

namespace {

// A share and a working folder, side by side in one temporary folder.
class NetworkTest : public ::testing::Test {
  protected:
    test::PlanTestDir tmp;
    std::string share() const { return tmp.path("share") + "/"; }
    std::string work(const std::string& name) const { return tmp.path("work/" + name); }
    void SetUp() override {
        fs::create_directories(tmp.path("share"));
        fs::create_directories(tmp.path("work"));
    }
};

} // namespace

TEST(NetworkRoot, CommandLineForms) {
    EXPECT_TRUE(IsNetworkMode("VRXN"));
    EXPECT_FALSE(IsNetworkMode("vrxN"));
#ifdef _WIN32
    EXPECT_EQ(NetworkRoot("VRXN"), "N:\\");
    EXPECT_EQ(NetworkRoot("VRX\\\\server\\plans"), "\\\\server\\plans\\");
#else
    EXPECT_EQ(NetworkRoot("VRXq"), "/mnt/q/");
    EXPECT_EQ(NetworkRoot("VRX/srv/plans"), "/srv/plans/");
#endif
    EXPECT_EQ(NetworkRoot("VRX/srv/plans/"), "/srv/plans/"); // no second separator
    EXPECT_EQ(NetworkRoot("VRX"), ""); // no share at all, rather than the root of the disk
    EXPECT_EQ(NetworkRoot("D1.lns"), "");
}

TEST_F(NetworkTest, ShareIsAvailableWhenItsRootCanBeListed) {
    EXPECT_TRUE(VrxNetExists(share()));
    EXPECT_FALSE(VrxNetExists(tmp.path("nowhere") + "/"));
    EXPECT_FALSE(VrxNetExists(""));
    tmp.write("afile", "x");
    EXPECT_FALSE(VrxNetExists(tmp.path("afile")));
}

TEST_F(NetworkTest, HalvernPlanChoosesTheFolderThatHoldsThePlanAndRefusesOtherNames) {
    // Nothing stored yet: the plans folder of the identifier's letter, identifier as typed.
    // Each stored lines file (found whatever its case) then decides; a polygons file does not.
    const std::array<const char*, 3> steps[] = {
        {"", "d12345", "DP/d12345"},
        {"", "C7", "CP/C7"},
        {"", "F7", "FP/F7"},
        {"FPAPP/F8.lns", "F8", "FPAPP/F8"},
        {"CPAPP/C8.LNS", "c8", "CPAPP/c8"},
        {"D12/D12345.lns", "D12345", "D12/D12345"},
        {"DPAPP/D12345.lns", "D12345", "DPAPP/D12345"},
        {"DP/D12345.lns", "D12345", "DP/D12345"},
        {"CPAPP/C9.ply", "C9", "CP/C9"},
    };
    for (const auto& [stored, id, base] : steps) {
        if (*stored)
            tmp.write(std::string("share/") + stored, "x\r\n");
        EXPECT_EQ(HalvernPlan(share(), id), share() + base) << id;
    }
    for (const char* ok : {"D12345", "d12345", "C1", "f99 a", "DP-1"})
        EXPECT_TRUE(ValidPlanIdentifier(ok)) << ok;
    for (const char* bad : {"", "X12345", "12345", " D1", "D*", "D?1", "D1/../x", "D1\\x", "D1:x",
                            "D\"1", "D<1", "D>1", "D|1", "D\t1"}) {
        EXPECT_FALSE(ValidPlanIdentifier(bad)) << bad;
        EXPECT_EQ(HalvernPlan(share(), bad), "") << bad;
    }
    EXPECT_EQ(HalvernPlan("", "D1"), "");
}

TEST_F(NetworkTest, FetchCopiesEachFileTheShareHoldsAndRecordsOnlyAWholeFetch) {
    tmp.write("share/DP/D1.lns", "1,2,10.2030,12.500\n");
    tmp.write("share/DP/D1.PLY", ""); // empty: refused, and the fetch goes on
    tmp.write("share/DP/D1.cor", "Caf\xE9\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 0);
    EXPECT_FALSE(t.complete);
    EXPECT_FALSE(t.usedLocalFiles);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].message, "Error copying file");
    // No record: what the working copies came from is not known for sure.
    EXPECT_EQ(tmp.names("work"), (Names{"D1.cor", "D1.lns"}));
    EXPECT_EQ(tmp.read("work/D1.lns"), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(tmp.read("work/D1.cor"), "Caf\xE9\r\n");

    fs::remove(work("D1.lns"));
    fs::remove(work("D1.cor"));
    tmp.write("share/DP/D1.PLY", "share polygons\r\n");
    t = LoadFromNet(share(), work("D1"), 0);
    EXPECT_TRUE(t.complete);
    EXPECT_EQ(tmp.names("work"), (Names{"D1.cor", "D1.fch", "D1.lns", "D1.ply"}));
    const std::optional<FetchRecord> record = ReadFetchRecord(work("D1"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->find(".ply")->Sha256, Sha256Hex("share polygons\r\n"));
    EXPECT_FALSE(record->find(".sdb")->Exists);
}

// Working copies left in the folder hold the latest work only when their record shows the
// share unchanged since they were fetched; otherwise the user is asked, told which is newer,
// and copies not used are set aside, never overwritten.
TEST_F(NetworkTest, WorkingCopiesAreUsedSilentlyOnlyOverAnUnchangedShare) {
    tmp.write("share/DP/D1.lns", "1,2,10.2030,12.500\r\n");
    tmp.write("share/DP/D1.ply", "share polygons\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 0).complete);
    tmp.write("work/D1.lns", "1,2,10.2030,99.999\r\n"); // the user's unstored work
    std::vector<std::string> asked;
    auto answer = [&](bool yes) {
        return [&asked, yes](const std::string& text, const std::string&) {
            asked.push_back(text);
            return yes;
        };
    };

    NetTransfer t = LoadFromNet(share(), work("D1"), 0, answer(false));
    EXPECT_TRUE(t.usedLocalFiles && !t.asked && asked.empty());
    EXPECT_EQ(tmp.read("work/D1.lns"), "1,2,10.2030,99.999\r\n");

    // Another user stored a newer polygons file meanwhile.
    tmp.write("share/DP/D1.ply", "their polygons\r\n");
    t = LoadFromNet(share(), work("D1"), 0, answer(true));
    EXPECT_TRUE(t.usedLocalFiles && t.asked);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("D1.ply changed"), std::string::npos) << asked[0];
    EXPECT_NE(asked[0].find("Use your working copies ?"), std::string::npos) << asked[0];
    EXPECT_EQ(tmp.read("work/D1.lns"), "1,2,10.2030,99.999\r\n");
    // Chosen knowing the share's state, the copies can be stored over it.
    t = LoadFromNet(share(), work("D1"), 0, answer(false));
    EXPECT_TRUE(t.usedLocalFiles && !t.asked);
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 2).complete);
    EXPECT_EQ(tmp.read("share/DP/D1.lns"), "1,2,10.2030,99.999\r\n");

    tmp.write("share/DP/D1.ply", "their polygons\r\n");
    t = LoadFromNet(share(), work("D1"), 0, answer(false));
    EXPECT_TRUE(t.complete && !t.usedLocalFiles);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(tmp.read("work/D1.ply"), "their polygons\r\n");
    // The working copies were set aside whole.
    std::string kept;
    for (const std::string& name : tmp.names("work"))
        if (name.find("-kept-") != std::string::npos && name.ends_with(".lns"))
            kept = name;
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(tmp.read("work/" + kept), "1,2,10.2030,99.999\r\n");
    EXPECT_NE(t.notes[0].find(kept.substr(0, kept.size() - 4)), std::string::npos) << t.notes[0];

    // Copies without a record (a plan opened while the share could not be reached) are not
    // used without a question either.
    fs::remove(work("D1.fch"));
    asked.clear();
    t = LoadFromNet(share(), work("D1"), 0, answer(true));
    EXPECT_TRUE(t.usedLocalFiles);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("no record"), std::string::npos) << asked[0];
}

// A store compares the share with the record of the fetch: a file another user or program
// changed meanwhile stops the store before anything is written, and is named.
TEST_F(NetworkTest, StoreOverAShareChangedSinceTheFetchStoresNothing) {
    tmp.write("share/DP/D1.lns", "1,2,10.2030,12.500\r\n");
    tmp.write("share/DP/D1.ply", "share polygons\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 0).complete);
    tmp.write("work/D1.lns", "my lines\r\n");
    tmp.write("work/D1.ply", "my polygons\r\n");
    tmp.write("share/DP/D1.ply", "their polygons\r\n");
    for (int mode : {2, 1}) {
        NetTransfer t = LoadFromNet(share(), work("D1"), mode);
        EXPECT_TRUE(t.refused && !t.complete) << mode;
        ASSERT_EQ(t.errors.size(), 1u);
        EXPECT_NE(t.errors[0].message.find("D1.ply on the VRX network was changed"),
                  std::string::npos)
            << t.errors[0].message;
    }
    EXPECT_EQ(tmp.read("share/DP/D1.lns"), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(tmp.read("share/DP/D1.ply"), "their polygons\r\n");
    EXPECT_EQ(tmp.read("work/D1.lns"), "my lines\r\n");

    // A store over the share as fetched goes through, and the next one compares with what
    // that store left.
    tmp.write("share/DP/D1.ply", "share polygons\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 2).complete);
    EXPECT_EQ(tmp.read("share/DP/D1.ply"), "my polygons\r\n");
    tmp.write("work/D1.ply", "more polygons\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 2).complete);
    EXPECT_EQ(tmp.read("share/DP/D1.ply"), "more polygons\r\n");
}

// A store skips missing working copies; without a record it asks before replacing the share's
// copy; mode 2 keeps the working copies, mode 1 then removes the plan's own ones (backups and
// record too), never other plans' files or files that are none of D1's.
TEST_F(NetworkTest, StoreWithoutARecordAsksAndModeOneRemovesOnlyThePlansOwn) {
    for (const char* own : {"D1.lns", "D1.~LY", "d1.~ns", "D1.sdb"})
        tmp.write(std::string("work/") + own, "data\r\n");
    tmp.write("work/D1.PLY", "polygons\n");
    for (const char* other : {"D10.lns", "D1x.ply", "D1.pts", "D1.lns.txt", "D2.lns"})
        tmp.write(std::string("work/") + other, "other\r\n");
    tmp.write("share/DP/D1.ply", "older polygons\r\n");
    std::string question;
    NetTransfer t =
        LoadFromNet(share(), work("D1"), 2, [&](const std::string& text, const std::string&) {
            question = text;
            return false;
        });
    EXPECT_TRUE(t.refused && !t.complete);
    EXPECT_NE(question.find("Store your working copies over the network copy ?"), std::string::npos)
        << question;
    EXPECT_EQ(tmp.names("share/DP"), (Names{"D1.ply"}));
    t = LoadFromNet(share(), work("D1"), 2,
                    [](const std::string&, const std::string&) { return true; });
    EXPECT_TRUE(t.complete);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_EQ(tmp.names("share/DP"), (Names{"D1.lns", "D1.ply", "D1.sdb"}));
    EXPECT_EQ(tmp.read("share/DP/D1.ply"), "polygons\r\n");
    EXPECT_EQ(tmp.names("work").size(), 11u); // and the record of what the share holds now
    EXPECT_TRUE(LoadFromNet(share(), work("D1"), 1).complete);
    EXPECT_EQ(tmp.names("work"), (Names{"D1.lns.txt", "D1.pts", "D10.lns", "D1x.ply", "D2.lns"}));
}

// A plan another user holds on the share is not stored over, even with a record.
TEST_F(NetworkTest, StoreRefusesAPlanAnotherUserHolds) {
    tmp.write("share/DP/D1.lns", "1,2,10.2030,12.500\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 0).complete);
    LockHolder me{"ann", "pc1", "1/1/2026 09:00", 1, 11};
    LockHolder other{"bob", "pc2", "1/1/2026 10:00", 2, 22};
    ASSERT_EQ(TakePlanLock(share() + "DP/D1.lck", other).value().Outcome, LockOutcome::Taken);
    tmp.write("work/D1.lns", "mine\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 1, {}, &me);
    EXPECT_TRUE(t.refused);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_NE(t.errors[0].message.find("D1 is open by bob on pc2 since 1/1/2026 10:00"),
              std::string::npos)
        << t.errors[0].message;
    EXPECT_EQ(tmp.read("share/DP/D1.lns"), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(tmp.read("work/D1.lns"), "mine\r\n");
}

TEST_F(NetworkTest, AStoreThatCannotPutEveryFileOnTheSharePutsNone) {
    for (const char* ext : {".lns", ".ply", ".sdb", ".cve", ".sca", ".cor"})
        tmp.write(std::string("work/D1") + ext, std::string("data ") + ext + "\r\n");
    tmp.write("share/DP/D1.sdb/x", "a folder where the survey data base should go");
    NetTransfer t = LoadFromNet(share(), work("D1"), 1);
    EXPECT_FALSE(t.complete);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_NE(t.errors[0].message.find("D1.sdb"), std::string::npos) << t.errors[0].message;
    // Nothing reached the share: not even the files before the one that failed.
    EXPECT_EQ(tmp.names("share/DP"), (Names{"D1.sdb"}));
    EXPECT_EQ(tmp.names("work").size(), 6u);
}

TEST_F(NetworkTest, IdentifierWithoutANetworkBaseTransfersNothing) {
    tmp.write("work/X1.lns", "lines\r\n");
    for (int mode : {0, 1, 2}) {
        NetTransfer t = LoadFromNet(share(), work("X1"), mode);
        EXPECT_TRUE(!t.complete && t.errors.size() == 1u) << mode;
    }
    EXPECT_EQ(tmp.names("work"), Names{"X1.lns"});
    EXPECT_TRUE(tmp.names("share").empty());
}

TEST_F(NetworkTest, DeletingWorkingCopiesMatchesNamesLiterally) {
    // Where a file system allows "*" in a name, it is still just a character.
    for (const char* name : {"work/D*.lns", "work/D1.lns", "work/Dx.lns"})
        tmp.write(name, "x\r\n");
    DeletePlanWorkingCopies(work("D*"));
    EXPECT_EQ(tmp.names("work"), (Names{"D1.lns", "Dx.lns"}));
    DeletePlanWorkingCopies(work(""));
    EXPECT_EQ(tmp.names("work"), (Names{"D1.lns", "Dx.lns"}));
}

// A share that fills up part-way through a store: the share keeps its plan as it was (no file
// half stored, no temporary left), and the working copies stay for a later store.
TEST_F(NetworkTest, AFullShareKeepsItsPlanWhole) {
    fs::create_directories(tmp.path("share/DP"));
    if (::mount("tmpfs", tmp.path("share/DP").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "A small file system cannot be mounted here (root only): "
                     << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{tmp.path("share/DP")};
    tmp.write("share/DP/D1.lns", "1,2,10.0000,5.000\r\n");
    tmp.write("share/DP/D1.ply", "\"AL1\",0,\"C\"\r\n");
    ASSERT_TRUE(LoadFromNet(share(), work("D1"), 0).complete);
    tmp.write("work/D1.lns", "1,2,10.0000,6.000\r\n");
    tmp.write("work/D1.ply", std::string(40000, '7') + "\r\n");
    tmp.write("work/D1.cve", std::string(40000, '8') + "\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 1);
    EXPECT_FALSE(t.complete);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_NE(t.errors[0].message.find("No space left"), std::string::npos) << t.errors[0].message;
    EXPECT_EQ(tmp.names("share/DP"), (Names{"D1.lns", "D1.ply"}));
    EXPECT_EQ(tmp.read("share/DP/D1.lns"), "1,2,10.0000,5.000\r\n");
    EXPECT_EQ(tmp.read("work/D1.lns"), "1,2,10.0000,6.000\r\n");
}

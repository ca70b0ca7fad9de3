#include "core/network.h"

#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace corvane;

namespace {

// The names in a folder, sorted.
std::vector<std::string> listFolder(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

void writeBytes(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A share and a working folder, side by side in one temporary folder.
class NetworkTest : public ::testing::Test {
  protected:
    test::PlanTestDir tmp;
    std::string share() const { return tmp.path("share") + "/"; }
    std::string onShare(const std::string& name) const { return share() + name; }
    std::string work(const std::string& name) const { return tmp.path("work/" + name); }
    std::vector<std::string> workNames() const { return listFolder(tmp.path("work")); }
    void SetUp() override {
        fs::create_directories(tmp.path("share"));
        fs::create_directories(tmp.path("work"));
    }
};

} // namespace

TEST(NetworkRoot, CommandLineForms) {
    EXPECT_TRUE(IsNetworkMode("VRXN"));
    EXPECT_FALSE(IsNetworkMode("vrxN"));
    EXPECT_FALSE(IsNetworkMode("C:\\plans\\D1.lns"));
    EXPECT_FALSE(IsNetworkMode("VR"));
#ifdef _WIN32
    EXPECT_EQ(NetworkRoot("VRXN"), "N:\\");
    EXPECT_EQ(NetworkRoot("VRX\\\\server\\plans"), "\\\\server\\plans\\");
#else
    EXPECT_EQ(NetworkRoot("VRXN"), "/mnt/n/");
    EXPECT_EQ(NetworkRoot("VRXq"), "/mnt/q/");
    EXPECT_EQ(NetworkRoot("VRX/srv/plans"), "/srv/plans/");
#endif
    // A folder already ending in a separator gets no second one.
    EXPECT_EQ(NetworkRoot("VRX/srv/plans/"), "/srv/plans/");
    EXPECT_EQ(NetworkRoot("VRXN:\\"), "N:\\");
    // "VRX" alone names no share at all, rather than the root of the disk.
    EXPECT_EQ(NetworkRoot("VRX"), "");
    EXPECT_EQ(NetworkRoot("D1.lns"), "");
}

TEST_F(NetworkTest, ShareIsAvailableWhenItsRootCanBeListed) {
    EXPECT_TRUE(VrxNetExists(share()));
    EXPECT_FALSE(VrxNetExists(tmp.path("nowhere") + "/"));
    EXPECT_FALSE(VrxNetExists(""));
    writeBytes(tmp.path("afile"), "x");
    EXPECT_FALSE(VrxNetExists(tmp.path("afile")));
}

TEST(ValidPlanIdentifier, OnlyPlansTheShareHoldsAndNamesThatAreFileNames) {
    for (const char* ok : {"D12345", "d12345", "C1", "f99 a", "DP-1"})
        EXPECT_TRUE(ValidPlanIdentifier(ok)) << ok;
    for (const char* bad : {"", "X12345", "12345", " D1", "D*", "D?1", "D1/../x", "D1\\x", "D1:x",
                            "D\"1", "D<1", "D>1", "D|1", "D\t1"})
        EXPECT_FALSE(ValidPlanIdentifier(bad)) << bad;
}

TEST_F(NetworkTest, HalvernPlanChoosesTheFolderThatHoldsThePlan) {
    const std::string root = share();
    // Nothing stored yet: the plans folder of the identifier's letter, identifier as typed.
    EXPECT_EQ(HalvernPlan(root, "d12345"), root + "DP/d12345");
    EXPECT_EQ(HalvernPlan(root, "C7"), root + "CP/C7");
    EXPECT_EQ(HalvernPlan(root, "F7"), root + "FP/F7");

    writeBytes(onShare("FPAPP/F8.lns"), "x\r\n");
    EXPECT_EQ(HalvernPlan(root, "F8"), root + "FPAPP/F8");
    writeBytes(onShare("CPAPP/C8.LNS"), "x\r\n"); // found whatever its case
    EXPECT_EQ(HalvernPlan(root, "c8"), root + "CPAPP/c8");
    writeBytes(onShare("D12/D12345.lns"), "x\r\n");
    EXPECT_EQ(HalvernPlan(root, "D12345"), root + "D12/D12345");
    writeBytes(onShare("DPAPP/D12345.lns"), "x\r\n");
    EXPECT_EQ(HalvernPlan(root, "D12345"), root + "DPAPP/D12345");
    writeBytes(onShare("DP/D12345.lns"), "x\r\n");
    EXPECT_EQ(HalvernPlan(root, "D12345"), root + "DP/D12345");
    // Only a lines file marks a stored plan.
    writeBytes(onShare("CPAPP/C9.ply"), "x\r\n");
    EXPECT_EQ(HalvernPlan(root, "C9"), root + "CP/C9");
}

TEST_F(NetworkTest, HalvernPlanRefusesIdentifiersWithoutANetworkBase) {
    for (const char* bad : {"X12345", "", "D*", "D1/../../etc", "D?"})
        EXPECT_EQ(HalvernPlan(share(), bad), "") << bad;
    EXPECT_EQ(HalvernPlan("", "D1"), "");
}

TEST_F(NetworkTest, FetchCopiesEachFileTheShareHolds) {
    writeBytes(onShare("DP/D1.lns"), "1,2,10.2030,12.500\n");
    writeBytes(onShare("DP/D1.PLY"), "\"AL1\",0,\"C\"\r\n1\r\n");
    writeBytes(onShare("DP/D1.cor"), "Caf\xE9\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 0);
    EXPECT_TRUE(t.complete);
    EXPECT_FALSE(t.usedLocalFiles);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_EQ(workNames(), (std::vector<std::string>{"D1.cor", "D1.lns", "D1.ply"}));
    EXPECT_EQ(readBytes(work("D1.lns")), "1,2,10.2030,12.500\r\n");
    EXPECT_EQ(readBytes(work("D1.cor")), "Caf\xE9\r\n");
}

TEST_F(NetworkTest, FetchKeepsExistingWorkingCopies) {
    writeBytes(onShare("DP/D1.lns"), "share lines\r\n");
    writeBytes(onShare("DP/D1.ply"), "share polygons\r\n");
    writeBytes(work("d1.LNS"), "local lines\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 0);
    EXPECT_TRUE(t.usedLocalFiles);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_EQ(workNames(), std::vector<std::string>{"d1.LNS"});
    EXPECT_EQ(readBytes(work("d1.LNS")), "local lines\r\n");
}

TEST_F(NetworkTest, FetchGoesOnPastAFileThatCannotBeCopied) {
    writeBytes(onShare("DP/D1.lns"), "lines\r\n");
    writeBytes(onShare("DP/D1.ply"), ""); // empty: refused
    writeBytes(onShare("DP/D1.sca"), "scaled\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 0);
    EXPECT_FALSE(t.complete);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].message, "Error copying file");
    EXPECT_EQ(workNames(), (std::vector<std::string>{"D1.lns", "D1.sca"}));
}

TEST_F(NetworkTest, StoreSkipsMissingWorkingCopiesAndKeepsThemInModeTwo) {
    writeBytes(work("D1.lns"), "lines\r\n");
    writeBytes(work("D1.PLY"), "polygons\n");
    writeBytes(work("D1.sca"), "scaled\r\n"); // no survey data base or curve file
    writeBytes(onShare("DP/D1.ply"), "older polygons\r\n");
    NetTransfer t = LoadFromNet(share(), work("D1"), 2);
    EXPECT_TRUE(t.complete);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_EQ(listFolder(tmp.path("share/DP")),
              (std::vector<std::string>{"D1.lns", "D1.ply", "D1.sca"}));
    EXPECT_EQ(readBytes(onShare("DP/D1.ply")), "polygons\r\n");
    EXPECT_EQ(workNames(), (std::vector<std::string>{"D1.PLY", "D1.lns", "D1.sca"}));
}

TEST_F(NetworkTest, CompleteStoreInModeOneRemovesOnlyThePlansOwnWorkingCopies) {
    writeBytes(work("D1.lns"), "lines\r\n");
    writeBytes(work("D1.ply"), "polygons\r\n");
    writeBytes(work("D1.~LY"), "backup\r\n");
    writeBytes(work("d1.~ns"), "backup\r\n");
    writeBytes(work("D1.sdb"), "SURVEYOR\r\n");
    // Other plans' files and files that are no plan file of D1 stay.
    for (const char* other : {"D10.lns", "D1x.ply", "D1.pts", "D1.lns.txt", "D2.lns"})
        writeBytes(work(other), "other\r\n");
    fs::create_directories(onShare("DP"));
    NetTransfer t = LoadFromNet(share(), work("D1"), 1);
    EXPECT_TRUE(t.complete);
    EXPECT_EQ(listFolder(tmp.path("share/DP")),
              (std::vector<std::string>{"D1.lns", "D1.ply", "D1.sdb"}));
    EXPECT_EQ(workNames(),
              (std::vector<std::string>{"D1.lns.txt", "D1.pts", "D10.lns", "D1x.ply", "D2.lns"}));
}

TEST_F(NetworkTest, FailedCopyStopsTheStoreAndKeepsEveryWorkingCopy) {
    for (const char* ext : {".lns", ".ply", ".sdb", ".cve", ".sca", ".cor"})
        writeBytes(work(std::string("D1") + ext), std::string("data ") + ext + "\r\n");
    // A folder stands where the survey data base file should go on the share.
    fs::create_directories(onShare("DP/D1.sdb"));
    NetTransfer t = LoadFromNet(share(), work("D1"), 1);
    EXPECT_FALSE(t.complete);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_NE(t.errors[0].message.find("D1.sdb"), std::string::npos) << t.errors[0].message;
    EXPECT_EQ(listFolder(tmp.path("share/DP")),
              (std::vector<std::string>{"D1.lns", "D1.ply", "D1.sdb"}));
    EXPECT_EQ(workNames().size(), 6u);

    // An empty working copy is refused the same way.
    fs::remove(onShare("DP/D1.sdb"));
    writeBytes(work("D1.cve"), "");
    t = LoadFromNet(share(), work("D1"), 1);
    EXPECT_FALSE(t.complete);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].message, "Error copying file");
    EXPECT_FALSE(FileExists(onShare("DP/D1.sca")));
    EXPECT_EQ(workNames().size(), 6u);
}

TEST_F(NetworkTest, IdentifierWithoutANetworkBaseTransfersNothing) {
    writeBytes(work("X1.lns"), "lines\r\n");
    for (int mode : {0, 1, 2}) {
        NetTransfer t = LoadFromNet(share(), work("X1"), mode);
        EXPECT_FALSE(t.complete) << mode;
        EXPECT_EQ(t.errors.size(), 1u) << mode;
    }
    EXPECT_EQ(workNames(), std::vector<std::string>{"X1.lns"});
    EXPECT_TRUE(listFolder(tmp.path("share")).empty());
}

TEST_F(NetworkTest, DeletingWorkingCopiesMatchesNamesLiterally) {
    // Where a file system allows "*" in a name, it is still just a character.
    writeBytes(work("D*.lns"), "x\r\n");
    writeBytes(work("D1.lns"), "x\r\n");
    writeBytes(work("Dx.lns"), "x\r\n");
    DeletePlanWorkingCopies(work("D*"));
    EXPECT_EQ(workNames(), (std::vector<std::string>{"D1.lns", "Dx.lns"}));
    DeletePlanWorkingCopies(work(""));
    EXPECT_EQ(workNames(), (std::vector<std::string>{"D1.lns", "Dx.lns"}));
}

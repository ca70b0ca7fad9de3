#include "core/base/textfile.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;
using namespace corvane;
using Names = std::vector<std::string>;

TEST(WriteFileAtomic, FailureLeavesTheOldFileWholeAndNoTemporaryFile) {
    test::PlanTestDir tmp;
    tmp.write("p.ply/inside", "kept"); // a folder standing where the file should be
    EXPECT_TRUE(test::Refused(WriteFileAtomic(tmp.path("p.ply"), "new"), "", "p.ply"));
    EXPECT_EQ(tmp.read("p.ply/inside"), "kept");
    EXPECT_EQ(tmp.names(), Names{"p.ply"});
    EXPECT_FALSE(WriteFileAtomic(tmp.path("missing/p.ply"), "new"));
}

#ifndef _WIN32
// The disk fills up part-way through the new content: the old file must stay as it was.
TEST(WriteFileAtomic, WriteCutShortKeepsTheOldFile) {
    test::PlanTestDir tmp;
    const std::string old = "\"AL1\",100,\"C\"\r\n1\r\n2\r\n1\r\n";
    tmp.write("p.ply", old);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Result<void> s = WriteFileAtomic(tmp.path("p.ply"), std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(s);
    EXPECT_EQ(tmp.read("p.ply"), old);
    EXPECT_EQ(tmp.names(), Names{"p.ply"});
}

TEST(WriteFileAtomic, KeepsAccessRightsAndLeavesReadOnlyFilesAlone) {
    test::PlanTestDir tmp;
    const auto rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    tmp.write("p.lns", "old\r\n");
    fs::permissions(tmp.path("p.lns"), rights);
    ASSERT_TRUE(WriteFileAtomic(tmp.path("p.lns"), "new\r\n"));
    EXPECT_EQ(fs::status(tmp.path("p.lns")).permissions(), rights);
    tmp.write("p.ply", "protected\r\n");
    fs::permissions(tmp.path("p.ply"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(test::Refused(WriteFileAtomic(tmp.path("P.PLY"), "new\r\n"), "", "read-only"));
    EXPECT_EQ(tmp.read("p.ply"), "protected\r\n");
    EXPECT_EQ(tmp.names(), (Names{"p.lns", "p.ply"}));
}
#endif

#ifndef _WIN32
// A plan file kept elsewhere and linked into the plan's folder: the save replaces the file
// the links lead to, never the link, which would leave the real file with the old data.
TEST(WriteFileAtomic, WritesThroughAChainOfLinksAndTheLinksStay) {
    test::PlanTestDir tmp;
    tmp.write("store/real.lns", "old\r\n");
    fs::create_symlink("store/real.lns", tmp.path("hop.lns")); // relative to its folder
    fs::create_symlink(tmp.path("hop.lns"), tmp.path("p.lns"));
    ASSERT_TRUE(WriteFileAtomic(tmp.path("P.LNS"), "new\r\n"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.path("p.lns"))));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.path("hop.lns"))));
    EXPECT_EQ(tmp.read("store/real.lns"), "new\r\n");
    EXPECT_EQ(tmp.read("p.lns"), "new\r\n");
    EXPECT_EQ(tmp.names(), (Names{"hop.lns", "p.lns", "store"}));
    EXPECT_EQ(tmp.names("store"), Names{"real.lns"});

    // The protection of the file the link leads to holds through the link.
    fs::permissions(tmp.path("store/real.lns"), fs::perms::owner_read);
    EXPECT_TRUE(test::Refused(WriteFileAtomic(tmp.path("p.lns"), "newer\r\n"), "", "read-only"));
    EXPECT_EQ(tmp.read("store/real.lns"), "new\r\n");
}

// A link to nothing (a drive not mounted, a file moved) is a fault to report, never a missing
// file: read as missing, a lines file would open as a plan with no lines.
TEST(WriteFileAtomic, ALinkToNothingIsReportedAndNeverReplaced) {
    test::PlanTestDir tmp;
    fs::create_symlink(tmp.path("gone/real.sdb"), tmp.path("p.sdb"));
    fs::create_symlink(tmp.path("b.cve"), tmp.path("a.cve"));
    fs::create_symlink(tmp.path("a.cve"), tmp.path("b.cve"));
    EXPECT_TRUE(FileExists(tmp.path("P.SDB")));
    EXPECT_TRUE(test::Refused(ReadTextFile(tmp.path("p.sdb")), "",
                              "p.sdb: it is a link to " + tmp.path("gone/real.sdb") +
                                  ", which does not exist"));
    EXPECT_TRUE(test::Refused(ReadTextLinesBounded(tmp.path("p.sdb"), 5, 5), "", "does not exist"));
    EXPECT_TRUE(test::Refused(WriteFileAtomic(tmp.path("p.sdb"), "X\r\n"), "", "does not exist"));
    EXPECT_TRUE(test::Refused(ReadTextFile(tmp.path("a.cve")), "", "loop"));
    EXPECT_TRUE(test::Refused(WriteFileAtomic(tmp.path("a.cve"), "X\r\n"), "", "loop"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.path("p.sdb"))));
    EXPECT_EQ(tmp.names(), (Names{"a.cve", "b.cve", "p.sdb"}));
}
#endif

TEST(PlanFileNames, FoundWhateverTheirLetterCase) {
    test::PlanTestDir tmp;
    tmp.write("D1.LNS", "1,2,0.0000,1.000\r\n");
    EXPECT_EQ(PlanFile(tmp.path("D1"), ".lns"), tmp.path("D1.LNS"));
    EXPECT_EQ(PlanFile(tmp.path("D1"), ".ply"), tmp.path("D1.ply")); // a new file as asked
    fs::create_directory(tmp.path("D1.cve"));
    // A folder in a plan file's place is no missing file: reading it says what it is.
    EXPECT_TRUE(FileExists(tmp.path("d1.CVE")));
    EXPECT_TRUE(test::Refused(ReadTextLines(tmp.path("d1.CVE")), "", "is a folder, not a file"));
    EXPECT_TRUE(test::Refused(ReadTextLinesBounded(tmp.path("D1.cve"), 10, 10), "",
                              "is a folder, not a file"));
    EXPECT_FALSE(ReadTextLines(tmp.path("none.lns")));
    // An unended last line is ended before lines are appended.
    tmp.write("p.ply", "\"AL1\",0,\"C\"\r\n1");
    ASSERT_TRUE(AppendLinesAtomic(tmp.path("P.PLY"), {"2", "1"}));
    EXPECT_EQ(tmp.read("p.ply"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
}

TEST(BackupFile, CopiesTheLinesAndReplacesTheOldBackupUnderItsOwnName) {
    test::PlanTestDir tmp;
    tmp.write("D1.PLY", "\"AL1\",0,\"C\"\n1\n2\n1");
    tmp.write("d1.~ly", "stale backup\r\n");
    ASSERT_TRUE(BackupFile(tmp.path("d1.ply")));
    EXPECT_EQ(tmp.names(), (Names{"D1.PLY", "d1.~ly"}));
    EXPECT_EQ(tmp.read("d1.~ly"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
    EXPECT_EQ(tmp.read("D1.PLY"), "\"AL1\",0,\"C\"\n1\n2\n1");

    EXPECT_TRUE(test::Refused(BackupFile(tmp.path("none.ply")), "Make backup error"));
    EXPECT_FALSE(FileExists(tmp.path("none.~ly")));
}

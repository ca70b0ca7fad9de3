#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

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
} // namespace

TEST(SplitLines, AcceptsEitherLineEndAndKeepsBytes) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"lf", "a\nb\n", {"a", "b"}},
        {"mixed, last line unended", "a\r\nb\nc", {"a", "b", "c"}},
        {"blank lines kept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"empty file", "", {}},
        {"latin-1 bytes", "856 m\xB2\r\nCaf\xE9\r\n", {"856 m\xB2", "Caf\xE9"}},
        {"carriage return inside a line", "a\rb\r\n", {"a\rb"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.content), c.lines) << c.name;
}

TEST(WriteLinesAtomic, WritesCrLfAndReadsBackByteForByte) {
    test::PlanTestDir tmp;
    const std::vector<std::string> lines = {"101,102,45.3020,12.345", "", "Caf\xE9 m\xB2"};
    ASSERT_TRUE(WriteLinesAtomic(tmp.path("p.lns"), lines));
    EXPECT_EQ(tmp.read("p.lns"), "101,102,45.3020,12.345\r\n\r\nCaf\xE9 m\xB2\r\n");
    auto back = ReadTextLines(tmp.path("p.lns"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value(), lines);
}

TEST(WriteFileAtomic, FailureLeavesTheOldFileWholeAndNoTemporaryFile) {
    test::PlanTestDir tmp;
    // A folder standing where the file should be.
    fs::create_directory(tmp.path("p.ply"));
    tmp.write("p.ply/inside", "kept");
    Status s = WriteFileAtomic(tmp.path("p.ply"), "new");
    ASSERT_FALSE(s);
    EXPECT_NE(s.error().message.find("p.ply"), std::string::npos) << s.error().message;
    EXPECT_EQ(tmp.read("p.ply/inside"), "kept");
    EXPECT_EQ(listFolder(tmp.path("")), std::vector<std::string>{"p.ply"});

    // A folder that does not exist.
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
    Status s = WriteFileAtomic(tmp.path("p.ply"), std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(s);
    EXPECT_EQ(tmp.read("p.ply"), old);
    EXPECT_EQ(listFolder(tmp.path("")), std::vector<std::string>{"p.ply"});
}

TEST(WriteFileAtomic, ReplacedFileKeepsItsAccessRights) {
    test::PlanTestDir tmp;
    tmp.write("p.lns", "old\r\n");
    fs::permissions(tmp.path("p.lns"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomic(tmp.path("p.lns"), "new\r\n"));
    EXPECT_EQ(fs::status(tmp.path("p.lns")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(WriteFileAtomic, ReadOnlyFileIsNotReplaced) {
    test::PlanTestDir tmp;
    tmp.write("p.ply", "protected\r\n");
    fs::permissions(tmp.path("p.ply"), fs::perms::owner_read | fs::perms::group_read);
    Status s = WriteFileAtomic(tmp.path("P.PLY"), "new\r\n");
    ASSERT_FALSE(s);
    EXPECT_NE(s.error().message.find("read-only"), std::string::npos);
    EXPECT_EQ(tmp.read("p.ply"), "protected\r\n");
    EXPECT_EQ(listFolder(tmp.path("")), std::vector<std::string>{"p.ply"});
}
#endif

TEST(PlanFileNames, FoundWhateverTheirLetterCase) {
    test::PlanTestDir tmp;
    tmp.write("D1.LNS", "1,2,0.0000,1.000\r\n");
    EXPECT_TRUE(FileExists(tmp.path("d1.lns")));
    EXPECT_EQ(ResolveFileName(tmp.path("d1.lns")), tmp.path("D1.LNS"));
    EXPECT_EQ(PlanFile(tmp.path("D1"), ".lns"), tmp.path("D1.LNS"));
    auto lines = ReadTextLines(tmp.path("d1.lns"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines.value().size(), 1u);

    // Rewriting through either name replaces the existing file; no second file appears.
    ASSERT_TRUE(WriteLinesAtomic(tmp.path("d1.Lns"), {"3,4,0.0000,2.000"}));
    EXPECT_EQ(listFolder(tmp.path("")), std::vector<std::string>{"D1.LNS"});
    EXPECT_EQ(tmp.read("D1.LNS"), "3,4,0.0000,2.000\r\n");

    // A new file takes the lower-case extension it was asked for.
    EXPECT_EQ(PlanFile(tmp.path("D1"), ".ply"), tmp.path("D1.ply"));
    EXPECT_FALSE(FileExists(tmp.path("D1.ply")));
    // A folder is not a file.
    fs::create_directory(tmp.path("D1.cve"));
    EXPECT_FALSE(FileExists(tmp.path("d1.CVE")));
}

TEST(ReadTextLines, RefusesMissingFilesAndFolders) {
    test::PlanTestDir tmp;
    EXPECT_FALSE(ReadTextLines(tmp.path("none.lns")));
    fs::create_directory(tmp.path("p.lns"));
    auto r = ReadTextLines(tmp.path("p.lns"));
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("p.lns"), std::string::npos);
}

TEST(AppendLinesAtomic, EndsAnUnendedLastLineAndCreatesMissingFiles) {
    test::PlanTestDir tmp;
    tmp.write("p.ply", "\"AL1\",0,\"C\"\r\n1");
    ASSERT_TRUE(AppendLinesAtomic(tmp.path("P.PLY"), {"2", "1"}));
    EXPECT_EQ(tmp.read("p.ply"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");

    ASSERT_TRUE(AppendLinesAtomic(tmp.path("q.ply"), {"\"AL2\",0,\"C\""}));
    EXPECT_EQ(tmp.read("q.ply"), "\"AL2\",0,\"C\"\r\n");
}

TEST(BackupName, ReplacesTheExtensionsFirstLetter) {
    const std::pair<std::string, std::string> cases[] = {
        {"plan.lns", "plan.~ns"},
        {"plan.ply", "plan.~ly"},
        {"PLAN.PLY", "PLAN.~LY"},
        {"plan.cve", "plan.~ve"},
        {"plan.sca", "plan.~ca"},
        {"C:\\plans\\D12345.sdb", "C:\\plans\\D12345.~db"},
        {"/srv/plans.v2/D1", "/srv/plans.v2/D~"}, // no three-letter extension: last letter goes
        {"plan.tx", "plan.t~"},
        {"abc", "ab~"},
        {".ply", ".~ly"},
    };
    for (const auto& [name, backup] : cases)
        EXPECT_EQ(BackupName(name), backup) << name;
}

TEST(BackupFile, CopiesTheLinesAndReplacesTheOldBackupUnderItsOwnName) {
    test::PlanTestDir tmp;
    tmp.write("D1.PLY", "\"AL1\",0,\"C\"\n1\n2\n1");
    tmp.write("d1.~ly", "stale backup\r\n");
    ASSERT_TRUE(BackupFile(tmp.path("d1.ply")));
    EXPECT_EQ(listFolder(tmp.path("")), (std::vector<std::string>{"D1.PLY", "d1.~ly"}));
    EXPECT_EQ(tmp.read("d1.~ly"), "\"AL1\",0,\"C\"\r\n1\r\n2\r\n1\r\n");
    EXPECT_EQ(tmp.read("D1.PLY"), "\"AL1\",0,\"C\"\n1\n2\n1");

    Status missing = BackupFile(tmp.path("none.ply"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().title, "Make backup error");
    EXPECT_FALSE(FileExists(tmp.path("none.~ly")));
}

TEST(QuotedText, TakesTheTextUpToTheSecondQuote) {
    EXPECT_EQ(QuotedText("\"AL12\",1234.5,\"C\""), "AL12");
    EXPECT_EQ(QuotedText("\""), "");
    EXPECT_EQ(QuotedText("\"AL12"), "");
    EXPECT_EQ(QuotedText("\"\",0,\"C\""), "");
    EXPECT_EQ(QuotedText(""), "");
    // The first character is skipped whatever it is.
    EXPECT_EQ(QuotedText("XAL1\",0"), "AL1");
}

TEST(PathParts, EitherSeparatorSplits) {
    EXPECT_EQ(DirectoryOf("C:\\plans\\D1"), "C:\\plans\\");
    EXPECT_EQ(FileNameOf("C:\\plans\\D1"), "D1");
    EXPECT_EQ(DirectoryOf("/srv/plans/D1"), "/srv/plans/");
    EXPECT_EQ(FileNameOf("/srv\\mixed/D1"), "D1");
    EXPECT_EQ(DirectoryOf("D1"), "");
    EXPECT_EQ(FileNameOf("D1"), "D1");
}

// A change that rewrites several files of a plan leaves them all old or all new: when a file
// cannot be written, when the disk is full, and when the program stops part-way, after
// which opening the plan finishes or undoes the change.
#include "core/plancommit.h"

#include "core/textfile.h"

#include "plantestdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace corvane;
using Names = std::vector<std::string>;

namespace {

const std::string kLines = "1,2,90.0000,10.000\r\n2,3,1010.0000,15.708\r\n3,1,225.0000,14.142\r\n";
const std::string kPolygons = "\"AL1\",50,\"C\"\r\n1\r\n2\r\n3\r\n1\r\n";
const std::string kCurves = "2,3,\"R\",0,999\r\n";

// The three files of a small plan, as they stand.
struct Files {
    std::string lines, polygons, curves;
    bool operator==(const Files&) const = default;
};

Files filesOf(const test::PlanTestDir& dir, const std::string& base = "P1") {
    return {dir.read(base + ".lns"), dir.read(base + ".ply"), dir.read(base + ".cve")};
}

void writePlan(const test::PlanTestDir& dir, const std::string& base = "P1") {
    dir.write(base + ".lns", kLines);
    dir.write(base + ".ply", kPolygons);
    dir.write(base + ".cve", kCurves);
}

std::vector<StagedFile> newContents(const test::PlanTestDir& dir, const std::string& base = "P1") {
    return {{dir.path(base + ".lns"), "new lines\r\n"},
            {dir.path(base + ".ply"), "new polygons\r\n"},
            {dir.path(base + ".cve"), "new curves\r\n"}};
}

// The names a commit or a recovery might leave behind.
bool anyTemporary(const test::PlanTestDir& dir, const std::string& folder = "") {
    for (const std::string& name : dir.names(folder))
        if (name.find(".corvane-") != std::string::npos)
            return true;
    return false;
}

// A journal as a commit writes it, naming the temporaries it is putting in place.
std::string journalText(const std::vector<std::string>& temps, bool complete) {
    std::string text = "CORVANE PLAN CHANGE\n";
    for (const std::string& temp : temps)
        text += temp + "\n";
    if (complete)
        text += "COMMIT " + std::to_string(temps.size()) + "\n";
    return text;
}

} // namespace

TEST(CommitFiles, PutsEveryFileInPlaceAndLeavesNoJournalOrTemporary) {
    test::PlanTestDir dir;
    writePlan(dir);
    ASSERT_TRUE(CommitFiles(dir.path("P1"), newContents(dir)));
    EXPECT_EQ(filesOf(dir), (Files{"new lines\r\n", "new polygons\r\n", "new curves\r\n"}));
    EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply"}));
    // A file of the change not there yet is made.
    ASSERT_TRUE(CommitFiles(dir.path("P1"),
                            {{dir.path("P1.sca"), "1,2,3,4\r\n"}, {dir.path("P1.lns"), "x\r\n"}}));
    EXPECT_EQ(dir.read("P1.sca"), "1,2,3,4\r\n");
    EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply", "P1.sca"}));
}

// A read-only file, or a folder in a file's place, among several: the whole change is
// refused before anything is written.
TEST(CommitFiles, OneFileThatCannotBeReplacedChangesNone) {
    for (const char* blocked : {"P1.cve", "P1.lns"}) {
        test::PlanTestDir dir;
        writePlan(dir);
        fs::permissions(dir.path(blocked), fs::perms::owner_read);
        EXPECT_TRUE(test::Refused(CommitFiles(dir.path("P1"), newContents(dir)), "",
                                  std::string(blocked) + ": the file is read-only"));
        EXPECT_EQ(filesOf(dir), (Files{kLines, kPolygons, kCurves}));
        EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply"}));
    }
    test::PlanTestDir dir;
    writePlan(dir);
    fs::remove(dir.path("P1.ply"));
    dir.write("P1.ply/inside", "a folder in the way");
    EXPECT_FALSE(CommitFiles(dir.path("P1"), newContents(dir)));
    EXPECT_EQ(dir.read("P1.lns"), kLines);
    EXPECT_FALSE(anyTemporary(dir));
}

#ifndef _WIN32
// A small file system that fills up while the new files are written: the old files stay, and
// nothing of the change is left on it.
TEST(CommitFiles, AFullDiskChangesNothing) {
    test::PlanTestDir dir;
    fs::create_directory(dir.path("small"));
    if (::mount("tmpfs", dir.path("small").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "A small file system cannot be mounted here (root only): "
                     << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{dir.path("small")};
    writePlan(dir, "small/P1");
    const std::string big(30000, '7');
    std::vector<StagedFile> files = {{dir.path("small/P1.lns"), big},
                                     {dir.path("small/P1.ply"), big},
                                     {dir.path("small/P1.cve"), big}};
    EXPECT_TRUE(test::Refused(CommitFiles(dir.path("small/P1"), files), "", "No space left"));
    EXPECT_EQ(filesOf(dir, "small/P1"), (Files{kLines, kPolygons, kCurves}));
    EXPECT_EQ(dir.names("small"), (Names{"P1.cve", "P1.lns", "P1.ply"}));
    // The same change fits once it is small enough.
    for (StagedFile& file : files)
        file.content = "short\r\n";
    EXPECT_TRUE(CommitFiles(dir.path("small/P1"), files));
    EXPECT_EQ(dir.read("small/P1.ply"), "short\r\n");
}

// Killed once the journal was complete: the open finishes the change, new files and all,
// whether or not some were already in place. Killed before: the new files go.
TEST(RecoverPlanFiles, FinishesACompleteChangeAndUndoesAnIncompleteOne) {
    for (bool complete : {true, false}) {
        test::PlanTestDir dir;
        writePlan(dir);
        const std::string lnsTemp = dir.path("P1.lns.corvane-new-1-2-3");
        const std::string plyTemp = dir.path("P1.ply.corvane-new-1-2-4");
        dir.write("P1.ply.corvane-new-1-2-4", "new polygons\r\n");
        dir.write("P1.lns", "new lines\r\n"); // its temporary was put in place already
        dir.write("P1.corvane-change", journalText({lnsTemp, plyTemp}, complete));
        auto recovered = RecoverPlanFiles(dir.path("P1"));
        ASSERT_TRUE(recovered) << test::ErrorText(recovered);
        EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply"}));
        if (complete) {
            EXPECT_EQ(recovered.value().change, PlanRecovery::Change::Finished);
            EXPECT_EQ(dir.read("P1.ply"), "new polygons\r\n");
            EXPECT_EQ(recovered.value().files, (Names{"P1.lns", "P1.ply"}));
            EXPECT_NE(recovered.value().Report("P1").find("has now been finished"),
                      std::string::npos);
        } else {
            EXPECT_EQ(recovered.value().change, PlanRecovery::Change::Undone);
            EXPECT_EQ(dir.read("P1.ply"), kPolygons);
            EXPECT_NE(recovered.value().Report("P1").find("as they were before it"),
                      std::string::npos);
        }
    }
    // A journal cut short in its first line still undoes.
    test::PlanTestDir dir;
    writePlan(dir);
    dir.write("P1.corvane-change", "CORVANE PL");
    auto recovered = RecoverPlanFiles(dir.path("P1"));
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered.value().change, PlanRecovery::Change::Undone);
    EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply"}));
}

// Only this plan's temporaries are removed, and only what a journal of this program names is
// ever put in place.
TEST(RecoverPlanFiles, TouchesOnlyThisPlansFiles) {
    test::PlanTestDir dir;
    writePlan(dir);
    writePlan(dir, "P10");
    dir.write("P1.ply.corvane-new-77", "left by a killed save");
    dir.write("p1.LNS.corvane-new-8-9", "left by a killed save");
    dir.write("P10.ply.corvane-new-77", "another plan's");
    dir.write("P1.ply.corvane-new-x.y", "not a temporary's name");
    dir.write("P1.ply.tmp1", "the user's");
    dir.write("notes.txt.corvane-new-1", "the user's");
    auto recovered = RecoverPlanFiles(dir.path("P1"));
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered.value().change, PlanRecovery::Change::None);
    EXPECT_EQ(recovered.value().leftovers, 2);
    EXPECT_TRUE(recovered.value().Report("P1").empty());
    EXPECT_EQ(dir.names(), (Names{"P1.cve", "P1.lns", "P1.ply", "P1.ply.corvane-new-x.y",
                                  "P1.ply.tmp1", "P10.cve", "P10.lns", "P10.ply",
                                  "P10.ply.corvane-new-77", "notes.txt.corvane-new-1"}));

    // A journal naming a file of another plan is refused, and nothing is changed.
    dir.write("P10.ply.corvane-new-5", "would replace another plan's parcels");
    dir.write("P1.corvane-change", journalText({dir.path("P10.ply.corvane-new-5")}, true));
    EXPECT_TRUE(test::Refused(RecoverPlanFiles(dir.path("P1")), kRecoveryTitle,
                              "is no new file of this plan"));
    EXPECT_EQ(dir.read("P10.ply"), kPolygons);
    EXPECT_TRUE(dir.exists("P1.corvane-change"));
    // So is one that is no journal at all.
    dir.write("P1.corvane-change", "rm -rf /\n");
    EXPECT_TRUE(test::Refused(RecoverPlanFiles(dir.path("P1")), kRecoveryTitle,
                              "is not a journal of this program"));
}

// A change another program is making right now holds its journal and temporaries locked:
// they are no leftovers, and neither is finished nor removed.
TEST(RecoverPlanFiles, LeavesAChangeUnderWayAlone) {
    test::PlanTestDir dir;
    writePlan(dir);
    const std::string temp = dir.path("P1.ply.corvane-new-3");
    dir.write("P1.ply.corvane-new-3", "new polygons\r\n");
    dir.write("P1.corvane-change", journalText({temp}, false));
    const int journal = ::open(dir.path("P1.corvane-change").c_str(), O_RDONLY);
    ASSERT_GE(journal, 0);
    ASSERT_EQ(::flock(journal, LOCK_EX), 0);
    auto recovered = RecoverPlanFiles(dir.path("P1"));
    ::close(journal);
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered.value().change, PlanRecovery::Change::None);
    EXPECT_TRUE(dir.exists("P1.corvane-change"));
    EXPECT_TRUE(dir.exists("P1.ply.corvane-new-3"));
    // And a commit meanwhile refuses rather than mixing its files with that change's.
    EXPECT_TRUE(test::Refused(CommitFiles(dir.path("P1"), newContents(dir)), "",
                              "another change of it is under way"));
    EXPECT_EQ(filesOf(dir), (Files{kLines, kPolygons, kCurves}));
}

// Plan files linked from elsewhere: the change is committed through the links, and a
// temporary left beside the file a link leads to is found there.
TEST(RecoverPlanFiles, FollowsThePlansLinks) {
    test::PlanTestDir dir;
    writePlan(dir);
    dir.write("store/polygons.txt", kPolygons);
    fs::remove(dir.path("P1.ply"));
    fs::create_symlink(dir.path("store/polygons.txt"), dir.path("P1.ply"));
    ASSERT_TRUE(CommitFiles(dir.path("P1"), newContents(dir)));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.path("P1.ply"))));
    EXPECT_EQ(dir.read("store/polygons.txt"), "new polygons\r\n");

    dir.write("store/polygons.txt.corvane-new-4", "left by a killed save");
    dir.write("store/other.txt.corvane-new-4", "not this plan's");
    const std::string temp = dir.path("store/polygons.txt.corvane-new-5");
    dir.write("store/polygons.txt.corvane-new-5", "finished\r\n");
    dir.write("P1.corvane-change", journalText({temp}, true));
    auto recovered = RecoverPlanFiles(dir.path("P1"));
    ASSERT_TRUE(recovered) << test::ErrorText(recovered);
    EXPECT_EQ(recovered.value().change, PlanRecovery::Change::Finished);
    EXPECT_EQ(dir.read("P1.ply"), "finished\r\n");
    EXPECT_EQ(dir.names("store"), (Names{"other.txt.corvane-new-4", "polygons.txt"}));
    EXPECT_FALSE(anyTemporary(dir));
}

#endif

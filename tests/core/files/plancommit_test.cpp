// A change that rewrites several files of a plan leaves them all old or all new: when a file
// cannot be written, when the disk is full, and when the program is killed part-way, after
// which opening the plan finishes or undoes the change.
#include "core/files/plancommit.h"
#include "core/files/planlock.h"

#include "core/base/textfile.h"
#include "core/edits/planedits.h"
#include "core/files/linesfile.h"

#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
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

namespace {

// A plan of the size limit: 32767 lines (a grid of points 128 by 128, its edges, and
// diagonals), 2000 square parcels, and 300 arcs with their curve records.
void writeLimitPlan(const test::PlanTestDir& dir) {
    constexpr int kSide = 128;
    auto point = [](int row, int col) { return row * kSide + col + 1; };
    std::string lines, polygons, curves;
    int count = 0;
    for (int row = 0; row < kSide; ++row)
        for (int col = 0; col < kSide; ++col) {
            if (col + 1 < kSide) {
                const bool arc =
                    row % 8 == 0 && col % 5 == 0 && curves.size() < std::size_t{300} * 20;
                lines += std::to_string(point(row, col)) + "," +
                         std::to_string(point(row, col + 1)) +
                         (arc ? ",1050.0000,10.000\r\n" : ",90.0000,10.000\r\n");
                if (arc)
                    curves += std::to_string(point(row, col)) + "," +
                              std::to_string(point(row, col + 1)) + ",\"L\",89.5344,999\r\n";
                ++count;
            }
            if (row + 1 < kSide) {
                lines += std::to_string(point(row, col)) + "," +
                         std::to_string(point(row + 1, col)) + ",180.0000,10.000\r\n";
                ++count;
            }
        }
    for (int i = 0; count < kMaxLines; ++i, ++count)
        lines += std::to_string(point(i / 127, i % 127)) + "," +
                 std::to_string(point(i / 127 + 1, i % 127 + 1)) + ",135.0000,14.142\r\n";
    for (int p = 0; p < 2000; ++p) {
        const int row = p / 127, col = p % 127;
        polygons += "\"AL" + std::to_string(p + 1) + "\",100,\"C\"\r\n";
        for (int corner : {point(row, col), point(row, col + 1), point(row + 1, col + 1),
                           point(row + 1, col), point(row, col)})
            polygons += std::to_string(corner) + "\r\n";
    }
    dir.write("P1.lns", lines);
    dir.write("P1.ply", polygons);
    dir.write("P1.cve", curves);
}

// The changes the killed program makes, each with the one that undoes it.
enum class Change { Renumber, RenumberBack, Swing, SwingBack };
constexpr std::int32_t kRenumbered = 1; // used by lines, parcels and an arc
constexpr std::int32_t kNewNumber = 99999;

Result<void> applyChange(PlanState& plan, Change change) {
    auto yes = [](const std::string&) { return Reply::Yes; };
    switch (change) {
    case Change::Renumber:
        return RenumberPoint(plan, kRenumbered, kNewNumber, yes);
    case Change::RenumberBack:
        return RenumberPoint(plan, kNewNumber, kRenumbered, yes);
    case Change::Swing:
        return SwingDatumBearing(plan, "1.0000");
    case Change::SwingBack:
        return SwingDatumBearing(plan, "-1.0000");
    }
    return {};
}

PlanState loaded(const std::string& base) {
    PlanState plan;
    plan.PlanPath = base;
    EXPECT_TRUE(LoadLines(plan));
    return plan;
}

} // namespace

// The program killed at a random moment of a renumbering or a datum swing of a plan at the
// size limit, again and again: after the next open, the plan's lines, polygons and curve files
// are always the state before the change or the state after it, never a mixture, and no
// temporary file is left. The seed makes a failure repeatable.
TEST(PlanCommitKilled, FilesAreAllOldOrAllNewWheneverTheProgramIsKilled) {
    constexpr unsigned kSeed = 20240611;
    constexpr int kTrials = 100;
    std::mt19937 random(kSeed);
    test::PlanTestDir dir;
    writeLimitPlan(dir);
    const std::string base = dir.path("P1");

    // The known states, each with its lines loaded as the program holds them, and how long
    // a change takes here.
    std::chrono::steady_clock::duration took{};
    auto timed = [&](PlanState plan, Change change) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(applyChange(plan, change));
        took = std::max(took, std::chrono::steady_clock::now() - start);
    };
    const Files original = filesOf(dir);
    const PlanState originalPlan = loaded(base);
    timed(originalPlan, Change::Renumber);
    const Files renumbered = filesOf(dir);
    const PlanState renumberedPlan = loaded(base);
    timed(renumberedPlan, Change::RenumberBack);
    ASSERT_EQ(filesOf(dir), original);
    timed(originalPlan, Change::Swing);
    const Files swung = filesOf(dir);
    const PlanState swungPlan = loaded(base);
    timed(swungPlan, Change::SwingBack);
    ASSERT_EQ(filesOf(dir), original);
    ASSERT_NE(renumbered, original);
    ASSERT_NE(swung, original);
    // The longest of the first changes, which a cold disk cache or a busy machine can stretch:
    // each kill that came after the change had finished shortens it by a tenth, so the kills
    // keep meeting the change part-way whatever the machine's load.
    auto window = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
    // How long the writing at the end of a change takes: half the kills fall around it.
    const auto commitStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(CommitFiles(base, {{base + ".lns", original.lines},
                                   {base + ".ply", original.polygons},
                                   {base + ".cve", original.curves}}));
    const auto writing = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - commitStart)
                             .count() +
                         1;

    Files current = original;
    int finished = 0, undone = 0, completed = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        Change change;
        Files after;
        const PlanState* plan = &originalPlan;
        if (current == original) {
            const bool renumber = random() % 2 == 0;
            change = renumber ? Change::Renumber : Change::Swing;
            after = renumber ? renumbered : swung;
        } else {
            change = current == swung ? Change::SwingBack : Change::RenumberBack;
            plan = current == swung ? &swungPlan : &renumberedPlan;
            after = original;
        }
        const auto delay = std::chrono::microseconds(
            trial % 2 == 0
                ? random() % (window + window / 5)
                : std::max<long long>(0, window - 2 * writing) + random() % (3 * writing));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The program, its plan loaded, killed somewhere in the change.
            PlanState working = *plan;
            ::_exit(applyChange(working, change).ok() ? 0 : 2);
        }
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0) << "trial " << trial << ", seed " << kSeed;
        }
        if (WIFEXITED(status)) {
            ++completed;
            window = std::max<long long>(1, window * 9 / 10);
        }

        auto recovered = RecoverPlanFiles(base);
        ASSERT_TRUE(recovered) << test::ErrorText(recovered) << ", trial " << trial;
        finished += recovered.value().change == PlanRecovery::Change::Finished ? 1 : 0;
        undone += recovered.value().change == PlanRecovery::Change::Undone ? 1 : 0;
        const Files now = filesOf(dir);
        ASSERT_TRUE(now == current || now == after)
            << "trial " << trial << ", seed " << kSeed << ": the files are a mixture";
        ASSERT_FALSE(anyTemporary(dir)) << "trial " << trial << ", seed " << kSeed;
        current = now;
    }
    // The kills must have met the change part-way often enough to mean something. How many
    // met it while its files were written or put in place depends on the machine's speed (a
    // tenth of them here, none under the sanitizers): the states a kill leaves there are
    // built one by one in FinishesACompleteChangeAndUndoesAnIncompleteOne.
    EXPECT_LT(completed, kTrials * 3 / 4);
    RecordProperty("FinishedByRecovery", finished);
    RecordProperty("UndoneByRecovery", undone);
    RecordProperty("CompletedBeforeTheKill", completed);
}
#endif

// A journal names the new files beside it by their names alone, so a plan on a share that
// another computer mounts under another folder is still finished there; while a journal
// waits, no command may change the plan (the next opening would put older files over it).
TEST(RecoverPlanFiles, FindsNewFilesBesideTheJournalWhereverTheFolderIsMounted) {
    test::PlanTestDir dir;
    writePlan(dir, "here/P1");
    dir.write("here/P1.lns.corvane-new-9-1-1", "new lines\r\n");
    dir.write("here/P1.ply.corvane-new-9-1-2", "new polygons\r\n");
    dir.write("here/P1.corvane-change",
              journalText({"P1.lns.corvane-new-9-1-1", "P1.ply.corvane-new-9-1-2"}, true));
    EXPECT_TRUE(PlanChangePending(dir.path("here/P1")));
    PlanState plan;
    plan.PlanPath = dir.path("here/P1");
    EXPECT_TRUE(test::Refused(PlanWritable(plan, "Datum Bearing"), "", "waits to be finished"));
    EXPECT_TRUE(test::Refused(CommitFiles(plan.PlanPath, {{dir.path("here/P1.cve"), "x\r\n"}}), "",
                              "was cut short"));
    fs::rename(dir.path("here"), dir.path("mounted elsewhere"));
    auto recovered = RecoverPlanFiles(dir.path("mounted elsewhere/P1"));
    ASSERT_TRUE(recovered) << test::ErrorText(recovered);
    EXPECT_EQ(recovered.value().change, PlanRecovery::Change::Finished);
    EXPECT_EQ(dir.read("mounted elsewhere/P1.lns"), "new lines\r\n");
    EXPECT_EQ(dir.read("mounted elsewhere/P1.ply"), "new polygons\r\n");
    EXPECT_FALSE(PlanChangePending(dir.path("mounted elsewhere/P1")));

    // A change made here writes such names.
    ASSERT_TRUE(CommitFiles(dir.path("mounted elsewhere/P1"),
                            {{dir.path("mounted elsewhere/P1.lns"), "a\r\n"},
                             {dir.path("mounted elsewhere/P1.ply"), "b\r\n"}}));
    EXPECT_EQ(dir.read("mounted elsewhere/P1.ply"), "b\r\n");
}

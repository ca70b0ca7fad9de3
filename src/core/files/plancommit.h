#pragma once

#include "core/base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A change that rewrites several files of a plan (renumbering a point rewrites its lines,
// polygons and curve files) must leave them all old or all new: a polygons file renumbered
// over an old lines file loses parcels. Such a change is committed as one:
//   1. every new file is written whole beside the file it replaces and flushed to the disk;
//   2. a small journal beside the plan ("P1.corvane-change") names them, and ends with a
//      line that says the list is complete; it too is flushed;
//   3. each new file is renamed over its old one, and the journal is removed.
// Opening the plan finishes a change whose journal is complete (the new files are all on the
// disk), and removes the new files of one whose journal is not (the old files are all still
// in place). Backup copies (".~ly", ".~ve", ".~ca") are made by the callers before.

// The journal's name beside a plan: the plan's base followed by this.
inline constexpr std::string_view kChangeJournalSuffix = ".corvane-change";

// One file of the plan as the change leaves it, whole. path names the file as the plan knows
// it (its letter case is found on the disk; a symbolic link is written through).
struct StagedFile {
    std::string path;
    std::string content;
};

// Puts every staged file in place, or none. Every file is checked first (a read-only file, a
// folder in the way, a link to nothing refuse the whole change with nothing written); a
// failure while writing the new files (a full disk) removes them and changes nothing. A
// single file is replaced by the safe rewrite alone. planBase is the folder and base name
// shared by the plan's files; the journal goes beside them. The error names the file; its
// title is left for the caller.
Result<void> CommitFiles(const std::string& planBase, const std::vector<StagedFile>& files);

// True while the plan has a journal: a change of its files is under way, or was cut short and
// waits for the next opening by the plan's holder to be finished or undone.
bool PlanChangePending(const std::string& planBase);

// What opening a plan found of an interrupted change.
struct PlanRecovery {
    enum class Change {
        None,     // no change was under way
        Finished, // a change was cut short after its new files were written: now completed
        Undone,   // a change was cut short while writing its new files: they were removed
    };
    Change change = Change::None;
    std::vector<std::string> files; // the plan's files that a finished change put in place
    int leftovers = 0;              // temporaries of interrupted saves removed

    // The message telling the user what was done; empty when no change was finished or
    // undone. Its title is kRecoveryTitle.
    std::string Report(const std::string& planBase) const;
};
inline constexpr const char* kRecoveryTitle = "Plan files recovered";

// At open: finishes a change whose journal is complete, undoes one whose journal is not, and
// removes the temporaries left by an interrupted save of this plan's files (beside them, and
// beside the files their links lead to). A change another program is making right now is
// left alone. A journal that names files outside this plan is refused and left as it is:
// the plan must not be opened then, as its files may be half changed. planBase is the
// folder and base name of the plan (any folder).
Result<PlanRecovery> RecoverPlanFiles(const std::string& planBase);

} // namespace corvane

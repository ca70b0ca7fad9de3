#pragma once

#include "core/base/result.h"
#include "core/files/planlock.h"

#include <functional>

#include <string>
#include <vector>

namespace corvane {

// Network mode: a command line beginning "VRX" names the share that holds the plans.
bool IsNetworkMode(const std::string& commandLine);

// The share's root folder, ending in the separator: "VRXN" gives "N:\" on Windows and
// "/mnt/n/" elsewhere; a longer remainder is taken as a folder. A command line of "VRX"
// alone names no share (empty root, never available).
std::string NetworkRoot(const std::string& commandLine);

// True when the share's root folder can be listed.
bool VrxNetExists(const std::string& root);

// A plan identifier the share can hold: first character C, D or F (any case), and no
// character that cannot stand in a file name ("*", "?", separators, quotes, ...).
bool ValidPlanIdentifier(const std::string& planId);

// The network base of a plan identifier (folder and name without extension), or empty text
// when the identifier has none.
std::string HalvernPlan(const std::string& root, const std::string& planId);

// The files a plan's transfers carry, in order.
const std::vector<std::string>& NetworkExtensions(); // .lns .ply .sdb .cve .sca .cor .ctx

// What the window shows when a fetch finds working copies and keeps them.
inline constexpr const char* kUsedLocalFilesMessage =
    "CORVANE will use the files found on your local drive";
inline constexpr const char* kUsedLocalFilesTitle = "Load files from Network";

// A question a transfer needs the user to answer; true for Yes. Without one, every question
// is answered No, which never stores over the share or uses doubtful working copies.
using NetQuestionFn = std::function<bool(const std::string& text, const std::string& title)>;

inline constexpr const char* kStoreErrorTitle = "Save files to VRX Network error";

// What a transfer between the working copies and the share did.
struct NetTransfer {
    bool usedLocalFiles = false; // fetch kept the working copies and copied nothing
    bool asked = false;          // ... after the user chose them in a question
    bool complete = false;       // every existing file was copied
    // A store that wrote nothing on the share: the share changed since the fetch, another
    // user holds the plan, or the user would not store over a copy of unknown age. The
    // working copies are kept.
    bool refused = false;
    std::vector<Error> errors;      // messages to show, in order
    std::vector<std::string> notes; // what else the user must be told (copies set aside)
};

// Transfers the plan whose working copies are localBase (a plan identifier, or a folder
// followed by one); the identifier is its file name part. Mode 0 fetches the plan's files
// into the working copies; 1 stores them to the share and then removes the working copies; 2
// stores them.
// A fetch records what it fetched (size, time and SHA-256 of each file) beside the working
// copies. Working copies already there are used when their record shows the share unchanged
// since; without a record, or when the share changed since, the user is asked whether to use
// them (saying which is newer): Yes records the share as it is now, No sets them aside under
// a name of their own (never deleted) and fetches the share's copy.
// A store first compares the share with the record: a file another user or program changed
// meanwhile stores nothing and is named. Without a record the user is asked before a share
// copy is replaced. A plan another user holds (its lock on the share is not me's) is not
// stored. The files are put on the share all or none; a missing working copy is skipped.
// Mode 1 removes the working copies (and the record) only after a complete store. An
// identifier the share cannot hold transfers nothing and is reported.
NetTransfer LoadFromNet(const std::string& root, const std::string& localBase, int mode,
                        const NetQuestionFn& ask = {}, const LockHolder* me = nullptr);

// The share's base of the plan whose working copies are localBase (empty when none).
std::string NetBaseOf(const std::string& root, const std::string& localBase);

// Removes a plan's own working copies: its base with each known extension and backup,
// matched ignoring case; never anything else.
void DeletePlanWorkingCopies(const std::string& localBase);

} // namespace corvane

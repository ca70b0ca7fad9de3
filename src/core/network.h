#pragma once

#include "core/result.h"

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
const std::vector<std::string>& NetworkExtensions(); // .lns .ply .sdb .cve .sca .cor

// What the window shows when a fetch finds working copies and keeps them.
inline constexpr const char* kUsedLocalFilesMessage =
    "CORVANE will use the files found on your local drive";
inline constexpr const char* kUsedLocalFilesTitle = "Load files from Network";

// What a transfer between the working copies and the share did.
struct NetTransfer {
    bool usedLocalFiles = false; // fetch found working copies and copied nothing
    bool complete = false;       // every existing file was copied
    std::vector<Error> errors;   // messages to show, in order
};

// Transfers the plan whose working copies are localBase (a plan identifier, or a folder
// followed by one); the identifier is its file name part. Mode 0 fetches the plan's files
// into the working copies (unless a working lines file exists); 1 stores them to the share
// and then removes the working copies; 2 stores them. A store skips working copies that do
// not exist, stops at the first failed copy, and removes working copies (mode 1) only when
// every existing file was stored. An identifier the share cannot hold transfers nothing and
// is reported.
NetTransfer LoadFromNet(const std::string& root, const std::string& localBase, int mode);

// Removes a plan's own working copies: its base with each known extension and backup,
// matched ignoring case; never anything else.
void DeletePlanWorkingCopies(const std::string& localBase);

} // namespace corvane

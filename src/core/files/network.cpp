#include "core/files/network.h"

#include "core/base/filestate.h"
#include "core/base/textfile.h"
#include "core/files/fetchrecord.h"
#include "core/files/plancommit.h"
#include "core/files/planfiles.h"

#include <array>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace corvane {

namespace {

constexpr std::string_view kNetworkPrefix = "VRX";

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

bool endsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

// The backup name of each transferred file ("x.ply" is backed up as "x.~ly").
std::vector<std::string> workingCopyExtensions() {
    std::vector<std::string> all;
    for (const auto& ext : NetworkExtensions()) {
        all.push_back(ext);
        all.push_back(BackupName(ext));
    }
    return all;
}

} // namespace

bool IsNetworkMode(const std::string& commandLine) {
    return commandLine.compare(0, kNetworkPrefix.size(), kNetworkPrefix) == 0;
}

std::string NetworkRoot(const std::string& commandLine) {
    if (!IsNetworkMode(commandLine))
        return {};
    std::string rest = commandLine.substr(kNetworkPrefix.size());
    if (rest.empty())
        return {};
    if (rest.size() == 1) {
#ifdef _WIN32
        return std::string(1, rest[0]) + ":\\";
#else
        // A drive letter maps onto the folder where that share is mounted.
        return std::string("/mnt/") + lower(rest[0]) + "/";
#endif
    }
    if (endsWithSeparator(rest))
        return rest;
    return rest + kPathSeparator;
}

bool VrxNetExists(const std::string& root) {
    if (root.empty())
        return false;
    std::error_code ec;
    fs::directory_iterator it(fs::path(root), ec);
    return !ec;
}

bool ValidPlanIdentifier(const std::string& planId) {
    if (planId.empty())
        return false;
    char first = upper(planId[0]);
    if (first != 'C' && first != 'D' && first != 'F')
        return false;
    for (char c : planId) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
        if (std::string_view("*?/\\:\"<>|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

std::string HalvernPlan(const std::string& root, const std::string& planId) {
    if (root.empty() || !ValidPlanIdentifier(planId))
        return {};
    std::string plans, approved;
    switch (upper(planId[0])) {
    case 'C':
        plans = "CP", approved = "CPAPP";
        break;
    case 'D':
        plans = "DP", approved = "DPAPP";
        break;
    default:
        plans = "FP", approved = "FPAPP";
        break;
    }
    const std::string inPlans = root + plans + kPathSeparator + planId;
    const std::array<std::string, 3> candidates = {
        inPlans, root + approved + kPathSeparator + planId,
        root + planId.substr(0, 3) + kPathSeparator + planId};
    for (const auto& base : candidates)
        if (FileExists(base + ".lns"))
            return base;
    // A plan the share does not hold yet is stored with the plans.
    return inPlans;
}

const std::vector<std::string>& NetworkExtensions() {
    static const std::vector<std::string> extensions = {".lns", ".ply", ".sdb", ".cve",
                                                        ".sca", ".cor", ".ctx"};
    return extensions;
}

std::string NetBaseOf(const std::string& root, const std::string& localBase) {
    return HalvernPlan(root, FileNameOf(localBase));
}

namespace {

std::string timeText(std::int64_t ns) {
    return ns > 0 ? LocalTimeText(ns) : std::string("an unknown time");
}

std::string folderText(const std::string& localBase) {
    const std::string dir = DirectoryOf(localBase);
    return dir.empty() ? std::string("the current folder") : dir;
}

// Moves working copies that will not be used out of the way of a fetch, under a name of their
// own in the same folder; they are never deleted, so no work in them is lost. The base they
// now have, or the error that stopped the move (the fetch must not go on then).
Result<std::string> setAside(const std::string& localBase) {
    const std::tm local = LocalTime(std::time(nullptr));
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string asideBase = localBase + "-kept-" + stamp;
    for (int n = 2; FileExists(asideBase + ".lns"); ++n)
        asideBase = localBase + "-kept-" + stamp + "-" + std::to_string(n);
    for (const auto& ext : workingCopyExtensions()) {
        if (!FileExists(localBase + ext))
            continue;
        std::error_code ec;
        fs::rename(fs::path(ResolveFileName(localBase + ext)), fs::path(asideBase + ext), ec);
        if (ec)
            return Error{"The working copy " + localBase + ext + " could not be set aside: " +
                             ec.message() + "\nNothing was fetched from the VRX network",
                         kUsedLocalFilesTitle};
    }
    std::error_code ignored;
    fs::remove(fs::path(FetchRecordFile(localBase)), ignored);
    return asideBase;
}

// Puts every existing working copy on the share, all of them or none: each is written to a
// new file beside its share copy, and only when every one is there do they take the old
// ones' places (a full share, a file in the way or a store cut short leaves the share as it
// was). An empty working copy is refused before anything is written.
std::vector<Error> putOnShare(const std::string& localBase, const std::string& netBase) {
    std::vector<StagedFile> files;
    for (const auto& ext : NetworkExtensions()) {
        if (!FileExists(localBase + ext))
            continue;
        auto lines = ReadTextLines(localBase + ext);
        if (!lines)
            return {Error{lines.error().message, kCopyFileTitle}};
        if (lines.value().empty())
            return {Error{kEmptyCopySourceMessage, kCopyFileTitle, Icon::Critical}};
        files.push_back({PlanFile(netBase, ext), JoinLines(lines.value())});
    }
    if (Result<void> stored = CommitFiles(netBase, files); !stored)
        return {Error{stored.error().message + "\nNothing was stored: your working copies are "
                                               "kept.",
                      kStoreErrorTitle}};
    return {};
}

void fetch(NetTransfer& result, const std::string& localBase, const std::string& netBase,
           const NetQuestionFn& ask) {
    const std::string planId = FileNameOf(localBase);
    auto share = PlanFilesState(netBase);
    if (!share) {
        result.errors.push_back(share.error());
        return;
    }
    if (FileExists(localBase + ".lns")) {
        const std::optional<FetchRecord> record = ReadFetchRecord(localBase);
        // Working copies fetched earlier, over a share that has not changed since, hold the
        // latest work; so do copies of a plan the share does not hold at all.
        if ((record && ChangedFiles(*record, share.value()).empty()) ||
            (!record && share.value().Empty())) {
            result.usedLocalFiles = true;
            return;
        }
        auto local = PlanFilesState(localBase);
        const std::int64_t localTime = local ? local.value().NewestNs() : 0;
        const std::int64_t shareTime = share.value().NewestNs();
        std::string text;
        if (record) {
            const std::vector<std::string> changed = ChangedFiles(*record, share.value());
            text = "The VRX network copy of " + planId + " was changed after your working " +
                   "copies were fetched on " + timeText(record->FetchedNs) + " (" + planId +
                   changed.front() + " changed).\n";
        } else {
            text = "Working copies of " + planId + " were found in " + folderText(localBase) +
                   " with no record of when they were fetched from the VRX network.\n";
        }
        text += "Your working copies were last changed on " + timeText(localTime) +
                ", the network copy on " + timeText(shareTime) + ": " +
                (shareTime > localTime ? "the network copy is newer"
                                       : "your working copies are newer") +
                ".\n\nUse your working copies ?\n(No sets them aside and fetches the network "
                "copy.)";
        if (ask && ask(text, kUsedLocalFilesTitle)) {
            result.usedLocalFiles = true;
            result.asked = true;
            // The user chose the working copies knowing what the share holds: that is what a
            // store will compare with, so a change made on the share after this moment still
            // stops it, and the copies chosen can be stored.
            if (Result<void> recorded = WriteFetchRecord(localBase, share.value()); !recorded)
                result.errors.push_back(recorded.error());
            return;
        }
        auto aside = setAside(localBase);
        if (!aside) {
            result.errors.push_back(aside.error());
            return;
        }
        result.notes.push_back("Your working copies of " + planId + " were kept as " +
                               aside.value() + ".*");
    }
    for (const auto& ext : NetworkExtensions()) {
        auto copied = CopyTextFile(netBase + ext, PlanFile(localBase, ext));
        if (!copied)
            result.errors.push_back(copied.error());
    }
    result.complete = result.errors.empty();
    // Only a whole fetch is recorded: a store then knows what the share held.
    if (result.complete)
        if (Result<void> recorded = WriteFetchRecord(localBase, share.value()); !recorded)
            result.errors.push_back(recorded.error());
}

void store(NetTransfer& result, const std::string& localBase, const std::string& netBase, int mode,
           const NetQuestionFn& ask, const LockHolder* me) {
    const std::string planId = FileNameOf(localBase);
    const std::string kept =
        "\nNothing was stored: your working copies are kept in " + folderText(localBase) + ".";
    auto refuse = [&](const std::string& text) {
        result.refused = true;
        result.errors.push_back({text + kept, kStoreErrorTitle});
    };
    if (me) {
        auto holder = ReadPlanLock(PlanLockFile(netBase));
        if (holder && !holder.value().User.empty() && !(holder.value() == *me)) {
            refuse(LockHolderText(planId, holder.value()) + ".");
            return;
        }
    }
    auto share = PlanFilesState(netBase);
    if (!share) {
        result.errors.push_back({share.error().message + kept, kStoreErrorTitle});
        return;
    }
    const std::optional<FetchRecord> record = ReadFetchRecord(localBase);
    if (record) {
        const std::vector<std::string> changed = ChangedFiles(*record, share.value());
        if (!changed.empty()) {
            const FileState* now = share.value().find(changed.front());
            refuse(planId + changed.front() + " on the VRX network was " +
                   (now && now->Exists ? "changed" : "removed") +
                   " by another user or program after your working copies were fetched on " +
                   timeText(record->FetchedNs) + ".");
            return;
        }
    } else if (!share.value().Empty()) {
        auto local = PlanFilesState(localBase);
        const std::int64_t localTime = local ? local.value().NewestNs() : 0;
        const std::int64_t shareTime = share.value().NewestNs();
        const std::string text =
            "Your working copies of " + planId + " have no record of a fetch from the VRX " +
            "network, so the network copy may hold work that is not in them.\nYour working " +
            "copies were last changed on " + timeText(localTime) + ", the network copy on " +
            timeText(shareTime) + ": " +
            (shareTime > localTime ? "the network copy is newer"
                                   : "your working copies are newer") +
            ".\n\nStore your working copies over the network copy ?";
        if (!(ask && ask(text, kStoreErrorTitle))) {
            result.refused = true;
            result.notes.push_back("Nothing was stored: your working copies are kept in " +
                                   folderText(localBase) + ".");
            return;
        }
    }
    if (auto failed = putOnShare(localBase, netBase); !failed.empty()) {
        result.errors = std::move(failed);
        return;
    }
    result.complete = true;
    if (mode == 1) {
        DeletePlanWorkingCopies(localBase);
        return;
    }
    // The working copies go on: the next store compares the share with what it holds now.
    auto stored = PlanFilesState(netBase);
    if (stored)
        if (Result<void> recorded = WriteFetchRecord(localBase, stored.value()); !recorded)
            result.errors.push_back(recorded.error());
}

} // namespace

NetTransfer LoadFromNet(const std::string& root, const std::string& localBase, int mode,
                        const NetQuestionFn& ask, const LockHolder* me) {
    NetTransfer result;
    const std::string planId = FileNameOf(localBase);
    const std::string netBase = HalvernPlan(root, planId);
    if (netBase.empty()) {
        if (mode == 0)
            result.errors.push_back(
                {"Plan identifier " + planId + " cannot be found on the VRX network",
                 kUsedLocalFilesTitle});
        else
            result.errors.push_back({"Plan identifier " + planId +
                                         " cannot be stored on the VRX network; the files "
                                         "stay on your local drive",
                                     kStoreErrorTitle});
        return result;
    }
    if (mode == 0)
        fetch(result, localBase, netBase, ask);
    else
        store(result, localBase, netBase, mode, ask, me);
    return result;
}

void DeletePlanWorkingCopies(const std::string& localBase) {
    const std::string dir = DirectoryOf(localBase);
    const std::string base = FileNameOf(localBase);
    if (base.empty())
        return;
    std::vector<std::string> names;
    for (const auto& ext : workingCopyExtensions())
        names.push_back(base + ext);
    // The record of the fetch goes with the copies it describes.
    names.push_back(base + ".fch");

    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
    std::vector<fs::path> doomed;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code kindError;
        if (!it->is_regular_file(kindError))
            continue;
        for (const auto& wanted : names)
            if (sameIgnoringCase(name, wanted)) {
                doomed.push_back(it->path());
                break;
            }
    }
    for (const auto& path : doomed) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

} // namespace corvane

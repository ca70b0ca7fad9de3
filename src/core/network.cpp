#include "core/network.h"

#include "core/planfiles.h"
#include "core/textfile.h"

#include <array>
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
    static const std::vector<std::string> extensions = {".lns", ".ply", ".sdb",
                                                        ".cve", ".sca", ".cor"};
    return extensions;
}

NetTransfer LoadFromNet(const std::string& root, const std::string& localBase, int mode) {
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
                                     "Save files to VRX Network error"});
        return result;
    }

    if (mode == 0) {
        // Working copies left from an earlier session hold the latest work: they win.
        if (FileExists(localBase + ".lns")) {
            result.usedLocalFiles = true;
            return result;
        }
        for (const auto& ext : NetworkExtensions()) {
            auto copied = CopyTextFile(netBase + ext, PlanFile(localBase, ext));
            if (!copied)
                result.errors.push_back(copied.error());
        }
        result.complete = result.errors.empty();
        return result;
    }

    // Store: a plan need not have every kind of file, so a missing working copy is skipped;
    // any failed copy stops the store and keeps every working copy.
    for (const auto& ext : NetworkExtensions()) {
        if (!FileExists(localBase + ext))
            continue;
        auto copied = CopyTextFile(localBase + ext, PlanFile(netBase, ext));
        if (!copied) {
            result.errors.push_back(copied.error());
            return result;
        }
    }
    result.complete = true;
    if (mode == 1)
        DeletePlanWorkingCopies(localBase);
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

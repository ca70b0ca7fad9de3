#include "core/files/planlock.h"

#include "core/base/filestate.h"
#include "core/base/textfile.h"
#include "core/files/plancommit.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace corvane {

namespace {

constexpr const char* kLockTitle = "Open CORVANE file error";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string userName() {
#ifdef _WIN32
    std::string name = environment("USERNAME");
#else
    std::string name = environment("USER");
    if (name.empty())
        name = environment("LOGNAME");
    if (name.empty())
        if (const passwd* entry = getpwuid(getuid()))
            name = entry->pw_name;
#endif
    return name.empty() ? std::string("unknown user") : name;
}

std::string hostName() {
#ifdef _WIN32
    std::string name = environment("COMPUTERNAME");
#else
    char buffer[256] = {};
    std::string name = gethostname(buffer, sizeof buffer - 1) == 0 ? buffer : "";
#endif
    return name.empty() ? std::string("unknown computer") : name;
}

// The lock file's text: one "key=value" line each, so a person can read who holds it.
std::string lockText(const LockHolder& holder) {
    return JoinLines({"user=" + holder.User, "host=" + holder.Host, "since=" + holder.Since,
                      "stamp=" + std::to_string(holder.Stamp),
                      "process=" + std::to_string(holder.Process)});
}

LockHolder parseLock(const std::string& content) {
    LockHolder holder;
    for (const std::string& line : SplitLines(content)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "user")
            holder.User = value;
        else if (key == "host")
            holder.Host = value;
        else if (key == "since")
            holder.Since = value;
        else if (key == "stamp")
            holder.Stamp = std::strtoll(value.c_str(), nullptr, 10);
        else if (key == "process")
            holder.Process = std::strtoll(value.c_str(), nullptr, 10);
    }
    // A lock file being written at this very moment, or written by hand, still holds the plan.
    if (holder.User.empty())
        holder.User = "unknown user";
    if (holder.Host.empty())
        holder.Host = "unknown computer";
    return holder;
}

// Writes the text to a new file that no other file held before (nullopt), or says why not.
// exists is set when the name was taken already.
std::optional<std::string> createNew(const std::string& path, const std::string& text,
                                     bool& exists) {
    exists = false;
#ifndef _WIN32
    // The lock's content is written under a name of its own and then linked to the lock's
    // name, which fails when that name exists: whoever reads the lock finds it whole.
    const std::string temp = path + ".new" + std::to_string(getpid());
    {
        std::FILE* out = std::fopen(temp.c_str(), "wb");
        if (!out)
            return std::string(std::strerror(errno));
        const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size() &&
                             std::fflush(out) == 0 && fsync(fileno(out)) == 0;
        const int writeError = errno;
        std::fclose(out);
        if (!written) {
            std::remove(temp.c_str());
            return std::string(std::strerror(writeError));
        }
    }
    const int linked = link(temp.c_str(), path.c_str());
    const int linkError = errno;
    std::remove(temp.c_str());
    if (linked == 0)
        return std::nullopt;
    if (linkError == EEXIST) {
        exists = true;
        return std::nullopt;
    }
    // A file system without hard links falls back to an exclusive create below.
    if (linkError != EPERM && linkError != ENOSYS && linkError != EOPNOTSUPP)
        return std::string(std::strerror(linkError));
#endif
    std::FILE* out = std::fopen(path.c_str(), "wbx");
    if (!out) {
        if (errno == EEXIST) {
            exists = true;
            return std::nullopt;
        }
        return std::string(std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    std::fclose(out);
    if (!written)
        return std::string("the lock file could not be written");
    return std::nullopt;
}

} // namespace

LockHolder CurrentLockHolder() {
    LockHolder me;
    me.User = userName();
    me.Host = hostName();
    me.Stamp = std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count();
    me.Since = LocalTimeText(me.Stamp * 1000000000);
#ifndef _WIN32
    me.Process = getpid();
#endif
    return me;
}

bool LockHolderRunning(const LockHolder& holder) {
#ifdef _WIN32
    (void)holder;
    return false;
#else
    if (holder.Process <= 0 || holder.Process == getpid() || holder.Host != hostName())
        return false;
    return kill(static_cast<pid_t>(holder.Process), 0) == 0 || errno == EPERM;
#endif
}

std::string PlanLockFile(const std::string& planBase) {
    return PlanFile(planBase, ".lck");
}

Result<LockHolder> ReadPlanLock(const std::string& lockFile) {
    if (!FileExists(lockFile))
        return LockHolder{};
    auto content = ReadTextFile(lockFile);
    if (!content)
        return parseLock(std::string());
    return parseLock(content.value());
}

Result<LockAttempt> TakePlanLock(const std::string& lockFile, const LockHolder& me) {
    const std::string path = ResolveFileName(lockFile);
    bool exists = false;
    if (auto failure = createNew(path, lockText(me), exists))
        return Error{"The plan cannot be locked for editing: " + path + ": " + *failure,
                     kLockTitle};
    if (!exists)
        return LockAttempt{LockOutcome::Taken, me};
    auto holder = ReadPlanLock(path);
    LockAttempt attempt;
    attempt.Holder = holder ? holder.value() : LockHolder{};
    if (attempt.Holder.User.empty()) {
        // Released between the two looks: try once more.
        if (auto failure = createNew(path, lockText(me), exists))
            return Error{"The plan cannot be locked for editing: " + path + ": " + *failure,
                         kLockTitle};
        if (!exists)
            return LockAttempt{LockOutcome::Taken, me};
        attempt.Holder = parseLock(std::string());
    }
    attempt.Outcome =
        attempt.Holder.SameUserAndHost(me) ? LockOutcome::HeldByUs : LockOutcome::HeldByOther;
    return attempt;
}

Result<LockAttempt> TakeOverPlanLock(const std::string& lockFile, const LockHolder& expected,
                                     const LockHolder& me) {
    const std::string path = ResolveFileName(lockFile);
    auto holder = ReadPlanLock(path);
    if (!holder)
        return holder.error();
    if (holder.value().User.empty())
        return TakePlanLock(path, me);
    if (!(holder.value() == expected)) {
        // Someone else took the plan since the question was asked.
        LockAttempt attempt;
        attempt.Holder = holder.value();
        attempt.Outcome =
            attempt.Holder.SameUserAndHost(me) ? LockOutcome::HeldByUs : LockOutcome::HeldByOther;
        return attempt;
    }
    if (Result<void> written = WriteFileAtomic(path, lockText(me)); !written)
        return Error{"The plan cannot be locked for editing: " + written.error().message,
                     kLockTitle};
    return LockAttempt{LockOutcome::Taken, me};
}

void ReleasePlanLock(const std::string& lockFile, const LockHolder& me) {
    if (lockFile.empty())
        return;
    const std::string path = ResolveFileName(lockFile);
    auto holder = ReadPlanLock(path);
    if (!holder || !(holder.value() == me))
        return;
    std::error_code ignored;
    fs::remove(fs::path(path), ignored);
}

Result<void> PlanWritable(const PlanState& plan, const std::string& command) {
    const std::string planName = FileNameOf(plan.PlanPath);
    if (plan.ReadOnly)
        return Error{planName + " is open read-only: " + command +
                         " cannot change its files.\nOpen the plan again when it is free to "
                         "edit it.",
                     ""};
    // A change of the files cut short part-way through its renames is finished by the next
    // opening, which would put its new files over anything written now.
    if (PlanChangePending(plan.PlanPath))
        return Error{"A change of the files of " + planName +
                         " was cut short and waits to be finished: " + command +
                         " cannot change them now.\nOpen the plan again to finish that change.",
                     ""};
    if (plan.LockFile.empty())
        return {};
    auto holder = ReadPlanLock(plan.LockFile);
    if (holder && holder.value() == plan.Lock)
        return {};
    if (!holder || holder.value().User.empty()) {
        // A share out of reach takes nobody's work away: the working copies are this user's.
        // A lock gone from a folder that is there was taken over and given back: another
        // user may have changed the plan meanwhile.
        std::error_code ec;
        const std::string folder = DirectoryOf(plan.LockFile);
        if (!fs::is_directory(fs::path(folder.empty() ? "." : folder), ec))
            return {};
        return Error{"The lock of " + planName +
                         " was taken from you and has been given back since: another user may "
                         "have changed the plan meanwhile, so " +
                         command + " cannot change its files.\nOpen the plan again to go on.",
                     ""};
    }
    return Error{LockHolderText(planName, holder.value()) + ", who took it over from you: " +
                     command + " cannot change its files, or their work would be lost.",
                 ""};
}

std::string LockHolderText(const std::string& planName, const LockHolder& holder) {
    std::string text = planName + " is open by " + holder.User + " on " + holder.Host;
    if (!holder.Since.empty())
        text += " since " + holder.Since;
    return text;
}

} // namespace corvane

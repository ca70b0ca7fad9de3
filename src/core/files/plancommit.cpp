#include "core/files/plancommit.h"

#include "core/base/safewrite.h"
#include "core/base/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace corvane {

namespace {

constexpr std::string_view kJournalHeader = "CORVANE PLAN CHANGE";
constexpr std::string_view kJournalEnd = "COMMIT ";
// A journal names a handful of files; anything much larger is no journal of ours.
constexpr std::uintmax_t kMaxJournalSize = 1 << 20;

std::string journalOf(const std::string& planBase) {
    return ResolveFileName(planBase + std::string(kChangeJournalSuffix));
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return up(x) == up(y); });
}

// Paths are written one to a line: a line end, a tab or "%" inside one is written as "%"
// and two hex digits.
std::string escapePath(const std::string& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '%') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescapePath(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = digit(text[i + 1]), low = digit(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// A path as the system finally reaches it, so that two spellings of one folder compare equal.
fs::path pathKey(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), ec);
    return (ec ? absolute.parent_path() : folder) / absolute.filename();
}

// A file name of the plan: its base (any letter case), a point and three more characters
// (".lns", ".ply", ".~ly"...).
bool isPlanFileName(std::string_view name, std::string_view base) {
    if (base.empty() || name.size() != base.size() + 4 ||
        !sameIgnoringCase(name.substr(0, base.size()), base) || name[base.size()] != '.')
        return false;
    const std::string_view extension = name.substr(base.size() + 1);
    return extension.find_first_of("./\\") == std::string_view::npos;
}

// Where the plan's files are: its folder, and the files that those of its files which are
// symbolic links lead to (written through, so their temporaries lie beside them).
struct PlanPlace {
    fs::path folder;
    std::string base;
    std::set<fs::path> linkTargets;

    bool holds(const fs::path& target) const {
        const fs::path key = pathKey(target);
        if (key.parent_path() == folder && isPlanFileName(key.filename().string(), base))
            return true;
        return linkTargets.count(key) > 0;
    }
};

PlanPlace placeOf(const std::string& planBase) {
    PlanPlace place;
    place.base = FileNameOf(planBase);
    const std::string folder = FolderOf(planBase);
    place.folder = pathKey(fs::path(folder) / "x").parent_path();
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code kind;
        if (!it->is_symlink(kind) || !isPlanFileName(it->path().filename().string(), place.base))
            continue;
        auto chain = FollowLinks(it->path().string());
        if (chain)
            place.linkTargets.insert(pathKey(fs::path(chain.value().target)));
    }
    return place;
}

// The file a temporary of the commit replaces: its name without the mark and token.
std::optional<fs::path> ownerOf(const fs::path& temp) {
    const std::string name = temp.filename().string();
    const size_t mark = name.rfind(kNewFileMark);
    if (mark == std::string::npos || !IsNewFileOf(name, name.substr(0, mark)))
        return std::nullopt;
    return temp.parent_path() / name.substr(0, mark);
}

// Removes a temporary that no program holds any more.
bool removeLeftover(const fs::path& path) {
    const int handle = OpenFileForReading(path.string());
    if (handle >= 0 && !TryLockFile(handle)) {
        CloseFile(handle);
        return false;
    }
    std::error_code ec;
    const bool removed = fs::remove(path, ec);
    CloseFile(handle);
    return removed;
}

// Removes the temporaries of interrupted saves: beside the plan's files, and beside the
// files their links lead to.
int removeLeftovers(const PlanPlace& place) {
    int removed = 0;
    auto sweep = [&](const fs::path& folder, auto&& ours) {
        std::error_code ec;
        std::vector<fs::path> doomed;
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec))
            if (ours(it->path().filename().string()))
                doomed.push_back(it->path());
        for (const fs::path& path : doomed)
            removed += removeLeftover(path) ? 1 : 0;
        if (!doomed.empty())
            SyncFolder(folder.string());
    };
    sweep(place.folder, [&](const std::string& name) {
        const size_t mark = name.find(kNewFileMark);
        return mark != std::string::npos && isPlanFileName(name.substr(0, mark), place.base) &&
               IsNewFileOf(name, name.substr(0, mark));
    });
    for (const fs::path& target : place.linkTargets) {
        if (target.parent_path() == place.folder)
            continue;
        const std::string owner = target.filename().string();
        sweep(target.parent_path(),
              [&](const std::string& name) { return IsNewFileOf(name, owner); });
    }
    return removed;
}

// A journal as read back: the temporaries it names, and whether its list was finished.
struct Journal {
    std::vector<fs::path> temps;
    bool complete = false;
};

std::optional<Journal> parseJournal(const std::string& text) {
    Journal journal;
    std::vector<std::string_view> lines;
    size_t start = 0;
    // Only whole lines count: a journal cut short while being written ends in part of one.
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.emplace_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty())
        return kJournalHeader.substr(0, text.size()) == text ? std::optional(journal)
                                                             : std::nullopt;
    if (lines[0] != kJournalHeader)
        return std::nullopt;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.substr(0, kJournalEnd.size()) == kJournalEnd) {
            journal.complete =
                i + 1 == lines.size() && line.substr(kJournalEnd.size()) == std::to_string(i - 1);
            if (!journal.complete)
                return std::nullopt;
            break;
        }
        auto path = unescapePath(line);
        if (!path || path->empty())
            return std::nullopt;
        journal.temps.emplace_back(*path);
    }
    return journal;
}

// How the journal names a new file: by its name alone when it lies beside the journal (so
// that a share mounted under another folder on another computer still finds it), else by
// its whole path (a file a plan file's link leads to).
std::string journalName(const std::string& file, const std::string& journal) {
    std::error_code ec;
    const fs::path path = fs::absolute(file, ec).lexically_normal();
    if (pathKey(path).parent_path() == pathKey(fs::path(journal)).parent_path())
        return path.filename().string();
    return path.string();
}

// Closes the journal, and removes it unless the change has passed the point of no return.
struct JournalGuard {
    std::string path;
    int handle = -1;
    bool keep = false;
    ~JournalGuard() {
        if (!keep) {
            std::error_code ignored;
            fs::remove(fs::path(path), ignored);
        }
        CloseFile(handle);
    }
};

} // namespace

Result<void> CommitFiles(const std::string& planBase, const std::vector<StagedFile>& files) {
    if (files.empty())
        return {};
    // Every file is checked before any is written: one that cannot be replaced refuses the
    // whole change.
    std::vector<ReplaceTarget> targets;
    for (const StagedFile& file : files) {
        auto target = PrepareReplace(ResolveFileName(file.path));
        if (!target)
            return target.error();
        for (const ReplaceTarget& other : targets)
            if (pathKey(other.path) == pathKey(target.value().path))
                return Error{"Cannot write " + file.path + " and " + other.name +
                                 " in one change: they are the same file",
                             ""};
        targets.push_back(std::move(target).value());
    }
    // A change cut short must be finished first: the next open would put its older new files
    // over anything written now.
    if (files.size() == 1 && PlanChangePending(planBase))
        return Error{"Cannot change the plan " + planBase +
                         ": a change of it was cut short (its journal " + journalOf(planBase) +
                         " remains)\nOpen the plan again to finish it",
                     ""};
    // One rename is all or nothing by itself: the safe rewrite.
    if (files.size() == 1)
        return WriteFileAtomic(files[0].path, files[0].content);

    const std::string journal = journalOf(planBase);
    JournalGuard guard{journal, CreateFileExclusive(journal)};
    if (guard.handle < 0) {
        guard.keep = true; // not ours
        if (errno == EEXIST)
            return Error{"Cannot change the plan " + planBase +
                             ": another change of it is under way, or one was cut short (its "
                             "journal " +
                             journal + " remains)\nOpen the plan again to finish it",
                         ""};
        return Error{"Cannot write " + journal + ": " + std::strerror(errno), ""};
    }
    TryLockFile(guard.handle);

    std::vector<NewFile> written;
    written.reserve(files.size());
    std::set<std::string> folders = {FolderOf(journal)};
    std::string text = std::string(kJournalHeader) + "\n";
    for (size_t i = 0; i < files.size(); ++i) {
        auto file = NewFile::Write(targets[i], files[i].content);
        if (!file)
            return file.error(); // the new files written so far go, and the journal
        folders.insert(FolderOf(file.value().path()));
        text += escapePath(journalName(file.value().path(), journal)) + "\n";
        written.push_back(std::move(file).value());
    }
    // The new files' names must be on the disk before the journal says they are complete.
    for (const std::string& folder : folders)
        SyncFolder(folder);
    text += std::string(kJournalEnd) + std::to_string(written.size()) + "\n";
    if (!WriteAndSync(guard.handle, text))
        return Error{"Cannot write " + journal + ": " + std::strerror(errno), ""};
    SyncFolder(FolderOf(journal));

    // The change is made from here on: should a rename fail, the journal and the new files
    // stay for the next open to finish it.
    guard.keep = true;
    for (NewFile& file : written)
        file.Keep();
    for (NewFile& file : written)
        if (Result<void> placed = file.PutInPlace(); !placed)
            return Error{placed.error().message +
                             "\nThe change will be finished when the plan is next opened",
                         ""};
    for (const std::string& folder : folders)
        SyncFolder(folder);
    std::error_code ec;
    fs::remove(fs::path(journal), ec);
    SyncFolder(FolderOf(journal));
    return {};
}

bool PlanChangePending(const std::string& planBase) {
    std::error_code ec;
    return !planBase.empty() && fs::exists(fs::symlink_status(fs::path(journalOf(planBase)), ec));
}

std::string PlanRecovery::Report(const std::string& planBase) const {
    switch (change) {
    case Change::None:
        break;
    case Change::Finished: {
        std::string names;
        for (const std::string& file : files)
            names += (names.empty() ? "" : ", ") + file;
        return "The last change of the plan " + planBase +
               " was cut short after its new files were written.\nIt has now been finished: " +
               names + " hold the change.";
    }
    case Change::Undone:
        return "The last change of the plan " + planBase +
               " was cut short before its new files were all written.\nThe plan's files are "
               "as they were before it; make that change again if it is still wanted.";
    }
    return {};
}

Result<PlanRecovery> RecoverPlanFiles(const std::string& planBase) {
    PlanRecovery recovery;
    if (planBase.empty())
        return recovery;
    const PlanPlace place = placeOf(planBase);
    const std::string journal = journalOf(planBase);
    auto refuse = [&](const std::string& why) {
        return Error{"The plan " + planBase + " was being changed when the program stopped, " +
                         "and the change cannot be finished: " + why +
                         "\nThe plan's files were left as they are",
                     kRecoveryTitle};
    };

    std::error_code ec;
    const fs::file_status status = fs::symlink_status(fs::path(journal), ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status) || fs::file_size(fs::path(journal), ec) > kMaxJournalSize)
            return refuse(journal + " is not a journal of this program");
        const int handle = OpenFileForReading(journal);
        if (handle < 0)
            return refuse("cannot read " + journal + ": " + std::strerror(errno));
        JournalGuard guard{journal, handle, true};
        // Another program is making this change right now: it is not interrupted.
        if (!TryLockFile(handle))
            return recovery;
        auto text = ReadTextFile(journal);
        if (!text)
            return refuse(text.error().message);
        auto parsed = parseJournal(text.value());
        if (!parsed)
            return refuse(journal + " is not a journal of this program");
        std::vector<std::pair<fs::path, fs::path>> renames;
        for (fs::path temp : parsed->temps) {
            // A bare name lies beside the journal, wherever the share is mounted.
            if (!temp.has_parent_path())
                temp = fs::path(FolderOf(journal)) / temp;
            auto owner = ownerOf(temp);
            // Only this plan's files are ever put in place, whatever a journal says.
            if (!owner || !place.holds(*owner)) {
                if (parsed->complete)
                    return refuse(journal + " names " + temp.string() +
                                  ", which is no new file of this plan");
                continue;
            }
            renames.emplace_back(temp, *owner);
        }
        std::set<std::string> folders = {FolderOf(journal)};
        for (const auto& [temp, owner] : renames) {
            folders.insert(temp.parent_path().string());
            if (!fs::exists(fs::symlink_status(temp, ec)))
                continue; // put in place before the program stopped
            if (parsed->complete) {
                fs::rename(temp, owner, ec);
                if (ec)
                    return refuse("cannot replace " + owner.string() + ": " + ec.message());
            } else {
                fs::remove(temp, ec);
            }
        }
        for (const std::string& folder : folders)
            SyncFolder(folder);
        fs::remove(fs::path(journal), ec);
        SyncFolder(FolderOf(journal));
        recovery.change =
            parsed->complete ? PlanRecovery::Change::Finished : PlanRecovery::Change::Undone;
        if (parsed->complete)
            for (const auto& [temp, owner] : renames)
                recovery.files.push_back(owner.filename().string());
    }
    recovery.leftovers = removeLeftovers(place);
    return recovery;
}

} // namespace corvane

#pragma once

#include "core/base/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The steps of replacing a file so that a failure, a full disk, a killed program or a power
// cut never leaves it cut short: the new content is written beside the old file under a
// temporary name, flushed to the disk, renamed over the old file, and the folder flushed so
// the rename itself is kept. Shared by the single-file rewrite and the plan's multi-file
// commit.

// The mark of a new file being written beside the one it will replace: "P1.lns" is first
// written as "P1.lns.corvane-new-<token>". No user names a file so, and the plan's recovery
// recognises these names as temporaries of the file before the mark.
inline constexpr std::string_view kNewFileMark = ".corvane-new-";

// A token of digits and "-" that no earlier temporary in the folder is likely to hold; a
// writer that finds the name taken after all tries another.
std::string NewFileToken();

// True when name (a file name without folder) is a temporary of the file named owner:
// owner, the mark, then a token of letters, digits and "-". Letter case of owner ignored.
bool IsNewFileOf(std::string_view name, std::string_view owner);

// The file a name finally stands for: the name itself, or for a symbolic link the file at the
// end of its chain of links (a relative link read from the link's folder). Only the name's
// last part is followed; its folders are the system's to resolve.
struct LinkChain {
    std::string target;    // the file to read or replace
    bool isLink = false;   // the name was a link
    bool dangling = false; // the chain ends at nothing
};
Result<LinkChain> FollowLinks(const std::string& path);

// A file about to be replaced: where the new content goes (the link's target for a link)
// and the rights the new file takes over from the old one.
struct ReplaceTarget {
    std::string name; // as the caller named it, for messages
    std::string path; // the file that will actually be replaced
    std::optional<std::filesystem::perms> rights;
};

// Checks that the named file may be replaced, before anything is written: refuses a folder
// standing in its place, a read-only file (replacing it would get round its protection), a
// link that leads to nothing, and links that lead round in a loop. Messages name the file.
Result<ReplaceTarget> PrepareReplace(const std::string& path);

// The new content of one file, written whole and flushed to the disk under a temporary name
// beside the file it will replace. While it exists it is held locked, so a recovery run by
// another program never takes it for one left behind. Destroyed before PutInPlace, it is
// removed: the old file stays as it was.
class NewFile {
  public:
    static Result<NewFile> Write(const ReplaceTarget& target, std::string_view content);
    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&& other) noexcept;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    const std::string& path() const { return temp_; }
    const std::string& target() const { return target_; }
    // Renames the new file over the old one (the folder is flushed by the caller).
    Result<void> PutInPlace();
    // From now on the new file outlives this object: a change whose journal names it is
    // finished by the next open even if the rename is never made here.
    void Keep() { kept_ = true; }

  private:
    NewFile() = default;
    void discard();

    std::string temp_;
    std::string target_;
    std::string name_;
    int handle_ = -1;
    bool placed_ = false;
    bool kept_ = false;
};

// Flushes a folder's entries to the disk, so that a rename or removal in it survives a power
// cut. Best effort: a file system that cannot flush folders is left as it is.
void SyncFolder(const std::string& folder);

// The folder of a file, "." for a bare name.
std::string FolderOf(const std::string& path);

// Holds an exclusive lock on an open file, taken without waiting: false when another program
// holds it. On systems without such locks it always succeeds.
bool TryLockFile(int handle);

// Plain file handles for the journal: created only when no file of that name exists (-1
// otherwise, errno telling why), opened for reading, written whole and flushed, closed.
int CreateFileExclusive(const std::string& path);
int OpenFileForReading(const std::string& path);
bool WriteAndSync(int handle, std::string_view content);
void CloseFile(int handle);

} // namespace corvane

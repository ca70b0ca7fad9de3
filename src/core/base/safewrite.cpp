#include "core/base/safewrite.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace corvane {

namespace {

// Far more links than any folder of plans chains; beyond it the links go round in a loop.
constexpr int kMaxLinkHops = 40;

#ifdef _WIN32
int openNew(const std::string& path, bool ownerOnly = false) {
    (void)ownerOnly;
    return _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool writeAll(int handle, std::string_view content) {
    while (!content.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<size_t>(content.size(), 1u << 30));
        const int n = _write(handle, content.data(), chunk);
        if (n <= 0)
            return false;
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}
bool syncHandle(int handle) {
    return _commit(handle) == 0;
}
void closeHandle(int handle) {
    _close(handle);
}
int processNumber() {
    return _getpid();
}
#else
int openNew(const std::string& path, bool ownerOnly = false) {
    return ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, ownerOnly ? 0600 : 0666);
}
bool writeAll(int handle, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(handle, content.data(), content.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}
bool syncHandle(int handle) {
    return ::fsync(handle) == 0;
}
void closeHandle(int handle) {
    ::close(handle);
}
int processNumber() {
    return static_cast<int>(::getpid());
}
#endif

std::string systemError(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::string NewFileToken() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(processNumber()) + "-" + std::to_string(stamp % 1000000) + "-" +
           std::to_string(counter++);
}

bool IsNewFileOf(std::string_view name, std::string_view owner) {
    if (owner.empty() || name.size() <= owner.size() + kNewFileMark.size())
        return false;
    for (size_t i = 0; i < owner.size(); ++i)
        if (upper(name[i]) != upper(owner[i]))
            return false;
    if (name.substr(owner.size(), kNewFileMark.size()) != kNewFileMark)
        return false;
    for (char c : name.substr(owner.size() + kNewFileMark.size()))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              c == '-'))
            return false;
    return true;
}

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

Result<LinkChain> FollowLinks(const std::string& path) {
    LinkChain chain;
    fs::path current(path);
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(current, ec);
        if (!fs::is_symlink(status)) {
            chain.target = current.string();
            if (chain.isLink && !fs::exists(status))
                chain.dangling = true;
            return chain;
        }
        chain.isLink = true;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return Error{"Cannot follow the link " + path + ": " + ec.message(), ""};
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return Error{"Cannot follow the link " + path + ": its links lead round in a loop", ""};
}

Result<ReplaceTarget> PrepareReplace(const std::string& path) {
    auto chain = FollowLinks(path);
    if (!chain)
        return chain.error();
    ReplaceTarget target;
    target.name = path;
    target.path = chain.value().target;
    // A link to nothing most likely names a folder that is not there now (a drive not
    // mounted): a file made there would be lost from the plan's sight.
    if (chain.value().dangling)
        return Error{"Cannot write " + path + ": it is a link to " + target.path +
                         ", which does not exist",
                     ""};
    std::error_code ec;
    const fs::file_status existing = fs::status(fs::path(target.path), ec);
    if (fs::is_directory(existing))
        return Error{"Cannot write " + path + ": a folder of that name is in the way", ""};
    if (!ec && fs::is_regular_file(existing)) {
        constexpr auto anyWrite =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if ((existing.permissions() & anyWrite) == fs::perms::none)
            return Error{"Cannot write " + path + ": the file is read-only", ""};
        target.rights = existing.permissions();
    }
    return target;
}

Result<NewFile> NewFile::Write(const ReplaceTarget& target, std::string_view content) {
    NewFile file;
    file.target_ = target.path;
    file.name_ = target.name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = target.path + std::string(kNewFileMark) + NewFileToken();
        // A file that replaces one takes that file's rights once written; until then only
        // its owner may read it, as the old file's readers may be fewer than a new file's.
        const int handle = openNew(temp, target.rights.has_value());
        if (handle >= 0) {
            file.temp_ = temp;
            file.handle_ = handle;
            break;
        }
        if (errno != EEXIST)
            return Error{systemError("Cannot write", target.name, errno), ""};
    }
    if (file.handle_ < 0)
        return Error{"Cannot write " + target.name + ": no free temporary name beside it", ""};
    TryLockFile(file.handle_);
    // The data must be on the disk before the rename makes it the file: a power cut would
    // otherwise leave an empty file under the old name.
    if (!writeAll(file.handle_, content) || !syncHandle(file.handle_))
        return Error{systemError("Cannot write", target.name, errno), ""};
    std::error_code ec;
    // The new file keeps the access rights of the one it replaces.
    if (target.rights)
        fs::permissions(fs::path(file.temp_), *target.rights, ec);
    return file;
}

NewFile::NewFile(NewFile&& other) noexcept
    : temp_(std::move(other.temp_)), target_(std::move(other.target_)),
      name_(std::move(other.name_)), handle_(std::exchange(other.handle_, -1)),
      placed_(std::exchange(other.placed_, true)), kept_(other.kept_) {}

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        discard();
        temp_ = std::move(other.temp_);
        target_ = std::move(other.target_);
        name_ = std::move(other.name_);
        handle_ = std::exchange(other.handle_, -1);
        placed_ = std::exchange(other.placed_, true);
        kept_ = other.kept_;
    }
    return *this;
}

NewFile::~NewFile() {
    discard();
}

void NewFile::discard() {
    if (!placed_ && !kept_ && !temp_.empty()) {
        std::error_code ignored;
        fs::remove(fs::path(temp_), ignored);
    }
    if (handle_ >= 0)
        closeHandle(handle_);
    handle_ = -1;
}

Result<void> NewFile::PutInPlace() {
    std::error_code ec;
    fs::rename(fs::path(temp_), fs::path(target_), ec);
    if (ec)
        return Error{"Cannot replace " + name_ + ": " + ec.message(), ""};
    placed_ = true;
    if (handle_ >= 0)
        closeHandle(handle_);
    handle_ = -1;
    return {};
}

void SyncFolder(const std::string& folder) {
#ifndef _WIN32
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    ::fsync(handle);
    ::close(handle);
#else
    (void)folder;
#endif
}

bool TryLockFile(int handle) {
#ifndef _WIN32
    while (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR)
            return errno != EWOULDBLOCK;
    }
#else
    (void)handle;
#endif
    return true;
}

int CreateFileExclusive(const std::string& path) {
    return openNew(path);
}

int OpenFileForReading(const std::string& path) {
#ifdef _WIN32
    return _open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

bool WriteAndSync(int handle, std::string_view content) {
    return writeAll(handle, content) && syncHandle(handle);
}

void CloseFile(int handle) {
    if (handle >= 0)
        closeHandle(handle);
}

} // namespace corvane

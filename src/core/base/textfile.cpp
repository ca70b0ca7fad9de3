#include "core/base/textfile.h"

#include "core/base/safewrite.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace corvane {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool isDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(fs::path(path), ec);
}

} // namespace

std::vector<std::string> SplitLines(std::string_view content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t nl = content.find('\n', start);
        size_t end = nl == std::string_view::npos ? content.size() : nl;
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

std::vector<std::string> ReadTextLines(std::istream& in) {
    std::ostringstream ss;
    ss << in.rdbuf();
    return SplitLines(ss.str());
}

std::vector<std::string> ReadTextLinesBounded(std::istream& in, size_t maxLines,
                                              size_t maxLineLength) {
    std::vector<std::string> lines;
    std::string line;
    bool lineOpen = false;
    size_t length = 0; // of the line read so far, kept or not
    char buffer[65536];
    auto endLine = [&]() {
        if (length <= maxLineLength && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        line.clear();
        length = 0;
        lineOpen = false;
    };
    while (lines.size() <= maxLines && (in.read(buffer, sizeof buffer) || in.gcount() > 0)) {
        const size_t count = static_cast<size_t>(in.gcount());
        for (size_t i = 0; i < count && lines.size() <= maxLines; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                endLine();
                continue;
            }
            lineOpen = true;
            line += c;
            // A line too long ends the reading: the caller refuses it, and the rest of the
            // file need not be read.
            if (++length > maxLineLength) {
                endLine();
                return lines;
            }
        }
    }
    if (lineOpen && lines.size() <= maxLines)
        endLine();
    return lines;
}

namespace {

// Opens a file for reading, found whatever its case; a folder of that name is refused, as it
// opens as a stream on some systems and then reads as nothing at all.
Result<void> openForReading(const std::string& path, std::ifstream& in) {
    const std::string source = ResolveFileName(path);
    // A link to nothing would otherwise read as a missing file: a plan whose lines file
    // points at a drive not mounted would open with no lines at all.
    auto chain = FollowLinks(source);
    if (!chain)
        return Error{"Cannot open " + path + ": " + chain.error().message, ""};
    if (chain.value().dangling)
        return Error{"Cannot open " + path + ": it is a link to " + chain.value().target +
                         ", which does not exist",
                     ""};
    if (isDirectory(source))
        return Error{"Cannot open " + path + ": it is a folder, not a file", ""};
    in.open(source, std::ios::binary);
    if (!in)
        return Error{systemError("Cannot open", path), ""};
    return {};
}

} // namespace

Result<std::vector<std::string>> ReadTextLinesBounded(const std::string& path, size_t maxLines,
                                                      size_t maxLineLength) {
    std::ifstream in;
    if (Result<void> opened = openForReading(path, in); !opened)
        return opened.error();
    auto lines = ReadTextLinesBounded(in, maxLines, maxLineLength);
    if (in.bad())
        return Error{systemError("Cannot read", path), ""};
    return lines;
}

Result<std::vector<std::string>> ReadTextLinesWithin(const std::string& path,
                                                     const std::string& kind, size_t maxLines,
                                                     size_t maxLineLength) {
    auto lines = ReadTextLinesBounded(path, maxLines, maxLineLength);
    if (!lines)
        return lines.error();
    const std::vector<std::string>& text = lines.value();
    if (text.size() > maxLines)
        return Error{"The " + kind + " " + path + " holds more than " + std::to_string(maxLines) +
                         " lines, far more than any plan needs: it is not read",
                     ""};
    if (!text.empty() && text.back().size() > maxLineLength)
        return Error{"Line " + std::to_string(text.size()) + " of the " + kind + " " + path +
                         " is longer than " + std::to_string(maxLineLength) +
                         " characters, far more than a record needs: the file is not read",
                     ""};
    return lines;
}

Result<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in;
    if (Result<void> opened = openForReading(path, in); !opened)
        return opened.error();
    // Read through the stream itself, so that a failure part-way is seen and not taken for
    // the end of the file.
    std::string content;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        content.append(buffer, static_cast<size_t>(in.gcount()));
    if (in.bad())
        return Error{systemError("Cannot read", path), ""};
    return content;
}

Result<std::vector<std::string>> ReadTextLines(const std::string& path) {
    auto content = ReadTextFile(path);
    if (!content)
        return content.error();
    return SplitLines(content.value());
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

Result<void> WriteFileAtomic(const std::string& path, std::string_view content) {
    auto target = PrepareReplace(ResolveFileName(path));
    if (!target)
        return target.error();
    auto written = NewFile::Write(target.value(), content);
    if (!written)
        return written.error();
    if (Result<void> placed = written.value().PutInPlace(); !placed)
        return placed;
    SyncFolder(FolderOf(target.value().path));
    return {};
}

Result<void> WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
    return WriteFileAtomic(path, JoinLines(lines));
}

Result<void> AppendLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
    auto content = AppendedContent(path, lines);
    if (!content)
        return content.error();
    return WriteFileAtomic(path, content.value());
}

Result<std::string> AppendedContent(const std::string& path,
                                    const std::vector<std::string>& lines) {
    std::string content;
    if (FileExists(path)) {
        auto existing = ReadTextFile(path);
        if (!existing)
            return existing.error();
        content = std::move(existing.value());
        // A last line without its line end is ended before more lines follow it.
        if (!content.empty() && content.back() != '\n')
            content += "\r\n";
    }
    content += JoinLines(lines);
    return content;
}

std::string DirectoryOf(const std::string& path) {
    size_t sep = lastSeparator(path);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string FileNameOf(const std::string& path) {
    size_t sep = lastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string ResolveFileName(const std::string& path) {
    std::error_code ec;
    // A link counts by its own name, whether or not it leads anywhere.
    if (path.empty() || fs::exists(fs::symlink_status(fs::path(path), ec)))
        return path;
    std::string dir = DirectoryOf(path);
    std::string name = FileNameOf(path);
    fs::path folder = dir.empty() ? fs::path(".") : fs::path(dir);
    fs::directory_iterator it(folder, ec);
    // Stepping with an error code: a folder that cannot be read further ends the search
    // instead of throwing.
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        std::error_code kindError;
        if (sameIgnoringCase(candidate, name) &&
            (it->is_regular_file(kindError) || it->is_directory(kindError) ||
             it->is_symlink(kindError)))
            return dir + candidate;
    }
    return path;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    std::string resolved = ResolveFileName(path);
    if (resolved.empty())
        return false;
    const fs::file_status status = fs::status(fs::path(resolved), ec);
    return fs::is_regular_file(status) || fs::is_directory(status) ||
           fs::is_symlink(fs::symlink_status(fs::path(resolved), ec));
}

std::string PlanFile(const std::string& planPath, std::string_view extension) {
    return ResolveFileName(planPath + std::string(extension));
}

std::string BackupName(const std::string& path) {
    size_t n = path.size();
    if (n > 3 && path[n - 4] == '.')
        return path.substr(0, n - 3) + "~" + path.substr(n - 2);
    if (n == 0)
        return "~";
    return path.substr(0, n - 1) + "~";
}

Result<void> BackupFile(const std::string& path) {
    std::string source = ResolveFileName(path);
    auto lines = ReadTextLines(source);
    if (!lines)
        return Error{lines.error().message, "Make backup error"};
    Result<void> written = WriteLinesAtomic(BackupName(source), lines.value());
    if (!written)
        return Error{written.error().message, "Make backup error"};
    return {};
}

std::string QuotedText(std::string_view line) {
    if (line.size() < 2)
        return {};
    size_t q = line.find('"', 1);
    if (q == std::string_view::npos)
        return {};
    return std::string(line.substr(1, q - 1));
}

} // namespace corvane

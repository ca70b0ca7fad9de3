#pragma once

#include "core/base/result.h"

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The native folder separator, used where plan paths are joined.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Splits text into its lines: CR LF or LF ends a line; a final line end does not start
// another line. Bytes are kept as they are (8-bit text).
std::vector<std::string> SplitLines(std::string_view content);

// Reads a whole file, byte for byte. Error message: the system's description of the failure.
Result<std::string> ReadTextFile(const std::string& path);

// Reads a whole text file into lines. Error message: the system's description of the failure.
Result<std::vector<std::string>> ReadTextLines(const std::string& path);
std::vector<std::string> ReadTextLines(std::istream& in);

// Reads a text file's lines as ReadTextLines does, but stops after maxLines + 1 lines, or at
// the first line longer than maxLineLength (kept as its first maxLineLength + 1 characters,
// the last line read), so a reader can refuse a huge file or line (it sees one line too many,
// or a line longer than its limit) without reading it all.
Result<std::vector<std::string>> ReadTextLinesBounded(const std::string& path, size_t maxLines,
                                                      size_t maxLineLength);
std::vector<std::string> ReadTextLinesBounded(std::istream& in, size_t maxLines,
                                              size_t maxLineLength);

// Reads a text file's lines within the bounds of its kind, refusing a file that holds more
// than maxLines lines or a line longer than maxLineLength, without reading the rest of it.
// kind names the file in the refusal ("the curve file"), which names the file too.
Result<std::vector<std::string>> ReadTextLinesWithin(const std::string& path,
                                                     const std::string& kind, size_t maxLines,
                                                     size_t maxLineLength);

// Joins lines with CR LF after each one, as every plan file is written.
std::string JoinLines(const std::vector<std::string>& lines);

// Writes a file whole: the content goes to a temporary file in the same folder, flushed to
// the disk, which then replaces the old file, and the folder is flushed; so a failure
// part-way, a killed program or a power cut leaves the old file or the new one, never a cut
// one. A symbolic link is written through: the file at the end of its links is replaced and
// the link stays a link. The new file keeps the old one's access rights; a read-only file,
// a link to nothing and a folder in the way are refused, and nothing is written.
// The error message names the file; its title is left for the caller.
Result<void> WriteFileAtomic(const std::string& path, std::string_view content);
Result<void> WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines);
// Appends lines to a file (created when missing) through the same whole rewrite.
Result<void> AppendLinesAtomic(const std::string& path, const std::vector<std::string>& lines);
// The content AppendLinesAtomic writes: the file's (none when it is missing), a last line
// without its line end ended, then the lines.
Result<std::string> AppendedContent(const std::string& path, const std::vector<std::string>& lines);

// Plan files are found whatever the letter case of their names: returns the existing file
// whose name matches path ignoring case (the exact name first), or path itself when none
// exists (a new file is then created under that name).
std::string ResolveFileName(const std::string& path);

// True when a file of that name exists (letter case ignored). A folder of that name counts
// too: it is no missing file to be created, and reading it reports that it is a folder. So
// does a symbolic link that leads to nothing: reading it reports the missing file it names.
bool FileExists(const std::string& path);

// The file of a plan: PlanPath followed by an extension such as ".lns", found whatever its
// case; new files get the lower-case extension given.
std::string PlanFile(const std::string& planPath, std::string_view extension);

// The backup name of a file: "x.ply" gives "x.~ly"; a name whose fourth character from the
// end is not a point gets its last character replaced by "~".
std::string BackupName(const std::string& path);

// Copies a text file line by line to its backup name (found whatever its case), replacing
// any older backup. Error title "Make backup error".
Result<void> BackupFile(const std::string& path);

// The text between the double quote that begins a line and the next double quote; empty
// when there is no second one.
std::string QuotedText(std::string_view line);

// Folder part and file part of a path; both separators are accepted.
std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);

} // namespace corvane

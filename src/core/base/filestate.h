#pragma once

#include "core/base/result.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace corvane {

// What a file is on disk at one moment: whether it exists, its size and time of change, and,
// when asked for, a SHA-256 of its content (to tell a real change from a copy that only got a
// new time).
struct FileState {
    bool Exists = false;
    std::uintmax_t Size = 0;
    std::int64_t ModifiedNs = 0; // nanoseconds since 1970
    std::string Sha256;          // lower-case hex; empty when not computed

    // The same file as far as size and time tell.
    bool SameStamp(const FileState& other) const {
        return Exists == other.Exists && Size == other.Size && ModifiedNs == other.ModifiedNs;
    }
    // The same content: by the hashes when both have one, else by size and time.
    bool SameContent(const FileState& other) const {
        if (Exists != other.Exists)
            return false;
        if (!Exists)
            return true;
        if (!Sha256.empty() && !other.Sha256.empty())
            return Sha256 == other.Sha256;
        return SameStamp(other);
    }
};

// The state of a file (found whatever its letter case). With hash, the file is read whole; a
// file that exists but cannot be read is an error naming it.
Result<FileState> ReadFileState(const std::string& path, bool hash);

// The SHA-256 of a text, in lower-case hex.
std::string Sha256Hex(std::string_view content);

// A moment as the clock of this computer shows it.
std::tm LocalTime(std::time_t moment);

// A time of change as the questions show it: "7/12/2026 09:14".
std::string LocalTimeText(std::int64_t nanosecondsSince1970);

} // namespace corvane

#pragma once

#include "core/base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// One record of the scaled lines file: two whole point numbers and two figures (a scaled
// line's bearing and distance; carried unread for the records of a digitized string).
struct ScaledRecord {
    std::int32_t From = 0;
    std::int32_t To = 0;
    double Third = 0.0;
    double Fourth = 0.0;
};

// The scaled lines file as read: its text lines, and beside each the record it holds (none
// for a blank line), so a save can copy a record text for text.
struct ScaledFile {
    std::vector<std::string> Text;
    std::vector<std::optional<ScaledRecord>> Records;
};

// Reads the scaled lines file at path (a resolved file name). A file of more than kMaxLines
// lines or with a line over kMaxLineLength characters is refused unread; a record that is not
// four numbers (the points whole and within the point numbers' range, the figures within
// +-kMaxDistance) refuses the whole file, naming its line. The error carries no title: each
// reader of the file gives its own.
Result<ScaledFile> ReadScaledFile(const std::string& path);
// The same over text lines already read; fileName names the file in a refusal.
Result<ScaledFile> ParseScaledFile(std::vector<std::string> text, const std::string& fileName);

} // namespace corvane

#include "core/files/scaledfile.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/model/records.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

bool blankLine(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

std::optional<ScaledRecord> parseRecord(const std::string& line) {
    const std::vector<std::string> fields = SplitRecordFields(line);
    if (fields.size() != 4)
        return std::nullopt;
    // The lowest 32-bit value is left out: the drawing numbers scaled points downwards from
    // the lowest in use and must be able to go one below it.
    const double pointLow = std::numeric_limits<std::int32_t>::min() + 1.0;
    const double pointHigh = std::numeric_limits<std::int32_t>::max();
    const auto a = NumberField(fields[0], pointLow, pointHigh);
    const auto b = NumberField(fields[1], pointLow, pointHigh);
    const auto c = NumberField(fields[2], -kMaxDistance, kMaxDistance);
    const auto d = NumberField(fields[3], -kMaxDistance, kMaxDistance);
    if (!a || !b || !c || !d || *a != std::trunc(*a) || *b != std::trunc(*b))
        return std::nullopt;
    return ScaledRecord{static_cast<std::int32_t>(*a), static_cast<std::int32_t>(*b), *c, *d};
}

} // namespace

Result<ScaledFile> ParseScaledFile(std::vector<std::string> text, const std::string& fileName) {
    ScaledFile file;
    file.Text = std::move(text);
    file.Records.reserve(file.Text.size());
    for (std::size_t i = 0; i < file.Text.size(); ++i) {
        if (blankLine(file.Text[i])) {
            file.Records.emplace_back();
            continue;
        }
        auto record = parseRecord(file.Text[i]);
        if (!record)
            return Error{"Line " + std::to_string(i + 1) + " of the scaled lines file " + fileName +
                             " is not four numbers (from, to, bearing, distance): " +
                             QuotedLine(file.Text[i]) +
                             "\nCheck the scaled lines file using a text editor",
                         ""};
        file.Records.push_back(record);
    }
    return file;
}

Result<ScaledFile> ReadScaledFile(const std::string& path) {
    auto text = ReadTextLinesWithin(path, "scaled lines file", kMaxLines, kMaxLineLength);
    if (!text)
        return text.error();
    return ParseScaledFile(std::move(text).value(), path);
}

} // namespace corvane

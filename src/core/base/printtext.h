#pragma once

#include <string>
#include <vector>

namespace corvane {

// A printed line of a report as the program places it: texts at print-tab columns.
// Column n starts at character n (counted from 1); a segment with column 0 follows the text
// before it directly; kNextZone moves to the next print zone of 14 characters.
inline constexpr int kNextZone = -1;

struct PrintSegment {
    int column = 0;
    std::string text;
};

struct PrintLine {
    std::vector<PrintSegment> segments;

    PrintLine() = default;
    PrintLine(std::string text) { segments.push_back({0, std::move(text)}); }
    PrintLine& tab(int column, std::string text) {
        segments.push_back({column, std::move(text)});
        return *this;
    }
    PrintLine& add(std::string text) {
        segments.push_back({0, std::move(text)});
        return *this;
    }
};

// A line placed at `column`, for the common case of one text.
inline PrintLine TabLine(int column, std::string text) {
    PrintLine l;
    l.tab(column, std::move(text));
    return l;
}

// Plain text of a printed line: each text placed at its column by spaces; a tab to a column
// the line has already passed continues at that column on a new line. Trailing blanks are
// removed. One printed line may so become several text lines.
std::vector<std::string> RenderPrintLine(const PrintLine& line);
std::vector<std::string> RenderPrintLines(const std::vector<PrintLine>& lines);

} // namespace corvane

#include "core/files/gridmarks.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/model/pointlabel.h"

#include <optional>
#include <string_view>
#include <unordered_set>

namespace corvane {

namespace {

constexpr const char* kGridTitle = "Map grid error";
// A plan has at most a few thousand marks; a file far beyond that is no list of marks.
constexpr std::size_t kMaxMarkLines = 100000;
constexpr std::size_t kMaxMarkLineLength = 1000;
// The farthest a map grid coordinate lies from its false origin: any figure beyond it is a
// slip or a corrupt file, not a position.
constexpr double kMaxGridCoordinate = 1e9;

// Comma-separated fields; a field in double quotes may hold commas. Quotes are removed.
std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::string current;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted) {
            fields.emplace_back(TrimBlanks(current));
            current.clear();
        } else
            current += c;
    }
    fields.emplace_back(TrimBlanks(current));
    return fields;
}

std::optional<double> gridFigure(const std::string& text) {
    return NumberField(text, -kMaxGridCoordinate, kMaxGridCoordinate);
}

// A mark line: its label and two figures. Empty text when it is one; else why not.
std::string readMark(const std::vector<std::string>& fields, KnownMark& mark) {
    if (fields.size() != 3)
        return "a mark line is mark, east, north";
    if (!ValidPointLabel(fields[0]))
        return "\"" + fields[0] + "\" is no point label";
    const auto east = gridFigure(fields[1]);
    const auto north = gridFigure(fields[2]);
    if (!east || !north)
        return "the east and north must be numbers in metres";
    mark = {PointLabelToNumber(fields[0]), *east, *north};
    return {};
}

Error lineError(const std::string& path, std::size_t line, const std::string& text,
                const std::string& why) {
    return Error{path + " line " + std::to_string(line + 1) + ": " + why + " (" + QuotedLine(text) +
                     ")",
                 kGridTitle};
}

// A spreadsheet's CSV often begins with the UTF-8 byte order mark.
std::string_view withoutByteOrderMark(std::string_view line) {
    if (line.substr(0, 3) == "\xEF\xBB\xBF")
        line.remove_prefix(3);
    return line;
}

// Text written as one field: a double quote inside would end it early.
std::string fieldText(std::string text) {
    for (char& c : text)
        if (c == '"')
            c = '\'';
    return "\"" + text + "\"";
}

} // namespace

std::string GridMarksPath(const std::string& planPath) {
    return PlanFile(planPath, ".grd");
}

Result<GridMarks> ReadGridMarks(const std::string& planPath) {
    const std::string path = GridMarksPath(planPath);
    if (!FileExists(path))
        return GridMarks{};
    auto read = ReadTextLinesWithin(path, "the grid file", kMaxMarkLines, kMaxMarkLineLength);
    if (!read)
        return Error{read.error().message, kGridTitle};
    const std::vector<std::string>& lines = read.value();
    GridMarks grid;
    std::unordered_set<std::int32_t> seen;
    std::unordered_set<std::string> given; // ZONE, DATUM, SYSTEM: each once
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (TrimBlanks(lines[i]).empty())
            continue;
        const std::vector<std::string> fields = splitFields(lines[i]);
        const std::string key = UpperCase(fields[0]);
        if (key == "ZONE" || key == "DATUM" || key == "SYSTEM") {
            if (fields.size() != 2)
                return lineError(path, i, lines[i], key + " takes one value");
            if (key == "ZONE") {
                const auto zone = NumberField(fields[1], 1, 60);
                if (!zone || *zone != static_cast<int>(*zone))
                    return lineError(path, i, lines[i], "the zone is a whole number from 1 to 60");
                grid.zone = static_cast<int>(*zone);
            } else
                (key == "DATUM" ? grid.datum : grid.system) = fields[1];
            // Given twice, which one holds would be a guess: the plan could go on another grid.
            if (!given.insert(key).second)
                return lineError(path, i, lines[i], key + " is given twice");
            continue;
        }
        KnownMark mark;
        if (std::string why = readMark(fields, mark); !why.empty())
            return lineError(path, i, lines[i], why);
        if (!seen.insert(mark.number).second)
            return lineError(path, i, lines[i],
                             PointNumberToLabel(mark.number) + " is given twice");
        grid.marks.push_back(mark);
    }
    return grid;
}

Result<void> WriteGridMarks(const std::string& planPath, const GridMarks& marks) {
    std::vector<std::string> lines;
    if (marks.zone != 0)
        lines.push_back("ZONE," + std::to_string(marks.zone));
    if (!marks.datum.empty())
        lines.push_back("DATUM," + (marks.datum.find_first_of(",\"") == std::string::npos
                                        ? marks.datum
                                        : fieldText(marks.datum)));
    if (!marks.system.empty())
        lines.push_back("SYSTEM," + fieldText(marks.system));
    for (const KnownMark& m : marks.marks)
        lines.push_back(PointNumberToLabel(m.number) + "," + GeneralText(m.east) + "," +
                        GeneralText(m.north));
    Result<void> written = WriteLinesAtomic(GridMarksPath(planPath), lines);
    if (!written)
        return Error{written.error().message, kGridTitle};
    return {};
}

Result<std::vector<KnownMark>> ReadMarksCsv(const std::string& path) {
    auto read = ReadTextLinesWithin(path, "the marks file", kMaxMarkLines, kMaxMarkLineLength);
    if (!read)
        return Error{read.error().message, kGridTitle};
    const std::vector<std::string>& lines = read.value();
    std::vector<KnownMark> marks;
    std::unordered_set<std::int32_t> seen;
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = i == 0 ? withoutByteOrderMark(lines[i]) : lines[i];
        if (TrimBlanks(line).empty())
            continue;
        const std::vector<std::string> fields = splitFields(line);
        KnownMark mark;
        const std::string why = readMark(fields, mark);
        // A heading names its columns: no figure in it.
        const bool heading = first && !why.empty() && fields.size() == 3 &&
                             !gridFigure(fields[1]) && !gridFigure(fields[2]);
        first = false;
        if (heading)
            continue;
        if (!why.empty())
            return lineError(path, i, lines[i], why);
        if (!seen.insert(mark.number).second)
            return lineError(path, i, lines[i],
                             PointNumberToLabel(mark.number) + " is given twice");
        marks.push_back(mark);
    }
    if (marks.empty())
        return Error{path + " holds no marks (lines of mark,east,north)", kGridTitle};
    return marks;
}

} // namespace corvane

#include "core/files/linesfile.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/planlock.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

constexpr const char* kBlankLineMessage = "Blank line found in lines file";
constexpr const char* kBlankLineAdvice = "Use a text editor to fix the problem";
constexpr const char* kLoadAdvice = "Check the lines file using a text editor eg: Notepad";
constexpr const char* kLoadTitle = "CORVANE Load error";
constexpr const char* kBlankTitle = "CORVANE Error";
constexpr const char* kSaveTitle = "Error saving lines";

bool isBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

Error loadError(const std::string& description) {
    return Error{description + "\n" + kLoadAdvice, kLoadTitle};
}

std::string lineOf(size_t index, const std::string& fileName) {
    return "Line " + std::to_string(index + 1) + " of the lines file " + fileName;
}

// A point number of the file: a whole number within the 32-bit range, never wrapped.
std::optional<std::int32_t> readPointNumber(const std::string& field) {
    auto v = NumberField(field, std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max());
    if (!v || *v != std::trunc(*v))
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

// The first line of a message: what went wrong, without the advice that follows it.
std::string firstLine(const std::string& message) {
    return message.substr(0, message.find('\n'));
}

// The lines file as it is on disk now (size and time of change).
FileState linesFileState(const PlanState& plan) {
    if (plan.PlanPath.empty())
        return {};
    auto state = ReadFileState(PlanFile(plan.PlanPath, ".lns"), false);
    return state ? state.value() : FileState{};
}

std::string rangeText(double low, double high) {
    return GeneralText(low) + " to " + GeneralText(high);
}

} // namespace

std::optional<std::string> LineRecordFault(const LineRecord& line) {
    if (!std::isfinite(line.Bearing) || line.Bearing < kMinStoredBearing ||
        line.Bearing > kMaxStoredBearing)
        return "its bearing " + GeneralText(line.Bearing) + " lies outside " +
               rangeText(kMinStoredBearing, kMaxStoredBearing);
    if (!std::isfinite(line.Distance) || line.Distance < -kMaxDistance ||
        line.Distance > kMaxDistance)
        return "its distance " + GeneralText(line.Distance) + " lies outside " +
               rangeText(-kMaxDistance, kMaxDistance) + " m";
    return std::nullopt;
}

Result<std::vector<LineRecord>> ParseLines(const std::vector<std::string>& textLines,
                                           const std::string& fileName) {
    // A blank line would shift every later field by a line, so the whole file is refused.
    for (size_t i = 0; i < textLines.size(); ++i)
        if (isBlankLine(textLines[i]))
            return Error{std::string(kBlankLineMessage) + " at line " + std::to_string(i + 1) +
                             "\n" + kBlankLineAdvice,
                         kBlankTitle};
    if (textLines.size() > static_cast<size_t>(kMaxLines))
        return loadError("The lines file " + fileName + " holds more than " +
                         std::to_string(kMaxLines) + " lines, the most that can be loaded (line " +
                         std::to_string(kMaxLines + 1) + " is one too many)");

    static const char* const kFieldNames[] = {"from point", "to point", "bearing", "distance"};
    std::vector<LineRecord> lines;
    lines.reserve(textLines.size());
    for (size_t i = 0; i < textLines.size(); ++i) {
        const std::string& text = textLines[i];
        if (text.size() > kMaxLineLength)
            return loadError(
                lineOf(i, fileName) + " is longer than " + std::to_string(kMaxLineLength) +
                " characters, far more than a line's four fields: " + QuotedLine(text));
        std::vector<std::string> fields = SplitRecordFields(text);
        if (fields.size() != 4)
            return loadError(
                lineOf(i, fileName) + " has " +
                (fields.size() > 4 ? std::string("more than 4") : std::to_string(fields.size())) +
                " fields where 4 are expected (from, to, bearing, distance): " + QuotedLine(text));
        LineRecord line;
        for (int f = 0; f < 4; ++f) {
            if (!IsNumberText(fields[f]))
                return loadError(lineOf(i, fileName) + ": the " + kFieldNames[f] + " " +
                                 QuotedLine(fields[f]) + " is not a number");
        }
        for (int f = 0; f < 2; ++f) {
            auto point = readPointNumber(fields[f]);
            if (!point)
                return loadError(lineOf(i, fileName) + ": the " + kFieldNames[f] + " " +
                                 QuotedLine(fields[f]) + " is not a whole point number within " +
                                 std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
                                 std::to_string(std::numeric_limits<std::int32_t>::max()));
            (f == 0 ? line.FromPoint : line.ToPoint) = *point;
        }
        auto bearing = NumberField(fields[2], kMinStoredBearing, kMaxStoredBearing);
        if (!bearing)
            return loadError(lineOf(i, fileName) + ": the bearing " + QuotedLine(fields[2]) +
                             " lies outside " + rangeText(kMinStoredBearing, kMaxStoredBearing) +
                             " (a bearing, 999 for no data, or 1000 plus an arc's radius)");
        auto distance = NumberField(fields[3], -kMaxDistance, kMaxDistance);
        if (!distance)
            return loadError(lineOf(i, fileName) + ": the distance " + QuotedLine(fields[3]) +
                             " lies outside " + rangeText(-kMaxDistance, kMaxDistance) + " m");
        line.Bearing = *bearing;
        line.Distance = *distance;
        line.Style = 0;
        lines.push_back(line);
    }
    return lines;
}

Result<std::vector<LineRecord>> ParseLines(std::istream& in, const std::string& fileName) {
    return ParseLines(ReadTextLinesBounded(in, kMaxLines, kMaxLineLength), fileName);
}

std::vector<std::string> SplitRecordFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < 5) {
        size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
    return fields;
}

std::string FormatLineRecord(const LineRecord& line) {
    return Format(line.FromPoint, "0") + "," + Format(line.ToPoint, "0") + "," +
           Format(line.Bearing, "0.0000") + "," + Format(line.Distance, "0.000");
}

Result<void> LoadLines(PlanState& plan) {
    plan.PlanLines.clear();
    plan.chkArray = false;
    plan.LoadedLines = FileState{};
    plan.LinesLoadFailed = false;
    plan.LinesLoadFailure.clear();
    if (plan.PlanPath.empty())
        return {};
    const std::string path = PlanFile(plan.PlanPath, ".lns");
    // A plan without a lines file yet simply has no lines.
    if (!FileExists(path))
        return {};

    auto fail = [&plan](Error error) -> Result<void> {
        plan.PlanLines.clear();
        plan.LinesLoadFailed = true;
        plan.LinesLoadFailure = firstLine(error.message);
        return error;
    };
    // Only as much of the file is read as can be loaded: a huge file is refused at its
    // first line too many.
    auto text = ReadTextLinesBounded(path, kMaxLines, kMaxLineLength);
    if (!text)
        return fail(loadError(text.error().message));
    auto parsed = ParseLines(text.value(), path);
    if (!parsed)
        return fail(parsed.error());
    plan.PlanLines = std::move(parsed).value();
    // The flag says the lines are in memory; an empty file leaves nothing to use.
    plan.chkArray = !plan.PlanLines.empty();
    plan.LoadedLines = linesFileState(plan);
    return {};
}

LinesStamp CurrentLinesStamp(const PlanState& plan) {
    return LinesStamp{plan.LinesGeneration, linesFileState(plan)};
}

std::optional<std::string> LinesChangedSince(const PlanState& plan, const LinesStamp& filled) {
    const std::string change =
        plan.LinesGeneration != filled.Generation
            ? "by " + (plan.LastLinesChange.empty() ? std::string("another command")
                                                    : plan.LastLinesChange)
        : !linesFileState(plan).SameStamp(filled.File) ? std::string("outside CORVANE")
                                                       : std::string();
    if (change.empty())
        return std::nullopt;
    return "The lines file was changed " + change +
           " after this window's rows were read.\nThe rows were not stored: they would undo "
           "that change.\nCancel this window and open it again to make your changes on the "
           "lines as they are now.";
}

void NoteLinesWritten(PlanState& plan, const std::string& command) {
    ++plan.LinesGeneration;
    plan.LastLinesChange = command;
    plan.LoadedLines = linesFileState(plan);
}

bool LinesCurrent(const PlanState& plan) {
    return plan.chkArray && linesFileState(plan).SameStamp(plan.LoadedLines);
}

Result<void> EnsureLinesCurrent(PlanState& plan) {
    if (LinesCurrent(plan))
        return {};
    return LoadLines(plan);
}

std::string LinesNotLoadedMessage(const PlanState& plan) {
    return "The lines file " + PlanFile(plan.PlanPath, ".lns") + " could not be loaded:\n" +
           plan.LinesLoadFailure +
           "\nFix the lines file using a text editor and open the plan again";
}

std::optional<std::string> LiveLineFault(const LineRecord& line) {
    if (auto fault = LineRecordFault(line))
        return fault;
    // The file holds three decimals: a line shorter than half a millimetre would read back
    // as 0, the mark of a deleted line, and the next save would drop it.
    if (line.Distance > 0 && Format(line.Distance, "0.000") == "0.000")
        return "its distance " + GeneralText(line.Distance) +
               " m would be written as 0.000, which marks a deleted line";
    return std::nullopt;
}

Result<StagedFile> StageLines(const PlanState& plan) {
    if (plan.PlanPath.empty())
        return Error{"The lines were not saved: no plan is open", kSaveTitle};
    const std::string path = PlanFile(plan.PlanPath, ".lns");
    // PlanLines after a refused load is not the file's content: writing it would destroy
    // the lines the user still has on disk.
    if (plan.LinesLoadFailed)
        return Error{"The lines were not saved. " + LinesNotLoadedMessage(plan), kSaveTitle};
    if (Result<void> writable = PlanWritable(plan, "saving the lines"); !writable)
        return Error{writable.error().message, kSaveTitle};

    std::vector<std::string> text;
    text.reserve(plan.PlanLines.size());
    for (const auto& line : plan.PlanLines) {
        if (!(line.Distance > 0))
            continue;
        // A figure the loader would refuse is never written: the file stays loadable.
        if (auto fault = LiveLineFault(line))
            return Error{"The lines file " + path + " was not saved: the line " +
                             Format(line.FromPoint, "0") + " - " + Format(line.ToPoint, "0") +
                             " cannot be stored, " + *fault,
                         kSaveTitle};
        text.push_back(FormatLineRecord(line));
    }
    // A file the loader would refuse is not written: the lines stay in memory for the user
    // to reduce, and the file on disk stays loadable.
    if (text.size() > static_cast<size_t>(kMaxLines))
        return Error{"The lines file " + path + " was not saved: it would hold " +
                         std::to_string(text.size()) + " lines, and at most " +
                         std::to_string(kMaxLines) + " can be loaded",
                     kSaveTitle};
    return StagedFile{path, JoinLines(text)};
}

Result<void> SaveLines(PlanState& plan) {
    if (plan.PlanPath.empty())
        return {};
    auto staged = StageLines(plan);
    if (!staged)
        return staged.error();
    Result<void> written = WriteFileAtomic(staged.value().path, staged.value().content);
    if (!written)
        return Error{written.error().message, kSaveTitle};
    NoteLinesWritten(plan, "another window's save");
    return {};
}

std::vector<int> DropUnsavedLines(std::vector<LineRecord>& lines) {
    std::vector<int> moved(lines.size(), -1);
    std::vector<LineRecord> kept;
    kept.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!(lines[i].Distance > 0))
            continue;
        moved[i] = static_cast<int>(kept.size());
        kept.push_back(lines[i]);
    }
    if (kept.size() != lines.size())
        lines = std::move(kept);
    return moved;
}

} // namespace corvane

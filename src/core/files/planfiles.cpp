#include "core/files/planfiles.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"

#include <initializer_list>

namespace corvane {

namespace {

constexpr const char* kCopyPlanTitle = "Copy CORVANE files error";
constexpr const char* kEditPointTitle = "Edit Point Number error";

// A whole number as the questions show it: a blank stands where a minus sign would go.
std::string signedNumber(std::int32_t n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

// Copies each of the plan's files with these extensions that exists, byte for byte and in
// one commit: the new plan's files are the old plan's files, all of them or none.
Result<void> copyByteForByte(const std::string& oldBase, const std::string& newBase,
                             std::initializer_list<const char*> extensions) {
    std::vector<StagedFile> copies;
    for (const char* ext : extensions) {
        if (!FileExists(oldBase + ext))
            continue;
        auto content = ReadTextFile(oldBase + ext);
        if (!content)
            return Error{content.error().message, kCopyPlanTitle};
        copies.push_back({PlanFile(newBase, ext), std::move(content).value()});
    }
    if (Result<void> written = CommitFiles(newBase, copies); !written)
        return Error{written.error().message, kCopyPlanTitle};
    return {};
}

} // namespace

Result<void> CopyPlanFiles(const std::string& oldBase, const std::string& newBase) {
    return copyByteForByte(oldBase, newBase, {".lns", ".ply", ".cve", ".sca", ".ctx"});
}

Result<void> CopyWholePlan(const std::string& oldBase, const std::string& newBase) {
    return copyByteForByte(oldBase, newBase,
                           {".lns", ".ply", ".cve", ".sca", ".sdb", ".cor", ".ctx"});
}

Result<CopyOutcome> CopyTextFile(const std::string& source, const std::string& destination) {
    CopyOutcome outcome;
    if (!FileExists(source)) {
        outcome.sourceMissing = true;
        return outcome;
    }
    auto lines = ReadTextLines(source);
    if (!lines)
        return Error{lines.error().message, kCopyFileTitle};
    if (lines.value().empty())
        return Error{kEmptyCopySourceMessage, kCopyFileTitle, Icon::Critical};
    Result<void> written = WriteLinesAtomic(destination, lines.value());
    if (!written)
        return Error{written.error().message, kCopyFileTitle};
    outcome.copied = true;
    return outcome;
}

bool IsEmptyCopySource(const Error& error) {
    return error.message == kEmptyCopySourceMessage;
}

Result<StagedFile> StagePointNumberChange(PlanState& plan, std::int32_t oldNumber,
                                          std::int32_t newNumber, const AskFn& ask) {
    // One point number may stand for different points in careless data, so every line that
    // uses it is confirmed one by one.
    for (auto& line : plan.PlanLines) {
        if (line.FromPoint != oldNumber && line.ToPoint != oldNumber)
            continue;
        Reply reply = ask("Point found in line " + signedNumber(line.FromPoint) + " to " +
                          signedNumber(line.ToPoint) + "\nChange this line ?");
        if (reply == Reply::Cancel)
            break;
        if (reply == Reply::No)
            continue;
        if (line.FromPoint == oldNumber)
            line.FromPoint = newNumber;
        if (line.ToPoint == oldNumber)
            line.ToPoint = newNumber;
    }

    // The polygons file is rebuilt from its backup, which keeps the state before the change.
    const std::string polygons = PlanFile(plan.PlanPath, ".ply");
    Result<void> backedUp = BackupFile(polygons);
    if (!backedUp)
        return backedUp.error();
    auto source = ReadPolygons(BackupName(polygons));
    if (!source)
        return Error{source.error().message, kEditPointTitle};

    // A parcel's answer holds for all its occurrences: a closed parcel lists its first point
    // again as its last, and both are the same corner.
    auto change = [&](const std::string& identifier, std::vector<std::string>& lines) {
        enum class Answer { None, Yes, No };
        Answer answer = Answer::None;
        for (std::string& text : lines) {
            if (!IsNumberText(text) || Val(text) != static_cast<double>(oldNumber))
                continue;
            if (answer == Answer::None) {
                Reply reply = ask("Point found in parcel " + identifier + "\nChange this point ?");
                answer = reply == Reply::Yes ? Answer::Yes : Answer::No;
            }
            if (answer == Answer::Yes)
                text = std::to_string(newNumber);
        }
    };
    PolygonsModel& model = source.value();
    // Points before the first heading are asked about under no name.
    change({}, model.Leading);
    for (PolygonParcel& parcel : model.Parcels)
        change(parcel.Identifier, parcel.Lines);
    return StagedFile{polygons, JoinLines(PolygonsText(model))};
}

Result<void> ChangePointNumber(PlanState& plan, std::int32_t oldNumber, std::int32_t newNumber,
                               const AskFn& ask) {
    auto polygons = StagePointNumberChange(plan, oldNumber, newNumber, ask);
    if (!polygons)
        return polygons.error();
    Result<void> written = WriteFileAtomic(polygons.value().path, polygons.value().content);
    if (!written)
        return Error{written.error().message, kEditPointTitle};
    return {};
}

} // namespace corvane

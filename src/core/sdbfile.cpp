#include "core/sdbfile.h"

#include "core/numtext.h"
#include "core/textfile.h"

namespace corvane {

Result<SurveyRecord> LoadSDBfile(const std::string& planPath) {
    SurveyRecord record;
    const std::string path = PlanFile(planPath, ".sdb");
    if (!FileExists(path))
        return record;
    auto lines = ReadTextLinesWithin(path, "survey data base file", kMaxSurveyRecordLines,
                                     kMaxSurveyRecordLineLength);
    if (!lines)
        return Error{lines.error().message, "Load Survey Data Base error"};
    const auto& text = lines.value();
    if (!text.empty())
        record.Surveyor = text[0];
    if (text.size() > 1)
        record.FieldDate = text[1];
    for (size_t i = 2; i < text.size(); ++i)
        record.MarksGone.push_back(text[i]);
    return record;
}

Result<bool> SaveSDBfile(const std::string& planPath, const SurveyRecord& record) {
    // Without a surveyor the record is not a certified survey's: an existing file is kept.
    if (record.Surveyor.empty())
        return false;
    std::vector<std::string> lines = {UpperCase(record.Surveyor), record.FieldDate};
    lines.insert(lines.end(), record.MarksGone.begin(), record.MarksGone.end());
    Status written = WriteLinesAtomic(PlanFile(planPath, ".sdb"), lines);
    if (!written)
        return Error{written.error().message, "Save Survey Data Base error"};
    return true;
}

bool ValidPSMNumber(const std::string& text, std::int32_t pointNumberLimit) {
    // Judged on its first four characters alone, so a shorter entry is judged on what it has.
    return Val(std::string_view(text).substr(0, 4)) >= pointNumberLimit;
}

} // namespace corvane

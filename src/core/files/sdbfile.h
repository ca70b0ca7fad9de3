#pragma once

#include "core/base/result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The survey data base record of a certified survey.
struct SurveyRecord {
    std::string Surveyor;
    std::string FieldDate;
    std::vector<std::string> MarksGone;
};

// A survey record names the surveyor, the date and the marks found gone: a file of more
// lines, or of longer ones, is no survey record and is refused unread.
inline constexpr size_t kMaxSurveyRecordLines = 10000;
inline constexpr size_t kMaxSurveyRecordLineLength = 4096;

// Reads the record (missing lines are empty; no file is an empty record). A file that
// cannot be read (no read permission, a link to nothing, a folder, too large) is refused
// with the reason, naming the file, title "Load Survey Data Base error": the caller must
// then never write a record over it.
Result<SurveyRecord> LoadSDBfile(const std::string& planPath);

// Writes the record (surveyor upper-cased). Writes nothing when the surveyor's name is empty
// (returns written = false). A write failure is an error naming the file, title
// "Save Survey Data Base error"; the record then still counts as changed.
Result<bool> SaveSDBfile(const std::string& planPath, const SurveyRecord& record);

// Why a date of field survey cannot be stored (nullopt: it can): a date is written d/m/yyyy
// (7/12/2026, 07/12/2026) or yyyy-mm-dd (2026-12-07) and must be a day of the calendar; an
// empty date is allowed (the record may not be finished).
std::optional<std::string> FieldDateFault(const std::string& text);

// A permanent mark number is accepted when the value of its first four characters is at
// least the point number limit.
bool ValidPSMNumber(const std::string& text, std::int32_t pointNumberLimit);

} // namespace corvane

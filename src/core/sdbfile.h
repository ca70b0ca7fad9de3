#pragma once

#include "core/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The survey data base record of a certified survey.
struct SurveyRecord {
    std::string Surveyor;
    std::string FieldDate;
    std::vector<std::string> MarksGone;
};

// Reads the record as far as it goes (missing lines are empty; a read error keeps what was
// read).
SurveyRecord LoadSDBfile(const std::string& planPath);

// Writes the record (surveyor upper-cased). Writes nothing when the surveyor's name is empty
// (returns written = false). A write failure is an error naming the file, title
// "Save Survey Data Base error"; the record then still counts as changed.
Result<bool> SaveSDBfile(const std::string& planPath, const SurveyRecord& record);

// A permanent mark number is accepted when the value of its first four characters is at
// least the point number limit.
bool ValidPSMNumber(const std::string& text, std::int32_t pointNumberLimit);

} // namespace corvane

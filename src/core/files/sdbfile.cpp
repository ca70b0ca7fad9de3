#include "core/files/sdbfile.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"

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
    Result<void> written = WriteLinesAtomic(PlanFile(planPath, ".sdb"), lines);
    if (!written)
        return Error{written.error().message, "Save Survey Data Base error"};
    return true;
}

namespace {

// The digits of a date part, or -1 when it holds anything else or is not 1 to maxDigits long.
int datePart(std::string_view text, size_t minDigits, size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isCalendarDay(int day, int month, int year) {
    if (year < 1800 || year > 2999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

} // namespace

std::optional<std::string> FieldDateFault(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    const std::string_view date(text);
    const size_t slash1 = date.find('/');
    const size_t slash2 = slash1 == std::string_view::npos ? slash1 : date.find('/', slash1 + 1);
    bool valid = false;
    if (slash2 != std::string_view::npos) {
        const int day = datePart(date.substr(0, slash1), 1, 2);
        const int month = datePart(date.substr(slash1 + 1, slash2 - slash1 - 1), 1, 2);
        const int year = datePart(date.substr(slash2 + 1), 4, 4);
        valid = isCalendarDay(day, month, year);
    } else if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
        valid = isCalendarDay(datePart(date.substr(8, 2), 2, 2), datePart(date.substr(5, 2), 2, 2),
                              datePart(date.substr(0, 4), 4, 4));
    }
    if (valid)
        return std::nullopt;
    return "The date of field survey \"" + text +
           "\" is not a date.\nEnter it as day/month/year (for example 7/12/2026) or "
           "year-month-day (2026-12-07).";
}

bool ValidPSMNumber(const std::string& text, std::int32_t pointNumberLimit) {
    // Judged on its first four characters alone, so a shorter entry is judged on what it has.
    return Val(std::string_view(text).substr(0, 4)) >= pointNumberLimit;
}

} // namespace corvane

// The survey data base record of a certified survey: the surveyor, the date of the field
// survey and the permanent marks found gone, as the plan's file holds it.
#include "core/base/textfile.h"
#include "core/files/planlock.h"
#include "core/files/sdbfile.h"
#include "mainwin/plansession.h"

namespace corvane {

bool PlanSession::LoadSDBfile() {
    const Result<SurveyRecord> read = corvane::LoadSDBfile(plan_.PlanPath);
    if (!read) {
        ShowError(read.error());
        return false;
    }
    const SurveyRecord& record = read.value();
    view_.showRecord(record);
    // A date as the file held it is kept as it is, whatever its form.
    loadedFieldDate_ = record.FieldDate;
    return true;
}

bool PlanSession::SaveSDBfile() {
    if (plan_.PlanPath.empty() || plan_.ReadOnly)
        return true;
    // Another user who took the plan over keeps their own record.
    if (Result<void> writable = PlanWritable(plan_, "the survey data base details"); !writable) {
        ShowError(Error{writable.error().message, "Survey Data Base error"});
        return false;
    }
    const SurveyRecord record = view_.shownRecord();
    if (record.FieldDate != loadedFieldDate_) {
        if (auto fault = FieldDateFault(record.FieldDate)) {
            desktop_.message(fromCore(*fault) + QStringLiteral("\nThe survey data base details "
                                                               "were not saved."),
                             QStringLiteral("Survey Data Base error"), Icon::Exclamation);
            return false;
        }
    }
    const Result<bool> written = corvane::SaveSDBfile(plan_.PlanPath, record);
    if (!written) {
        // The flag stays set: the record is still unsaved.
        Error error = written.error();
        if (error.title.empty())
            error.title = "Survey Data Base error";
        ShowError(error);
        return false;
    }
    // A record without a surveyor's name is never written; it still counts as changed.
    if (written.value()) {
        view_.setRecordChanged(false);
        loadedFieldDate_ = record.FieldDate;
    }
    return true;
}

bool PlanSession::SettleSurveyRecord(const QString& title) {
    if (!view_.recordChanged() || plan_.PlanPath.empty() || plan_.ReadOnly)
        return true;
    const SurveyRecord record = view_.shownRecord();
    if (record.Surveyor.empty()) {
        // Nothing typed and nothing stored: nothing to lose.
        if (record.FieldDate.empty() && record.MarksGone.empty() &&
            !FileExists(plan_.PlanPath + ".sdb"))
            return true;
        return desktop_.message(QStringLiteral("The survey data base details are not saved: "
                                               "they are saved only with the surveyor's "
                                               "name.\nLeave without saving them ?"),
                                title, Icon::Question, Buttons::YesNo, Answer::No) == Answer::Yes;
    }
    if (SaveSDBfile())
        return true;
    return desktop_.message(QStringLiteral("The survey data base details could not be saved.\n"
                                           "Leave without saving them ?"),
                            title, Icon::Question, Buttons::YesNo, Answer::No) == Answer::Yes;
}

void PlanSession::ClearSDB() {
    loadedFieldDate_.clear();
    view_.showRecord(SurveyRecord{});
    view_.setRecordChanged(false);
}

} // namespace corvane

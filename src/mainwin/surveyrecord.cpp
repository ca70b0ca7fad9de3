// The survey data base record of a certified survey: the surveyor, the date of the field
// survey and the permanent marks found gone.
#include "core/files/planlock.h"
#include "core/files/sdbfile.h"
#include "core/base/textfile.h"
#include "mainwin/frmcorvane.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

namespace corvane {

bool frmCorvane::sdbChanged() const {
    return chkSDBchange->isChecked();
}

void frmCorvane::setSdbChanged(bool changed) {
    chkSDBchange->setChecked(changed);
}

void frmCorvane::txtSurveyor_Change() {
    setSdbChanged(true);
}

void frmCorvane::txtFieldDate_Change() {
    setSdbChanged(true);
}

void frmCorvane::txtFieldDate_Finished() {
    // Said as soon as the user leaves the box; the record is refused again when it is stored.
    const std::string date = toCore(txtFieldDate->text());
    if (date == loadedFieldDate_ || date == refusedFieldDate_)
        return;
    refusedFieldDate_ = date;
    if (auto fault = FieldDateFault(date))
        desktop_.message(fromCore(*fault), QStringLiteral("Survey Data Base error"),
                         Icon::Exclamation);
}

bool frmCorvane::LoadSDBfile() {
    const Result<SurveyRecord> read = corvane::LoadSDBfile(plan_.PlanPath);
    if (!read) {
        ShowError(read.error());
        return false;
    }
    const SurveyRecord& record = read.value();
    txtSurveyor->setText(fromCore(record.Surveyor));
    txtFieldDate->setText(fromCore(record.FieldDate));
    // A date as the file held it is kept as it is, whatever its form.
    loadedFieldDate_ = record.FieldDate;
    for (const std::string& mark : record.MarksGone)
        lstPSMsGone->addItem(fromCore(mark));
    return true;
}

SurveyRecord frmCorvane::surveyRecord() const {
    SurveyRecord record;
    record.Surveyor = toCore(txtSurveyor->text());
    record.FieldDate = toCore(txtFieldDate->text());
    for (int i = 0; i < lstPSMsGone->count(); ++i)
        record.MarksGone.push_back(toCore(lstPSMsGone->item(i)->text()));
    return record;
}

bool frmCorvane::SaveSDBfile() {
    if (plan_.PlanPath.empty() || plan_.ReadOnly)
        return true;
    // Another user who took the plan over keeps their own record.
    if (Status writable = PlanWritable(plan_, "the survey data base details"); !writable) {
        ShowError(Error{writable.error().message, "Survey Data Base error"});
        return false;
    }
    const SurveyRecord record = surveyRecord();
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
        setSdbChanged(false);
        loadedFieldDate_ = record.FieldDate;
    }
    return true;
}

bool frmCorvane::SettleSurveyRecord(const QString& title) {
    if (!sdbChanged() || plan_.PlanPath.empty() || plan_.ReadOnly)
        return true;
    const SurveyRecord record = surveyRecord();
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

void frmCorvane::ClearSDB() {
    loadedFieldDate_.clear();
    txtSurveyor->clear();
    txtFieldDate->clear();
    lstPSMsGone->clear();
    setSdbChanged(false);
}

void frmCorvane::cmdAddPSM_Click() {
    const QString answer = desktop_.inputBox(QStringLiteral("Enter P.M. number eg: 662812345"),
                                             QStringLiteral("P.M.'s GONE"));
    if (answer.isEmpty())
        return;
    if (ValidPSMNumber(toCore(answer), plan_.PointNumberLimit)) {
        lstPSMsGone->addItem(answer);
        setSdbChanged(true);
    } else {
        desktop_.message(QStringLiteral("Not a valid PSM number"),
                         QStringLiteral("Add PSM Gone error"), Icon::Exclamation);
    }
}

void frmCorvane::cmdDeletePSM_Click() {
    const QList<QListWidgetItem*> selected = lstPSMsGone->selectedItems();
    if (selected.isEmpty()) {
        desktop_.message(QStringLiteral("Select P.M. from list to delete"),
                         QStringLiteral("Delete PSM Gone error"), Icon::Exclamation);
        return;
    }
    delete lstPSMsGone->takeItem(lstPSMsGone->row(selected.first()));
    setSdbChanged(true);
}

} // namespace corvane

// The survey data base record of a certified survey: the surveyor, the date of the field
// survey and the permanent marks found gone.
#include "core/sdbfile.h"
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

bool frmCorvane::LoadSDBfile() {
    const Result<SurveyRecord> read = corvane::LoadSDBfile(plan_.PlanPath);
    if (!read) {
        ShowError(read.error());
        return false;
    }
    const SurveyRecord& record = read.value();
    txtSurveyor->setText(fromCore(record.Surveyor));
    txtFieldDate->setText(fromCore(record.FieldDate));
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
    if (plan_.PlanPath.empty())
        return true;
    const Result<bool> written = corvane::SaveSDBfile(plan_.PlanPath, surveyRecord());
    if (!written) {
        // The flag stays set: the record is still unsaved.
        Error error = written.error();
        if (error.title.empty())
            error.title = "Survey Data Base error";
        ShowError(error);
        return false;
    }
    // A record without a surveyor's name is never written; it still counts as changed.
    if (written.value())
        setSdbChanged(false);
    return true;
}

void frmCorvane::ClearSDB() {
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

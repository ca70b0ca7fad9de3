// The survey data base frame of the main window: the record as the user edits it. The plan
// session reads it from and stores it to the plan's file.
#include "core/files/sdbfile.h"
#include "mainwin/frmcorvane.h"
#include "mainwin/plansession.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>

namespace corvane {

bool frmCorvane::recordChanged() const {
    return chkSDBchange->isChecked();
}

void frmCorvane::setRecordChanged(bool changed) {
    chkSDBchange->setChecked(changed);
}

void frmCorvane::txtSurveyor_Change() {
    setRecordChanged(true);
}

void frmCorvane::txtFieldDate_Change() {
    setRecordChanged(true);
}

void frmCorvane::txtFieldDate_Finished() {
    // Said as soon as the user leaves the box; the record is refused again when it is stored.
    const std::string date = toCore(txtFieldDate->text());
    if (date == session_->loadedFieldDate() || date == refusedFieldDate_)
        return;
    refusedFieldDate_ = date;
    if (auto fault = FieldDateFault(date))
        desktop_.message(fromCore(*fault), QStringLiteral("Survey Data Base error"),
                         Icon::Exclamation);
}

SurveyRecord frmCorvane::shownRecord() const {
    SurveyRecord record;
    record.Surveyor = toCore(txtSurveyor->text());
    record.FieldDate = toCore(txtFieldDate->text());
    for (int i = 0; i < lstPSMsGone->count(); ++i)
        record.MarksGone.push_back(toCore(lstPSMsGone->item(i)->text()));
    return record;
}

void frmCorvane::showRecord(const SurveyRecord& record) {
    txtSurveyor->setText(fromCore(record.Surveyor));
    txtFieldDate->setText(fromCore(record.FieldDate));
    lstPSMsGone->clear();
    for (const std::string& mark : record.MarksGone)
        lstPSMsGone->addItem(fromCore(mark));
}

void frmCorvane::lockRecord() {
    Frame1->setEnabled(false);
}

void frmCorvane::cmdAddPSM_Click() {
    const QString answer = desktop_.inputBox(QStringLiteral("Enter P.M. number eg: 662812345"),
                                             QStringLiteral("P.M.'s GONE"));
    if (answer.isEmpty())
        return;
    if (ValidPSMNumber(toCore(answer), plan_.PointNumberLimit)) {
        lstPSMsGone->addItem(answer);
        setRecordChanged(true);
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
    setRecordChanged(true);
}

} // namespace corvane

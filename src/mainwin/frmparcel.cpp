#include "mainwin/frmparcel.h"

#include "core/files/polygons.h"
#include "platform/desktop.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace corvane {

namespace {

bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

frmParcel::frmParcel(Desktop& desktop, QWidget* parent) : QDialog(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("frmParcel"));
    setWindowTitle(QStringLiteral("New Parcel Form"));
    setModal(true);
    buildControls();
}

void frmParcel::buildControls() {
    auto* layout = new QGridLayout(this);

    auto* lblParcelType = new QLabel(QStringLiteral("Parcel Type"));
    lblParcelType->setObjectName(QStringLiteral("lblParcelType"));
    cboParcelType = new QComboBox;
    cboParcelType->setObjectName(QStringLiteral("cboParcelType"));
    // A typed type is read as typed: one the dialog does not know starts nothing.
    cboParcelType->setEditable(true);
    cboParcelType->setInsertPolicy(QComboBox::NoInsert);
    cboParcelType->setToolTip(QStringLiteral("Select parcel type here"));
    for (const std::string& type : NewParcelTypes())
        cboParcelType->addItem(fromCore(type));
    cboParcelType->setCurrentText(QStringLiteral("Outer Boundary"));
    lblParcelType->setBuddy(cboParcelType);

    auto* lblIdentifier = new QLabel(QStringLiteral("Parcel Identifier"));
    lblIdentifier->setObjectName(QStringLiteral("lblIdentifier"));
    txtIdentifier = new QLineEdit;
    txtIdentifier->setObjectName(QStringLiteral("txtIdentifier"));
    txtIdentifier->setToolTip(QStringLiteral("Enter parcel number or identifier here"));
    lblIdentifier->setBuddy(txtIdentifier);

    // The dialog's result, read by the command that showed it.
    txtParcelID = new QLineEdit(this);
    txtParcelID->setObjectName(QStringLiteral("txtParcelID"));
    txtParcelID->hide();

    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Click here to start data entry"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Click here to cancel this task"));
    // Enter belongs to the boxes (it moves on, or runs OK once both are filled).
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmParcel::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmParcel::cmdCancel_Click);

    layout->addWidget(lblParcelType, 0, 0);
    layout->addWidget(cboParcelType, 0, 1);
    layout->addWidget(lblIdentifier, 1, 0);
    layout->addWidget(txtIdentifier, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons, 2, 0, 1, 2);

    cboParcelType->installEventFilter(this);
    if (cboParcelType->lineEdit())
        cboParcelType->lineEdit()->installEventFilter(this);
    txtIdentifier->installEventFilter(this);
}

void frmParcel::offerNextIdentifier() {
    prefill_.reset();
    // setText leaves the caret at the end, ready for a change of the number.
    txtIdentifier->setText(fromCore(SuggestNextIdentifier(toCore(cboParcelType->currentText()),
                                                          toCore(txtIdentifier->text()))));
}

void frmParcel::prefillFrom(const QString& oldIdentifier, bool withIdentifierText) {
    const std::string old = toCore(oldIdentifier);
    prefill_ = ParcelPrefill{ParcelTypeName(old), old};
    cboParcelType->setCurrentText(fromCore(prefill_->Type));
    txtIdentifier->setText(withIdentifierText ? fromCore(RenamePrefillText(old)) : QString());
    txtParcelID->clear();
}

void frmParcel::clearIdentifier() {
    txtIdentifier->clear();
}

QString frmParcel::askIdentifier() {
    txtParcelID->clear();
    exec();
    prefill_.reset();
    return txtParcelID->text();
}

QString frmParcel::parcelId() const {
    return txtParcelID->text();
}

void frmParcel::cmdOK_Click() {
    const Result<std::string> identifier = NewParcelIdentifier(
        toCore(cboParcelType->currentText()), toCore(txtIdentifier->text()), prefill_);
    if (!identifier) {
        // The dialog stays open for the entry to be put right.
        desktop_.showError(identifier.error());
        return;
    }
    txtParcelID->setText(fromCore(identifier.value()));
    hide();
}

void frmParcel::cmdCancel_Click() {
    txtIdentifier->clear();
    txtParcelID->clear();
    hide();
}

// Escape and closing the window are the Cancel button.
void frmParcel::reject() {
    cmdCancel_Click();
}

bool frmParcel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool inType = watched == cboParcelType || watched == cboParcelType->lineEdit();
    if (inType && isEnterKey(key)) {
        if (!cboParcelType->currentText().isEmpty())
            txtIdentifier->setFocus();
        return true;
    }
    if (watched == txtIdentifier && key == Qt::Key_Up) {
        cboParcelType->setFocus();
        return true;
    }
    if (watched == txtIdentifier && isEnterKey(key)) {
        if (!cboParcelType->currentText().isEmpty() && !txtIdentifier->text().isEmpty())
            cmdOK_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace corvane

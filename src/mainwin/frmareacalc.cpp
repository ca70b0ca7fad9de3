#include "mainwin/frmareacalc.h"

#include "core/edits/parcelcmds.h"
#include "core/files/polygons.h"
#include "platform/desktop.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace corvane {

frmAreaCalc::frmAreaCalc(PlanState& plan, Desktop& desktop, QWidget* parent)
    : QDialog(parent), plan_(plan), desktop_(desktop) {
    setObjectName(QStringLiteral("frmAreaCalc"));
    setModal(true);
    buildControls();
}

void frmAreaCalc::buildControls() {
    auto* layout = new QGridLayout(this);

    auto* lblArea = new QLabel(QStringLiteral("Area in Hectares"));
    lblArea->setObjectName(QStringLiteral("lblArea"));
    txtArea = new QLineEdit;
    txtArea->setObjectName(QStringLiteral("txtArea"));
    lblArea->setBuddy(txtArea);

    fraAreaType = new QGroupBox(QStringLiteral("Area Type"));
    fraAreaType->setObjectName(QStringLiteral("fraAreaType"));
    auto* types = new QVBoxLayout(fraAreaType);
    Option1 = new QRadioButton(QStringLiteral("Calculated"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Approximate"));
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3 = new QRadioButton(QStringLiteral("Deduced"));
    Option3->setObjectName(QStringLiteral("Option3"));
    Option1->setChecked(true);
    types->addWidget(Option1);
    types->addWidget(Option2);
    types->addWidget(Option3);

    cmdRecalc = new QPushButton(QStringLiteral("Recalc."));
    cmdRecalc->setObjectName(QStringLiteral("cmdRecalc"));
    cmdRecalc->setToolTip(QStringLiteral("Click here to recalculate an area"));
    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Click here to update the area"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Click here to close the form without updating"));
    cmdRecalc->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdRecalc, &QPushButton::clicked, this, &frmAreaCalc::cmdRecalc_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAreaCalc::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAreaCalc::cmdCancel_Click);

    // Set when the dialog was cancelled; the user never sees it.
    chkCancelFlag = new QCheckBox(this);
    chkCancelFlag->setObjectName(QStringLiteral("chkCancel"));
    chkCancelFlag->hide();

    layout->addWidget(lblArea, 0, 0);
    layout->addWidget(txtArea, 0, 1);
    layout->addWidget(fraAreaType, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRecalc);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void frmAreaCalc::setCaption(const QString& identifier) {
    setWindowTitle(identifier);
}

QString frmAreaCalc::caption() const {
    return windowTitle();
}

QString frmAreaCalc::areaText() const {
    return txtArea->text();
}

void frmAreaCalc::setArea(double squareMetres) {
    offeredArea_ = squareMetres;
    offeredText_ = fromCore(FormatArea(squareMetres, 1));
    txtArea->setText(offeredText_);
}

Result<double> frmAreaCalc::enteredArea() const {
    return AreaFromEntry(toCore(txtArea->text()), toCore(offeredText_), offeredArea_);
}

AreaDialog::AreaType frmAreaCalc::areaType() const {
    if (Option2->isChecked())
        return AreaType::Approximate;
    if (Option3->isChecked())
        return AreaType::Deduced;
    return AreaType::Calculated;
}

void frmAreaCalc::setAreaType(AreaType type) {
    switch (type) {
    case AreaType::Approximate:
        Option2->setChecked(true);
        break;
    case AreaType::Deduced:
        Option3->setChecked(true);
        break;
    case AreaType::Calculated:
        Option1->setChecked(true);
        break;
    }
}

void frmAreaCalc::setRecalcVisible(bool visible) {
    cmdRecalc->setVisible(visible);
}

void frmAreaCalc::setCancelVisible(bool visible) {
    cmdCancel->setVisible(visible);
}

bool frmAreaCalc::chkCancel() const {
    return chkCancelFlag->isChecked();
}

void frmAreaCalc::setChkCancel(bool cancelled) {
    chkCancelFlag->setChecked(cancelled);
}

void frmAreaCalc::showModal() {
    txtArea->setFocus();
    txtArea->selectAll();
    exec();
}

void frmAreaCalc::cmdOK_Click() {
    // Only an area the file can hold leaves the dialog: a number of hectares, 0 or more, or
    // the text the program offered.
    const Result<double> area = enteredArea();
    if (!area) {
        desktop_.showError(area.error());
        txtArea->setFocus();
        return;
    }
    hide();
}

void frmAreaCalc::cmdCancel_Click() {
    setChkCancel(true);
    hide();
}

// Escape and closing the window are Cancel where Cancel is offered; where it is not, the
// area must be confirmed with OK.
void frmAreaCalc::reject() {
    if (!cmdCancel->isHidden())
        cmdCancel_Click();
}

void frmAreaCalc::cmdRecalc_Click() {
    cmdRecalc->setEnabled(false);
    Result<RecalcResult> recalculated = Error{};
    {
        BusyCursor busy(desktop_);
        recalculated = Recalc(plan_, toCore(caption()));
    }
    cmdRecalc->setEnabled(true);
    if (!recalculated) {
        desktop_.showError(recalculated.error());
        return;
    }
    if (recalculated.value().MissingData) {
        setAreaType(AreaType::Approximate);
        desktop_.message(QString::fromLatin1(kRecalcMissingData), QString::fromLatin1(kRecalcTitle),
                         Icon::Exclamation);
        return;
    }
    setArea(recalculated.value().Area);
    setAreaType(AreaType::Calculated);
}

} // namespace corvane

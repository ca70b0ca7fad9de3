#include "traverse/frmcurve.h"
#include "platform/controls.h"

#include "core/files/planlock.h"
#include "core/model/records.h"
#include "platform/desktop.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

frmCurve::frmCurve(Desktop& desktop, const PlanState& plan, QWidget* parent)
    : QDialog(parent), desktop_(desktop), plan_(plan) {
    setObjectName(QStringLiteral("frmCurve"));
    setWindowTitle(QStringLiteral("Curve Data Entry Form"));

    auto* lineFrame = new QGroupBox(QStringLiteral("Traverse Line"), this);
    lblPoint1 = new QLabel(lineFrame);
    lblPoint1->setObjectName(QStringLiteral("lblPoint1"));
    lblPoint2 = new QLabel(lineFrame);
    lblPoint2->setObjectName(QStringLiteral("lblPoint2"));
    auto* lineLayout = new QFormLayout(lineFrame);
    lineLayout->addRow(QStringLiteral("From"), lblPoint1);
    lineLayout->addRow(QStringLiteral("To"), lblPoint2);

    auto* basicFrame = new QGroupBox(QStringLiteral("Enter basic curve data"), this);
    txtRadius = makeBox(basicFrame, "txtRadius");
    txtArc = makeBox(basicFrame, "txtArc");
    auto* basicLayout = new QFormLayout(basicFrame);
    basicLayout->addRow(QStringLiteral("Radius"), txtRadius);
    basicLayout->addRow(QStringLiteral("Arc Length"), txtArc);

    auto* directionFrame = new QGroupBox(QStringLiteral("Select curve direction"), this);
    optLeft = new QRadioButton(QStringLiteral("Left"), directionFrame);
    optLeft->setObjectName(QStringLiteral("optLeft"));
    optRight = new QRadioButton(QStringLiteral("Right"), directionFrame);
    optRight->setObjectName(QStringLiteral("optRight"));
    optRight->setChecked(true);
    auto* directionLayout = new QHBoxLayout(directionFrame);
    directionLayout->addWidget(optLeft);
    directionLayout->addWidget(optRight);

    auto* bearingFrame = new QGroupBox(QStringLiteral("Enter curve bearing"), this);
    txtTangentBng = makeBox(bearingFrame, "txtTangentBng");
    txtChordBng = makeBox(bearingFrame, "txtChordBng");
    auto* bearingLayout = new QFormLayout(bearingFrame);
    bearingLayout->addRow(QStringLiteral("Tangent Bearing"), txtTangentBng);
    bearingLayout->addRow(QStringLiteral("Chord Bearing"), txtChordBng);

    cmdCheck = MakeButton(this, "cmdCheck", QStringLiteral("Check"),
                          QStringLiteral("Check basic curve data"));
    cmdClear = MakeButton(this, "cmdClear", QStringLiteral("Clear"), QStringLiteral("Clear data"));
    cmdOK = MakeButton(this, "cmdOK", QStringLiteral("OK"), QStringLiteral("Save the curve data"));
    cmdCancel =
        MakeButton(this, "cmdCancel", QStringLiteral("Cancel"), QStringLiteral("Cancel the form"));
    chkChecked = new QCheckBox(QStringLiteral("Checked"), this);
    chkChecked->setObjectName(QStringLiteral("chkChecked"));
    chkChecked->setVisible(false);

    // Enter in a box formats it and moves on; it never presses a button for the user.
    for (QPushButton* button : {cmdCheck, cmdClear, cmdOK, cmdCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    for (QLineEdit* box : {txtRadius, txtArc, txtTangentBng, txtChordBng})
        box->installEventFilter(this);

    connect(cmdCheck, &QPushButton::clicked, this, &frmCurve::cmdCheck_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmCurve::cmdClear_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmCurve::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCurve::cmdCancel_Click);

    auto* grid = new QGridLayout;
    grid->addWidget(lineFrame, 0, 0);
    grid->addWidget(directionFrame, 0, 1);
    grid->addWidget(basicFrame, 1, 0);
    grid->addWidget(bearingFrame, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCheck);
    buttons->addWidget(cmdClear);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(chkChecked);
}

void frmCurve::LoadCurve(const CurveData& curve) {
    chkChecked->setChecked(false);
    lblPoint1->setText(fromCore(curve.FromPoint));
    lblPoint2->setText(fromCore(curve.ToPoint));
    txtRadius->setText(fromCore(curve.Radius));
    txtArc->setText(fromCore(curve.Arc));
    optLeft->setChecked(curve.Left());
    optRight->setChecked(!curve.Left());
    txtTangentBng->setText(fromCore(curve.TangentBearing));
    txtChordBng->setText(fromCore(curve.ChordBearing));
}

bool frmCurve::runModal() {
    txtRadius->setFocus();
    exec();
    return checked();
}

bool frmCurve::checked() const {
    return chkChecked->isChecked();
}

QString frmCurve::radiusText() const {
    return txtRadius->text();
}

QString frmCurve::arcText() const {
    return txtArc->text();
}

void frmCurve::reject() {
    cmdCancel_Click();
}

bool frmCurve::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == txtRadius) {
        enterLength(txtRadius, txtArc);
    } else if (watched == txtArc) {
        enterLength(txtArc, txtChordBng);
    } else if (watched == txtChordBng) {
        if (txtChordBng->text().isEmpty())
            txtTangentBng->setFocus();
        else if (enterBearing(txtChordBng))
            cmdOK->setFocus();
    } else if (watched == txtTangentBng) {
        if (!txtTangentBng->text().isEmpty() && enterBearing(txtTangentBng))
            cmdOK->setFocus();
    } else {
        return QDialog::eventFilter(watched, event);
    }
    return true;
}

CurveFields frmCurve::fields() const {
    CurveFields f;
    f.FromPoint = toCore(lblPoint1->text());
    f.ToPoint = toCore(lblPoint2->text());
    f.Radius = toCore(txtRadius->text());
    f.Arc = toCore(txtArc->text());
    f.Left = optLeft->isChecked();
    f.TangentBearing = toCore(txtTangentBng->text());
    f.ChordBearing = toCore(txtChordBng->text());
    return f;
}

void frmCurve::showMessage(const Error& message) {
    desktop_.showError(message);
}

void frmCurve::enterLength(QLineEdit* box, QWidget* next) {
    box->setText(fromCore(CurveLengthEnter(toCore(box->text()))));
    next->setFocus();
}

bool frmCurve::enterBearing(QLineEdit* box) {
    const CurveBearingEntry entry = CurveBearingEnter(toCore(box->text()));
    if (entry.message) {
        showMessage(*entry.message);
        box->setFocus();
        return false;
    }
    box->setText(fromCore(entry.text));
    return true;
}

void frmCurve::cmdCheck_Click() {
    const Result<std::string> check = CheckCurve(fields());
    if (!check) {
        showMessage(check.error());
        return;
    }
    desktop_.message(fromCore(check.value()), QStringLiteral("Curve Data"), Icon::Information);
}

void frmCurve::cmdClear_Click() {
    txtRadius->clear();
    txtArc->clear();
    txtChordBng->clear();
    txtTangentBng->clear();
    chkChecked->setChecked(false);
    txtRadius->setFocus();
}

void frmCurve::cmdOK_Click() {
    // The curve file is a file of the plan: not stored into a plan open read-only, nor into
    // one another user has taken over.
    if (Result<void> writable = PlanWritable(plan_, "the curve data"); !writable) {
        desktop_.showError(Error{writable.error().message, "Curve Data error"});
        return;
    }
    // The arc is checked only once it is stored; a refusal or a failed write keeps the window
    // open and the curve unchecked.
    const Result<void> stored = CurveOk(plan_.PlanPath, fields());
    if (!stored) {
        chkChecked->setChecked(false);
        desktop_.showError(stored.error());
        return;
    }
    chkChecked->setChecked(true);
    done(QDialog::Accepted);
}

void frmCurve::cmdCancel_Click() {
    done(QDialog::Rejected);
}

} // namespace corvane

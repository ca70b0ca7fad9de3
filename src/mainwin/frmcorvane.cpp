#include "mainwin/frmcorvane.h"
#include "mainwin/frmimport.h"
#include "tools/frmadjust.h"
#include "tools/frmmapgrid.h"
#include "tools/frmoffsides.h"
#include "tools/frmpartywall.h"
#include "tools/frmplancheck.h"
#include "tools/frmpsm.h"
#include "tools/frmscaled.h"

#include "core/base/textfile.h"
#include "core/files/network.h"
#include "core/files/planfiles.h"
#include "core/files/planlock.h"
#include "core/geometry/closure.h"
#include "mainwin/frmareacalc.h"
#include "mainwin/frmparcel.h"
#include "mainwin/startup.h"
#include "platform/controls.h"
#include "platform/windowsize.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "calculator/frmorvacalc.h"
#include "drawing/frmdrawplan.h"
#include "reports/frmcoords.h"
#include "reports/frmreport.h"
#include "reports/frmsummary.h"
#include "traverse/frmtraverse.h"

namespace corvane {

namespace {

const QString kProgramCaption = QStringLiteral("CORVANE");
const QString kAccuracySurveyed = QStringLiteral("Surveyed Polygons");
// 200 twips from the screen's top left corner.
constexpr int kWindowOffset = 13;

// The settings key of the size the user left the window at.
const QString kMainSizeKey = QStringLiteral("Main");

} // namespace

frmCorvane::frmCorvane(PlanState& plan, Desktop& desktop, const QString& commandLine,
                       QWidget* parent)
    : QMainWindow(parent), plan_(plan), desktop_(desktop),
      session_(std::make_unique<PlanSession>(plan, desktop, commandLine, *this)) {
    setObjectName(QStringLiteral("frmCorvane"));
    setWindowTitle(kProgramCaption);
    buildMenus();
    buildControls();
}

frmCorvane::~frmCorvane() {
    // The windows this window owns work through the session: they go first, while it and
    // this window are still whole (the plan windows unregister from the session as they go).
    // The session then gives the plan back to the office, even when the program was stopped
    // by its desktop without Exit.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow())
            delete child;
    session_.reset();
}

bool frmCorvane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstParcels && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstParcels_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QPushButton* frmCorvane::addButton(const QString& name, const QString& caption,
                                   const QString& tooltip, void (frmCorvane::*slot)()) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    if (!tooltip.isEmpty())
        button->setToolTip(tooltip);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

void frmCorvane::buildControls() {
    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);

    // The command buttons, each running the menu command of the same name.
    auto* buttons = new QVBoxLayout;
    auto* cmdOpen =
        addButton(QStringLiteral("cmdOpen"), QStringLiteral("O&pen..."),
                  QStringLiteral("Open a new CORVANE file"), &frmCorvane::mnuOpen_Click);
    auto* cmdPrint = addButton(QStringLiteral("cmdPrint"), QStringLiteral("P&rint..."),
                               QStringLiteral("Print a report"), &frmCorvane::mnuPrint_Click);
    cmdDrawPlan = addButton(QStringLiteral("cmdDrawPlan"), QStringLiteral("&Draw Plan..."),
                            QStringLiteral("Draw the lines"), &frmCorvane::mnuDrawPlan_Click);
    auto* cmdSummary = addButton(QStringLiteral("cmdSummary"), QStringLiteral("&Summary..."),
                                 QStringLiteral("Get a summary of closures and areas"),
                                 &frmCorvane::cmdSummary_Click);
    auto* cmdFixedWidth =
        addButton(QStringLiteral("cmdFixedWidth"), QStringLiteral("Fixed &Width Easements..."),
                  QStringLiteral("Enter Party Wall and other fixed width Easements"),
                  &frmCorvane::mnuPartyWalls_Click);
    auto* cmdNewParcel = addButton(QStringLiteral("cmdNewParcel"), QStringLiteral("&New Parcel..."),
                                   QString(), &frmCorvane::mnuNewParcel_Click);
    auto* cmdPSMs =
        addButton(QStringLiteral("cmdPSMs"), QStringLiteral("PS&M's..."),
                  QStringLiteral("Enter PSM to corner connections"), &frmCorvane::mnuPSMs_Click);
    auto* cmdConnections =
        addButton(QStringLiteral("cmdConnections"), QStringLiteral("&Connections..."),
                  QStringLiteral("Enter connection lines"), &frmCorvane::mnuConnections_Click);
    auto* cmdExit = addButton(QStringLiteral("cmdExit"), QStringLiteral("E&xit"),
                              QStringLiteral("Close CORVANE"), &frmCorvane::mnuExit_Click);
    for (QPushButton* button : {cmdOpen, cmdPrint, cmdDrawPlan, cmdSummary, cmdFixedWidth,
                                cmdNewParcel, cmdPSMs, cmdConnections})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(cmdExit);
    columns->addLayout(buttons);

    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);

    // The plan frame: the parcel list and the accuracy class.
    auto* fraPlan = new QGroupBox(QStringLiteral("Plan"));
    fraPlan->setObjectName(QStringLiteral("fraPlan"));
    auto* planLayout = new QGridLayout(fraPlan);
    auto* lblParcels = new QLabel(QStringLiteral("Parcel List - (double click to edit or view)"));
    lblParcels->setObjectName(QStringLiteral("lblParcels"));
    lstParcels = new QListWidget;
    lstParcels->setObjectName(QStringLiteral("lstParcels"));
    lstParcels->setToolTip(QStringLiteral("Double click a parcel to edit the data"));
    lblParcels->setBuddy(lstParcels);
    connect(lstParcels, &QListWidget::itemDoubleClicked, this, &frmCorvane::lstParcels_DblClick);
    // Enter on the list opens the selected parcel as a double click does.
    lstParcels->installEventFilter(this);
    auto* lblAccuracy = new QLabel(QStringLiteral("Accuracy Type"));
    lblAccuracy->setObjectName(QStringLiteral("lblAccuracy"));
    cboAccuracy = new QComboBox;
    cboAccuracy->setObjectName(QStringLiteral("cboAccuracy"));
    cboAccuracy->setEditable(true);
    // A typed class is checked against the list when the box is left, never added to it.
    cboAccuracy->setInsertPolicy(QComboBox::NoInsert);
    connect(cboAccuracy->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { acceptAccuracyText(); });
    connect(cboAccuracy, &QComboBox::activated, this, [this] { acceptAccuracyText(); });
    cboAccuracy->setToolTip(QStringLiteral("Select an accuracy type here"));
    cboAccuracy->setMinimumContentsLength(18);
    lblAccuracy->setBuddy(cboAccuracy);
    planLayout->addWidget(lblParcels, 0, 0);
    planLayout->addWidget(lstParcels, 1, 0, 3, 1);
    planLayout->addWidget(lblAccuracy, 0, 1);
    planLayout->addWidget(cboAccuracy, 1, 1);
    planLayout->setRowStretch(3, 1);
    planLayout->setColumnStretch(0, 1);
    right->addWidget(fraPlan, 1);

    // The survey data base frame.
    Frame1 = new QGroupBox(QStringLiteral("Survey Data Base Information - certified surveys only"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* sdbLayout = new QGridLayout(Frame1);
    Label1 = new QLabel(QStringLiteral("Surveyor's Name"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtSurveyor = new QLineEdit;
    txtSurveyor->setObjectName(QStringLiteral("txtSurveyor"));
    txtSurveyor->setToolTip(QStringLiteral("Enter the surveyor's full name here"));
    Label1->setBuddy(txtSurveyor);
    Label2 = new QLabel(QStringLiteral("Date of Field Survey"));
    Label2->setObjectName(QStringLiteral("Label2"));
    txtFieldDate = new QLineEdit;
    txtFieldDate->setObjectName(QStringLiteral("txtFieldDate"));
    txtFieldDate->setToolTip(QStringLiteral("Enter the date here eg 01/01/2000"));
    Label2->setBuddy(txtFieldDate);
    Label3 = new QLabel(QStringLiteral("Permanent Marks Gone"));
    Label3->setObjectName(QStringLiteral("Label3"));
    lstPSMsGone = new QListWidget;
    lstPSMsGone->setObjectName(QStringLiteral("lstPSMsGone"));
    Label3->setBuddy(lstPSMsGone);
    cmdAddPSM = addButton(QStringLiteral("cmdAddPSM"), QStringLiteral("&Add"),
                          QStringLiteral("Click here to add a PSM Gone to the list"),
                          &frmCorvane::cmdAddPSM_Click);
    cmdDeletePSM = addButton(QStringLiteral("cmdDeletePSM"), QStringLiteral("De&lete"),
                             QStringLiteral("Click here to delete a PSM Gone from the list"),
                             &frmCorvane::cmdDeletePSM_Click);
    // Set whenever the record changes; the user never sees it.
    chkSDBchange = new QCheckBox(this);
    chkSDBchange->setObjectName(QStringLiteral("chkSDBchange"));
    chkSDBchange->hide();
    connect(txtSurveyor, &QLineEdit::textChanged, this, &frmCorvane::txtSurveyor_Change);
    connect(txtFieldDate, &QLineEdit::textChanged, this, &frmCorvane::txtFieldDate_Change);
    connect(txtFieldDate, &QLineEdit::editingFinished, this, &frmCorvane::txtFieldDate_Finished);

    sdbLayout->addWidget(Label1, 0, 0);
    sdbLayout->addWidget(txtSurveyor, 0, 1, 1, 2);
    sdbLayout->addWidget(Label2, 1, 0);
    sdbLayout->addWidget(txtFieldDate, 1, 1, 1, 2);
    sdbLayout->addWidget(Label3, 2, 0, Qt::AlignTop);
    lstPSMsGone->setMaximumHeight(90);
    sdbLayout->addWidget(lstPSMsGone, 2, 1, 2, 1);
    auto* psmButtons = new QVBoxLayout;
    psmButtons->addWidget(cmdAddPSM);
    psmButtons->addWidget(cmdDeletePSM);
    psmButtons->addStretch();
    sdbLayout->addLayout(psmButtons, 2, 2, 2, 1);
    sdbLayout->setColumnStretch(1, 1);
    right->addWidget(Frame1);

    setCentralWidget(central);
    resize(640, 480);

    fileOptionWidgets_ = {cmdConnections, cmdPSMs,    cmdNewParcel, cmdPrint,     cmdFixedWidth,
                          cmdDrawPlan,    cmdSummary, cmdAddPSM,    cmdDeletePSM, Frame1,
                          Label1,         Label2,     Label3};
}

void frmCorvane::SetFileOptions(bool foptions) {
    for (QAction* action : fileOptionActions_)
        action->setEnabled(foptions);
    for (QWidget* widget : fileOptionWidgets_)
        widget->setEnabled(foptions);
}

bool frmCorvane::startUp() {
    if (!desktop_.claimSingleInstance()) {
        desktop_.message(QStringLiteral("CORVANE is already running"), kProgramCaption,
                         Icon::Exclamation);
        return false;
    }
    move(kWindowOffset, kWindowOffset);
    RestoreWindowSize(desktop_, *this, kMainSizeKey, size());
    calculator_ = new frmOrvaCalc(desktop_, this);
    calculator_->hide();
    // The dialogs and the summary window live for the whole run, hidden between uses.
    parcelDialog_ = new frmParcel(desktop_, this);
    areaDialog_ = new frmAreaCalc(plan_, desktop_, this);
    summary_ = new frmSummary(*session_, this);
    summary_->hide();
    report_ = new frmReport(*session_, this);
    report_->hide();
    coords_ = new frmCoords(*session_, this);
    coords_->hide();
    import_ = new frmImport(desktop_, this);
    import_->hide();
    connect(import_, &frmImport::imported, this,
            [this](const QString& lines, const QString& report) {
                // Network mode opens plans by their identifier on the share, never a file of
                // the disk: the open plan stays, and the user is told where the new one is.
                if (networkMode()) {
                    desktop_.message(QStringLiteral("The new plan was written to ") + lines +
                                         QStringLiteral("\nOpen it with CORVANE in local mode."),
                                     QStringLiteral("Import LandXML"), Icon::Information);
                    desktop_.openInTextEditor(report);
                    return;
                }
                // The new plan opens as Open opens a plan, its import report beside it.
                if (session_->openImported(lines, QStringLiteral("Import LandXML")))
                    desktop_.openInTextEditor(report);
            });
    partyWall_ = new frmPartyWall(*session_, this);
    partyWall_->hide();
    offsides_ = new frmOffsides(*session_, this);
    offsides_->hide();
    psm_ = new frmPSM(*session_, this);
    psm_->hide();
    scaled_ = new frmScaled(*session_, this);
    scaled_->hide();
    planView_ = new frmDrawPlan(*session_, this);
    planView_->hide();
    // Draw Plan comes back whenever the whole plan is no longer shown, whatever the view
    // shows at its closing; only while a plan is open, as every plan command.
    connect(planView_, &frmDrawPlan::viewClosed, this, [this](bool) {
        const bool planOpen = mnuView->menuAction()->isEnabled();
        mnuDrawPlan->setEnabled(planOpen);
        cmdDrawPlan->setEnabled(planOpen);
    });
    // The whole plan may be drawn from other windows (to show a line on it): Draw Plan goes
    // off whoever drew it.
    connect(planView_, &frmDrawPlan::viewShown, this, [this](bool wholePlan) {
        if (wholePlan) {
            mnuDrawPlan->setEnabled(false);
            cmdDrawPlan->setEnabled(false);
        }
    });
    traverse_ = new frmTraverse(*session_, this);
    traverse_->hide();
    adjust_ = new frmAdjust(*session_, this);
    adjust_->hide();
    planCheck_ = new frmPlanCheck(*session_, this);
    planCheck_->hide();
    mapGrid_ = new frmMapGrid(*session_, this);
    mapGrid_->hide();
    // A finding about a parcel opens the parcel as a double-click in the parcel list does.
    connect(planCheck_, &frmPlanCheck::parcelWanted, this,
            [this](const QString& identifier) { traverse_->openParcel(identifier); });
    for (const std::string& name : AccuracyClasses())
        cboAccuracy->addItem(fromCore(name));
    cboAccuracy->setCurrentText(kAccuracySurveyed);
    accuracy_ = kAccuracySurveyed;
    session_->setReportFont(ReportFontFromSettings(desktop_));
    plan_.PointNumberLimit = 5000;
    SetFileOptions(false);
    show();

    if (networkMode()) {
        mnuSave->setVisible(true);
        mnuClose->setVisible(true);
        const QString answer = desktop_.inputBox(QStringLiteral("Enter plan identifier eg: D12345"),
                                                 QStringLiteral("Open CORVANE file"));
        if (!answer.isEmpty())
            session_->OpenCorvane(answer);
    } else {
        mnuSave->setVisible(false);
        mnuClose->setVisible(false);
        const QString& commandLine = session_->commandLine();
        if (commandLine.toUpper().endsWith(QStringLiteral(".LNS")))
            session_->OpenCorvane(commandLine);
    }
    return true;
}

void frmCorvane::setQuitFunction(std::function<void()> quit) {
    quit_ = std::move(quit);
}

void frmCorvane::closeEvent(QCloseEvent* event) {
    if (!session_->exitDone() && !session_->ExitCorvane()) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmCorvane::endProgram() {
    StoreWindowSize(desktop_, *this, kMainSizeKey);
    emit programEnded();
    if (quit_)
        quit_();
    else
        QCoreApplication::quit();
}

QString frmCorvane::accuracyClass() const {
    if (cboAccuracy->currentText() != accuracy_)
        acceptAccuracyText();
    return accuracy_;
}

bool frmCorvane::acceptAccuracyText() const {
    const QString typed = cboAccuracy->currentText();
    if (const auto named = AccuracyClassNamed(toCore(typed))) {
        accuracy_ = fromCore(*named);
        if (typed != accuracy_)
            cboAccuracy->setCurrentText(accuracy_);
        return true;
    }
    // The class in force is shown again before the message, which takes the focus from the
    // box: leaving it must not refuse the same text twice.
    cboAccuracy->setCurrentText(accuracy_);
    desktop_.message(fromCore(UnknownAccuracyClassMessage(toCore(typed))) +
                         QStringLiteral("\nChoose a class from the list"),
                     QStringLiteral("Accuracy Type error"), Icon::Exclamation);
    return false;
}

AreaDialog* frmCorvane::areaDialog() {
    return areaDialog_;
}

QStringList frmCorvane::parcels() const {
    QStringList identifiers;
    for (int i = 0; i < lstParcels->count(); ++i)
        identifiers << lstParcels->item(i)->text();
    return identifiers;
}

QString frmCorvane::selectedParcel() const {
    const QList<QListWidgetItem*> selected = lstParcels->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void frmCorvane::addParcel(const QString& identifier, bool select) {
    lstParcels->addItem(identifier);
    if (select)
        lstParcels->setCurrentRow(lstParcels->count() - 1);
}

void frmCorvane::removeParcel(const QString& identifier) {
    for (int i = 0; i < lstParcels->count(); ++i) {
        if (lstParcels->item(i)->text() == identifier) {
            delete lstParcels->takeItem(i);
            return;
        }
    }
}

void frmCorvane::clearParcels() {
    lstParcels->clear();
    if (parcelDialog_)
        parcelDialog_->clearIdentifier();
}

void frmCorvane::renameParcel(const QString& oldIdentifier, const QString& newIdentifier) {
    for (int i = 0; i < lstParcels->count(); ++i) {
        if (lstParcels->item(i)->text() == oldIdentifier) {
            lstParcels->item(i)->setText(newIdentifier);
            return;
        }
    }
}

void frmCorvane::mnuOpen_Click() {
    session_->openAsked();
}

void frmCorvane::mnuSave_Click() {
    session_->save();
}

void frmCorvane::mnuSaveAs_Click() {
    session_->saveAs();
}

void frmCorvane::mnuClose_Click() {
    session_->closeProgram();
}

void frmCorvane::mnuExit_Click() {
    session_->ExitCorvane();
}

void frmCorvane::cmdSummary_Click() {
    summary_->openSummary();
}

void frmCorvane::ShowError(const Error& error) {
    desktop_.showError(error);
}

void frmCorvane::ShowErrors(const std::vector<Error>& errors) {
    for (const Error& error : errors)
        ShowError(error);
}

} // namespace corvane

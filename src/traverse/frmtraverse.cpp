#include "traverse/frmtraverse.h"
#include "platform/controls.h"
#include "platform/windowsize.h"
#include "traverse/messageicon.h"

#include "core/bearing.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/pointlabel.h"
#include "core/polygons.h"
#include "core/textfile.h"
#include "core/traversegrid.h"
#include "traverse/frmcurve.h"
#include "traverse/toolbaricons.h"

#include <QMenuBar>

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace corvane {

namespace {

// The grid's column widths in characters: "      |From             |To               |Bearing
// |Distance        ".
constexpr int kColumnChars[] = {6, 17, 17, 15, 16};

// The settings key of the size the user left the window at.
const QString kSizeKey = QStringLiteral("Traverse");

// Twips (1/1440 inch) to pixels of a widget's screen.
int twips(const QWidget* widget, int value) {
    return value * widget->logicalDpiX() / 1440;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& tip) {
    // Enter belongs to the grid: no button of this window takes it as its default.
    QPushButton* button = MakeButton(parent, name, caption, tip);
    button->setAutoDefault(false);
    return button;
}

// The grid rows of the lines edit: every live line in file order, unlinked.
GridRows EditLineRows(const PlanState& plan) {
    GridRows rows;
    rows.reserve(plan.PlanLines.size());
    for (const LineRecord& line : plan.PlanLines) {
        if (!(line.Distance > 0))
            continue;
        GridRow row;
        row[ColFrom] = PointNumberToLabel(line.FromPoint);
        row[ColTo] = PointNumberToLabel(line.ToPoint);
        if (line.Bearing > kArcBearingBase)
            row[ColBearing] = "R" + Format(line.Bearing - kArcBearingBase, "0.000");
        else if (line.Bearing > 360)
            row[ColBearing] = kNoData;
        else
            row[ColBearing] = BearingText(line.Bearing);
        row[ColDistance] = DistanceText(line.Distance);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

frmTraverse::frmTraverse(PlanHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("frmTraverse"));
    setWindowTitle(QStringLiteral("Traverse Form"));
    buildControls();
    curve_ = new frmCurve(host_.desktop(), host_.plan(), this);
    placeOnScreen();
    host_.registerPlanWindow(this);
}

frmTraverse::~frmTraverse() {
    // The grid goes before the window's widgets: the line grid must no longer see them.
    removeEventFilter(lineGrid_);
    host_.unregisterPlanWindow(this);
}

void frmTraverse::buildControls() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addTool("Increment", QStringLiteral("+Point"),
            QStringLiteral("Increment point number Shortcut = +"));
    addTool("Decrement", QStringLiteral("-Point"),
            QStringLiteral("Decrement point number Shortcut = -"));
    addTool("NewPoint", QStringLiteral("New Point"),
            QStringLiteral("Get next free point number Shortcut = F3"));
    addTool("NoData", QStringLiteral("No Data"),
            QStringLiteral("Show no data for bearing or distance Shortcut = F5"));
    addTool("Curve", QStringLiteral("Curve"),
            QStringLiteral("Insert curve data for this line Shortcut = F8"));
    addTool("Calculator", QStringLiteral("Calculator"),
            QStringLiteral("Call up Survey Calculator Shortcut = F9"));
    addTool("Insert", QStringLiteral("Insert"), QStringLiteral("Insert a line"));
    addTool("Delete", QStringLiteral("Delete"), QStringLiteral("Delete a line"));

    lineGrid_ = new LineGrid(this, grid_, *this,
                             {QString(), QStringLiteral("From"), QStringLiteral("To"),
                              QStringLiteral("Bearing"), QStringLiteral("Distance")},
                             {kColumnChars, kColumnChars + 5}, "ttext");
    Grid1 = lineGrid_->view();
    ttext = lineGrid_->editor();

    cmdOK = makeButton(this, "cmdOK", QStringLiteral("OK"),
                       QStringLiteral("Save the data and cancel the form"));
    cmdOK->installEventFilter(this);
    cmdCancel =
        makeButton(this, "cmdCancel", QStringLiteral("Cancel"), QStringLiteral("Cancel the form"));
    cmdClosure = makeButton(this, "cmdClosure", QStringLiteral("C&losure"),
                            QStringLiteral("Calculate the closure"));
    cmdDraw =
        makeButton(this, "cmdDraw", QStringLiteral("Dra&w..."), QStringLiteral("Draw the lines"));
    cmdPrint = makeButton(this, "cmdPrint", QStringLiteral("&Print"),
                          QStringLiteral("Print the traverse data"));
    cmdFindError =
        makeButton(this, "cmdFindError", QStringLiteral("Find error"),
                   QStringLiteral("List the figures that would close the traverse (F6)"));
    connect(cmdFindError, &QPushButton::clicked, this, [this] { cmdFindError_Click(); });
    cmdFind =
        makeButton(this, "cmdFind", QStringLiteral("Find"), QStringLiteral("Find search text"));
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdClosure, &QPushButton::clicked, this, [this] { cmdClosure_Click(); });
    connect(cmdDraw, &QPushButton::clicked, this, [this] { cmdDraw_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });

    auto* searchFrame = new QGroupBox(QStringLiteral("Search text"), this);
    txtFind = new QLineEdit(searchFrame);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    connect(txtFind, &QLineEdit::returnPressed, this, [this] { cmdFind_Click(); });
    optPointNo = new QRadioButton(QStringLiteral("Point No."), searchFrame);
    optPointNo->setObjectName(QStringLiteral("optPointNo"));
    optPointNo->setChecked(true);
    optBearing = new QRadioButton(QStringLiteral("Bearing"), searchFrame);
    optBearing->setObjectName(QStringLiteral("optBearing"));
    optDistance = new QRadioButton(QStringLiteral("Distance"), searchFrame);
    optDistance->setObjectName(QStringLiteral("optDistance"));
    auto* searchLayout = new QHBoxLayout(searchFrame);
    searchLayout->addWidget(txtFind, 1);
    searchLayout->addWidget(optPointNo);
    searchLayout->addWidget(optBearing);
    searchLayout->addWidget(optDistance);
    searchLayout->addWidget(cmdFind);

    // The search frame goes under the command buttons, so the window can be as narrow as its
    // grid.
    auto* buttons = new QVBoxLayout;
    auto* commands = new QHBoxLayout;
    for (QPushButton* button : {cmdOK, cmdCancel, cmdClosure, cmdFindError, cmdDraw, cmdPrint})
        commands->addWidget(button);
    commands->addStretch(1);
    buttons->addLayout(commands);
    buttons->addWidget(searchFrame);

    // The grid fills the window between the toolbar and the buttons, which keep a margin
    // above the bottom edge.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, twips(this, 200));
    layout->setMenuBar(lineGrid_->makeEditMenuBar(this));
    Toolbar1->addSeparator();
    Toolbar1->addAction(lineGrid_->undoAction());
    Toolbar1->addAction(lineGrid_->redoAction());
    layout->addWidget(Toolbar1);
    layout->addWidget(Grid1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(twips(this, 120), 0, twips(this, 120), 0);
    bottom->addLayout(buttons);
    layout->addLayout(bottom);
}

QAction* frmTraverse::addTool(const char* key, const QString& caption, const QString& tip) {
    QAction* action = Toolbar1->addAction(TraverseToolIcon(QLatin1String(key)), caption);
    action->setObjectName(QLatin1String(key));
    action->setData(QLatin1String(key));
    action->setToolTip(tip);
    const QString name = QLatin1String(key);
    connect(action, &QAction::triggered, this, [this, name] { Toolbar1_ButtonClick(name); });
    return action;
}

void frmTraverse::placeOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // A margin at the top left and the bottom 200 twips above the screen's; as wide as the
    // grid's columns, so no empty grid stands beside them, unless the user left it otherwise.
    const QRect area = screen->availableGeometry();
    const int margin = twips(this, 200);
    const int gridWidth = lineGrid_->columnsWidth();
    move(area.x() + margin, area.y() + margin);
    RestoreWindowSize(host_.desktop(), *this, kSizeKey,
                      QSize(gridWidth, area.height() - 2 * margin));
}

void frmTraverse::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        StoreWindowSize(host_.desktop(), *this, kSizeKey);
    QWidget::hideEvent(event);
}

bool frmTraverse::editorVisible() const {
    return lineGrid_->editorVisible();
}

bool frmTraverse::isPlanWindowOpen() const {
    return isVisible();
}

void frmTraverse::closeForPlanChange() {
    if (!isVisible())
        return;
    runCancel(false);
    // The plan is changing: the window closes even when its lines could not be saved.
    hideEditor();
    hide();
}

void frmTraverse::closeEvent(QCloseEvent* event) {
    if (runCancel())
        event->accept();
    else
        event->ignore();
}

bool frmTraverse::prepareOpening() {
    // A window still open on other rows settles them first, as its Cancel does.
    if (isVisible() && !runCancel())
        return false;
    hideEditor();
    return true;
}

void frmTraverse::beginMode(bool parcel, bool edit, const std::string& caption) {
    ClearTraverseGrid(grid_);
    grid_.chkParcel = parcel;
    grid_.chkEdit = edit;
    grid_.caption = caption;
    cmdClosure->setEnabled(!edit);
    cmdFindError->setEnabled(parcel && !edit);
    cmdDraw->setEnabled(!edit);
    showCaption();
}

// The window's title: the table's caption (the parcel identifier, or the mode) and the plan
// it belongs to, so two plans' traverses are never mistaken for each other.
void frmTraverse::showCaption() {
    const std::string planName = FileNameOf(plan().PlanPath);
    setWindowTitle(fromCore(planName.empty() ? grid_.caption : grid_.caption + " - " + planName));
}

void frmTraverse::showOpened() {
    // The rows are as new as the lines file now: a later change of the file refuses them.
    filledStamp_ = CurrentLinesStamp(plan());
    grid_.row = 1;
    grid_.col = ColFrom;
    reloadGrid();
    lineGrid_->resetHistory();
    show();
    raise();
    activateWindow();
    Grid1->setFocus();
}

// The lines are read from the file when they are not current; a refused file is reported.
bool frmTraverse::loadLinesIfNeeded() {
    if (LinesCurrent(plan()))
        return true;
    Status loaded = LoadLines(plan());
    if (!loaded)
        showError(loaded.error());
    return loaded.ok();
}

bool frmTraverse::openParcel(const QString& identifier) {
    if (!prepareOpening())
        return false;
    const std::string id = toCore(identifier);
    if (!ParcelExists(plan().PlanPath, id)) {
        desktop().message(QStringLiteral("Data for parcel missing"),
                          QStringLiteral("Load Parcel error"), Icon::Exclamation);
        return false;
    }
    if (!loadLinesIfNeeded())
        return false;
    auto rows = LoadParcelLines(plan(), id, false);
    if (!rows) {
        showError(rows.error());
        return false;
    }
    beginMode(true, false, id);
    SetGridRows(grid_, std::move(rows).value(), plan());
    showOpened();
    return true;
}

bool frmTraverse::openNewParcel(const QString& identifier, bool existing) {
    if (!prepareOpening())
        return false;
    const std::string id = toCore(identifier);
    if (!loadLinesIfNeeded())
        return false;
    GridRows rows;
    if (existing) {
        auto loaded = LoadParcelLines(plan(), id, false);
        if (!loaded) {
            showError(loaded.error());
            return false;
        }
        rows = std::move(loaded).value();
    }
    beginMode(true, false, id);
    SetGridRows(grid_, std::move(rows), plan());
    showOpened();
    return true;
}

bool frmTraverse::openConnections() {
    if (!prepareOpening())
        return false;
    if (!loadLinesIfNeeded())
        return false;
    beginMode(false, false, "Add Connection Lines");
    showOpened();
    return true;
}

bool frmTraverse::openEditLines() {
    if (!prepareOpening())
        return false;
    if (!loadLinesIfNeeded())
        return false;
    if (!plan().chkArray || plan().PlanLines.empty()) {
        desktop().message(QStringLiteral("No lines found to edit"),
                          QStringLiteral("Edit Lines error"), Icon::Exclamation);
        return false;
    }
    Status backup = BackupFile(PlanFile(plan().PlanPath, ".lns"));
    if (!backup) {
        showError(backup.error());
        return false;
    }
    beginMode(false, true, "Edit Lines");
    SetGridRows(grid_, EditLineRows(plan()), plan());
    // The window owns the lines now and writes the lines file when they are stored.
    plan().PlanLines.clear();
    plan().PlanPoints.clear();
    plan().PointTop = 0;
    plan().chkArray = false;
    showOpened();
    return true;
}

void frmTraverse::reloadGrid() {
    lineGrid_->reload();
}

void frmTraverse::showGrid() {
    lineGrid_->showGrid();
}

void frmTraverse::showMessage(const TraverseMessage& message) {
    desktop().message(fromCore(message.text), fromCore(message.title), IconOf(message.icon));
}

void frmTraverse::showError(const Error& error, Icon icon) {
    desktop().message(fromCore(error.message), fromCore(error.title), icon);
}

QuestionFn frmTraverse::questioner() {
    return [this](const std::string& text, const std::string& title) {
        const Answer answer = desktop().message(fromCore(text), fromCore(title), Icon::Question,
                                                Buttons::YesNo, Answer::Yes);
        return answer == Answer::Yes ? Reply::Yes : Reply::No;
    };
}

std::optional<CurveTable> frmTraverse::readCurves() {
    auto curves = ReadCurveFile(plan().PlanPath);
    if (!curves) {
        showError(curves.error());
        return std::nullopt;
    }
    return std::move(curves).value();
}

std::string frmTraverse::accuracyClass() const {
    return toCore(host_.accuracyClass());
}

} // namespace corvane

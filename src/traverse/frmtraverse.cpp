#include "traverse/frmtraverse.h"
#include "platform/controls.h"
#include "platform/windowsize.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/grid/traversegrid.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "traverse/frmcurve.h"
#include "traverse/toolbaricons.h"

#include <QMenuBar>

#include <QAction>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

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
    // The grid's steps going with it no longer reach the closure panel.
    disconnect(lineGrid_->undoStack(), nullptr, this, nullptr);
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
    // A cell left by a click is stored without the grid being shown anew: every step the
    // rows take (typing, paste, delete, undo) is followed by the closure panel.
    connect(lineGrid_->undoStack(), &QUndoStack::indexChanged, this,
            [this] { showClosurePanel(); });
    Grid1 = lineGrid_->view();
    ttext = lineGrid_->editor();

    cmdOK = makeButton(this, "cmdOK", QStringLiteral("&OK"),
                       QStringLiteral("Save the data and cancel the form"));
    cmdOK->installEventFilter(this);
    cmdCancel =
        makeButton(this, "cmdCancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel the form"));
    cmdClosure = makeButton(this, "cmdClosure", QStringLiteral("C&losure"),
                            QStringLiteral("Calculate the closure"));
    cmdDraw =
        makeButton(this, "cmdDraw", QStringLiteral("Dra&w..."), QStringLiteral("Draw the lines"));
    cmdPrint = makeButton(this, "cmdPrint", QStringLiteral("&Print"),
                          QStringLiteral("Print the traverse data"));
    cmdFindError =
        makeButton(this, "cmdFindError", QStringLiteral("Find e&rror"),
                   QStringLiteral("List the figures that would close the traverse (F6)"));
    connect(cmdFindError, &QPushButton::clicked, this, [this] { cmdFindError_Click(); });
    cmdFind =
        makeButton(this, "cmdFind", QStringLiteral("&Find"), QStringLiteral("Find search text"));
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

    // The closure panel: the closure box's figures, kept in step with the rows. The verdict
    // can be reached and copied from the keyboard; the figures by the mouse.
    fraClosure = new QGroupBox(QStringLiteral("Closure"), this);
    fraClosure->setObjectName(QStringLiteral("fraClosure"));
    auto* figures = new QFormLayout(fraClosure);
    auto figure = [&](const char* name, const QString& caption) {
        auto* label = new QLabel(fraClosure);
        label->setObjectName(QLatin1String(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures->addRow(caption, label);
        return label;
    };
    lblClosingBearing = figure("lblClosingBearing", QStringLiteral("Closing bearing"));
    lblClosingDistance = figure("lblClosingDistance", QStringLiteral("Closing distance"));
    lblRatio = figure("lblRatio", QStringLiteral("Closure ratio"));
    lblAllowable = figure("lblAllowable", QStringLiteral("Allowable misclosure"));
    lblArea = figure("lblArea", QStringLiteral("Area"));
    lblVerdict = new QLabel(fraClosure);
    lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
    lblVerdict->setWordWrap(true);
    lblVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblVerdict->setFocusPolicy(Qt::StrongFocus);
    // Wide enough for the longest verdict without the panel changing width as rows change.
    lblVerdict->setMinimumWidth(
        lblVerdict->fontMetrics().horizontalAdvance(QStringLiteral("MISCLOSURE NOT ACCEPTABLE")));
    figures->addRow(lblVerdict);

    // The grid fills the window between the toolbar and the buttons, which keep a margin
    // above the bottom edge; the closure panel stands beside it.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, twips(this, 200));
    layout->setMenuBar(lineGrid_->makeEditMenuBar(this));
    Toolbar1->addSeparator();
    Toolbar1->addAction(lineGrid_->undoAction());
    Toolbar1->addAction(lineGrid_->redoAction());
    layout->addWidget(Toolbar1);
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, twips(this, 120), 0);
    middle->addWidget(Grid1, 1);
    middle->addWidget(fraClosure, 0, Qt::AlignTop);
    layout->addLayout(middle, 1);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(twips(this, 120), 0, twips(this, 120), 0);
    bottom->addLayout(buttons);
    layout->addLayout(bottom);

    // Tab goes from the grid to the closure panel, then along the buttons from left to right
    // and on to the search.
    QWidget* previous = Grid1;
    for (QWidget* next : std::initializer_list<QWidget*>{
             lblVerdict, cmdOK, cmdCancel, cmdClosure, cmdFindError, cmdDraw, cmdPrint, txtFind,
             optPointNo, optBearing, optDistance, cmdFind}) {
        setTabOrder(previous, next);
        previous = next;
    }
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

QRect frmTraverse::FitOnScreen(const QRect& wanted, const QRect& available) {
    QRect fitted(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    fitted.moveLeft(
        std::clamp(fitted.left(), available.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(
        std::clamp(fitted.top(), available.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

void frmTraverse::placeOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // A margin at the top left and the bottom 200 twips above the screen's, the title bar
    // allowed for; as wide as the grid's columns and the closure panel (and the whole
    // toolbar, so that no tool hides behind its overflow), unless the user left it otherwise.
    // A grid longer than the window scrolls.
    const QRect area = screen->availableGeometry();
    const int margin = twips(this, 200);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int width =
        std::max(lineGrid_->columnsWidth() + fraClosure->sizeHint().width() + twips(this, 240),
                 Toolbar1->sizeHint().width());
    RestoreWindowSize(host_.desktop(), *this, kSizeKey,
                      QSize(width, area.height() - 2 * margin - titleBar));
    const QRect frame = FitOnScreen(
        QRect(QPoint(area.x() + margin, area.y() + margin), size() + QSize(0, titleBar)), area);
    move(frame.topLeft());
    resize(frame.width(), frame.height() - titleBar);
}

void frmTraverse::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isVisible())
        showClosurePanel();
    QWidget::changeEvent(event);
}

void frmTraverse::gridShown() {
    showCaption();
    showClosurePanel();
}

void frmTraverse::showClosurePanel() {
    // Still being built, or the whole lines file, which has no closure to show.
    if (!lblVerdict || grid_.chkEdit)
        return;
    // The lines file's arcs are read only when a row is an arc; a curve file that cannot be
    // read leaves those arcs without data, and the panel says so.
    CurveTable curves;
    const bool arcs = std::any_of(grid_.rows.begin(), grid_.rows.end(), [](const GridRow& row) {
        return !row[ColBearing].empty() && row[ColBearing].front() == 'R';
    });
    if (arcs && !plan().PlanPath.empty())
        if (auto read = ReadCurveFile(plan().PlanPath))
            curves = std::move(read).value();
    const ClosureGlance glance = GlanceAtClosure(grid_, accuracyClass(), curves);
    const QString none = QStringLiteral("-");
    auto put = [&](QLabel* label, const std::string& text) {
        label->setText(text.empty() ? none : fromCore(text));
    };
    put(lblClosingBearing, glance.bearing);
    put(lblClosingDistance, glance.distance);
    put(lblRatio, glance.ratio);
    put(lblAllowable, glance.allowable);
    put(lblArea, glance.area);
    lblVerdict->setText(fromCore(glance.verdict));
    QColor colour(0x60, 0x60, 0x60);
    if (glance.state == ClosureVerdict::Within)
        colour = QColor(0x00, 0x80, 0x00);
    else if (glance.state == ClosureVerdict::Outside)
        colour = QColor(0xC0, 0x00, 0x00);
    QPalette palette = lblVerdict->palette();
    palette.setColor(QPalette::WindowText, colour);
    lblVerdict->setPalette(palette);
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
    // The whole lines file is no traverse: it has no closure to show.
    fraClosure->setVisible(!edit);
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
    Result<void> loaded = LoadLines(plan());
    if (!loaded)
        showError(loaded.error());
    return loaded.ok();
}

bool frmTraverse::openParcel(const QString& identifier) {
    if (!prepareOpening())
        return false;
    const std::string id = toCore(identifier);
    const Result<bool> exists = ParcelExists(plan().PlanPath, id);
    if (!exists) {
        showError(exists.error());
        return false;
    }
    if (!exists.value()) {
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
    Result<void> backup = BackupFile(PlanFile(plan().PlanPath, ".lns"));
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

void frmTraverse::showMessage(const Error& message) {
    desktop().showError(message);
}

void frmTraverse::showError(const Error& error) {
    desktop().showError(error);
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

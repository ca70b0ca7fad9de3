#include "tools/frmpartywall.h"

#include "core/base/numtext.h"
#include "core/geometry/plancoords.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"
#include "drawing/frmdrawplan.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace corvane {

namespace {

QLineEdit* box(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

frmPartyWall::frmPartyWall(PlanHost& host, QWidget* parent)
    : ToolWindow(host, parent, "frmPartyWall", QStringLiteral("Fixed Width Easement Form"),
                 GridKind::Strip,
                 {QString(), QStringLiteral("From"), QStringLiteral("To"),
                  QStringLiteral("Bearing"), QStringLiteral("Distance"), QStringLiteral("Width")},
                 {6, 15, 15, 15, 15, 17}, "Text1") {
    buildControls();
    resize(lineGrid_->columnsWidth() + 40, 560);
}

void frmPartyWall::buildControls() {
    auto* gridFrame = new QGroupBox(QStringLiteral("Enter traverse lines"), this);
    auto* gridLayout = new QVBoxLayout(gridFrame);
    gridLayout->addWidget(lineGrid_->view());

    auto* sideFrame =
        new QGroupBox(QStringLiteral("Select the side that has the traverse data"), this);
    optLeft = new QRadioButton(QStringLiteral("Left side"), sideFrame);
    optLeft->setObjectName(QStringLiteral("optLeft"));
    optLeft->setChecked(true);
    optRight = new QRadioButton(QStringLiteral("Right side"), sideFrame);
    optRight->setObjectName(QStringLiteral("optRight"));
    auto* sideLayout = new QHBoxLayout(sideFrame);
    sideLayout->addWidget(optLeft);
    sideLayout->addWidget(optRight);

    auto* bearingFrame = new QGroupBox(
        QStringLiteral("Enter bearings for ends of easement (not required for party walls)"), this);
    txtStartBearing = box(bearingFrame, "txtStartBearing");
    txtEndBearing = box(bearingFrame, "txtEndBearing");
    auto* bearingLayout = new QGridLayout(bearingFrame);
    bearingLayout->addWidget(new QLabel(QStringLiteral("From first point"), bearingFrame), 0, 0);
    bearingLayout->addWidget(txtStartBearing, 0, 1);
    bearingLayout->addWidget(new QLabel(QStringLiteral("From last point"), bearingFrame), 1, 0);
    bearingLayout->addWidget(txtEndBearing, 1, 1);

    auto* pointFrame = new QGroupBox(
        QStringLiteral("Enter Point Numbers for ends of easement (not required for party walls)"),
        this);
    txtFirstPoint = box(pointFrame, "txtFirstPoint");
    txtEndPoint = box(pointFrame, "txtEndPoint");
    auto* pointLayout = new QGridLayout(pointFrame);
    pointLayout->addWidget(new QLabel(QStringLiteral("From first point"), pointFrame), 0, 0);
    pointLayout->addWidget(txtFirstPoint, 0, 1);
    pointLayout->addWidget(new QLabel(QStringLiteral("From last point"), pointFrame), 1, 0);
    pointLayout->addWidget(txtEndPoint, 1, 1);
    pointLayout->addWidget(
        new QLabel(QStringLiteral("(Press F3 key to get next point number)"), pointFrame), 2, 0, 1,
        2);
    for (QLineEdit* edit : {txtStartBearing, txtEndBearing, txtFirstPoint, txtEndPoint})
        edit->installEventFilter(this);

    txtCount = box(this, "txtCount");
    txtCount->setText(QStringLiteral("0"));
    txtCount->setReadOnly(true);
    txtCount->setMaximumWidth(40);
    chkChange = new QCheckBox(QStringLiteral("Change"), this);
    chkChange->setObjectName(QStringLiteral("chkChange"));
    // The flag is the window's own record of an edit, shown but not set by hand.
    chkChange->setEnabled(false);

    auto* cmdPlus =
        button("cmdPlus", QStringLiteral("+"), QStringLiteral("Add 1 to the last point number"));
    auto* cmdMinus = button("cmdMinus", QStringLiteral("-"),
                            QStringLiteral("Subtract 1 from the last point number"));
    auto* cmdNewPoint = button("cmdNewPoint", QStringLiteral("New Point"),
                               QStringLiteral("Get the next free point number (F3)"));
    auto* cmdNoData = button("cmdNoData", QStringLiteral("No Data"),
                             QStringLiteral("Enter a No Data distance (F5)"));
    auto* cmdInsert = button("cmdInsert", QStringLiteral("Insert Line"),
                             QStringLiteral("Insert a line in the grid"));
    auto* cmdDelete = button("cmdDelete", QStringLiteral("Delete Line"),
                             QStringLiteral("Delete a line in the grid"));
    auto* cmdClear =
        button("cmdClear", QStringLiteral("Clear"), QStringLiteral("Clear the data from the form"));
    cmdDraw = button("cmdDraw", QStringLiteral("Draw..."), QStringLiteral("Draw the parcel"));
    auto* cmdOK = button("cmdOK", QStringLiteral("OK"), QStringLiteral("Save the parcel"));
    auto* cmdCancel = button("cmdCancel", QStringLiteral("Cancel"),
                             QStringLiteral("Close the form without saving"));

    connect(cmdPlus, &QPushButton::clicked, this,
            [this] { lineGrid_->plusMinus(QStringLiteral("+")); });
    connect(cmdMinus, &QPushButton::clicked, this,
            [this] { lineGrid_->plusMinus(QStringLiteral("-")); });
    connect(cmdNewPoint, &QPushButton::clicked, this, [this] { newPointKey(); });
    connect(cmdNoData, &QPushButton::clicked, this, [this] { noDataKey(); });
    connect(cmdInsert, &QPushButton::clicked, this, [this] {
        lineGrid_->hideEditor();
        InsertLine(grid_);
        lineGrid_->showGrid();
        lineGrid_->view()->setFocus();
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] {
        lineGrid_->hideEditor();
        DeleteLine(grid_, plan());
        lineGrid_->showGrid();
        lineGrid_->view()->setFocus();
    });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(cmdDraw, &QPushButton::clicked, this, [this] { cmdDraw_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cancelWindow(); });

    auto* edits = new QHBoxLayout;
    for (QPushButton* b : {cmdPlus, cmdMinus, cmdNewPoint, cmdNoData, cmdInsert, cmdDelete})
        edits->addWidget(b);
    edits->addStretch(1);
    auto* commands = new QHBoxLayout;
    commands->addWidget(txtCount);
    commands->addWidget(chkChange);
    commands->addStretch(1);
    for (QPushButton* b : {cmdClear, cmdDraw, cmdOK, cmdCancel})
        commands->addWidget(b);
    auto* ends = new QHBoxLayout;
    ends->addWidget(bearingFrame);
    ends->addWidget(pointFrame);

    auto* layout = new QVBoxLayout(this);
    addUndoControls(layout);
    layout->addWidget(gridFrame, 1);
    layout->addLayout(edits);
    layout->addWidget(sideFrame);
    layout->addLayout(ends);
    layout->addLayout(commands);
}

int frmPartyWall::stripCount() const {
    return static_cast<int>(Val(toCore(txtCount->text())));
}

void frmPartyWall::openStrip(const QString& identifier) {
    identifier_ = identifier;
    setWindowTitle(identifier);
    // The first strip of this traverse was saved: the second lies on its other side. The
    // side turns once per save, so asking again without saving keeps the side the user sees.
    if (turnSide_ && !grid_.rows.empty() && !grid_.cell(1, ColFrom).empty()) {
        if (optLeft->isChecked())
            optRight->setChecked(true);
        else
            optLeft->setChecked(true);
    }
    turnSide_ = false;
    grid_.row = 1;
    grid_.col = ColFrom;
    showOpened();
}

StripOptions frmPartyWall::options() const {
    StripOptions o;
    o.rightSide = optRight->isChecked();
    o.startBearing = toCore(txtStartBearing->text().trimmed());
    o.endBearing = toCore(txtEndBearing->text().trimmed());
    o.firstPoint = toCore(txtFirstPoint->text().trimmed());
    o.endPoint = toCore(txtEndPoint->text().trimmed());
    return o;
}

void frmPartyWall::gridShown() {
    chkChange->setChecked(grid_.chkChange);
}

bool frmPartyWall::gridFunctionKey(int key) {
    switch (key) {
    case Qt::Key_F3:
        newPointKey();
        return true;
    case Qt::Key_F5:
        noDataKey();
        return true;
    case Qt::Key_F9:
        calculatorKey();
        return true;
    default:
        return false;
    }
}

bool frmPartyWall::editorFunctionKey(int key, int col) {
    if (key != Qt::Key_F5 || col != ColDistance)
        return false;
    lineGrid_->editor()->setText(QString::fromLatin1(kNoData));
    lineGrid_->commitEditor();
    return true;
}

void frmPartyWall::newPointKey() {
    if (grid_.col != ColFrom && grid_.col != ColTo)
        return;
    lineGrid_->commitText(Format(PartyFreePoint(grid_, plan(), options()), "0"));
}

void frmPartyWall::noDataKey() {
    if (grid_.col == ColDistance)
        lineGrid_->commitText(kNoData);
}

bool frmPartyWall::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return ToolWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return ToolWindow::eventFilter(watched, event);
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if ((edit == txtStartBearing || edit == txtEndBearing) && !bearingBoxEnter(edit))
            return true;
        // The boxes are filled in order, then the strip is drawn.
        QWidget* next = edit == txtStartBearing ? static_cast<QWidget*>(txtEndBearing)
                        : edit == txtEndBearing ? static_cast<QWidget*>(txtFirstPoint)
                        : edit == txtFirstPoint ? static_cast<QWidget*>(txtEndPoint)
                                                : static_cast<QWidget*>(cmdDraw);
        next->setFocus();
        return true;
    }
    if (key == Qt::Key_F3 && (edit == txtFirstPoint || edit == txtEndPoint)) {
        if (grid_.col == ColFrom || grid_.col == ColTo)
            edit->setText(fromCore(Format(PartyFreePoint(grid_, plan(), options()), "0")));
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

// An end bearing is checked as every bearing of the grid is: a bearing, or its back bearing
// typed with "-", shown with "0.0000".
bool frmPartyWall::bearingBoxEnter(QLineEdit* edit) {
    const std::string text = toCore(edit->text().trimmed());
    if (text.empty())
        return true;
    const auto entry = BearingEntryText(text);
    if (!entry || *entry == kNoData) {
        gridMessage(InvalidBearingMessage());
        edit->setFocus();
        return false;
    }
    edit->setText(fromCore(*entry));
    return true;
}

bool frmPartyWall::endBearingsValid() {
    return bearingBoxEnter(txtStartBearing) && bearingBoxEnter(txtEndBearing);
}

void frmPartyWall::cmdClear_Click() {
    lineGrid_->hideEditor();
    ClearTraverseGrid(grid_);
    txtCount->setText(QStringLiteral("0"));
    turnSide_ = false;
    for (QLineEdit* edit : {txtStartBearing, txtEndBearing, txtFirstPoint, txtEndPoint})
        edit->clear();
    lineGrid_->reload();
    lineGrid_->view()->setFocus();
}

void frmPartyWall::cmdDraw_Click() {
    lineGrid_->hideEditor();
    LastGridLine(grid_);
    lineGrid_->showGrid();
    const StripCheck check = DataEntered(grid_);
    if (!check.ok) {
        if (check.message)
            gridMessage(*check.message);
        return;
    }
    if (!endBearingsValid())
        return;
    frmDrawPlan* view = host_.planView();
    if (!view)
        return;
    // A given end point already joined to the traverse gives the end line its bearing.
    auto endBearing = [this](QLineEdit* point, int row, int col, QLineEdit* bearing) {
        if (point->text().trimmed().isEmpty())
            return;
        const double b = FindBearing(plan(), static_cast<std::int32_t>(Val(grid_.cell(row, col))),
                                     static_cast<std::int32_t>(Val(toCore(point->text()))));
        if (b <= 360)
            bearing->setText(fromCore(Format(b, "0.0000")));
    };
    endBearing(txtFirstPoint, 1, ColFrom, txtStartBearing);
    endBearing(txtEndPoint, grid_.dataRows(), ColTo, txtEndBearing);
    auto outline = CompileStrip(grid_, options(), plan());
    if (!outline) {
        showError(outline.error());
        return;
    }
    std::vector<PointRecord> points = std::move(outline).value().points;
    ShiftToOrigin(points);
    view->ShowPlan(PlanContent::ofTraverse(std::move(points), plan().PlanPath, windowTitle()));
}

void frmPartyWall::cmdOK_Click() {
    lineGrid_->hideEditor();
    LastGridLine(grid_);
    lineGrid_->showGrid();
    if (!grid_.chkChange) {
        hide();
        return;
    }
    if (refuseSave(QStringLiteral("Fixed Width Easements"), true))
        return;
    const StripCheck check = DataEntered(grid_);
    if (!check.ok) {
        if (check.message)
            gridMessage(*check.message);
        return;
    }
    if (!endBearingsValid())
        return;
    const Result<void> saved = SaveStrip(grid_, options(), plan(), toCore(identifier_));
    filledStamp_ = CurrentLinesStamp(plan());
    // The lines file may have been written before the polygons file refused: either way the
    // lines are read again before they are next used.
    plan().chkArray = false;
    if (!saved) {
        showError(saved.error());
        return;
    }
    host_.addParcel(identifier_, false);
    emit parcelAdded(identifier_);
    const int count = stripCount() + 1;
    txtCount->setText(fromCore(Format(count, "0")));
    if (count <= 1) {
        // Ready for the strip on the other side of the same traverse.
        for (QLineEdit* edit : {txtStartBearing, txtEndBearing, txtFirstPoint, txtEndPoint})
            edit->clear();
        turnSide_ = true;
    } else {
        cmdClear_Click();
    }
    hide();
}

void frmPartyWall::cancelWindow() {
    if (keepEditing())
        return;
    lineGrid_->hideEditor();
    hide();
}

} // namespace corvane

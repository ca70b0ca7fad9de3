#include "tools/frmscaled.h"

#include "core/grid/traverse_edit.h"
#include "core/tools/scaledlines.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace corvane {

frmScaled::frmScaled(PlanHost& host, QWidget* parent)
    : ToolWindow(host, parent, "frmScaled", QStringLiteral("Scaled Data form"), GridKind::Scaled,
                 {QString(), QStringLiteral("From"), QStringLiteral("To"),
                  QStringLiteral("Bearing"), QStringLiteral("Distance")},
                 {6, 13, 14, 13, 15}, "ttext") {
    chkChange = new QCheckBox(QStringLiteral("Change"), this);
    chkChange->setObjectName(QStringLiteral("chkChange"));
    chkChange->setEnabled(false);
    auto* cmdAddLine = button("cmdAddLine", QStringLiteral("Add Line"),
                              QStringLiteral("Click here to add a line"));
    auto* cmdInsertLine = button("cmdInsertLine", QStringLiteral("Insert Line"),
                                 QStringLiteral("Click here to insert a line"));
    auto* cmdDeleteLine = button("cmdDeleteLine", QStringLiteral("Delete Line"),
                                 QStringLiteral("Click here to delete a line"));
    auto* cmdNewPoint = button("cmdNewPoint", QStringLiteral("New Point"),
                               QStringLiteral("Click here to get the next free point number"));
    auto* cmdCalculator = button("cmdCalculator", QStringLiteral("Calculator..."),
                                 QStringLiteral("Click here to use the Survey Calculator"));
    auto* cmdPrint = button("cmdPrint", QStringLiteral("Print"),
                            QStringLiteral("Click here to print a list of lines"));
    auto* cmdOK =
        button("cmdOK", QStringLiteral("OK"), QStringLiteral("Click here to save your changes"));
    auto* cmdCancel = button("cmdCancel", QStringLiteral("Cancel"),
                             QStringLiteral("Click here to cancel the form"));
    connect(cmdAddLine, &QPushButton::clicked, this, [this] { addRow(true); });
    connect(cmdInsertLine, &QPushButton::clicked, this, [this] { addRow(false); });
    connect(cmdDeleteLine, &QPushButton::clicked, this, [this] { cmdDeleteLine_Click(); });
    connect(cmdNewPoint, &QPushButton::clicked, this, [this] { gridFunctionKey(Qt::Key_F3); });
    connect(cmdCalculator, &QPushButton::clicked, this, [this] { calculatorKey(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cancelWindow(); });

    auto* edits = new QHBoxLayout;
    for (QPushButton* b : {cmdAddLine, cmdInsertLine, cmdDeleteLine, cmdNewPoint, cmdCalculator})
        edits->addWidget(b);
    edits->addStretch(1);
    auto* commands = new QHBoxLayout;
    commands->addWidget(chkChange);
    commands->addStretch(1);
    for (QPushButton* b : {cmdPrint, cmdOK, cmdCancel})
        commands->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    addUndoControls(layout);
    layout->addWidget(lineGrid_->view(), 1);
    layout->addLayout(edits);
    layout->addLayout(commands);
    resize(lineGrid_->columnsWidth() + 40, 480);
}

void frmScaled::openScaled() {
    lineGrid_->hideEditor();
    // The next free point counts the measured lines too.
    if (!LinesCurrent(plan()) && !plan().LinesLoadFailed)
        loadLinesIfNeeded();
    const Result<void> loaded = LoadScaledGrid(grid_, plan().PlanPath);
    if (!loaded)
        showError(loaded.error());
    showOpened();
}

void frmScaled::gridShown() {
    chkChange->setChecked(grid_.chkChange);
}

bool frmScaled::gridFunctionKey(int key) {
    switch (key) {
    case Qt::Key_F3:
        if (grid_.col == ColFrom || grid_.col == ColTo)
            lineGrid_->runCommit(CommitNewPoint(grid_, plan()));
        return true;
    case Qt::Key_F9:
        calculatorKey();
        return true;
    default:
        return false;
    }
}

void frmScaled::addRow(bool atEnd) {
    lineGrid_->hideEditor();
    grid_.insertRow(atEnd ? grid_.dataRows() + 1 : grid_.row);
    if (atEnd)
        grid_.row = grid_.dataRows();
    grid_.col = ColFrom;
    MarkChanged(grid_);
    lineGrid_->showGrid();
    lineGrid_->view()->setFocus();
}

void frmScaled::cmdDeleteLine_Click() {
    lineGrid_->hideEditor();
    const ScaledDeleteRule rule = ScaledDeleteCheck(grid_);
    if (!rule.allowed)
        return;
    if (rule.confirm &&
        desktop().message(QLatin1String(kDeleteDigitizedQuestion), QLatin1String(kDeleteLineTitle),
                          Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
        return;
    DeleteScaledRow(grid_);
    lineGrid_->showGrid();
    lineGrid_->view()->setFocus();
}

void frmScaled::cmdOK_Click() {
    lineGrid_->hideEditor();
    if (!grid_.chkChange) {
        hide();
        return;
    }
    if (refuseSave(QStringLiteral("Scaled Data"), false))
        return;
    const ScaledCheck check = CheckScaledLines(grid_);
    lineGrid_->showGrid();
    if (!check.ok) {
        if (check.message)
            gridMessage(*check.message);
        lineGrid_->view()->setFocus();
        return;
    }
    Result<void> saved;
    {
        BusyCursor busy(desktop());
        saved = SaveScaledLines(grid_, plan().PlanPath);
    }
    if (!saved) {
        showError(saved.error());
        return;
    }
    grid_.chkChange = false;
    hide();
}

void frmScaled::cancelWindow() {
    if (keepEditing())
        return;
    lineGrid_->hideEditor();
    hide();
}

void frmScaled::cmdPrint_Click() {
    lineGrid_->hideEditor();
    if (const auto printed =
            printLines(QStringLiteral("Scaled Lines"), QStringLiteral("scaled lines"),
                       ScaledPrintLines(grid_.rows, plan().PlanPath),
                       QStringLiteral("Scaled Data print error")))
        desktop().message(*printed, QStringLiteral("Print Scaled Lines"), Icon::Exclamation);
}

} // namespace corvane

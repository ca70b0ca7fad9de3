#include "tools/frmpsm.h"

#include "core/tools/psmlist.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace corvane {

frmPSM::frmPSM(PlanHost& host, QWidget* parent)
    : ToolWindow(host, parent, "frmPSM", QStringLiteral("Permanent Survey Marks Form"),
                 GridKind::Marks,
                 {QString(), QStringLiteral("Corner"), QStringLiteral("Bearing"),
                  QStringLiteral("Distance"), QStringLiteral("PSM Number")},
                 {6, 15, 15, 15, 17}, "Text1") {
    chkChange = new QCheckBox(QStringLiteral("Change"), this);
    chkChange->setObjectName(QStringLiteral("chkChange"));
    chkChange->setEnabled(false);
    auto* cmdAddLine = button("cmdAddLine", QStringLiteral("Add Line"),
                              QStringLiteral("Click here to add a line"));
    auto* cmdInsert = button("cmdInsert", QStringLiteral("Insert Line"),
                             QStringLiteral("Click here to insert a line"));
    auto* cmdDelete = button("cmdDelete", QStringLiteral("Delete Line"),
                             QStringLiteral("Click here to delete a line"));
    cmdPrint = button("cmdPrint", QStringLiteral("Print"),
                      QStringLiteral("Click here to print the PSM list"));
    auto* cmdOK = button("cmdOK", QStringLiteral("OK"),
                         QStringLiteral("Click here to save the PSM connections"));
    auto* cmdCancel = button("cmdCancel", QStringLiteral("Cancel"),
                             QStringLiteral("Click here to cancel the form"));
    connect(cmdAddLine, &QPushButton::clicked, this, [this] { cmdAddLine_Click(); });
    connect(cmdInsert, &QPushButton::clicked, this, [this] { cmdInsert_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cancelWindow(); });

    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {cmdAddLine, cmdInsert, cmdDelete, cmdPrint, cmdOK, cmdCancel})
        commands->addWidget(b);
    commands->addStretch(1);
    commands->addWidget(chkChange);
    auto* layout = new QVBoxLayout(this);
    addUndoControls(layout);
    layout->addWidget(lineGrid_->view(), 1);
    layout->addLayout(commands);
    resize(lineGrid_->columnsWidth() + 40, 480);
}

void frmPSM::openConnections() {
    lineGrid_->hideEditor();
    ClearTraverseGrid(grid_);
    SetGridRows(grid_, LoadPSMRows(plan()), plan());
    deleted_.clear();
    grid_.chkChange = false;
    showOpened();
}

void frmPSM::gridShown() {
    chkChange->setChecked(grid_.chkChange);
}

bool frmPSM::gridFunctionKey(int key) {
    if (key != Qt::Key_F9)
        return false;
    calculatorKey();
    return true;
}

void frmPSM::cmdAddLine_Click() {
    lineGrid_->hideEditor();
    grid_.insertRow(grid_.dataRows() + 1);
    grid_.row = grid_.dataRows();
    grid_.col = ColCorner;
    MarkChanged(grid_);
    lineGrid_->showGrid();
    lineGrid_->view()->setFocus();
}

void frmPSM::cmdInsert_Click() {
    lineGrid_->hideEditor();
    grid_.insertRow(grid_.row);
    grid_.col = ColCorner;
    MarkChanged(grid_);
    lineGrid_->showGrid();
    lineGrid_->view()->setFocus();
}

void frmPSM::cmdDelete_Click() {
    lineGrid_->hideEditor();
    DeletePSMRow(grid_, plan(), &deleted_);
    lineGrid_->showGrid();
    lineGrid_->view()->setFocus();
}

void frmPSM::cmdOK_Click() {
    lineGrid_->hideEditor();
    if (!grid_.chkChange) {
        hide();
        return;
    }
    if (refuseSave(QStringLiteral("PSM's"), true))
        return;
    const PsmCheck check = CheckPSMLines(grid_, plan());
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
        saved = SavePSMLines(grid_, plan(), deleted_);
    }
    filledStamp_ = CurrentLinesStamp(plan());
    if (!saved) {
        // The rows stay for the user to save again or cancel.
        showError(saved.error());
        return;
    }
    deleted_.clear();
    hide();
}

void frmPSM::discardWindow() {
    lineGrid_->hideEditor();
    CancelPSM(grid_, plan());
    hide();
}

void frmPSM::cancelWindow() {
    if (keepEditing())
        return;
    discardWindow();
}

void frmPSM::cmdPrint_Click() {
    lineGrid_->hideEditor();
    const std::vector<PrintLine> lines = PSMPrintLines(grid_, plan().PlanPath);
    if (lines.empty()) {
        gridMessage(PsmNothingToPrintMessage());
        return;
    }
    cmdPrint->setEnabled(false);
    const auto printed = printLines(QStringLiteral("PSM List"), QStringLiteral("PSM connections"),
                                    lines, QStringLiteral("Print PSM List error"));
    cmdPrint->setEnabled(true);
    if (printed)
        desktop().message(*printed, QStringLiteral("Print PSM List"), Icon::Exclamation);
}

} // namespace corvane

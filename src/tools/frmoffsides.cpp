#include "tools/frmoffsides.h"

#include "core/grid/traverse_edit.h"
#include "core/tools/offsides.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace corvane {

frmOffsides::frmOffsides(PlanHost& host, QWidget* parent)
    : ToolWindow(host, parent, "frmOffsides", QStringLiteral("Offsides Calculation Form"),
                 GridKind::Offsides,
                 {QString(), QStringLiteral("From"), QStringLiteral("To"),
                  QStringLiteral("Bearing"), QStringLiteral("Distance"), QStringLiteral("Width"),
                  QStringLiteral("Offside")},
                 {6, 15, 15, 15, 15, 15, 15}, "Text1") {
    auto* gridFrame = new QGroupBox(QStringLiteral("Traverse Data"), this);
    auto* gridLayout = new QVBoxLayout(gridFrame);
    gridLayout->addWidget(lineGrid_->view());

    auto* sideFrame = new QGroupBox(QStringLiteral("Select side that has the traverse data"), this);
    optLeft = new QRadioButton(QStringLiteral("Left side of road / easement"), sideFrame);
    optLeft->setObjectName(QStringLiteral("optLeft"));
    optLeft->setChecked(true);
    optRight = new QRadioButton(QStringLiteral("Right side of road / easement"), sideFrame);
    optRight->setObjectName(QStringLiteral("optRight"));
    auto* sideLayout = new QVBoxLayout(sideFrame);
    sideLayout->addWidget(optLeft);
    sideLayout->addWidget(optRight);

    auto* instructions = new QGroupBox(QStringLiteral("Instructions"), this);
    auto* instructionLayout = new QVBoxLayout(instructions);
    for (const QString& text :
         {QStringLiteral("Enter a traverse string including a line to the first point and a line "
                         "from the last point. Use a width of 0 (zero) if the start or end line "
                         "crosses the road. "),
          QStringLiteral("The program will not calculate offsides for the first and last line. "
                         "Use 0 (zero) for the point numbers and distances you do not know in "
                         "these lines.")}) {
        auto* label = new QLabel(text, instructions);
        label->setWordWrap(true);
        instructionLayout->addWidget(label);
    }

    auto* cmdNewPoint = button("cmdNewPoint", QStringLiteral("New Point No."),
                               QStringLiteral("Find the next free point (F3)"));
    auto* cmdClear =
        button("cmdClear", QStringLiteral("Clear"), QStringLiteral("Clear the traverse data"));
    auto* cmdCalc = button("cmdCalc", QStringLiteral("Calc. Offsides"),
                           QStringLiteral("Calculate the offside distances"));
    auto* cmdMerge =
        button("cmdMerge", QStringLiteral("Merge Lines"), QStringLiteral("Merge straight lines"));
    cmdPrint = button("cmdPrint", QStringLiteral("Print"), QStringLiteral("Print the data"));
    auto* cmdClose = button("cmdClose", QStringLiteral("Close"), QStringLiteral("Close the form"));
    connect(cmdNewPoint, &QPushButton::clicked, this, [this] { gridFunctionKey(Qt::Key_F3); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(cmdCalc, &QPushButton::clicked, this, [this] { cmdCalc_Click(); });
    connect(cmdMerge, &QPushButton::clicked, this, [this] { cmdMerge_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cancelWindow(); });

    auto* side = new QHBoxLayout;
    side->addWidget(sideFrame);
    side->addWidget(instructions, 1);
    auto* commands = new QHBoxLayout;
    for (QPushButton* b : {cmdNewPoint, cmdClear, cmdCalc, cmdMerge, cmdPrint, cmdClose})
        commands->addWidget(b);
    commands->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    addUndoControls(layout);
    layout->addWidget(gridFrame, 1);
    layout->addLayout(side);
    layout->addLayout(commands);
    resize(lineGrid_->columnsWidth() + 40, 560);
}

void frmOffsides::openOffsides() {
    lineGrid_->hideEditor();
    ClearTraverseGrid(grid_);
    showOpened();
}

bool frmOffsides::gridFunctionKey(int key) {
    switch (key) {
    case Qt::Key_F3:
        lineGrid_->runCommit(CommitNewPoint(grid_, plan()));
        return true;
    case Qt::Key_F5:
        lineGrid_->runCommit(CommitNoData(grid_, plan()));
        return true;
    case Qt::Key_F9:
        calculatorKey();
        return true;
    default:
        return false;
    }
}

void frmOffsides::cmdClear_Click() {
    lineGrid_->hideEditor();
    ClearTraverseGrid(grid_);
    chkOffsides_ = false;
    lineGrid_->reload();
    lineGrid_->view()->setFocus();
}

void frmOffsides::cmdCalc_Click() {
    lineGrid_->hideEditor();
    if (grid_.dataRows() < 3)
        return;
    CalcRoadOffsides(grid_, optRight->isChecked());
    chkOffsides_ = true;
    lineGrid_->showGrid();
}

void frmOffsides::cmdMerge_Click() {
    lineGrid_->hideEditor();
    if (!chkOffsides_) {
        desktop().message(QStringLiteral("Click on Calc. Offsides first"),
                          QStringLiteral("Merge Lines error"), Icon::Exclamation);
        return;
    }
    MergeLines(grid_);
    lineGrid_->showGrid();
}

void frmOffsides::cmdPrint_Click() {
    lineGrid_->hideEditor();
    if (!chkOffsides_) {
        desktop().message(QStringLiteral("No offside distances to print"),
                          QStringLiteral("Road Offsides"), Icon::Exclamation);
        return;
    }
    cmdPrint->setEnabled(false);
    std::vector<PrintLine> lines;
    {
        BusyCursor busy(desktop());
        lines = OffsidesPrintLines(grid_, optRight->isChecked(), toCore(windowTitle()),
                                   plan().PlanPath);
    }
    const auto printed = printLines(windowTitle(), QStringLiteral("offsides"), lines,
                                    QStringLiteral("Road Offsides"));
    cmdPrint->setEnabled(true);
    if (printed)
        desktop().message(*printed, QStringLiteral("Road Offsides Calculation"), Icon::Exclamation);
}

} // namespace corvane

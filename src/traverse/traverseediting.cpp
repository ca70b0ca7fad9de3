// The grid's keys, the cell editor laid over the current cell, and the toolbar.

#include "calculator/frmorvacalc.h"
#include "core/model/bearing.h"
#include "traverse/frmcurve.h"
#include "traverse/frmtraverse.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

namespace corvane {

bool frmTraverse::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmdOK && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        cmdOK_RightClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmTraverse::hideEditor() {
    lineGrid_->hideEditor();
}

void frmTraverse::runCommit(const CommitOutcome& outcome) {
    lineGrid_->runCommit(outcome);
}

// A completed row that closed the parcel on its first point runs the closure.
bool frmTraverse::gridCommitted(const CommitOutcome& outcome) {
    if (!outcome.runClosure)
        return false;
    cmdClosure_Click();
    return true;
}

bool frmTraverse::gridFunctionKey(int key) {
    const int col = grid_.col;
    switch (key) {
    case Qt::Key_F3:
        if (col == ColFrom || col == ColTo)
            newPointKey();
        return true;
    case Qt::Key_F5:
        noDataKey();
        return true;
    case Qt::Key_F8:
        if (col == ColBearing)
            curveEntry();
        return true;
    case Qt::Key_F9:
        if (col == ColBearing || col == ColDistance)
            calculatorEntry();
        return true;
    case Qt::Key_F6:
        if (cmdFindError->isEnabled())
            cmdFindError_Click();
        return true;
    default:
        return false;
    }
}

// F5 while typing a bearing or a distance enters "No Data" in its place.
bool frmTraverse::editorFunctionKey(int key, int col) {
    if (key != Qt::Key_F5 || (col != ColBearing && col != ColDistance))
        return false;
    ttext->setText(col == ColBearing ? QStringLiteral("999") : QString::fromLatin1(kNoData));
    lineGrid_->commitEditor();
    return true;
}

void frmTraverse::newPointKey() {
    runCommit(CommitNewPoint(grid_, plan()));
}

void frmTraverse::noDataKey() {
    if (grid_.col == ColBearing || grid_.col == ColDistance)
        runCommit(CommitNoData(grid_, plan()));
}

void frmTraverse::curveEntry() {
    if (grid_.col != ColBearing)
        return;
    const CurveLine line = CurveEntryLine(grid_);
    // An arc is stored by its two points: a row without them has no arc to enter.
    if (line.from <= 0 || line.to <= 0)
        return;
    const auto curves = readCurves();
    if (!curves)
        return;
    curve_->LoadCurve(LoadCurve(line.from, line.to, line.bearing, line.distance, *curves));
    if (curve_->runModal()) {
        runCommit(ApplyCurveEntry(grid_, plan(), toCore(curve_->radiusText()),
                                  toCore(curve_->arcText())));
        return;
    }
    MarkChanged(grid_);
    Grid1->setFocus();
}

void frmTraverse::calculatorEntry() {
    frmOrvaCalc* calculator = host_.calculator();
    if (!calculator)
        return;
    const QString result = calculator->runModal(grid_.col == ColBearing);
    if (result.isEmpty()) {
        Grid1->setFocus();
        return;
    }
    runCommit(CommitCell(grid_, plan(), toCore(result)));
}

void frmTraverse::Toolbar1_ButtonClick(const QString& key) {
    hideEditor();
    MarkChanged(grid_);
    if (key == QLatin1String("Increment")) {
        lineGrid_->plusMinus(QStringLiteral("+"));
    } else if (key == QLatin1String("Decrement")) {
        lineGrid_->plusMinus(QStringLiteral("-"));
    } else if (key == QLatin1String("NewPoint")) {
        if (grid_.col == ColFrom || grid_.col == ColTo)
            newPointKey();
    } else if (key == QLatin1String("NoData")) {
        noDataKey();
    } else if (key == QLatin1String("Curve")) {
        curveEntry();
    } else if (key == QLatin1String("Calculator")) {
        if (grid_.col == ColBearing || grid_.col == ColDistance)
            calculatorEntry();
    } else if (key == QLatin1String("Insert")) {
        InsertLine(grid_);
        showGrid();
        Grid1->setFocus();
    } else if (key == QLatin1String("Delete")) {
        DeleteLine(grid_, plan());
        showGrid();
        Grid1->setFocus();
    }
}

} // namespace corvane

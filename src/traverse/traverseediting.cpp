// The grid's keys, the cell editor laid over the current cell, and the toolbar.

#include "calculator/frmorvacalc.h"
#include "traverse/frmcurve.h"
#include "traverse/frmtraverse.h"
#include "traverse/traversemodel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

namespace corvane {

bool frmTraverse::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        if (watched == Grid1 && !ttext->isVisible())
            return Grid1_KeyPress(static_cast<QKeyEvent*>(event));
        if (watched == ttext)
            return ttext_KeyPress(static_cast<QKeyEvent*>(event));
    }
    if (watched == cmdOK && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        cmdOK_RightClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Opens the cell editor on the current cell: with the key typed, or (Space, Enter, a
// double click) with the cell's text.
void frmTraverse::TravGridEdit(const QString& keyText) {
    if (grid_.row < 1 || grid_.row > grid_.dataRows() || grid_.col < ColFrom)
        return;
    editRow_ = grid_.row;
    editCol_ = grid_.col;
    ttext->setText(keyText.isEmpty() ? fromCore(grid_.cell(editRow_, editCol_)) : keyText);
    ttext->end(false);
    placeEditor();
    ttext->show();
    ttext->raise();
    ttext->setFocus();
}

void frmTraverse::placeEditor() {
    ttext->setGeometry(Grid1->visualRect(model_->index(editRow_ - 1, editCol_)));
}

// Hides the editor without storing its text.
void frmTraverse::hideEditor() {
    if (!ttext->isVisible())
        return;
    Grid1->setFocus();
    syncing_ = true;
    ttext->hide();
    syncing_ = false;
}

void frmTraverse::commitEditor() {
    const std::string text = toCore(ttext->text());
    hideEditor();
    grid_.row = editRow_;
    grid_.col = editCol_;
    runCommit(CommitCell(grid_, plan(), text));
}

void frmTraverse::runCommit(const CommitOutcome& outcome) {
    ttext->clear();
    showGrid();
    if (outcome.message)
        showMessage(*outcome.message);
    if (outcome.accepted && outcome.runClosure) {
        cmdClosure_Click();
        return;
    }
    Grid1->setFocus();
}

// The editor's cell is being left (an arrow key, a click on another cell): its text is
// committed there by the column's rules, and the cursor goes where the user sent it.
void frmTraverse::leaveEditedCell() {
    const std::string text = toCore(ttext->text());
    hideEditor();
    const CommitOutcome outcome = CommitCellInPlace(grid_, plan(), editRow_, editCol_, text);
    ttext->clear();
    syncing_ = true;
    model_->refresh();
    syncing_ = false;
    if (outcome.message)
        showMessage(*outcome.message);
}

void frmTraverse::escapeKey() {
    hideEditor();
    EscapeKey(grid_);
    showGrid();
    Grid1->setFocus();
}

void frmTraverse::editorArrow(int step) {
    leaveEditedCell();
    grid_.row = editRow_;
    grid_.col = editCol_;
    const int target = grid_.row + step;
    if (target >= 1 && target <= grid_.dataRows())
        grid_.row = target;
    showGrid();
    Grid1->setFocus();
}

bool frmTraverse::Grid1_KeyPress(QKeyEvent* key) {
    const int col = grid_.col;
    const bool cellEmpty = grid_.row >= 1 && grid_.row <= grid_.dataRows() && col >= ColFrom &&
                           grid_.cell(grid_.row, col).empty();
    switch (key->key()) {
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
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // An empty cell takes the row above's value (From + 1 for a To); a filled one is
        // opened for correction.
        if (cellEmpty)
            runCommit(CommitCell(grid_, plan(), std::string()));
        else
            TravGridEdit(QString());
        return true;
    case Qt::Key_Escape:
        ttext->clear();
        escapeKey();
        return true;
    default:
        break;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    if (text.isEmpty() || text.front() == QLatin1Char('\t') || text.front().unicode() == 127)
        return false; // the view's own moves: arrows, pages, Tab
    if ((text == QLatin1String("+") || text == QLatin1String("-")) && col == ColTo && cellEmpty) {
        runCommit(CommitCell(grid_, plan(), toCore(text)));
        return true;
    }
    // A printable key starts the entry with that character; Space and the other control
    // keys open the cell's text for correction.
    TravGridEdit(text.front().unicode() > 32 ? text : QString());
    return true;
}

bool frmTraverse::ttext_KeyPress(QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitEditor();
        return true;
    case Qt::Key_Escape:
        escapeKey();
        return true;
    case Qt::Key_Up:
        editorArrow(-1);
        return true;
    case Qt::Key_Down:
        editorArrow(1);
        return true;
    case Qt::Key_F5:
        if (editCol_ == ColBearing || editCol_ == ColDistance) {
            ttext->setText(editCol_ == ColBearing ? QStringLiteral("999") : QStringLiteral("0"));
            commitEditor();
        }
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    MarkChanged(grid_);
    // A back bearing is typed with "-" in front, wherever the caret is when it is pressed.
    if (text == QLatin1String("-") && editCol_ == ColBearing) {
        if (!ttext->text().startsWith(QLatin1Char('-')))
            ttext->setText(QLatin1Char('-') + ttext->text());
        return true;
    }
    return false;
}

void frmTraverse::gridPlusMinus(const QString& sign) {
    if (grid_.col != ColTo)
        return;
    if (grid_.cell(grid_.row, ColTo).empty())
        runCommit(CommitCell(grid_, plan(), toCore(sign)));
    else
        TravGridEdit(sign);
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
        gridPlusMinus(QStringLiteral("+"));
    } else if (key == QLatin1String("Decrement")) {
        gridPlusMinus(QStringLiteral("-"));
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

#include "gridui/linegrid.h"

#include "platform/desktop.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

namespace corvane {

void LineGrid::openEditor(const QString& keyText) {
    if (grid_.row < 1 || grid_.row > grid_.dataRows() || grid_.col < ColFrom ||
        grid_.col > LastEntryColumn(grid_.kind))
        return;
    editRow_ = grid_.row;
    editCol_ = grid_.col;
    editor_->setText(keyText.isEmpty() ? fromCore(grid_.cell(editRow_, editCol_)) : keyText);
    editor_->end(false);
    placeEditor();
    editor_->show();
    editor_->raise();
    editor_->setFocus();
}

void LineGrid::placeEditor() {
    editor_->setGeometry(view_->visualRect(model_->index(editRow_ - 1, editCol_)));
}

void LineGrid::hideEditor() {
    if (!editor_->isVisible())
        return;
    view_->setFocus();
    syncing_ = true;
    editor_->hide();
    syncing_ = false;
}

bool LineGrid::editorVisible() const {
    return editor_->isVisible();
}

bool LineGrid::editorHoldsChange() const {
    return editor_->isVisible() && toCore(editor_->text()) != grid_.cell(editRow_, editCol_);
}

void LineGrid::commitEditor() {
    const std::string text = toCore(editor_->text());
    hideEditor();
    grid_.row = editRow_;
    grid_.col = editCol_;
    runCommit(CommitCell(grid_, owner_.gridPlan(), text));
}

void LineGrid::commitText(const std::string& text) {
    hideEditor();
    runCommit(CommitCell(grid_, owner_.gridPlan(), text));
}

void LineGrid::plusMinus(const QString& sign) {
    if (grid_.col != ColTo || grid_.kind == GridKind::Marks || grid_.row < 1 ||
        grid_.row > grid_.dataRows())
        return;
    if (grid_.cell(grid_.row, ColTo).empty())
        commitText(toCore(sign));
    else
        openEditor(sign);
}

void LineGrid::runCommit(const CommitOutcome& outcome) {
    editor_->clear();
    showGrid();
    if (outcome.message)
        owner_.gridMessage(*outcome.message);
    if (outcome.accepted && owner_.gridCommitted(outcome))
        return;
    view_->setFocus();
}

// The editor's cell is being left (an arrow key, a click on another cell): its text is
// committed there by the column's rules, and the cursor goes where the user sent it.
void LineGrid::leaveEditedCell() {
    const std::string text = toCore(editor_->text());
    hideEditor();
    const CommitOutcome outcome =
        CommitCellInPlace(grid_, owner_.gridPlan(), editRow_, editCol_, text);
    editor_->clear();
    syncing_ = true;
    model_->refresh();
    syncing_ = false;
    recordStep();
    if (outcome.message)
        owner_.gridMessage(*outcome.message);
}

void LineGrid::escapeKey() {
    hideEditor();
    EscapeKey(grid_);
    showGrid();
    view_->setFocus();
}

void LineGrid::editorArrow(int step) {
    leaveEditedCell();
    grid_.row = editRow_;
    grid_.col = editCol_;
    const int target = grid_.row + step;
    if (target >= 1 && target <= grid_.dataRows())
        grid_.row = target;
    showGrid();
    view_->setFocus();
}

bool LineGrid::gridKeyPress(QKeyEvent* key) {
    const int col = grid_.col;
    const bool cellEmpty = grid_.row >= 1 && grid_.row <= grid_.dataRows() && col >= ColFrom &&
                           grid_.cell(grid_.row, col).empty();
    switch (key->key()) {
    case Qt::Key_F3:
    case Qt::Key_F5:
    case Qt::Key_F6:
    case Qt::Key_F8:
    case Qt::Key_F9:
        owner_.gridFunctionKey(key->key());
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // An empty cell takes the row above's value (From + 1 for a To); a filled one is
        // opened for correction.
        if (cellEmpty)
            runCommit(CommitCell(grid_, owner_.gridPlan(), std::string()));
        else
            openEditor(QString());
        return true;
    case Qt::Key_Escape:
        editor_->clear();
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
    if ((text == QLatin1String("+") || text == QLatin1String("-")) && col == ColTo &&
        grid_.kind != GridKind::Marks && cellEmpty) {
        runCommit(CommitCell(grid_, owner_.gridPlan(), toCore(text)));
        return true;
    }
    // A printable key starts the entry with that character; Space and the other control
    // keys open the cell's text for correction.
    openEditor(text.front().unicode() > 32 ? text : QString());
    return true;
}

bool LineGrid::editorKeyPress(QKeyEvent* key) {
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
    case Qt::Key_F3:
    case Qt::Key_F5:
    case Qt::Key_F8:
    case Qt::Key_F9:
        owner_.editorFunctionKey(key->key(), editCol_);
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    MarkChanged(grid_);
    // A back bearing is typed with "-" in front, wherever the caret is when it is pressed.
    if (text == QLatin1String("-") && editCol_ == BearingColumn(grid_.kind)) {
        if (!editor_->text().startsWith(QLatin1Char('-')))
            editor_->setText(QLatin1Char('-') + editor_->text());
        return true;
    }
    return false;
}

} // namespace corvane

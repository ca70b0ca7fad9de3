#pragma once

#include "core/grid/rowdiff.h"
#include "core/grid/traverse.h"
#include "core/grid/traverse_edit.h"
#include "gridui/linegridmodel.h"

#include <QObject>
#include <QStringList>
#include <vector>

class QAction;
class QKeyEvent;
class QLineEdit;
class QMenuBar;
class QTableView;
class QUndoStack;

namespace corvane {

// What a window adds to its line grid: where messages go, and the keys and commits that are
// the window's own.
class LineGridOwner {
  public:
    virtual ~LineGridOwner() = default;
    virtual PlanState& gridPlan() = 0;
    virtual void gridMessage(const Error& message) = 0;
    // A function key (F3, F5, F8, F9) on the grid while no cell is being typed in; true when
    // the window handled it.
    virtual bool gridFunctionKey(int /*key*/) { return false; }
    // A function key while the cell editor is open on column col.
    virtual bool editorFunctionKey(int /*key*/, int /*col*/) { return false; }
    // An accepted commit that asks the window to go on (the traverse's closure). Returns true
    // when the window took over the focus.
    virtual bool gridCommitted(const CommitOutcome& /*outcome*/) { return false; }
    // The grid was shown anew (the window's caption may follow the grid's).
    virtual void gridShown() {}
};

// The grid and its cell editor, laid over the current cell, as every line window of the
// program has them: a printable key starts an entry with that key, Space, Enter or a double
// click opens the cell's text for correction, Enter commits by the column's rules (the core's
// CommitCell for the grid's kind) and moves on, Escape abandons the entry or steps back from
// an empty last cell, Up and Down commit and move, and leaving the cell by a click keeps what
// was typed. The view is named "Grid1".
class LineGrid : public QObject {
    Q_OBJECT

  public:
    LineGrid(QWidget* parent, TraverseGrid& grid, LineGridOwner& owner, QStringList headings,
             std::vector<int> columnChars, const char* editorName);

    QTableView* view() const { return view_; }
    QLineEdit* editor() const { return editor_; }
    LineGridModel* model() const { return model_; }

    // The rows were replaced: the view reads them all again and shows the current cell.
    void reload();
    // Shows the core's rows and current cell.
    void showGrid();
    // Opens the editor on the current cell: with keyText, or the cell's text when empty.
    void openEditor(const QString& keyText);
    // Hides the editor without storing its text.
    void hideEditor();
    bool editorVisible() const;
    // True while the editor is open on a cell with text other than the cell's: typed, not yet
    // committed, and lost if the editor is hidden.
    bool editorHoldsChange() const;
    // Commits the editor's text to the cell it was opened on, as Enter does.
    void commitEditor();
    // Commits text to the current cell (a shortcut key, a tool button) and shows the result.
    void commitText(const std::string& text);
    // "+" or "-" from a button: in an empty To cell the point after or before the From, in a
    // filled one the start of an entry.
    void plusMinus(const QString& sign);
    // Shows the outcome of a commit the window made.
    void runCommit(const CommitOutcome& outcome);
    // The width in pixels of all columns, for sizing the window.
    int columnsWidth() const;

    // Undo and Redo of the grid's edits. Every change of the rows, their links or the stored
    // lines the rows marked deleted becomes one step when the grid is next shown, whatever
    // made it (a typed cell, a shortcut key, a tool button, a window command).
    QUndoStack* undoStack() const { return undo_; }
    QAction* undoAction() const { return undoAction_; }
    QAction* redoAction() const { return redoAction_; }
    // The grid as it is now is where the steps start: no step to undo or redo, and undoing
    // back to here clears the change flag. Called when the window opens, and by itself when
    // the window is shown or hidden (OK and Cancel), so no step reaches across them.
    void resetHistory();
    // A menu bar with the Edit menu (Undo, Redo) for the window.
    QMenuBar* makeEditMenuBar(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The undo steps (gridundo.cpp).
    friend class GridEditStep;
    // The part of the rows one step changed, and what else it changed.
    struct Snapshot {
        int row = 1, col = 1;
        std::vector<int> marked; // PlanLines indexes marked deleted
    };
    void recordStep();
    std::vector<int> markedLines();
    void applyStep(std::size_t at, std::size_t removeCount, const RowSlice& slice,
                   const Snapshot& state);

    // The cell editor and the keys (celleditor.cpp).
    void placeEditor();
    void leaveEditedCell();
    void escapeKey();
    void editorArrow(int step);
    void onCurrentChanged(const QModelIndex& current);
    bool gridKeyPress(QKeyEvent* key);
    bool editorKeyPress(QKeyEvent* key);
    int columnWidth(int column) const;

    TraverseGrid& grid_;
    LineGridOwner& owner_;
    std::vector<int> columnChars_;
    LineGridModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QLineEdit* editor_ = nullptr;
    // Set while the grid moves the view's current cell itself, so the move is not taken for
    // the user leaving a cell.
    bool syncing_ = false;
    // The cell the editor was opened on.
    int editRow_ = 1;
    int editCol_ = 1;

    QUndoStack* undo_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    // The grid as the last step left it.
    GridRows baseRows_;
    GridLinks baseLinks_;
    Snapshot baseState_;
    bool stepping_ = false; // an undo or redo is being applied
};

} // namespace corvane

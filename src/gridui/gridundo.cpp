#include "gridui/linegrid.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QUndoCommand>
#include <QUndoStack>
#include <cmath>

namespace corvane {

// One edit of the grid: the rows from `at` it replaced, before and after, and the cursor and
// the marked lines on either side.
class GridEditStep : public QUndoCommand {
  public:
    GridEditStep(LineGrid& grid, std::size_t at, RowSlice before, RowSlice after,
                 LineGrid::Snapshot oldState, LineGrid::Snapshot newState)
        : grid_(grid), at_(at), before_(std::move(before)), after_(std::move(after)),
          oldState_(std::move(oldState)), newState_(std::move(newState)) {
        setText(QStringLiteral("edit"));
    }
    void undo() override { grid_.applyStep(at_, after_.rows.size(), before_, oldState_); }
    void redo() override {
        // Pushed after the edit was made: the first redo has nothing to do.
        if (first_) {
            first_ = false;
            return;
        }
        grid_.applyStep(at_, before_.rows.size(), after_, newState_);
    }

  private:
    LineGrid& grid_;
    std::size_t at_;
    RowSlice before_, after_;
    LineGrid::Snapshot oldState_, newState_;
    bool first_ = true;
};

QMenuBar* LineGrid::makeEditMenuBar(QWidget* window) {
    auto* bar = new QMenuBar(window);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuGridEdit"));
    edit->addAction(undoAction_);
    edit->addAction(redoAction_);
    return bar;
}

std::vector<int> LineGrid::markedLines() {
    std::vector<int> marked;
    const auto& lines = owner_.gridPlan().PlanLines;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].Distance < 0)
            marked.push_back(static_cast<int>(i));
    return marked;
}

void LineGrid::resetHistory() {
    grid_.syncLinkPairs();
    baseRows_ = grid_.rows;
    baseLinks_ = grid_.linkPairs;
    baseState_ = {grid_.row, grid_.col, markedLines()};
    stepping_ = false;
    undo_->clear();
    undo_->setClean();
}

// Compares the grid with the state the last step left, and makes the difference a step: the
// rows between the unchanged start and the unchanged end are all a step holds.
void LineGrid::recordStep() {
    grid_.syncLinkPairs();
    const RowChange change = DiffRows(baseRows_, baseLinks_, grid_.rows, grid_.linkPairs);
    Snapshot now{grid_.row, grid_.col, markedLines()};
    if (change.none() && now.marked == baseState_.marked) {
        baseState_.row = now.row;
        baseState_.col = now.col;
        return;
    }
    RowSlice before = SliceRows(baseRows_, baseLinks_, change.at, change.removed);
    RowSlice after = SliceRows(grid_.rows, grid_.linkPairs, change.at, change.inserted);
    // The base follows the grid.
    SpliceRows(baseRows_, baseLinks_, change.at, change.removed, after);
    Snapshot old = baseState_;
    baseState_ = now;
    undo_->push(new GridEditStep(*this, change.at, std::move(before), std::move(after),
                                 std::move(old), std::move(now)));
}

void LineGrid::applyStep(std::size_t at, std::size_t removeCount, const RowSlice& slice,
                         const Snapshot& state) {
    hideEditor();
    grid_.syncLinkPairs();
    // A change not yet shown is not a step: the grid goes back to what the steps know first.
    if (grid_.rows != baseRows_) {
        grid_.rows = baseRows_;
        grid_.linkPairs = baseLinks_;
    }
    if (!SpliceRows(grid_.rows, grid_.linkPairs, at, removeCount, slice))
        return;
    SpliceRows(baseRows_, baseLinks_, at, removeCount, slice);
    // The stored lines' delete marks as they stood.
    auto& lines = owner_.gridPlan().PlanLines;
    for (LineRecord& line : lines)
        line.Distance = std::fabs(line.Distance);
    for (int index : state.marked)
        if (index < static_cast<int>(lines.size()))
            lines[static_cast<size_t>(index)].Distance =
                -lines[static_cast<size_t>(index)].Distance;
    grid_.row = state.row;
    grid_.col = state.col;
    baseState_ = state;
    baseState_.marked = markedLines();
    stepping_ = true;
    syncing_ = true;
    model_->reload();
    syncing_ = false;
    showGrid();
}

} // namespace corvane

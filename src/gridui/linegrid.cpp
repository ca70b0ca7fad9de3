#include "gridui/linegrid.h"

#include "platform/desktop.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QUndoStack>
#include <algorithm>

namespace corvane {

LineGrid::LineGrid(QWidget* parent, TraverseGrid& grid, LineGridOwner& owner, QStringList headings,
                   std::vector<int> columnChars, const char* editorName)
    : QObject(parent), grid_(grid), owner_(owner), columnChars_(std::move(columnChars)) {
    const int columns = static_cast<int>(headings.size());
    model_ = new LineGridModel(grid_, std::move(headings), this);
    view_ = new QTableView(parent);
    view_->setObjectName(QStringLiteral("Grid1"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setTabKeyNavigation(false);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Rows of one height, so the view never measures tens of thousands of rows.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    for (int c = 0; c < columns; ++c)
        view_->horizontalHeader()->resizeSection(c, columnWidth(c));
    // A window made wider than its columns gives the room to the last column.
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->installEventFilter(this);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && index.column() >= ColFrom && !editor_->isVisible())
            openEditor(QString());
    });

    editor_ = new QLineEdit(view_->viewport());
    editor_->setObjectName(QLatin1String(editorName));
    editor_->setFrame(false);
    editor_->hide();
    editor_->installEventFilter(this);
    // The editor stays over its cell while the grid scrolls or a column is resized.
    auto follow = [this] {
        if (editor_->isVisible())
            placeEditor();
    };
    for (QScrollBar* bar : {view_->horizontalScrollBar(), view_->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, follow);
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, follow);

    undo_ = new QUndoStack(this);
    undoAction_ = undo_->createUndoAction(this, QStringLiteral("&Undo"));
    undoAction_->setObjectName(QStringLiteral("actUndo"));
    undoAction_->setShortcut(QKeySequence::Undo);
    undoAction_->setToolTip(QStringLiteral("Undo the last change in the grid (Ctrl+Z)"));
    redoAction_ = undo_->createRedoAction(this, QStringLiteral("&Redo"));
    redoAction_->setObjectName(QStringLiteral("actRedo"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    redoAction_->setToolTip(QStringLiteral("Redo the change undone (Ctrl+Shift+Z or Ctrl+Y)"));
    for (QAction* action : {undoAction_, redoAction_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        parent->addAction(action);
    }
    // Back at the state the window was opened with, nothing is changed any more.
    connect(undo_, &QUndoStack::indexChanged, this, [this] {
        if (!stepping_)
            return;
        stepping_ = false;
        grid_.chkChange = !undo_->isClean();
        grid_.chkClosure = false;
        owner_.gridShown();
    });
    parent->installEventFilter(this);
    resetHistory();
}

int LineGrid::columnWidth(int column) const {
    const int chars = column < static_cast<int>(columnChars_.size())
                          ? columnChars_[static_cast<size_t>(column)]
                          : 15;
    return chars * view_->fontMetrics().averageCharWidth() + 8;
}

int LineGrid::columnsWidth() const {
    int width = 2 * view_->frameWidth() + view_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < model_->columnCount(); ++c)
        width += columnWidth(c);
    return width;
}

bool LineGrid::eventFilter(QObject* watched, QEvent* event) {
    // Opened, or closed by OK or Cancel: the steps start anew.
    if (watched == parent() && !event->spontaneous() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        resetHistory();
    if (event->type() == QEvent::KeyPress) {
        if (watched == view_ && !editor_->isVisible())
            return gridKeyPress(static_cast<QKeyEvent*>(event));
        if (watched == editor_)
            return editorKeyPress(static_cast<QKeyEvent*>(event));
    }
    return QObject::eventFilter(watched, event);
}

void LineGrid::reload() {
    syncing_ = true;
    model_->reload();
    syncing_ = false;
    showGrid();
}

void LineGrid::showGrid() {
    syncing_ = true;
    model_->refresh();
    grid_.row = std::clamp(grid_.row, 1, std::max(1, grid_.dataRows()));
    grid_.col = std::clamp(grid_.col, static_cast<int>(ColFrom), LastEntryColumn(grid_.kind));
    const QModelIndex current = model_->index(grid_.row - 1, grid_.col);
    view_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(current);
    syncing_ = false;
    recordStep();
    owner_.gridShown();
}

void LineGrid::onCurrentChanged(const QModelIndex& current) {
    if (syncing_)
        return;
    // Leaving a cell while it is being edited keeps what was typed, checked as Enter
    // checks it.
    if (editor_->isVisible())
        leaveEditedCell();
    if (!current.isValid())
        return;
    grid_.row = current.row() + 1;
    grid_.col = current.column();
    if (grid_.col < ColFrom || grid_.col > LastEntryColumn(grid_.kind)) {
        // A fixed or computed column is never current: a click on it lands on a cell that
        // takes entries.
        grid_.col = std::clamp(grid_.col, static_cast<int>(ColFrom), LastEntryColumn(grid_.kind));
        showGrid();
    }
}

} // namespace corvane

#include "traverse/linegrid.h"

#include "platform/desktop.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QScrollBar>
#include <QTableView>
#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>
#include <cmath>

namespace corvane {

LineGridModel::LineGridModel(const TraverseGrid& grid, QStringList headings, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), headings_(std::move(headings)),
      shownRows_(grid.dataRows()) {}

int LineGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int LineGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant LineGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    // The link column is shaded like the heading: it is the grid's fixed column.
    if (role == Qt::BackgroundRole && index.column() == ColLink)
        return QGuiApplication::palette().button();
    if (role != Qt::DisplayRole)
        return {};
    const int row = index.row() + 1;
    if (row > grid_.dataRows() || index.column() >= columnCount())
        return {};
    return fromCore(grid_.cell(row, index.column()));
}

QVariant LineGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= headings_.size())
        return {};
    return headings_[section];
}

Qt::ItemFlags LineGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The link column is the grid's fixed column, and a computed column is only shown: they
    // are never current.
    if (index.column() == ColLink || index.column() > LastEntryColumn(grid_.kind))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void LineGridModel::reload() {
    beginResetModel();
    shownRows_ = grid_.dataRows();
    endResetModel();
}

void LineGridModel::refresh() {
    const int rows = grid_.dataRows();
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

namespace {

bool sameLink(const std::optional<LinkPair>& a, const std::optional<LinkPair>& b) {
    return a.has_value() == b.has_value() && (!a || (a->from == b->from && a->to == b->to));
}

} // namespace

// One edit of the grid: the rows from `at` it replaced, before and after, and the cursor and
// the marked lines on either side.
class GridEditStep : public QUndoCommand {
  public:
    GridEditStep(LineGrid& grid, int at, GridRows oldRows,
                 std::vector<std::optional<LinkPair>> oldLinks, GridRows newRows,
                 std::vector<std::optional<LinkPair>> newLinks, LineGrid::Snapshot oldState,
                 LineGrid::Snapshot newState)
        : grid_(grid), at_(at), oldRows_(std::move(oldRows)), oldLinks_(std::move(oldLinks)),
          newRows_(std::move(newRows)), newLinks_(std::move(newLinks)),
          oldState_(std::move(oldState)), newState_(std::move(newState)) {
        setText(QStringLiteral("edit"));
    }
    void undo() override { grid_.applyStep(at_, newRows_.size(), oldRows_, oldLinks_, oldState_); }
    void redo() override {
        // Pushed after the edit was made: the first redo has nothing to do.
        if (first_) {
            first_ = false;
            return;
        }
        grid_.applyStep(at_, oldRows_.size(), newRows_, newLinks_, newState_);
    }

  private:
    LineGrid& grid_;
    int at_;
    GridRows oldRows_;
    std::vector<std::optional<LinkPair>> oldLinks_;
    GridRows newRows_;
    std::vector<std::optional<LinkPair>> newLinks_;
    LineGrid::Snapshot oldState_, newState_;
    bool first_ = true;
};

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
    const size_t n = grid_.rows.size(), m = baseRows_.size();
    size_t p = 0;
    while (p < n && p < m && grid_.rows[p] == baseRows_[p] &&
           sameLink(grid_.linkPairs[p], baseLinks_[p]))
        ++p;
    size_t e = 0;
    while (e < n - p && e < m - p && grid_.rows[n - 1 - e] == baseRows_[m - 1 - e] &&
           sameLink(grid_.linkPairs[n - 1 - e], baseLinks_[m - 1 - e]))
        ++e;
    Snapshot now{grid_.row, grid_.col, markedLines()};
    if (p == n && p == m && now.marked == baseState_.marked) {
        baseState_.row = now.row;
        baseState_.col = now.col;
        return;
    }
    auto slice = [](const auto& v, size_t from, size_t to) {
        return std::decay_t<decltype(v)>(v.begin() + static_cast<std::ptrdiff_t>(from),
                                         v.begin() + static_cast<std::ptrdiff_t>(to));
    };
    GridRows oldRows = slice(baseRows_, p, m - e);
    auto oldLinks = slice(baseLinks_, p, m - e);
    GridRows newRows = slice(grid_.rows, p, n - e);
    auto newLinks = slice(grid_.linkPairs, p, n - e);
    // The base follows the grid.
    baseRows_.erase(baseRows_.begin() + static_cast<std::ptrdiff_t>(p),
                    baseRows_.begin() + static_cast<std::ptrdiff_t>(m - e));
    baseRows_.insert(baseRows_.begin() + static_cast<std::ptrdiff_t>(p), newRows.begin(),
                     newRows.end());
    baseLinks_.erase(baseLinks_.begin() + static_cast<std::ptrdiff_t>(p),
                     baseLinks_.begin() + static_cast<std::ptrdiff_t>(m - e));
    baseLinks_.insert(baseLinks_.begin() + static_cast<std::ptrdiff_t>(p), newLinks.begin(),
                      newLinks.end());
    Snapshot before = baseState_;
    baseState_ = now;
    undo_->push(new GridEditStep(*this, static_cast<int>(p), std::move(oldRows),
                                 std::move(oldLinks), std::move(newRows), std::move(newLinks),
                                 std::move(before), std::move(now)));
}

void LineGrid::applyStep(int at, size_t removeCount, const GridRows& rows,
                         const std::vector<std::optional<LinkPair>>& links, const Snapshot& state) {
    hideEditor();
    grid_.syncLinkPairs();
    // A change not yet shown is not a step: the grid goes back to what the steps know first.
    if (grid_.rows.size() != baseRows_.size() || grid_.rows != baseRows_) {
        grid_.rows = baseRows_;
        grid_.linkPairs = baseLinks_;
    }
    if (at < 0 || static_cast<size_t>(at) + removeCount > baseRows_.size())
        return;
    for (auto* target : {&grid_.rows, &baseRows_}) {
        target->erase(target->begin() + at, target->begin() + at + static_cast<int>(removeCount));
        target->insert(target->begin() + at, rows.begin(), rows.end());
    }
    for (auto* target : {&grid_.linkPairs, &baseLinks_}) {
        target->erase(target->begin() + at, target->begin() + at + static_cast<int>(removeCount));
        target->insert(target->begin() + at, links.begin(), links.end());
    }
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

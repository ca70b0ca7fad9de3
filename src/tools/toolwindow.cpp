#include "tools/toolwindow.h"

#include "calculator/frmorvacalc.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "platform/controls.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

namespace corvane {

ToolWindow::ToolWindow(PlanHost& host, QWidget* parent, const char* objectName,
                       const QString& caption, GridKind kind, QStringList headings,
                       std::vector<int> columnChars, const char* editorName)
    : QWidget(parent, Qt::Window), host_(host) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(caption);
    grid_.kind = kind;
    lineGrid_ =
        new LineGrid(this, grid_, *this, std::move(headings), std::move(columnChars), editorName);
    host_.registerPlanWindow(this);
}

ToolWindow::~ToolWindow() {
    // The grid goes before the window's widgets: the line grid must no longer see them.
    removeEventFilter(lineGrid_);
    host_.unregisterPlanWindow(this);
}

void ToolWindow::closeForPlanChange() {
    if (!isVisible())
        return;
    lineGrid_->hideEditor();
    discardWindow();
}

bool ToolWindow::hasUnsavedEdits() {
    if (!isVisible() || !storesPlanLines())
        return false;
    return lineGrid_->editorHoldsChange() || grid_.chkChange || !lineGrid_->undoStack()->isClean();
}

bool ToolWindow::keepEditing() {
    if (!hasUnsavedEdits())
        return false;
    return desktop().message(QStringLiteral("Your changes will not be saved !\nDo you still want "
                                            "to cancel ?"),
                             QStringLiteral("Cancel"), Icon::Question, Buttons::YesNo,
                             Answer::No) != Answer::Yes;
}

QString ToolWindow::planWindowName() const {
    return QStringLiteral("The window \"") + windowTitle() + QLatin1Char('"');
}

bool ToolWindow::saveEdits() {
    // What is typed in the open cell is part of the rows stored.
    if (lineGrid_->editorVisible())
        lineGrid_->commitEditor();
    okWindow();
    return !isVisible();
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    lineGrid_->hideEditor();
    cancelWindow();
    // The window's Cancel decided: it hid the window, or the user kept it open.
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void ToolWindow::gridMessage(const Error& message) {
    desktop().showError(message);
}

void ToolWindow::showError(const Error& error) {
    desktop().showError(error);
}

bool ToolWindow::loadLinesIfNeeded() {
    if (LinesCurrent(plan()))
        return true;
    Result<void> loaded = LoadLines(plan());
    if (!loaded)
        showError(loaded.error());
    return loaded.ok();
}

QPushButton* ToolWindow::button(const char* name, const QString& caption, const QString& tip) {
    // Enter belongs to the grid: no button of these windows takes it as its default.
    QPushButton* made = MakeButton(this, name, caption, tip);
    made->setAutoDefault(false);
    return made;
}

void ToolWindow::addUndoControls(QBoxLayout* layout) {
    layout->setMenuBar(lineGrid_->makeEditMenuBar(this));
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("UndoBar"));
    bar->addAction(lineGrid_->undoAction());
    bar->addAction(lineGrid_->redoAction());
    layout->insertWidget(0, bar);
}

bool ToolWindow::refuseSave(const QString& title, bool linesRows) {
    if (host_.refuseWrite(QStringLiteral("the window \"") + windowTitle() + QLatin1Char('"'),
                          title))
        return true;
    if (!linesRows)
        return false;
    if (auto stale = LinesChangedSince(plan(), filledStamp_)) {
        desktop().message(fromCore(*stale), title, Icon::Exclamation);
        return true;
    }
    return false;
}

void ToolWindow::showOpened() {
    filledStamp_ = CurrentLinesStamp(plan());
    lineGrid_->reload();
    lineGrid_->resetHistory();
    show();
    raise();
    activateWindow();
    lineGrid_->view()->setFocus();
}

void ToolWindow::calculatorKey() {
    frmOrvaCalc* calculator = host_.calculator();
    const int bearing = BearingColumn(grid_.kind);
    if (!calculator || (grid_.col != bearing && grid_.col != DistanceColumn(grid_.kind)))
        return;
    lineGrid_->hideEditor();
    const QString result = calculator->runModal(grid_.col == bearing);
    if (result.isEmpty()) {
        lineGrid_->view()->setFocus();
        return;
    }
    lineGrid_->commitText(toCore(result));
}

std::optional<QString> ToolWindow::printLines(const QString& documentName, const QString& what,
                                              const std::vector<PrintLine>& lines,
                                              const QString& errorTitle) {
    auto job = desktop().startPrint(documentName, PathFromCore(DirectoryOf(plan().PlanPath)),
                                    PrintoutPdfName(plan().PlanPath, what));
    if (!job)
        return std::nullopt;
    const FontChoice font = host_.reportFont();
    job->setFont(font.name, font.size);
    for (const PrintLine& line : lines)
        job->print(line);
    const Result<QString> ended = job->endDocument();
    if (!ended) {
        desktop().showError(Error{ended.error().message, toCore(errorTitle), Icon::Critical});
        return std::nullopt;
    }
    return PrintedToText(ended.value());
}

} // namespace corvane

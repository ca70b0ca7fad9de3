#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"
#include "core/files/linesfile.h"
#include "core/grid/traverse.h"
#include "gridui/linegrid.h"
#include "host/planhost.h"

#include <QWidget>
#include <optional>
#include <vector>

class QBoxLayout;
class QCloseEvent;
class QPushButton;

namespace corvane {

// What the derived-line tool windows share: a line grid of their own kind over the open
// plan, messages through the desktop, printing in the report font, and the plan window's
// rule that Open and Exit close the window through its own Cancel (which may keep it open,
// and so keep the plan).
class ToolWindow : public QWidget, public PlanWindow, protected LineGridOwner {
    Q_OBJECT

  public:
    ToolWindow(PlanHost& host, QWidget* parent, const char* objectName, const QString& caption,
               GridKind kind, QStringList headings, std::vector<int> columnChars,
               const char* editorName);
    ~ToolWindow() override;

    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override { return isVisible(); }
    bool hasUnsavedEdits() override;
    QString planWindowName() const override;
    bool saveEdits() override;

    const TraverseGrid& grid() const { return grid_; }
    bool editorVisible() const { return lineGrid_->editorVisible(); }

  protected:
    // The window's Cancel or Close: hides the window unless the user keeps it.
    virtual void cancelWindow() = 0;
    // Cancel's question while the window holds unsaved rows (or typed text): true when the user
    // keeps editing.
    bool keepEditing();
    // Closes the window without a question, dropping what it holds (as Cancel drops it).
    virtual void discardWindow() { hide(); }
    // The window's OK: stores the rows and hides the window, or says why not and stays.
    virtual void okWindow() {}
    // True when the window's rows are lines of the plan it stores (the offsides window
    // stores nothing).
    virtual bool storesPlanLines() const { return true; }

    PlanState& plan() { return host_.plan(); }
    Desktop& desktop() { return host_.desktop(); }
    PlanState& gridPlan() override { return plan(); }
    void gridMessage(const Error& message) override;
    void showError(const Error& error);
    // Reads the lines file when PlanLines does not hold it; false (the message shown) when
    // the file is refused.
    bool loadLinesIfNeeded();
    QPushButton* button(const char* name, const QString& caption, const QString& tip);
    // Records the lines file's stamp with the rows and shows the window.
    void showOpened();
    // Refuses (after saying why) a save into a plan open read-only, or, for rows of the lines
    // file (linesRows), rows older than the file; true when refused.
    bool refuseSave(const QString& title, bool linesRows);
    // The Edit menu and the Undo and Redo buttons, above the window's controls.
    void addUndoControls(QBoxLayout* layout);
    // F9 in a bearing or distance cell: the survey calculator's result is committed there.
    void calculatorKey();
    // Prints lines as one document in the report font, offered as a PDF named by the plan
    // and what is printed. The message after a printout that ended well is the caller's:
    // the text saying where it went is returned; nullopt when nothing was printed.
    std::optional<QString> printLines(const QString& documentName, const QString& what,
                                      const std::vector<PrintLine>& lines,
                                      const QString& errorTitle);
    void closeEvent(QCloseEvent* event) override;

    PlanHost& host_;
    TraverseGrid grid_;
    LinesStamp filledStamp_;
    LineGrid* lineGrid_ = nullptr;
};

} // namespace corvane

#pragma once

#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/grid/traverse.h"
#include "core/grid/traverse_closure.h"
#include "core/grid/traverse_edit.h"
#include "gridui/linegrid.h"
#include "host/planhost.h"

#include <QRect>
#include <QWidget>
#include <optional>

class QAction;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolBar;

namespace corvane {

class frmCurve;

// The traverse window: one row per measured line (From, To, bearing, distance) in the grid
// Grid1, typed through the cell editor ttext laid over the current cell. It works in one of
// three modes: a parcel's boundary, the whole lines file ("Edit Lines"), or connection lines
// that belong to no parcel. The rules for every cell, the closure, the saving of the lines
// and the parcel, and the printout are the core's; the window turns keys and clicks into
// those calls and shows what they return.
class frmTraverse : public QWidget, public PlanWindow, private LineGridOwner {
    Q_OBJECT

  public:
    explicit frmTraverse(PlanHost& host, QWidget* parent = nullptr);
    ~frmTraverse() override;

    // Each opener first runs Cancel on what the window still shows, then fills the grid and
    // shows the window with the cursor in the From column; false when it did not open (the
    // message was shown).
    // A parcel of the polygons file, with its lines found in PlanLines.
    bool openParcel(const QString& identifier);
    // A parcel named in the new parcel dialog; existing: it is in the parcel list already,
    // and its lines are loaded so the command edits it.
    bool openNewParcel(const QString& identifier, bool existing);
    // Lines that belong to no parcel ("Add Connection Lines").
    bool openConnections();
    // Every live line of the lines file, after a backup copy of the file; the window then
    // owns the lines (PlanLines is emptied and marked not loaded) and writes them on OK.
    bool openEditLines();

    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override;
    // The rows differ from what was opened (the grid's undo history is not at its start).
    bool hasUnsavedEdits() override;
    QString planWindowName() const override;
    bool saveEdits() override;

    const TraverseGrid& grid() const { return grid_; }
    frmCurve* curveWindow() const { return curve_; }
    bool editorVisible() const;

    // The frame a window wanting the given frame gets on a screen whose free area is
    // available: no larger than that area, and moved into it.
    static QRect FitOnScreen(const QRect& wanted, const QRect& available);

  signals:
    // A new parcel was appended to the polygons file (the host's list has it too).
    void parcelAdded(const QString& identifier);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Coming back to the window from the main window, where the accuracy class may have
    // changed, the closure panel is read again.
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PlanState& plan() { return host_.plan(); }
    Desktop& desktop() { return host_.desktop(); }

    // Window set-up (frmtraverse.cpp).
    void buildControls();
    QAction* addTool(const char* key, const QString& caption, const QString& tip);
    void placeOnScreen();
    bool prepareOpening();
    void showCaption();
    void beginMode(bool parcel, bool edit, const std::string& caption);
    void showOpened();
    // Puts the core's rows, current cell and caption into the widgets.
    void showGrid();
    void reloadGrid();
    void showMessage(const Error& message);
    void showError(const Error& error);
    bool loadLinesIfNeeded();
    QuestionFn questioner();
    std::optional<CurveTable> readCurves();
    std::string accuracyClass() const;

    // The grid's keys and the toolbar (traverseediting.cpp).
    PlanState& gridPlan() override { return plan(); }
    void gridMessage(const Error& message) override { showMessage(message); }
    bool gridFunctionKey(int key) override;
    bool editorFunctionKey(int key, int col) override;
    bool gridCommitted(const CommitOutcome& outcome) override;
    void gridShown() override;
    // The closure panel beside the grid, read again from the rows.
    void showClosurePanel();
    void hideEditor();
    void runCommit(const CommitOutcome& outcome);
    void newPointKey();
    void noDataKey();
    void curveEntry();
    void calculatorEntry();
    void Toolbar1_ButtonClick(const QString& key);

    // The commands (traversecommands.cpp).
    void cmdClosure_Click();
    void cmdOK_Click();
    void cmdOK_RightClick();
    void cmdCancel_Click();
    void cmdPrint_Click();
    void cmdDraw_Click();
    void cmdFind_Click();
    void cmdFindError_Click();
    // Cancel: asks about rows that differ from what was opened (store, drop, or go back)
    // unless ask is false; true when the window closed.
    bool runCancel(bool ask = true);
    void showClosure(const ClosureReport& report);
    void setAreaResult(const ClosureReport& report);
    bool saveParcelHalf(std::optional<StagedFile> linesFile);

    // Refuses (after saying why) to store rows older than the lines file, or into a plan open
    // read-only; true when refused.
    bool refuseSave();

    PlanHost& host_;
    TraverseGrid grid_;
    LinesStamp filledStamp_;
    LineGrid* lineGrid_ = nullptr;
    // The area of the last closure, for a host without an area window.
    double area_ = 0.0; // the closure's area as it is stored, square metres
    AreaOption areaOption_ = AreaOption::Calculated;

    QToolBar* Toolbar1 = nullptr;
    QGroupBox* fraClosure = nullptr;
    QLabel* lblClosingBearing = nullptr;
    QLabel* lblClosingDistance = nullptr;
    QLabel* lblRatio = nullptr;
    QLabel* lblAllowable = nullptr;
    QLabel* lblArea = nullptr;
    QLabel* lblVerdict = nullptr;
    QTableView* Grid1 = nullptr;
    QLineEdit* ttext = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdClosure = nullptr;
    QPushButton* cmdDraw = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdFindError = nullptr;
    QLineEdit* txtFind = nullptr;
    QRadioButton* optPointNo = nullptr;
    QRadioButton* optBearing = nullptr;
    QRadioButton* optDistance = nullptr;
    frmCurve* curve_ = nullptr;
};

} // namespace corvane

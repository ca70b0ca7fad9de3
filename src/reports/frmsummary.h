#pragma once

#include "host/planhost.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTableWidget;

namespace corvane {

class PrintJob;

// The closure summary window: every parcel of the open plan with its closure and area, and a
// status code against those that need attention ("+" a calculated area that differs from the
// stored one, "#" an area to edit, "*" parcel data to edit, "md" missing data). It belongs to
// the open plan, so the main window closes it before another plan is opened.
class frmSummary : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmSummary(PlanHost& host, QWidget* parent = nullptr);
    ~frmSummary() override;

    // The main window's "Summary..." button and View > "Summary...": runs the closure summary
    // of the open plan and shows the window.
    void openSummary();

    // PlanWindow
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override;

  private slots:
    void cmdAreas_Click();
    void cmdRefresh_Click();
    void cmdPrint_Click();
    void printDiagnosis(PrintJob& job);
    void cmdClose_Click();
    void Grid1_DblClick(int row, int column);

  private:
    void buildControls();
    // Loads the lines when they are not in memory; false (after saying so) when there are
    // none.
    bool EnsureLines();
    // Runs the closure summary and its status codes into the grid; false when it failed.
    bool FillSummary();
    void ClearGrid();
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    void showError(const Error& error);

    PlanHost& host_;
    QTableWidget* Grid1 = nullptr;
    QGroupBox* fraLegend = nullptr;
    QPushButton* cmdAreas = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdPrint = nullptr;
    QCheckBox* chkDiagnose = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace corvane

#pragma once

#include "core/files/linesfile.h"
#include "core/reports/lodgement.h"
#include "host/planhost.h"
#include "tools/lineswatch.h"

#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace corvane {

// The examiner's check of the open plan before lodgement: the findings of every rule, errors
// first in red, warnings in amber. A double-click on a finding opens its parcel in the traverse
// window (through parcelWanted), or shows its line or point on the plan view. Print prints the
// list. Findings of lines that have since changed are taken away, not shown as if they held.
class frmPlanCheck : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmPlanCheck(PlanHost& host, QWidget* parent = nullptr);
    ~frmPlanCheck() override;

    // Options > "Check Plan...": checks the plan under the accuracy class chosen in the main
    // window and shows the findings (the message shown instead when it cannot be checked).
    void openCheck();

    const std::optional<LodgementCheck>& check() const { return check_; }
    // Takes the findings away when the plan's lines have changed since the check; true when
    // they had (the window checks by itself as well, every second).
    bool checkStale();

    // PlanWindow
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override { return isVisible(); }

  signals:
    // A finding about a parcel was double-clicked: the parcel is to be opened for editing.
    void parcelWanted(const QString& identifier);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    bool runCheck();
    void showFindings();
    void clearFindings(const QString& why);
    void cmdCheck_Click();
    void cmdPrint_Click();
    void grdFindings_DblClick(int row);

    PlanHost& host_;
    std::optional<LodgementCheck> check_;
    QString accuracy_; // the class the findings were judged under
    QString owner_;
    QLabel* lblSummary = nullptr;
    QTableWidget* grdFindings = nullptr;
    QPushButton* cmdCheck = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
    LinesWatch* watch_ = nullptr;
};

} // namespace corvane

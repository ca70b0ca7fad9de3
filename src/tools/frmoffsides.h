#pragma once

#include "tools/toolwindow.h"

class QCheckBox;
class QRadioButton;

namespace corvane {

// The road offsides window: a traverse along one side of a road with the road's width
// beside each line; Calc. Offsides fills in the length of each middle line's counterpart on
// the far side, Merge Lines joins straight runs of one width, and Print lists them with the
// cosecant data. It writes nothing to the plan's files.
class frmOffsides : public ToolWindow {
    Q_OBJECT

  public:
    frmOffsides(PlanHost& host, QWidget* parent = nullptr);

    // Shows the window with an empty grid, the cursor on row 1's From.
    void openOffsides();
    bool offsidesCalculated() const { return chkOffsides_; }

  protected:
    void cancelWindow() override { hide(); }
    // Offsides are worked out and printed; nothing of the plan is stored from here.
    bool storesPlanLines() const override { return false; }
    bool gridFunctionKey(int key) override;

  private:
    void cmdClear_Click();
    void cmdCalc_Click();
    void cmdMerge_Click();
    void cmdPrint_Click();

    bool chkOffsides_ = false;
    QRadioButton* optLeft = nullptr;
    QRadioButton* optRight = nullptr;
    QPushButton* cmdPrint = nullptr;
};

} // namespace corvane

#pragma once

#include "tools/toolwindow.h"

class QCheckBox;

namespace corvane {

// The scaled lines window: the lines of the plan's scaled lines file, which are drawn with
// the plan but take no part in closures, one per row, and each digitized point string of the
// file as one row carried through every save unchanged.
class frmScaled : public ToolWindow {
    Q_OBJECT

  public:
    frmScaled(PlanHost& host, QWidget* parent = nullptr);

    // Fills the grid from the scaled lines file (one empty row without one) and shows it.
    void openScaled();

  protected:
    void cancelWindow() override;
    void okWindow() override { cmdOK_Click(); }
    bool gridFunctionKey(int key) override;
    void gridShown() override;

  private:
    void addRow(bool atEnd);
    void cmdDeleteLine_Click();
    void cmdPrint_Click();
    void cmdOK_Click();

    QCheckBox* chkChange = nullptr;
};

} // namespace corvane

#pragma once

#include "tools/toolwindow.h"

class QCheckBox;

namespace corvane {

// The survey mark connections window: one measured line from a permanent survey mark to a
// parcel corner per row, the bearing always from the mark. OK checks every row and writes
// the lines file; Delete marks a loaded connection's line for removal, which Cancel undoes.
class frmPSM : public ToolWindow {
    Q_OBJECT

  public:
    frmPSM(PlanHost& host, QWidget* parent = nullptr);

    // Fills the grid with the plan's corner-to-mark lines and shows the window.
    void openConnections();

  protected:
    void cancelWindow() override;
    void okWindow() override { cmdOK_Click(); }
    void discardWindow() override;
    bool gridFunctionKey(int key) override;
    void gridShown() override;

  private:
    void cmdAddLine_Click();
    void cmdInsert_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void cmdOK_Click();

    // The lines Delete marked since the window was filled.
    std::vector<LinkPair> deleted_;
    QCheckBox* chkChange = nullptr;
    QPushButton* cmdPrint = nullptr;
};

} // namespace corvane

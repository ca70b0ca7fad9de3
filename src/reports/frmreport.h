#pragma once

#include "core/base/printtext.h"
#include "host/planhost.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace corvane {

// Prints the report's lines in the report font.
void PrintReport(PrintJob& job, const FontChoice& font, const std::vector<PrintLine>& report);

// The printed plan report: the user ticks the sections wanted, may choose the printing
// font, names the print, and the chosen sections print one after the other as one
// document, on the printer or first in the print preview.
class frmReport : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmReport(PlanHost& host, QWidget* parent = nullptr);
    ~frmReport() override;

    // The main window's "Print..." button and File > "Print...".
    void openReport();

    // PlanWindow
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override;

  private slots:
    void cmdOK_Click();
    void cmdPreview_Click();
    void cmdFonts_Click();
    void cmdCancel_Click();

  private:
    void buildControls();
    // Loads the lines, asks for the print name and puts the report together; false (after
    // saying why, where there is something to say) when there is nothing to print.
    bool ComposeReport(std::vector<PrintLine>& report);
    // Prints directly, or through the preview.
    void PrintReport(bool preview);

    PlanHost& host_;
    QGroupBox* fraOptions = nullptr;
    QCheckBox* chkSummary = nullptr;
    QCheckBox* chkSDB = nullptr;
    QCheckBox* chkFull = nullptr;
    QCheckBox* chkPMs = nullptr;
    QCheckBox* chkALLDist = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdFonts = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace corvane

// Reports, the plan drawing, the derived-line tools and the calculator.
#include "mainwin/frmcorvane.h"

#include "calculator/frmorvacalc.h"
#include "core/geometry/plancoords.h"
#include "drawing/frmdrawplan.h"
#include "reports/frmcoords.h"
#include "reports/frmreport.h"
#include "tools/frmadjust.h"
#include "tools/frmmapgrid.h"
#include "tools/frmoffsides.h"
#include "tools/frmplancheck.h"
#include "tools/frmpsm.h"
#include "tools/frmscaled.h"

#include <QAction>
#include <QPushButton>

namespace corvane {

void frmCorvane::mnuCreateCoords_Click() {
    if (coords_)
        coords_->openCoords();
}

void frmCorvane::mnuScaledData_Click() {
    if (scaled_)
        scaled_->openScaled();
}

void frmCorvane::mnuPSMs_Click() {
    if (psm_ && EnsureLinesLoaded())
        psm_->openConnections();
}

void frmCorvane::mnuCalcOffsides_Click() {
    if (offsides_ && EnsureLinesLoaded())
        offsides_->openOffsides();
}

void frmCorvane::mnuPrint_Click() {
    if (report_)
        report_->openReport();
}

void frmCorvane::mnuDrawPlan_Click() {
    if (!planView_ || !EnsureLinesLoaded())
        return;
    WholePlanDrawing drawing;
    {
        BusyCursor busy(desktop_);
        drawing = PrepareWholePlanDrawing(plan_.PlanLines, plan_.PlanPath);
    }
    ShowErrors(drawing.Problems);
    planView_->ShowPlan(PlanContent::ofWholePlan(std::move(drawing), plan_.PlanPath));
    mnuDrawPlan->setEnabled(false);
    cmdDrawPlan->setEnabled(false);
}

void frmCorvane::mnuAdjustPlan_Click() {
    if (adjust_ && EnsureLinesLoaded())
        adjust_->openAdjustment();
}

void frmCorvane::mnuCheckPlan_Click() {
    if (planCheck_ && EnsureLinesLoaded())
        planCheck_->openCheck();
}

void frmCorvane::mnuMapGrid_Click() {
    if (mapGrid_)
        mapGrid_->openMapGrid();
}

void frmCorvane::mnuCalculator_Click() {
    // Plain figures: the bearing mode is off when the calculator is opened from here.
    calculator_->showModeless(false);
}

} // namespace corvane

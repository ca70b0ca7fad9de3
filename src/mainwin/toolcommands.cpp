// Reports, the plan drawing, the derived-line tools and the calculator.
#include "mainwin/frmcorvane.h"

#ifdef CORVANE_HAVE_CALCULATOR
#include "calculator/frmorvacalc.h"
#endif

namespace corvane {

void frmCorvane::mnuCreateCoords_Click() {
    NotYetAvailable(QStringLiteral("Create Coord file"));
}

void frmCorvane::mnuScaledData_Click() {
    NotYetAvailable(QStringLiteral("Scaled Data..."));
}

void frmCorvane::mnuPSMs_Click() {
    NotYetAvailable(QStringLiteral("PSM's..."));
}

void frmCorvane::mnuCalcOffsides_Click() {
    NotYetAvailable(QStringLiteral("Calc. Offsides..."));
}

void frmCorvane::mnuPrint_Click() {
    NotYetAvailable(QStringLiteral("Print..."));
}

void frmCorvane::mnuSummary_Click() {
    NotYetAvailable(QStringLiteral("Summary..."));
}

void frmCorvane::mnuDrawPlan_Click() {
    NotYetAvailable(QStringLiteral("Draw Plan..."));
}

void frmCorvane::mnuCalculator_Click() {
#ifdef CORVANE_HAVE_CALCULATOR
    // Plain figures: the bearing mode is off when the calculator is opened from here.
    if (calculator_) {
        calculator_->showModeless(false);
        return;
    }
#endif
    NotYetAvailable(QStringLiteral("Use Calculator..."));
}

} // namespace corvane

#pragma once

#include "core/base/printtext.h"
#include "core/files/curves.h"
#include "core/grid/traverse.h"
#include "core/grid/traverse_closure.h"
#include "core/model/records.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The print-tab columns of the traverse sheet.
inline constexpr int kPrintFromTab = 10;
inline constexpr int kPrintToTab = 21;
inline constexpr int kPrintBearingTab = 31;
inline constexpr int kPrintAngleTab = 41;
inline constexpr int kPrintDistanceTab = 52;
inline constexpr int kPrintEastTab = 64;
inline constexpr int kPrintNorthTab = 76;

// The heading and the table of the traverse sheet: one line per row with From, To, bearing,
// the angle turned from the line before (the first row against the last), distance, and
// the running east and north from the first point. Edit-lines mode prints no angles and
// no coordinates. Trims trailing rows without a distance first.
std::vector<PrintLine> PrintTraverse(TraverseGrid& grid, const std::string& planPath,
                                     std::string_view accuracyClass, const CurveTable& curves);

// The whole printout of the Print command: the sheet, the closure report (not in edit-lines
// mode; printed, so no question is asked), and "Printed on " with the date and time given.
// Nothing with fewer than two rows. closure: the report printed, whose area the window may
// hand to the area window as a closure would.
struct TraversePrintout {
    std::vector<PrintLine> lines;
    std::optional<ClosureReport> closure;
};
TraversePrintout PrintTraverseSheet(TraverseGrid& grid, PlanState& plan,
                                    std::string_view accuracyClass, const CurveTable& curves,
                                    const std::string& printedOn);

} // namespace corvane

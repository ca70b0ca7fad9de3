#include "core/reports/traverse_print.h"

#include "core/base/numtext.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <cmath>

namespace corvane {

namespace {

const std::string kRule(72, '=');

// A plain bearing begins with a figure: "No Data", an arc's "R" text and an empty cell do
// not, and have no angle.
bool plainBearing(const std::string& text) {
    return !text.empty() && static_cast<unsigned char>(text.front()) < 58;
}

std::string sheetTitle(const TraverseGrid& grid, const std::string& planPath) {
    if (grid.chkEdit)
        return "Lines data in " + planPath;
    if (grid.chkParcel)
        return "CLOSURE OF " + grid.caption + " in " + planPath;
    return "Traverse in " + planPath;
}

// The line of a row as the sheet advances along it: direction (radians) and length; no
// length for a missing bearing or distance, an empty cell or an arc without a chord.
struct Advance {
    double direction = 0;
    double length = 0;
};

Advance rowAdvance(const GridRow& row, const CurveTable& curves) {
    const std::string& bearing = row[ColBearing];
    if (bearing.empty() || bearing == kNoData)
        return {};
    if (bearing.front() == 'R') {
        CurveData curve =
            LoadCurve(PointLabelToNumber(row[ColFrom]), PointLabelToNumber(row[ColTo]), bearing,
                      row[ColDistance], curves);
        if (!curve.HasChordBearing())
            return {};
        return {BearingToRadians(curve.ChordBearing), ChordLength(bearing, row[ColDistance])};
    }
    return {BearingToRadians(bearing), Val(row[ColDistance])};
}

} // namespace

std::vector<PrintLine> PrintTraverse(TraverseGrid& grid, const std::string& planPath,
                                     std::string_view accuracyClass, const CurveTable& curves) {
    LastGridLine(grid);
    const int n = grid.dataRows();
    std::vector<PrintLine> out;
    out.emplace_back();
    out.push_back(TabLine(kPrintFromTab, kRule));
    out.push_back(TabLine(kPrintFromTab, sheetTitle(grid, planPath)));
    out.push_back(TabLine(kPrintFromTab, kRule));
    out.emplace_back();
    // A traverse that ends on its first point (compared as coded numbers, so marks count)
    // is judged against the accuracy class.
    if (grid.chkParcel && n >= 1 &&
        PointLabelToNumber(grid.cell(1, ColFrom)) == PointLabelToNumber(grid.cell(n, ColTo))) {
        out.push_back(TabLine(kPrintFromTab, "Accuracy criterion = " + std::string(accuracyClass)));
        out.emplace_back();
    }
    PrintLine headings;
    headings.tab(kPrintFromTab, "From")
        .tab(kPrintToTab, "To")
        .tab(kPrintBearingTab, "Bearing")
        .tab(kPrintAngleTab, "Angle")
        .tab(kPrintDistanceTab, "Distance")
        .tab(kPrintEastTab, "East")
        .tab(kPrintNorthTab, "North");
    out.push_back(headings);
    out.emplace_back();

    double east = 0;
    double north = 0;
    std::string previous = n >= 1 ? grid.cell(n, ColBearing) : std::string();
    for (int r = 1; r <= n; ++r) {
        const GridRow& row = grid.at(r);
        PrintLine line;
        line.tab(kPrintFromTab, row[ColFrom])
            .tab(kPrintToTab, row[ColTo])
            .tab(kPrintBearingTab, row[ColBearing]);
        const Advance advance = rowAdvance(row, curves);
        if (!grid.chkEdit && plainBearing(previous) && plainBearing(row[ColBearing]))
            line.tab(kPrintAngleTab, Format(TraverseAngle(previous, row[ColBearing]), "0.0000"));
        line.tab(kPrintDistanceTab, row[ColDistance]);
        if (!grid.chkEdit) {
            east += advance.length * std::sin(advance.direction);
            north += advance.length * std::cos(advance.direction);
            line.tab(kPrintEastTab, Format(east, "0.000"))
                .tab(kPrintNorthTab, Format(north, "0.000"));
        }
        out.push_back(line);
        previous = row[ColBearing];
    }
    return out;
}

TraversePrintout PrintTraverseSheet(TraverseGrid& grid, PlanState& plan,
                                    std::string_view accuracyClass, const CurveTable& curves,
                                    const std::string& printedOn) {
    TraversePrintout printout;
    if (grid.dataRows() < 2)
        return printout;
    printout.lines = PrintTraverse(grid, plan.PlanPath, accuracyClass, curves);
    printout.lines.emplace_back();
    if (!grid.chkEdit) {
        // A printed closure never stops to ask about the traverse's direction.
        ClosureReport report = CalcClosure(grid, plan, true, accuracyClass, curves, nullptr);
        size_t start = 0;
        while (start <= report.text.size()) {
            size_t end = report.text.find('\n', start);
            if (end == std::string::npos)
                end = report.text.size();
            printout.lines.emplace_back(report.text.substr(start, end - start));
            start = end + 1;
        }
        printout.lines.emplace_back();
        printout.closure = std::move(report);
    }
    printout.lines.emplace_back("Printed on " + printedOn);
    return printout;
}

} // namespace corvane

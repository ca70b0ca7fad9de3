#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/geometry/closure.h"
#include "core/geometry/traversesums.h"
#include "core/model/records.h"

#include <string>
#include <vector>

namespace corvane {

// What the closure summary produces, by mode: 0 the summary window's rows; 1 the printed
// summary, one line per parcel; 2 or more the full closure report, every line of every
// parcel with its closure figures.
enum SummaryMode { SummaryRows = 0, SummaryPrint = 1, SummaryFull = 3 };

enum class ParcelStatus { Acceptable, NotAcceptable, MissingData };

// One parcel's row of the summary window: mark, identifier, closure cell ("OK (0.012)",
// "0.123" or "md"), stored area text. A "+" row carries the area the closure computed, for
// the question that offers it in place of the stored one: as shown, and as it is stored
// (square metres to a tenth). A parcel walked anticlockwise offers the area of the parcel
// walked the other way round.
struct SummaryRow {
    std::string Mark;
    std::string Identifier;
    std::string Closure;
    std::string AreaText;
    std::string CalculatedArea;
    ParcelStatus Status = ParcelStatus::MissingData;
    double CalculatedAreaValue = 0.0;
    // For a parcel that closes at all (not "md"): its closure ratio ("1 in N", "exact"), the
    // allowable misclosure of the accuracy class, and the area the closure computes, shown
    // beside the stored one whether or not the two differ.
    std::string Ratio{};
    std::string Allowable{};
    std::string ComputedArea{};
    double ComputedAreaValue = 0.0; // that area in square metres, unrounded

    // The row as the window's grid takes it: the four cells separated by tabs.
    std::string Text() const;
};

struct ClosureSummaryResult {
    std::vector<SummaryRow> Rows; // one per parcel, in file order, whatever the mode
    std::vector<PrintLine> Lines; // what modes 1 and above print
    // True when every parcel closes within the allowable misclosure.
    bool AllAcceptable() const;
};

// The closure of every parcel of a polygons file (its text lines), with the lines and arcs
// of the plan, under an accuracy class.
ClosureSummaryResult ClosureSummary(int mode, const std::string& planPath,
                                    const std::vector<std::string>& polygonLines,
                                    const std::vector<LineRecord>& lines, const CurveTable& curves,
                                    const std::string& accuracyClass);

// The same over the open plan: reads its polygons file and its curve file (PlanLines must
// be loaded). A missing polygons file gives "No polygons file found"; a file that cannot be
// read gives the reason. Error title "Summary error".
Result<ClosureSummaryResult> ClosureSummary(int mode, const PlanState& plan,
                                            const std::string& accuracyClass);

// The heading of the printed summary (mode 1) or of one parcel's full closure.
std::vector<PrintLine> PrintClosureHeading(int mode, const std::string& planPath,
                                           const std::string& identifier,
                                           const std::string& accuracyClass);

// What the summary gathers for one parcel while it walks the parcel's points.
struct ParcelSums {
    TraverseSums Traverse;
    bool MissingData = false;
};

// One parcel's closure: its summary row (mode 0 marks) and what the print modes print.
// storedArea is the heading's area text (AreaText), storedValue its figure: a computed area
// is offered in place of it only when the two differ in their displayed form and by more
// than the precision an area is stored to.
struct ParcelClosureResult {
    SummaryRow Row;
    std::vector<PrintLine> Lines;
};
ParcelClosureResult ParcelClosure(int mode, const std::string& identifier, const ParcelSums& sums,
                                  const std::string& storedArea, double storedValue,
                                  const std::string& accuracyClass);

// The marks of the summary window's rows, one per row, from their identifier, closure cell
// and area text: "#" an acceptable closure whose stored area is not a calculated one, "*" a
// parcel to edit; rows meeting neither keep their mark.
std::vector<std::string> MarkSummaryRows(const std::vector<SummaryRow>& rows);

} // namespace corvane

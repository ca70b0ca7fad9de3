#include "core/reports/summary.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <cmath>

namespace corvane {

namespace {

constexpr const char* kNoArea = "No area";

// Construction and easement parcels are not plan parcels in their own right: their areas
// are not offered for correction.
bool isConstructionOrEasement(const std::string& identifier) {
    std::string code = identifier.substr(0, 2);
    return code == "CO" || code == "EA";
}

bool endsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// An area that was estimated rather than calculated from the closure.
bool isApproximateOrDeduced(const std::string& areaText) {
    return endsWith(areaText, "approx.") || endsWith(areaText, "ded.");
}

std::string label(std::int32_t point) {
    return PointNumberToLabel(point);
}

// One parcel being read from the polygons file.
struct ParcelWalk {
    std::string identifier;
    std::string storedArea;
    double storedValue = 0.0;
    ParcelSums sums;
    int points = 0;
    std::int32_t previous = 0;
    std::string previousPlainBearing; // of the line before, when it had a plain bearing
};

} // namespace

std::string SummaryRow::Text() const {
    return Mark + "\t" + Identifier + "\t" + Closure + "\t" + AreaText;
}

bool ClosureSummaryResult::AllAcceptable() const {
    for (const SummaryRow& row : Rows)
        if (row.Status != ParcelStatus::Acceptable)
            return false;
    return true;
}

std::vector<PrintLine> PrintClosureHeading(int mode, const std::string& planPath,
                                           const std::string& identifier,
                                           const std::string& accuracyClass) {
    std::vector<PrintLine> out;
    if (mode == SummaryPrint) {
        const std::string rule(35, '-');
        out.emplace_back();
        out.push_back(TabLine(10, rule));
        out.push_back(TabLine(10, "Summary of Closures for " + planPath));
        out.push_back(TabLine(10, rule));
        out.emplace_back();
        out.push_back(TabLine(10, "Accuracy criterion = " + accuracyClass));
        out.emplace_back();
        return out;
    }
    const std::string rule(72, '=');
    out.emplace_back();
    out.emplace_back(rule);
    out.emplace_back("CLOSURE OF " + identifier + " in " + planPath);
    out.emplace_back(rule);
    out.emplace_back();
    out.emplace_back("Accuracy criterion = " + accuracyClass);
    out.emplace_back();
    PrintLine columns("From");
    columns.tab(11, "To").tab(21, "Bearing").tab(31, "Angle").tab(42, "Distance");
    columns.tab(54, "East").tab(66, "North");
    out.push_back(columns);
    out.emplace_back();
    return out;
}

ParcelClosureResult ParcelClosure(int mode, const std::string& identifier, const ParcelSums& sums,
                                  const std::string& storedArea, double storedValue,
                                  const std::string& accuracyClass) {
    ParcelClosureResult out;
    SummaryRow& row = out.Row;
    row.Identifier = identifier;
    row.AreaText = storedArea;

    if (sums.MissingData) {
        row.Status = ParcelStatus::MissingData;
        row.Closure = "md";
        if (mode == SummaryPrint)
            out.Lines.push_back(TabLine(10, identifier + " missing data, Area = " + storedArea));
        else if (mode > SummaryPrint)
            out.Lines.emplace_back(" missing data, Area = " + storedArea);
        return out;
    }

    const TraverseSums& traverse = sums.Traverse;
    const double c = traverse.closingDistance();
    const double allowed = AllowableMisclosure(traverse.perimeter(), accuracyClass);
    // A parcel walked anticlockwise encloses the area of the parcel walked the other way
    // round: its area is that one.
    const double area = std::fabs(traverse.signedArea());
    const std::string areaText = area == 0 ? std::string(kNoArea) : FormatArea(area, 0);
    const bool acceptable = c <= allowed;
    const std::string closingDistance = Format(c, "0.000");
    // Only an area there is can be offered in place of the stored one. A calculated area
    // stored from this closure, to its tenth of a square metre, may show rounded the other
    // way (9999.46 as 9999 m², 9999.5 as 10000 m²): it is not offered again.
    const bool storedAsComputed =
        !isApproximateOrDeduced(storedArea) && AreasAgree(area, storedValue);
    const bool offerArea = acceptable && area > 0 && !isConstructionOrEasement(identifier) &&
                           areaText != storedArea && !storedAsComputed;

    row.Status = acceptable ? ParcelStatus::Acceptable : ParcelStatus::NotAcceptable;
    row.Closure = acceptable ? "OK (" + closingDistance + ")" : closingDistance;
    row.Ratio = traverse.ratioText();
    row.Allowable = Format(allowed, "0.000");
    row.ComputedArea = areaText;
    row.ComputedAreaValue = area;
    if (offerArea) {
        row.Mark = "+";
        row.CalculatedArea = areaText;
        row.CalculatedAreaValue = AreaToStore(area);
    }

    if (mode == SummaryPrint) {
        if (acceptable) {
            std::string text = identifier + " OK Area = " + storedArea;
            if (offerArea)
                text += " (" + areaText + ")";
            out.Lines.push_back(TabLine(10, text));
        } else {
            out.Lines.push_back(TabLine(10, identifier + " MISCLOSURE OF " + closingDistance +
                                                " Area = " + storedArea));
        }
    } else if (mode > SummaryPrint) {
        // A traverse that closes exactly has no ratio to show.
        const std::string ratio = c > 0 ? Format(traverse.perimeter() / c, "###") : std::string();
        const double closingBearing = traverse.closingBearing();
        out.Lines.emplace_back();
        out.Lines.emplace_back("Closure ratio = 1 in " + ratio);
        out.Lines.emplace_back("Closing Bearing = " + Format(closingBearing, "0.0000"));
        out.Lines.emplace_back("Closing Distance = " + closingDistance);
        out.Lines.emplace_back("Allowable misclosure = " + Format(allowed, "0.000"));
        out.Lines.emplace_back(acceptable ? "        MISCLOSURE ACCEPTABLE"
                                          : "  ***** MISCLOSURE NOT ACCEPTABLE *****");
        out.Lines.emplace_back(area == 0 ? std::string("Area = No area ")
                                         : "Area = " + areaText + " (Bowditch Adjusted)");
        out.Lines.emplace_back("Area stored in CORVANE = " + storedArea);
    }
    return out;
}

ClosureSummaryResult ClosureSummary(int mode, const std::string& planPath,
                                    const std::vector<std::string>& polygonLines,
                                    const std::vector<LineRecord>& lines, const CurveTable& curves,
                                    const std::string& accuracyClass) {
    ClosureSummaryResult result;
    const LinePairIndex index(lines);
    const bool detail = mode > SummaryPrint;
    auto print = [&result](std::vector<PrintLine> more) {
        for (auto& l : more)
            result.Lines.push_back(std::move(l));
    };

    if (mode == SummaryPrint)
        print(PrintClosureHeading(mode, planPath, {}, accuracyClass));

    ParcelWalk walk;
    auto closeParcel = [&]() {
        // A heading without a line under it has nothing that could close.
        if (walk.points < 2)
            walk.sums.MissingData = true;
        ParcelClosureResult closed = ParcelClosure(
            mode, walk.identifier, walk.sums, walk.storedArea, walk.storedValue, accuracyClass);
        result.Rows.push_back(std::move(closed.Row));
        print(std::move(closed.Lines));
    };

    // Points before the first heading belong to no parcel.
    for (const PolygonParcel& parcel : PolygonsFromLines(polygonLines).Parcels) {
        walk = ParcelWalk();
        walk.identifier = parcel.Identifier;
        walk.storedArea = AreaText(parcel.Heading);
        walk.storedValue = parcel.Area;
        if (detail)
            print(PrintClosureHeading(mode, planPath, walk.identifier, accuracyClass));
        for (const std::string& text : parcel.Lines) {
            const std::int32_t current = PointLabelToNumber(text);
            ++walk.points;
            if (walk.points > 1) {
                const LineLegResult leg = LineLeg(walk.previous, current, lines, index, curves);
                if (leg.Missing || leg.Distance <= 0) {
                    walk.sums.MissingData = true;
                    walk.previousPlainBearing.clear();
                    if (detail) {
                        PrintLine l(label(walk.previous));
                        l.tab(10, label(current)).tab(21, " No data for this line");
                        result.Lines.push_back(std::move(l));
                    }
                } else {
                    const std::string bearingText = Format(leg.Bearing, "0.0000");
                    const double b = BearingToRadians(bearingText);
                    const double d = leg.Distance;
                    TraverseSums& s = walk.sums.Traverse;
                    if (leg.Arc)
                        s.addArc(b, d, leg.Segment);
                    else
                        s.addLeg(b, d);
                    if (detail) {
                        PrintLine l(label(walk.previous));
                        l.tab(10, label(current));
                        l.tab(21, leg.Arc ? "R" + Format(leg.Radius, "0.000") : bearingText);
                        // The angle between two lines is only meaningful between straight lines.
                        if (!leg.Arc && !walk.previousPlainBearing.empty())
                            l.tab(31, Format(TraverseAngle(walk.previousPlainBearing, bearingText),
                                             "0.0000"));
                        l.tab(42, Format(d, "0.000"));
                        l.tab(54, Format(s.sumEast(), "0.000"));
                        l.tab(66, Format(s.sumNorth(), "0.000"));
                        result.Lines.push_back(std::move(l));
                    }
                    walk.previousPlainBearing = leg.Arc ? std::string() : bearingText;
                }
            }
            walk.previous = current;
        }
        closeParcel();
    }
    return result;
}

Result<ClosureSummaryResult> ClosureSummary(int mode, const PlanState& plan,
                                            const std::string& accuracyClass) {
    const std::string polygonsFile = PlanFile(plan.PlanPath, ".ply");
    if (!FileExists(polygonsFile))
        return Error{"No polygons file found", "Summary error"};
    auto polygonLines = ReadPolygonsFile(polygonsFile);
    if (!polygonLines)
        return Error{polygonLines.error().message, "Summary error"};
    auto curves = ReadCurveFile(plan.PlanPath);
    if (!curves)
        return Error{curves.error().message, "Summary error"};
    return ClosureSummary(mode, plan.PlanPath, polygonLines.value(), plan.PlanLines, curves.value(),
                          accuracyClass);
}

std::vector<std::string> MarkSummaryRows(const std::vector<SummaryRow>& rows) {
    std::vector<std::string> marks;
    marks.reserve(rows.size());
    for (const SummaryRow& row : rows) {
        std::string mark = row.Mark;
        const bool estimated = isApproximateOrDeduced(row.AreaText);
        if (!isConstructionOrEasement(row.Identifier)) {
            if (row.Closure.rfind("OK", 0) == 0) {
                if (estimated || Val(row.AreaText) <= 0)
                    mark = "#";
            } else if (!estimated) {
                mark = "*";
            }
        } else if (Val(row.Closure) > 0 && !estimated) {
            mark = "*";
        }
        marks.push_back(std::move(mark));
    }
    return marks;
}

} // namespace corvane

#include "core/reports/lodgement.h"

#include "core/base/jsontext.h"
#include "core/base/textfile.h"
#include "core/files/contextparcels.h"
#include "core/files/polygons.h"
#include "core/geometry/plancoords.h"
#include "core/model/pointlabel.h"
#include "core/reports/lodgementparts.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string_view>

namespace corvane {

namespace lodgement {

std::string LineName(std::int32_t from, std::int32_t to) {
    return PointNumberToLabel(from) + kDash + PointNumberToLabel(to);
}

Finding MakeFinding(const char* rule, FindingGrade grade, std::string message) {
    Finding finding;
    finding.rule = rule;
    finding.grade = grade;
    finding.message = std::move(message);
    return finding;
}

} // namespace lodgement

using namespace lodgement;

namespace {

constexpr const char* kTitle = "Plan check error";

std::size_t ruleRank(std::string_view rule) {
    const auto it = std::find(std::begin(kRuleOrder), std::end(kRuleOrder), rule);
    return static_cast<std::size_t>(std::distance(std::begin(kRuleOrder), it));
}

// The plan's lines that belong to its context parcels alone, as the drawing classes them.
std::vector<bool> contextLines(const std::vector<LineRecord>& lines,
                               const std::vector<std::string>& polygonLines,
                               const std::vector<ContextParcel>& context) {
    std::vector<bool> out(lines.size(), false);
    if (context.empty())
        return out;
    std::vector<LineRecord> styled = lines;
    PrepareLineStyles(styled, polygonLines, context);
    for (std::size_t i = 0; i < lines.size(); ++i)
        out[i] = styled[i].Style == kContextStyle;
    return out;
}

} // namespace

const char* FindingGradeName(FindingGrade grade) {
    switch (grade) {
    case FindingGrade::Error:
        return "error";
    case FindingGrade::Warning:
        return "warning";
    case FindingGrade::Information:
        break;
    }
    return "information";
}

bool LodgementCheck::HasError() const {
    for (const Finding& finding : findings)
        if (finding.grade == FindingGrade::Error)
            return true;
    return false;
}

double PlanRoundedArea(double squareMetres) {
    if (!(squareMetres > 0))
        return 0.0;
    // The step a plan states the area to; the small lift keeps a figure booked exactly on a
    // half (1234.5) from falling below it through the binary fraction it is held in.
    double step = 0.1;
    if (squareMetres >= 10000.0) {
        const double hectares = squareMetres / 10000.0;
        const int digits = static_cast<int>(std::floor(std::log10(hectares) + 1e-12));
        step = std::pow(10.0, digits - 3) * 10000.0;
    } else if (squareMetres >= 100.0) {
        step = 1.0;
    }
    return std::floor(squareMetres / step + 0.5 + 1e-9) * step;
}

bool StatedAreaAgrees(double stated, double computed) {
    // Stored from this closure to its tenth of a square metre.
    if (std::fabs(stated - computed) <= kAreaPrecision / 2 + 1e-9)
        return true;
    const double a = PlanRoundedArea(stated), b = PlanRoundedArea(computed);
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, b);
}

Result<LodgementCheck> CheckPlanForLodgement(const PlanState& state,
                                             const std::string& accuracyClass,
                                             const AdjustmentOptions& options) {
    CheckedPlan plan;
    plan.state = &state;
    plan.lines = &state.PlanLines;
    plan.accuracyClass = accuracyClass;

    const std::string polygonsFile = PlanFile(state.PlanPath, ".ply");
    const bool hasPolygons = FileExists(polygonsFile);
    if (hasPolygons) {
        auto read = ReadPolygonsFile(polygonsFile);
        if (!read)
            return Error{read.error().message, kTitle};
        plan.polygonLines = std::move(read).value();
        plan.polygons = PolygonsFromLines(plan.polygonLines);
    }
    auto curves = ReadCurveFile(state.PlanPath);
    if (!curves)
        return Error{curves.error().message, kTitle};
    plan.curves = std::move(curves).value();
    auto context = ReadContextParcels(state.PlanPath);
    if (!context)
        return Error{context.error().message, kTitle};
    plan.contextLine = contextLines(state.PlanLines, plan.polygonLines, context.value());
    plan.index = LinePairIndex(state.PlanLines);

    LodgementCheck check;
    check.plan = FileNameOf(state.PlanPath);
    std::vector<Finding>& findings = check.findings;
    if (hasPolygons) {
        const ClosureSummaryResult summary =
            ClosureSummary(SummaryRows, state.PlanPath, plan.polygonLines, state.PlanLines,
                           plan.curves, accuracyClass);
        CheckClosures(plan, summary, findings);
    }
    CheckArcs(plan, findings);
    CheckLineSides(plan, findings);
    CheckNetwork(plan, findings);

    // The other rules stand whatever becomes of the adjustment.
    if (auto adjustment = AdjustPlan(state, options))
        CheckAdjustment(plan, adjustment.value(), findings);
    else
        findings.push_back(
            MakeFinding("adjustment", FindingGrade::Warning,
                        "the plan could not be adjusted: " + adjustment.error().message));

    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        if (a.grade != b.grade)
            return a.grade < b.grade;
        return ruleRank(a.rule) < ruleRank(b.rule);
    });
    return check;
}

std::vector<std::string> LodgementCheckLines(const LodgementCheck& check) {
    std::vector<std::string> out;
    out.reserve(check.findings.size() + 3);
    out.push_back("Plan check of " + check.plan);
    out.emplace_back();
    std::size_t counts[3] = {0, 0, 0};
    for (const Finding& finding : check.findings) {
        out.push_back(std::string(FindingGradeName(finding.grade)) + "  " + finding.rule + "  " +
                      finding.message);
        ++counts[static_cast<int>(finding.grade)];
    }
    if (check.findings.empty()) {
        out.emplace_back("No findings: the plan is ready for lodgement");
    } else {
        out.emplace_back();
        auto count = [](std::size_t n, const char* one, const char* many) {
            return std::to_string(n) + " " + (n == 1 ? one : many);
        };
        out.push_back(count(counts[0], "error", "errors") + ", " +
                      count(counts[1], "warning", "warnings") + ", " + std::to_string(counts[2]) +
                      " information");
    }
    return out;
}

std::string LodgementCheckJson(const LodgementCheck& check) {
    std::string json = "{\"plan\": " + JsonString(check.plan) + ", \"findings\": [";
    bool first = true;
    for (const Finding& f : check.findings) {
        json += first ? "\n  {" : ",\n  {";
        first = false;
        json += "\"rule\": " + JsonString(f.rule);
        json += ", \"grade\": " + JsonString(FindingGradeName(f.grade));
        if (!f.parcel.empty())
            json += ", \"parcel\": " + JsonString(f.parcel);
        if (f.from != 0 || f.to != 0)
            json += ", \"line\": {\"from\": " + JsonString(PointNumberToLabel(f.from)) +
                    ", \"to\": " + JsonString(PointNumberToLabel(f.to)) + "}";
        if (!f.point.empty())
            json += ", \"point\": " + JsonString(f.point);
        json += ", \"message\": " + JsonString(f.message) + "}";
    }
    json += first ? "]}" : "\n]}";
    return json;
}

} // namespace corvane

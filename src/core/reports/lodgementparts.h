#pragma once

// The parts of the plan check before lodgement that its rules share: the plan as read once,
// and one function per group of rules, each adding its findings in file order.

#include "core/files/curves.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/adjustment.h"
#include "core/model/linepairindex.h"
#include "core/model/records.h"
#include "core/reports/lodgement.h"
#include "core/reports/summary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::lodgement {

inline constexpr const char* kDash = "\xE2\x80\x93"; // en dash, UTF-8

// The rules in the order their findings are listed within a grade.
inline constexpr const char* kRuleOrder[] = {"closure",      "area-stated", "arc-shared",
                                             "arc-chord",    "network",     "line-sides",
                                             "loop-closure", "marks",       "adjustment"};

struct CheckedPlan {
    const PlanState* state = nullptr;
    const std::vector<LineRecord>* lines = nullptr; // PlanLines
    std::vector<std::string> polygonLines;          // empty without a polygons file
    PolygonsModel polygons;
    CurveTable curves;
    // True for a line that is a side of a context parcel and of no parcel of the plan: a line
    // of another plan, shown as the setting of this one, never checked as surveyed.
    std::vector<bool> contextLine;
    LinePairIndex index; // over PlanLines
    std::string accuracyClass;

    bool surveyed(std::size_t line) const {
        return (*lines)[line].Distance > 0 && !(line < contextLine.size() && contextLine[line]);
    }
};

// "12–13", points as the program shows them.
std::string LineName(std::int32_t from, std::int32_t to);

Finding MakeFinding(const char* rule, FindingGrade grade, std::string message);

// "closure" and "area-stated", from the closure summary's rows (one per parcel, in file
// order).
void CheckClosures(const CheckedPlan& plan, const ClosureSummaryResult& summary,
                   std::vector<Finding>& findings);

// "arc-shared" and "arc-chord".
void CheckArcs(const CheckedPlan& plan, std::vector<Finding>& findings);

// "line-sides".
void CheckLineSides(const CheckedPlan& plan, std::vector<Finding>& findings);

// "network", "loop-closure" and "marks".
void CheckNetwork(const CheckedPlan& plan, std::vector<Finding>& findings);

// "adjustment", from the adjustment of the whole plan.
void CheckAdjustment(const CheckedPlan& plan, const PlanAdjustment& adjustment,
                     std::vector<Finding>& findings);

} // namespace corvane::lodgement

#pragma once

#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/geometry/adjustment.h"
#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The examiner's check of a plan before lodgement: a list of findings, each from one rule,
// graded, and naming the parcel, line or point it is about.
//
// The rules and their identifiers:
//   "closure"        a plan parcel does not close within the allowable misclosure of its
//                    accuracy class, or lacks a figure to close (the closure summary's own
//                    judgement);
//   "area-stated"    the stated area differs from the computed area rounded as a plan states
//                    it (under 100 m²: to 0.1 m²; under 1 ha: to 1 m²; above: four significant
//                    figures in hectares); an area coded "A" or "D" gets a warning at most;
//   "arc-shared"     an arc two parcels share has not the same radius and turn in both;
//   "arc-chord"      an arc's chord does not agree with its radius and arc length;
//   "network"        the lines form more than one connected group;
//   "line-sides"     a line is a side of more than two plan parcels;
//   "loop-closure"   an independent loop of the line network does not close within the
//                    allowable misclosure of its length (names its lines and the diagnosis's
//                    candidates);
//   "marks"          the plan is connected to fewer than two permanent marks (PM or SSM);
//   "adjustment"     the adjustment's global test fails, or an observation is flagged.
enum class FindingGrade { Error, Warning, Information };

// "error", "warning", "information".
const char* FindingGradeName(FindingGrade grade);

struct Finding {
    std::string rule; // one of the identifiers above
    FindingGrade grade = FindingGrade::Error;
    std::string parcel; // the parcel it is about, or empty
    // The line it is about (points as stored), or 0 and 0; a loop names its lines in message.
    std::int32_t from = 0, to = 0;
    std::string point;   // a point's label, or empty
    std::string message; // UTF-8, names the parcel, line or point
};

struct LodgementCheck {
    std::string plan;              // the plan's name (its base name)
    std::vector<Finding> findings; // errors first, then warnings, then information; each
                                   // grade in rule order as listed above
    bool HasError() const;
};

// An area as a plan states it: under 100 m² to a tenth of a square metre, under a hectare
// to the square metre, from a hectare on to four significant figures in hectares (the
// result in square metres: 12 345.6 gives 12 350).
double PlanRoundedArea(double squareMetres);

// Whether a stated area agrees with the computed one: both stated as a plan states them are
// the same, or the stated one is the computed one as the program stores it (to a tenth of a
// square metre), which a plan's rounding may put on the other side of a half.
bool StatedAreaAgrees(double stated, double computed);

// Checks the open plan (PlanLines loaded) under an accuracy class: reads its polygons, curve
// and context parcel files. A polygons file that cannot be read, or a curve file that cannot
// be read, is an error ("Plan check error"); a plan without a polygons file is checked for
// what needs none.
Result<LodgementCheck> CheckPlanForLodgement(const PlanState& plan,
                                             const std::string& accuracyClass,
                                             const AdjustmentOptions& options = {});

// The findings as the command line prints them, one per line: "error  area-stated  LT12: …".
std::vector<std::string> LodgementCheckLines(const LodgementCheck& check);

// The findings as JSON: {"plan": …, "findings": [{"rule": …, "grade": …, "parcel": …,
// "message": …}]} ("parcel", "line" {"from","to"} and "point" only when the finding names
// one).
std::string LodgementCheckJson(const LodgementCheck& check);

} // namespace corvane

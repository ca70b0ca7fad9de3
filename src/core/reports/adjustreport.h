#pragma once

#include "core/geometry/adjustment.h"
#include "core/reports/diagnosis.h"

#include <string>
#include <vector>

namespace corvane {

// What the adjustment's results say in words and figures, for the command line, the results
// window and the plan check.

// "distance of 12–13", "bearing of PM1–7", "chord of 3–4" (an arc's chord length),
// "chord bearing of 3–4"; points as the program shows them.
std::string ObservationName(const Observation& observation);

// The observed figure as a surveyor books it: a distance to the millimetre ("36.204"), a
// bearing packed DDD.MMSS to the second ("45.3020").
std::string ObservedText(const Observation& observation);

// The estimated error of an observation in its own unit, with its w:
// "distance of 12–13: 36.204 is 0.180 m too long (w = 9.7)",
// "bearing of 12–13: 45.3020 is 32″ too far clockwise (w = 4.1)".
std::string EstimatedErrorText(const ObservationResult& result);
std::string EstimatedErrorText(const RemovedObservation& removed);

// The typing explanation the misclosure diagnosis offers for the line an observation is of,
// when one fits (the diagnosis corrects that line's bearing or distance, as the observation
// is one or the other); empty otherwise.
std::string TypingExplanation(const Observation& observation, const PlanDiagnosis& diagnosis);

// The results as the command line prints them (UTF-8): the summary figures and global test,
// the groups, the flagged observations with their estimated errors (and explanations), the
// blunder search's removals, the points and the observations.
std::vector<std::string> AdjustmentLines(const std::string& planName,
                                         const PlanAdjustment& adjustment,
                                         const AdjustmentOptions& options,
                                         const PlanDiagnosis& diagnosis);

// "Global test passed (χ² 18.4 within 7.56 – 30.19)", "Global test failed (χ² 98.1 above
// 7.56 – 30.19)", "Global test failed low (χ² 0.2 below 7.56 – 30.19): ..." (the weights are
// pessimistic); "No redundancy: nothing to test" when there are no degrees of freedom.
std::string GlobalTestText(const AdjustmentResult& result);

// The results as JSON (one object; the shape the command line's --json promises).
std::string AdjustmentJson(const std::string& planName, const PlanAdjustment& adjustment);

// True when the adjustment gives no finding: the global test passes and nothing is flagged.
bool AdjustmentAcceptable(const AdjustmentResult& result);

} // namespace corvane

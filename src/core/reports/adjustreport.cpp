#include "core/reports/adjustreport.h"

namespace corvane {

std::string ObservationName(const Observation&) {
    return {};
}
std::string ObservedText(const Observation&) {
    return {};
}
std::string EstimatedErrorText(const ObservationResult&) {
    return {};
}
std::string EstimatedErrorText(const RemovedObservation&) {
    return {};
}
std::string TypingExplanation(const Observation&, const PlanDiagnosis&) {
    return {};
}
std::vector<std::string> AdjustmentLines(const std::string&, const PlanAdjustment&,
                                         const PlanDiagnosis&) {
    return {};
}
std::string AdjustmentJson(const std::string&, const PlanAdjustment&) {
    return "{}";
}
bool AdjustmentAcceptable(const AdjustmentResult& result) {
    if (!result.chi2Passed)
        return false;
    for (const ObservationResult& o : result.observations)
        if (o.flagged)
            return false;
    return true;
}

} // namespace corvane

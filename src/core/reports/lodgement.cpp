#include "core/reports/lodgement.h"

namespace corvane {

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

Result<LodgementCheck> CheckPlanForLodgement(const PlanState&, const std::string&,
                                             const AdjustmentOptions&) {
    return Error{"Not checked", "Plan check error"};
}

std::vector<std::string> LodgementCheckLines(const LodgementCheck&) {
    return {};
}

std::string LodgementCheckJson(const LodgementCheck&) {
    return "{}";
}

} // namespace corvane

#include "core/geometry/adjustment.h"

namespace corvane {

std::vector<Observation> PlanObservations(const std::vector<LineRecord>&, const CurveTable&,
                                          const std::vector<bool>&, const AdjustmentOptions&) {
    return {};
}

AdjustmentResult AdjustNetwork(const std::vector<Observation>&, const std::vector<PointRecord>&,
                               const AdjustmentOptions&) {
    return {};
}

PlanAdjustment AdjustWithSnooping(const std::vector<Observation>&, const std::vector<PointRecord>&,
                                  const AdjustmentOptions&) {
    return {};
}

Result<PlanAdjustment> AdjustPlan(const PlanState&, const AdjustmentOptions&) {
    return Error{"Not adjusted", "Adjustment error"};
}

std::pair<double, double> ChiSquareBounds(int) {
    return {0.0, 0.0};
}

} // namespace corvane

#include "core/geometry/gridfit.h"

namespace corvane {

double GridFit::rotationSeconds() const {
    return 0.0;
}

std::pair<double, double> GridFit::ToGrid(double east, double north) const {
    return {east, north};
}

GridFit FitToGrid(const std::vector<PointRecord>&, const std::vector<KnownMark>&,
                  const GridFitOptions&) {
    return {};
}

Result<PlanGridFit> FitPlanToGrid(const PlanState&, const std::vector<KnownMark>&,
                                  const GridFitOptions&) {
    return Error{"Not fitted", "Map grid error"};
}

int MapGridEpsg(int, std::string_view) {
    return 0;
}

} // namespace corvane

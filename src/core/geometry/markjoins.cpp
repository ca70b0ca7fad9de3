#include "core/geometry/markjoins.h"

#include "core/model/bearing.h"

namespace corvane {

std::vector<MarkJoin> LoadMarkJoins(const PlanState& plan) {
    std::vector<MarkJoin> joins;
    const std::int32_t limit = plan.PointNumberLimit;
    const int count = static_cast<int>(plan.PlanLines.size());
    for (int i = 0; i < count; ++i) {
        const LineRecord& line = plan.PlanLines[static_cast<size_t>(i)];
        if (line.Bearing < 0 || line.Bearing > 360 || !(line.Distance > 0))
            continue;
        const bool fromMark = line.FromPoint > limit && line.ToPoint <= limit;
        const bool toMark = line.FromPoint <= limit && line.ToPoint > limit;
        if (!fromMark && !toMark)
            continue;
        MarkJoin join;
        join.Index = i;
        join.Mark = fromMark ? line.FromPoint : line.ToPoint;
        join.Point = fromMark ? line.ToPoint : line.FromPoint;
        join.Bearing = fromMark ? BearingText(line.Bearing) : ReverseBearing(line.Bearing);
        join.Distance = DistanceText(line.Distance);
        joins.push_back(std::move(join));
    }
    return joins;
}

} // namespace corvane

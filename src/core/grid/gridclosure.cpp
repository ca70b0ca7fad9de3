#include "core/grid/gridclosure.h"

#include "core/base/numtext.h"
#include "core/geometry/closure.h"
#include "core/geometry/traversesums.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

namespace corvane {

ClosureResult GridClosure(const GridRows& rows, bool parcelMode, const CurveSource& curves) {
    ClosureResult result;
    TraverseSums sums;
    for (const GridRow& row : rows) {
        const double d = Val(row[ColDistance]);
        if (d <= 0) {
            result.MissingData = true;
            continue;
        }
        const std::string& bearing = row[ColBearing];
        if (bearing.empty()) {
            // A line measured but never given a bearing has an unknown direction.
            if (parcelMode)
                result.MissingData = true;
            continue;
        }
        if (bearing.front() == 'R') {
            CurveData curve = curves(PointLabelToNumber(row[ColFrom]),
                                     PointLabelToNumber(row[ColTo]), bearing, row[ColDistance]);
            if (!curve.HasChordBearing()) {
                // An arc whose chord cannot be found is a line of unknown direction.
                result.MissingData = true;
                continue;
            }
            sums.addArc(BearingToRadians(curve.ChordBearing),
                        ChordLength(bearing, row[ColDistance]),
                        SegmentArea(bearing, row[ColDistance], curve.Left()));
        } else if (bearing == kNoData) {
            result.MissingData = true;
        } else {
            sums.addLeg(BearingToRadians(bearing), d);
        }
    }

    result.SumEast = sums.sumEast();
    result.SumNorth = sums.sumNorth();
    if (result.MissingData || !parcelMode)
        return result;
    result.TotalLength = sums.perimeter();
    result.AreaText = GeneralText(sums.adjustedArea());
    return result;
}

ClosureResult GridClosure(const GridRows& rows, bool parcelMode, const CurveTable& curves) {
    return GridClosure(rows, parcelMode,
                       [&curves](std::int32_t from, std::int32_t to, std::string_view bearing,
                                 std::string_view distance) {
                           return LoadCurve(from, to, bearing, distance, curves);
                       });
}

} // namespace corvane

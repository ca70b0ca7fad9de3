#pragma once

#include "core/files/curves.h"
#include "core/model/gridrow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

// The misclosure of a traverse and its Bowditch-adjusted area.
struct ClosureResult {
    double SumEast = 0.0;       // sum of departures
    double SumNorth = 0.0;      // sum of latitudes
    double TotalLength = 0.0;   // perimeter (chords for arcs); 0 when the area was not computed
    std::string AreaText = "0"; // signed area, m², in general text form; "0" when not computed
    bool MissingData = false;   // a line of the traverse lacks its bearing or distance
};

// How the closure of a grid gets an arc's curve data: the arc from → to with its grid row's
// bearing cell ("R" and the radius) and distance cell (the arc length).
using CurveSource =
    std::function<CurveData(std::int32_t from, std::int32_t to, std::string_view bearingCell,
                            std::string_view distanceCell)>;

// The closure of the grid's data rows. Outside parcel mode only the sums are computed.
// In parcel mode a row without a distance, with a "No Data" or empty bearing, or an arc
// without a chord bearing leaves the traverse with missing data, and no area is computed.
ClosureResult GridClosure(const GridRows& rows, bool parcelMode, const CurveSource& curves);
ClosureResult GridClosure(const GridRows& rows, bool parcelMode, const CurveTable& curves);

} // namespace corvane

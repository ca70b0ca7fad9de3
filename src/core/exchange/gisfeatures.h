#pragma once

#include "core/geometry/plancoords.h"
#include "core/reports/summary.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// The plan's features for a GIS, each with its geometry as WKT, before any GIS library sees
// them: parcels with their closure, lines with their measurements, points with their marks.

// Where a plan position goes on the map (the fitted map grid, or the plan's own grid), and
// the map's metres per plan metre (the fit's scale), which sizes the chords of a densified
// arc. A position without a place on the map (a point of a part of the plan the fit does not
// hold) answers nullopt.
struct GisPlacement {
    std::function<std::optional<std::pair<double, double>>(const PointRecord&)> place;
    std::function<std::pair<double, double>(double, double)> map; // any plan position
    double scale = 1.0;
};

struct GisParcel {
    std::string identifier, type, areaCode;
    double storedArea = 0.0;
    std::optional<double> computedArea, misclosure;
    std::string ratio, verdict;
    std::string wkt;
};
struct GisLine {
    std::string from, to, bearing, lineClass;
    double distance = 0.0;
    std::optional<double> radius; // arcs only
    std::string wkt;
};
struct GisPoint {
    std::string label, markType;
    bool fixed = false;
    std::string wkt; // empty: no position on the map
};

struct GisLayers {
    std::vector<GisParcel> parcels;
    std::vector<GisLine> lines;
    std::vector<GisPoint> points;
    std::vector<std::string> notes;
    std::size_t leftOut = 0; // parcels and lines left out, points without a position
};

// The largest gap allowed between an arc and the chords that stand for it where a format
// has no arcs.
inline constexpr double kArcChordTolerance = 0.01;

// curved: arcs as true circular arcs (CIRCULARSTRING through the arc's ends and its middle),
// parcels as CURVEPOLYGON; otherwise arcs become chords no further than kArcChordTolerance
// from the arc on the map. closure: the summary rows of the polygons file's parcels in file
// order (null: none, the parcels without closure attributes).
GisLayers CollectGisLayers(const WholePlanDrawing& drawing, const ClosureSummaryResult* closure,
                           const GisPlacement& placement, bool curved);

// The number of equal chords that keep an arc of that radius (map metres) and sweep within
// kArcChordTolerance of it.
int ArcChordCount(double radius, double sweep);

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/grid/traverse.h"
#include "core/model/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// A fixed width easement or party wall: a strip whose one side is a traverse the user enters
// (a GridKind::Strip grid: From, To, Bearing, Distance and the strip's Width beside each
// line) and whose other side runs parallel to it at those widths. Bearings are packed
// DDD.MMSS values throughout.

// The window's settings beside the grid.
struct StripOptions {
    bool rightSide = false;   // the traverse lies on the strip's right side (optRight)
    std::string startBearing; // bearing of the strip's end line at the first point, or empty
    std::string endBearing;   // the same at the last point
    std::string firstPoint;   // number for the start corner, or empty
    std::string endPoint;     // number for the end corner, or empty
};

// The bearing square off a line of bearing b, towards the strip: b + 270 when the traverse
// is on the right side (side 1), else b + 90, within 0 to 360.
double PerpendicularBearing(double b, int side);

// The distance from a traverse point along bearing b2 to the line parallel to a line of
// bearing b1 at width w: |w / sin(b1 - b2)|. Infinite when the two bearings are parallel.
double OffsetLength(double b1, double b2, double w);

// The bearing from the corner V between line 1 (bearing b1, width w1) and the next line 2
// (b2, w2) to the corner of the two parallel lines; turned by 180 for the right side.
double CornerOffsetBearing(double b1, double b2, double w1, double w2, int side);

// Reverses the order of points[i..j] (either order of the two indexes).
void ReversePointRange(std::vector<PointRecord>& points, int i, int j);

// The bearing of the stored line a to b (the back bearing of b to a), or 999 when PlanLines
// has neither.
double FindBearing(const PlanState& plan, std::int32_t a, std::int32_t b);

// One more than the largest ordinary point number among the stored lines (when loaded), the
// grid's From and To cells and the two end point boxes.
std::int32_t PartyFreePoint(const TraverseGrid& grid, const PlanState& plan,
                            const StripOptions& options);

// The check before drawing or saving: every row complete (points, a bearing that is a
// bearing, a distance or "No Data", a width; no arc, which a strip cannot follow), and a
// first and last width above 0. ok false with no message for a grid without data.
struct StripCheck {
    bool ok = false;
    std::optional<Error> message;
    int row = 0;
};
StripCheck DataEntered(const TraverseGrid& grid);

// The strip's closed outline: the traverse points, then the far-side corners, ordered so
// that both sides run the same way round, and the first point again at the end; and the
// lines PlanLines does not hold yet: from traverse points to the new corners, then (when
// every line has its length) the far side from corner to corner. Along lines of width 0 the far
// side runs back over the traverse points themselves (the outline is pinched to the traverse), so a
// strip broken by a width of 0 is one parcel holding the area of its parts. The area is the
// outline's; areaKnown is false when a line of unknown length was laid out for it.
struct StripOutline {
    std::vector<PointRecord> points;
    std::vector<LineRecord> newLines;
    double area = 0.0;
    bool areaKnown = false;
};
// Refused (title "Easement data error") when a corner would lie at an infinite or undefined
// distance (an end bearing parallel to its line, or a line that turns straight back) and
// when an end bearing points away from the strip.
Result<StripOutline> CompileStrip(const TraverseGrid& grid, const StripOptions& options,
                                  const PlanState& plan);

// Saves one strip: the grid's lines with a distance into PlanLines (a linked row, or a row
// whose two points a stored line joins, updates that line; others are added), the lines to
// the new corners, the lines file written, and the outline appended to the polygons file as
// parcel `identifier` with its computed area (code "C"; area 0, code "A" when a line's length
// is unknown). PlanLines is read from the file first when it is not loaded. The lines and polygons
// files are written in one commit. Refused, with PlanLines and the files as they were, while the
// lines file's last load failed, when the lines cannot be stored ("Error saving lines") and when
// the files cannot be written ("Saving polygon error").
Result<void> SaveStrip(TraverseGrid& grid, const StripOptions& options, PlanState& plan,
                       const std::string& identifier);

} // namespace corvane

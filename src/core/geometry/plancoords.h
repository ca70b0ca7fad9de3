#pragma once

#include "core/base/result.h"
#include "core/files/contextparcels.h"
#include "core/files/curves.h"
#include "core/model/records.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

// Coordinates of every point of a set of lines, found by propagation: the first line's from
// point stands at the origin and every usable line from a fixed point fixes the point at its
// other end. A part of the plan no line joins gets its own origin east of what is fixed
// (at 1.25 times the largest east), when one of its points starts a chain of two usable
// lines. Finally every point is shifted so that no coordinate is negative.
//
// In each pass the points are taken in table order and each takes the first usable line in
// file order that joins it to a point already fixed, so the result depends on both orders
// exactly as a pass-by-pass walk over the table would give it; this builder finds the same
// lines without walking the whole table for every point.
//
// Each point's Group is the table index of the start of the group it was fixed in (0 for
// the first group); an unfixed point has Group -1.
std::vector<PointRecord> BuildPlanCoordinates(const std::vector<LineRecord>& lines,
                                              const CurveTable& curves);

// One entry per distinct point, in the order the lines name them (from point, then to
// point); entry 0 is fixed at the origin.
std::vector<PointRecord> InitPlanPoints(const std::vector<LineRecord>& lines);

// The index of the first entry numbered n, or -1.
int FindPointIndex(const std::vector<PointRecord>& points, std::int32_t n);

// The points by number, the first entry of each number; fixedOnly: only the fixed ones.
using PointsByNumber = std::unordered_map<std::int32_t, const PointRecord*>;
PointsByNumber IndexPoints(const std::vector<PointRecord>& points, bool fixedOnly);

// How far a usable line carries a position: the offset of its to point from its from point
// (the chord's for an arc). False when the line cannot fix a point: a distance of 0 or less,
// no bearing (999 or any figure outside 0 to 360 that is no arc), an arc without a chord
// bearing in its curve record.
struct LegOffset {
    bool Usable = false;
    double ForwardEast = 0, ForwardNorth = 0;   // from → to
    double BackwardEast = 0, BackwardNorth = 0; // to → from, along the back bearing
};
LegOffset PlanLegOffset(const LineRecord& line, const CurveTable& curves);

// True when a line counts in a chain that may start a new group: a bearing from 0 to 360 or
// an arc's, and a distance above 0.
bool ChainUsable(const LineRecord& line);
// The number of usable lines (0 to 2) that can be chained forwards from a point, each the
// first in file order leaving the current point.
int ChainLength(const std::vector<LineRecord>& lines, std::int32_t start);

// The largest east or north among the entries, or 0 when none is above 0.
double MaxEast(const std::vector<PointRecord>& points);
double MaxNorth(const std::vector<PointRecord>& points);
// Moves every point so that the smallest east and north (each at most 0) become 0.
void ShiftToOrigin(std::vector<PointRecord>& points);

// Line classes for drawing.
inline constexpr std::int16_t kOtherStyle = 1;    // dotted
inline constexpr std::int16_t kBoundaryStyle = 2; // solid
inline constexpr std::int16_t kEasementStyle = 3; // dashed
inline constexpr std::int16_t kContextStyle = 4;  // long dashes, grey

// Line classes for drawing, from the polygons file's lines: every line dotted (1); a line of
// a parcel whose identifier starts with neither "C" nor "E" a boundary (2); of an easement
// ("E") dashed (3) unless a boundary. A parcel side with no line and no arc between its
// points is appended as a line without bearing or distance in its parcel's class, so it
// shows where the plan lacks it; such a line (distance 0) is never written to the lines
// file. Without polygons every line stays dotted.
// Then a line that is a side of a context parcel (an adjoining or extinguished parcel the
// plan shows in part) and of no parcel of the polygons file is classed as context (4). A
// context parcel side with no line is not appended: such parcels are often shown by only
// the few sides the plan measures, and their other corners would be reported as not fixed.
void PrepareLineStyles(std::vector<LineRecord>& lines,
                       const std::vector<std::string>& polygonsLines,
                       const std::vector<ContextParcel>& context = {});

// The lines of the scaled lines file (PlanPath + ".sca"), as the drawing appends them to its
// lines: an end point of 0 or less gets a number one below the lowest then in use (0 or
// below), so scaled points never meet surveyed ones. No file gives no lines. A record that
// is not four numbers refuses the whole file ("Cannot load Scaled data - ...", "Scaled
// Data") and nothing is appended.
Result<void> AppendScaledLines(std::vector<LineRecord>& lines, const std::string& planPath);

// The labels of the numbered points that stayed unfixed, in table order.
std::vector<std::string> UnfixedPointLabels(const std::vector<PointRecord>& points);

} // namespace corvane

namespace corvane {

// Everything a whole-plan drawing needs, in copies of its own: the plan's lines with the
// scaled lines and the placeholder parcel sides added and classed, the curve records, the
// polygons file's lines, the context parcels and the coordinates. The plan's own lines are
// never touched. Problems that leave part of the drawing out (scaled lines, curve file or
// context parcel file unreadable, polygons file refused) are listed for the caller to show;
// the drawing is made without that part.
struct WholePlanDrawing {
    std::vector<LineRecord> Lines;
    std::vector<PointRecord> Points;
    CurveTable Curves;
    std::vector<std::string> Polygons;
    std::vector<ContextParcel> Context;
    std::vector<Error> Problems;
    // Lines from ScaledBegin up to ScaledEnd came from the scaled lines file.
    std::size_t ScaledBegin = 0, ScaledEnd = 0;
};
WholePlanDrawing PrepareWholePlanDrawing(const std::vector<LineRecord>& planLines,
                                         const std::string& planPath);

} // namespace corvane

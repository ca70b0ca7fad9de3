#pragma once

#include "core/base/result.h"
#include "core/geometry/plancoords.h"

#include <string>
#include <vector>

namespace corvane {

inline constexpr const char* kDxfExportTitle = "DXF export error";

// What a DXF export wrote: the entities of each kind, and the labels of the numbered points
// that were not fixed (in table order), left out with every line that ends at them, for the
// caller to list.
struct DxfSummary {
    int lines = 0;
    int arcs = 0;
    int texts = 0;
    std::vector<std::string> notFixed;
};

// The scale 1:S the whole plan is drawn at for CAD, which sizes its labels and line types.
// A plan that fits one A3 sheet (410 mm by 287 mm inside the printer's 10 mm allowance, either
// way round) is drawn at the smallest standard scale that fits it: 1:100, 1:200, 1:250, 1:500,
// then the same times 10, 100 and so on. A plan too large for its lots to read at that scale
// is drawn at the scale its typical lot needs instead, as a surveyor draws such a plan on
// several sheets: the largest standard scale at which that lot is 30 mm across on paper (not
// finer than 1:100). A lot is a parcel of the polygons file whose identifier starts with
// neither "C" nor "E" and whose corners are all fixed; its width is four times its area over
// its perimeter (the side of a square lot, a little more for a long one). The typical lot is
// the median by width (of an even number of lots, the wider of the middle two), so that a
// narrow strip or two (a road widening, a corner splay) does not shrink the labels and dashes
// of the whole plan: such a strip's label may cross its sides.
double PlanDrawingScale(const WholePlanDrawing& drawing);

// The height of the drawing's labels on paper, in millimetres.
inline constexpr double kDxfLabelMm = 2.5;

// Writes the whole-plan drawing (as PrepareWholePlanDrawing builds it) as an AutoCAD 2000
// DXF drawing in plan metres, x east and y north; only lines between two fixed points are
// drawn, as in the plan view. Layers:
//   BOUNDARY  lines the view draws solid: parcel sides of lots (style 2), and any line of a
//             class other than 1 and 3
//   EASEMENT  lines the view draws dashed (style 3): sides of easements ("E...") that are no
//             lot's side
//   OTHER     lines the view draws dotted (style 1): every other line, and every line of a
//             plan without polygons
//   CONTEXT   lines the view draws in long grey dashes (style 4): sides of context parcels
//             that are no side of a parcel of the plan
//   POINTS    the label of each fixed numbered point, its top left corner at the point
//   PARCELS   each parcel's identifier, centred on where the view puts it (the mean of its
//             fixed corners)
// An arc with its curve record is an ARC through both its ends with its own radius, along
// the side of its circle the view draws (the long way round when its arc length is more than
// half the circumference); an arc without a record, or one no circle of its radius can join,
// is a LINE, as the view draws it straight. Labels are kDxfLabelMm high at the plan's
// scale (PlanDrawingScale), in plan metres: 1.25 m at 1:500. Context parcels are unlabelled.
// The header names the code page ANSI_1252, since labels are written byte for byte as the
// plan's files hold them (Latin-1), and a handle seed above every handle the file uses.
// The file is replaced whole or not at all (a read-only file is refused); on failure any
// existing file stays as it was and no temporary file is left. Error title kDxfExportTitle.
Result<DxfSummary> WritePlanDxf(const WholePlanDrawing& drawing, const std::string& path);

} // namespace corvane

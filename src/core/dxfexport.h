#pragma once

#include "core/plancoords.h"
#include "core/result.h"

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

// Writes the whole-plan drawing (as PrepareWholePlanDrawing builds it) as an AutoCAD 2000
// DXF drawing in plan metres, x east and y north; only lines between two fixed points are
// drawn, as in the plan view. Layers:
//   BOUNDARY  lines the view draws solid: parcel sides of lots (style 2), and any line of a
//             class other than 1 and 3
//   EASEMENT  lines the view draws dashed (style 3): sides of easements ("E...") that are no
//             lot's side
//   OTHER     lines the view draws dotted (style 1): every other line, and every line of a
//             plan without polygons
//   POINTS    the label of each fixed numbered point, its top left corner at the point
//   PARCELS   each parcel's identifier, its top left corner where the view puts it
// An arc with its curve record is an ARC through both its ends with its own radius, bulging
// the way the view draws it; an arc without a record, or one no circle of its radius can
// join, is a LINE, as the view draws it straight. Labels are 1/100 of the plan's larger
// extent high (1 m for a plan of one point).
// The file is replaced whole or not at all (a read-only file is refused); on failure any
// existing file stays as it was and no temporary file is left. Error title kDxfExportTitle.
Result<DxfSummary> WritePlanDxf(const WholePlanDrawing& drawing, const std::string& path);

} // namespace corvane

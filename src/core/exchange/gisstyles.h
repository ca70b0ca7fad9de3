#pragma once

#include <string>

namespace corvane {

// The QGIS styles (QML) of the exported layers, drawn as the plan view draws the plan:
// boundaries solid black, easements dashed, other lines dotted, context in long grey dashes;
// parcels unfilled, labelled with their identifier; survey marks as triangles, other points
// as small dots. Stored in a GeoPackage's layer_styles table as each layer's default style.
std::string ParcelsStyleQml();
std::string LinesStyleQml();
std::string PointsStyleQml();

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/model/records.h"

#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

// The plan for a GIS: a GeoPackage (parcels as curve polygons with true circular arcs) or
// GeoJSON (arcs densified to 0.01 m), with layers parcels (with each parcel's closure as
// attributes), lines and points, on the fitted map grid when the plan has known marks, else
// on a local engineering CRS named after the plan. Written whole or not at all.
//
// GDAL is a large library: this part is built as its own library (corvane_gis), which the
// program loads only for --export-gis, so every other mode starts without it.

struct GisExportOptions {
    std::string out;           // FILE.gpkg or FILE.geojson (the format by the extension)
    int epsg = 0;              // 0: the map grid the fit gives, or local when not fitted
    std::string accuracyClass; // for the parcels' closure attributes; empty: the default
};

struct GisExportSummary {
    std::string crs; // "EPSG:7856", or "local (D20417)"
    std::size_t parcels = 0, lines = 0, points = 0;
    std::vector<std::string> notes; // what was left out or chosen, for the user
    std::size_t leftOut = 0; // parcels and lines left out, points with no position on the map
};

// Refused, with nothing written: an unknown or unusable CRS, a datum the user must choose
// (the fit's zone known but not its datum, and no epsg given), a target that cannot be
// written, an unknown extension ("GIS export error").
Result<GisExportSummary> ExportGis(const PlanState& plan, const GisExportOptions& options);

} // namespace corvane

// The program's entry for "--export-gis PLAN --out FILE [--crs EPSG:N] [--accuracy CLASS]",
// looked up by name once the library is loaded; the exit status as every mode gives it.
extern "C" int CorvaneExportGisMain(int argc, char** argv);

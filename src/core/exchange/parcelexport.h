#pragma once

#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/model/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Export of one parcel of the open plan to another plan (the target, named by its folder and
// base name like PlanPath): the parcel's block is appended to the target's polygons file,
// and each of its lines the target lacks to the target's lines file, with the curve records
// of its arcs. The open plan is not changed.

inline constexpr const char* kExportTitle = "Export Parcel error";

// The target base of a chosen file: a name ending ".lns" (any case) loses its extension.
std::string ExportTargetBase(const std::string& chosen);

// True when a line of the target's polygons file names the parcel. A file that cannot be
// read finds nothing.
bool ExportParcelExists(const std::string& targetBase, const std::string& parcel);

// The lines-file text of the stored line joining pnt1 and pnt2, written from pnt1 to pnt2:
// a line stored the other way gets the reverse bearing (arcs and missing bearings keep
// theirs). nullopt when no line joins them or the first that does has no distance.
std::optional<std::string> GetLineData(const std::vector<LineRecord>& lines, std::int32_t pnt1,
                                       std::int32_t pnt2);

// The parcel's block of a polygons file (its heading and point lines, as stored); empty when
// the file does not name it.
std::vector<std::string> ParcelBlock(const std::vector<std::string>& polygonLines,
                                     const std::string& parcel);

// What the export will append to the target's files, worked out before anything is written.
struct ExportPlan {
    std::vector<std::string> Polygons;
    std::vector<std::string> Lines;
    std::vector<CurveRecord> Curves;
};

// The lines to append: every pair of successive points of the parcel that the target's
// lines (and the lines appended before it) do not join, once each, and the curve record of
// each such arc the target's curve file lacks.
ExportPlan ExportLinesPlan(const std::vector<std::string>& block,
                           const std::vector<LineRecord>& lines, const CurveTable& curves,
                           const std::vector<LineRecord>& targetLines,
                           const CurveTable& targetCurves);

// The whole export command after the target is chosen: refuses a parcel the target already
// has ("This parcel already exists in " and the target, title "Export parcel error"), loads
// PlanLines when they are not loaded and refuses when they cannot be, and refuses a source
// or target file that cannot be read, all before anything is written. Then appends the
// parcel's block, its missing lines and its arcs' curve records to the target's files in one
// commit: a failure adds none of them.
Result<void> ExportParcelTo(PlanState& plan, const std::string& targetBase,
                            const std::string& parcel);

} // namespace corvane

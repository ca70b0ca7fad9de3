#pragma once

#include "core/base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Parcels a plan shows only in part, as the setting of its own: the adjoining lots, the
// parcels it extinguishes, existing easements and roads. Their lines are lines of the plan,
// but the parcels are not the plan's: they are drawn (dashed, unlabelled) and exchanged with
// their state, and never closed, summarised or checked. They are kept in their own file
// beside the plan, PLAN.ctx, so no reader of the polygons file ever takes them for parcels of
// the plan.
//
// The file is plain text, lines ended by CR LF, like the polygons file: a heading per parcel
// followed by its corner points, one coded point number per line, the first repeated last
// when the parcel is closed. The heading holds the identifier (with its type code, as the
// polygons file's), the parcel's state in the plan it came from and its area in square
// metres (0 when none):
//     "LT1/DP105178","adjoining",612.4
struct ContextParcel {
    std::string Identifier;
    std::string State; // "adjoining", "existing", "extinguished", ... as the plan names it
    double Area = 0.0;
    std::vector<std::int32_t> Points;
};

inline constexpr const char* kContextExtension = ".ctx";

// The context parcel file of a plan.
std::string ContextParcelsPath(const std::string& planPath);

// True for an identifier or state the file can hold and read back: not empty, no double
// quote, no line break or other control character.
bool StorableContextText(const std::string& text);

// The file's lines for a list of parcels. Every identifier and state must be storable
// (StorableContextText); the caller makes them so.
std::vector<std::string> FormatContextParcels(const std::vector<ContextParcel>& parcels);

// Reads the file's lines back. A heading out of its form, a point line that is not a whole
// positive number within 32 bits, or a point before any heading is refused, naming the file
// (path) and the line and quoting it; the error's title is left to the caller.
Result<std::vector<ContextParcel>> ParseContextParcels(const std::vector<std::string>& lines,
                                                       const std::string& path);

// The plan's context parcels: none when the plan has no such file.
Result<std::vector<ContextParcel>> ReadContextParcels(const std::string& planPath);

// Writes the plan's context parcel file whole (the safe rewrite); an empty list removes the
// file, so a plan without context parcels has none.
Result<void> WriteContextParcels(const std::string& planPath,
                                 const std::vector<ContextParcel>& parcels);

} // namespace corvane

#pragma once

#include "core/base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One heading line of the polygons file, taken apart.
struct ParcelHeading {
    std::string Identifier;
    std::string AreaText; // the area as written in the file
    double Area = 0.0;    // its numeric value, square metres
    std::string AreaCode; // "C", "A", "D" or anything else
};

// True for a line the file's readers take as a parcel heading (it begins with a double
// quote).
bool IsHeadingLine(std::string_view line);
// Takes a heading apart by position: the identifier between the first two double quotes, the
// area between the comma after it and the comma before the one-letter quoted code, the code
// as the last letter but one. A heading out of that form gives a wrong area or code.
ParcelHeading ParseHeading(std::string_view line);
// Checks the lines of a polygons file before any reader uses them: a heading must close its
// identifier's quote, a heading's area that is a number must be finite and within kMaxArea,
// and a point line (one that begins with a digit or is a number) must be a whole number
// within the 32-bit range. Blank lines and other text lines stand as they are. The error
// names the file and line and quotes it; its title is left to the caller.
Result<void> CheckPolygonsText(const std::vector<std::string>& lines, const std::string& path);

// Reads a polygons file whole and checks it (CheckPolygonsText). Error title left to the
// caller.
Result<std::vector<std::string>> ReadPolygonsFile(const std::string& path);

// True for an area a heading can hold and read back: finite, from 0 to kMaxArea.
bool StorableArea(double area);

// The precision to which a computed area is stored in a heading: a tenth of a square metre,
// whatever the size of the parcel (the displayed area is rounded much more coarsely, and is
// never what is stored).
inline constexpr double kAreaPrecision = 0.1;
// A computed area as it is stored: rounded to kAreaPrecision.
double AreaToStore(double area);
// True when a computed area and a stored one differ by no more than kAreaPrecision: the
// stored area stands and no change is offered.
bool AreasAgree(double computed, double stored);

// "\"AL12\",1234.5,\"C\"" (the area in its general text form).
std::string FormatHeading(const std::string& identifier, double area, const std::string& code);

// "Outer Boundary", "Allotment", ... "Construction" from the first two letters, any case.
// The prefixes the new parcel dialog once made keep their classes: FL a lot, QP a piece, AR
// and AT a road, AE a reserve.
std::string ParcelTypeName(std::string_view identifier);

// Area text: mode 0 for display ("856 m²", "1.235 ha", "no area"), mode 1 hectares only.
std::string FormatArea(double area, int mode);
// The displayed area of a heading line with its code's suffix (" approx.", " ded.").
std::string AreaText(std::string_view headingLine);

// The identifiers of the plan's parcels, in file order. No file gives none; a file that
// cannot be read or is refused by CheckPolygonsText gives the error (title left empty).
Result<std::vector<std::string>> ParcelIdentifiers(const std::string& planPath);

// Whether a parcel heading names the identifier; no file holds none. A file that cannot be
// read or is refused gives its error (title kLoadParcelTitle), never "no such parcel", so
// that nothing is saved over a parcel that could not be looked for.
inline constexpr const char* kLoadParcelTitle = "Load Parcel error";
Result<bool> ParcelExists(const std::string& planPath, const std::string& identifier);

// The stored area of a parcel in hectares ("0.0000", or "no area"), its area code and value;
// found is false (and the texts empty) when no heading names the parcel. A missing file, or
// a stored area that is not a number, is an error titled "Get area from polygons file error".
struct StoredArea {
    bool found = false;
    std::string Hectares;
    std::string AreaCode;
    double Area = 0.0;
};
Result<StoredArea> ReadParcelArea(const std::string& planPath, const std::string& identifier);

// Rewrites the heading of one parcel through the backup copy of the polygons file: the file
// is copied to its backup (".~ly"), then written whole from the backup. A code of "C", "A"
// or "D" writes a new heading with the given area; any other code renames only, keeping the
// stored area and code. Error titles "Make backup error" or "Replace parcel heading error".
Result<void> UpdateParcelEntry(const std::string& planPath, const std::string& newIdentifier,
                               const std::string& oldIdentifier, double area,
                               const std::string& code);

} // namespace corvane

#pragma once

#include "core/base/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One parcel of the polygons file: its heading taken apart, and the lines under it up to the
// next heading exactly as written (corner points, blank lines and any other text).
struct PolygonParcel {
    std::string Heading;         // the heading line as written
    std::size_t HeadingLine = 0; // its line number in the file, from 1
    std::string Identifier;
    std::string Type;     // "Allotment", "Easement", ... from the identifier
    double Area = 0.0;    // square metres
    std::string AreaText; // the area as written
    std::string AreaCode; // "C", "A", "D" or anything else
    std::vector<std::string> Lines;

    // The corners in the order walked: every line under the heading that holds more than
    // blanks, as a point number (a mark label such as "PM1" gives its coded number). A closed
    // parcel lists its first corner again as its last.
    std::vector<std::int32_t> Points() const;
    // The heading and the lines under it, as written.
    std::vector<std::string> Block() const;
};

// The polygons file read once: its parcels in file order, the lines that stand before the
// first heading, and how its lines end, so that writing it back unchanged gives the same
// bytes.
struct PolygonsModel {
    std::vector<std::string> Leading;
    std::vector<PolygonParcel> Parcels;
    std::string LineEnd = "\r\n"; // CR LF unless the file ends its lines with LF alone
    bool FinalLineEnd = true;     // whether the last line is ended

    // The first parcel of that identifier, or null. A parcel listed under two headings is
    // found by its first.
    const PolygonParcel* find(std::string_view identifier) const;
    PolygonParcel* find(std::string_view identifier);
};

// A parcel made from its heading line (the lines under it left empty).
PolygonParcel ParcelFromHeading(std::string heading, std::size_t lineNumber = 0);

// Groups the lines of a polygons file into parcels, without checking them.
PolygonsModel PolygonsFromLines(const std::vector<std::string>& lines);
// Groups the lines of a polygons file into parcels once CheckPolygonsText accepts them; its
// error names the file (path) and the line, its title left to the caller.
Result<PolygonsModel> ParsePolygons(const std::vector<std::string>& lines, const std::string& path);
// The same over the file's whole text, keeping how its lines end.
Result<PolygonsModel> ParsePolygonsContent(std::string_view content, const std::string& path);
// Reads and checks a polygons file. Error title left to the caller.
Result<PolygonsModel> ReadPolygons(const std::string& path);

// The lines of the file, in order.
std::vector<std::string> PolygonsText(const PolygonsModel& model);
// The file's whole text: its lines joined with its own line end.
std::string PolygonsContent(const PolygonsModel& model);
// Writes the file whole (WriteFileAtomic). Error title left to the caller.
Result<void> WritePolygons(const std::string& path, const PolygonsModel& model);

} // namespace corvane

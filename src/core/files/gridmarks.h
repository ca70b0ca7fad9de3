#pragma once

#include "core/base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The map-grid coordinates a plan knows for its survey marks (from a LandXML import, typed
// in, or read from a CSV file), kept beside the plan in its grid file (PLAN.grd), a plain
// text file the program rewrites whole:
//     ZONE,56
//     DATUM,GDA2020
//     SYSTEM,"MGA2020 Zone 56"
//     PM1234,334512.123,6251234.456
// ZONE, DATUM and SYSTEM may each be missing (unknown); every other line is a mark, its
// label as the program shows it, its east and north in metres.

struct KnownMark {
    std::int32_t number = 0; // the mark's coded point number
    double east = 0.0;
    double north = 0.0;
};

struct GridMarks {
    int zone = 0;       // map grid zone (1 to 60); 0 unknown
    std::string datum;  // "GDA2020", "GDA94", or empty when unknown
    std::string system; // the coordinate system's name as given, or empty
    std::vector<KnownMark> marks;
};

// PLAN.grd, whatever the letter case of an existing file.
std::string GridMarksPath(const std::string& planPath);

// The plan's grid file; no file gives empty GridMarks. A line that is no record, a label
// that is no point, a figure that is no number, a zone outside 1 to 60 or a mark given twice
// refuses the whole file, naming the line ("Map grid error").
Result<GridMarks> ReadGridMarks(const std::string& planPath);

// Writes the grid file whole (a temporary file put in place).
Result<void> WriteGridMarks(const std::string& planPath, const GridMarks& marks);

// Marks from a CSV file of "mark,east,north" lines (a first line that is a heading is passed
// over; blank lines too). Anything else refuses the file, naming the line.
Result<std::vector<KnownMark>> ReadMarksCsv(const std::string& path);

} // namespace corvane

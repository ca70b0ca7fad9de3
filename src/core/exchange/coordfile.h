#pragma once

#include "core/base/result.h"
#include "core/model/records.h"

#include <string>
#include <vector>

namespace corvane {

// What the coordinate file window (or its command) asks for, as typed.
struct CoordFileRequest {
    std::string Origin; // the point given the origin's coordinates; a mark by its label
    std::string North = "0.000";
    std::string East = "0.000";
    bool UseScaleFactor = false;
    std::string ScaleFactor; // the combined scale factor; empty: none
    bool IncludeMarks = false;
    std::string Separator = "comma and space";
    bool Replace = false; // an existing coordinate file may be written over
};

// The characters between a point's fields: "comma and space" ", ", "comma" ",", "space" " ",
// "Tab" a tab; any other text as it was typed.
std::string SeparatorText(const std::string& choice);

// A copy of the lines with every distance, and every arc's radius, multiplied by a factor.
std::vector<LineRecord> ScaledLines(const std::vector<LineRecord>& lines, double factor);

struct CoordFileResult {
    std::string Path;    // the file written, named as it is on disk when it exists
    std::string Content; // what it holds
    int Written = 0;     // points written
    int OtherGroups = 0; // fixed points left out because no line joins them to the origin
    std::string Message; // the completion message
};

// The coordinate file's lines for the plan's lines: coordinates built from a copy of the
// lines (scaled when asked), shifted so that the origin point stands at the given east and
// north, one "point, east, north" line for every fixed point of the origin's group (marks
// only when included). Refusals, titled "Create Coord. file error": no lines, a scale factor
// that is not a number above 0 (at most 10), no origin point ("Enter the origin point"), a
// north or east that is not a number, an origin that is unknown or not fixed. Nothing is
// written.
Result<CoordFileResult> CoordFileFor(const PlanState& plan, const CoordFileRequest& request);

// Writes the coordinate file's text whole over its file. A failed write leaves the previous
// file as it was and names the file.
Result<void> WriteCoordFile(const CoordFileResult& result);

// CoordFileFor, then WriteCoordFile; an existing coordinate file is refused unless the
// request says to replace it.
Result<CoordFileResult> CreateCoordFile(const PlanState& plan, const CoordFileRequest& request);

} // namespace corvane

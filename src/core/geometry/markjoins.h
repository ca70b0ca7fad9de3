#pragma once

#include "core/model/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// One connection between a survey mark and an ordinary point, listed from the mark.
struct MarkJoin {
    int Index = 0;          // the line's index in PlanLines
    std::int32_t Mark = 0;  // the mark's coded number (above PointNumberLimit)
    std::int32_t Point = 0; // the ordinary point (not above PointNumberLimit)
    std::string Bearing;    // from the mark to the point, "0.0000"
    std::string Distance;   // "0.000"
};

// The lines of PlanLines that join an ordinary point to a mark, in PlanLines order: a live
// line (distance above 0) with a bearing from 0 to 360 (no missing bearing, no arc) whose
// one end is at or below PointNumberLimit and whose other end is above it. A line stored
// from the point to the mark is listed with its back bearing.
std::vector<MarkJoin> LoadMarkJoins(const PlanState& plan);

} // namespace corvane

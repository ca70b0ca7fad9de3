#pragma once

#include "core/base/printtext.h"
#include "core/grid/traverse.h"

#include <string>
#include <vector>

namespace corvane {

// Road offsides: for a traverse along one side of a road (a GridKind::Offsides grid: From,
// To, Bearing, Distance, the road's Width beside each line and the computed Offside), the
// length of each line's counterpart on the far side. The first row is the line that leads
// to the road side and the last the line that leaves it; offsides are computed for the rows
// between.

// True when two bearings lie on one straight line, the same way or opposite: compared as
// their "0.0000" values, 360 taken as 0.
bool SameLine(double b1, double b2);

// The angle in radians between the back direction of the line of bearing t1 and the line of
// bearing t2: positive for a turn to the left, negative to the right, 0 for a straight
// continuation. Within (-pi, pi]; an angle within 1e-9 of 0 or pi is exactly that.
double RoadAngle(const std::string& t1, const std::string& t2);

// Fills the Offside column of every middle row (at least three rows, trailing rows without
// a distance removed first). A row whose distance, or whose own or a neighbour's bearing, is
// "No Data" gets "No Data". rightSide: the traverse is on the road's right side.
void CalcRoadOffsides(TraverseGrid& grid, bool rightSide);

// Merges neighbouring middle rows on one straight line with equal widths into one row
// (distances and offsides summed), until none is left (at least four rows).
void MergeLines(TraverseGrid& grid);

// The radiations from each corner to the corner opposite on the far side of the road, one
// printed line per corner that is not on a straight line (From, bearing, distance).
std::vector<PrintLine> CosecData(const TraverseGrid& grid, bool rightSide);

// The whole printout: heading, side, the table of rows and the cosecant data.
std::vector<PrintLine> OffsidesPrintLines(const TraverseGrid& grid, bool rightSide,
                                          const std::string& caption, const std::string& planPath);

} // namespace corvane

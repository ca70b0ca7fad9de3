#pragma once

#include "core/files/curves.h"
#include "core/geometry/planview.h"
#include "core/model/records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// The point of a parcel farthest from its sides (its pole of inaccessibility), found to a
// thousandth of the parcel's larger extent by refining a grid of cells: where its identifier
// sits well inside even an L-shaped or thin parcel. ring: the corners in order, closed or
// not. A ring of fewer than three corners, or one of no area, gives the mean of its corners;
// nullopt for no corners.
std::optional<std::pair<double, double>>
ParcelLabelPoint(const std::vector<std::pair<double, double>>& ring);

// Each line's class for its weight on the plan, from the polygons file's lines and the line
// classes PrepareLineStyles gave: a side of an outer boundary parcel ("OB...") is the plan's
// outer boundary, or, in a plan without one, a side of exactly one lot (a parcel whose
// identifier starts with neither "C" nor "E"); any other side of a lot is a parcel
// boundary; an easement side that is no lot's side an easement; a line with no bearing and
// no distance that PrepareLineStyles added for a side the lines file lacks Missing; the
// lines from scaledBegin to scaledEnd (those AppendScaledLines added) that are no parcel's
// side Scaled; context sides Context; every other line a connection.
std::vector<LineClass> PlanLineClasses(const std::vector<LineRecord>& lines,
                                       const std::vector<std::string>& polygonsLines,
                                       std::size_t scaledBegin, std::size_t scaledEnd);

// A bearing and distance written along a line, or a radius and arc length along an arc's
// middle. Angle: the texts' direction in radians anticlockwise from east, kept within a
// quarter turn either side of east so they read upright. Above is written on the side left
// of that direction (above the line), Below on the other; Length: the straight run the texts
// must fit in (the chord of an arc), in plan metres.
struct LineAnnotation {
    double E = 0, N = 0;
    double Angle = 0;
    std::string Above; // the bearing as degrees, minutes and seconds; "R 10.000" for an arc
    std::string Below; // the distance to the millimetre; "A 47.124" for an arc
    double Length = 0;
};
// The angle of a direction (radians anticlockwise from east) turned by a half circle when it
// would read upside down: the result lies above -pi/2 and at most pi/2.
double UprightAngle(double angle);
// The annotations of the plan's measured lines between fixed points, each pair of points
// once: parcel sides missing from the lines file and scaled lines (by classes, when given)
// carry no measurement to write. A line with no bearing shows its distance alone. visible:
// only the lines whose middle lies in that view (nullptr: every line).
std::vector<LineAnnotation> LineAnnotations(const std::vector<LineRecord>& lines,
                                            const std::vector<PointRecord>& points,
                                            const CurveTable& curves,
                                            const std::vector<LineClass>& classes,
                                            const ViewScale* visible);

// A point label to place: its point, and its text's width and height in plan metres at the
// scale it is drawn at.
struct LabelSpot {
    double E = 0, N = 0;
    double Width = 0, Height = 0;
};
// Where a label went: the index of its spot, and its text's west and north edges.
struct PlacedLabel {
    std::size_t Index = 0;
    double West = 0, North = 0;
};
// Places each label beside its point, gap metres off it, at the first of the eight compass
// positions (north-east first) that crosses no line and covers no other point, preferring
// the positions farthest in angle from the lines that meet at the point. When every position
// crosses something, the one crossing least. A label that would overlap one already placed
// at every position is left out, and so is that of a point whose marker (gap * 0.6 round it)
// merges with a labelled point's: at that scale the points are too close to label both.
// Spots are taken in order.
std::vector<PlacedLabel> PlacePointLabels(const std::vector<LabelSpot>& spots,
                                          const std::vector<PlotLine>& lines, double gap);

} // namespace corvane

#pragma once

#include "core/files/curves.h"
#include "core/model/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The part of the plan a view shows, in plan metres: its left and top edges, its width, and
// its height (negative, since north is up).
struct ViewScale {
    double Left = 0;
    double Top = 0;
    double Width = 1;
    double Height = -1;
    double Right() const { return Left + Width; }
    double Bottom() const { return Top + Height; }
};

// Each side moves inward by percent / 100 of the extent (outward for a negative percent);
// the right edge follows from the view's aspect.
ViewScale ZoomAround(const ViewScale& view, double percent);
// One tenth of the view in the direction "N", "S", "E" or "W"; "N" lowers the top edge.
ViewScale ScrollAround(const ViewScale& view, char direction);

// Plan metres to the units of a surface of the given size and back, for the view's scale.
struct ViewTransform {
    ViewScale Scale;
    double DeviceWidth = 1;
    double DeviceHeight = 1;
    double X(double east) const { return (east - Scale.Left) / Scale.Width * DeviceWidth; }
    double Y(double north) const { return (north - Scale.Top) / Scale.Height * DeviceHeight; }
    double East(double x) const { return Scale.Left + x / DeviceWidth * Scale.Width; }
    double North(double y) const { return Scale.Top + y / DeviceHeight * Scale.Height; }
};

// How a line is drawn: dotted for its class 1, dashed for 3 (easements), in long grey dashes
// for 4 (sides of context parcels only), solid otherwise.
enum class Stroke { Solid, Dotted, Dashed, LongDashed };
// The long dash and its gap, in widths of the pen (the easement's dash is 4 and 2): on the
// screen, on paper and, in proportion, in the DXF drawing.
inline constexpr double kLongDash = 9;
inline constexpr double kLongDashGap = 3;
Stroke StrokeOfStyle(std::int16_t style);

// What a line is on the plan, for its weight: the plan's outer boundary heaviest, the other
// parcel boundaries medium, connections thin. A parcel side the lines file lacks is drawn as
// a warning, and a line scaled off the plan apart from the measured ones. Plain: a single
// traverse's legs and anything not classed.
enum class LineClass { Plain, Outer, Parcel, Easement, Connection, Context, Missing, Scaled };

struct PlotLine {
    double E1 = 0, N1 = 0, E2 = 0, N2 = 0;
    Stroke Style = Stroke::Solid;
    LineClass Class = LineClass::Plain;
};
struct PlotText {
    double E = 0, N = 0;
    std::string Text;
};

// The circle an arc follows between its two fixed ends. The radius and the ends leave two
// arcs of each turn: the short one and the long way round the centre. The arc length says
// which: more than half the circumference (a cul-de-sac head) is the long one.
struct ArcCourse {
    double CentreE = 0, CentreN = 0;
    double Radius = 0;
    double StartBearing = 0; // from the centre to the first end, radians clockwise from north
    double Sweep = 0;        // the angle turned from the first end to the second, 0 to 2 pi
    bool Left = false;       // turning left (anticlockwise) as travelled
};
// nullopt when no arc of that radius joins the ends (a chord longer than the diameter, a
// radius of 0 or less, the ends in one place): the caller draws the line straight. Ends a
// millimetre or less further apart than the diameter, as coordinates rounded to the
// millimetre leave a half circle, are joined by the half circle on the chord.
// arcLength: the arc's length as measured; 0 or less when unknown (the short arc).
std::optional<ArcCourse> ArcThrough(double e1, double n1, double e2, double n2, double radius,
                                    double arcLength, bool left);

// Positions along that arc from its first end to its second in equal steps of the angle,
// both ends exactly: 21 for an arc of up to a half circle, 41 for a longer one.
std::optional<std::vector<std::pair<double, double>>>
ArcPoints(double e1, double n1, double e2, double n2, double radius, double arcLength, bool left);

// One of the plan's lines as every drawing of the plan draws it (the view, the printout and
// the DXF export): between its two fixed ends, in its style's stroke and its class's weight,
// along its curve when it is an arc with a curve record that a circle of its radius can
// draw, otherwise straight.
struct PlanStroke {
    std::size_t Line = 0; // its index in the lines
    double E1 = 0, N1 = 0, E2 = 0, N2 = 0;
    Stroke Style = Stroke::Solid;
    LineClass Class = LineClass::Plain;
    std::optional<ArcCourse> Arc;
};
// The strokes of the lines between two fixed points, in the lines' order. classes: each
// line's class, as PlanLineClasses gives them (empty: every line Plain).
std::vector<PlanStroke> PlanStrokes(const std::vector<LineRecord>& lines,
                                    const std::vector<PointRecord>& points,
                                    const CurveTable& curves,
                                    const std::vector<LineClass>& classes = {});

// The whole plan's lines between two fixed points, arcs as chords along their curve (an
// arc without a curve record, or one no circle of its radius can draw, as a straight line)
// and straight lines in their class's stroke. visible: only the lines not wholly beyond one edge
// of that view (nullptr: every line).
// classes: each line's class, as PlanLineClasses gives them (empty: every line Plain).
std::vector<PlotLine> PlanLineShapes(const std::vector<LineRecord>& lines,
                                     const std::vector<PointRecord>& points,
                                     const CurveTable& curves, const ViewScale* visible,
                                     const std::vector<LineClass>& classes = {});
// A leg of a single traverse that is an arc: the leg from table entry To - 1 to entry To.
struct TraverseArc {
    std::size_t To = 0;
    double Radius = 0;
    double ArcLength = 0;
    bool Left = false;
};
// One traverse: the points joined in table order, solid, each arc leg along its curve (one no
// circle of its radius can draw as its chord); a point the traverse could not reach (not
// fixed) breaks the line instead of joining it to the origin.
std::vector<PlotLine> TraverseShapes(const std::vector<PointRecord>& points,
                                     const std::vector<TraverseArc>& arcs = {});
// The labels of the fixed, numbered points at their positions; in a single traverse the
// first point's label first, whatever it is.
std::vector<PlotText> PointLabelShapes(const std::vector<PointRecord>& points, bool traverse);
// Each parcel's identifier at the point of the parcel farthest from its sides
// (ParcelLabelPoint), the parcel traced through its corners, the first listed point
// (repeated at the end) left out; corners missing from the points or not fixed are left out
// of the outline, and a parcel with no fixed corner gets no label. With the plan's lines and
// curve records, a side that is an arc is traced along its curve.
std::vector<PlotText> ParcelLabelShapes(const std::vector<std::string>& polygonsLines,
                                        const std::vector<PointRecord>& points,
                                        const std::vector<LineRecord>& lines = {},
                                        const CurveTable* curves = nullptr);

// The answer to "Enter two point numbers separated by a space or -": nothing to do (empty),
// the message to show, or the two table indexes to join.
struct ConnectAnswer {
    bool Empty = false;
    std::string Message; // "Points need to be separated by a space" or "Could not find points"
    int From = -1;
    int To = -1;
};
ConnectAnswer ParseConnectAnswer(std::string_view answer, const std::vector<PointRecord>& points);

// What identifying the points strictly inside the dragged rectangle reports, in table
// order: for each fixed numbered point, the line of the plan's ".pts" description file that
// begins with " LABEL PLAN" (letter case ignored), or else its label alone. The rectangle is
// the one between the press and the release, dragged in any direction. ptsLines: the
// description file's lines (empty when there is none); plan: the plan identifier.
std::vector<std::string> IdentifyPoints(const std::vector<PointRecord>& points, double pressX,
                                        double pressY, double dragX, double dragY,
                                        const std::string& plan,
                                        const std::vector<std::string>& ptsLines);

// The plan scales a printout is drawn at: 1:100, 1:200, 1:250, 1:500, then the same steps
// times 10, 100, and so on. Answers the smallest such denominator that is at least the one
// given (100 below it).
double StandardScaleAtLeast(double denominator);
// The view whose edges are the extent of the lines, arcs bowing out past their points
// included: what the first view and a printout are fitted to. The fallback view when there
// are no lines.
ViewScale ViewOfLines(const std::vector<PlotLine>& lines, const ViewScale& fallback);

} // namespace corvane

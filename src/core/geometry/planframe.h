#pragma once

#include "core/geometry/planview.h"

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// How the view moves about the plan and how a plan is laid out on paper: plan metres and
// paper millimetres only, so the screen, the printout and the picture files agree.

// A view of the given aspect (width / height) centred on an extent, the extent widened in one
// direction to that shape and then marginShare of it added on every side.
ViewScale CentredView(const ViewScale& extent, double aspect, double marginShare);

// The view magnified by factor (above 1 closer, below 1 further) about a plan point, which
// keeps its place on the screen: the wheel turned with the pointer over a corner.
ViewScale ZoomAbout(const ViewScale& view, double east, double north, double factor);

// The view showing the whole rectangle between two plan points, whichever way it was dragged,
// centred on it with the view's own aspect. nullopt for a click or a sliver of less than
// minimum metres across or up, which would zoom to nothing.
std::optional<ViewScale> ZoomToRectangle(const ViewScale& view, double e1, double n1, double e2,
                                         double n2, double minimum);

// The scale bar's length in metres for a view (or sheet) showing widthMetres across: a round
// 1, 2 or 5 times a power of ten, the one nearest a fifth of the width.
double ScaleBarLength(double widthMetres);

// The paper a printout is laid out on, in millimetres, as the printer can print it.
inline constexpr double kSheetMarginMm = 5;   // kept clear inside the printable area
inline constexpr double kTitleBlockMm = 16;   // the title block's height, at the sheet's foot
inline constexpr double kSheetOverlapMm = 10; // plan shown twice where two sheets meet

// One sheet of a printout: the part of the plan it shows (filling the drawing frame at the
// printout's scale), its place among the sheets, and which sides join a neighbour.
struct PrintSheet {
    ViewScale View;
    int Column = 0, Row = 0; // from the top left
    bool LeftNeighbour = false, RightNeighbour = false;
    bool UpperNeighbour = false, LowerNeighbour = false;
};

// A printout laid out: the scale 1:Scale, the sheet's turn, the drawing frame and the title
// block on the printable area (millimetres from its top left, as turned), and the sheets.
struct PrintLayout {
    double Scale = 0;
    bool Landscape = false;
    double PageWidthMm = 0, PageHeightMm = 0;
    double FrameLeftMm = 0, FrameTopMm = 0, FrameWidthMm = 0, FrameHeightMm = 0;
    double TitleTopMm = 0; // the title block spans the frame's width below it
    double SheetsNeeded = 0;
    std::vector<PrintSheet> Sheets; // none when more than kMaxSheets are needed
};
// The most sheets one printout is laid out on: a scale needing more is refused.
inline constexpr double kMaxSheets = 50;

// Lays out the plan extent on paper whose printable area is widthMm × heightMm upright.
// scale 0: the smallest standard scale at which the plan fits one sheet, upright or turned,
// whichever allows the smaller scale (upright on a tie), centred in the frame clear of its
// north arrow and scale bar. Another scale:
// that scale, on as many sheets as it needs (the turn needing fewer, upright on a tie), the
// sheets overlapping by kSheetOverlapMm and the set of them centred on the plan.
PrintLayout LayOutPrint(const ViewScale& extent, double widthMm, double heightMm, double scale = 0);

// The denominators offered to a user picking a scale: the standard scales from 1:100 up to
// and including the first at least `upTo`.
std::vector<double> StandardScalesUpTo(double upTo);

} // namespace corvane

namespace corvane {

// What the view's status line says of a line joined between two points: their labels, and
// the line's bearing and distance as the plan writes them ("4 to 9: 45°00'00" (45.0000)
// 14.142 m").
std::string JoiningLineText(const PointRecord& from, const PointRecord& to);

} // namespace corvane

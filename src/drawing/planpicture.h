#pragma once

#include "core/geometry/planlabels.h"
#include "core/geometry/planview.h"

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace corvane {

// A fixed point's marker: a small dot, or for a survey mark (PM, SSM, ...) a triangle.
struct PlotMarker {
    double E = 0, N = 0;
    bool Mark = false;
};

// An error ellipse as the plan shows it: its centre, its semi-axes in plan metres (already
// exaggerated to be seen at the drawing's scale) and the bearing of its major axis in radians,
// clockwise from grid north.
struct PlotEllipse {
    double E = 0, N = 0;
    double Major = 0, Minor = 0;
    double Bearing = 0;
};

// The ellipse's outline in plan metres (x east, y north), `segments` points round it.
QPolygonF EllipseOutline(const PlotEllipse& ellipse, int segments = 48);

// What a window lays over the plan for a while: an adjustment's error ellipses and flagged
// lines, or the line or point a finding of the plan check is about. Drawn over everything
// else, on the screen and on paper alike.
struct PlanOverlay {
    QString Owner; // the window that laid it, so that it takes away only its own
    std::vector<PlotEllipse> Ellipses;
    std::vector<PlotLine> Lines;    // drawn heavy and red
    std::vector<PlotMarker> Points; // ringed in red
    QString Caption;                // at the foot of the drawing: "Error ellipses × 2000"
    bool empty() const {
        return Ellipses.empty() && Lines.empty() && Points.empty() && Caption.isEmpty();
    }
};

// What a plan view shows at one moment, in plan metres: its lines, the labels switched on,
// the temporary connection line, the rubber band of a drag zoom and the list of points that
// could not be fixed. The screen, the picture files and the tests all draw it with
// RenderPlanPicture.
struct PlanPicture {
    std::vector<PlotLine> Lines;
    QColor LineColour = Qt::black; // red for a single traverse
    std::vector<PlotMarker> Markers;
    std::vector<PlotText> PointLabels;  // at their points: placed beside them as drawn
    std::vector<PlotText> ParcelLabels; // centred on their points
    std::vector<LineAnnotation> Annotations;
    std::optional<PlotLine> Connect;
    std::optional<PlotLine> RubberBand; // the corners of the dragged rectangle
    QString NotFixed;                   // "Points not fixed" and their labels, or empty
    PlanOverlay Overlay;
    // Millimetres kept clear of the north arrow and scale bar along each side: on a printed
    // sheet, the band it shares with a neighbouring sheet.
    QMarginsF FurnitureInsetMm;
};

// Device units per millimetre on a screen of 96 dots an inch.
inline constexpr double kScreenUnitsPerMm = 96 / 25.4;

// Draws the picture on a white ground filling `area`, plan metres carried to the area by the
// view's scale; lines anti-aliased in their class's weight, markers, texts in the font given.
// Point labels are placed beside their markers for this scale (those that would overlap are
// left out), bearings and distances written along lines long enough to hold them.
// unitsPerMm: the device's units per millimetre, which sizes the line weights, markers, gaps,
// the north arrow and the scale bar the same on the screen and on paper (on paper: its
// resolution / 25.4, with a font of 7 points).
void RenderPlanPicture(QPainter& painter, const QRectF& area, const ViewScale& view,
                       const PlanPicture& picture, const QFont& font,
                       double unitsPerMm = kScreenUnitsPerMm);

} // namespace corvane

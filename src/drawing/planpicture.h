#pragma once

#include "core/planview.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace corvane {

// What a plan view shows at one moment, in plan metres: its lines, the labels switched on,
// the temporary connection line, the rubber band of a drag zoom and the list of points that
// could not be fixed. The screen, the picture files and the tests all draw it with
// RenderPlanPicture.
struct PlanPicture {
    std::vector<PlotLine> Lines;
    QColor LineColour = Qt::black; // red for a single traverse
    std::vector<PlotText> PointLabels;
    std::vector<PlotText> ParcelLabels;
    std::optional<PlotLine> Connect;
    std::optional<PlotLine> RubberBand; // the corners of the dragged rectangle
    QString NotFixed;                   // "Points not fixed" and their labels, or empty
};

// Draws the picture on a white ground filling `area`, plan metres carried to the area by the
// view's scale; lines anti-aliased, texts in the font given (their top left corner at their
// point). pixelsPerMm: the device's pixels in a millimetre, which sizes the pens, the north
// arrow and the scale bar the same on the screen and on paper (the font is sized by the
// device itself).
void RenderPlanPicture(QPainter& painter, const QRectF& area, const ViewScale& view,
                       const PlanPicture& picture, const QFont& font,
                       double pixelsPerMm = 96 / 25.4);

} // namespace corvane

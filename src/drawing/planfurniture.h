#pragma once

#include "core/geometry/planframe.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace corvane {

// The north arrow in the top right corner of the drawing area and the scale bar, a round
// length labelled in metres, in its bottom left; sizes in millimetres of the device.
void PaintNorthAndScale(QPainter& painter, const QRectF& area, const ViewScale& view,
                        double pixelsPerMm);

// What a printed sheet's title block says.
struct TitleBlock {
    QString Plan; // the plan identifier (and the traverse drawn, if one)
    double Scale = 0;
    QString Date;
    int Sheet = 1, Sheets = 1;
};
// "Scale 1:500", "Sheet 1 of 1": the title block's texts.
QString ScaleText(double scale);
QString SheetText(int sheet, int sheets);

// Marks, inside a sheet's drawing frame, where the plan goes on on a neighbouring sheet: a
// dashed line the overlap's width in from each side that has a neighbour.
void PaintOverlapMarks(QPainter& painter, const QRectF& frame, const PrintSheet& sheet,
                       double pixelsPerMm);

} // namespace corvane

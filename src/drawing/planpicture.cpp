#include "drawing/planpicture.h"

#include "drawing/planfurniture.h"
#include "platform/desktop.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace corvane {

namespace {

Qt::PenStyle penStyle(Stroke stroke) {
    switch (stroke) {
    case Stroke::Dotted:
        return Qt::DotLine;
    case Stroke::Dashed:
        return Qt::DashLine;
    case Stroke::LongDashed:
        return Qt::CustomDashLine;
    case Stroke::Solid:
        break;
    }
    return Qt::SolidLine;
}

void drawTexts(QPainter& painter, const ViewTransform& t, const QRectF& area,
               const std::vector<PlotText>& texts) {
    const double ascent = QFontMetricsF(painter.font()).ascent();
    for (const PlotText& text : texts)
        painter.drawText(QPointF(area.left() + t.X(text.E), area.top() + t.Y(text.N) + ascent),
                         fromCore(text.Text));
}

} // namespace

void RenderPlanPicture(QPainter& painter, const QRectF& area, const ViewScale& view,
                       const PlanPicture& picture, const QFont& font, double pixelsPerMm) {
    // A line a quarter of a millimetre wide, never thinner than a pixel.
    const double penWidth = std::max(1.0, 0.25 * pixelsPerMm);
    painter.save();
    painter.fillRect(area, Qt::white);
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    const ViewTransform t{view, area.width(), area.height()};
    auto toDevice = [&](const PlotLine& l) {
        return QLineF(area.left() + t.X(l.E1), area.top() + t.Y(l.N1), area.left() + t.X(l.E2),
                      area.top() + t.Y(l.N2));
    };

    // One call per line style keeps a plan at the file's limit quick to draw.
    // The setting (context parcels) first, so the plan's own lines are drawn over it.
    for (Stroke stroke : {Stroke::LongDashed, Stroke::Dotted, Stroke::Dashed, Stroke::Solid}) {
        QList<QLineF> batch;
        for (const PlotLine& l : picture.Lines)
            if (l.Style == stroke)
                batch.append(toDevice(l));
        if (batch.isEmpty())
            continue;
        QPen pen(picture.LineColour, penWidth, penStyle(stroke));
        if (stroke == Stroke::LongDashed) {
            pen.setColor(Qt::darkGray);
            pen.setDashPattern({kLongDash, kLongDashGap});
        }
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLines(batch);
    }

    painter.setPen(QColor(0, 0, 160));
    drawTexts(painter, t, area, picture.ParcelLabels);
    painter.setPen(Qt::red);
    drawTexts(painter, t, area, picture.PointLabels);

    if (picture.Connect) {
        QPen green(QColor(0, 255, 0), 1.5 * penWidth);
        green.setCosmetic(true);
        painter.setPen(green);
        painter.drawLine(toDevice(*picture.Connect));
    }
    if (picture.RubberBand) {
        const QLineF d = toDevice(*picture.RubberBand);
        QPen black(Qt::black, penWidth, Qt::DotLine);
        black.setCosmetic(true);
        painter.setPen(black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(d.p1(), d.p2()).normalized());
    }
    PaintNorthAndScale(painter, area, view, pixelsPerMm);
    if (!picture.NotFixed.isEmpty()) {
        painter.setPen(Qt::black);
        const double margin = QFontMetricsF(font).height() / 2;
        painter.drawText(area.adjusted(margin, margin, -margin, -margin),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, picture.NotFixed);
    }
    painter.restore();
}

} // namespace corvane

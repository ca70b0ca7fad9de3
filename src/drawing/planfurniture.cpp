#include "drawing/planfurniture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

QPen penOf(double widthMm, double pixelsPerMm, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(Qt::black, std::max(1.0, widthMm * pixelsPerMm), style);
    pen.setCosmetic(true);
    return pen;
}

// A font whose capitals stand about `mm` high on the device.
QFont fontOf(const QPainter& painter, double mm, double pixelsPerMm, bool bold = false) {
    QFont font = painter.font();
    font.setPixelSize(std::max(6, static_cast<int>(std::lround(mm * 1.4 * pixelsPerMm))));
    font.setBold(bold);
    return font;
}

QString metres(double length) {
    return QString::number(length, 'g', 12) + QStringLiteral(" m");
}

} // namespace

QString ScaleText(double scale) {
    return QStringLiteral("Scale 1:") + QString::number(scale, 'f', 0);
}

QString SheetText(int sheet, int sheets) {
    return QStringLiteral("Sheet %1 of %2").arg(sheet).arg(sheets);
}

void PaintNorthAndScale(QPainter& painter, const QRectF& area, const ViewScale& view,
                        double pixelsPerMm) {
    const double mm = pixelsPerMm;
    if (area.width() < 30 * mm || area.height() < 30 * mm || !(std::abs(view.Width) > 0))
        return; // no room for either on a thumbnail
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);

    // North arrow: a half-filled dart with an N above it.
    const QPointF tip(area.right() - 10 * mm, area.top() + 9 * mm);
    const double len = 12 * mm, half = 2.5 * mm;
    const QPointF foot(tip.x(), tip.y() + len);
    const QPointF notch(tip.x(), tip.y() + len * 0.75);
    QPainterPath left, right;
    left.moveTo(tip);
    left.lineTo(QPointF(tip.x() - half, foot.y()));
    left.lineTo(notch);
    left.closeSubpath();
    right.moveTo(tip);
    right.lineTo(QPointF(tip.x() + half, foot.y()));
    right.lineTo(notch);
    right.closeSubpath();
    painter.setPen(penOf(0.25, mm));
    painter.setBrush(Qt::black);
    painter.drawPath(left);
    painter.setBrush(Qt::white);
    painter.drawPath(right);
    painter.setFont(fontOf(painter, 3, mm, true));
    const QFontMetricsF northMetrics(painter.font());
    const QString n = QStringLiteral("N");
    painter.drawText(QPointF(tip.x() - northMetrics.horizontalAdvance(n) / 2, tip.y() - 1 * mm), n);

    // Scale bar: alternate black and white halves of a round length, 0 and the length below.
    const double length = ScaleBarLength(view.Width);
    const double barPx = length / std::abs(view.Width) * area.width();
    const QPointF start(area.left() + 8 * mm, area.bottom() - 9 * mm);
    const double barH = 1.5 * mm;
    painter.setPen(penOf(0.25, mm));
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(start, QSizeF(barPx / 2, barH)));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(QPointF(start.x() + barPx / 2, start.y()), QSizeF(barPx / 2, barH)));
    painter.setFont(fontOf(painter, 2.5, mm));
    const QFontMetricsF metrics(painter.font());
    const double below = start.y() + barH + metrics.ascent() + 0.8 * mm;
    painter.drawText(QPointF(start.x() - metrics.horizontalAdvance(QStringLiteral("0")) / 2, below),
                     QStringLiteral("0"));
    const QString label = metres(length);
    painter.drawText(QPointF(start.x() + barPx - metrics.horizontalAdvance(label) / 2, below),
                     label);
    painter.restore();
}

void PaintOverlapMarks(QPainter& painter, const QRectF& frame, const PrintSheet& sheet,
                       double pixelsPerMm) {
    const double in = kSheetOverlapMm * pixelsPerMm;
    painter.save();
    painter.setPen(penOf(0.2, pixelsPerMm, Qt::DashDotLine));
    if (sheet.LeftNeighbour)
        painter.drawLine(QLineF(frame.left() + in, frame.top(), frame.left() + in, frame.bottom()));
    if (sheet.RightNeighbour)
        painter.drawLine(
            QLineF(frame.right() - in, frame.top(), frame.right() - in, frame.bottom()));
    if (sheet.UpperNeighbour)
        painter.drawLine(QLineF(frame.left(), frame.top() + in, frame.right(), frame.top() + in));
    if (sheet.LowerNeighbour)
        painter.drawLine(
            QLineF(frame.left(), frame.bottom() - in, frame.right(), frame.bottom() - in));
    painter.restore();
}

} // namespace corvane

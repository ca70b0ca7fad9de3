#include "drawing/planpicture.h"

#include "drawing/planfurniture.h"
#include "platform/desktop.h"

#include <QFontMetricsF>
#include <QList>

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

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

// How a class of line is drawn on a plan: width and dashes in millimetres on paper (on the
// screen at its own millimetre), so the weights keep their order at any resolution.
struct LinePen {
    LineClass Class;
    QColor Colour;
    double WidthMm;
    std::vector<double> DashesMm; // empty: solid
};
// Drawn in this order: the setting first, the warnings last, over everything.
const LinePen kLinePens[] = {
    {LineClass::Context, Qt::darkGray, 0.18, {1.6, 0.55}},
    {LineClass::Connection, Qt::black, 0.18, {}},
    {LineClass::Scaled, QColor(120, 120, 120), 0.25, {2.0, 0.7, 0.3, 0.7}},
    {LineClass::Easement, Qt::black, 0.25, {2.0, 1.0}},
    {LineClass::Parcel, Qt::black, 0.35, {}},
    {LineClass::Outer, Qt::black, 0.7, {}},
    {LineClass::Missing, QColor(230, 70, 0), 0.4, {3.0, 1.0, 0.5, 1.0}},
};

QPen penFor(const LinePen& style, double unitsPerMm) {
    // A patterned line thinner than a device unit would have its dashes shrink with it.
    const double width = std::max(style.WidthMm * unitsPerMm, style.DashesMm.size() ? 1.0 : 0.5);
    QPen pen(style.Colour, width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    if (style.DashesMm.size()) {
        QList<qreal> dashes;
        for (double mm : style.DashesMm)
            dashes.append(mm * unitsPerMm / width);
        pen.setDashPattern(dashes);
    }
    return pen;
}

void drawMarkers(QPainter& painter, const ViewTransform& t, const QRectF& area,
                 const PlanPicture& picture, double unitsPerMm) {
    QPolygonF dots;
    QPainterPath marks;
    const double side = 2.0 * unitsPerMm; // a mark's triangle, 2 mm a side
    const double rise = side * std::sqrt(3.0) / 2;
    const QRectF reach = area.adjusted(-side, -side, side, side);
    for (const PlotMarker& m : picture.Markers) {
        const QPointF at(area.left() + t.X(m.E), area.top() + t.Y(m.N));
        if (!reach.contains(at))
            continue;
        if (!m.Mark) {
            dots.append(at);
            continue;
        }
        // The triangle stands centred on the mark, the mark's own position dotted inside it.
        marks.moveTo(at.x() - side / 2, at.y() + rise / 3);
        marks.lineTo(at.x() + side / 2, at.y() + rise / 3);
        marks.lineTo(at.x(), at.y() - 2 * rise / 3);
        marks.closeSubpath();
        dots.append(at);
    }
    QPen dot(picture.LineColour, 0.8 * unitsPerMm, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(dot);
    painter.drawPoints(dots);
    painter.setPen(QPen(picture.LineColour, std::max(0.5, 0.2 * unitsPerMm)));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(marks);
}

// Bearings above their lines and distances below, read upright along them; left off a line
// too short at this scale to hold them.
void drawAnnotations(QPainter& painter, const ViewTransform& t, const QRectF& area,
                     const std::vector<LineAnnotation>& notes, double unitsPerMm) {
    if (notes.empty())
        return;
    const QFontMetricsF metrics(painter.font());
    const double gap = 0.4 * unitsPerMm;
    const double perMetreX = t.DeviceWidth / std::fabs(t.Scale.Width);
    const double perMetreY = t.DeviceHeight / std::fabs(t.Scale.Height);
    // No text is narrower than this many characters of the narrowest figure.
    const double perChar = metrics.horizontalAdvance(QLatin1Char('1'));
    const QTransform base = painter.transform();
    painter.setPen(QColor(0, 0, 0));
    for (const LineAnnotation& n : notes) {
        const QPointF at(area.left() + t.X(n.E), area.top() + t.Y(n.N));
        if (!area.contains(at))
            continue;
        const double dx = std::cos(n.Angle) * perMetreX, dy = std::sin(n.Angle) * perMetreY;
        const double room = n.Length * std::hypot(dx, dy);
        const std::size_t longest = std::max(n.Above.size(), n.Below.size());
        if (room < perChar * static_cast<double>(longest))
            continue;
        const QString above = fromCore(n.Above), below = fromCore(n.Below);
        const double wide =
            std::max(metrics.horizontalAdvance(above), metrics.horizontalAdvance(below));
        if (room < wide + 2 * gap)
            continue;
        QTransform along = base;
        along.translate(at.x(), at.y());
        along.rotateRadians(std::atan2(-dy, dx));
        painter.setTransform(along);
        painter.drawText(QPointF(-metrics.horizontalAdvance(above) / 2, -gap - metrics.descent()),
                         above);
        painter.drawText(QPointF(-metrics.horizontalAdvance(below) / 2, gap + metrics.ascent()),
                         below);
    }
    painter.setTransform(base);
}

void drawParcelLabels(QPainter& painter, const ViewTransform& t, const QRectF& area,
                      const std::vector<PlotText>& texts) {
    const QFontMetricsF metrics(painter.font());
    const double lift = (metrics.ascent() - metrics.descent()) / 2;
    for (const PlotText& text : texts) {
        const QString shown = fromCore(text.Text);
        painter.drawText(QPointF(area.left() + t.X(text.E) - metrics.horizontalAdvance(shown) / 2,
                                 area.top() + t.Y(text.N) + lift),
                         shown);
    }
}

void drawPointLabels(QPainter& painter, const ViewTransform& t, const QRectF& area,
                     const PlanPicture& picture, double unitsPerMm) {
    const QFontMetricsF metrics(painter.font());
    const double perMetreX = t.DeviceWidth / std::fabs(t.Scale.Width);
    const double perMetreY = t.DeviceHeight / std::fabs(t.Scale.Height);
    std::vector<LabelSpot> spots;
    std::vector<QString> shown;
    for (const PlotText& label : picture.PointLabels) {
        const QPointF at(area.left() + t.X(label.E), area.top() + t.Y(label.N));
        if (!area.contains(at))
            continue;
        shown.push_back(fromCore(label.Text));
        spots.push_back(LabelSpot{label.E, label.N,
                                  metrics.horizontalAdvance(shown.back()) / perMetreX,
                                  metrics.height() / perMetreY});
    }
    const double gap = 0.8 * unitsPerMm * 2 / (perMetreX + perMetreY);
    for (const PlacedLabel& p : PlacePointLabels(spots, picture.Lines, gap))
        painter.drawText(
            QPointF(area.left() + t.X(p.West), area.top() + t.Y(p.North) + metrics.ascent()),
            shown[p.Index]);
}

} // namespace

void RenderPlanPicture(QPainter& painter, const QRectF& area, const ViewScale& view,
                       const PlanPicture& picture, const QFont& font, double unitsPerMm) {
    // A traverse's lines a quarter of a millimetre wide, never thinner than a pixel.
    const double penWidth = std::max(1.0, 0.25 * unitsPerMm);
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
    std::vector<QList<QLineF>> classed(std::size(kLinePens));
    QList<QLineF> plain[4]; // by stroke
    for (const PlotLine& l : picture.Lines) {
        if (l.Class == LineClass::Plain) {
            plain[static_cast<int>(l.Style)].append(toDevice(l));
            continue;
        }
        for (std::size_t k = 0; k < std::size(kLinePens); ++k)
            if (kLinePens[k].Class == l.Class)
                classed[k].append(toDevice(l));
    }
    for (std::size_t k = 0; k < std::size(kLinePens); ++k)
        if (!classed[k].isEmpty()) {
            painter.setPen(penFor(kLinePens[k], unitsPerMm));
            painter.drawLines(classed[k]);
        }
    // The setting (context parcels) first, so the plan's own lines are drawn over it.
    for (Stroke stroke : {Stroke::LongDashed, Stroke::Dotted, Stroke::Dashed, Stroke::Solid}) {
        const QList<QLineF>& batch = plain[static_cast<int>(stroke)];
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

    drawMarkers(painter, t, area, picture, unitsPerMm);
    drawAnnotations(painter, t, area, picture.Annotations, unitsPerMm);
    painter.setPen(QColor(0, 0, 160));
    drawParcelLabels(painter, t, area, picture.ParcelLabels);
    painter.setPen(Qt::red);
    drawPointLabels(painter, t, area, picture, unitsPerMm);

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
    PaintNorthAndScale(painter, area, view, unitsPerMm);
    if (!picture.NotFixed.isEmpty()) {
        painter.setPen(Qt::black);
        const double margin = QFontMetricsF(font).height() / 2;
        painter.drawText(area.adjusted(margin, margin, -margin, -margin),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, picture.NotFixed);
    }
    painter.restore();
}

} // namespace corvane

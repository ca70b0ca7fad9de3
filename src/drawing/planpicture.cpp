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
#include <array>
#include <cmath>
#include <numbers>
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

// The width of a label in the painter's font, added up from its characters' widths, each
// measured once: labels are letters and figures, and measuring thousands of them whole (most
// to be left out where they crowd) would cost more than drawing the plan.
class TextWidths {
  public:
    explicit TextWidths(const QFontMetricsF& metrics) : metrics_(metrics) {}
    double operator()(const std::string& text) {
        double width = 0;
        for (char c : text) {
            const auto code = static_cast<unsigned char>(c);
            if (code >= advance_.size())
                return metrics_.horizontalAdvance(fromCore(text));
            if (advance_[code] == 0)
                advance_[code] = metrics_.horizontalAdvance(QLatin1Char(c));
            width += advance_[code];
        }
        return width;
    }

  private:
    const QFontMetricsF& metrics_;
    std::array<double, 128> advance_{};
};

// Room on the drawing for its texts: each text taken keeps its box (a rectangle, turned with
// its line where it is written along one), and a later text whose box would meet a box
// already taken is left out at this zoom rather than written over it.
class TextRoom {
  public:
    explicit TextRoom(const QRectF& area) : area_(area) {
        columns_ = std::max(1, static_cast<int>(std::ceil(area.width() / kCell)));
        rows_ = std::max(1, static_cast<int>(std::ceil(area.height() / kCell)));
        cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
    }
    // Takes the room of the box (its four corners in order) when nothing taken meets it.
    bool take(const QPolygonF& box) {
        const QRectF bounds = box.boundingRect();
        const int c0 = column(bounds.left()), c1 = column(bounds.right());
        const int r0 = row(bounds.top()), r1 = row(bounds.bottom());
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                for (std::size_t k : cells_[index(c, r)])
                    if (bounds_[k].intersects(bounds) && meet(boxes_[k], box))
                        return false;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                cells_[index(c, r)].push_back(boxes_.size());
        boxes_.push_back(box);
        bounds_.push_back(bounds);
        return true;
    }

  private:
    static constexpr double kCell = 48;
    int column(double x) const {
        return std::clamp(static_cast<int>((x - area_.left()) / kCell), 0, columns_ - 1);
    }
    int row(double y) const {
        return std::clamp(static_cast<int>((y - area_.top()) / kCell), 0, rows_ - 1);
    }
    std::size_t index(int c, int r) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(c);
    }
    // Two convex boxes meet unless one of their sides' directions separates them.
    static bool meet(const QPolygonF& a, const QPolygonF& b) {
        for (const QPolygonF* p : {&a, &b})
            for (int i = 0; i < 4; ++i) {
                const QPointF side = p->at((i + 1) % 4) - p->at(i);
                const QPointF axis(-side.y(), side.x());
                auto span = [&](const QPolygonF& q) {
                    double lo = 1e300, hi = -1e300;
                    for (const QPointF& corner : q) {
                        const double v = QPointF::dotProduct(corner, axis);
                        lo = std::min(lo, v);
                        hi = std::max(hi, v);
                    }
                    return std::pair(lo, hi);
                };
                const auto [aLo, aHi] = span(a);
                const auto [bLo, bHi] = span(b);
                if (aHi <= bLo || bHi <= aLo)
                    return false;
            }
        return true;
    }

    QRectF area_;
    int columns_ = 1, rows_ = 1;
    std::vector<std::vector<std::size_t>> cells_;
    std::vector<QPolygonF> boxes_;
    std::vector<QRectF> bounds_;

  public:
    const std::vector<QPolygonF>& boxes() const { return boxes_; }
};

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
                     const std::vector<LineAnnotation>& notes, double unitsPerMm, TextRoom& room) {
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
    // The longest lines are written first: where figures crowd, the short lines give way.
    std::vector<std::size_t> order(notes.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return notes[a].Length > notes[b].Length;
    });
    for (std::size_t k : order) {
        const LineAnnotation& n = notes[k];
        const QPointF at(area.left() + t.X(n.E), area.top() + t.Y(n.N));
        if (!area.contains(at))
            continue;
        const double dx = std::cos(n.Angle) * perMetreX, dy = std::sin(n.Angle) * perMetreY;
        const double length = n.Length * std::hypot(dx, dy);
        const std::size_t longest = std::max(n.Above.size(), n.Below.size());
        if (length < perChar * static_cast<double>(longest))
            continue;
        const QString above = fromCore(n.Above), below = fromCore(n.Below);
        const double wide =
            std::max(metrics.horizontalAdvance(above), metrics.horizontalAdvance(below));
        if (length < wide + 2 * gap)
            continue;
        QTransform turn;
        turn.translate(at.x(), at.y());
        turn.rotateRadians(std::atan2(-dy, dx));
        // The bearing above the line and the distance below it; where that is crowded, both
        // on one side of the line, the upper side first.
        struct Texts {
            QString Text;
            double X, Baseline;
        };
        std::vector<Texts> chosen;
        const double half = wide / 2, high = gap + metrics.height();
        if (room.take(turn.map(QPolygonF(QRectF(-half, -high, wide, 2 * high))))) {
            chosen = {{above, -metrics.horizontalAdvance(above) / 2, -gap - metrics.descent()},
                      {below, -metrics.horizontalAdvance(below) / 2, gap + metrics.ascent()}};
        } else {
            const QString both = above + QStringLiteral("  ") + below;
            const double joined = metrics.horizontalAdvance(both);
            if (length < joined + 2 * gap)
                continue;
            if (room.take(turn.map(QPolygonF(QRectF(-joined / 2, -high, joined, high - gap)))))
                chosen = {{both, -joined / 2, -gap - metrics.descent()}};
            else if (room.take(turn.map(QPolygonF(QRectF(-joined / 2, gap, joined, high - gap)))))
                chosen = {{both, -joined / 2, gap + metrics.ascent()}};
            else
                continue;
        }
        painter.setTransform(turn * base);
        for (const Texts& text : chosen)
            painter.drawText(QPointF(text.X, text.Baseline), text.Text);
    }
    painter.setTransform(base);
}

// An easement's or a construction parcel's identifier ("E...", "C..."), which gives way to
// the lines' figures where a narrow strip has no room for both.
bool yieldingParcel(const PlotText& text) {
    return !text.Text.empty() && (text.Text[0] == 'E' || text.Text[0] == 'C');
}

void drawParcelLabels(QPainter& painter, const ViewTransform& t, const QRectF& area,
                      const std::vector<PlotText>& texts, TextRoom& room, bool yielding) {
    const QFontMetricsF metrics(painter.font());
    TextWidths widthOf(metrics);
    const double lift = (metrics.ascent() - metrics.descent()) / 2;
    for (const PlotText& text : texts) {
        if (yieldingParcel(text) != yielding)
            continue;
        const double wide = widthOf(text.Text);
        const QPointF base(area.left() + t.X(text.E) - wide / 2, area.top() + t.Y(text.N) + lift);
        if (!room.take(
                QPolygonF(QRectF(base.x(), base.y() - metrics.ascent(), wide, metrics.height()))))
            continue;
        painter.drawText(base, fromCore(text.Text));
    }
}

void drawPointLabels(QPainter& painter, const ViewTransform& t, const QRectF& area,
                     const PlanPicture& picture, double unitsPerMm, TextRoom& room) {
    const QFontMetricsF metrics(painter.font());
    const double perMetreX = t.DeviceWidth / std::fabs(t.Scale.Width);
    const double perMetreY = t.DeviceHeight / std::fabs(t.Scale.Height);
    TextWidths widthOf(metrics);
    std::vector<LabelSpot> spots;
    std::vector<const std::string*> shown;
    for (const PlotText& label : picture.PointLabels) {
        const QPointF at(area.left() + t.X(label.E), area.top() + t.Y(label.N));
        if (!area.contains(at))
            continue;
        shown.push_back(&label.Text);
        spots.push_back(LabelSpot{label.E, label.N, widthOf(label.Text) / perMetreX,
                                  metrics.height() / perMetreY});
    }
    // The texts already written count as lines a number should not be put across; a number
    // that would still run into one is left out.
    std::vector<PlotLine> obstacles = picture.Lines;
    for (const QPolygonF& box : room.boxes())
        for (int i = 0; i < 4; ++i) {
            const QPointF a = box.at(i) - area.topLeft(), b = box.at((i + 1) % 4) - area.topLeft();
            obstacles.push_back(
                PlotLine{t.East(a.x()), t.North(a.y()), t.East(b.x()), t.North(b.y())});
        }
    const double gap = 0.8 * unitsPerMm * 2 / (perMetreX + perMetreY);
    for (const PlacedLabel& p : PlacePointLabels(spots, obstacles, gap)) {
        const QPointF corner(area.left() + t.X(p.West), area.top() + t.Y(p.North));
        const double wide = spots[p.Index].Width * perMetreX;
        if (!room.take(QPolygonF(QRectF(corner, QSizeF(wide, metrics.height())))))
            continue;
        painter.drawText(corner + QPointF(0, metrics.ascent()), fromCore(*shown[p.Index]));
    }
}

// The overlay over the drawing: flagged lines heavy and red, the error ellipses in blue, points
// ringed in red, and the overlay's caption at the foot on the right (the scale bar has the
// left).
void drawOverlay(QPainter& painter, const ViewTransform& t, const QRectF& area,
                 const PlanOverlay& overlay, double unitsPerMm) {
    auto toDevice = [&](double e, double n) {
        return QPointF(area.left() + t.X(e), area.top() + t.Y(n));
    };
    const QColor red(220, 0, 0);
    if (!overlay.Lines.empty()) {
        QList<QLineF> lines;
        for (const PlotLine& l : overlay.Lines)
            lines.append(QLineF(toDevice(l.E1, l.N1), toDevice(l.E2, l.N2)));
        painter.setPen(QPen(red, std::max(2.0, 0.8 * unitsPerMm), Qt::SolidLine, Qt::RoundCap));
        painter.drawLines(lines);
    }
    painter.setBrush(Qt::NoBrush);
    if (!overlay.Ellipses.empty()) {
        painter.setPen(QPen(QColor(0, 70, 200), std::max(1.0, 0.25 * unitsPerMm)));
        for (const PlotEllipse& ellipse : overlay.Ellipses) {
            QPolygonF outline = EllipseOutline(ellipse);
            for (QPointF& p : outline)
                p = toDevice(p.x(), p.y());
            painter.drawPolygon(outline);
        }
    }
    if (!overlay.Points.empty()) {
        painter.setPen(QPen(red, std::max(1.5, 0.5 * unitsPerMm)));
        const double radius = 2.5 * unitsPerMm;
        for (const PlotMarker& p : overlay.Points)
            painter.drawEllipse(toDevice(p.E, p.N), radius, radius);
    }
    if (!overlay.Caption.isEmpty()) {
        painter.setPen(Qt::black);
        const double margin = 8 * unitsPerMm;
        painter.drawText(area.adjusted(margin, margin, -margin, -margin),
                         Qt::AlignRight | Qt::AlignBottom, overlay.Caption);
    }
}

} // namespace

QPolygonF EllipseOutline(const PlotEllipse& ellipse, int segments) {
    // The major axis points along its bearing (east sin, north cos), the minor axis a right
    // angle clockwise from it.
    const double majorE = std::sin(ellipse.Bearing), majorN = std::cos(ellipse.Bearing);
    const double minorE = majorN, minorN = -majorE;
    QPolygonF outline;
    outline.reserve(segments);
    for (int k = 0; k < segments; ++k) {
        const double angle = 2 * std::numbers::pi * k / segments;
        const double along = ellipse.Major * std::cos(angle);
        const double across = ellipse.Minor * std::sin(angle);
        outline.append(QPointF(ellipse.E + along * majorE + across * minorE,
                               ellipse.N + along * majorN + across * minorN));
    }
    return outline;
}

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
    // The lots' identifiers take their room first, then the figures along the lines, then the
    // easements' identifiers where room is left.
    TextRoom room(area);
    const QColor parcelBlue(0, 0, 160);
    painter.setPen(parcelBlue);
    drawParcelLabels(painter, t, area, picture.ParcelLabels, room, false);
    drawAnnotations(painter, t, area, picture.Annotations, unitsPerMm, room);
    painter.setPen(parcelBlue);
    drawParcelLabels(painter, t, area, picture.ParcelLabels, room, true);
    painter.setPen(Qt::red);
    drawPointLabels(painter, t, area, picture, unitsPerMm, room);

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
    drawOverlay(painter, t, area, picture.Overlay, unitsPerMm);
    // The arrow and bar within the area less its insets, at the drawing's own scale.
    const QRectF clear = area.marginsRemoved(picture.FurnitureInsetMm * unitsPerMm);
    ViewScale clearView = view;
    if (area.width() > 0 && area.height() > 0) {
        clearView.Width = view.Width * clear.width() / area.width();
        clearView.Height = view.Height * clear.height() / area.height();
    }
    PaintNorthAndScale(painter, clear, clearView, unitsPerMm);
    if (!picture.NotFixed.isEmpty()) {
        painter.setPen(Qt::black);
        const double margin = QFontMetricsF(font).height() / 2;
        painter.drawText(area.adjusted(margin, margin, -margin, -margin),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, picture.NotFixed);
    }
    painter.restore();
}

} // namespace corvane

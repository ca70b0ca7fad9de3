#include "traverse/toolbaricons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvane {

namespace {

constexpr int kSize = 32;

// A grid of three rows, the middle one marked: the picture of a line to insert or delete.
void drawRows(QPainter& p, const QColor& mark) {
    p.setPen(QPen(Qt::darkGray, 1.5));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(3, 4 + i * 8, 20, 7));
    p.fillRect(QRectF(4, 13, 19, 6), mark);
}

void drawText(QPainter& p, const QString& text, int pixelSize, const QColor& colour) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

} // namespace

QIcon TraverseToolIcon(const QString& key) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0, 70, 160);
    if (key == QLatin1String("Increment")) {
        drawText(p, QStringLiteral("+1"), 16, blue);
    } else if (key == QLatin1String("Decrement")) {
        drawText(p, QStringLiteral("-1"), 16, blue);
    } else if (key == QLatin1String("NewPoint")) {
        p.setPen(QPen(blue, 2));
        p.drawEllipse(QPointF(12, 18), 5, 5);
        p.setPen(QPen(Qt::darkGreen, 2.5));
        p.drawLine(QPointF(24, 4), QPointF(24, 14));
        p.drawLine(QPointF(19, 9), QPointF(29, 9));
    } else if (key == QLatin1String("NoData")) {
        drawText(p, QStringLiteral("ND"), 13, Qt::darkRed);
    } else if (key == QLatin1String("Curve")) {
        QPainterPath arc;
        arc.moveTo(5, 26);
        arc.quadTo(6, 6, 27, 5);
        p.setPen(QPen(blue, 2.5));
        p.drawPath(arc);
        p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        p.drawLine(QPointF(5, 26), QPointF(27, 5));
    } else if (key == QLatin1String("Calculator")) {
        p.setPen(QPen(Qt::darkGray, 1.5));
        p.drawRoundedRect(QRectF(7, 3, 18, 26), 2, 2);
        p.fillRect(QRectF(9, 5, 14, 6), QColor(180, 210, 180));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.fillRect(QRectF(9 + c * 5, 14 + r * 5, 3, 3), blue);
    } else if (key == QLatin1String("Insert")) {
        drawRows(p, QColor(120, 200, 120));
        p.setPen(QPen(Qt::darkGreen, 2.5));
        p.drawLine(QPointF(27, 10), QPointF(27, 22));
        p.drawLine(QPointF(21, 16), QPointF(31, 16));
    } else if (key == QLatin1String("Delete")) {
        drawRows(p, QColor(230, 130, 130));
        p.setPen(QPen(Qt::darkRed, 2.5));
        p.drawLine(QPointF(22, 12), QPointF(30, 20));
        p.drawLine(QPointF(30, 12), QPointF(22, 20));
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace corvane

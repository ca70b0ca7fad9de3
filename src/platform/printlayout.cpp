#include "platform/printlayout.h"

#include "platform/desktop.h"

#include <cmath>

namespace corvane {

double PrintColumnX(int column, double charWidth) {
    return column > 1 ? (column - 1) * charWidth : 0.0;
}

std::vector<PlacedRow> LayoutPrintLine(const PrintLine& line, double charWidth,
                                       const std::function<double(const QString&)>& textWidth) {
    // Positions are sums of measured widths: a text that ends exactly on a column must not
    // count as having passed it.
    const double tolerance = charWidth * 1e-6;
    std::vector<PlacedRow> rows(1);
    double x = 0;
    for (const PrintSegment& segment : line.segments) {
        if (segment.column == kNextZone) {
            const double zone = kPrintZoneColumns * charWidth;
            x = zone > 0 ? (std::floor(x / zone + 1e-9) + 1) * zone : x;
        } else if (segment.column > 0) {
            const double target = PrintColumnX(segment.column, charWidth);
            if (x > target + tolerance)
                rows.emplace_back();
            x = target;
        }
        if (segment.text.empty())
            continue;
        const QString text = fromCore(segment.text);
        rows.back().push_back({x, text});
        x += textWidth(text);
    }
    return rows;
}

} // namespace corvane

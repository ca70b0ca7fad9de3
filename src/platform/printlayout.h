#pragma once

#include "core/base/printtext.h"

#include <QString>
#include <functional>
#include <vector>

namespace corvane {

// One text of a printed line and where it starts across the page.
struct PlacedText {
    double x = 0;
    QString text;
};

// The texts that share one line on paper.
using PlacedRow = std::vector<PlacedText>;

// Print zones (kNextZone) are this many columns wide.
inline constexpr int kPrintZoneColumns = 14;

// Left edge of print-tab column n (counted from 1) for a font whose average character is
// charWidth wide: n - 1 average characters from the left edge.
double PrintColumnX(int column, double charWidth);

// Places the texts of a printed line across the page as the printer does in a proportional
// font: a text at column n starts at PrintColumnX(n); a text without a column follows the
// one before it (textWidth measures a text in the unit of charWidth); a tab to a column the
// line has already passed goes on at that column on the next line. Always at least one row,
// so an empty line still takes its place on the paper.
std::vector<PlacedRow> LayoutPrintLine(const PrintLine& line, double charWidth,
                                       const std::function<double(const QString&)>& textWidth);

} // namespace corvane

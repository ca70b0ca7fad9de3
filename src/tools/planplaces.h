#pragma once

#include "drawing/plancontent.h"
#include "host/planhost.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// The plan view as the adjustment and plan check windows use it: the whole plan drawn, and the
// lines and points their figures are about found on it and shown.

// The plan view showing the whole open plan: drawn now unless it shows it already. nullptr
// (after saying why) when the lines cannot be read.
frmDrawPlan* WholePlanView(PlanHost& host);

// Where the drawing has the line between two points, or a point; nullopt when the point (or
// either end) is not fixed on it.
std::optional<PlotLine> DrawnLine(const PlanContent& content, std::int32_t from, std::int32_t to);
std::optional<PlotMarker> DrawnPoint(const PlanContent& content, std::int32_t number);

// Shows a line or a point on the whole plan, red, the view centred on it, over `base` (an
// overlay of the same owner the line or point is added to). False, after saying why under
// `title`, when the plan view cannot show it.
bool ShowLineOnPlan(PlanHost& host, PlanOverlay base, std::int32_t from, std::int32_t to,
                    const QString& title);
bool ShowPointOnPlan(PlanHost& host, PlanOverlay base, std::int32_t number, const QString& title);

// How many times error ellipses are drawn larger than they are, so that the largest (semi-major
// axis in metres) is seen on a drawing of the given size (metres across its larger side): a
// round 1, 2 or 5 times a power of ten that makes it about a fortieth of the drawing, never
// below 1.
double EllipseExaggeration(double largestMajor, double drawingSize);

// A line of the core's UTF-8 text as the printer's 8-bit text prints it: the dash between two
// points as a hyphen, seconds and minutes of arc as the keyboard's quotes.
std::string PrintableText(const std::string& utf8);

} // namespace corvane

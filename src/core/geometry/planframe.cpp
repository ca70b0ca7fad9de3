#include "core/geometry/planframe.h"

#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr double kMmPerMetre = 1000;

struct Fit {
    double Scale = 0;
    double Across = 1, Down = 1;
};

// Room kept inside the frame when the scale is chosen to fit the plan: the north arrow stands
// in the top right corner and the scale bar in the bottom left, and the labels at the plan's
// edge reach beyond its lines.
constexpr double kInsetTopMm = 22;
constexpr double kInsetBottomMm = 12;
constexpr double kInsetSideMm = 4;

// The frame left for the drawing on a sheet of the given printable size.
double frameWidth(double pageWidthMm) {
    return std::max(1.0, pageWidthMm - 2 * kSheetMarginMm);
}
double frameHeight(double pageHeightMm) {
    return std::max(1.0, pageHeightMm - 2 * kSheetMarginMm - kTitleBlockMm);
}

// Sheets along one direction for a plan `mm` long on paper at the scale, each sheet `frame`
// long and overlapping its neighbour.
double sheetsAlong(double mm, double frame) {
    if (mm <= frame * (1 + 1e-9))
        return 1;
    const double step = std::max(frame - kSheetOverlapMm, 1.0);
    return std::ceil((mm - kSheetOverlapMm) / step - 1e-9);
}

Fit fitOn(const ViewScale& extent, double pageW, double pageH, double scale) {
    const double w = std::abs(extent.Width), h = std::abs(extent.Height);
    const double fw = frameWidth(pageW), fh = frameHeight(pageH);
    Fit fit;
    const double roomW = std::max(1.0, fw - 2 * kInsetSideMm);
    const double roomH = std::max(1.0, fh - kInsetTopMm - kInsetBottomMm);
    fit.Scale =
        scale > 0 ? scale : StandardScaleAtLeast(kMmPerMetre * std::max(w / roomW, h / roomH));
    fit.Across = sheetsAlong(w * kMmPerMetre / fit.Scale, fw);
    fit.Down = sheetsAlong(h * kMmPerMetre / fit.Scale, fh);
    return fit;
}

} // namespace

ViewScale CentredView(const ViewScale& extent, double aspect, double marginShare) {
    if (!(aspect > 0) || !std::isfinite(aspect))
        aspect = 1;
    double w = std::abs(extent.Width), h = std::abs(extent.Height);
    if (!(w > 0) && !(h > 0))
        w = h = 10; // one point: a small square about it
    if (h * aspect < w)
        h = w / aspect;
    w = h * aspect;
    w *= 1 + 2 * marginShare;
    h *= 1 + 2 * marginShare;
    const double centreE = extent.Left + extent.Width / 2;
    const double centreN = extent.Top + extent.Height / 2;
    return ViewScale{centreE - w / 2, centreN + h / 2, w, -h};
}

ViewScale ZoomAbout(const ViewScale& view, double east, double north, double factor) {
    if (!(factor > 0) || !std::isfinite(factor))
        return view;
    ViewScale v;
    v.Width = view.Width / factor;
    v.Height = view.Height / factor;
    // The point keeps its share of the way across and down the view.
    v.Left = east - (east - view.Left) / factor;
    v.Top = north - (north - view.Top) / factor;
    return v;
}

std::optional<ViewScale> ZoomToRectangle(const ViewScale& view, double e1, double n1, double e2,
                                         double n2, double minimum) {
    const double w = std::abs(e2 - e1), h = std::abs(n2 - n1);
    if (!(w >= minimum) || !(h >= minimum) || !(w > 0) || !(h > 0))
        return std::nullopt;
    const ViewScale rect{std::min(e1, e2), std::max(n1, n2), w, -h};
    return CentredView(rect, view.Width / -view.Height, 0);
}

double ScaleBarLength(double widthMetres) {
    const double wanted = std::abs(widthMetres) / 5;
    if (!(wanted > 0) || !std::isfinite(wanted))
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    double best = decade;
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        const double length = step * decade;
        // Nearest on a logarithmic scale: a bar half too long is as wrong as one half as long.
        if (std::abs(std::log(length / wanted)) < std::abs(std::log(best / wanted)))
            best = length;
    }
    return best;
}

PrintLayout LayOutPrint(const ViewScale& extent, double widthMm, double heightMm, double scale) {
    const Fit upright = fitOn(extent, widthMm, heightMm, scale);
    const Fit turned = fitOn(extent, heightMm, widthMm, scale);
    const bool landscape = scale > 0 ? turned.Across * turned.Down < upright.Across * upright.Down
                                     : turned.Scale < upright.Scale;
    const Fit& fit = landscape ? turned : upright;

    PrintLayout layout;
    layout.Scale = fit.Scale;
    layout.Landscape = landscape;
    layout.SheetsNeeded = fit.Across * fit.Down;
    layout.PageWidthMm = landscape ? heightMm : widthMm;
    layout.PageHeightMm = landscape ? widthMm : heightMm;
    layout.FrameLeftMm = kSheetMarginMm;
    layout.FrameTopMm = kSheetMarginMm;
    layout.FrameWidthMm = frameWidth(layout.PageWidthMm);
    layout.FrameHeightMm = frameHeight(layout.PageHeightMm);
    layout.TitleTopMm = layout.FrameTopMm + layout.FrameHeightMm;

    // Metres of plan one frame shows, and the step from one sheet to the next.
    const double m = fit.Scale / kMmPerMetre;
    const double sheetW = layout.FrameWidthMm * m, sheetH = layout.FrameHeightMm * m;
    const double stepW = (layout.FrameWidthMm - kSheetOverlapMm) * m;
    const double stepH = (layout.FrameHeightMm - kSheetOverlapMm) * m;
    const double allW = sheetW + (fit.Across - 1) * stepW;
    const double allH = sheetH + (fit.Down - 1) * stepH;
    const double left = extent.Left + extent.Width / 2 - allW / 2;
    const double top = extent.Top + extent.Height / 2 + allH / 2;
    if (layout.SheetsNeeded > kMaxSheets)
        return layout;
    for (int row = 0; row < fit.Down; ++row)
        for (int column = 0; column < fit.Across; ++column) {
            PrintSheet sheet;
            sheet.View = ViewScale{left + column * stepW, top - row * stepH, sheetW, -sheetH};
            sheet.Column = column;
            sheet.Row = row;
            sheet.LeftNeighbour = column > 0;
            sheet.RightNeighbour = column + 1 < fit.Across;
            sheet.UpperNeighbour = row > 0;
            sheet.LowerNeighbour = row + 1 < fit.Down;
            layout.Sheets.push_back(sheet);
        }
    return layout;
}

std::vector<double> StandardScalesUpTo(double upTo) {
    std::vector<double> scales;
    for (double s = StandardScaleAtLeast(0);; s = StandardScaleAtLeast(s * (1 + 1e-6))) {
        scales.push_back(s);
        if (s >= upTo * (1 - 1e-9) || scales.size() > 60)
            break;
    }
    return scales;
}

} // namespace corvane

namespace corvane {

std::string JoiningLineText(const PointRecord& from, const PointRecord& to) {
    const double dE = to.East - from.East, dN = to.North - from.North;
    std::string bearing = BearingText(RadiansToBearing(BearingFromDeltas(dE, dN)));
    // A bearing a part of a second short of 360 rounds to north itself.
    if (bearing == "360.0000")
        bearing = "0.0000";
    return PointNumberToLabel(from.Number) + " to " + PointNumberToLabel(to.Number) + ": " +
           AngleText(bearing) + " (" + bearing + ")  " + DistanceText(std::hypot(dE, dN)) + " m";
}

} // namespace corvane

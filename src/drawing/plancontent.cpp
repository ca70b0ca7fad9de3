#include "drawing/plancontent.h"

#include "core/numtext.h"
#include "core/plancoords.h"
#include "core/planlabels.h"
#include "core/pointlabel.h"
#include "platform/desktop.h"

#include <algorithm>
#include <cctype>

namespace corvane {

PlanContent PlanContent::ofWholePlan(WholePlanDrawing drawing, const std::string& planPath) {
    PlanContent c;
    c.WholePlan = true;
    c.PlanPath = planPath;
    c.Caption = PathFromCore(planPath);
    c.Lines = std::move(drawing.Lines);
    c.Points = std::move(drawing.Points);
    c.Curves = std::move(drawing.Curves);
    c.Polygons = std::move(drawing.Polygons);
    c.Classes = PlanLineClasses(c.Lines, c.Polygons, drawing.ScaledBegin, drawing.ScaledEnd);
    return c;
}

PlanContent PlanContent::ofTraverse(std::vector<PointRecord> points, const std::string& planPath,
                                    const QString& caption, std::vector<TraverseArc> arcs) {
    PlanContent c;
    c.WholePlan = false;
    c.PlanPath = planPath;
    c.Caption = caption;
    c.Points = std::move(points);
    c.Arcs = std::move(arcs);
    return c;
}

double PlanContent::EastExtent() const {
    return MaxEast(Points);
}

double PlanContent::NorthExtent() const {
    return MaxNorth(Points);
}

PlanPicture PictureOf(const PlanContent& content, const ViewScale& view, bool points, bool parcels,
                      bool bearings) {
    PlanPicture picture;
    if (content.WholePlan) {
        picture.Lines =
            PlanLineShapes(content.Lines, content.Points, content.Curves, &view, content.Classes);
        std::vector<std::string> open = UnfixedPointLabels(content.Points);
        if (!open.empty()) {
            QString text = QStringLiteral("Points not fixed");
            for (const std::string& label : open)
                text += QLatin1Char(' ') + fromCore(label);
            picture.NotFixed = text;
        }
        if (parcels)
            picture.ParcelLabels =
                ParcelLabelShapes(content.Polygons, content.Points, content.Lines, &content.Curves);
        if (bearings)
            picture.Annotations = LineAnnotations(content.Lines, content.Points, content.Curves,
                                                  content.Classes, &view);
    } else {
        picture.Lines = TraverseShapes(content.Points, content.Arcs);
        picture.LineColour = Qt::red;
    }
    const double west = std::min(view.Left, view.Right()), east = std::max(view.Left, view.Right());
    const double south = std::min(view.Top, view.Bottom()),
                 north = std::max(view.Top, view.Bottom());
    for (const PointRecord& p : content.Points)
        if (p.Fixed > 0 && p.Number > 0 && west <= p.East && p.East <= east && south <= p.North &&
            p.North <= north) {
            // A mark's label begins with its kind (PM, SSM, ...); a plain point's is its number.
            const std::string label = PointNumberToLabel(p.Number);
            picture.Markers.push_back(
                {p.East, p.North,
                 !label.empty() && std::isalpha(static_cast<unsigned char>(label[0]))});
        }
    if (points)
        picture.PointLabels = PointLabelShapes(content.Points, !content.WholePlan);
    return picture;
}

ViewScale OpeningView(const PlanContent& content, double aspect, double* east, double* north) {
    FittedView fitted = FitPlanView(content.EastExtent(), content.NorthExtent(), aspect);
    if (east)
        *east = fitted.East;
    if (north)
        *north = fitted.North;
    return ZoomAround(fitted.Scale, -10);
}

void PrintPlanView(PrintJob& job, const PlanContent& content, const ViewScale& view, bool points,
                   bool parcels, double scale) {
    const double PW = job.pageWidthMm();
    const double PH = job.pageHeightMm();
    const double S = scale > 0 ? scale : PrintScale(view, PW, PH);
    const double s = S / 1000;
    QString heading = PathFromCore(content.PlanPath);
    if (!content.WholePlan)
        heading += QStringLiteral(": ") + content.Caption;
    heading += QStringLiteral(" Scale 1: ") + fromCore(Format(S, "0"));
    job.print(TabLine(20, toCore(heading)));

    // The whole view's lines, not only those the screen shows: the page may reach further.
    const ViewScale everything{-1e300, 1e300, 2e300, -2e300};
    const PlanPicture picture = PictureOf(content, everything, points, parcels);
    auto page = [&](double e, double n) { return PagePosition(view, s, PH, e, n); };
    for (const PlotLine& l : picture.Lines) {
        const PagePoint a = page(l.E1, l.N1);
        const PagePoint b = page(l.E2, l.N2);
        if (content.WholePlan && !LineOnPage(a.X, a.Y, b.X, b.Y, PW, PH))
            continue;
        job.setLineStyle(l.Style == Stroke::Dotted       ? LineStyle::Dotted
                         : l.Style == Stroke::Dashed     ? LineStyle::Dashed
                         : l.Style == Stroke::LongDashed ? LineStyle::LongDashed
                                                         : LineStyle::Solid);
        job.drawLine(a.X, a.Y, b.X, b.Y);
    }
    job.setLineStyle(LineStyle::Solid);

    auto printLabels = [&](const std::vector<PlotText>& labels) {
        for (const PlotText& label : labels) {
            const QString text = fromCore(label.Text);
            const PagePoint p = page(label.E, label.N);
            if (!PlotOnPage(p.X, p.Y, job.textWidthMm(text), job.textHeightMm(text), PW, PH))
                continue;
            job.drawDot(p.X, p.Y);
            job.drawText(p.X, p.Y, text);
        }
    };
    if (points) {
        const QString name = job.fontName();
        const double size = job.fontSize();
        job.setFont(name, 6);
        printLabels(picture.PointLabels);
        job.setFont(name, size);
    }
    if (parcels)
        printLabels(picture.ParcelLabels);
}

} // namespace corvane

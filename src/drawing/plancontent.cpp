#include "drawing/plancontent.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/geometry/plancoords.h"
#include "core/geometry/planlabels.h"
#include "core/model/pointlabel.h"
#include "drawing/planfurniture.h"
#include "platform/desktop.h"

#include <QFont>
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
    const double west = std::min(view.Left, view.Right()), east = std::max(view.Left, view.Right());
    const double south = std::min(view.Top, view.Bottom()),
                 north = std::max(view.Top, view.Bottom());
    auto inView = [&](double e, double n) {
        return west <= e && e <= east && south <= n && n <= north;
    };
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
        PlanContent::FixedLabels& fixed = *content.Labels;
        if (parcels) {
            if (!fixed.Parcels)
                fixed.Parcels = ParcelLabelShapes(content.Polygons, content.Points, content.Lines,
                                                  &content.Curves);
            for (const PlotText& label : *fixed.Parcels)
                if (inView(label.E, label.N))
                    picture.ParcelLabels.push_back(label);
        }
        if (bearings) {
            if (!fixed.Annotations)
                fixed.Annotations = LineAnnotations(content.Lines, content.Points, content.Curves,
                                                    content.Classes, nullptr);
            for (const LineAnnotation& note : *fixed.Annotations)
                if (inView(note.E, note.N))
                    picture.Annotations.push_back(note);
        }
    } else {
        picture.Lines = TraverseShapes(content.Points, content.Arcs);
        picture.LineColour = Qt::red;
    }
    for (const PointRecord& p : content.Points)
        if (p.Fixed > 0 && p.Number > 0 && inView(p.East, p.North)) {
            // A mark's label begins with its kind (PM, SSM, ...); a plain point's is its number.
            const std::string label = PointNumberToLabel(p.Number);
            picture.Markers.push_back(
                {p.East, p.North,
                 !label.empty() && std::isalpha(static_cast<unsigned char>(label[0]))});
        }
    if (points)
        for (PlotText& label : PointLabelShapes(content.Points, !content.WholePlan))
            if (inView(label.E, label.N))
                picture.PointLabels.push_back(std::move(label));
    picture.Overlay = content.Overlay;
    return picture;
}

ViewScale DrawingExtent(const PlanContent& content, bool points, bool parcels) {
    const ViewScale everything{-1e300, 1e300, 2e300, -2e300};
    const PlanPicture picture = PictureOf(content, everything, points, parcels);
    std::vector<PlotLine> drawn = picture.Lines;
    for (const auto* labels : {&picture.PointLabels, &picture.ParcelLabels})
        for (const PlotText& label : *labels)
            drawn.push_back(PlotLine{label.E, label.N, label.E, label.N});
    const double east = content.EastExtent(), north = content.NorthExtent();
    return ViewOfLines(drawn, ViewScale{0, north, east, -north});
}

ViewScale OpeningView(const PlanContent& content, double aspect, double* east, double* north) {
    if (east)
        *east = content.EastExtent();
    if (north)
        *north = content.NorthExtent();
    return ZoomAround(CentredView(DrawingExtent(content, false, false), aspect, 0.05), -10);
}

PrintLayout PlanPrintLayout(const PlanContent& content, bool points, bool parcels, double widthMm,
                            double heightMm, double scale) {
    return LayOutPrint(DrawingExtent(content, points, parcels), std::min(widthMm, heightMm),
                       std::max(widthMm, heightMm), scale);
}

namespace {

// The plan's name in a title block: its identifier, and the traverse drawn.
QString titleOf(const PlanContent& content) {
    QString title = PathFromCore(FileNameOf(content.PlanPath));
    if (!content.WholePlan)
        title += QStringLiteral(": ") + content.Caption;
    return title;
}

void printFrameAndTitle(PrintJob& job, const PrintLayout& layout, const TitleBlock& title) {
    const double l = layout.FrameLeftMm, t = layout.FrameTopMm;
    const double r = l + layout.FrameWidthMm, b = layout.TitleTopMm + kTitleBlockMm;
    const double split = layout.TitleTopMm;
    job.setLineStyle(LineStyle::Solid);
    job.drawLine(l, t, r, t);
    job.drawLine(r, t, r, b);
    job.drawLine(r, b, l, b);
    job.drawLine(l, b, l, t);
    job.drawLine(l, split, r, split);
    // The plan's name at the left; scale over date, then the sheet, in ruled boxes at the right.
    const double box = std::min(45.0, layout.FrameWidthMm / 4);
    const double sheetX = r - box, scaleX = r - 2 * box;
    const double middle = split + kTitleBlockMm / 2;
    job.drawLine(scaleX, split, scaleX, b);
    job.drawLine(sheetX, split, sheetX, b);
    job.drawLine(scaleX, middle, sheetX, middle);
    const QString name = job.fontName();
    const double size = job.fontSize();
    auto centredUpIn = [&](double x, double top, double height, const QString& text) {
        job.drawText(x + 2, top + (height - job.textHeightMm(text)) / 2, text);
    };
    job.setFont(name, 12);
    centredUpIn(l, split, kTitleBlockMm, title.Plan);
    job.setFont(name, 9);
    centredUpIn(scaleX, split, kTitleBlockMm / 2, ScaleText(title.Scale));
    centredUpIn(scaleX, middle, kTitleBlockMm / 2, title.Date);
    centredUpIn(sheetX, split, kTitleBlockMm, SheetText(title.Sheet, title.Sheets));
    job.setFont(name, size);
}

} // namespace

PrintLayout PrintPlanView(PrintJob& job, const PlanContent& content, bool points, bool parcels,
                          bool bearings, double scale, const QString& date) {
    const PrintLayout layout =
        PlanPrintLayout(content, points, parcels, job.pageWidthMm(), job.pageHeightMm(), scale);
    job.setLandscape(layout.Landscape);
    QFont font(job.fontName());
    font.setPointSizeF(7);
    const QRectF frame(layout.FrameLeftMm, layout.FrameTopMm, layout.FrameWidthMm,
                       layout.FrameHeightMm);
    TitleBlock title{titleOf(content), layout.Scale, date, 1,
                     static_cast<int>(layout.Sheets.size())};
    if (layout.Sheets.empty())
        return layout;
    for (const PrintSheet& sheet : layout.Sheets) {
        if (title.Sheet > 1)
            job.newPage();
        // The sheet's part of the whole plan, not only what the screen shows.
        PlanPicture picture = PictureOf(content, sheet.View, points, parcels, bearings);
        // The arrow and the bar stand clear of the bands shared with neighbouring sheets.
        auto band = [](bool neighbour) { return neighbour ? kSheetOverlapMm : 0.0; };
        picture.FurnitureInsetMm =
            QMarginsF(band(sheet.LeftNeighbour), band(sheet.UpperNeighbour),
                      band(sheet.RightNeighbour), band(sheet.LowerNeighbour));
        job.paint(frame, [&](QPainter& painter, const QRectF& device, double pixelsPerMm) {
            RenderPlanPicture(painter, device, sheet.View, picture, font, pixelsPerMm);
            PaintOverlapMarks(painter, device, sheet, pixelsPerMm);
        });
        printFrameAndTitle(job, layout, title);
        ++title.Sheet;
    }
    return layout;
}

QString TooManySheetsText(const PrintLayout& layout) {
    return QStringLiteral("At 1:") + fromCore(Format(layout.Scale, "0")) +
           QStringLiteral(" the plan needs ") + QString::number(layout.SheetsNeeded, 'f', 0) +
           QStringLiteral(" sheets; a printout has at most ") + QString::number(kMaxSheets) +
           QStringLiteral(". Choose a smaller scale (a larger number after 1:).");
}

} // namespace corvane

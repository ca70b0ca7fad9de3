#pragma once

#include "core/files/curves.h"
#include "core/geometry/planframe.h"
#include "core/geometry/planview.h"
#include "core/model/records.h"
#include "drawing/planpicture.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class PrintJob;
struct WholePlanDrawing;

// What a plan view draws, held by the view itself: a whole plan (its lines between fixed
// points, classed) or one traverse (its points joined in order, its arcs along their curves), with
// copies of the lines, points, curve records and polygons lines it was given.
struct PlanContent {
    bool WholePlan = true;
    std::string PlanPath;
    QString Caption;
    std::vector<LineRecord> Lines;
    std::vector<PointRecord> Points;
    CurveTable Curves;
    std::vector<std::string> Polygons;
    std::vector<LineClass> Classes; // each of Lines' weight on the plan
    std::vector<TraverseArc> Arcs;  // a traverse's arc legs
    PlanOverlay Overlay;            // laid over the drawing by another window

    // What the labels need that no zoom or scroll changes, worked out for the whole plan
    // on first use and then only picked from for each view: each parcel's label point and
    // each line's bearing and distance. Shared by copies of the content, which draw the
    // same plan.
    struct FixedLabels {
        std::optional<std::vector<PlotText>> Parcels;
        std::optional<std::vector<LineAnnotation>> Annotations;
    };
    std::shared_ptr<FixedLabels> Labels = std::make_shared<FixedLabels>();

    static PlanContent ofWholePlan(WholePlanDrawing drawing, const std::string& planPath);
    static PlanContent ofTraverse(std::vector<PointRecord> points, const std::string& planPath,
                                  const QString& caption, std::vector<TraverseArc> arcs = {});

    // The east and north extents of the points (0 when none lies beyond the origin).
    double EastExtent() const;
    double NorthExtent() const;
};

// The picture of the content in a view: the lines the view can show, every fixed point's
// marker, the labels switched on, and with bearings each line's bearing and distance.
PlanPicture PictureOf(const PlanContent& content, const ViewScale& view, bool points, bool parcels,
                      bool bearings = false);

// The extent of what is drawn: the lines (arcs' bulges included) and the labels switched
// on; the points' extent when there are no lines.
ViewScale DrawingExtent(const PlanContent& content, bool points, bool parcels);

// The first view of a content on a surface of the given aspect: centred on the drawing's
// extent with a margin, zoomed out once, as the windows open it. east, north: the extents
// of the points, as the first view was fitted before.
ViewScale OpeningView(const PlanContent& content, double aspect, double* east = nullptr,
                      double* north = nullptr);

// The layout a printout of the content takes on paper whose printable area is widthMm ×
// heightMm, at 1:scale or (scale 0) the smallest standard scale that fits one sheet.
PrintLayout PlanPrintLayout(const PlanContent& content, bool points, bool parcels, double widthMm,
                            double heightMm, double scale = 0);

// Prints the whole drawing at 1:scale (0: the smallest standard scale at which it fits one
// sheet) on the job's paper, turned as the layout asks: each sheet the picture in a ruled
// frame, its neighbours' overlap marked, and a title block (the plan, "Scale 1:500", the
// date, "Sheet 1 of 1"). The caller ends the document. Answers the layout printed; at a
// scale needing more than kMaxSheets sheets nothing is printed and the layout has no sheets.
PrintLayout PrintPlanView(PrintJob& job, const PlanContent& content, bool points, bool parcels,
                          bool bearings, double scale, const QString& date);
// What is said of a scale at which the plan needs more sheets than a printout has (the
// layout has none then, and nothing was printed).
QString TooManySheetsText(const PrintLayout& layout);

} // namespace corvane

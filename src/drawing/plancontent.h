#pragma once

#include "core/curves.h"
#include "core/planview.h"
#include "core/records.h"
#include "drawing/planpicture.h"

#include <QString>
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

// The first view of a content on a surface of the given aspect, zoomed out once, as the
// windows open it.
ViewScale OpeningView(const PlanContent& content, double aspect, double* east = nullptr,
                      double* north = nullptr);

// Prints the view on one page at 1:S (S from PrintScale when scale is 0): the heading at
// print column 20, the lines in their styles, and the labels switched on. The caller ends
// the document.
void PrintPlanView(PrintJob& job, const PlanContent& content, const ViewScale& view, bool points,
                   bool parcels, double scale = 0);

} // namespace corvane

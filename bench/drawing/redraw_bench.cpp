// Speed of one full redraw of the plan view: a plan at the lines file's limit drawn whole at
// 1600 × 1200 on the offscreen platform. Target: within 50 ms for the lines alone, within
// 100 ms with markers, point and parcel labels placed, and bearings and distances along the
// lines, both for the whole plan and for a view zoomed in far enough to write them.

#include "../plangen.h"
#include "core/cli/plancheck.h"
#include "core/geometry/plancoords.h"
#include "core/geometry/planframe.h"
#include "drawing/plancontent.h"
#include "drawing/planpicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <sstream>

namespace {

using namespace corvane;

PlanContent limitPlan() {
    gen::GeneratedPlan plan = gen::ShuffledGrid(128, 7);
    WholePlanDrawing drawing;
    drawing.Lines = plan.lines;
    for (std::size_t i = 0; i < drawing.Lines.size(); ++i)
        drawing.Lines[i].Style = static_cast<std::int16_t>(1 + i % 3);
    drawing.Curves = CurveTable(plan.curves);
    drawing.Polygons = gen::GridPolygons(128);
    drawing.Points = BuildPlanCoordinates(drawing.Lines, drawing.Curves);
    return PlanContent::ofWholePlan(std::move(drawing), "LIMIT");
}

void BM_RedrawLimitPlan(benchmark::State& state) {
    const PlanContent content = limitPlan();
    const QSize size(1600, 1200);
    const ViewScale view = OpeningView(content, 1600.0 / 1200.0);
    QImage image(size, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        RenderPlanPicture(painter, QRectF(QPointF(0, 0), QSizeF(size)), view,
                          PictureOf(content, view, false, false), QGuiApplication::font());
    }
    state.counters["lines"] = static_cast<double>(content.Lines.size());
}
BENCHMARK(BM_RedrawLimitPlan)->Unit(benchmark::kMillisecond);

// Argument: how many times the view is zoomed in by 10 % from the opening view.
void BM_RedrawLimitPlanLabelled(benchmark::State& state) {
    const PlanContent content = limitPlan();
    const QSize size(1600, 1200);
    ViewScale view = OpeningView(content, 1600.0 / 1200.0);
    for (int k = 0; k < state.range(0); ++k)
        view = ZoomAround(view, 10);
    QImage image(size, QImage::Format_RGB32);
    // The parcels' label points and the lines' figures are worked out once, when the labels
    // are first switched on (BM_LabelLimitPlan); a redraw only picks from them.
    PictureOf(content, view, true, true, true);
    for (auto _ : state) {
        QPainter painter(&image);
        RenderPlanPicture(painter, QRectF(QPointF(0, 0), QSizeF(size)), view,
                          PictureOf(content, view, true, true, true), QGuiApplication::font());
    }
}
BENCHMARK(BM_RedrawLimitPlanLabelled)->Arg(0)->Arg(12)->Unit(benchmark::kMillisecond);

// Switching every label on for the first time: each parcel's label point and each line's
// bearing and distance worked out for the whole plan.
void BM_LabelLimitPlan(benchmark::State& state) {
    const PlanContent base = limitPlan();
    const ViewScale view = OpeningView(base, 1600.0 / 1200.0);
    for (auto _ : state) {
        PlanContent content = base;
        content.Labels = std::make_shared<PlanContent::FixedLabels>();
        benchmark::DoNotOptimize(PictureOf(content, view, true, true, true));
    }
}
BENCHMARK(BM_LabelLimitPlan)->Unit(benchmark::kMillisecond);

// Speed of one notch of the mouse wheel on the sample plan: the view zoomed about a point and
// the whole picture drawn again, with its labels, north arrow and scale bar, at 1366 × 700.
// Target: within one frame (16 ms).
void BM_WheelZoomSamplePlan(benchmark::State& state) {
    PlanState plan;
    std::ostringstream notices;
    if (!LoadCommandPlan(CORVANE_SOURCE_DIR "/examples/D20417.lns", plan, notices)) {
        state.SkipWithError("the sample plan cannot be read");
        return;
    }
    const PlanContent content = PlanContent::ofWholePlan(
        PrepareWholePlanDrawing(plan.PlanLines, plan.PlanPath), plan.PlanPath);
    const QSize size(1366, 700);
    ViewScale view = OpeningView(content, double(size.width()) / size.height());
    QImage image(size, QImage::Format_RGB32);
    bool in = true;
    for (auto _ : state) {
        // In and out again about a corner, so the view stays on the plan.
        view = ZoomAbout(view, view.Left + view.Width / 3, view.Top + view.Height / 3,
                         in ? 1.2 : 1 / 1.2);
        in = !in;
        QPainter painter(&image);
        RenderPlanPicture(painter, QRectF(QPointF(0, 0), QSizeF(size)), view,
                          PictureOf(content, view, true, true), QGuiApplication::font());
    }
}
BENCHMARK(BM_WheelZoomSamplePlan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Speed of one notch of the mouse wheel on the sample plan: the view zoomed about a point and
// the whole picture drawn again, with its labels, north arrow and scale bar, at 1366 × 700 on
// the offscreen platform. Target: within one frame (16 ms).

#include "core/plancheck.h"
#include "core/plancoords.h"
#include "core/planframe.h"
#include "drawing/plancontent.h"
#include "drawing/planpicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <sstream>

namespace {

using namespace corvane;

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

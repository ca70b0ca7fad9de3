#include "tools/planplaces.h"

#include "core/files/linesfile.h"
#include "core/geometry/plancoords.h"
#include "core/model/pointlabel.h"
#include "drawing/frmdrawplan.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

const PointRecord* fixedPoint(const PlanContent& content, std::int32_t number) {
    for (const PointRecord& p : content.Points)
        if (p.Number == number && number != 0)
            return p.Fixed > 0 ? &p : nullptr;
    return nullptr;
}

QString shownLabel(std::int32_t number) {
    return fromCore(PointNumberToLabel(number));
}

} // namespace

frmDrawPlan* WholePlanView(PlanHost& host) {
    frmDrawPlan* view = host.planView();
    if (!view)
        return nullptr;
    PlanState& plan = host.plan();
    const PlanContent& shown = view->content();
    if (view->isVisible() && shown.WholePlan && shown.PlanPath == plan.PlanPath)
        return view;
    Desktop& desktop = host.desktop();
    WholePlanDrawing drawing;
    {
        BusyCursor busy(desktop);
        if (!LinesCurrent(plan)) {
            Result<void> loaded = LoadLines(plan);
            if (!loaded) {
                desktop.showError(loaded.error());
                return nullptr;
            }
        }
        drawing = PrepareWholePlanDrawing(plan.PlanLines, plan.PlanPath);
    }
    for (const Error& problem : drawing.Problems)
        desktop.showError(problem);
    view->ShowPlan(PlanContent::ofWholePlan(std::move(drawing), plan.PlanPath));
    return view;
}

std::optional<PlotLine> DrawnLine(const PlanContent& content, std::int32_t from, std::int32_t to) {
    const PointRecord* a = fixedPoint(content, from);
    const PointRecord* b = fixedPoint(content, to);
    if (!a || !b)
        return std::nullopt;
    return PlotLine{a->East, a->North, b->East, b->North};
}

std::optional<PlotMarker> DrawnPoint(const PlanContent& content, std::int32_t number) {
    const PointRecord* p = fixedPoint(content, number);
    if (!p)
        return std::nullopt;
    return PlotMarker{p->East, p->North, false};
}

bool ShowLineOnPlan(PlanHost& host, PlanOverlay base, std::int32_t from, std::int32_t to,
                    const QString& title) {
    frmDrawPlan* view = WholePlanView(host);
    if (!view)
        return false;
    const std::optional<PlotLine> line = DrawnLine(view->content(), from, to);
    if (!line) {
        host.desktop().message(QStringLiteral("The line ") + shownLabel(from) + QLatin1Char('-') +
                                   shownLabel(to) +
                                   QStringLiteral(" is not on the plan view: a point of it is "
                                                  "not fixed"),
                               title, Icon::Exclamation);
        return false;
    }
    base.Lines.push_back(*line);
    view->setOverlay(std::move(base));
    view->showPlace(line->E1, line->N1, line->E2, line->N2);
    view->raise();
    return true;
}

bool ShowPointOnPlan(PlanHost& host, PlanOverlay base, std::int32_t number, const QString& title) {
    frmDrawPlan* view = WholePlanView(host);
    if (!view)
        return false;
    const std::optional<PlotMarker> point = DrawnPoint(view->content(), number);
    if (!point) {
        host.desktop().message(QStringLiteral("The point ") + shownLabel(number) +
                                   QStringLiteral(" is not on the plan view: it is not fixed"),
                               title, Icon::Exclamation);
        return false;
    }
    base.Points.push_back(*point);
    view->setOverlay(std::move(base));
    view->showPlace(point->E, point->N, point->E, point->N);
    view->raise();
    return true;
}

double EllipseExaggeration(double largestMajor, double drawingSize) {
    if (!(largestMajor > 0) || !(drawingSize > 0))
        return 1;
    const double wanted = drawingSize / 40 / largestMajor;
    if (wanted < 1)
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(wanted) + 1e-9));
    for (double step : {5.0, 2.0})
        if (step * decade <= wanted)
            return step * decade;
    return decade;
}

std::string PrintableText(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8);
    text.replace(QChar(0x2013), QLatin1Char('-'));
    text.replace(QChar(0x2032), QLatin1Char('\''));
    text.replace(QChar(0x2033), QLatin1Char('"'));
    text.replace(QChar(0x03C7), QLatin1String("chi"));
    return toCore(text);
}

} // namespace corvane

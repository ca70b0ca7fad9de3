#include "tools/adjusttables.h"

#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/adjustreport.h"

#include <QBrush>
#include <QColor>
#include <QStandardItemModel>
#include <algorithm>
#include <cmath>
#include <vector>

namespace corvane {

namespace {

const QString kSeconds = QString(QChar(0x2033));

QString pointText(std::int32_t number) {
    return QString::fromStdString(PointNumberToLabel(number));
}

QString fixedText(double value, int decimals) {
    // No "-0.000": a figure that rounds to nothing has no sign.
    const double unit = std::pow(10.0, -decimals);
    if (std::abs(value) < unit / 2)
        value = 0;
    return QString::number(value, 'f', decimals);
}

QStandardItem* tableCell(const QString& text, const QVariant& sortBy) {
    auto* item = new QStandardItem(text);
    item->setData(sortBy, Qt::UserRole);
    item->setEditable(false);
    return item;
}

QStandardItem* figureCell(double value, const QString& text) {
    QStandardItem* item = tableCell(text, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// A distance's figure in metres, a bearing's in seconds of arc.
QString inUnit(const Observation& o, double value) {
    return o.kind == ObservationKind::Distance ? fixedText(value, 3) + QStringLiteral(" m")
                                               : fixedText(value, 1) + kSeconds;
}

QString kindName(const Observation& o) {
    if (o.kind == ObservationKind::Distance)
        return o.arc ? QStringLiteral("chord") : QStringLiteral("distance");
    return o.arc ? QStringLiteral("chord bearing") : QStringLiteral("bearing");
}

bool checked(const ObservationResult& r) {
    return r.redundancy >= 0.001;
}

} // namespace

QString LineName(const Observation& observation) {
    return pointText(observation.from) + QChar(0x2013) + pointText(observation.to);
}

void FillObservationTable(QStandardItemModel& model, const AdjustmentResult& result) {
    model.clear();
    model.setHorizontalHeaderLabels({QStringLiteral("From"), QStringLiteral("To"),
                                     QStringLiteral("Kind"), QStringLiteral("Observed"),
                                     QStringLiteral("Residual"), QStringLiteral("Redundancy"),
                                     QStringLiteral("w"), QStringLiteral("Estimated error")});
    std::vector<std::size_t> order(result.observations.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const ObservationResult& ra = result.observations[a];
        const ObservationResult& rb = result.observations[b];
        if (ra.flagged != rb.flagged)
            return ra.flagged;
        return ra.flagged && std::abs(ra.w) > std::abs(rb.w);
    });
    const QBrush red(QColor(200, 0, 0));
    for (std::size_t k : order) {
        const ObservationResult& r = result.observations[k];
        const Observation& o = r.observation;
        QList<QStandardItem*> row{
            tableCell(pointText(o.from), o.from),
            tableCell(pointText(o.to), o.to),
            tableCell(kindName(o), kindName(o)),
            figureCell(o.kind == ObservationKind::Distance ? o.observed
                                                           : RadiansToBearing(o.observed),
                       QString::fromStdString(ObservedText(o))),
            figureCell(r.residual, inUnit(o, r.residual)),
            figureCell(r.redundancy, fixedText(r.redundancy, 2)),
            checked(r) ? figureCell(r.w, fixedText(r.w, 1)) : figureCell(0, QString()),
            checked(r) ? figureCell(r.error, inUnit(o, r.error)) : figureCell(0, QString()),
        };
        row[0]->setData(static_cast<qulonglong>(k), kObservationRole);
        if (r.flagged)
            for (QStandardItem* item : row)
                item->setForeground(red);
        model.appendRow(row);
    }
}

void FillPointTable(QStandardItemModel& model, const AdjustmentResult& result) {
    model.clear();
    model.setHorizontalHeaderLabels({QStringLiteral("Point"), QStringLiteral("East"),
                                     QStringLiteral("North"), QStringLiteral("SD East"),
                                     QStringLiteral("SD North"), QStringLiteral("Ellipse a"),
                                     QStringLiteral("Ellipse b"), QStringLiteral("Bearing")});
    for (const AdjustedPoint& p : result.points) {
        const double bearing = RadiansToBearing(p.ellipseBearing);
        model.appendRow({
            tableCell(p.held ? pointText(p.number) + QStringLiteral(" (held)")
                             : pointText(p.number),
                      p.number),
            figureCell(p.east, fixedText(p.east, 3)),
            figureCell(p.north, fixedText(p.north, 3)),
            figureCell(p.sdEast, fixedText(p.sdEast, 4)),
            figureCell(p.sdNorth, fixedText(p.sdNorth, 4)),
            figureCell(p.ellipseMajor, fixedText(p.ellipseMajor, 4)),
            figureCell(p.ellipseMinor, fixedText(p.ellipseMinor, 4)),
            figureCell(bearing, QString::fromStdString(BearingText(bearing))),
        });
    }
}

QStringList AdjustmentSummary(const AdjustmentResult& result, double flagLimit) {
    QStringList lines;
    const QString iterations =
        QString::number(result.iterations) +
        (result.iterations == 1 ? QStringLiteral(" iteration") : QStringLiteral(" iterations"));
    lines << (result.converged ? QStringLiteral("Converged in ") + iterations
                               : QStringLiteral("Did not converge in ") + iterations +
                                     QStringLiteral(": the figures below are not final"));
    lines << QStringLiteral("SEUW ") + fixedText(result.seuw, 2) + QStringLiteral(", ") +
                 QString::number(result.dof) + QStringLiteral(" degrees of freedom");
    lines << QString::fromStdString(GlobalTestText(result));
    const auto flagged = std::count_if(result.observations.begin(), result.observations.end(),
                                       [](const ObservationResult& r) { return r.flagged; });
    const QString limit =
        QStringLiteral(" (|w| above ") + fixedText(flagLimit, 2) + QLatin1Char(')');
    lines << (flagged == 0 ? QStringLiteral("No observation flagged") + limit
                           : QString::number(flagged) +
                                 (flagged == 1 ? QStringLiteral(" observation flagged")
                                               : QStringLiteral(" observations flagged")) +
                                 limit);
    QString groups = result.groups.size() == 1 ? QStringLiteral("1 group of points, held at ")
                                               : QString::number(result.groups.size()) +
                                                     QStringLiteral(" groups of points, held at ");
    for (std::size_t k = 0; k < result.groups.size(); ++k) {
        if (k)
            groups += QStringLiteral(", ");
        groups += pointText(result.groups[k].held) + QStringLiteral(" (") +
                  QString::number(result.groups[k].points) + QStringLiteral(" points)");
    }
    if (!result.groups.empty())
        lines << groups;
    if (!result.leftOut.empty())
        lines << QString::number(result.leftOut.size()) +
                     QStringLiteral(" lines left out: their ends are not in one group");
    return lines;
}

} // namespace corvane

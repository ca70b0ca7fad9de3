#pragma once

#include "core/geometry/adjustment.h"

#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>
#include <cstddef>

class QStandardItemModel;

namespace corvane {

// The adjustment's figures as the results window lists them, one model per table. Each cell
// sorts by its figure (Qt::UserRole), not by its text; flagged observations are red.

inline constexpr int kObservationRole = Qt::UserRole + 1; // the row's index in observations

// The observations: from, to, kind, observed, residual, redundancy, w, estimated error. The
// flagged ones first (the largest |w| first), then the others in the plan's line order.
void FillObservationTable(QStandardItemModel& model, const AdjustmentResult& result);

// The points: point, east, north, their standard deviations, and the error ellipse's
// semi-axes and the bearing of its major axis; the point held is marked so.
void FillPointTable(QStandardItemModel& model, const AdjustmentResult& result);

// The summary above the tables, a line each: convergence, SEUW and degrees of freedom, the
// global test, the flagged observations, the groups.
QStringList AdjustmentSummary(const AdjustmentResult& result, double flagLimit);

// "12–13", points as the program shows them.
QString LineName(const Observation& observation);

} // namespace corvane

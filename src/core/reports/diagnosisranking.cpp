#include "core/base/numtext.h"
#include "core/model/bearing.h"
#include "core/reports/diagnosis.h"
#include "core/reports/diagnosisparts.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace corvane {

namespace diagnosis {

namespace {

// Figures are booked to the millimetre and the second.
constexpr double kDistanceStep = 0.001;
double bearingStep() {
    return Pi() / 648000;
}

// The misclosure a candidate leaves, to within the tolerance; candidates leaving the same go by
// kind, and then by the misclosure they leave. A closing line's figure beyond a mismeasurement
// comes after all; the corrections of a bearing booked as no bearing come before the rest.
struct Ranked {
    bool beyond;
    bool wellBooked;
    double key;
    int kind;
    double remaining;
    int row;
    int column;
    const std::string* proposed;
    bool operator<(const Ranked& o) const {
        return std::tie(beyond, wellBooked, key, kind, remaining, row, column, *proposed) <
               std::tie(o.beyond, o.wellBooked, o.key, o.kind, o.remaining, o.row, o.column,
                        *o.proposed);
    }
};

// Minutes or seconds of 60 or more are most often two digits swapped (81 for 18): for such a
// bearing the transposition that makes a bearing of it comes first.
int misbookedKindRank(std::string_view kind, bool misbooked) {
    return misbooked && kind == kTransposition ? -1 : CorrectionKindRank(kind);
}

} // namespace

double roundingFloor(const std::vector<LegSums>& legs) {
    const double b = bearingStep();
    double variance = 0;
    for (const LegSums& leg : legs)
        variance += (kDistanceStep * kDistanceStep + leg.length * b * leg.length * b) / 12.0;
    return 3 * std::sqrt(variance);
}

bool beyondMismeasurement(int column, const std::string& entered, const std::string& proposed) {
    const double degree = Pi() / 180;
    if (column == ColBearing) {
        const double turn =
            std::fmod(std::fabs(BearingToRadians(proposed) - BearingToRadians(entered)), 2 * Pi());
        return std::min(turn, 2 * Pi() - turn) > degree;
    }
    return column == ColDistance && std::fabs(Val(proposed) - Val(entered)) > Val(entered) * degree;
}

bool isClosingLineFit(std::string_view kind) {
    return kind == kClosingLineFit;
}

void rank(std::vector<Correction>& list, const Tolerance& tolerance) {
    std::vector<std::pair<Ranked, std::size_t>> order;
    order.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Correction& c = list[i];
        const bool beyond =
            isClosingLineFit(c.kind) && beyondMismeasurement(c.column, c.entered, c.proposed);
        // Only a typing correction of a bearing booked as no bearing comes first: the closing
        // line's figure for it explains no booking and may turn a sound line.
        const bool misbooked =
            c.column == ColBearing && misbookedBearing(c.entered) && !isClosingLineFit(c.kind);
        order.push_back(
            {{beyond, !misbooked, tolerance.key(c.kind, c.remaining),
              misbookedKindRank(c.kind, misbooked), c.remaining, c.row, c.column, &c.proposed},
             i});
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Correction> sorted;
    sorted.reserve(list.size());
    for (const auto& [key, i] : order)
        sorted.push_back(std::move(list[i]));
    list = std::move(sorted);
}

} // namespace diagnosis

int CorrectionKindRank(std::string_view kind) {
    const int count = static_cast<int>(std::size(diagnosis::kKindOrder));
    for (int i = 0; i < count; ++i)
        if (kind == diagnosis::kKindOrder[i])
            return i;
    return count;
}

} // namespace corvane

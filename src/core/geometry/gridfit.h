#pragma once

#include "core/base/result.h"
#include "core/files/gridmarks.h"
#include "core/geometry/adjustment.h"
#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

// Fitting the plan onto the map grid: a least-squares similarity transformation (shift,
// rotation, scale) of the plan's coordinates onto the marks whose grid coordinates are
// known. A mark whose residual exceeds the tolerance is flagged as possibly disturbed and the
// fit is made again without it (the worst first, one at a time), so one disturbed mark
// cannot drag the others. Marks are left out down to two, never below: two marks fit any
// plan exactly, so a fit left resting on two is made and a note says nothing checks it.
//     grid = shift + scale · R(rotation) · plan,
// with the rotation turning bearings clockwise (a plan bearing plus the rotation is the grid
// bearing).

struct GridFitOptions {
    double tolerance = 0.05; // metres
};

struct MarkFit {
    std::int32_t number = 0;
    double planEast = 0.0, planNorth = 0.0;         // the plan's coordinates of the mark
    double gridEast = 0.0, gridNorth = 0.0;         // its known grid coordinates
    double residualEast = 0.0, residualNorth = 0.0; // known − fitted, metres
    double residual = 0.0;                          // their length
    bool flagged = false; // beyond the tolerance: possibly disturbed, left out of the fit
};

struct GridFit {
    bool fitted = false; // false: fewer than two usable marks; the plan stays local
    // What a surveyor is told besides the figures: why the plan stays local, which marks
    // were left out and why, marks not in the plan or not in the fitted group.
    std::vector<std::string> notes;
    double scale = 1.0;    // the fitted scale factor
    double rotation = 0.0; // radians, clockwise
    double shiftEast = 0.0, shiftNorth = 0.0;
    std::vector<MarkFit> marks;        // every known mark found in the fitted group, in file order
    std::vector<std::int32_t> leftOut; // flagged marks in the order they were left out
    double rms = 0.0;                  // root mean square of the used marks' residuals

    double scalePpm() const { return (scale - 1.0) * 1e6; }
    double rotationSeconds() const;
    // A plan position on the map grid (the position itself when not fitted).
    std::pair<double, double> ToGrid(double east, double north) const;
};

// The fit of the given plan coordinates (only points with a Group; the group holding the
// most known marks is fitted) onto the known marks.
GridFit FitToGrid(const std::vector<PointRecord>& planPoints, const std::vector<KnownMark>& marks,
                  const GridFitOptions& options);

// The plan's best positions, in the coordinate file's frame: the coordinate builder's table
// with the adjustment's positions (blunders taken out) in their places when the plan adjusts
// and converges, each adjusted point in the group of the point that held it; otherwise the
// builder's own, with the reason in whyNotAdjusted.
struct PlanPositions {
    std::vector<PointRecord> points;
    std::string source; // "adjusted" or "coordinate builder"
    std::string whyNotAdjusted;
};
Result<PlanPositions> BestPlanPositions(const PlanState& plan);

// The plan's coordinates a fit starts from (BestPlanPositions), said in `source`.
struct PlanGridFit {
    GridFit fit;
    std::vector<PointRecord> points; // the plan coordinates fitted (the coordinate file's frame)
    std::string source;              // "adjusted" or "coordinate builder"
};
Result<PlanGridFit> FitPlanToGrid(const PlanState& plan, const std::vector<KnownMark>& marks,
                                  const GridFitOptions& options);

// The EPSG code of a map grid zone on a datum: GDA2020 MGA zone z (46 to 59) is 7800 + z,
// GDA94 MGA zone z (48 to 58) is 28300 + z; 0 when the zone or datum is unknown or the zone
// is not one of that map grid's (the user must choose).
int MapGridEpsg(int zone, std::string_view datum);

} // namespace corvane

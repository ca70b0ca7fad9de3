#pragma once

#include "core/base/result.h"
#include "core/files/curves.h"
#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// Least-squares adjustment of a whole plan's network of lines.
//
// Every line of the lines file with a bearing and a distance observes both between its two
// points; an arc observes its chord (bearing from its curve record, length from its radius
// and arc length); a line without a bearing (999) observes its distance only. Lines of
// context parcels (adjoining parcels shown in part) are left out, and so are lines that join
// two groups of points no bearing and distance chain joins: their groups stand at arbitrary
// offsets from one another.
//
// Bearings are observed in the plan's datum, so rotation and scale are observed: each
// connected group of points is held by one point (the point the coordinate builder started
// the group from) and adjusted on its own. A point is tied into a group only by a line
// observed both ways, bearing and distance: where only distances join two parts of a
// builder's group, the second part is a group of its own, held by its first point in the
// table (a lone point so joined is not adjusted, and its lines are left out). The adjustment
// starts from the coordinate builder's positions and iterates (Gauss–Newton on sparse normal
// equations) until the largest change of a coordinate is below 0.1 mm.

enum class ObservationKind { Distance, Bearing };

// The standard deviations the observations are weighted by: a distance σ of A mm plus B ppm
// of the distance (added, as instrument makers quote them); a bearing variance of S² plus the
// centring error of 2 mm over the line's length, (ρ · 0.002 / d)², in seconds².
struct AdjustmentOptions {
    double distanceMm = 5.0;
    double distancePpm = 10.0;
    double bearingSeconds = 10.0;
    int maxIterations = 10;
    double convergence = 0.0001; // metres: the largest coordinate change that ends iterating
    double flagLimit = 3.29;     // |w| beyond which an observation is flagged
    std::size_t maxRemovals = 5; // data snooping stops after this many removals
};

// One observation, as taken from the plan.
struct Observation {
    std::int32_t from = 0; // point numbers, in the direction the line is stored
    std::int32_t to = 0;
    ObservationKind kind = ObservationKind::Distance;
    // Distance in metres; bearing in radians (0 to 2π, clockwise from grid north).
    double observed = 0.0;
    // Standard deviation: metres for a distance, seconds of arc for a bearing.
    double sigma = 0.0;
    std::size_t line = 0; // index of the line in PlanLines
    bool arc = false;     // a chord of an arc
};

// The observations of a plan's lines, in line order (a line's bearing before its distance).
// contextLine[i] true leaves PlanLines[i] out (an empty vector leaves none out).
std::vector<Observation> PlanObservations(const std::vector<LineRecord>& lines,
                                          const CurveTable& curves,
                                          const std::vector<bool>& contextLine,
                                          const AdjustmentOptions& options);

struct AdjustedPoint {
    std::int32_t number = 0;
    double east = 0.0, north = 0.0;
    double sdEast = 0.0, sdNorth = 0.0;
    // Standard deviations and the absolute error ellipse (one sigma): the cofactors scaled
    // by SEUW² (a posteriori) when there are degrees of freedom, by 1 (a priori) when there
    // are none or when the global test fails low (the figures agree better than their
    // weights say, and SEUW² would shrink the ellipses to nothing). Semi-axes in metres, the
    // bearing of the major axis in radians (0 to π, clockwise from north). All 0 for a held point.
    double ellipseMajor = 0.0, ellipseMinor = 0.0, ellipseBearing = 0.0;
    bool held = false;     // the point that holds its group
    std::size_t group = 0; // index into PlanAdjustmentResult::groups
};

struct ObservationResult {
    Observation observation;
    double adjusted = 0.0;   // as observed: metres or radians
    double residual = 0.0;   // adjusted − observed: metres, or seconds of arc for a bearing
    double redundancy = 0.0; // 0 to 1; 0: the observation is not checked by any other
    double w = 0.0;          // standardised residual (0 when the redundancy is below 0.001)
    bool flagged = false;    // |w| beyond the flag limit
    // The estimated size of the observation's error (observed − true ≈ −residual ÷
    // redundancy): metres, or seconds of arc for a bearing.
    double error = 0.0;
};

struct AdjustmentGroup {
    std::int32_t held = 0;  // the point held fixed
    std::size_t points = 0; // points in the group, the held one included
};

struct AdjustmentResult {
    bool converged = false;
    int iterations = 0;
    double seuw = 0.0; // standard error of unit weight; 0 when there is no redundancy
    int dof = 0;       // degrees of freedom: observations less unknowns
    double chi2 = 0.0; // the sum of the weighted squared residuals
    double chi2Lower = 0.0, chi2Upper = 0.0; // the 95 % two-sided bounds for dof
    bool chi2Passed = true;                  // lower ≤ value ≤ upper (passed when dof is 0)
    std::vector<AdjustmentGroup> groups;
    std::vector<AdjustedPoint> points;           // the adjusted ones, in the table's order
    std::vector<ObservationResult> observations; // the adjusted ones, in the order given
    // Lines left out because their ends are in different groups or not fixed at all, in
    // line order, each once.
    std::vector<std::size_t> leftOut;
};

// Adjusts the observations from the given starting points (the coordinate builder's table:
// only points with a Group take part). Observations with a standard deviation not above 0
// are left out like lines between groups. converged is false after maxIterations (the
// figures are then those of the last iteration) and when the observations leave some point
// free, as two points at one place do (then without redundancies, w or ellipses).
AdjustmentResult AdjustNetwork(const std::vector<Observation>& observations,
                               const std::vector<PointRecord>& start,
                               const AdjustmentOptions& options);

// One observation taken out by the blunder search, in the order taken out.
struct RemovedObservation {
    Observation observation;
    double w = 0.0;
    double error = 0.0; // as ObservationResult::error
};

// The adjustment with every observation, and the blunder search after it: the worst flagged
// observation is taken out and the rest adjusted again, until none is flagged or maxRemovals
// are out. An adjustment that did not converge ends the search (its w are not to be
// trusted). final is the last adjustment (equal to all when nothing was removed).
struct PlanAdjustment {
    AdjustmentResult all;
    std::vector<RemovedObservation> removed;
    AdjustmentResult final;
};
PlanAdjustment AdjustWithSnooping(const std::vector<Observation>& observations,
                                  const std::vector<PointRecord>& start,
                                  const AdjustmentOptions& options);

// The whole plan (PlanLines loaded): reads its curve file, polygons file and context parcels
// (to leave their lines out), builds the coordinates (as the coordinate file has them) and
// adjusts. An unreadable curve, polygons or context file is an error ("Adjustment error"),
// and so is a lines file whose last load failed; a missing polygons or context file leaves
// no line out.
Result<PlanAdjustment> AdjustPlan(const PlanState& plan, const AdjustmentOptions& options);

// The 95 % two-sided bounds of the χ² distribution with dof degrees of freedom (2.5 % and
// 97.5 % quantiles); {0, 0} for dof 0.
std::pair<double, double> ChiSquareBounds(int dof);

} // namespace corvane

#include "core/geometry/adjustment.h"

#include "core/files/linesfile.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "tests/core/plantestdir.h"

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr double kRho = 206264.8;

struct Spot {
    double east, north;
};

// A braced network of seven points: a pentagon 1–5 with a centre 6 joined to every corner,
// the diagonal 2–4, and a point 7 hung on 3 and 4. Point 1 holds it.
const std::map<std::int32_t, Spot> kTruth = {
    {1, {1000, 1000}}, {2, {1100, 1010}}, {3, {1190, 1080}}, {4, {1120, 1170}},
    {5, {1010, 1150}}, {6, {1060, 1080}}, {7, {1200, 1200}}};
const std::vector<std::pair<std::int32_t, std::int32_t>> kPairs = {
    {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 1}, {6, 1}, {6, 2},
    {6, 3}, {6, 4}, {6, 5}, {3, 7}, {4, 7}, {2, 4}};

double TrueBearing(const Spot& a, const Spot& b) {
    const double t = std::atan2(b.east - a.east, b.north - a.north);
    return t < 0 ? t + 2 * Pi() : t;
}

double TrueDistance(const Spot& a, const Spot& b) {
    return std::hypot(b.east - a.east, b.north - a.north);
}

// Bearing and distance of every pair, exact, weighted as the plan's lines would be; with
// noise of the observations' own σ when a random source is given.
std::vector<Observation> Observe(const std::map<std::int32_t, Spot>& truth,
                                 const std::vector<std::pair<std::int32_t, std::int32_t>>& pairs,
                                 std::mt19937* noise = nullptr,
                                 const AdjustmentOptions& options = {}) {
    std::vector<LineRecord> lines;
    lines.reserve(pairs.size());
    for (const auto& [from, to] : pairs)
        lines.push_back({from, to, 0.0, TrueDistance(truth.at(from), truth.at(to)), 0});
    std::vector<Observation> observations = PlanObservations(lines, {}, {}, options);
    std::normal_distribution<double> normal;
    for (Observation& o : observations) {
        const Spot& a = truth.at(o.from);
        const Spot& b = truth.at(o.to);
        const double error = noise ? normal(*noise) * o.sigma : 0.0;
        o.observed = o.kind == ObservationKind::Distance ? TrueDistance(a, b) + error
                                                         : TrueBearing(a, b) + error / kRho;
    }
    return observations;
}

// The coordinate table as the builder would give it: the first point where it truly is,
// the others off by up to `off` metres, all in one group.
std::vector<PointRecord> StartTable(const std::map<std::int32_t, Spot>& truth, double off) {
    std::vector<PointRecord> table;
    int k = 0;
    for (const auto& [number, spot] : truth) {
        const double shift = k == 0 ? 0.0 : off * std::sin(7.0 * k);
        table.push_back({number, spot.east + shift, spot.north - shift / 2, 1, 0});
        ++k;
    }
    return table;
}

const AdjustedPoint* PointOf(const AdjustmentResult& r, std::int32_t number) {
    for (const AdjustedPoint& p : r.points)
        if (p.number == number)
            return &p;
    return nullptr;
}

TEST(Adjustment, PerfectObservationsReturnTheTruePositionsWithNoResiduals) {
    const std::vector<Observation> observations = Observe(kTruth, kPairs);
    const AdjustmentResult r = AdjustNetwork(observations, StartTable(kTruth, 0.3), {});
    ASSERT_TRUE(r.converged);
    EXPECT_GE(r.iterations, 2); // the start was off: it had to iterate
    EXPECT_EQ(r.dof, 26 - 12);
    EXPECT_NEAR(r.seuw, 0.0, 1e-4);
    EXPECT_FALSE(r.chi2Passed); // a perfect fit falls below the lower bound: too good
    ASSERT_EQ(r.groups.size(), 1u);
    EXPECT_EQ(r.groups[0].held, 1);
    EXPECT_EQ(r.groups[0].points, 7u);
    ASSERT_EQ(r.points.size(), 7u);
    for (const AdjustedPoint& p : r.points) {
        EXPECT_NEAR(p.east, kTruth.at(p.number).east, 1e-5) << p.number;
        EXPECT_NEAR(p.north, kTruth.at(p.number).north, 1e-5) << p.number;
        EXPECT_EQ(p.held, p.number == 1);
        // Too good a fit keeps the weights' own (a priori) figures: no vanishing ellipses.
        if (!p.held) {
            EXPECT_GT(p.ellipseMajor, 0.001) << p.number;
        }
    }
    ASSERT_EQ(r.observations.size(), observations.size());
    for (const ObservationResult& o : r.observations) {
        EXPECT_NEAR(o.residual, 0.0, o.observation.kind == ObservationKind::Bearing ? 1e-3 : 1e-6);
        EXPECT_GT(o.redundancy, 0.0);
        EXPECT_FALSE(o.flagged);
    }
    EXPECT_TRUE(r.leftOut.empty());
}

TEST(Adjustment, BearingsAcrossNorthAdjustWithoutAFullTurnInTheirResiduals) {
    // Lines running just either side of north: a residual taken without wrapping would be a
    // whole circle.
    const std::map<std::int32_t, Spot> truth = {
        {1, {0, 0}}, {2, {-0.01, 100}}, {3, {0.01, 200}}, {4, {50, 100}}};
    const auto observations = Observe(truth, {{1, 2}, {2, 3}, {1, 3}, {1, 4}, {4, 3}, {2, 4}});
    const AdjustmentResult r = AdjustNetwork(observations, StartTable(truth, 0.05), {});
    ASSERT_TRUE(r.converged);
    for (const ObservationResult& o : r.observations)
        EXPECT_NEAR(o.residual, 0.0, 1e-3);
    EXPECT_NEAR(PointOf(r, 2)->east, -0.01, 1e-6);
}

// The textbook solution, dense: A by numerical differences of the observation equations at
// the adjusted positions, Qxx = (AᵀPA)⁻¹, Qvv = P⁻¹ − A·Qxx·Aᵀ.
void ExpectTextbookSolution(const std::vector<Observation>& observations,
                            const AdjustmentResult& r) {
    std::map<std::int32_t, int> unknown;
    std::int32_t heldNumber = 0;
    for (const AdjustedPoint& p : r.points)
        if (!p.held)
            unknown.emplace(p.number, static_cast<int>(unknown.size()) * 2);
        else
            heldNumber = p.number;
    const int u = static_cast<int>(unknown.size()) * 2;
    const int n = static_cast<int>(observations.size());
    std::vector<double> x(static_cast<std::size_t>(u) + 2); // last two: the held point
    for (const AdjustedPoint& p : r.points) {
        const int i = p.held ? u : unknown.at(p.number);
        x[static_cast<std::size_t>(i)] = p.east;
        x[static_cast<std::size_t>(i) + 1] = p.north;
    }
    auto indexOf = [&](std::int32_t number) { return number == 1 ? u : unknown.at(number); };
    auto model = [&](const Observation& o, const std::vector<double>& at) {
        const auto a = static_cast<std::size_t>(indexOf(o.from));
        const auto b = static_cast<std::size_t>(indexOf(o.to));
        const Spot p{at[a], at[a + 1]};
        const Spot q{at[b], at[b + 1]};
        return o.kind == ObservationKind::Distance ? TrueDistance(p, q) : TrueBearing(p, q);
    };
    Eigen::MatrixXd A = Eigen::MatrixXd::Zero(n, u);
    Eigen::VectorXd l(n), sigma(n);
    for (int k = 0; k < n; ++k) {
        const Observation& o = observations[static_cast<std::size_t>(k)];
        const bool bearing = o.kind == ObservationKind::Bearing;
        sigma[k] = bearing ? o.sigma / kRho : o.sigma;
        double misclosure = o.observed - model(o, x);
        if (bearing)
            misclosure = std::remainder(misclosure, 2 * Pi());
        l[k] = misclosure;
        for (int j = 0; j < u; ++j) {
            std::vector<double> plus = x, minus = x;
            plus[static_cast<std::size_t>(j)] += 1e-4;
            minus[static_cast<std::size_t>(j)] -= 1e-4;
            A(k, j) = std::remainder(model(o, plus) - model(o, minus), 2 * Pi()) / 2e-4;
        }
    }
    const Eigen::MatrixXd P = sigma.array().square().inverse().matrix().asDiagonal();
    const Eigen::MatrixXd N = A.transpose() * P * A;
    const Eigen::MatrixXd Qxx = N.inverse();
    // At the least-squares solution a further step moves nothing.
    const Eigen::VectorXd step = Qxx * A.transpose() * P * l;
    EXPECT_LT(step.cwiseAbs().maxCoeff(), 2e-4);

    const Eigen::MatrixXd Qvv = Eigen::MatrixXd(P.inverse()) - A * Qxx * A.transpose();
    const Eigen::VectorXd v = -l;
    const double vPv = v.dot(P * v);
    const int dof = n - u;
    ASSERT_EQ(r.dof, dof);
    EXPECT_NEAR(r.chi2, vPv, 1e-6 * vPv + 1e-9);
    EXPECT_NEAR(r.seuw, std::sqrt(vPv / dof), 1e-6);
    ASSERT_EQ(r.observations.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const ObservationResult& o = r.observations[static_cast<std::size_t>(k)];
        const bool bearing = o.observation.kind == ObservationKind::Bearing;
        const double scale = bearing ? kRho : 1.0;
        const double redundancy = Qvv(k, k) * P(k, k);
        EXPECT_NEAR(o.residual, v[k] * scale, bearing ? 1e-2 : 1e-5) << k;
        EXPECT_NEAR(o.redundancy, redundancy, 1e-6) << k;
        EXPECT_NEAR(o.w, v[k] / std::sqrt(Qvv(k, k)), 2e-3) << k;
        EXPECT_NEAR(o.error, -v[k] * scale / redundancy, bearing ? 1e-1 : 1e-4) << k;
    }
    for (const auto& [number, i] : unknown) {
        const AdjustedPoint& p = *PointOf(r, number);
        const Eigen::Matrix2d block = Qxx.block(i, i, 2, 2) * (vPv / dof);
        EXPECT_NEAR(p.sdEast, std::sqrt(block(0, 0)), 1e-7) << number;
        EXPECT_NEAR(p.sdNorth, std::sqrt(block(1, 1)), 1e-7) << number;
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> axes(block);
        EXPECT_NEAR(p.ellipseMajor, std::sqrt(axes.eigenvalues()[1]), 1e-7) << number;
        EXPECT_NEAR(p.ellipseMinor, std::sqrt(axes.eigenvalues()[0]), 1e-7) << number;
        const Eigen::Vector2d major = axes.eigenvectors().col(1); // (east, north)
        double bearing = std::atan2(major[0], major[1]);
        if (bearing < 0)
            bearing += Pi();
        if (bearing >= Pi())
            bearing -= Pi();
        EXPECT_GE(p.ellipseBearing, 0.0);
        EXPECT_LT(p.ellipseBearing, Pi());
        // A nearly round ellipse has no axis to speak of.
        if (p.ellipseMajor - p.ellipseMinor > 1e-3 * p.ellipseMajor) {
            EXPECT_NEAR(std::remainder(p.ellipseBearing - bearing, Pi()), 0.0, 1e-4) << number;
        }
    }
    const AdjustedPoint& held = *PointOf(r, heldNumber);
    EXPECT_EQ(held.sdEast, 0.0);
    EXPECT_EQ(held.ellipseMajor, 0.0);
}

TEST(Adjustment, SmallNetworkEqualsTheDenseTextbookSolution) {
    std::mt19937 random(11);
    const std::vector<Observation> observations = Observe(kTruth, kPairs, &random);
    const AdjustmentResult r = AdjustNetwork(observations, StartTable(kTruth, 0.2), {});
    ASSERT_TRUE(r.converged);
    ASSERT_EQ(r.points.size(), 7u);
    EXPECT_EQ(PointOf(r, 1)->east, 1000.0);
    ExpectTextbookSolution(observations, r);
}

// A lattice large enough that the sparse factor has long columns and wide runs of columns
// alike, which the seven points above do not give.
TEST(Adjustment, LatticeEqualsTheDenseTextbookSolution) {
    const int side = 11;
    std::map<std::int32_t, Spot> truth;
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const std::int32_t p = r * side + c + 1;
            truth[p] = {c * 20.0 + r * 0.7, r * 20.0 - c * 0.3};
            if (c + 1 < side)
                pairs.push_back({p, p + 1});
            if (r + 1 < side)
                pairs.push_back({p, p + side});
            if (r + 1 < side && c + 1 < side && (r + c) % 3 == 0)
                pairs.push_back({p, p + side + 1});
        }
    std::mt19937 random(3);
    const std::vector<Observation> observations = Observe(truth, pairs, &random);
    const AdjustmentResult r = AdjustNetwork(observations, StartTable(truth, 0.05), {});
    ASSERT_TRUE(r.converged);
    ExpectTextbookSolution(observations, r);
}

// Noise of the weights' own σ: over many networks the standard error of unit weight is near
// 1 and the global test passes about 95 % of the time. Wrong units in a weight (mm for m,
// seconds for radians) or a wrong count of unknowns move these far outside their bands.
TEST(Adjustment, SeededNoiseOfTheStatedSigmaGivesUnitWeightNearOne) {
    std::mt19937 random(2026);
    const std::vector<PointRecord> start = StartTable(kTruth, 0.1);
    double seuwSum = 0;
    int passed = 0;
    const int trials = 200;
    for (int t = 0; t < trials; ++t) {
        const AdjustmentResult r = AdjustNetwork(Observe(kTruth, kPairs, &random), start, {});
        ASSERT_TRUE(r.converged);
        seuwSum += r.seuw;
        passed += r.chi2Passed ? 1 : 0;
    }
    EXPECT_NEAR(seuwSum / trials, 0.98, 0.05);
    EXPECT_GE(passed, 180);
    EXPECT_LE(passed, 198);
}

TEST(Adjustment, PlantedBlundersAreFlaggedSizedAndRemovedFirst) {
    struct Case {
        const char* name;
        std::int32_t from, to;
        ObservationKind kind;
        double blunder; // metres, or seconds of arc
    };
    for (const Case& c : {Case{"distance too long", 6, 3, ObservationKind::Distance, 0.18},
                          Case{"distance too short", 2, 3, ObservationKind::Distance, -0.18},
                          Case{"bearing", 6, 4, ObservationKind::Bearing, 60.0}}) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(5);
        // Noise of a fifth of the weights' σ, so the blunder's size is estimated closely.
        std::vector<Observation> observations = Observe(kTruth, kPairs, nullptr);
        std::normal_distribution<double> normal(0.0, 0.2);
        for (Observation& o : observations) {
            const double e = normal(random) * o.sigma;
            o.observed += o.kind == ObservationKind::Distance ? e : e / kRho;
            if (o.from == c.from && o.to == c.to && o.kind == c.kind)
                o.observed += c.kind == ObservationKind::Distance ? c.blunder : c.blunder / kRho;
        }
        const PlanAdjustment a = AdjustWithSnooping(observations, StartTable(kTruth, 0.1), {});
        const ObservationResult* planted = nullptr;
        for (const ObservationResult& o : a.all.observations)
            if (o.observation.from == c.from && o.observation.to == c.to &&
                o.observation.kind == c.kind)
                planted = &o;
        ASSERT_NE(planted, nullptr);
        EXPECT_TRUE(planted->flagged);
        EXPECT_GT(std::fabs(planted->w), 3.29);
        EXPECT_NEAR(planted->error, c.blunder, std::fabs(c.blunder) * 0.1);

        ASSERT_EQ(a.removed.size(), 1u);
        EXPECT_EQ(a.removed[0].observation.from, c.from);
        EXPECT_EQ(a.removed[0].observation.to, c.to);
        EXPECT_EQ(a.removed[0].observation.kind, c.kind);
        EXPECT_EQ(a.removed[0].w, planted->w);
        EXPECT_EQ(a.final.observations.size(), a.all.observations.size() - 1);
        for (const ObservationResult& o : a.final.observations)
            EXPECT_FALSE(o.flagged);
        EXPECT_EQ(a.final.dof, a.all.dof - 1);
        EXPECT_NEAR(PointOf(a.final, 7)->east, 1200.0, 0.01);
    }
}

TEST(Adjustment, SnoopingStopsAtItsLimitOfRemovals) {
    // Every distance 10 cm long: far more blunders than the search may take out.
    std::vector<Observation> observations = Observe(kTruth, kPairs);
    int k = 0;
    for (Observation& o : observations)
        if (o.kind == ObservationKind::Distance)
            o.observed += (++k % 2 ? 0.1 : -0.1);
    AdjustmentOptions options;
    options.maxRemovals = 3;
    const PlanAdjustment a = AdjustWithSnooping(observations, StartTable(kTruth, 0.1), options);
    EXPECT_EQ(a.removed.size(), 3u);
    EXPECT_EQ(a.final.observations.size(), observations.size() - 3);
    for (const RemovedObservation& removed : a.removed)
        EXPECT_GT(std::fabs(removed.w), options.flagLimit);
}

TEST(Adjustment, EachGroupIsHeldByItsOwnPointAndLinesBetweenGroupsAreLeftOut) {
    // Two triangles the builder placed as two groups (the second starts at table entry 3),
    // a line from one to the other, and point 9 joined only by a distance: it has no
    // direction from anything and is left out with its line.
    const std::map<std::int32_t, Spot> truth = {{1, {0, 0}},    {2, {100, 0}},   {3, {50, 80}},
                                                {11, {300, 0}}, {12, {380, 20}}, {13, {340, 90}},
                                                {9, {40, 40}}};
    std::vector<Observation> observations =
        Observe(truth, {{1, 2}, {2, 3}, {3, 1}, {11, 12}, {12, 13}, {13, 11}, {3, 13}, {1, 9}});
    std::vector<Observation> kept;
    for (const Observation& o : observations)
        if (!(o.to == 9 && o.kind == ObservationKind::Bearing))
            kept.push_back(o);
    std::vector<PointRecord> start = {
        {1, 0, 0, 1, 0},     {2, 100.2, 0, 1, 0},   {3, 50, 80.1, 1, 0}, {11, 300, 0, 1, 3},
        {12, 380, 20, 1, 3}, {13, 340.3, 90, 1, 3}, {9, 40, 40, 1, 0},   {20, 5, 5, 0, -1}};
    const AdjustmentResult r = AdjustNetwork(kept, start, {});
    ASSERT_TRUE(r.converged);
    ASSERT_EQ(r.groups.size(), 2u);
    EXPECT_EQ(r.groups[0].held, 1);
    EXPECT_EQ(r.groups[0].points, 3u);
    EXPECT_EQ(r.groups[1].held, 11);
    EXPECT_EQ(r.groups[1].points, 3u);
    EXPECT_EQ(r.leftOut, (std::vector<std::size_t>{6, 7}));
    EXPECT_EQ(PointOf(r, 9), nullptr);
    EXPECT_EQ(PointOf(r, 20), nullptr);
    EXPECT_TRUE(PointOf(r, 11)->held);
    EXPECT_EQ(PointOf(r, 11)->east, 300.0);
    EXPECT_EQ(PointOf(r, 13)->group, 1u);
    // Each triangle is exact within itself, wherever its group stands.
    EXPECT_NEAR(PointOf(r, 13)->east, 340.0, 1e-6);
    EXPECT_NEAR(PointOf(r, 3)->north, 80.0, 1e-6);
    EXPECT_EQ(r.dof, 12 - 8);
    EXPECT_EQ(r.observations.size(), 12u);
}

TEST(Adjustment, IteratingTooFewTimesIsReportedAndStopsTheSearch) {
    std::vector<Observation> observations = Observe(kTruth, kPairs);
    ASSERT_EQ(observations[1].kind, ObservationKind::Distance);
    observations[1].observed += 0.5; // a blunder the search would take out
    AdjustmentOptions options;
    options.maxIterations = 1;
    const PlanAdjustment a = AdjustWithSnooping(observations, StartTable(kTruth, 5.0), options);
    EXPECT_FALSE(a.all.converged);
    EXPECT_EQ(a.all.iterations, 1);
    EXPECT_TRUE(a.removed.empty());

    options.maxIterations = 10;
    const PlanAdjustment b = AdjustWithSnooping(observations, StartTable(kTruth, 5.0), options);
    EXPECT_TRUE(b.all.converged);
    ASSERT_EQ(b.removed.size(), 1u);
    EXPECT_EQ(b.removed[0].observation.line, 0u);

    // Two points the builder put at one place, and nothing else to give the direction
    // between them: reported, not solved into nonsense.
    const std::vector<Observation> pair = Observe({{1, {0, 0}}, {2, {10, 0}}}, {{1, 2}});
    const AdjustmentResult stuck = AdjustNetwork(pair, {{1, 0, 0, 1, 0}, {2, 0, 0, 1, 0}}, {});
    EXPECT_FALSE(stuck.converged);
    ASSERT_EQ(stuck.observations.size(), 2u);
    EXPECT_FALSE(stuck.observations[1].flagged);
    EXPECT_TRUE(std::isfinite(stuck.points[1].east));

    // A blundered bearing that puts the builder's point 3 on point 2: the line between them
    // never enters the solution, so however small the changes the result is no adjustment.
    const std::vector<LineRecord> lines = {{1, 2, 0.0, 10.0, 0},
                                           {1, 3, 0.0, 10.0, 0},
                                           {2, 3, 90.0, 5.0, 0},
                                           {3, 4, 90.0, 10.0, 0},
                                           {4, 1, 225.0, 14.142, 0}};
    const AdjustmentResult onTop =
        AdjustNetwork(PlanObservations(lines, {}, {}, {}), BuildPlanCoordinates(lines, {}), {});
    EXPECT_FALSE(onTop.converged);
}

TEST(Adjustment, ChiSquareBoundsMatchTheTables) {
    struct Row {
        int dof;
        double lower, upper;
    };
    for (const Row& row :
         {Row{1, 0.000982, 5.0239}, Row{2, 0.05064, 7.3778}, Row{10, 3.2470, 20.4832},
          Row{17, 7.5642, 30.1910}, Row{100, 74.2219, 129.5612}, Row{1000, 914.2572, 1089.5310}}) {
        const auto [lower, upper] = ChiSquareBounds(row.dof);
        EXPECT_NEAR(lower, row.lower, row.lower * 1e-4) << row.dof;
        EXPECT_NEAR(upper, row.upper, row.upper * 1e-5) << row.dof;
    }
    EXPECT_EQ(ChiSquareBounds(0), (std::pair<double, double>{0.0, 0.0}));
}

} // namespace
} // namespace corvane

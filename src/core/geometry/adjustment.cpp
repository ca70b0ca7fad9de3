#include "core/geometry/adjustment.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/contextparcels.h"
#include "core/files/polygons.h"
#include "core/geometry/adjustsolve.h"
#include "core/geometry/closure.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>

namespace corvane {

namespace {

constexpr double kRho = 206264.8;     // seconds of arc in a radian
constexpr double kCentring = 0.002;   // metres of centring error at each end of a bearing
constexpr double kUntestable = 0.001; // a redundancy below it: no other observation checks it

double TwoPi() {
    return 2 * Pi();
}

// An angle brought within ±π, so a bearing near north compares with one just west of it.
double Wrapped(double angle) {
    return std::remainder(angle, TwoPi());
}

// A packed bearing in radians from 0 to 2π, as the coordinate builder reads it.
double BearingRadians(double packed) {
    const double radians = std::fmod(BearingToRadians(BearingText(packed)), TwoPi());
    return radians < 0 ? radians + TwoPi() : radians;
}

bool PlainBearing(double b) {
    return b >= 0 && b <= 360;
}

// The points of the network and the unknowns of each, settled once for a set of observations.
struct Network {
    // Per coordinate table entry: its first unknown (east; north follows), kHeld or kOut.
    static constexpr int kHeld = -1;
    static constexpr int kOut = -2;
    std::vector<int> unknown;
    std::vector<int> group; // per table entry, index into groups (-1: not adjusted)
    std::vector<AdjustmentGroup> groups;
    std::vector<int> from, to; // per observation: table entries, -1 when left out
    std::vector<std::size_t> leftOut;
    int unknowns = 0;
};

int Root(std::vector<int>& parent, int i) {
    while (parent[static_cast<std::size_t>(i)] != i) {
        parent[static_cast<std::size_t>(i)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
        i = parent[static_cast<std::size_t>(i)];
    }
    return i;
}

// A point is fixed relative to another only through a line observed both ways, bearing and
// distance: a distance alone leaves it free to swing. So the builder's groups are split
// where only distances (or nothing) join their parts; each part is held by the builder's
// start of the group when it holds that point, else by its first point in the table, and a
// point joined to nothing in this way is not adjusted at all.
Network BuildNetwork(const std::vector<Observation>& observations,
                     const std::vector<PointRecord>& start) {
    Network net;
    const std::size_t n = start.size();
    std::unordered_map<std::int32_t, int> byNumber;
    byNumber.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i)
        if (start[i].Group >= 0)
            byNumber.emplace(start[i].Number, static_cast<int>(i));
    auto entry = [&](std::int32_t number) {
        const auto it = byNumber.find(number);
        return it == byNumber.end() ? -1 : it->second;
    };

    net.from.assign(observations.size(), -1);
    net.to.assign(observations.size(), -1);
    std::unordered_map<std::uint64_t, unsigned> kinds; // per pair: 1 distance, 2 bearing
    for (std::size_t k = 0; k < observations.size(); ++k) {
        const Observation& o = observations[k];
        const int a = entry(o.from);
        const int b = entry(o.to);
        if (a < 0 || b < 0 || a == b ||
            start[static_cast<std::size_t>(a)].Group != start[static_cast<std::size_t>(b)].Group ||
            !(o.sigma > 0) || !std::isfinite(o.sigma) || !std::isfinite(o.observed))
            continue;
        net.from[k] = a;
        net.to[k] = b;
        kinds[PointPairKey(a, b)] |= o.kind == ObservationKind::Distance ? 1u : 2u;
    }

    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [key, kind] : kinds)
        if (kind == 3u) {
            const int a = Root(parent, static_cast<int>(key >> 32));
            const int b = Root(parent, static_cast<int>(key & 0xffffffffu));
            if (a != b)
                parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        }
    std::vector<int> size(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        if (start[i].Group >= 0)
            ++size[static_cast<std::size_t>(Root(parent, static_cast<int>(i)))];
    // The holding point of each part: the builder's group start where the part holds it.
    std::vector<int> holder(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        const int root = Root(parent, static_cast<int>(i));
        if (start[i].Group == static_cast<int>(i) && size[static_cast<std::size_t>(root)] > 1)
            holder[static_cast<std::size_t>(root)] = static_cast<int>(i);
    }
    net.unknown.assign(n, Network::kOut);
    net.group.assign(n, -1);
    std::vector<int> groupOfRoot(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        if (start[i].Group < 0)
            continue;
        const auto root = static_cast<std::size_t>(Root(parent, static_cast<int>(i)));
        if (size[root] < 2)
            continue;
        if (groupOfRoot[root] < 0) {
            if (holder[root] < 0)
                holder[root] = static_cast<int>(i);
            groupOfRoot[root] = static_cast<int>(net.groups.size());
            net.groups.push_back({start[static_cast<std::size_t>(holder[root])].Number, 0});
        }
        net.group[i] = groupOfRoot[root];
        ++net.groups[static_cast<std::size_t>(groupOfRoot[root])].points;
        if (holder[root] == static_cast<int>(i)) {
            net.unknown[i] = Network::kHeld;
        } else {
            net.unknown[i] = net.unknowns;
            net.unknowns += 2;
        }
    }

    for (std::size_t k = 0; k < observations.size(); ++k) {
        const int a = net.from[k];
        const int b = net.to[k];
        if (a < 0 || net.group[static_cast<std::size_t>(a)] < 0 ||
            net.group[static_cast<std::size_t>(a)] != net.group[static_cast<std::size_t>(b)]) {
            net.from[k] = net.to[k] = -1;
            net.leftOut.push_back(observations[k].line);
        }
    }
    std::sort(net.leftOut.begin(), net.leftOut.end());
    net.leftOut.erase(std::unique(net.leftOut.begin(), net.leftOut.end()), net.leftOut.end());
    return net;
}

// One observation linearised at the current positions.
struct Row {
    std::array<int, 4> index{};
    std::array<double, 4> coefficient{};
    double computed = 0.0; // metres or radians
    double weight = 0.0;   // per metre² or per radian²
};

Row Linearise(const Network& net, const Observation& o, int a, int b,
              const std::vector<PointRecord>& at) {
    const PointRecord& p = at[static_cast<std::size_t>(a)];
    const PointRecord& q = at[static_cast<std::size_t>(b)];
    const double dE = q.East - p.East;
    const double dN = q.North - p.North;
    const double d2 = dE * dE + dN * dN;
    const double d = std::sqrt(d2);
    Row row;
    const int ua = net.unknown[static_cast<std::size_t>(a)];
    const int ub = net.unknown[static_cast<std::size_t>(b)];
    row.index = {ua, ua < 0 ? -1 : ua + 1, ub, ub < 0 ? -1 : ub + 1};
    // Two points at one place have no direction between them: the row is left empty and the
    // solve reports the points as not fixed if nothing else fixes them.
    const bool apart = d > 1e-9;
    if (o.kind == ObservationKind::Distance) {
        row.computed = d;
        const double e = apart ? dE / d : 0.0;
        const double n = apart ? dN / d : 0.0;
        row.coefficient = {-e, -n, e, n};
        row.weight = 1.0 / (o.sigma * o.sigma);
    } else {
        double t = std::atan2(dE, dN);
        row.computed = t < 0 ? t + TwoPi() : t;
        const double e = apart ? dE / d2 : 0.0;
        const double n = apart ? dN / d2 : 0.0;
        row.coefficient = {-n, e, n, -e};
        row.weight = (kRho * kRho) / (o.sigma * o.sigma);
    }
    return row;
}

double Misclosure(const Observation& o, const Row& row) {
    return o.kind == ObservationKind::Bearing ? Wrapped(o.observed - row.computed)
                                              : o.observed - row.computed;
}

double Quadratic(const NormalEquations& normals, const Row& row) {
    double sum = 0.0;
    for (std::size_t m = 0; m < 4; ++m) {
        if (row.index[m] < 0 || row.coefficient[m] == 0.0)
            continue;
        for (std::size_t k = 0; k < 4; ++k)
            if (row.index[k] >= 0 && row.coefficient[k] != 0.0)
                sum += row.coefficient[m] * row.coefficient[k] *
                       normals.Cofactor(row.index[m], row.index[k]);
    }
    return sum;
}

void ErrorEllipse(AdjustedPoint& point, double qEE, double qNN, double qEN, double scale) {
    point.sdEast = std::sqrt(std::max(0.0, qEE * scale));
    point.sdNorth = std::sqrt(std::max(0.0, qNN * scale));
    const double mean = (qEE + qNN) / 2;
    const double radius = std::hypot((qEE - qNN) / 2, qEN);
    point.ellipseMajor = std::sqrt(std::max(0.0, (mean + radius) * scale));
    point.ellipseMinor = std::sqrt(std::max(0.0, (mean - radius) * scale));
    // Clockwise from north, as a bearing: the major axis lies along east when the east
    // cofactor is the larger, and in the north-east quadrant when east and north err together.
    double bearing = radius > 0 ? 0.5 * std::atan2(2 * qEN, qNN - qEE) : 0.0;
    if (bearing < 0)
        bearing += Pi();
    point.ellipseBearing = bearing >= Pi() ? bearing - Pi() : bearing;
}

// One adjustment of the observations marked in use, from the given positions.
struct Solution {
    AdjustmentResult result;
    std::vector<std::size_t> source;    // per result observation: its index in the input
    std::vector<PointRecord> positions; // the table with the adjusted positions
    // The last linearisation, its rows in result order, and its factored normal equations
    // (null when they could not be solved).
    std::vector<Row> rows;
    std::unique_ptr<NormalEquations> normals;
};

Solution Solve(const Network& net, const std::vector<Observation>& observations,
               const std::vector<char>& use, std::vector<PointRecord> positions,
               const AdjustmentOptions& options,
               std::unique_ptr<NormalEquations> factored = nullptr) {
    Solution solution;
    AdjustmentResult& result = solution.result;
    result.groups = net.groups;
    result.leftOut = net.leftOut;
    for (std::size_t k = 0; k < observations.size(); ++k)
        if (use[k] && net.from[k] >= 0)
            solution.source.push_back(k);

    if (!factored)
        factored = std::make_unique<NormalEquations>(net.unknowns);
    NormalEquations& normals = *factored;
    // The observations taken out stay in N's pattern with no weight, so the ordering found
    // for the first adjustment serves every later one.
    std::vector<std::size_t> out;
    for (std::size_t k = 0; k < observations.size(); ++k)
        if (!use[k] && net.from[k] >= 0)
            out.push_back(k);
    std::vector<Row> rows(solution.source.size());
    std::vector<double> correction;
    bool solved = net.unknowns == 0;
    result.converged = net.unknowns == 0;
    // Set while an observation joins two points standing at one place: it has no direction
    // there and is left out of that iteration's solution.
    bool emptyRow = false;
    for (int iteration = 1; net.unknowns > 0 && iteration <= options.maxIterations; ++iteration) {
        normals.ClearRows();
        emptyRow = false;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::size_t k = solution.source[r];
            rows[r] = Linearise(net, observations[k], net.from[k], net.to[k], positions);
            emptyRow = emptyRow || rows[r].coefficient == std::array<double, 4>{};
            normals.AddRow(rows[r].index, rows[r].coefficient, rows[r].weight,
                           Misclosure(observations[k], rows[r]));
        }
        for (std::size_t k : out) {
            const Row row = Linearise(net, observations[k], net.from[k], net.to[k], positions);
            normals.AddRow(row.index, row.coefficient, 0.0, 0.0);
        }
        solved = normals.Solve(correction);
        if (!solved)
            break;
        double largest = 0.0;
        for (std::size_t i = 0; i < positions.size(); ++i) {
            const int u = net.unknown[i];
            if (u < 0)
                continue;
            const double dE = correction[static_cast<std::size_t>(u)];
            const double dN = correction[static_cast<std::size_t>(u) + 1];
            positions[i].East += dE;
            positions[i].North += dN;
            largest = std::max({largest, std::fabs(dE), std::fabs(dN)});
        }
        result.iterations = iteration;
        if (largest < options.convergence) {
            result.converged = true;
            break;
        }
    }
    // A solution that left an observation out is no adjustment of it, however small the
    // last changes were.
    if (!solved || emptyRow)
        result.converged = false;
    if (solved && net.unknowns > 0)
        normals.SelectInverse();

    const auto used = static_cast<int>(rows.size());
    result.dof = used - net.unknowns;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t k = solution.source[r];
        const Observation& o = observations[k];
        const Row now = Linearise(net, o, net.from[k], net.to[k], positions);
        ObservationResult out;
        out.observation = o;
        out.adjusted = now.computed;
        const double v = -Misclosure(o, now);
        out.residual = o.kind == ObservationKind::Bearing ? v * kRho : v;
        result.chi2 += (out.residual / o.sigma) * (out.residual / o.sigma);
        // Rounding may carry an observation fixed by nothing else a hair below 0.
        if (solved)
            out.redundancy =
                std::clamp(1.0 - rows[r].weight * Quadratic(normals, rows[r]), 0.0, 1.0);
        if (out.redundancy >= kUntestable) {
            out.w = out.residual / (o.sigma * std::sqrt(out.redundancy));
            out.error = -out.residual / out.redundancy;
            out.flagged = std::fabs(out.w) > options.flagLimit;
        }
        result.observations.push_back(out);
    }
    result.seuw = result.dof > 0 ? std::sqrt(result.chi2 / result.dof) : 0.0;
    const auto [lower, upper] = ChiSquareBounds(result.dof);
    result.chi2Lower = lower;
    result.chi2Upper = upper;
    result.chi2Passed = result.dof <= 0 || (lower <= result.chi2 && result.chi2 <= upper);

    // Below the global test's lower bound the observations agree better than their weights
    // say (figures computed from coordinates); scaling by SEUW² would shrink the ellipses
    // to nothing, so the a priori figures stand.
    const double scale = result.dof > 0 && result.chi2 >= lower ? result.seuw * result.seuw : 1.0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (net.group[i] < 0)
            continue;
        AdjustedPoint point;
        point.number = positions[i].Number;
        point.east = positions[i].East;
        point.north = positions[i].North;
        point.group = static_cast<std::size_t>(net.group[i]);
        const int u = net.unknown[i];
        point.held = u == Network::kHeld;
        if (!point.held && solved)
            ErrorEllipse(point, normals.Cofactor(u, u), normals.Cofactor(u + 1, u + 1),
                         normals.Cofactor(u, u + 1), scale);
        result.points.push_back(point);
    }
    solution.positions = std::move(positions);
    solution.rows = std::move(rows);
    if (solved)
        solution.normals = std::move(factored);
    return solution;
}

} // namespace

std::vector<Observation> PlanObservations(const std::vector<LineRecord>& lines,
                                          const CurveTable& curves,
                                          const std::vector<bool>& contextLine,
                                          const AdjustmentOptions& options) {
    std::vector<Observation> observations;
    observations.reserve(lines.size() * 2);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineRecord& line = lines[i];
        if (i < contextLine.size() && contextLine[i])
            continue;
        if (!(line.Distance > 0) || !(line.Distance <= kMaxDistance) ||
            line.FromPoint == line.ToPoint)
            continue;
        const bool arc = line.Bearing > kArcBearingBase;
        double distance = line.Distance;
        std::optional<double> bearing;
        if (arc) {
            distance = ChordLength(line.Bearing, line.Distance);
            if (!(distance > 0))
                continue;
            // LoadCurve turns the record to the line's direction: a record stored the other
            // way round gives the back bearing of its chord.
            const CurveData curve =
                LoadCurve(line.FromPoint, line.ToPoint, line.Bearing, line.Distance, curves);
            if (curve.HasChordBearing() && PlainBearing(Val(curve.ChordBearing)))
                bearing = BearingRadians(Val(curve.ChordBearing));
        } else if (PlainBearing(line.Bearing)) {
            bearing = BearingRadians(line.Bearing);
        }
        Observation o;
        o.from = line.FromPoint;
        o.to = line.ToPoint;
        o.line = i;
        o.arc = arc;
        if (bearing) {
            o.kind = ObservationKind::Bearing;
            o.observed = *bearing;
            const double centring = kRho * kCentring / distance;
            o.sigma =
                std::sqrt(options.bearingSeconds * options.bearingSeconds + centring * centring);
            observations.push_back(o);
        }
        o.kind = ObservationKind::Distance;
        o.observed = distance;
        o.sigma = options.distanceMm / 1000.0 + options.distancePpm * distance / 1e6;
        observations.push_back(o);
    }
    return observations;
}

AdjustmentResult AdjustNetwork(const std::vector<Observation>& observations,
                               const std::vector<PointRecord>& start,
                               const AdjustmentOptions& options) {
    const Network net = BuildNetwork(observations, start);
    return Solve(net, observations, std::vector<char>(observations.size(), 1), start, options)
        .result;
}

PlanAdjustment AdjustWithSnooping(const std::vector<Observation>& observations,
                                  const std::vector<PointRecord>& start,
                                  const AdjustmentOptions& options) {
    const Network net = BuildNetwork(observations, start);
    std::vector<char> use(observations.size(), 1);
    PlanAdjustment adjustment;
    Solution current = Solve(net, observations, use, start, options);
    adjustment.all = current.result;
    while (current.result.converged && adjustment.removed.size() < options.maxRemovals) {
        std::size_t worst = current.source.size();
        for (std::size_t r = 0; r < current.source.size(); ++r) {
            const ObservationResult& o = current.result.observations[r];
            if (o.flagged && (worst == current.source.size() ||
                              std::fabs(o.w) > std::fabs(current.result.observations[worst].w)))
                worst = r;
        }
        if (worst == current.source.size())
            break;
        const ObservationResult& out = current.result.observations[worst];
        adjustment.removed.push_back({out.observation, out.w, out.error});
        use[current.source[worst]] = 0;
        // The next adjustment starts where the rest would put the points to first order,
        // x + Qxx·aᵀ·p·v / r: an observation flagged by chance then moves them so little that
        // one iteration settles it.
        std::vector<PointRecord> next = current.positions;
        if (current.normals) {
            const Row& row = current.rows[worst];
            const double v = out.observation.kind == ObservationKind::Bearing ? out.residual / kRho
                                                                              : out.residual;
            const std::vector<double> g = current.normals->SolveRow(row.index, row.coefficient);
            const double scale = row.weight * v / out.redundancy;
            for (std::size_t i = 0; i < next.size(); ++i)
                if (const int u = net.unknown[i]; u >= 0) {
                    next[i].East += g[static_cast<std::size_t>(u)] * scale;
                    next[i].North += g[static_cast<std::size_t>(u) + 1] * scale;
                }
        }
        current =
            Solve(net, observations, use, std::move(next), options, std::move(current.normals));
    }
    adjustment.final = std::move(current.result);
    return adjustment;
}

Result<PlanAdjustment> AdjustPlan(const PlanState& plan, const AdjustmentOptions& options) {
    auto refused = [](const std::string& message) { return Error{message, "Adjustment error"}; };
    if (plan.LinesLoadFailed)
        return refused(plan.LinesLoadFailure);
    auto curves = ReadCurveFile(plan.PlanPath);
    if (!curves)
        return refused(curves.error().message);
    // Lines of the plan's context parcels (adjoining parcels shown in part) are taken from
    // other plans, not measured in this survey: they are found as the drawing classes them,
    // so a polygons or context file that cannot be read refuses the adjustment rather than
    // letting such lines weigh in unseen.
    std::vector<std::string> polygons;
    if (FileExists(plan.PlanPath + ".ply")) {
        auto read = ReadPolygonsFile(ResolveFileName(plan.PlanPath + ".ply"));
        if (!read)
            return refused(read.error().message);
        polygons = std::move(read).value();
    }
    auto context = ReadContextParcels(plan.PlanPath);
    if (!context)
        return refused(context.error().message);
    std::vector<LineRecord> styled = plan.PlanLines;
    PrepareLineStyles(styled, polygons, context.value());
    std::vector<bool> contextLine(plan.PlanLines.size());
    for (std::size_t i = 0; i < contextLine.size(); ++i)
        contextLine[i] = styled[i].Style == kContextStyle;

    const std::vector<Observation> observations =
        PlanObservations(plan.PlanLines, curves.value(), contextLine, options);
    return AdjustWithSnooping(observations, BuildPlanCoordinates(plan.PlanLines, curves.value()),
                              options);
}

} // namespace corvane

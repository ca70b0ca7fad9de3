#include "core/geometry/plancoords.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/files/scaledfile.h"
#include "core/geometry/closure.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <queue>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

using PointIndex = std::unordered_map<std::int32_t, int>;

PointIndex indexPoints(const std::vector<PointRecord>& points) {
    PointIndex index;
    index.reserve(points.size() * 2);
    for (std::size_t i = 0; i < points.size(); ++i)
        index.emplace(points[i].Number, static_cast<int>(i));
    return index;
}

int lookUp(const PointIndex& index, std::int32_t n) {
    auto it = index.find(n);
    return it == index.end() ? -1 : it->second;
}

bool plainBearing(double b) {
    return b >= 0 && b <= 360;
}

} // namespace

std::vector<PointRecord> InitPlanPoints(const std::vector<LineRecord>& lines) {
    std::vector<PointRecord> points;
    if (lines.empty())
        return points;
    PointIndex seen;
    seen.reserve(lines.size() * 2);
    auto add = [&](std::int32_t n) {
        if (seen.emplace(n, static_cast<int>(points.size())).second)
            points.push_back(PointRecord{n, 0.0, 0.0, 0, -1});
    };
    for (const LineRecord& line : lines) {
        add(line.FromPoint);
        add(line.ToPoint);
    }
    points[0].Fixed = 1;
    points[0].Group = 0;
    return points;
}

int FindPointIndex(const std::vector<PointRecord>& points, std::int32_t n) {
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i].Number == n)
            return static_cast<int>(i);
    return -1;
}

PointsByNumber IndexPoints(const std::vector<PointRecord>& points, bool fixedOnly) {
    PointsByNumber index;
    index.reserve(points.size() * 2);
    for (const PointRecord& p : points)
        if (!fixedOnly || p.Fixed == 1)
            index.emplace(p.Number, &p);
    return index;
}

LegOffset PlanLegOffset(const LineRecord& line, const CurveTable& curves) {
    LegOffset leg;
    if (!(line.Distance > 0))
        return leg;
    double bearing = line.Bearing;
    double distance = line.Distance;
    if (line.Bearing > kArcBearingBase) {
        CurveData curve =
            LoadCurve(line.FromPoint, line.ToPoint, line.Bearing, line.Distance, curves);
        if (!curve.HasChordBearing())
            return leg;
        bearing = Val(curve.ChordBearing);
        distance = ChordLength(line.Bearing, line.Distance);
        if (!plainBearing(bearing) || !(distance > 0))
            return leg;
    } else if (!plainBearing(bearing)) {
        return leg;
    }
    const double forward = BearingToRadians(BearingText(bearing));
    double backValue = bearing + 180;
    if (backValue >= 360)
        backValue -= 360;
    const double backward = BearingToRadians(BearingText(backValue));
    leg.Usable = true;
    leg.ForwardEast = distance * std::sin(forward);
    leg.ForwardNorth = distance * std::cos(forward);
    leg.BackwardEast = distance * std::sin(backward);
    leg.BackwardNorth = distance * std::cos(backward);
    return leg;
}

bool ChainUsable(const LineRecord& line) {
    return line.Distance > 0 && (plainBearing(line.Bearing) || line.Bearing > kArcBearingBase);
}

int ChainLength(const std::vector<LineRecord>& lines, std::int32_t start) {
    std::int32_t current = start;
    int count = 0;
    for (int step = 0; step < 2; ++step) {
        auto it = std::find_if(lines.begin(), lines.end(), [current](const LineRecord& l) {
            return l.FromPoint == current && ChainUsable(l);
        });
        if (it == lines.end())
            break;
        ++count;
        current = it->ToPoint;
    }
    return count;
}

double MaxEast(const std::vector<PointRecord>& points) {
    double m = 0;
    for (const PointRecord& p : points)
        m = std::max(m, p.East);
    return m;
}

double MaxNorth(const std::vector<PointRecord>& points) {
    double m = 0;
    for (const PointRecord& p : points)
        m = std::max(m, p.North);
    return m;
}

void ShiftToOrigin(std::vector<PointRecord>& points) {
    double minEast = 0;
    double minNorth = 0;
    for (const PointRecord& p : points) {
        minEast = std::min(minEast, p.East);
        minNorth = std::min(minNorth, p.North);
    }
    for (PointRecord& p : points) {
        p.East -= minEast;
        p.North -= minNorth;
    }
}

std::vector<PointRecord> BuildPlanCoordinates(const std::vector<LineRecord>& lines,
                                              const CurveTable& curves) {
    std::vector<PointRecord> points = InitPlanPoints(lines);
    if (points.empty())
        return points;
    const int n = static_cast<int>(points.size());
    const PointIndex index = indexPoints(points);

    // Each point's usable lines, in file order, and each line's ends and offsets.
    std::vector<LegOffset> legs(lines.size());
    std::vector<int> fromOf(lines.size()), toOf(lines.size());
    std::vector<int> start(static_cast<std::size_t>(n) + 1, 0);
    for (std::size_t j = 0; j < lines.size(); ++j) {
        fromOf[j] = lookUp(index, lines[j].FromPoint);
        toOf[j] = lookUp(index, lines[j].ToPoint);
        legs[j] = PlanLegOffset(lines[j], curves);
        if (legs[j].Usable) {
            ++start[static_cast<std::size_t>(fromOf[j]) + 1];
            if (toOf[j] != fromOf[j])
                ++start[static_cast<std::size_t>(toOf[j]) + 1];
        }
    }
    for (int i = 0; i < n; ++i)
        start[static_cast<std::size_t>(i) + 1] += start[static_cast<std::size_t>(i)];
    std::vector<int> adjacent(static_cast<std::size_t>(start.back()));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t j = 0; j < lines.size(); ++j) {
            if (!legs[j].Usable)
                continue;
            adjacent[static_cast<std::size_t>(fill[static_cast<std::size_t>(fromOf[j])]++)] =
                static_cast<int>(j);
            if (toOf[j] != fromOf[j])
                adjacent[static_cast<std::size_t>(fill[static_cast<std::size_t>(toOf[j])]++)] =
                    static_cast<int>(j);
        }
    }

    // The first chain-usable line leaving each point, for the search of a new group start.
    std::vector<int> firstOut(static_cast<std::size_t>(n), -1);
    for (std::size_t j = lines.size(); j-- > 0;)
        if (ChainUsable(lines[j]))
            firstOut[static_cast<std::size_t>(fromOf[j])] = static_cast<int>(j);
    auto chainLength = [&](int p) {
        const int first = firstOut[static_cast<std::size_t>(p)];
        if (first < 0)
            return 0;
        return firstOut[static_cast<std::size_t>(toOf[static_cast<std::size_t>(first)])] < 0 ? 1
                                                                                             : 2;
    };

    auto fixed = [&](int p) { return points[static_cast<std::size_t>(p)].Fixed == 1; };
    double largestEast = 0;

    // Passes over the table, visiting only the points a fixed point can reach: a point
    // fixed at table index p lets a point after it be fixed in the same pass, and one before
    // it in the next, as a walk over the table in index order would.
    std::vector<int> queuedInPass(static_cast<std::size_t>(n), -1);
    int pass = 0;
    auto propagateFrom = [&](int seed) {
        std::priority_queue<int, std::vector<int>, std::greater<int>> current;
        std::vector<int> next;
        ++pass;
        auto queueNeighbours = [&](int p, bool seedPoint) {
            for (int k = start[static_cast<std::size_t>(p)];
                 k < start[static_cast<std::size_t>(p) + 1]; ++k) {
                const auto j = static_cast<std::size_t>(adjacent[static_cast<std::size_t>(k)]);
                const int other = fromOf[j] == p ? toOf[j] : fromOf[j];
                if (fixed(other))
                    continue;
                if (seedPoint || other > p) {
                    if (queuedInPass[static_cast<std::size_t>(other)] != pass) {
                        queuedInPass[static_cast<std::size_t>(other)] = pass;
                        current.push(other);
                    }
                } else {
                    next.push_back(other);
                }
            }
        };
        queueNeighbours(seed, true);
        while (!current.empty()) {
            while (!current.empty()) {
                const int i = current.top();
                current.pop();
                if (fixed(i))
                    continue;
                PointRecord& point = points[static_cast<std::size_t>(i)];
                for (int k = start[static_cast<std::size_t>(i)];
                     k < start[static_cast<std::size_t>(i) + 1]; ++k) {
                    const auto j = static_cast<std::size_t>(adjacent[static_cast<std::size_t>(k)]);
                    if (toOf[j] == i && fixed(fromOf[j])) {
                        const PointRecord& from = points[static_cast<std::size_t>(fromOf[j])];
                        point.East = from.East + legs[j].ForwardEast;
                        point.North = from.North + legs[j].ForwardNorth;
                        point.Group = from.Group;
                    } else if (fromOf[j] == i && fixed(toOf[j])) {
                        const PointRecord& to = points[static_cast<std::size_t>(toOf[j])];
                        point.East = to.East + legs[j].BackwardEast;
                        point.North = to.North + legs[j].BackwardNorth;
                        point.Group = to.Group;
                    } else {
                        continue;
                    }
                    point.Fixed = 1;
                    largestEast = std::max(largestEast, point.East);
                    break;
                }
                if (fixed(i))
                    queueNeighbours(i, false);
            }
            ++pass;
            for (int p : next)
                if (!fixed(p) && queuedInPass[static_cast<std::size_t>(p)] != pass) {
                    queuedInPass[static_cast<std::size_t>(p)] = pass;
                    current.push(p);
                }
            next.clear();
        }
    };

    propagateFrom(0);
    // Groups no line joins to the ones before: the first unfixed point in table order that
    // starts a chain of two usable lines is placed east of everything fixed. A point passed
    // over is not examined again as a start, but stays open to being fixed from a group.
    int search = 0;
    for (;;) {
        int groupStart = -1;
        for (; search < n; ++search) {
            PointRecord& p = points[static_cast<std::size_t>(search)];
            if (p.Fixed != 0)
                continue;
            if (chainLength(search) == 2) {
                groupStart = search;
                break;
            }
            p.Fixed = -1;
        }
        if (groupStart < 0)
            break;
        PointRecord& p = points[static_cast<std::size_t>(groupStart)];
        p.East = largestEast + largestEast / 4;
        p.North = 0;
        p.Fixed = 1;
        p.Group = groupStart;
        largestEast = std::max(largestEast, p.East);
        propagateFrom(groupStart);
    }
    for (PointRecord& p : points)
        if (p.Fixed == -1)
            p.Fixed = 0;
    ShiftToOrigin(points);
    return points;
}

void PrepareLineStyles(std::vector<LineRecord>& lines,
                       const std::vector<std::string>& polygonsLines,
                       const std::vector<ContextParcel>& context) {
    for (LineRecord& line : lines)
        line.Style = kOtherStyle;
    LinePairIndex byPair(lines);

    std::unordered_set<std::size_t> planSide; // lines that are sides of the plan's parcels
    auto walk = [&](char letter, const std::vector<std::int32_t>& corners) {
        for (std::size_t k = 1; k < corners.size(); ++k) {
            const std::int32_t previous = corners[k - 1];
            const std::int32_t point = corners[k];
            if (const auto found = byPair.Find(previous, point)) {
                LineRecord& line = lines[*found];
                planSide.insert(*found);
                if (letter == 'E') {
                    if (line.Style != kBoundaryStyle)
                        line.Style = kEasementStyle;
                } else if (letter != 'C') {
                    line.Style = kBoundaryStyle;
                }
            } else {
                const std::int16_t style = letter == 'C'   ? kOtherStyle
                                           : letter == 'E' ? kEasementStyle
                                                           : kBoundaryStyle;
                planSide.insert(lines.size());
                byPair.Add(lines.size(), previous, point, true);
                lines.push_back(LineRecord{previous, point, kMissingBearing, 0.0, style});
            }
        }
    };
    const PolygonsModel model = PolygonsFromLines(polygonsLines);
    // Points before the first heading are drawn as a parcel's sides.
    PolygonParcel leading;
    leading.Lines = model.Leading;
    walk('\0', leading.Points());
    for (const PolygonParcel& parcel : model.Parcels)
        walk(parcel.Identifier.empty() ? '\0' : parcel.Identifier[0], parcel.Points());

    // A side shared with a parcel of the plan is drawn as that parcel's.
    for (const ContextParcel& parcel : context)
        for (std::size_t k = 1; k < parcel.Points.size(); ++k) {
            const auto found = byPair.Find(parcel.Points[k - 1], parcel.Points[k]);
            if (found && !planSide.count(*found))
                lines[*found].Style = kContextStyle;
        }
}

Result<void> AppendScaledLines(std::vector<LineRecord>& lines, const std::string& planPath) {
    const std::string path = ResolveFileName(planPath + ".sca");
    if (!FileExists(path))
        return {};
    auto failure = [](const std::string& why) {
        return Error{"Cannot load Scaled data - " + why, "Scaled Data"};
    };
    auto file = ReadScaledFile(path);
    if (!file)
        return failure(file.error().message);
    std::int32_t lowest = 0;
    for (const LineRecord& l : lines)
        lowest = std::min({lowest, l.FromPoint, l.ToPoint});
    std::vector<LineRecord> scaled;
    for (const std::optional<ScaledRecord>& record : file.value().Records) {
        if (!record)
            continue;
        LineRecord line{record->From, record->To, record->Third, record->Fourth, 1};
        for (std::int32_t* end : {&line.FromPoint, &line.ToPoint})
            if (*end <= 0) {
                if (lowest == std::numeric_limits<std::int32_t>::min() + 1)
                    return failure("too many scaled points");
                *end = --lowest;
            } else {
                lowest = std::min(lowest, *end);
            }
        scaled.push_back(line);
    }
    lines.insert(lines.end(), scaled.begin(), scaled.end());
    return {};
}

std::vector<std::string> UnfixedPointLabels(const std::vector<PointRecord>& points) {
    std::vector<std::string> labels;
    for (const PointRecord& p : points)
        if (p.Fixed != 1 && p.Number > 0)
            labels.push_back(PointNumberToLabel(p.Number));
    return labels;
}

} // namespace corvane

namespace corvane {

WholePlanDrawing PrepareWholePlanDrawing(const std::vector<LineRecord>& planLines,
                                         const std::string& planPath) {
    WholePlanDrawing drawing;
    drawing.Lines = planLines;
    drawing.ScaledBegin = drawing.Lines.size();
    if (Result<void> scaled = AppendScaledLines(drawing.Lines, planPath); !scaled)
        drawing.Problems.push_back(scaled.error());
    drawing.ScaledEnd = drawing.Lines.size();
    if (FileExists(planPath + ".ply")) {
        auto polygons = ReadPolygonsFile(ResolveFileName(planPath + ".ply"));
        if (polygons)
            drawing.Polygons = std::move(polygons).value();
        else
            drawing.Problems.push_back(polygons.error());
    }
    if (auto context = ReadContextParcels(planPath))
        drawing.Context = std::move(context).value();
    else
        drawing.Problems.push_back(context.error());
    PrepareLineStyles(drawing.Lines, drawing.Polygons, drawing.Context);
    auto curves = ReadCurveFile(planPath);
    if (curves)
        drawing.Curves = std::move(curves).value();
    else
        drawing.Problems.push_back(curves.error());
    drawing.Points = BuildPlanCoordinates(drawing.Lines, drawing.Curves);
    return drawing;
}

} // namespace corvane

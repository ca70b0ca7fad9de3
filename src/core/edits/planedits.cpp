#include "core/edits/planedits.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace corvane {

namespace {

// Writes the changed lines and, when given, the changed polygons file and curve records, in
// one commit: a failure leaves every file and PlanLines as they were. The curve file is
// backed up first (".~ve").
Result<void> writeChangedPlan(PlanState& plan, std::vector<LineRecord> lines,
                              std::optional<StagedFile> polygons,
                              const std::optional<std::vector<CurveRecord>>& curves,
                              const std::string& title) {
    if (plan.LinesLoadFailed)
        return Error{LinesNotLoadedMessage(plan), "CORVANE"};
    PlanState changed = plan;
    changed.PlanLines = std::move(lines);
    auto linesFile = StageLines(changed);
    if (!linesFile)
        return linesFile.error();
    std::vector<StagedFile> files = {std::move(linesFile).value()};
    if (polygons)
        files.push_back(std::move(*polygons));
    if (curves) {
        const std::string curvePath = ResolveFileName(plan.PlanPath + ".cve");
        if (Result<void> backup = BackupFile(curvePath); !backup)
            return backup;
        std::vector<std::string> text;
        for (const CurveRecord& r : *curves)
            text.push_back(FormatCurveRecord(r));
        files.push_back({curvePath, JoinLines(text)});
    }
    if (Result<void> written = CommitFiles(plan.PlanPath, files); !written)
        return Error{written.error().message, title};
    plan.PlanLines = std::move(changed.PlanLines);
    NoteLinesWritten(plan, "another command");
    return {};
}

// A bearing the datum swing turns: a plain figure of the circle. Missing (999), marked
// (negative) and arc (radius) values are no direction and stay exactly as they are.
bool turnsWithDatum(double bearing) {
    return bearing >= 0 && bearing <= 360;
}

} // namespace

Result<void> SwingDatumBearing(PlanState& plan, std::string_view bswing) {
    const bool negative = !bswing.empty() && bswing.front() == '-';
    const std::string_view size = negative ? bswing.substr(1) : bswing;
    if (!ValidBearing(size) || !IsPlainBearingText(size))
        return Error{"Bearing format incorrect", "CORVANE", Icon::Question};
    const double swing = BearingToRadians(size);
    auto turned = [&](double bearing) {
        const double b = BearingToRadians(Format(bearing, "0.0000"));
        return RadiansToBearing(negative ? b - swing : b + swing);
    };
    std::vector<LineRecord> lines = plan.PlanLines;
    for (LineRecord& line : lines)
        if (turnsWithDatum(line.Bearing))
            line.Bearing = turned(line.Bearing);
    std::optional<std::vector<CurveRecord>> curves;
    if (FileExists(plan.PlanPath + ".cve")) {
        auto table = ReadCurveFile(plan.PlanPath);
        if (!table)
            return table.error();
        curves = table.value().Records();
        for (CurveRecord& r : *curves)
            for (double* b : {&r.TangentBearing, &r.ChordBearing})
                if (turnsWithDatum(*b))
                    *b = turned(*b);
    }
    return writeChangedPlan(plan, std::move(lines), std::nullopt, curves, "Error saving lines");
}

Result<void> RescaleDistanceUnits(PlanState& plan, double factor) {
    if (!(factor > 0) || !std::isfinite(factor))
        return Error{"The scale factor must be a number above 0", "Edit Distance Units"};
    std::vector<LineRecord> lines = plan.PlanLines;
    for (LineRecord& line : lines) {
        line.Distance *= factor;
        if (line.Bearing > kArcBearingBase)
            line.Bearing = kArcBearingBase + ArcRadius(line.Bearing) * factor;
    }
    return writeChangedPlan(plan, std::move(lines), std::nullopt, std::nullopt,
                            "Error saving lines");
}

std::string DoubleLineReport::Text() const {
    return "Double lines found\n" + Format(From1, "0") + " to " + Format(To1, "0") + "\n" +
           Format(From2, "0") + " to " + Format(To2, "0");
}

DoubleLines FindDoubleLines(const std::vector<LineRecord>& lines,
                            const std::vector<std::string>& polygonsLines) {
    // Classed on a copy: the placeholder sides the classing adds lie beyond the plan's own
    // lines and are not compared.
    std::vector<LineRecord> classed = lines;
    PrepareLineStyles(classed, polygonsLines);
    const std::size_t n = lines.size();

    // Every pair of lines (i, j), i before j, that a comparison of each line with every later
    // one would report: the same two points either way, or, for two lines of one class
    // (boundary 2 or easement 3) with i's bearing plain, one shared end on the same bearing
    // (or its reverse). The later lines are found by hashing their ends and exact bearings.
    auto bits = [](double b) {
        if (b == 0)
            b = 0; // -0 equals 0
        std::uint64_t u;
        std::memcpy(&u, &b, sizeof u);
        return u;
    };
    auto back = [](double b) {
        double rb = b + 180;
        if (rb >= 360)
            rb -= 360;
        return rb;
    };
    struct Key {
        std::uint64_t point; // class and point
        std::uint64_t bearing;
        bool operator==(const Key& o) const { return point == o.point && bearing == o.bearing; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::uint64_t>()(k.point * 0x9E3779B97F4A7C15ull ^ k.bearing);
        }
    };
    auto key = [&](int cls, int role, std::int32_t point, double bearing) {
        return Key{(static_cast<std::uint64_t>(cls * 4 + role) << 32) |
                       static_cast<std::uint32_t>(point),
                   bits(bearing)};
    };
    LinePairIndex byPair; // the plan's own lines only
    std::unordered_map<Key, std::vector<std::size_t>, KeyHash> byEnd;
    byEnd.reserve(n * 4);
    auto comparable = [](int style) { return style == 2 || style == 3; };
    for (std::size_t j = 0; j < n; ++j) {
        const LineRecord& q = classed[j];
        byPair.Add(j, q);
        if (!comparable(q.Style))
            continue;
        byEnd[key(q.Style, 0, q.FromPoint, q.Bearing)].push_back(j);       // c1
        byEnd[key(q.Style, 1, q.ToPoint, q.Bearing)].push_back(j);         // c2
        byEnd[key(q.Style, 2, q.ToPoint, back(q.Bearing))].push_back(j);   // c3
        byEnd[key(q.Style, 3, q.FromPoint, back(q.Bearing))].push_back(j); // c4
    }

    DoubleLines result;
    std::vector<std::size_t> seenFor(n, n); // the i for which j was last counted
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const LineRecord& p = classed[i];
        int count = 0;
        std::size_t last = i;
        // Each later line among the candidates (in file order) counts once for i.
        auto take = [&](auto it, auto end) {
            for (; it != end; ++it)
                if (*it > i && seenFor[*it] != i) {
                    seenFor[*it] = i;
                    ++count;
                    last = std::max(last, *it);
                }
        };
        const auto pairLines = byPair.All(p.FromPoint, p.ToPoint);
        take(pairLines.begin(), pairLines.end());
        if (p.Bearing <= 360 && comparable(p.Style)) {
            for (const Key& k :
                 {key(p.Style, 0, p.FromPoint, p.Bearing), key(p.Style, 1, p.ToPoint, p.Bearing),
                  key(p.Style, 2, p.FromPoint, p.Bearing), key(p.Style, 3, p.ToPoint, p.Bearing)})
                if (auto it = byEnd.find(k); it != byEnd.end())
                    take(std::upper_bound(it->second.begin(), it->second.end(), i),
                         it->second.end());
        }
        if (count > 0) {
            result.Count += count;
            const LineRecord& q = classed[last];
            result.Reports.push_back({p.FromPoint, p.ToPoint, q.FromPoint, q.ToPoint});
        }
    }
    return result;
}

std::string PointErrorLine::Text() const {
    return "Point error detected in line\n" + Format(From, "0") + " to " + Format(To, "0");
}

std::vector<PointErrorLine> FindPointErrors(const std::vector<LineRecord>& lines,
                                            const std::vector<PointRecord>& points) {
    const PointsByNumber index = IndexPoints(points, false);
    std::vector<PointErrorLine> errors;
    for (const LineRecord& line : lines) {
        auto a = index.find(line.FromPoint);
        auto b = index.find(line.ToPoint);
        if (a == index.end() || b == index.end())
            continue;
        const PointRecord& p = *a->second;
        const PointRecord& q = *b->second;
        if (p.Fixed != 1 || q.Fixed != 1 || p.Group != q.Group)
            continue;
        const double d = std::hypot(q.East - p.East, q.North - p.North);
        if (2 * line.Distance < d)
            errors.push_back({line.FromPoint, line.ToPoint});
    }
    return errors;
}

std::int32_t NextPointNumber(const PlanState& plan) {
    std::int32_t largest = 0;
    for (const LineRecord& l : plan.PlanLines)
        for (std::int32_t p : {l.FromPoint, l.ToPoint})
            if (p < plan.PointNumberLimit && p > largest)
                largest = p;
    return largest + 1;
}

Result<void> RenumberPoint(PlanState& plan, std::int32_t oldNumber, std::int32_t newNumber,
                           const std::function<Reply(const std::string&)>& ask) {
    if (plan.LinesLoadFailed)
        return Error{LinesNotLoadedMessage(plan), kChangePointTitle};
    PlanState changed = plan;
    auto polygons = StagePointNumberChange(changed, oldNumber, newNumber, ask);
    if (!polygons)
        return polygons.error();
    std::optional<std::vector<CurveRecord>> curves;
    if (FileExists(plan.PlanPath + ".cve")) {
        auto table = ReadCurveFile(plan.PlanPath);
        if (!table)
            return table.error();
        std::vector<CurveRecord> records = table.value().Records();
        bool any = false;
        for (std::size_t i = 0; i < plan.PlanLines.size(); ++i) {
            const LineRecord& before = plan.PlanLines[i];
            const LineRecord& after = changed.PlanLines[i];
            if (before.FromPoint == after.FromPoint && before.ToPoint == after.ToPoint)
                continue;
            for (CurveRecord& r : records) {
                const bool forwards =
                    r.FromPoint == before.FromPoint && r.ToPoint == before.ToPoint;
                const bool backwards =
                    r.FromPoint == before.ToPoint && r.ToPoint == before.FromPoint;
                if (forwards) {
                    r.FromPoint = after.FromPoint;
                    r.ToPoint = after.ToPoint;
                    any = true;
                } else if (backwards) {
                    r.FromPoint = after.ToPoint;
                    r.ToPoint = after.FromPoint;
                    any = true;
                }
            }
        }
        if (any)
            curves = std::move(records);
    }
    return writeChangedPlan(plan, std::move(changed.PlanLines), std::move(polygons).value(), curves,
                            "Edit Point Number error");
}

std::vector<std::string> ParcelsUsingPoint(const std::vector<std::string>& polygonsLines,
                                           std::int32_t point) {
    std::vector<std::string> parcels;
    const PolygonsModel model = PolygonsFromLines(polygonsLines);
    auto count = [&](const std::string& identifier, const std::vector<std::int32_t>& corners) {
        // The closing corner repeats the first: a parcel is named once.
        if (std::find(corners.begin(), corners.end(), point) != corners.end())
            parcels.push_back(identifier);
    };
    // Points before the first heading are reported under no name.
    PolygonParcel leading;
    leading.Lines = model.Leading;
    count({}, leading.Points());
    for (const PolygonParcel& parcel : model.Parcels)
        count(parcel.Identifier, parcel.Points());
    return parcels;
}

bool PointNumberInUse(const std::vector<LineRecord>& lines,
                      const std::vector<std::string>& polygonsLines, std::int32_t number) {
    for (const LineRecord& l : lines)
        if (l.FromPoint == number || l.ToPoint == number)
            return true;
    return !ParcelsUsingPoint(polygonsLines, number).empty();
}

} // namespace corvane

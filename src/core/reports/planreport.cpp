#include "core/reports/planreport.h"

#include "core/base/numtext.h"
#include "core/files/curves.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/summary.h"

#include <cmath>
#include <iterator>
#include <limits>
#include <unordered_map>

namespace corvane {

namespace {

constexpr int kReportColumn = 10;
const std::string kRule(49, '-');

// A direction to four decimals as a whole number of ten-thousandths, north as 0 whether it
// is stored as 0 or as 360, so that lines on one bearing meet in an index.
std::int64_t DirectionKey(double bearing) {
    const auto key = static_cast<std::int64_t>(std::llround(bearing * 10000.0));
    return key == 3600000 ? 0 : key;
}

bool TakesPartInRuns(const LineRecord& line) {
    return line.Bearing >= 0.0 && line.Bearing <= 360.0;
}

// The lines that start, or that end, at a point on a direction, in file order.
class RunIndex {
  public:
    void add(std::int32_t point, double bearing, int line) {
        lines_[key(point, bearing)].push_back(line);
    }
    // The first line at the point on the direction that is neither used nor `except`; -1.
    int first(std::int32_t point, double bearing, const std::vector<char>& used, int except) const {
        auto it = lines_.find(key(point, bearing));
        if (it == lines_.end())
            return -1;
        for (int j : it->second)
            if (j != except && !used[static_cast<std::size_t>(j)])
                return j;
        return -1;
    }

  private:
    struct Key {
        std::int32_t point;
        std::int64_t direction;
        bool operator==(const Key& o) const { return point == o.point && direction == o.direction; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::int64_t>()(k.direction * 1000003 + k.point);
        }
    };
    static Key key(std::int32_t point, double bearing) { return {point, DirectionKey(bearing)}; }
    std::unordered_map<Key, std::vector<int>, KeyHash> lines_;
};

} // namespace

double BackBearing(double bearing) {
    double back = bearing + 180.0;
    if (back >= 360.0)
        back -= 360.0;
    return Val(Format(back, "0.0000"));
}

std::vector<StraightRun> FindStraightRuns(const std::vector<LineRecord>& lines) {
    const int n = static_cast<int>(lines.size());
    RunIndex starting; // lines by their from point and bearing
    RunIndex ending;   // lines by their to point and bearing
    for (int j = 0; j < n; ++j) {
        const LineRecord& line = lines[static_cast<std::size_t>(j)];
        if (!TakesPartInRuns(line))
            continue;
        starting.add(line.FromPoint, line.Bearing, j);
        ending.add(line.ToPoint, line.Bearing, j);
    }
    // The lines already taken into a run: neither used again nor started from.
    std::vector<char> used(lines.size(), 0);

    // The first free line that continues a run on `bearing` from `end`, and the point it
    // leads to.
    auto continuation = [&](std::int32_t end, double bearing, int except, std::int32_t& next) {
        const int forward = starting.first(end, bearing, used, except);
        const int backward = ending.first(end, BackBearing(bearing), used, except);
        const int j = forward < 0 ? backward : backward < 0 ? forward : std::min(forward, backward);
        if (j >= 0) {
            const LineRecord& line = lines[static_cast<std::size_t>(j)];
            next = j == forward ? line.ToPoint : line.FromPoint;
        }
        return j;
    };

    std::vector<StraightRun> runs;
    for (int i = 0; i < n; ++i) {
        const LineRecord& line = lines[static_cast<std::size_t>(i)];
        if (!TakesPartInRuns(line) || used[static_cast<std::size_t>(i)])
            continue;
        // Does the line start a run at one of its ends? Only when a line continues it at
        // one end and none at the other; a line alone, or one in the middle, starts none.
        const double back = BackBearing(line.Bearing);
        std::int32_t ignored = 0;
        const bool arrives = continuation(line.FromPoint, back, i, ignored) >= 0;
        const bool leaves = continuation(line.ToPoint, line.Bearing, i, ignored) >= 0;
        if (arrives == leaves)
            continue;
        StraightRun run;
        run.Start = leaves ? line.FromPoint : line.ToPoint;
        run.End = leaves ? line.ToPoint : line.FromPoint;
        run.Bearing = leaves ? line.Bearing : back;
        run.Total = line.Distance;
        run.Count = 1;
        used[static_cast<std::size_t>(i)] = 1;
        for (std::int32_t next = 0;;) {
            const int j = continuation(run.End, run.Bearing, i, next);
            if (j < 0)
                break;
            used[static_cast<std::size_t>(j)] = 1;
            run.End = next;
            run.Total += lines[static_cast<std::size_t>(j)].Distance;
            ++run.Count;
        }
        if (run.Count >= 2)
            runs.push_back(run);
    }
    return runs;
}

std::vector<PrintLine> AllDistancesSection(const std::vector<LineRecord>& lines) {
    std::vector<PrintLine> out;
    out.emplace_back();
    out.push_back(TabLine(kReportColumn, "ALL distances for straight lines"));
    out.push_back(TabLine(kReportColumn, kRule));
    out.push_back(TabLine(40, "Bearing").tab(60, "Distance"));
    out.emplace_back();
    for (const StraightRun& run : FindStraightRuns(lines))
        out.push_back(
            TabLine(kReportColumn, Format(run.Start, "##") + " to " + Format(run.End, "##"))
                .tab(40, Format(run.Bearing, "0.0000"))
                .tab(60, Format(run.Total, "0.000")));
    return out;
}

std::vector<PrintLine> MarkJoinsSection(const std::string& planPath,
                                        const std::vector<PointRecord>& points,
                                        std::int32_t pointNumberLimit) {
    std::vector<PrintLine> out;
    out.emplace_back();
    out.push_back(TabLine(kReportColumn, kRule));
    out.push_back(TabLine(kReportColumn, "Joins between Permanent Marks in plan " + planPath));
    out.push_back(TabLine(kReportColumn, kRule));
    out.emplace_back();
    out.push_back(
        TabLine(kReportColumn, "From").tab(25, "To").tab(42, "Bearing").tab(60, "Distance"));
    out.emplace_back();
    // Only marks fixed in one group have a meaningful join: each group stands at its own
    // arbitrary offset.
    std::vector<const PointRecord*> marks;
    for (const PointRecord& p : points)
        if (p.Number > pointNumberLimit && p.Fixed > 0)
            marks.push_back(&p);
    for (std::size_t i = 0; i + 1 < marks.size(); ++i)
        for (std::size_t j = i + 1; j < marks.size(); ++j) {
            const PointRecord& a = *marks[i];
            const PointRecord& b = *marks[j];
            if (a.Group != b.Group)
                continue;
            const double dE = b.East - a.East;
            const double dN = b.North - a.North;
            out.push_back(
                TabLine(kReportColumn, PointNumberToLabel(a.Number))
                    .tab(25, PointNumberToLabel(b.Number))
                    .tab(42, Format(RadiansToBearing(BearingFromDeltas(dE, dN)), "0.0000"))
                    .tab(60, Format(std::sqrt(dE * dE + dN * dN), "0.000")));
        }
    return out;
}

std::vector<PrintLine> SurveyRecordSection(const std::string& planPath,
                                           const SurveyRecord& record) {
    std::vector<PrintLine> out;
    out.emplace_back();
    out.push_back(TabLine(kReportColumn, "Details for plan " + planPath));
    out.emplace_back();
    out.push_back(TabLine(kReportColumn, "Surveyor: " + record.Surveyor));
    // The tab back to the label's column puts the date on the next line.
    out.push_back(
        TabLine(kReportColumn, "Date of field survey: ").tab(kReportColumn, record.FieldDate));
    if (!record.MarksGone.empty()) {
        out.push_back(TabLine(kReportColumn, "Permanent Survey Marks Gone"));
        for (const std::string& mark : record.MarksGone)
            out.push_back(TabLine(kReportColumn, mark));
    }
    return out;
}

Result<std::vector<PrintLine>> PlanReport(const PlanState& plan, const ReportRequest& request) {
    std::vector<PrintLine> out;
    // Sections are moved in whole: the full closures of a large plan run to many lines.
    auto append = [&out](std::vector<PrintLine>&& lines) {
        if (out.empty())
            out = std::move(lines);
        else
            out.insert(out.end(), std::make_move_iterator(lines.begin()),
                       std::make_move_iterator(lines.end()));
    };
    if (request.Summary) {
        auto summary = ClosureSummary(SummaryPrint, plan, request.AccuracyClass);
        if (!summary)
            return summary.error();
        append(std::move(summary.value().Lines));
    }
    if (request.SurveyDetails)
        append(SurveyRecordSection(plan.PlanPath, request.Record));
    if (request.FullClosures) {
        auto full = ClosureSummary(SummaryFull, plan, request.AccuracyClass);
        if (!full)
            return full.error();
        out.emplace_back();
        append(std::move(full.value().Lines));
    }
    if (request.MarkJoins) {
        auto curves = ReadCurveFile(plan.PlanPath);
        if (!curves)
            return curves.error();
        append(MarkJoinsSection(plan.PlanPath, BuildPlanCoordinates(plan.PlanLines, curves.value()),
                                plan.PointNumberLimit));
    }
    if (request.AllDistances)
        append(AllDistancesSection(plan.PlanLines));
    out.emplace_back();
    out.push_back(
        TabLine(kReportColumn, "Printed by " + request.PrintName + " on " + request.Date));
    return out;
}

} // namespace corvane

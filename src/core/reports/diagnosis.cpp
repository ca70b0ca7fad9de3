#include "core/reports/diagnosis.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/closure.h"
#include "core/grid/traversegrid.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/reports/diagnosisparts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace corvane {

using namespace diagnosis;

namespace {

constexpr const char* kTitle = "Diagnosis error";
constexpr std::size_t kNoLine = std::numeric_limits<std::size_t>::max();

// One heading of the polygons file with its traverse, as the traverse grid would hold it.
struct PlanParcel {
    std::string identifier;
    GridRows rows;
    std::vector<std::pair<std::int32_t, std::int32_t>> ends; // of each row
    std::vector<std::size_t> lineOf;                         // PlanLines index of each row
    Closure closure;
    ParcelResult diagnosis;
    bool failing() const { return !closure.missing && !closure.acceptable(); }
};

// A row's bearing and distance from one stored line as the traverse grid fills them (the back
// bearing for a line stored the other way round); a deleted line, or one that does not join
// the row's points, leaves them missing.
void fillRow(GridRow& row, const LineRecord& line, std::int32_t from, std::int32_t to) {
    const bool forwards = line.FromPoint == from && line.ToPoint == to;
    const bool backwards = !forwards && line.FromPoint == to && line.ToPoint == from;
    if (line.Distance > 0 && (forwards || backwards)) {
        row[ColBearing] = LineBearingCell(line.Bearing, backwards);
        row[ColDistance] = DistanceText(line.Distance);
    } else {
        row[ColBearing] = kNoData;
        row[ColDistance] = kNoData;
    }
}

std::vector<PlanParcel> readParcels(const std::vector<LineRecord>& lines,
                                    const std::vector<std::string>& polygonLines) {
    // The line of a pair is the first stored entry joining the points, as the closure summary
    // takes it: a dropped one leaves the parcel with missing data.
    const LinePairIndex index(lines);
    std::vector<PlanParcel> parcels;
    // Points before the first heading belong to no parcel.
    for (const PolygonParcel& parcel : PolygonsFromLines(polygonLines).Parcels) {
        parcels.emplace_back();
        parcels.back().identifier = parcel.Identifier;
        std::int32_t previous = 0;
        int points = 0;
        for (const std::string& text : parcel.Lines) {
            PlanParcel& p = parcels.back();
            const std::int32_t current = PointLabelToNumber(text);
            if (++points > 1) {
                GridRow row;
                row[ColFrom] = PointNumberToLabel(previous);
                row[ColTo] = PointNumberToLabel(current);
                auto found = index.Find(previous, current);
                std::size_t line = kNoLine;
                if (found && *found < lines.size() && lines[*found].Distance > 0) {
                    line = *found;
                    row[ColLink] = std::to_string(line);
                    fillRow(row, lines[line], previous, current);
                } else {
                    row[ColBearing] = kNoData;
                    row[ColDistance] = kNoData;
                }
                p.rows.push_back(std::move(row));
                p.ends.emplace_back(previous, current);
                p.lineOf.push_back(line);
            }
            previous = current;
        }
    }
    return parcels;
}

// A correction of a stored line: the new distance or bearing (in the stored direction), or
// the arc's turn flipped.
struct LineChange {
    std::size_t line = 0;
    int column = ColDistance;
    std::string stored; // "L"/"R" for a turn, as travelled along the stored line
    bool operator<(const LineChange& o) const {
        return std::tie(line, column, stored) < std::tie(o.line, o.column, o.stored);
    }
};

struct ChangeOutcome {
    std::vector<std::size_t> closes; // failing parcels it closes, in file order
    std::vector<std::size_t> breaks; // closing parcels it puts out of closure
    std::size_t failing = 0;         // failing parcels walking the line
    double worstKey = 0;             // the largest misclosure left (above rounding) in those
    double worstFitKey = 0;          // the same, taken as a closing line's figure
    double worstRemaining = 0;
    // Filled from the candidates asking for it: their best kind, and whether it is a closing
    // line's figure beyond a mismeasurement.
    int kind = 0;
    bool beyond = false;
    bool typed() const { return !isClosingLineFit(kKindOrder[kind]); }
    double key() const { return typed() ? worstKey : worstFitKey; }
};

class PlanDiagnoser {
  public:
    PlanDiagnoser(const std::vector<LineRecord>& lines, std::vector<PlanParcel>& parcels,
                  const CurveTable& curves, const std::string& cls)
        : lines_(lines), parcels_(parcels), curves_(curves), cls_(cls),
          source_(tableSource(curves)) {
        for (std::size_t q = 0; q < parcels_.size(); ++q)
            for (std::size_t s = 0; s < parcels_[q].lineOf.size(); ++s)
                if (parcels_[q].lineOf[s] != kNoLine)
                    users_[parcels_[q].lineOf[s]].push_back(q);
        for (auto& [line, users] : users_)
            users.erase(std::unique(users.begin(), users.end()), users.end());
    }

    std::optional<LineChange> changeOf(const PlanParcel& p, const Correction& c) const {
        const std::size_t s = static_cast<std::size_t>(c.row - 1);
        if (c.row < 1 || s >= p.lineOf.size() || p.lineOf[s] == kNoLine)
            return std::nullopt;
        LineChange change;
        change.line = p.lineOf[s];
        change.column = c.column;
        const LineRecord& line = lines_[change.line];
        const bool forwards = line.FromPoint == p.ends[s].first && line.ToPoint == p.ends[s].second;
        if (c.column == ColBearing)
            change.stored = forwards ? c.proposed : ReverseBearing(Val(c.proposed));
        else if (c.column == -1)
            change.stored = forwards ? c.proposed : otherTurn(c.proposed);
        else
            change.stored = c.proposed;
        return change;
    }

    const ChangeOutcome& outcome(const LineChange& change) {
        auto known = outcomes_.find(change);
        if (known != outcomes_.end())
            return known->second;
        ChangeOutcome& out = outcomes_[change];
        const LineRecord& stored = lines_[change.line];
        LineRecord changed = stored;
        std::unique_ptr<FlippedTurn> turn;
        if (change.column == ColDistance)
            changed.Distance = Val(change.stored);
        else if (change.column == ColBearing)
            changed.Bearing = Val(change.stored);
        else
            turn = flipTurn(curves_, stored.FromPoint, stored.ToPoint);
        const CurveSource source = turn ? flippedSource(curves_, *turn) : source_;
        for (std::size_t q : users_[change.line]) {
            PlanParcel& p = parcels_[q];
            if (p.closure.missing)
                continue;
            GridRows rows = p.rows;
            if (change.column != -1)
                for (std::size_t s = 0; s < rows.size(); ++s)
                    if (p.lineOf[s] == change.line)
                        fillRow(rows[s], changed, p.ends[s].first, p.ends[s].second);
            const Closure after = closeRows(rows, source, cls_);
            if (p.failing()) {
                ++out.failing;
                if (after.acceptable()) {
                    out.closes.push_back(q);
                    out.worstRemaining = std::max(out.worstRemaining, after.misclosure);
                    const Tolerance& t = p.diagnosis.tolerance;
                    out.worstKey = std::max(out.worstKey, t.key(kDigitSlip, after.misclosure));
                    out.worstFitKey =
                        std::max(out.worstFitKey, t.key(kClosingLineFit, after.misclosure));
                }
            } else if (!after.acceptable()) {
                out.breaks.push_back(q);
            }
        }
        return out;
    }

  private:
    const std::vector<LineRecord>& lines_;
    std::vector<PlanParcel>& parcels_;
    const CurveTable& curves_;
    const std::string& cls_;
    CurveSource source_;
    std::unordered_map<std::size_t, std::vector<std::size_t>> users_;
    std::map<LineChange, ChangeOutcome> outcomes_;
};

std::string namesText(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += Latin1ToUtf8(names[i]);
    }
    return text;
}

PlanFinding planFinding(const std::vector<LineRecord>& lines,
                        const std::vector<PlanParcel>& parcels, const CurveTable& curves,
                        const LineChange& change, const ChangeOutcome& outcome) {
    const LineRecord& line = lines[change.line];
    PlanFinding f;
    f.from = line.FromPoint;
    f.to = line.ToPoint;
    f.line = change.line;
    for (std::size_t q : outcome.closes)
        f.closes.push_back(parcels[q].identifier);
    Correction& c = f.fix;
    c.row = 0;
    c.column = change.column;
    c.proposed = change.stored;
    c.kind = kKindOrder[outcome.kind];
    c.remaining = outcome.worstRemaining;
    std::string what;
    if (change.column == ColDistance) {
        c.entered = DistanceText(line.Distance);
        what = line.Bearing > kArcBearingBase ? "arc length" : "distance";
    } else if (change.column == ColBearing) {
        c.entered = BearingText(line.Bearing);
        what = "bearing";
    } else {
        c.entered = CurveDirection(line.FromPoint, line.ToPoint, curves);
        what = "turn";
    }
    const bool turn = change.column == -1;
    c.text = "line " + PointNumberToLabel(line.FromPoint) + kDash +
             PointNumberToLabel(line.ToPoint) + " " + what + " probably " +
             (turn ? turnName(c.proposed) : c.proposed) + " (entered " +
             (turn ? turnName(c.entered) : c.entered) + "): closes " + namesText(f.closes);
    return f;
}

} // namespace

PlanDiagnosis DiagnosePlan(const std::vector<LineRecord>& lines,
                           const std::vector<std::string>& polygonLines, const CurveTable& curves,
                           const std::string& accuracyClass, std::size_t limit) {
    std::vector<PlanParcel> parcels = readParcels(lines, polygonLines);
    const CurveSource source = tableSource(curves);
    for (PlanParcel& p : parcels)
        p.closure = closeRows(p.rows, source, accuracyClass);
    // Each failing parcel's own candidates, a few more than shown so that the ones ranked down
    // for breaking a neighbour leave enough behind.
    const std::size_t wider = limit + 10;
    for (PlanParcel& p : parcels)
        if (p.failing())
            p.diagnosis = diagnoseParcel(p.rows, curves, accuracyClass, wider);

    PlanDiagnoser diagnoser(lines, parcels, curves, accuracyClass);
    std::map<LineChange, ChangeOutcome> plan; // the changes that qualify, with their best kind
    PlanDiagnosis out;
    for (PlanParcel& p : parcels) {
        if (!p.failing())
            continue;
        ParcelDiagnosis d;
        d.identifier = p.identifier;
        d.misclosure = p.closure.misclosure;
        d.allowable = p.closure.allowable;
        for (Correction c : p.diagnosis.candidates) {
            if (auto change = diagnoser.changeOf(p, c)) {
                const ChangeOutcome& o = diagnoser.outcome(*change);
                for (std::size_t q : o.breaks)
                    c.breaks.push_back(parcels[q].identifier);
                if (o.breaks.empty() && o.closes.size() >= 2 && o.closes.size() == o.failing) {
                    auto [at, added] = plan.try_emplace(*change, o);
                    const int kind = CorrectionKindRank(c.kind);
                    at->second.kind = added ? kind : std::min(at->second.kind, kind);
                    at->second.beyond = !at->second.typed() &&
                                        beyondMismeasurement(c.column, c.entered, c.proposed);
                }
            }
            d.candidates.push_back(std::move(c));
        }
        std::stable_partition(d.candidates.begin(), d.candidates.end(),
                              [](const Correction& c) { return c.breaks.empty(); });
        if (d.candidates.size() > limit)
            d.candidates.resize(limit);
        out.parcels.push_back(std::move(d));
    }

    // Ranked as a parcel's candidates are (a stored bearing that is no bearing put right
    // first), and before the misclosure left by the parcels closed. A line is named once, with
    // its best explanation.
    std::vector<std::pair<const LineChange*, const ChangeOutcome*>> order;
    order.reserve(plan.size());
    for (const auto& [change, outcome] : plan)
        order.emplace_back(&change, &outcome);
    auto misbooked = [&lines](const LineChange& change, const ChangeOutcome& outcome) {
        return change.column == ColBearing && outcome.typed() &&
               misbookedBearing(BearingText(lines[change.line].Bearing));
    };
    std::sort(order.begin(), order.end(), [&misbooked](const auto& a, const auto& b) {
        const ChangeOutcome& x = *a.second;
        const ChangeOutcome& y = *b.second;
        if (x.beyond != y.beyond)
            return y.beyond;
        if (misbooked(*a.first, x) != misbooked(*b.first, y))
            return misbooked(*a.first, x);
        if (x.closes.size() != y.closes.size())
            return x.closes.size() > y.closes.size();
        return std::make_tuple(x.key(), x.kind, *a.first) <
               std::make_tuple(y.key(), y.kind, *b.first);
    });
    std::set<std::size_t> named;
    for (const auto& [change, outcome] : order) {
        if (named.insert(change->line).second)
            out.findings.push_back(planFinding(lines, parcels, curves, *change, *outcome));
    }
    return out;
}

Result<PlanDiagnosis> DiagnosePlan(const PlanState& plan, const CurveTable& curves,
                                   const std::string& accuracyClass, std::size_t limit) {
    const std::string polygonsFile = PlanFile(plan.PlanPath, ".ply");
    if (!FileExists(polygonsFile))
        return Error{"No polygons file found", kTitle};
    auto polygonLines = ReadPolygonsFile(polygonsFile);
    if (!polygonLines)
        return Error{polygonLines.error().message, kTitle};
    return DiagnosePlan(plan.PlanLines, polygonLines.value(), curves, accuracyClass, limit);
}

std::vector<std::string> DiagnosisLines(const PlanDiagnosis& diagnosis) {
    std::vector<std::string> out = {"", "Diagnosis of the misclosures"};
    if (diagnosis.parcels.empty()) {
        out.push_back("  No parcel with a misclosure that is not acceptable");
        return out;
    }
    if (!diagnosis.findings.empty()) {
        out.push_back("  Stored lines:");
        for (const PlanFinding& f : diagnosis.findings)
            out.push_back("    " + f.fix.text);
    }
    for (const ParcelDiagnosis& p : diagnosis.parcels) {
        out.push_back("  " + Latin1ToUtf8(p.identifier) + ": misclosure " +
                      Format(p.misclosure, "0.000") + ", allowable " +
                      Format(p.allowable, "0.000"));
        if (p.candidates.empty())
            out.push_back("    no single figure closes it");
        for (const Correction& c : p.candidates)
            out.push_back("    " + c.text +
                          (c.breaks.empty() ? std::string() : "; breaks " + namesText(c.breaks)));
    }
    return out;
}

} // namespace corvane

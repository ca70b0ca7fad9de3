#include "core/files/curves.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <cmath>
#include <limits>
#include <utility>

namespace corvane {

namespace {

// Comma-separated fields; a field in double quotes may hold commas. Quotes are removed.
std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::string current;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back(TrimBlanks(current));
            current.clear();
        } else {
            current += c;
        }
    }
    fields.emplace_back(TrimBlanks(current));
    return fields;
}

std::optional<std::int32_t> pointField(const std::string& text) {
    auto v = NumberField(text, std::numeric_limits<std::int32_t>::min() - 0.5,
                         std::numeric_limits<std::int32_t>::max() + 0.5);
    if (!v)
        return std::nullopt;
    const double rounded = std::nearbyint(*v);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// A tangent or chord bearing of a record: a bearing (a back bearing may be negative) or 999
// for none.
std::optional<double> bearingField(const std::string& text) {
    return NumberField(text, -360, kMissingBearing);
}

// A bearing a curve record can hold and read back: empty or 999 (none), or a figure from -360
// to 360.
bool storableBearingText(const std::string& text) {
    return text.empty() || NumberField(text, -360, 360).has_value() ||
           NumberField(text, kMissingBearing, kMissingBearing).has_value();
}

Error unstorableCurve(const CurveEntry& entry, const char* title) {
    return Error{"The curve data of " + entry.FromPoint + " - " + entry.ToPoint +
                     " was not written: a tangent or chord bearing is not a bearing from -360 "
                     "to 360",
                 title};
}

bool isBlankLine(std::string_view line) {
    return TrimBlanks(line).empty();
}

std::string pointText(std::int32_t n) {
    return Format(n, "0");
}

std::string curveFileOf(const std::string& planPath) {
    return PlanFile(planPath, ".cve");
}

// The text of a curve file (or its backup), bounded as the lines file is: a plan holds at
// most one arc record for each of its lines.
Result<std::vector<std::string>> readCurveText(const std::string& path, const char* title) {
    auto text = ReadTextLinesWithin(path, "curve file", kMaxLines, kMaxLineLength);
    if (!text)
        return Error{text.error().message, title};
    return text;
}

bool IsArcCell(std::string_view bearingCell) {
    return !bearingCell.empty() && bearingCell.front() == 'R';
}

std::string notARecord(std::size_t index, const std::string& fileName, std::string_view text) {
    return "Line " + std::to_string(index + 1) + " of " + fileName +
           " is not a curve record: " + QuotedLine(text) +
           "\nCheck the curve file using a text editor eg: Notepad";
}

CurveData loadCurve(std::int32_t from, std::int32_t to, double radius, double arc,
                    const CurveTable& curves) {
    CurveData c;
    c.FromPoint = pointText(from);
    c.ToPoint = pointText(to);
    c.Radius = Format(radius, "0.000");
    c.Arc = Format(arc, "0.000");
    auto match = curves.Find(from, to);
    if (!match || (radius <= 0 && arc <= 0))
        return c;
    const CurveRecord& rec = *match->Record;
    const bool recordLeft = rec.Direction == "L";
    // The tangent turns through the central angle along the arc; without a radius there is
    // no angle, and no bearing can be carried from one end of the arc to the other.
    const bool hasAngle = radius != 0;
    const double theta = hasAngle ? arc / radius : 0.0;
    const bool tangentGiven = rec.TangentBearing != kMissingBearing;
    const bool chordGiven = rec.ChordBearing != kMissingBearing;

    if (match->Forwards) {
        c.Direction = recordLeft ? "L" : "R";
        if (tangentGiven)
            c.TangentBearing = Format(rec.TangentBearing, "0.0000");
        else if (chordGiven)
            c.ChordBearing = Format(rec.ChordBearing, "0.0000");
    } else {
        c.Direction = recordLeft ? "R" : "L";
        if (tangentGiven) {
            // The stored tangent is at the far end: carry it along the arc, then turn it
            // round to point back along the arc from this end.
            if (hasAngle) {
                double t = BearingToRadians(Format(rec.TangentBearing, "0.0000"));
                t += recordLeft ? -theta : theta;
                c.TangentBearing = ReverseBearing(RadiansToBearing(t));
            }
        } else if (chordGiven) {
            c.ChordBearing = ReverseBearing(rec.ChordBearing);
        }
    }

    // The chord makes half the central angle with the tangent.
    if (!c.TangentBearing.empty() && c.ChordBearing.empty() && hasAngle) {
        double t = BearingToRadians(c.TangentBearing);
        t += c.Left() ? -theta / 2 : theta / 2;
        c.ChordBearing = Format(RadiansToBearing(t), "0.0000");
    }
    return c;
}

} // namespace

std::string FormatCurveRecord(const CurveRecord& r) {
    return pointText(r.FromPoint) + "," + pointText(r.ToPoint) + ",\"" + r.Direction + "\"," +
           GeneralText(r.TangentBearing) + "," + GeneralText(r.ChordBearing);
}

std::optional<CurveRecord> ParseCurveRecord(std::string_view line) {
    auto fields = splitFields(line);
    if (fields.size() != 5)
        return std::nullopt;
    auto from = pointField(fields[0]);
    auto to = pointField(fields[1]);
    auto tangent = bearingField(fields[3]);
    auto chord = bearingField(fields[4]);
    if (!from || !to || !tangent || !chord)
        return std::nullopt;
    CurveRecord r;
    r.FromPoint = *from;
    r.ToPoint = *to;
    r.Direction = fields[2];
    r.TangentBearing = *tangent;
    r.ChordBearing = *chord;
    return r;
}

Result<std::vector<CurveRecord>> ParseCurves(const std::vector<std::string>& textLines,
                                             const std::string& fileName) {
    std::vector<CurveRecord> records;
    records.reserve(textLines.size());
    for (std::size_t i = 0; i < textLines.size(); ++i) {
        if (isBlankLine(textLines[i]))
            continue;
        auto r = ParseCurveRecord(textLines[i]);
        if (!r)
            return Error{notARecord(i, fileName, textLines[i]), "Load curve data error"};
        records.push_back(std::move(*r));
    }
    return records;
}

CurveTable::CurveTable(std::vector<CurveRecord> records)
    : records_(std::move(records)), byPair_(LinePairIndex::Over(records_)) {}

std::optional<CurveTable::Match> CurveTable::Find(std::int32_t from, std::int32_t to) const {
    const auto found = byPair_.Find(from, to);
    if (!found)
        return std::nullopt;
    const CurveRecord& r = records_[*found];
    return Match{&r, r.FromPoint == from && r.ToPoint == to};
}

Result<CurveTable> ReadCurveFile(const std::string& planPath) {
    const std::string path = curveFileOf(planPath);
    if (!FileExists(path))
        return CurveTable();
    auto text = readCurveText(path, "Load curve data error");
    if (!text)
        return text.error();
    auto records = ParseCurves(text.value(), path);
    if (!records)
        return records.error();
    return CurveTable(std::move(records).value());
}

std::string CurveDirection(std::int32_t from, std::int32_t to, const CurveTable& curves) {
    auto match = curves.Find(from, to);
    if (!match)
        return "R";
    const bool left = match->Record->Direction == "L";
    if (match->Forwards)
        return left ? "L" : "R";
    return left ? "R" : "L";
}

double ArcRadius(std::string_view bearingCell) {
    // Only an arc's cell holds a radius: an ordinary bearing is no radius.
    return IsArcCell(bearingCell) ? Val(bearingCell.substr(1)) : 0.0;
}

double ArcRadius(double bearingField) {
    return bearingField - kArcBearingBase;
}

CurveData LoadCurve(std::int32_t from, std::int32_t to, std::string_view bearingCell,
                    std::string_view distanceCell, const CurveTable& curves) {
    CurveData curve = loadCurve(from, to, ArcRadius(bearingCell), Val(distanceCell), curves);
    // A cell that is not an arc's offers no radius to the curve window.
    if (!IsArcCell(bearingCell))
        curve.Radius.clear();
    return curve;
}

CurveData LoadCurve(std::int32_t from, std::int32_t to, double bearingField, double distanceField,
                    const CurveTable& curves) {
    return loadCurve(from, to, ArcRadius(bearingField), distanceField, curves);
}

std::string CurveBoxBearing(std::string_view text) {
    if (text.empty())
        return {};
    // A figure too large for a number is kept as typed, so the writers refuse it instead of
    // storing north.
    auto value = FiniteVal(text);
    if (!value)
        return std::string(text);
    const double v = *value;
    if (v < 0)
        return ReverseBearing(v);
    return Format(v, "0.0000");
}

Result<void> Append2Curve(const std::string& planPath, const CurveEntry& entry) {
    const std::string tangent = CurveBoxBearing(entry.TangentBearing);
    const std::string chord = CurveBoxBearing(entry.ChordBearing);
    if (!storableBearingText(tangent) || !storableBearingText(chord))
        return unstorableCurve(entry, "Append curve data error");
    std::string bearings;
    if (!chord.empty())
        bearings = "999," + chord;
    else if (!tangent.empty())
        bearings = tangent + ",999";
    else
        bearings = "999,999";
    // The points are written as stored numbers so the record reads back whatever the
    // captions show.
    const std::string line = pointText(PointLabelToNumber(entry.FromPoint)) + "," +
                             pointText(PointLabelToNumber(entry.ToPoint)) + "," +
                             (entry.Left ? "\"L\"" : "\"R\"") + "," + bearings;
    Result<void> written = AppendLinesAtomic(curveFileOf(planPath), {line});
    if (!written)
        return Error{written.error().message, "Append curve data error"};
    return {};
}

Result<void> ReplaceCurve(const std::string& planPath, std::int32_t from, std::int32_t to,
                          const CurveEntry& entry) {
    const std::string path = curveFileOf(planPath);
    const std::string backup = BackupName(path);
    if (!storableBearingText(CurveBoxBearing(entry.TangentBearing)) ||
        !storableBearingText(CurveBoxBearing(entry.ChordBearing)))
        return unstorableCurve(entry, "Replace curve data error");
    auto text = readCurveText(backup, "Replace curve data error");
    if (!text)
        return text.error();

    CurveRecord replacement;
    replacement.FromPoint = from;
    replacement.ToPoint = to;
    replacement.Direction = entry.Left ? "L" : "R";
    const std::string tangent = CurveBoxBearing(entry.TangentBearing);
    const std::string chord = CurveBoxBearing(entry.ChordBearing);
    if (!tangent.empty())
        replacement.TangentBearing = Val(tangent);
    else if (!chord.empty())
        replacement.ChordBearing = Val(chord);
    const std::string replacementLine = FormatCurveRecord(replacement);

    std::vector<std::string> out;
    out.reserve(text.value().size() + 1);
    bool found = false;
    for (std::size_t i = 0; i < text.value().size(); ++i) {
        const std::string& line = text.value()[i];
        if (isBlankLine(line))
            continue;
        auto r = ParseCurveRecord(line);
        if (!r)
            return Error{notARecord(i, backup, line), "Replace curve data error"};
        if ((r->FromPoint == from && r->ToPoint == to) ||
            (r->FromPoint == to && r->ToPoint == from)) {
            out.push_back(replacementLine);
            found = true;
        } else {
            out.push_back(line);
        }
    }
    if (!found)
        out.push_back(replacementLine);
    Result<void> written = WriteLinesAtomic(path, out);
    if (!written)
        return Error{written.error().message, "Replace curve data error"};
    return {};
}

Result<void> UpdateCurveFile(const std::string& planPath, const CurveEntry& entry) {
    const std::string path = curveFileOf(planPath);
    if (!FileExists(path))
        return Append2Curve(planPath, entry);
    // A file too large to be a curve file is refused before it is copied.
    if (auto text = readCurveText(path, "Replace curve data error"); !text)
        return text.error();
    Result<void> backedUp = BackupFile(path);
    if (!backedUp)
        return backedUp;
    return ReplaceCurve(planPath, PointLabelToNumber(entry.FromPoint),
                        PointLabelToNumber(entry.ToPoint), entry);
}

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/model/linepairindex.h"
#include "core/model/records.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvane {

// An arc is held in the lines file like any line, with 1000 plus its radius as bearing and
// its arc length as distance. What a traverse needs besides (which way the arc turns and one
// bearing from which the chord follows) is one record of the curve file (".cve"):
//     101,102,"R",45.302,999
// from point, to point, direction "L"/"R" (as travelled from → to), tangent bearing at the
// from point, chord bearing from → to; 999 stands for a bearing not given.
struct CurveRecord {
    std::int32_t FromPoint = 0;
    std::int32_t ToPoint = 0;
    std::string Direction = "R";
    double TangentBearing = kMissingBearing;
    double ChordBearing = kMissingBearing;
};

// One record line, numbers in their shortest decimal form.
std::string FormatCurveRecord(const CurveRecord& record);
// One record line taken apart; nullopt when it is not a record (wrong field count, a point
// or bearing that is not a number, a point outside the 32-bit range).
std::optional<CurveRecord> ParseCurveRecord(std::string_view line);
// The records of a curve file's lines. Blank lines are passed over; any other line that is
// not a record refuses the file, naming it and the line.
Result<std::vector<CurveRecord>> ParseCurves(const std::vector<std::string>& textLines,
                                             const std::string& fileName);

// The records of one curve file, read once and looked up by point pair.
class CurveTable {
  public:
    CurveTable() = default;
    explicit CurveTable(std::vector<CurveRecord> records);

    struct Match {
        const CurveRecord* Record = nullptr;
        bool Forwards = true; // stored from → to as asked; false: stored to → from
    };
    // The first record in file order that joins the two points, stored either way.
    std::optional<Match> Find(std::int32_t from, std::int32_t to) const;
    const std::vector<CurveRecord>& Records() const { return records_; }

  private:
    std::vector<CurveRecord> records_;
    LinePairIndex byPair_;
};

// The plan's curve file (PlanPath + ".cve", any letter case). No curve file is no failure:
// every arc then turns right and has no bearing.
Result<CurveTable> ReadCurveFile(const std::string& planPath);

// "L" or "R": the turn of the arc from → to; a record stored the other way round turns the
// other way. "R" when no record joins the points.
std::string CurveDirection(std::int32_t from, std::int32_t to, const CurveTable& curves);

// The radius of an arc: from a grid's bearing cell ("R12.500": the number after the "R"),
// or from a stored bearing field (1000 plus the radius).
double ArcRadius(std::string_view bearingCell);
double ArcRadius(double bearingField);

// The working record of one arc, as the curve window shows it: point numbers ("0"), radius
// and arc length ("0.000"), direction, and the tangent and chord bearings ("0.0000", or
// empty when not known).
struct CurveData {
    std::string FromPoint;
    std::string ToPoint;
    std::string Radius;
    std::string Arc;
    std::string Direction = "R";
    std::string TangentBearing;
    std::string ChordBearing;

    bool Left() const { return Direction == "L"; }
    bool HasChordBearing() const { return !ChordBearing.empty(); }
};

// The curve record of the arc from → to, turned to the direction asked, with the chord
// bearing found from the tangent when only the tangent is stored. The bearing and distance
// are those of the arc's grid row (cells) or of its lines file entry (fields).
CurveData LoadCurve(std::int32_t from, std::int32_t to, std::string_view bearingCell,
                    std::string_view distanceCell, const CurveTable& curves);
CurveData LoadCurve(std::int32_t from, std::int32_t to, double bearingField, double distanceField,
                    const CurveTable& curves);

// What the curve window holds when the user stores an arc: its point captions, its turn and
// its bearing boxes (either may be empty).
struct CurveEntry {
    std::string FromPoint;
    std::string ToPoint;
    bool Left = false;
    std::string TangentBearing;
    std::string ChordBearing;
};

// A bearing box's text as it is stored: a negative figure is taken as the back bearing of
// its size; then formatted "0.0000". Empty stays empty.
std::string CurveBoxBearing(std::string_view text);

// Creates the curve file (or adds to it) with the window's record; when both bearings are
// given the chord bearing is kept. Error title "Append curve data error".
Result<void> Append2Curve(const std::string& planPath, const CurveEntry& entry);

// Rewrites the curve file from its backup (".~ve", made by the caller) with the arc's record
// in place of every record of the pair (either way round), or added at the end; when both
// bearings are given the tangent bearing is kept. A backup that is not a curve file changes
// nothing. Error title "Replace curve data error".
Result<void> ReplaceCurve(const std::string& planPath, std::int32_t from, std::int32_t to,
                          const CurveEntry& entry);

// Stores the window's arc: through a backup and ReplaceCurve when the curve file exists,
// with Append2Curve when it does not. Error titles "Make backup error" or the writers'.
Result<void> UpdateCurveFile(const std::string& planPath, const CurveEntry& entry);

} // namespace corvane

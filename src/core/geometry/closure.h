#pragma once

#include "core/files/curves.h"
#include "core/geometry/traversesums.h"
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

// The accuracy class offered first, and the one a plan check uses unless told otherwise.
inline constexpr const char* kDefaultAccuracyClass = "Surveyed Polygons";

// The misclosure (metres) a traverse of the given length may have under an accuracy class.
// The class texts are compared exactly; any other text allows nothing (0).
double AllowableMisclosure(double length, std::string_view accuracyClass);

// The accuracy classes, in the order the main window lists them.
const std::vector<std::string>& AccuracyClasses();
// The class a typed text names: one of AccuracyClasses, whatever the letter case and the
// blanks around it; nullopt for text that is no class (which would allow no misclosure and
// fail every parcel).
std::optional<std::string> AccuracyClassNamed(std::string_view text);
// "Unknown accuracy class "text"": the refusal of text that is no class.
std::string UnknownAccuracyClassMessage(std::string_view text);

// The closing distance of a traverse's sums. A distance below a millionth of a millimetre
// is the rounding of the sines and cosines of an exact closure, not a misclosure: it is 0,
// so that a traverse that closes exactly is acceptable under every accuracy class.
double ClosingDistance(double sumEast, double sumNorth);

// The closing bearing of a traverse's sums (packed DDD.MMSS): the direction of the line
// that would close it, from the end of the traverse back to its start. Every closure report
// gives this one direction. An exact closure has none and gives 0.
double ClosingBearing(double sumEast, double sumNorth);

// The closure ratio as a surveyor reads it, "1 in 40001"; "exact" when the traverse has no
// closing distance at all (a ratio would be infinite).
std::string ClosureRatioText(double totalLength, double closingDistance);

// The Bowditch-adjusted area of a traverse of legs, with the arcs' segment areas added.
// A clockwise traverse has a positive area; an anticlockwise one, or one of fewer than three
// legs, gives 0.
double BowditchArea(double sumEast, double sumNorth, double totalLength, double segmentTotal,
                    const std::vector<Leg>& legs);
// The same with its sign: negative for a traverse walked anticlockwise, whose size is the
// area of the parcel walked the other way round. Fewer than three legs give 0.
double SignedBowditchArea(double sumEast, double sumNorth, double totalLength, double segmentTotal,
                          const std::vector<Leg>& legs);

// The area between an arc and its chord, negative for an arc turning left. The radius comes
// from a grid's bearing cell ("R12.500") or a stored bearing field (1000 plus the radius),
// the arc length from the distance. No radius gives no segment.
double SegmentArea(std::string_view radiusCell, std::string_view arcCell, bool left);
double SegmentArea(double radiusField, double arcField, bool left);

// The length of an arc's chord; 0 when the radius or the arc length is 0.
double ChordLength(std::string_view radiusCell, std::string_view arcCell);
double ChordLength(double radiusField, double arcField);

// The angle at a traverse point from the back direction of one line to the next line, as a
// signed packed bearing between -180 and +180. A straight continuation is always -180 (two
// lines in the same direction, 0 and 360 included), a line and its exact reverse 0.
double TraverseAngle(std::string_view bearing1, std::string_view bearing2);

// The plain scan of PlanLines from index 0 for the first entry joining the two points.
std::optional<std::size_t> FindLine(const std::vector<LineRecord>& lines, std::int32_t from,
                                    std::int32_t to);

// A traverse line taken from PlanLines and the curve file, in the direction asked.
struct LineLegResult {
    double Bearing = -1.0; // packed; the chord bearing for an arc; -1 when missing
    double Distance = 0.0; // metres; the chord for an arc
    double Segment = 0.0;  // segment area of an arc
    bool Missing = true;   // no bearing to use (no line, dropped line, no bearing, no chord)
    bool Arc = false;
    double Radius = 0.0; // of an arc
};

LineLegResult LineLeg(std::int32_t from, std::int32_t to, const std::vector<LineRecord>& lines,
                      const CurveTable& curves);
LineLegResult LineLeg(std::int32_t from, std::int32_t to, const std::vector<LineRecord>& lines,
                      const LinePairIndex& index, const CurveTable& curves);

} // namespace corvane

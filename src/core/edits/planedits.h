#pragma once

#include "core/base/result.h"
#include "core/files/planfiles.h"
#include "core/model/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Turns every bearing of the plan by a datum correction given as packed bearing text
// ("0.0030", or "-0.0030" to take it off): every plain bearing of the lines, and every
// tangent and chord bearing of the curve file, so the arcs keep their place. Missing
// (999), marked (negative) bearings and arc radii stay exactly as they are; bearings wrap
// into 0 to 360. The lines are changed on a copy; the lines and curve files are written in
// one commit (the curve file backed up first, ".~ve"), and only then does PlanLines take
// them. Errors: "Bearing format incorrect" ("CORVANE"), the writers' own ("Error saving
// lines" when the files cannot be written).
Result<void> SwingDatumBearing(PlanState& plan, std::string_view bswing);

// Scales every distance of the plan by a factor above 0, the radii of the arcs with their
// arc lengths, written as SwingDatumBearing writes. A factor that is not a number above 0
// is refused ("Edit Distance Units") and nothing changes.
Result<void> RescaleDistanceUnits(PlanState& plan, double factor);

// The double lines of a plan: the same two points joined twice (either way), or, between
// two boundary lines or two easement-only lines, two lines leaving or reaching one point on
// the same bearing. Lines are classed on a copy from the polygons file's lines (every line
// unclassed without them). One report for each line that has doubles: its last double.
struct DoubleLineReport {
    std::int32_t From1 = 0, To1 = 0, From2 = 0, To2 = 0;
    std::string Text() const; // "Double lines found\n1 to 2\n2 to 1"
};
struct DoubleLines {
    int Count = 0; // pairs found
    std::vector<DoubleLineReport> Reports;
};
DoubleLines FindDoubleLines(const std::vector<LineRecord>& lines,
                            const std::vector<std::string>& polygonsLines);

// The lines whose two ends, as the coordinates place them, lie more than twice the line's
// measured distance apart. Only lines whose ends are both fixed in the same group count:
// the offset between groups is arbitrary.
struct PointErrorLine {
    std::int32_t From = 0, To = 0;
    std::string Text() const; // "Point error detected in line\n3 to 4"
};
std::vector<PointErrorLine> FindPointErrors(const std::vector<LineRecord>& lines,
                                            const std::vector<PointRecord>& points);

// Point Number: renumbers a point in the lines and the polygons file, each occurrence after
// the user agrees (ChangePointNumber's questions), and in the curve records of the lines the
// user agreed to change, so their arcs keep their turn and bearings. The lines are changed
// on a copy; the lines, polygons and curve files are written in one commit after their
// backups (".~ly", ".~ve"), so a failure changes none of them. Refuses while the lines' last
// load failed. Error title "Edit Point Number error" when the files cannot be written.
Result<void> RenumberPoint(PlanState& plan, std::int32_t oldNumber, std::int32_t newNumber,
                           const std::function<Reply(const std::string&)>& ask);

// The number Point Number offers for the new point: one above the largest ordinary point
// number of the lines (mark numbers do not count).
std::int32_t NextPointNumber(const PlanState& plan);

// The parcels whose corners include the point, each once, in polygons-file order.
std::vector<std::string> ParcelsUsingPoint(const std::vector<std::string>& polygonsLines,
                                           std::int32_t point);

// True when a point of that number is in the plan: an end of a line, or a corner of a
// parcel. Point Number refuses to give another point that number, which would merge the two.
bool PointNumberInUse(const std::vector<LineRecord>& lines,
                      const std::vector<std::string>& polygonsLines, std::int32_t number);

} // namespace corvane

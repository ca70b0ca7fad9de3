#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"
#include "core/files/sdbfile.h"
#include "core/model/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The reverse of a packed bearing: 180 degrees on, less 360 once that reaches 360, kept to
// the four decimals the plan files hold.
double BackBearing(double bearing);

// A chain of two or more lines that continue one another on one bearing, each line taken in
// either direction, from one end point to the other.
struct StraightRun {
    std::int32_t Start = 0;
    std::int32_t End = 0;
    double Bearing = 0.0; // from Start towards End
    double Total = 0.0;   // the sum of the lines' distances
    int Count = 0;        // lines in the run
};

// Every straight run of the lines, each reported once from the line that starts it, in the
// order of those lines. Lines with a bearing from 0 to 360 take part (360 is north, as 0
// is); a line joins at most one run. The lines are never changed.
std::vector<StraightRun> FindStraightRuns(const std::vector<LineRecord>& lines);

// The report's sections (their texts as the printer places them).
std::vector<PrintLine> AllDistancesSection(const std::vector<LineRecord>& lines);
// Joins between every two survey marks that are fixed in the same group of the coordinates.
std::vector<PrintLine> MarkJoinsSection(const std::string& planPath,
                                        const std::vector<PointRecord>& points,
                                        std::int32_t pointNumberLimit);
std::vector<PrintLine> SurveyRecordSection(const std::string& planPath, const SurveyRecord& record);

// What the printed plan report holds, and for whom.
struct ReportRequest {
    bool Summary = true;
    bool SurveyDetails = false;
    bool FullClosures = false;
    bool MarkJoins = false;
    bool AllDistances = false;
    std::string PrintName;     // "Printed by" whom
    std::string Date;          // today, as the desktop writes dates
    std::string AccuracyClass; // the class the closures are judged by
    SurveyRecord Record;       // the survey data base details shown
};

// The whole printed report of a plan whose lines are loaded, its sections in their order,
// ended by the "Printed by" line. A closure section without a polygons file, or a curve file
// that cannot be read, refuses the whole report: nothing is printed with a section missing.
Result<std::vector<PrintLine>> PlanReport(const PlanState& plan, const ReportRequest& request);

} // namespace corvane

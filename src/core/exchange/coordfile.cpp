#include "core/exchange/coordfile.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/geometry/plancoords.h"
#include "core/model/pointlabel.h"

namespace corvane {

namespace {

const char* const kErrorTitle = "Create Coord. file error";
constexpr double kLargestScaleFactor = 10.0;

Error refusal(std::string message) {
    return Error{std::move(message), kErrorTitle};
}

// A coordinate of the origin as typed: a plain number, never read as far as it goes ("5OOO"
// would be 5, "1000,25" 1000).
Result<double> coordinateField(const std::string& text, const char* which) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return refusal(std::string("Enter the ") + which + " coordinate");
    const auto value = IsNumberText(text) ? FiniteVal(text) : std::nullopt;
    if (!value)
        return refusal(std::string("The ") + which + " coordinate " + QuotedLine(text) +
                       " is not a number");
    return *value;
}

} // namespace

std::string SeparatorText(const std::string& choice) {
    if (choice == "comma and space")
        return ", ";
    if (choice == "comma")
        return ",";
    if (choice == "space")
        return " ";
    if (choice == "Tab")
        return "\t";
    return choice;
}

std::vector<LineRecord> ScaledLines(const std::vector<LineRecord>& lines, double factor) {
    std::vector<LineRecord> scaled = lines;
    for (LineRecord& line : scaled) {
        line.Distance *= factor;
        if (line.Bearing > kArcBearingBase)
            line.Bearing = kArcBearingBase + ArcRadius(line.Bearing) * factor;
    }
    return scaled;
}

Result<CoordFileResult> CoordFileFor(const PlanState& plan, const CoordFileRequest& request) {
    if (!plan.chkArray || plan.PlanLines.empty())
        return refusal("No lines found");
    const std::string sep = SeparatorText(request.Separator);

    double factor = 1.0;
    if (request.UseScaleFactor && !request.ScaleFactor.empty()) {
        const auto value =
            IsNumberText(request.ScaleFactor) ? FiniteVal(request.ScaleFactor) : std::nullopt;
        if (!value || !(*value > 0.0) || *value > kLargestScaleFactor)
            return refusal("Invalid combined scale factor " + QuotedLine(request.ScaleFactor));
        factor = *value;
    }
    auto curves = ReadCurveFile(plan.PlanPath);
    if (!curves)
        return curves.error();
    // The scaled distances live only in this copy: PlanLines keeps the measured ones, so no
    // later save can write scaled figures.
    const std::vector<PointRecord> points =
        factor == 1.0 ? BuildPlanCoordinates(plan.PlanLines, curves.value())
                      : BuildPlanCoordinates(ScaledLines(plan.PlanLines, factor), curves.value());

    if (request.Origin.find_first_not_of(" \t") == std::string::npos)
        return refusal("Enter the origin point");
    const auto north = coordinateField(request.North, "north");
    if (!north)
        return north.error();
    const auto east = coordinateField(request.East, "east");
    if (!east)
        return east.error();

    const std::int32_t origin = PointLabelToNumber(request.Origin);
    const PointRecord* at = nullptr;
    for (const PointRecord& p : points)
        if (p.Number == origin) {
            at = &p;
            break;
        }
    // A point no line fixed has no position to shift from.
    if (!at || at->Fixed <= 0)
        return refusal(request.Origin + " not found");
    const double shiftEast = east.value() - at->East;
    const double shiftNorth = north.value() - at->North;

    CoordFileResult result;
    result.Path = PlanFile(plan.PlanPath, ".cor");
    for (const PointRecord& p : points) {
        if (p.Fixed <= 0)
            continue;
        if (!request.IncludeMarks && p.Number >= plan.PointNumberLimit)
            continue;
        // Other groups stand at an arbitrary offset from the origin's: their coordinates
        // would mean nothing in its system.
        if (p.Group != at->Group) {
            ++result.OtherGroups;
            continue;
        }
        result.Content += PointNumberToLabel(p.Number) + sep + Format(shiftEast + p.East, "0.000") +
                          sep + Format(shiftNorth + p.North, "0.000") + "\r\n";
        ++result.Written;
    }
    result.Message = "Coordinate file " + result.Path + " created";
    if (result.OtherGroups == 1)
        result.Message += "\n1 fixed point of another group was left out";
    else if (result.OtherGroups > 1)
        result.Message += "\n" + std::to_string(result.OtherGroups) +
                          " fixed points of other groups were left out";
    return result;
}

Result<void> WriteCoordFile(const CoordFileResult& result) {
    if (Result<void> written = WriteFileAtomic(result.Path, result.Content); !written)
        return refusal(written.error().message);
    return {};
}

Result<CoordFileResult> CreateCoordFile(const PlanState& plan, const CoordFileRequest& request) {
    auto result = CoordFileFor(plan, request);
    if (!result)
        return result;
    // A coordinate file may hold coordinates from another origin, or edited by hand.
    if (!request.Replace && FileExists(result.value().Path))
        return refusal("The coordinate file " + result.value().Path + " exists already");
    if (Result<void> written = WriteCoordFile(result.value()); !written)
        return written.error();
    return result;
}

} // namespace corvane

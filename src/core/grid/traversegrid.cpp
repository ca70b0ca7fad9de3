#include "core/grid/traversegrid.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A point line of the polygons file: a whole number within the 32-bit range.
bool readPointLine(const std::string& line, std::int32_t& number) {
    if (!IsNumberText(line))
        return false;
    double v = Val(line);
    if (v != std::trunc(v) || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return false;
    number = static_cast<std::int32_t>(v);
    return true;
}

} // namespace

std::string LineBearingCell(double bearing, bool back) {
    if (bearing > kArcBearingBase)
        return "R" + Format(bearing - kArcBearingBase, "0.000");
    // Not a bearing and not an arc: missing, whatever figure marks it.
    if (bearing > 360)
        return kNoData;
    return back ? ReverseBearing(bearing) : BearingText(bearing);
}

bool FillLineRow(const PlanState& plan, std::vector<GridRow>& rows, int currentRow,
                 std::int32_t from, std::int32_t to, bool closureDone) {
    if (currentRow < 0 || currentRow >= static_cast<int>(rows.size()))
        return false;
    GridRow& row = rows[static_cast<size_t>(currentRow)];

    if (plan.chkArray) {
        const int count = static_cast<int>(plan.PlanLines.size());
        for (int i = 0; i < count; ++i) {
            const LineRecord& line = plan.PlanLines[static_cast<size_t>(i)];
            if (!(line.Distance > 0))
                continue; // marked deleted
            const bool forwards = line.FromPoint == from && line.ToPoint == to;
            const bool backwards = !forwards && line.FromPoint == to && line.ToPoint == from;
            if (!forwards && !backwards)
                continue;
            row[ColDistance] = DistanceText(line.Distance);
            row[ColBearing] = LineBearingCell(line.Bearing, backwards);
            row[ColLink] = Format(i, "0");
            return true;
        }
    }

    // A line typed earlier in this traverse serves again when the traverse passes it twice.
    if (!closureDone) {
        for (int r = 0; r < currentRow; ++r) {
            const GridRow& above = rows[static_cast<size_t>(r)];
            const std::int32_t a = PointLabelToNumber(above[ColFrom]);
            const std::int32_t b = PointLabelToNumber(above[ColTo]);
            const bool forwards = a == from && b == to;
            const bool backwards = !forwards && a == to && b == from;
            if (!forwards && !backwards)
                continue;
            std::string bearing = above[ColBearing];
            // Only a figure has a back bearing: "No Data" stays missing and an arc's radius
            // is the same from either end.
            if (backwards && IsNumberText(bearing))
                bearing = ReverseBearing(Val(bearing));
            row[ColBearing] = bearing;
            row[ColDistance] = above[ColDistance];
            return true;
        }
    }
    return false;
}

Result<std::vector<GridRow>> LoadParcelLines(const PlanState& plan, const std::string& identifier,
                                             bool closureDone) {
    const std::string path = PlanFile(plan.PlanPath, ".ply");
    auto lines = ReadPolygonsFile(path);
    if (!lines)
        return Error{lines.error().message, kLoadParcelTitle};

    std::vector<GridRow> rows;
    std::int32_t previous = 0;
    bool inside = false;
    const auto& text = lines.value();
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string& line = text[i];
        if (line.empty() || !isDigit(line.front())) {
            // A heading starts the next parcel; the same identifier may head more than one
            // block, whose points then follow on in the grid.
            previous = 0;
            inside = QuotedText(line) == identifier;
            continue;
        }
        if (!inside)
            continue; // other parcels' points are not read
        std::int32_t current = 0;
        if (!readPointLine(line, current))
            return Error{"Line " + std::to_string(i + 1) + " of the polygons file " + path +
                             ": the point \"" + line + "\" of parcel " + identifier +
                             " is not a whole point number",
                         kLoadParcelTitle};
        if (previous >= 1) {
            GridRow row;
            row[ColFrom] = PointNumberToLabel(previous);
            row[ColTo] = PointNumberToLabel(current);
            rows.push_back(row);
            const int last = static_cast<int>(rows.size()) - 1;
            if (!FillLineRow(plan, rows, last, previous, current, closureDone)) {
                rows.back()[ColLink].clear();
                rows.back()[ColBearing] = kNoData;
                rows.back()[ColDistance] = kNoData;
            }
        }
        previous = current;
    }
    return rows;
}

} // namespace corvane

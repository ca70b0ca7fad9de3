#include "core/grid/traverse.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>

namespace corvane {

void TraverseGrid::insertRow(int r) {
    syncLinkPairs();
    r = std::clamp(r, 1, dataRows() + 1);
    rows.insert(rows.begin() + (r - 1), GridRow{});
    linkPairs.insert(linkPairs.begin() + (r - 1), std::nullopt);
}

void TraverseGrid::removeRow(int r) {
    syncLinkPairs();
    if (r < 1 || r > dataRows())
        return;
    rows.erase(rows.begin() + (r - 1));
    linkPairs.erase(linkPairs.begin() + (r - 1));
}

void TraverseGrid::setLink(int r, int index, const LineRecord& line) {
    syncLinkPairs();
    cell(r, ColLink) = Format(index, "0");
    linkPairs[static_cast<size_t>(r - 1)] = LinkPair{line.FromPoint, line.ToPoint};
}

void TraverseGrid::clearLink(int r) {
    syncLinkPairs();
    cell(r, ColLink).clear();
    linkPairs[static_cast<size_t>(r - 1)].reset();
}

void TraverseGrid::syncLinkPairs() {
    linkPairs.resize(rows.size());
}

void ClearTraverseGrid(TraverseGrid& grid) {
    grid.rows.assign(1, GridRow{});
    grid.linkPairs.assign(1, std::nullopt);
    grid.row = 1;
    grid.col = 1;
    grid.chkParcel = grid.chkEdit = grid.chkChange = grid.chkClosure = false;
}

int LinkIndex(const GridRow& row) {
    const std::string& text = row[ColLink];
    if (text.empty() || !IsNumberText(text))
        return -1;
    double v = Val(text);
    if (v < 0 || v != std::trunc(v) || v > 2147483647.0)
        return -1;
    return static_cast<int>(v);
}

void SetGridRows(TraverseGrid& grid, GridRows rows, const PlanState& plan) {
    if (rows.empty())
        rows.resize(1);
    grid.rows = std::move(rows);
    grid.linkPairs.assign(grid.rows.size(), std::nullopt);
    const int count = static_cast<int>(plan.PlanLines.size());
    for (size_t i = 0; i < grid.rows.size(); ++i) {
        int link = LinkIndex(grid.rows[i]);
        if (link >= 0 && link < count) {
            const LineRecord& line = plan.PlanLines[static_cast<size_t>(link)];
            grid.linkPairs[i] = LinkPair{line.FromPoint, line.ToPoint};
        }
    }
    grid.row = 1;
    grid.col = 1;
}

void MarkChanged(TraverseGrid& grid) {
    grid.chkChange = true;
    grid.chkClosure = false;
}

std::optional<std::int32_t> TravFreePoint(const TraverseGrid& grid, const PlanState& plan) {
    const std::int32_t limit = plan.PointNumberLimit;
    std::int32_t highest = 0;
    auto consider = [&](std::int32_t n) {
        if (n < limit && n > highest)
            highest = n;
    };
    if (plan.chkArray) {
        for (const LineRecord& line : plan.PlanLines) {
            consider(line.FromPoint);
            consider(line.ToPoint);
        }
    }
    for (const GridRow& row : grid.rows) {
        consider(PointLabelToNumber(row[ColFrom]));
        consider(PointLabelToNumber(row[ColTo]));
    }
    if (highest + 1 >= limit)
        return std::nullopt;
    return highest + 1;
}

namespace {

// The bearing cell of a stored line seen from the asked direction.
std::string storedBearingCell(double bearing, bool backwards) {
    if (bearing > kArcBearingBase)
        return "R" + Format(bearing - kArcBearingBase, "0.0000");
    if (bearing > 360)
        return kNoData;
    return backwards ? ReverseBearing(bearing) : BearingText(bearing);
}

} // namespace

int CheckArray(TraverseGrid& grid, PlanState& plan, int trow) {
    if (trow < 1 || trow > grid.dataRows())
        return 0;
    const std::int32_t from = PointLabelToNumber(grid.cell(trow, ColFrom));
    const std::int32_t to = PointLabelToNumber(grid.cell(trow, ColTo));
    const int count = static_cast<int>(plan.PlanLines.size());
    for (int i = 0; i < count; ++i) {
        LineRecord& line = plan.PlanLines[static_cast<size_t>(i)];
        const bool forwards = line.FromPoint == from && line.ToPoint == to;
        const bool backwards = !forwards && line.FromPoint == to && line.ToPoint == from;
        if (!forwards && !backwards)
            continue;
        grid.setLink(trow, i, line);
        grid.cell(trow, ColBearing) = storedBearingCell(line.Bearing, backwards);
        // Typing a line that was deleted in this window brings it back.
        if (line.Distance < 0)
            line.Distance = -line.Distance;
        grid.cell(trow, ColDistance) = DistanceText(line.Distance);
        return 1;
    }
    return 0;
}

int CheckForRepeat(TraverseGrid& grid, int trow) {
    if (trow < 1 || trow > grid.dataRows())
        return 0;
    const std::int32_t from = PointLabelToNumber(grid.cell(trow, ColFrom));
    const std::int32_t to = PointLabelToNumber(grid.cell(trow, ColTo));
    for (int r = 1; r < trow; ++r) {
        const std::int32_t a = PointLabelToNumber(grid.cell(r, ColFrom));
        const std::int32_t b = PointLabelToNumber(grid.cell(r, ColTo));
        const bool forwards = a == from && b == to;
        const bool backwards = !forwards && a == to && b == from;
        if (!forwards && !backwards)
            continue;
        std::string bearing = grid.cell(r, ColBearing);
        // Only a figure has a back bearing: "No Data" stays missing and an arc's radius is
        // the same from either end.
        if (backwards && IsNumberText(bearing))
            bearing = ReverseBearing(Val(bearing));
        grid.cell(trow, ColBearing) = bearing;
        grid.cell(trow, ColDistance) = grid.cell(r, ColDistance);
        return 1;
    }
    return 0;
}

void GetLastEntry(TraverseGrid& grid) {
    const int r = grid.row;
    if (r <= 1 || r > grid.dataRows())
        return;
    switch (grid.col) {
    case ColFrom:
        grid.cell(r, ColFrom) = grid.cell(r - 1, ColTo);
        break;
    case ColBearing:
        grid.cell(r, ColBearing) = grid.cell(r - 1, ColBearing);
        break;
    case ColDistance:
        grid.cell(r, ColDistance) = grid.cell(r - 1, ColDistance);
        break;
    default:
        break;
    }
}

void UndoTraverse(TraverseGrid& grid) {
    const int r = grid.row;
    if (r < 1 || r > grid.dataRows())
        return;
    if (grid.kind == GridKind::Marks || grid.kind == GridKind::Scaled) {
        // A list of separate lines: an empty last row is taken away.
        const GridRow& row = grid.at(r);
        const bool empty = row[1].empty() && row[2].empty() && row[3].empty() && row[4].empty();
        if (r >= 2 && empty) {
            grid.removeRow(r);
            grid.row = r - 1;
        }
        return;
    }
    const int last = LastEntryColumn(grid.kind);
    switch (grid.col) {
    case ColWidth:
        grid.col = ColDistance;
        grid.cell(r, ColDistance).clear();
        break;
    case ColDistance:
        grid.col = ColBearing;
        grid.cell(r, ColBearing).clear();
        break;
    case ColBearing:
        grid.clearLink(r);
        grid.cell(r, ColTo).clear();
        grid.col = ColTo;
        break;
    case ColTo:
        if (r >= 2) {
            grid.removeRow(r);
            grid.row = r - 1;
            grid.cell(grid.row, last).clear();
            grid.col = last;
        }
        break;
    default:
        break;
    }
}

void LastGridLine(TraverseGrid& grid) {
    while (grid.dataRows() >= 2 && grid.cell(grid.dataRows(), ColDistance).empty())
        grid.removeRow(grid.dataRows());
    grid.row = grid.dataRows();
    if (grid.dataRows() >= 2)
        grid.col = ColDistance;
}

bool StorablePointCell(std::string_view cell) {
    if (ValidPointLabel(cell))
        return true;
    // A polygons file may hold a ten-digit point number, longer than a typed label.
    if (cell.empty())
        return false;
    for (char c : cell)
        if (c < '0' || c > '9')
            return false;
    return PointLabelToNumber(cell) > 0;
}

SequenceCheck CheckSequence(const TraverseGrid& grid, bool showmsg) {
    SequenceCheck result;
    if (grid.dataRows() < 2)
        return result;
    for (int r = 1; r <= grid.dataRows(); ++r) {
        // A row without a point (an inserted row not yet filled) would be stored as point 0;
        // coded numbers, so that a break between two marks ("PM1" to "PM2") is seen.
        const bool noPoint =
            !StorablePointCell(grid.cell(r, ColFrom)) || !StorablePointCell(grid.cell(r, ColTo));
        if (noPoint || (r >= 2 && PointLabelToNumber(grid.cell(r - 1, ColTo)) !=
                                      PointLabelToNumber(grid.cell(r, ColFrom)))) {
            if (showmsg)
                result.message =
                    Error{"Break in point sequence detected\nat point " + grid.cell(r, ColFrom),
                          "Parcel error", Icon::Exclamation};
            return result;
        }
    }
    result.ok = true;
    return result;
}

bool IsMissingData(const TraverseGrid& grid) {
    for (const GridRow& row : grid.rows)
        if (row[ColBearing] == kNoData || row[ColDistance] == kNoData)
            return true;
    return false;
}

int SearchGrid(TraverseGrid& grid, SearchOption option, const std::string& stext) {
    const int n = grid.dataRows();
    auto matchAt = [&](int r) -> int {
        switch (option) {
        case SearchOption::Bearing:
            return grid.cell(r, ColBearing) == stext ? ColBearing : 0;
        case SearchOption::Distance:
            return grid.cell(r, ColDistance) == stext ? ColDistance : 0;
        case SearchOption::PointNo:
            if (grid.cell(r, ColTo) == stext)
                return ColTo;
            return grid.cell(r, ColFrom) == stext ? ColFrom : 0;
        }
        return 0;
    };
    auto tryRow = [&](int r) {
        int c = matchAt(r);
        if (c == 0)
            return false;
        grid.row = r;
        grid.col = c;
        return true;
    };
    const int current = std::clamp(grid.row, 1, std::max(n, 1));
    for (int r = current + 1; r <= n; ++r)
        if (tryRow(r))
            return r;
    for (int r = 1; r < current; ++r)
        if (tryRow(r))
            return r;
    return 0;
}

Result<int> FindInGrid(TraverseGrid& grid, SearchOption option, std::string_view text) {
    if (text.empty())
        return Error{"Nothing to find", "Find error", Icon::Exclamation};
    std::string stext(text);
    switch (option) {
    case SearchOption::Bearing:
        if (stext != kNoData)
            stext = Format(Val(stext), "0.0000");
        grid.col = ColBearing;
        break;
    case SearchOption::Distance:
        if (stext != kNoData)
            stext = Format(Val(stext), "0.000");
        grid.col = ColDistance;
        break;
    case SearchOption::PointNo:
        // Point cells are stored in upper case.
        stext = UpperCase(stext);
        grid.col = ColTo;
        break;
    }
    const int row = SearchGrid(grid, option, stext);
    if (row == 0)
        return Error{"Nothing found", "Find Text", Icon::Exclamation};
    return row;
}

} // namespace corvane

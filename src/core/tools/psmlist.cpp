#include "core/tools/psmlist.h"

#include "core/base/numtext.h"
#include "core/files/linesfile.h"
#include "core/geometry/markjoins.h"
#include "core/grid/lineindex.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "core/tools/cellcheck.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace corvane {

namespace {

constexpr const char* kCheckTitle = "PSM line error";
constexpr const char* kSaveLinesTitle = "Error saving lines";

bool emptyRow(const GridRow& row) {
    return EmptyCells(row, ColCorner, ColMarkNumber);
}

// The corner of a row: a point numbered from 1 to the limit. A mark's label ("PM 12") is
// read by its coded number, which lies above the limit: a mark is no corner.
std::optional<std::int32_t> cornerNumber(const std::string& text, std::int32_t limit) {
    const auto value = PointLabelValue(text);
    if (!value || *value < 1 || *value > limit)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

// The mark of a row: its label as every point is typed ("PM1234"), or the coded number as
// digits (the "/" of the written form was dropped on entry), above the limit and within the
// 32 bits a point number is stored in.
std::optional<std::int32_t> markNumber(const std::string& text, std::int32_t limit) {
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    if (text.front() >= '0' && text.front() <= '9') {
        for (char c : text) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
            if (value > 2147483647)
                return std::nullopt;
        }
    } else {
        if (!ValidPointLabel(text))
            return std::nullopt;
        value = PointLabelToNumber(text);
    }
    if (value <= limit)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

PsmCheck failAt(TraverseGrid& grid, const char* what, int r, int c) {
    return RefuseCell(grid, what, r, c, kCheckTitle);
}

// A row as the line it stores: from the mark to the corner. nullopt for a row that cannot
// be stored (the check refuses it).
std::optional<LineRecord> rowLine(const GridRow& row, std::int32_t limit) {
    const auto corner = cornerNumber(row[ColCorner], limit);
    const auto mark = markNumber(row[ColMarkNumber], limit);
    if (!corner || !mark || !StorableBearingCell(row[ColMarkBearing]) ||
        !StorableDistanceCell(row[ColMarkDistance]))
        return std::nullopt;
    LineRecord line;
    line.FromPoint = *mark;
    line.ToPoint = *corner;
    line.Bearing = Val(row[ColMarkBearing]);
    line.Distance = Val(row[ColMarkDistance]);
    return line;
}

} // namespace

GridRows LoadPSMRows(const PlanState& plan) {
    GridRows rows;
    for (const MarkJoin& join : LoadMarkJoins(plan)) {
        // A line to point 0 or below joins no corner.
        if (join.Point < 1)
            continue;
        GridRow row;
        row[ColLink] = Format(join.Index, "0");
        row[ColCorner] = Format(join.Point, "0");
        row[ColMarkBearing] = join.Bearing;
        row[ColMarkDistance] = join.Distance;
        // A stored number whose label names no mark (44440 reads "PM0") is shown as its
        // digits, so an unchanged list is stored back as it was.
        const std::string label = PointNumberToLabel(join.Mark);
        row[ColMarkNumber] = ValidPointLabel(label) ? label : Format(join.Mark, "0");
        rows.push_back(std::move(row));
    }
    return rows;
}

void LastPSMLine(TraverseGrid& grid) {
    while (grid.dataRows() >= 2 && grid.cell(grid.dataRows(), ColMarkNumber).empty())
        grid.removeRow(grid.dataRows());
    grid.row = std::clamp(grid.row, 1, grid.dataRows());
}

PsmCheck CheckPSMLines(TraverseGrid& grid, const PlanState& plan) {
    LastPSMLine(grid);
    const std::int32_t limit = plan.PointNumberLimit;
    if (grid.dataRows() == 1 && emptyRow(grid.at(1)))
        return {true, std::nullopt, 0, 0};
    for (int r = 1; r <= grid.dataRows(); ++r) {
        const GridRow& row = grid.at(r);
        if (!cornerNumber(row[ColCorner], limit))
            return failAt(grid, "corner number", r, ColCorner);
        if (!StorableDistanceCell(row[ColMarkDistance]))
            return failAt(grid, "distance", r, ColMarkDistance);
        if (!StorableBearingCell(row[ColMarkBearing]))
            return failAt(grid, "bearing", r, ColMarkBearing);
        if (!markNumber(row[ColMarkNumber], limit))
            return failAt(grid, "PSM number", r, ColMarkNumber);
    }
    return {true, std::nullopt, 0, 0};
}

Result<void> SavePSMLines(TraverseGrid& grid, PlanState& plan,
                          const std::vector<LinkPair>& deleted) {
    // The copy in memory after a refused load is not the file: storing rows in it and
    // writing it would lose the lines the file still holds.
    if (plan.LinesLoadFailed)
        return Error{"The lines were not saved. " + LinesNotLoadedMessage(plan), kSaveLinesTitle};
    if (!LinesCurrent(plan)) {
        Result<void> loaded = LoadLines(plan);
        if (!loaded)
            return loaded;
        // The lines were let go since the rows were deleted: the fresh copy is marked again,
        // so the deletions are not lost.
        for (LineRecord& line : plan.PlanLines)
            for (const LinkPair& pair : deleted)
                if (pair.joins(line) && line.Distance > 0)
                    line.Distance = -line.Distance;
    }
    grid.syncLinkPairs();
    const std::int32_t limit = plan.PointNumberLimit;
    const std::vector<LineRecord> before = plan.PlanLines;
    const int rows = grid.dataRows();
    std::vector<int> stored(static_cast<size_t>(rows), -1); // the line each row was stored in
    std::vector<bool> held(plan.PlanLines.size(), false);   // lines a row of the list stored
    // Row r's figures written into stored line `link`, which that row now holds.
    auto storeRow = [&](int r, int link, const LineRecord& line) {
        LineRecord& target = plan.PlanLines[static_cast<size_t>(link)];
        target.FromPoint = line.FromPoint;
        target.ToPoint = line.ToPoint;
        target.Bearing = line.Bearing;
        target.Distance = line.Distance;
        held[static_cast<size_t>(link)] = true;
        stored[static_cast<size_t>(r - 1)] = link;
    };

    // Linked rows first: each rewrites its own line, from the mark to the corner.
    {
        const LinePairIndex index(plan.PlanLines);
        for (int r = 1; r <= rows; ++r) {
            const auto line = rowLine(grid.at(r), limit);
            const int link = line ? ResolveIndexedLink(grid, plan, index, r) : -1;
            if (link < 0)
                continue;
            storeRow(r, link, *line);
        }
    }
    // Then the rows typed anew, against the lines as the linked rows left them.
    LinePairIndex index(plan.PlanLines);
    for (int r = 1; r <= rows; ++r) {
        if (stored[static_cast<size_t>(r - 1)] >= 0)
            continue;
        const auto line = rowLine(grid.at(r), limit);
        if (!line)
            continue;
        const int existing = LiveLine(index, line->FromPoint, line->ToPoint);
        if (existing >= 0) {
            // The connection is stored already, either way round. A row of the list holds
            // it and decides its figures; a line the list does not show (no bearing) takes
            // this row's.
            if (held[static_cast<size_t>(existing)])
                continue;
            storeRow(r, existing, *line);
            continue;
        }
        const int added = static_cast<int>(plan.PlanLines.size());
        plan.PlanLines.push_back(*line);
        held.push_back(true);
        index.Add(static_cast<size_t>(added), *line);
        stored[static_cast<size_t>(r - 1)] = added;
    }

    Result<void> saved = SaveLines(plan);
    if (!saved) {
        // The rows stay in the grid to be saved again or cancelled: PlanLines goes back to
        // what it held, lines marked deleted still marked.
        plan.PlanLines = before;
        return saved;
    }

    // The file no longer holds the lines marked deleted: they leave PlanLines too, so that
    // no later cancel can restore them, and the rows link to their lines' new places.
    const std::vector<int> moved = DropUnsavedLines(plan.PlanLines);
    plan.chkArray = !plan.PlanLines.empty();
    for (int r = 1; r <= rows; ++r) {
        const int line = stored[static_cast<size_t>(r - 1)];
        const int to = line < 0 ? -1 : moved[static_cast<size_t>(line)];
        if (to < 0)
            grid.clearLink(r);
        else
            grid.setLink(r, to, plan.PlanLines[static_cast<size_t>(to)]);
    }
    grid.chkChange = false;
    return {};
}

bool DeletePSMRow(TraverseGrid& grid, PlanState& plan, std::vector<LinkPair>* deleted) {
    grid.syncLinkPairs();
    if (grid.row < 1 || grid.row > grid.dataRows())
        return false;
    if (auto index = ResolveLink(grid, plan, grid.row)) {
        LineRecord& line = plan.PlanLines[static_cast<size_t>(*index)];
        // Marked once: negating a line already marked would bring it back.
        if (line.Distance > 0)
            line.Distance = -line.Distance;
        if (deleted)
            deleted->push_back(LinkPair{line.FromPoint, line.ToPoint});
    }
    if (grid.dataRows() == 1) {
        grid.at(1) = GridRow{};
        grid.clearLink(1);
    } else {
        grid.removeRow(grid.row);
        grid.row = std::min(grid.row, grid.dataRows());
    }
    MarkChanged(grid);
    return true;
}

void CancelPSM(TraverseGrid& grid, PlanState& plan) {
    if (!plan.chkArray || !grid.chkChange)
        return;
    for (LineRecord& line : plan.PlanLines)
        if (line.Distance < 0)
            line.Distance = -line.Distance;
}

std::vector<PrintLine> PSMPrintLines(const TraverseGrid& grid, const std::string& planPath) {
    std::vector<PrintLine> out;
    const bool any = std::any_of(grid.rows.begin(), grid.rows.end(),
                                 [](const GridRow& row) { return !emptyRow(row); });
    if (!any)
        return out;
    out.reserve(grid.rows.size() + 4);
    out.push_back(TabLine(10, "Permanent Survey Marks List for " + planPath));
    out.emplace_back();
    out.push_back(
        PrintLine().tab(10, "Corner").tab(25, "Bearing").tab(40, "Distance").tab(55, "PSM Number"));
    out.emplace_back();
    for (const GridRow& row : grid.rows) {
        if (emptyRow(row))
            continue;
        out.push_back(PrintLine()
                          .tab(10, row[ColCorner])
                          .tab(25, row[ColMarkBearing])
                          .tab(40, row[ColMarkDistance])
                          .tab(55, row[ColMarkNumber]));
    }
    return out;
}

Error PsmNothingToPrintMessage() {
    return {"Nothing to print", "Print PSM List error", Icon::Exclamation};
}

} // namespace corvane

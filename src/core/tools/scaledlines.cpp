#include "core/tools/scaledlines.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/files/scaledfile.h"
#include "core/model/bearing.h"
#include "core/model/records.h"
#include "core/tools/cellcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace corvane {

namespace {

constexpr const char* kReadTitle = "Error reading scaled lines";
constexpr const char* kReplaceTitle = "Replace Scaled data error";
constexpr const char* kAddTitle = "Add Scaled lines error";
constexpr const char* kCheckTitle = "Scaled line error";

Result<ScaledFile> parseFile(const std::string& path, const char* title) {
    auto file = ReadScaledFile(path);
    if (!file)
        return Error{file.error().message, title};
    return file;
}

enum class RecordKind { Vertex, Start, End, Line };

RecordKind kindOf(const ScaledRecord& r) {
    if (r.From <= 0 && r.To <= 0)
        return RecordKind::Vertex;
    if (r.To <= 0)
        return RecordKind::Start;
    if (r.From <= 0)
        return RecordKind::End;
    return RecordKind::Line;
}

// A run of digitized records: a string from its start record to its end record, or what a
// file holds of one, so that every record has a row that carries it. A start record begins
// a run (a string left without its end record is a run of its own); an end record closes
// the open run; a vertex or an end record outside a string begins a run of its own. Runs are
// numbered 1, 2, ... in file order, which for strings that end is the order of their start
// records. A scaled line standing among a string's records is no part of the run.
struct DigitizedRun {
    int number = 0;
    std::vector<size_t> records;
    std::optional<std::int32_t> first; // the start record's point
    std::optional<std::int32_t> last;  // the end record's point
};

std::vector<DigitizedRun> digitizedRuns(const ScaledFile& file) {
    std::vector<DigitizedRun> runs;
    bool open = false;
    auto begin = [&] {
        runs.emplace_back();
        runs.back().number = static_cast<int>(runs.size());
        open = true;
    };
    for (size_t i = 0; i < file.Records.size(); ++i) {
        if (!file.Records[i])
            continue;
        const ScaledRecord& r = *file.Records[i];
        switch (kindOf(r)) {
        case RecordKind::Start:
            begin();
            runs.back().first = r.From;
            break;
        case RecordKind::Vertex:
            if (!open)
                begin();
            break;
        case RecordKind::End:
            if (!open)
                begin();
            runs.back().last = r.To;
            open = false;
            break;
        case RecordKind::Line:
            continue;
        }
        runs.back().records.push_back(i);
    }
    return runs;
}

std::string lineKey(const std::string& from, const std::string& to, const std::string& bearing,
                    const std::string& distance) {
    return from + "," + to + "," + bearing + "," + distance;
}

bool emptyRow(const GridRow& row) {
    return EmptyCells(row, ColFrom, ColDistance);
}

bool isStringRow(const GridRow& row) {
    return !row[ColLink].empty();
}

bool pointCell(const std::string& text) {
    if (!IsNumberText(text))
        return false;
    const auto v = FiniteVal(text);
    return v && *v >= 1 && *v == std::trunc(*v) && *v <= 2147483647.0;
}

ScaledCheck failAt(TraverseGrid& grid, const char* what, int r, int c) {
    return RefuseCell(grid, what, r, c, kCheckTitle);
}

bool completeLineRow(const GridRow& row) {
    if (isStringRow(row))
        return false;
    for (int c = ColFrom; c <= ColDistance; ++c)
        if (row[static_cast<size_t>(c)].empty())
            return false;
    return true;
}

std::string lineRecordText(const GridRow& row) {
    return lineKey(row[ColFrom], row[ColTo], row[ColBearing], row[ColDistance]);
}

} // namespace

Result<GridRows> ReadScaledRows(const std::string& planPath) {
    const std::string path = PlanFile(planPath, ".sca");
    GridRows rows;
    if (!FileExists(path))
        return rows;
    auto parsed = parseFile(path, kReadTitle);
    if (!parsed)
        return parsed.error();
    const ScaledFile& file = parsed.value();
    // A run is shown where its last record stands (a string where its end record stands).
    std::unordered_map<size_t, const DigitizedRun*> endings;
    const std::vector<DigitizedRun> runs = digitizedRuns(file);
    for (const DigitizedRun& run : runs)
        endings.emplace(run.records.back(), &run);
    auto pointText = [](const std::optional<std::int32_t>& point) {
        return point ? Format(*point, "0") : std::string();
    };
    for (size_t i = 0; i < file.Records.size(); ++i) {
        if (!file.Records[i])
            continue;
        const ScaledRecord& r = *file.Records[i];
        if (kindOf(r) == RecordKind::Line) {
            // Only these rows are shown rounded ("0.0000", "0.000"); a save writes the
            // file's own figures back for a row left as it was shown.
            rows.push_back(GridRow{"", Format(r.From, "0"), Format(r.To, "0"),
                                   Format(r.Third, "0.0000"), Format(r.Fourth, "0.000")});
            continue;
        }
        auto it = endings.find(i);
        if (it == endings.end())
            continue;
        const DigitizedRun& run = *it->second;
        rows.push_back(GridRow{Format(run.number, "0"), pointText(run.first), pointText(run.last),
                               kDigitized, kDigitized});
    }
    return rows;
}

Result<void> LoadScaledGrid(TraverseGrid& grid, const std::string& planPath) {
    grid.kind = GridKind::Scaled;
    ClearTraverseGrid(grid);
    auto rows = ReadScaledRows(planPath);
    if (!rows)
        return rows.error();
    if (!rows.value().empty()) {
        // Column 0 holds string numbers, not links to stored lines: no link pairs.
        grid.rows = std::move(rows).value();
        grid.linkPairs.assign(grid.rows.size(), std::nullopt);
    }
    return {};
}

ScaledCheck CheckScaledLines(TraverseGrid& grid) {
    while (grid.dataRows() >= 2 && grid.cell(grid.dataRows(), ColDistance).empty())
        grid.removeRow(grid.dataRows());
    grid.row = std::clamp(grid.row, 1, grid.dataRows());
    if (grid.dataRows() == 1 && emptyRow(grid.at(1)))
        return {true, std::nullopt, 0, 0};
    for (int r = 1; r <= grid.dataRows(); ++r) {
        const GridRow& row = grid.at(r);
        if (isStringRow(row))
            continue;
        if (!pointCell(row[ColFrom]))
            return failAt(grid, "point number", r, ColFrom);
        if (!pointCell(row[ColTo]))
            return failAt(grid, "point number", r, ColTo);
        if (!StorableBearingCell(row[ColBearing]))
            return failAt(grid, "bearing", r, ColBearing);
        if (!StorableDistanceCell(row[ColDistance]))
            return failAt(grid, "distance", r, ColDistance);
    }
    return {true, std::nullopt, 0, 0};
}

Result<void> SaveScaledLines(const TraverseGrid& grid, const std::string& planPath) {
    const std::string path = PlanFile(planPath, ".sca");
    std::vector<std::string> out;
    out.reserve(grid.rows.size());
    if (!FileExists(path)) {
        for (const GridRow& row : grid.rows)
            if (completeLineRow(row))
                out.push_back(lineRecordText(row));
        Result<void> written = WriteLinesAtomic(path, out);
        if (!written)
            return Error{written.error().message, kAddTitle};
        return {};
    }

    // The previous file is read once: it is the backup's content, and the strings are
    // copied from it text for text.
    auto parsed = parseFile(path, kReplaceTitle);
    if (!parsed)
        return parsed.error();
    const ScaledFile& file = parsed.value();

    // Each run's records, copied text for text (a scaled line standing among them is
    // written from its own row).
    std::unordered_map<int, std::vector<size_t>> strings;
    for (DigitizedRun& run : digitizedRuns(file))
        strings.emplace(run.number, std::move(run.records));
    // The scaled lines as the grid showed them, each with the record it was read from: a row
    // still showing a record's rounded figures is written with the record's own text, so a
    // save never rounds what the user did not retype.
    std::unordered_map<std::string, std::vector<size_t>> shown;
    for (size_t i = file.Records.size(); i-- > 0;) {
        const auto& r = file.Records[i];
        if (r && kindOf(*r) == RecordKind::Line)
            shown[lineKey(Format(r->From, "0"), Format(r->To, "0"), Format(r->Third, "0.0000"),
                          Format(r->Fourth, "0.000"))]
                .push_back(i);
    }
    for (const GridRow& row : grid.rows) {
        if (completeLineRow(row)) {
            auto it =
                shown.find(lineKey(row[ColFrom], row[ColTo], row[ColBearing], row[ColDistance]));
            if (it != shown.end() && !it->second.empty()) {
                out.push_back(file.Text[it->second.back()]);
                it->second.pop_back();
            } else {
                out.push_back(lineRecordText(row));
            }
            continue;
        }
        if (!isStringRow(row))
            continue;
        auto it = strings.find(static_cast<int>(Val(row[ColLink])));
        if (it == strings.end())
            continue;
        for (size_t i : it->second)
            out.push_back(file.Text[i]);
        // A run is written once, even if its row was somehow doubled.
        strings.erase(it);
    }
    // The backup and the new file are put in place together: the backup always holds the
    // file as it was just before this save.
    Result<void> written =
        CommitFiles(planPath, {{ResolveFileName(planPath + ".~ca"), JoinLines(file.Text)},
                               {path, JoinLines(out)}});
    if (!written)
        return Error{written.error().message, kReplaceTitle};
    return {};
}

ScaledDeleteRule ScaledDeleteCheck(const TraverseGrid& grid) {
    ScaledDeleteRule rule;
    if (grid.dataRows() < 2 || grid.row < 1 || grid.row > grid.dataRows())
        return rule;
    rule.allowed = true;
    const GridRow& row = grid.at(grid.row);
    rule.confirm = row[ColBearing] == kDigitized || row[ColDistance] == kDigitized;
    return rule;
}

bool DeleteScaledRow(TraverseGrid& grid) {
    if (!ScaledDeleteCheck(grid).allowed)
        return false;
    grid.removeRow(grid.row);
    grid.row = std::min(grid.row, grid.dataRows());
    MarkChanged(grid);
    return true;
}

std::vector<PrintLine> ScaledPrintLines(const GridRows& rows, const std::string& planPath) {
    std::vector<PrintLine> out;
    out.reserve(rows.size() + 6);
    for (int i = 0; i < 3; ++i)
        out.emplace_back();
    out.push_back(TabLine(12, "List of Scaled Lines for " + planPath));
    out.emplace_back();
    out.push_back(PrintLine().tab(12, "From").tab(24, "To").tab(36, "Bearing").tab(48, "Distance"));
    for (const GridRow& row : rows) {
        if (emptyRow(row))
            continue;
        out.push_back(PrintLine()
                          .tab(12, row[ColFrom])
                          .tab(24, row[ColTo])
                          .tab(36, row[ColBearing])
                          .tab(48, row[ColDistance]));
    }
    return out;
}

} // namespace corvane

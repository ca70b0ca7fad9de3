#include "core/grid/traverse_save.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/planlock.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/grid/lineindex.h"
#include "core/grid/traverse_edit.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>

#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

constexpr const char* kUpdatePolygonsTitle = "Update polygons file error";
constexpr const char* kSaveParcelTitle = "Saving Parcel error";
constexpr const char* kSaveLineOrderTitle = "Save Line Order error";

// True when the stored line joins the row's two points, either way round.
bool joinsRow(const LineRecord& line, const LineRecord& row) {
    return LinkPair{row.FromPoint, row.ToPoint}.joins(line);
}

// A row's bearing and distance written into a stored line that joins the same points.
void updateLine(LineRecord& line, const LineRecord& row) {
    if (line.FromPoint == row.FromPoint && line.ToPoint == row.ToPoint) {
        line.Bearing = row.Bearing;
    } else {
        double b = row.Bearing;
        // Only a figure turns: "No Data" and an arc's radius are the same from either end.
        if (b <= 360) {
            b += 180;
            if (b >= 360)
                b -= 360;
        }
        line.Bearing = b;
    }
    line.Distance = row.Distance;
}

void gridChanges(TraverseGrid& grid, PlanState& plan, int lastline, const LinePairIndex& index) {
    grid.syncLinkPairs();
    lastline = std::min(lastline, grid.dataRows());
    for (int r = 1; r <= lastline; ++r) {
        const int link = ResolveIndexedLink(grid, plan, index, r);
        if (link < 0)
            continue;
        LineRecord& line = plan.PlanLines[static_cast<size_t>(link)];
        const LineRecord row = RowToLine(grid.at(r));
        if (!joinsRow(line, row)) {
            // The row's points were changed: the stored line may be walked by another
            // parcel and stays as it is; the row is a line of its own.
            grid.clearLink(r);
            continue;
        }
        updateLine(line, row);
        grid.linkPairs[static_cast<size_t>(r - 1)] = LinkPair{line.FromPoint, line.ToPoint};
    }
}

std::vector<std::string> parcelRecords(const TraverseGrid& grid, double area,
                                       const std::string& areacode) {
    std::vector<std::string> out;
    out.reserve(grid.rows.size() + 2);
    out.push_back(FormatHeading(grid.caption, area, areacode));
    for (const GridRow& row : grid.rows)
        out.push_back(Format(PointLabelToNumber(row[ColFrom]), "0"));
    if (!grid.rows.empty())
        out.push_back(Format(PointLabelToNumber(grid.rows.back()[ColTo]), "0"));
    return out;
}

// The question that offers a computed area in place of the stored one. Where the two
// differ but look alike in their displayed form the area is given to a tenth of a square
// metre, so that the question shows the change it asks about.
std::string areaQuestion(double area, double stored) {
    std::string text = FormatArea(area, 0);
    if (text == FormatArea(stored, 0) && !AreasAgree(area, stored))
        text = Format(area, "0.0") + " " + kSquareMetres;
    return "Change area to " + text + " ?";
}

// PlanLines must hold the lines file before lines are added to it and it is written over
// the file: a stale or empty copy would lose every line the grid does not hold.
Result<void> ensureLinesCurrent(PlanState& plan) {
    return EnsureLinesCurrent(plan);
}

// Once the lines file is written, the lines it no longer holds (deleted, or without a
// distance) leave PlanLines too, so that nothing can restore them and write them back. The
// grid's links follow the lines that stay.
void dropUnsavedLines(TraverseGrid& grid, PlanState& plan) {
    const size_t before = plan.PlanLines.size();
    const std::vector<int> moved = DropUnsavedLines(plan.PlanLines);
    if (plan.PlanLines.size() == before)
        return;
    grid.syncLinkPairs();
    for (int r = 1; r <= grid.dataRows(); ++r) {
        const int link = LinkIndex(grid.at(r));
        if (link < 0)
            continue;
        const int to =
            link < static_cast<int>(moved.size()) ? moved[static_cast<size_t>(link)] : -1;
        if (to < 0) {
            grid.clearLink(r);
            continue;
        }
        grid.cell(r, ColLink) = Format(to, "0");
    }
}

void restoreMarkedLines(PlanState& plan) {
    for (LineRecord& line : plan.PlanLines)
        if (line.Distance < 0)
            line.Distance = -line.Distance;
}

} // namespace

LineRecord RowToLine(const GridRow& row) {
    LineRecord line;
    line.FromPoint = PointLabelToNumber(row[ColFrom]);
    line.ToPoint = PointLabelToNumber(row[ColTo]);
    const std::string& bearing = row[ColBearing];
    // A bearing never entered is missing, not north.
    if (bearing == kNoData || bearing.empty())
        line.Bearing = kMissingBearing;
    else if (!bearing.empty() && bearing.front() == 'R')
        line.Bearing = Val(std::string_view(bearing).substr(1)) + kArcBearingBase;
    else
        line.Bearing = Val(bearing);
    line.Distance = Val(row[ColDistance]);
    return line;
}

void GridChanges(TraverseGrid& grid, PlanState& plan, int lastline) {
    gridChanges(grid, plan, lastline, LinePairIndex(plan.PlanLines));
}

void Grid2Array(TraverseGrid& grid, PlanState& plan) {
    LastGridLine(grid);
    const int n = grid.dataRows();
    gridChanges(grid, plan, n, LinePairIndex(plan.PlanLines));
    // Indexed after the changes, which may have moved lines to other points.
    LinePairIndex index(plan.PlanLines);
    for (int r = 1; r <= n; ++r) {
        if (!grid.cell(r, ColLink).empty())
            continue;
        for (int c : {ColFrom, ColTo})
            if (grid.cell(r, c).size() > 9)
                grid.cell(r, c).resize(9);
        // A row without a point to store (an inserted row left empty) adds nothing.
        if (!StorablePointCell(grid.cell(r, ColFrom)) || !StorablePointCell(grid.cell(r, ColTo)))
            continue;
        const LineRecord row = RowToLine(grid.at(r));
        if (!(row.Distance > 0))
            continue;
        const int existing = LiveLine(index, row.FromPoint, row.ToPoint);
        if (existing >= 0) {
            // The line is stored already (typed while the lines were not loaded, or twice
            // in this traverse): it takes the row's figures instead of being stored twice.
            updateLine(plan.PlanLines[static_cast<size_t>(existing)], row);
            continue;
        }
        plan.PlanLines.push_back(row);
        index.Add(plan.PlanLines.size() - 1, row);
    }
}

void ReplaceLines(const TraverseGrid& grid, PlanState& plan) {
    plan.PlanLines.clear();
    plan.PlanLines.reserve(grid.rows.size());
    for (const GridRow& row : grid.rows)
        plan.PlanLines.push_back(RowToLine(row));
}

void QueryDeletes(PlanState& plan, int parcelCount, const QuestionFn& ask) {
    bool marked = false;
    for (const LineRecord& line : plan.PlanLines)
        if (line.Distance < 0) {
            marked = true;
            break;
        }
    if (!marked || parcelCount < 2)
        return;
    if (ask && ask("You have deleted points in this parcel.\nDo you wish to delete the line "
                   "data as well ?",
                   "Delete Lines") == Reply::Yes)
        return;
    restoreMarkedLines(plan);
}

namespace {

std::string unstorableArea(const TraverseGrid& grid, double area) {
    return "The parcel " + grid.caption + " was not saved: its area " + GeneralText(area) +
           " cannot be stored (an area lies from 0 to " + GeneralText(kMaxArea) + " square metres)";
}

Result<StagedFile> stageSaveParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                                   const std::string& areacode) {
    if (!StorableArea(area))
        return Error{unstorableArea(grid, area), kSaveParcelTitle};
    const std::string path = PlanFile(plan.PlanPath, ".ply");
    auto content = AppendedContent(path, parcelRecords(grid, area, areacode));
    if (!content)
        return Error{content.error().message, kSaveParcelTitle};
    return StagedFile{path, std::move(content).value()};
}

Result<StagedFile> stageUpdateParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                                     const std::string& areacode, const QuestionFn& ask) {
    if (!StorableArea(area))
        return Error{unstorableArea(grid, area), kUpdatePolygonsTitle};
    const std::string path = PlanFile(plan.PlanPath, ".ply");
    auto backup = ReadPolygons(BackupName(path));
    if (!backup)
        return Error{backup.error().message, kUpdatePolygonsTitle};

    std::vector<std::string> out = backup.value().Leading;
    bool written = false;
    for (const PolygonParcel& parcel : backup.value().Parcels) {
        if (parcel.Identifier != grid.caption) {
            const std::vector<std::string> block = parcel.Block();
            out.insert(out.end(), block.begin(), block.end());
            continue;
        }
        // A parcel listed under two headings was loaded as one traverse: it is written once.
        if (written)
            continue;
        written = true;
        std::vector<std::string> records = parcelRecords(grid, area, areacode);
        if (areacode == "C" && !AreasAgree(area, parcel.Area) &&
            !(ask && ask(areaQuestion(area, parcel.Area), "Update parcel") == Reply::Yes))
            records.front() = parcel.Heading; // the stored area and its code stay
        out.insert(out.end(), records.begin(), records.end());
    }
    return StagedFile{path, JoinLines(out)};
}

// Writes the staged files in one commit; the error takes the title of the step that failed.
Result<void> commitParcelSave(const PlanState& plan, const std::vector<StagedFile>& files,
                              const char* title) {
    Result<void> written = CommitFiles(plan.PlanPath, files);
    if (!written)
        return Error{written.error().message, title};
    return {};
}

} // namespace

Result<void> SaveParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                        const std::string& areacode) {
    auto polygons = stageSaveParcel(grid, plan, area, areacode);
    if (!polygons)
        return polygons.error();
    return commitParcelSave(plan, {std::move(polygons).value()}, kSaveParcelTitle);
}

Result<void> UpdateParcel(const TraverseGrid& grid, const PlanState& plan, double area,
                          const std::string& areacode, const QuestionFn& ask) {
    auto polygons = stageUpdateParcel(grid, plan, area, areacode, ask);
    if (!polygons)
        return polygons.error();
    return commitParcelSave(plan, {std::move(polygons).value()}, kUpdatePolygonsTitle);
}

Result<void> SaveLineOrder(TraverseGrid& grid, PlanState& plan) {
    if (!LinesCurrent(plan) && !plan.LinesLoadFailed) {
        Result<void> loaded = LoadLines(plan);
        if (!loaded)
            return Error{loaded.error().message, kSaveLineOrderTitle};
    }
    const std::string path = PlanFile(plan.PlanPath, ".lns");
    if (plan.LinesLoadFailed)
        return Error{"The lines file " + path + " was not saved because it could not be loaded:\n" +
                         plan.LinesLoadFailure +
                         "\nFix the lines file using a text editor and open the plan again",
                     kSaveLineOrderTitle};
    if (Result<void> writable = PlanWritable(plan, "saving the lines"); !writable)
        return Error{writable.error().message, kSaveLineOrderTitle};

    const LinePairIndex index(plan.PlanLines);
    std::vector<bool> taken(plan.PlanLines.size(), false);
    std::unordered_set<std::uint64_t> written;
    std::vector<std::string> text;
    text.reserve(plan.PlanLines.size() + grid.rows.size());
    for (int r = 1; r <= grid.dataRows(); ++r) {
        int link = ResolveIndexedLink(grid, plan, index, r);
        LineRecord line = RowToLine(grid.at(r));
        // A link whose line no longer joins the row's points (the points were changed)
        // leaves that line to be written on its own.
        if (link >= 0 && !joinsRow(plan.PlanLines[static_cast<size_t>(link)], line))
            link = -1;
        if (line.FromPoint <= 0 || line.ToPoint <= 0)
            continue;
        if (grid.cell(r, ColDistance).empty() || !(line.Distance > 0))
            continue;
        // A row typed anew for a line already stored replaces it rather than doubling it; a
        // stored line is replaced only by a row that is written.
        const int stored = link >= 0 ? link : LiveLine(index, line.FromPoint, line.ToPoint);
        if (stored >= 0)
            taken[static_cast<size_t>(stored)] = true;
        if (!written.insert(PointPairKey(line.FromPoint, line.ToPoint)).second)
            continue; // the grid passes this line twice
        text.push_back(FormatLineRecord(line));
    }
    for (size_t i = 0; i < plan.PlanLines.size(); ++i)
        if (!taken[i] && plan.PlanLines[i].Distance > 0)
            text.push_back(FormatLineRecord(plan.PlanLines[i]));
    if (text.size() > static_cast<size_t>(kMaxLines))
        return Error{"The lines file " + path + " was not saved: it would hold " +
                         std::to_string(text.size()) + " lines, and at most " +
                         std::to_string(kMaxLines) + " can be loaded",
                     kSaveLineOrderTitle};
    Result<void> saved = WriteLinesAtomic(path, text);
    if (!saved)
        return Error{saved.error().message, kSaveLineOrderTitle};
    NoteLinesWritten(plan, "the traverse window");
    return {};
}

OkLinesOutcome OkSaveLines(TraverseGrid& grid, PlanState& plan, int parcelCount,
                           const QuestionFn& ask) {
    OkLinesOutcome outcome;
    LastGridLine(grid);
    if (grid.chkChange) {
        if (grid.chkEdit) {
            ReplaceLines(grid, plan);
        } else {
            if (grid.chkParcel) {
                SequenceCheck sequence = CheckSequence(grid, true);
                if (!sequence.ok) {
                    outcome.message = std::move(sequence.message);
                    outcome.stayOpen = true;
                    return outcome;
                }
            }
            outcome.status = ensureLinesCurrent(plan);
            if (!outcome.status) {
                outcome.stayOpen = true;
                return outcome;
            }
            if (grid.chkParcel)
                QueryDeletes(plan, parcelCount, ask);
            Grid2Array(grid, plan);
        }
        if (grid.chkParcel && !plan.PlanPath.empty()) {
            // The lines file is written with the parcel, in one commit (OkSaveParcel).
            auto staged = StageLines(plan);
            if (staged)
                outcome.linesFile = std::move(staged).value();
            else
                outcome.status = staged.error();
        } else {
            outcome.status = SaveLines(plan);
        }
        if (!outcome.status) {
            outcome.stayOpen = true;
            return outcome;
        }
        dropUnsavedLines(grid, plan);
    }
    if (grid.chkParcel && !CheckSequence(grid, false).ok)
        outcome.stayOpen = true;
    return outcome;
}

bool NeedsAreaWindow(const TraverseGrid& grid, bool calculatedSelected) {
    return !calculatedSelected && grid.caption.substr(0, 2) != "EA";
}

ParcelSaveOutcome OkSaveParcel(const TraverseGrid& grid, PlanState& plan, double area,
                               const std::string& areacode, bool areaCancelled,
                               const QuestionFn& ask, std::optional<StagedFile> linesFile) {
    ParcelSaveOutcome outcome;
    // A polygons file that cannot be read must not be taken for one without the parcel.
    const Result<bool> found = ParcelExists(plan.PlanPath, grid.caption);
    if (!found) {
        outcome.status = Error{found.error().message, kSaveParcelTitle};
        return outcome;
    }
    const bool exists = found.value();
    std::vector<StagedFile> files;
    const bool withLines = linesFile.has_value();
    if (linesFile)
        files.push_back(std::move(*linesFile));
    auto noteLines = [&] {
        if (withLines && outcome.status)
            NoteLinesWritten(plan, "the traverse window");
    };
    if (grid.chkChange) {
        Result<StagedFile> polygons = Error{};
        if (exists) {
            outcome.status = BackupFile(PlanFile(plan.PlanPath, ".ply"));
            if (!outcome.status)
                return outcome;
            polygons = stageUpdateParcel(grid, plan, area, areacode, ask);
        } else {
            polygons = stageSaveParcel(grid, plan, area, areacode);
        }
        if (!polygons) {
            outcome.status = polygons.error();
            return outcome;
        }
        files.push_back(std::move(polygons).value());
        outcome.status =
            commitParcelSave(plan, files, exists ? kUpdatePolygonsTitle : kSaveParcelTitle);
        outcome.appended = !exists && outcome.status.ok();
        noteLines();
        return outcome;
    }
    // Lines staged without a change to the parcel are still the window's to write.
    if (!files.empty()) {
        outcome.status = commitParcelSave(plan, files, "Error saving lines");
        if (!outcome.status)
            return outcome;
        noteLines();
    }
    if (!exists || areaCancelled)
        return outcome;
    auto stored = ReadParcelArea(plan.PlanPath, grid.caption);
    if (!stored) {
        outcome.status = stored.error();
        return outcome;
    }
    if (!stored.value().found)
        return outcome;
    if (AreasAgree(area, stored.value().Area) && stored.value().AreaCode == areacode)
        return outcome;
    if (!(ask && ask(areaQuestion(area, stored.value().Area), "Update parcel") == Reply::Yes))
        return outcome;
    outcome.status = UpdateParcelEntry(plan.PlanPath, grid.caption, grid.caption, area, areacode);
    return outcome;
}

Result<void> CancelTraverse(TraverseGrid& grid, PlanState& plan, bool saveLines) {
    if (plan.chkArray)
        restoreMarkedLines(plan);
    if (!saveLines || grid.chkEdit || grid.dataRows() < 2)
        return {};
    LastGridLine(grid);
    Result<void> current = ensureLinesCurrent(plan);
    if (!current)
        return current;
    Grid2Array(grid, plan);
    Result<void> saved = SaveLines(plan);
    if (saved)
        dropUnsavedLines(grid, plan);
    return saved;
}

Result<void> RightButtonOk(TraverseGrid& grid, PlanState& plan) {
    if (grid.chkParcel || grid.chkEdit)
        return {};
    LastGridLine(grid);
    Result<void> saved = SaveLineOrder(grid, plan);
    if (!saved)
        return saved;
    plan.chkArray = false;
    plan.PlanLines.clear();
    return {};
}

} // namespace corvane

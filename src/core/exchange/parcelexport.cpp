#include "core/exchange/parcelexport.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/edits/parcelcmds.h"
#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/closure.h"

#include <algorithm>
#include <set>
#include <utility>

namespace corvane {

namespace {

using Pair = std::pair<std::int32_t, std::int32_t>;

// A pair of points whichever way a line joins them.
Pair unordered(std::int32_t a, std::int32_t b) {
    return {std::min(a, b), std::max(a, b)};
}

// The reverse of a stored bearing as the lines file of the target gets it: only a bearing
// on the circle turns; the missing value and arc radius codes stay as they are.
double reverseStoredBearing(double bearing) {
    if (bearing > 360)
        return bearing;
    double reverse = bearing + 180;
    return reverse >= 360 ? reverse - 360 : reverse;
}

Result<std::vector<LineRecord>> readTargetLines(const std::string& targetBase) {
    const std::string path = PlanFile(targetBase, ".lns");
    if (!FileExists(path))
        return std::vector<LineRecord>();
    auto text = ReadTextLines(path);
    if (!text)
        return Error{text.error().message, kExportTitle};
    auto parsed = ParseLines(text.value(), path);
    if (!parsed)
        return Error{parsed.error().message, kExportTitle};
    return parsed;
}

Result<CurveTable> readCurves(const std::string& base) {
    auto curves = ReadCurveFile(base);
    if (!curves)
        return Error{curves.error().message, kExportTitle};
    return curves;
}

// The parcel's block of the open plan's polygons file, refused when the file cannot be read
// or does not hold the parcel.
Result<std::vector<std::string>> sourceBlock(const std::string& planPath,
                                             const std::string& parcel) {
    auto polygons = ReadPolygonsFile(PlanFile(planPath, ".ply"));
    if (!polygons)
        return Error{polygons.error().message, kExportTitle};
    std::vector<std::string> block = ParcelBlock(polygons.value(), parcel);
    if (block.empty())
        return Error{"Data for parcel missing", kExportTitle};
    return block;
}

// What the export appends to the target's lines and curve files, from the files as they
// stand.
Result<ExportPlan> linesPlan(const PlanState& plan, const std::string& targetBase,
                             const std::vector<std::string>& block) {
    auto curves = readCurves(plan.PlanPath);
    if (!curves)
        return curves.error();
    auto targetLines = readTargetLines(targetBase);
    if (!targetLines)
        return targetLines.error();
    auto targetCurves = readCurves(targetBase);
    if (!targetCurves)
        return targetCurves.error();
    return ExportLinesPlan(block, plan.PlanLines, curves.value(), targetLines.value(),
                           targetCurves.value());
}

} // namespace

std::string ExportTargetBase(const std::string& chosen) {
    if (chosen.size() >= 4 && UpperCase(chosen.substr(chosen.size() - 4)) == ".LNS")
        return chosen.substr(0, chosen.size() - 4);
    return chosen;
}

bool ExportParcelExists(const std::string& targetBase, const std::string& parcel) {
    auto lines = ReadTextLines(PlanFile(targetBase, ".ply"));
    if (!lines)
        return false;
    return std::any_of(lines.value().begin(), lines.value().end(),
                       [&parcel](const std::string& line) { return QuotedText(line) == parcel; });
}

std::optional<std::string> GetLineData(const std::vector<LineRecord>& lines, std::int32_t pnt1,
                                       std::int32_t pnt2) {
    auto i = FindLine(lines, pnt1, pnt2);
    // A marked or dropped line is not part of the plan's lines file.
    if (!i || lines[*i].Distance <= 0)
        return std::nullopt;
    const LineRecord& stored = lines[*i];
    LineRecord written = stored;
    written.FromPoint = pnt1;
    written.ToPoint = pnt2;
    if (!(stored.FromPoint == pnt1 && stored.ToPoint == pnt2))
        written.Bearing = reverseStoredBearing(stored.Bearing);
    return FormatLineRecord(written);
}

std::vector<std::string> ParcelBlock(const std::vector<std::string>& polygonLines,
                                     const std::string& parcel) {
    const PolygonsModel model = PolygonsFromLines(polygonLines);
    const PolygonParcel* found = model.find(parcel);
    return found ? found->Block() : std::vector<std::string>{};
}

ExportPlan ExportLinesPlan(const std::vector<std::string>& block,
                           const std::vector<LineRecord>& lines, const CurveTable& curves,
                           const std::vector<LineRecord>& targetLines,
                           const CurveTable& targetCurves) {
    ExportPlan planned;
    std::set<Pair> joined;
    for (const auto& line : targetLines)
        joined.insert(unordered(line.FromPoint, line.ToPoint));
    std::set<Pair> curvesAdded;

    // A heading starts a new walk.
    auto walk = [&](const std::vector<std::string>& texts) {
        bool hasPrevious = false;
        std::int32_t previous = 0;
        for (const auto& text : texts) {
            auto point = PolygonPoint(text);
            if (!point)
                continue;
            const std::int32_t current = *point;
            const Pair pair = unordered(previous, current);
            if (hasPrevious && !joined.count(pair)) {
                if (auto written = GetLineData(lines, previous, current)) {
                    planned.Lines.push_back(*written);
                    joined.insert(pair);
                    // An arc needs its curve record to have a chord in the target.
                    const LineRecord& stored = lines[*FindLine(lines, previous, current)];
                    auto record = curves.Find(previous, current);
                    if (stored.Bearing > kArcBearingBase && record &&
                        !targetCurves.Find(previous, current) && !curvesAdded.count(pair)) {
                        planned.Curves.push_back(*record->Record);
                        curvesAdded.insert(pair);
                    }
                }
            }
            previous = current;
            hasPrevious = true;
        }
    };
    const PolygonsModel model = PolygonsFromLines(block);
    walk(model.Leading);
    for (const PolygonParcel& parcel : model.Parcels)
        walk(parcel.Lines);
    return planned;
}

Result<void> ExportParcelTo(PlanState& plan, const std::string& targetBase,
                            const std::string& parcel) {
    if (FileExists(PlanFile(targetBase, ".ply")) && ExportParcelExists(targetBase, parcel))
        return Error{"This parcel already exists in " + targetBase, "Export parcel error"};
    if (!LinesCurrent(plan)) {
        if (Result<void> loaded = LoadLines(plan); !loaded)
            return loaded;
    }
    if (plan.LinesLoadFailed)
        return Error{"The lines of " + plan.PlanPath +
                         " could not be loaded: " + plan.LinesLoadFailure,
                     kExportTitle};

    // Everything is read and worked out first, so a refusal writes nothing.
    auto block = sourceBlock(plan.PlanPath, parcel);
    if (!block)
        return block.error();
    ExportPlan planned;
    if (plan.chkArray) {
        auto lines = linesPlan(plan, targetBase, block.value());
        if (!lines)
            return lines.error();
        planned = std::move(lines).value();
    }

    // The parcel, its lines and its arcs reach the other plan together or not at all: a
    // parcel there without its lines would not close.
    std::vector<std::string> curves;
    for (const auto& record : planned.Curves)
        curves.push_back(FormatCurveRecord(record));
    std::vector<StagedFile> files;
    for (const auto& [extension, lines] :
         {std::pair{".ply", &block.value()}, {".lns", &planned.Lines}, {".cve", &curves}}) {
        if (lines->empty())
            continue;
        const std::string path = PlanFile(targetBase, extension);
        auto content = AppendedContent(path, *lines);
        if (!content)
            return Error{content.error().message, kExportTitle};
        files.push_back({path, std::move(content).value()});
    }
    if (Result<void> written = CommitFiles(targetBase, files); !written)
        return Error{written.error().message, kExportTitle};
    return {};
}

} // namespace corvane

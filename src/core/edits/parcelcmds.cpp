#include "core/edits/parcelcmds.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/closure.h"
#include "core/geometry/traversesums.h"
#include "core/model/bearing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

constexpr const char* kCopyTitle = "Copy Parcel error";
constexpr const char* kDeleteTitle = "Delete Parcel error";
constexpr const char* kParcelMissing = "Data for parcel missing";
constexpr const char* kIdentifierExists = "This parcel identifier already exists";

struct TypePrefix {
    const char* type;
    const char* prefix;
};
// The dialog's own table: each type gets the code the parcel types of the polygons file
// know it by, so that a new lot is judged as a lot. A thoroughfare is a road.
constexpr TypePrefix kTypePrefixes[] = {{"Outer Boundary", "OB"}, {"Bold Black Line", "COBBL"},
                                        {"Allotment", "AL"},      {"Lot", "LT"},
                                        {"Part Lot", "PT"},       {"Piece", "PI"},
                                        {"Easement", "EA"},       {"Reserve", "RE"},
                                        {"Road", "RD"},           {"Thoroughfare", "RD"},
                                        {"Construction", "CO"}};

// The two prefixes that make an identifier on their own.
bool standsAlone(std::string_view prefix) {
    return prefix == "OB" || prefix == "COBBL";
}

Result<PolygonsModel> readPolygons(const std::string& path, const char* title) {
    auto model = ReadPolygons(path);
    if (!model)
        return Error{model.error().message, title};
    return model;
}

// The first index of PlanLines joining the two points either way.
LineRecord* firstLine(PlanState& plan, std::int32_t a, std::int32_t b) {
    auto i = FindLine(plan.PlanLines, a, b);
    return i ? &plan.PlanLines[*i] : nullptr;
}

// Unmarks every marked line that a parcel of the polygons file's lines walks.
void unmarkWalkedLines(PlanState& plan, const PolygonsModel& polygons);

} // namespace

std::optional<std::int32_t> PolygonPoint(std::string_view line) {
    if (line.find_first_not_of(" \t") == std::string_view::npos)
        return std::nullopt;
    const double v = std::round(Val(line));
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

const std::vector<std::string>& NewParcelTypes() {
    static const std::vector<std::string> kTypes = {
        "Outer Boundary", "Bold Black Line", "Allotment", "Lot",          "Part Lot",    "Piece",
        "Easement",       "Reserve",         "Road",      "Thoroughfare", "Construction"};
    return kTypes;
}

std::optional<std::string> NewParcelPrefix(std::string_view typeText) {
    const auto type = ParcelTypeNamed(typeText);
    if (!type)
        return std::nullopt;
    for (const auto& t : kTypePrefixes)
        if (*type == t.type)
            return std::string(t.prefix);
    return std::nullopt;
}

std::optional<std::string> ParcelTypeNamed(std::string_view typeText) {
    while (!typeText.empty() && (typeText.front() == ' ' || typeText.front() == '\t'))
        typeText.remove_prefix(1);
    while (!typeText.empty() && (typeText.back() == ' ' || typeText.back() == '\t'))
        typeText.remove_suffix(1);
    const std::string typed = UpperCase(typeText);
    for (const std::string& type : NewParcelTypes())
        if (UpperCase(type) == typed)
            return type;
    return std::nullopt;
}

std::string OwnParcelPrefix(std::string_view identifier) {
    if (UpperCase(identifier.substr(0, 5)) == "COBBL")
        return std::string(identifier.substr(0, 5));
    return std::string(identifier.substr(0, 2));
}

std::string RenamePrefillText(std::string_view identifier) {
    return std::string(identifier.substr(OwnParcelPrefix(identifier).size()));
}

Result<std::string> NewParcelIdentifier(std::string_view typeText, std::string_view typedText,
                                        const std::optional<ParcelPrefill>& prefill) {
    if (typeText.empty())
        return Error{"You must select a parcel type", kNewParcelTitle};
    // A double quote would close the identifier early in the polygons file's heading.
    if (typedText.find('"') != std::string_view::npos)
        return Error{"A parcel identifier cannot contain a double quote", kNewParcelTitle};

    // A type that is none of the list's would give the parcel a class by accident.
    const auto type = ParcelTypeNamed(typeText);
    if (!type)
        return Error{"Unknown parcel type \"" + std::string(typeText) +
                         "\"\nChoose a type from the list",
                     kNewParcelTitle};

    std::string prefix;
    if (prefill && *type == prefill->Type)
        prefix = OwnParcelPrefix(prefill->OldIdentifier);
    else
        prefix = *NewParcelPrefix(*type);

    if (typedText.empty()) {
        if (standsAlone(UpperCase(prefix)))
            return prefix;
        return Error{"You must supply an identifier", kNewParcelTitle};
    }
    return prefix + UpperCase(typedText);
}

std::string SuggestNextIdentifier(std::string_view typeText, std::string_view identifierText) {
    const double value = Val(identifierText);
    if (value > 0 && typeText != "Easement")
        return Format(value + 1, "0");
    return {};
}

bool ParcelInList(const std::vector<std::string>& parcels, const std::string& identifier) {
    return std::find(parcels.begin(), parcels.end(), identifier) != parcels.end();
}

Result<bool> RenameParcel(const std::string& planPath, const std::vector<std::string>& parcels,
                          const std::string& oldIdentifier, const std::string& newIdentifier) {
    if (ParcelInList(parcels, newIdentifier))
        return Error{kIdentifierExists, kEditParcelIdTitle};
    // A code other than C, A or D renames only: the area and its code stay as stored.
    if (Result<void> updated = UpdateParcelEntry(planPath, newIdentifier, oldIdentifier, 0, "X");
        !updated)
        return updated.error();
    const Result<bool> renamed = ParcelExists(planPath, newIdentifier);
    if (!renamed)
        return Error{renamed.error().message, kEditParcelIdTitle};
    return renamed;
}

Result<void> CopyParcel(const std::string& planPath, const std::vector<std::string>& parcels,
                        const std::string& source, const std::string& newIdentifier) {
    if (ParcelInList(parcels, newIdentifier))
        return Error{kIdentifierExists, kEditParcelIdTitle};
    const std::string path = PlanFile(planPath, ".ply");
    if (Result<void> backedUp = BackupFile(path); !backedUp)
        return backedUp;
    auto polygons = readPolygons(BackupName(ResolveFileName(path)), kCopyTitle);
    if (!polygons)
        return polygons.error();

    // The first block of the source: its heading under the new identifier (the area, code
    // and anything after them as stored) and its point lines.
    const PolygonParcel* parcel = polygons.value().find(source);
    if (!parcel)
        return Error{kParcelMissing, kCopyTitle};
    std::vector<std::string> copy = parcel->Block();
    copy.front() = "\"" + newIdentifier + parcel->Heading.substr(parcel->Heading.find('"', 1));
    if (Result<void> written = AppendLinesAtomic(path, copy); !written)
        return Error{written.error().message, kCopyTitle};
    return {};
}

Result<ParcelDeletion> StageParcelDeletion(const std::string& planPath,
                                           const std::string& identifier) {
    const std::string path = PlanFile(planPath, ".ply");
    if (Result<void> backedUp = BackupFile(path); !backedUp)
        return backedUp.error();
    auto polygons = readPolygons(BackupName(ResolveFileName(path)), kDeleteTitle);
    if (!polygons)
        return polygons.error();

    // Only the first block of the identifier goes, as the list loses one entry.
    PolygonsModel& model = polygons.value();
    const PolygonParcel* parcel = model.find(identifier);
    // A parcel no longer in the file (edited outside the program) is not reported deleted.
    if (!parcel)
        return Error{"Data for parcel missing", kDeleteTitle};
    ParcelDeletion deletion;
    std::optional<std::int32_t> previous;
    for (const std::string& line : parcel->Lines) {
        auto current = PolygonPoint(line);
        if (!current)
            continue;
        if (previous)
            deletion.Walked.emplace_back(*previous, *current);
        previous = current;
    }
    model.Parcels.erase(model.Parcels.begin() + (parcel - model.Parcels.data()));
    deletion.Remaining = PolygonsText(model);
    deletion.Polygons = {path, JoinLines(deletion.Remaining)};
    return deletion;
}

Result<std::vector<PointPair>> DeleteParcel(const std::string& planPath,
                                            const std::string& identifier) {
    auto deletion = StageParcelDeletion(planPath, identifier);
    if (!deletion)
        return deletion.error();
    const StagedFile& polygons = deletion.value().Polygons;
    if (Result<void> written = WriteFileAtomic(polygons.path, polygons.content); !written)
        return Error{written.error().message, kDeleteTitle};
    return deletion.value().Walked;
}

Result<ParcelDeletion> DeleteParcelAndMarkLines(PlanState& plan, const std::string& identifier) {
    auto deletion = StageParcelDeletion(plan.PlanPath, identifier);
    if (!deletion)
        return deletion.error();
    for (const auto& [prevpt, curpt] : deletion.value().Walked)
        MarkLines(plan, prevpt, curpt);
    return deletion;
}

Result<void> CommitParcelDeletion(PlanState& plan, const ParcelDeletion& deletion,
                                  bool dropUnusedLines) {
    // Lines not in memory were never marked, and a stale copy must not replace the file.
    if (!dropUnusedLines || !plan.chkArray) {
        UnmarkLines(plan);
        if (Result<void> written = CommitFiles(plan.PlanPath, {deletion.Polygons}); !written)
            return Error{written.error().message, kDeleteTitle};
        return {};
    }
    // Lines another parcel still walks stay; only the deleted parcel's own lines go.
    unmarkWalkedLines(plan, PolygonsFromLines(deletion.Remaining));
    auto linesFile = StageLines(plan);
    if (!linesFile) {
        // The file keeps the lines and the parcel; memory must not drop them at a later save.
        UnmarkLines(plan);
        return linesFile.error();
    }
    if (Result<void> written = CommitFiles(plan.PlanPath, {deletion.Polygons, linesFile.value()});
        !written) {
        UnmarkLines(plan);
        return Error{written.error().message, kDeleteTitle};
    }
    // PlanLines becomes what the file now holds: the dropped lines go from memory too.
    std::erase_if(plan.PlanLines, [](const LineRecord& line) { return !(line.Distance > 0); });
    plan.chkArray = !plan.PlanLines.empty();
    NoteLinesWritten(plan, "Delete Parcel");
    return {};
}

void MarkLines(PlanState& plan, std::int32_t prevpt, std::int32_t curpt) {
    if (LineRecord* line = firstLine(plan, prevpt, curpt); line && line->Distance > 0)
        line->Distance = -line->Distance;
}

void ReMarkLine(PlanState& plan, std::int32_t prevpt, std::int32_t curpt) {
    if (LineRecord* line = firstLine(plan, prevpt, curpt); line && line->Distance < 0)
        line->Distance = -line->Distance;
}

Result<void> CheckMarkedLines(PlanState& plan) {
    auto polygons = readPolygons(PlanFile(plan.PlanPath, ".ply"), kDeleteTitle);
    if (!polygons)
        return polygons.error();
    unmarkWalkedLines(plan, polygons.value());
    return {};
}

namespace {

void unmarkWalkedLines(PlanState& plan, const PolygonsModel& polygons) {
    auto walk = [&plan](const std::vector<std::string>& lines) {
        std::optional<std::int32_t> previous;
        for (const auto& line : lines) {
            auto current = PolygonPoint(line);
            if (!current)
                continue;
            if (previous)
                ReMarkLine(plan, *previous, *current);
            previous = current;
        }
    };
    // Points before the first heading are walked as a parcel's.
    walk(polygons.Leading);
    for (const PolygonParcel& parcel : polygons.Parcels)
        walk(parcel.Lines);
}

} // namespace

void UnmarkLines(PlanState& plan) {
    for (auto& line : plan.PlanLines)
        if (line.Distance < 0)
            line.Distance = -line.Distance;
}

Result<double> AreaFromEntry(std::string_view text, std::string_view prefilledText,
                             double storedArea) {
    if (text == prefilledText)
        return storedArea;
    if (text == "no area")
        return 0.0;
    if (!IsNumberText(text) || Val(text) < 0)
        return Error{"The area must be a number of hectares, 0 or more", kEditAreaTitle};
    return Val(text) * 10000;
}

std::string AreaCodeOf(bool approximate, bool deduced) {
    return approximate ? "A" : deduced ? "D" : "C";
}

Result<RecalcResult> Recalc(PlanState& plan, const std::string& identifier) {
    if (!LinesCurrent(plan)) {
        if (Result<void> loaded = LoadLines(plan); !loaded)
            return loaded.error();
    }
    auto polygons = readPolygons(PlanFile(plan.PlanPath, ".ply"), kRecalcTitle);
    if (!polygons)
        return polygons.error();
    auto curves = ReadCurveFile(plan.PlanPath);
    if (!curves)
        return Error{curves.error().message, kRecalcTitle};

    const PolygonParcel* parcel = polygons.value().find(identifier);
    if (!parcel)
        return Error{kParcelMissing, kRecalcTitle};
    RecalcResult result;
    std::optional<std::int32_t> previous;
    TraverseSums sums;
    for (const std::string& line : parcel->Lines) {
        auto current = PolygonPoint(line);
        if (!current)
            continue;
        if (previous) {
            LineLegResult leg = LineLeg(*previous, *current, plan.PlanLines, curves.value());
            if (leg.Missing) {
                result.MissingData = true;
            } else {
                const double b = BearingToRadians(BearingText(leg.Bearing));
                if (leg.Arc)
                    sums.addArc(b, leg.Distance, leg.Segment);
                else
                    sums.addLeg(b, leg.Distance);
            }
        }
        previous = current;
    }
    if (result.MissingData)
        return result;
    // A parcel walked anticlockwise has the area of the parcel walked the other way round.
    result.Area = AreaToStore(std::fabs(sums.signedArea()));
    result.Hectares = FormatArea(result.Area, 1);
    return result;
}

} // namespace corvane

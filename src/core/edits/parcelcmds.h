#pragma once

#include "core/base/result.h"
#include "core/files/plancommit.h"
#include "core/model/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

// The parcel commands of the main window that work on the polygons and lines files: new
// parcel identifiers, renaming, copying and deleting a parcel, the area dialog's entry and
// its recalculation. The windows ask the questions and show the messages; these functions
// do the work and return the errors to show.

// The point of a point line of the polygons file: its leading number. A blank line, or a
// figure outside the point number range, holds no point.
std::optional<std::int32_t> PolygonPoint(std::string_view line);

// ---- New parcel dialog ----------------------------------------------------------------

inline constexpr const char* kNewParcelTitle = "New Parcel error";
inline constexpr const char* kEditParcelIdTitle = "Edit Parcel ID error";

// The parcel types the dialog offers, in the order of its list.
const std::vector<std::string>& NewParcelTypes();

// The identifier prefix the dialog makes for a type ("Allotment" gives "AL", "Lot" "LT",
// "Bold Black Line" "COBBL"); nullopt for a text that is not one of its types.
std::optional<std::string> NewParcelPrefix(std::string_view typeText);

// The dialog's type a typed text names, whatever its letter case and the blanks around it;
// nullopt for text that is no type.
std::optional<std::string> ParcelTypeNamed(std::string_view typeText);

// What the dialog was prefilled with when it renames or copies a parcel: the type name of
// the old identifier and the old identifier itself.
struct ParcelPrefill {
    std::string Type;
    std::string OldIdentifier;
};

// The prefix a parcel's identifier already has: "COBBL" for a bold black line, otherwise
// its first two letters.
std::string OwnParcelPrefix(std::string_view identifier);

// The identifier box's text when the dialog renames a parcel: the identifier after its own
// prefix, so that OK with nothing changed gives the same identifier back.
std::string RenamePrefillText(std::string_view identifier);

// The complete identifier of the dialog's OK: the type's prefix followed by the typed text
// in upper case. When a rename or copy left its prefilled type unchanged, the prefix is the
// old identifier's own (the type name does not tell "FL" from "CO"); a changed type uses
// the dialog's table. An empty typed text is accepted for an outer boundary ("OB") and a
// bold black line ("COBBL") only. Refusals (the dialog stays open): no type, a type that is
// none of the list's ("Unknown parcel type ..."), no identifier, a double quote in the
// identifier (it would end the identifier in the polygons file).
Result<std::string> NewParcelIdentifier(std::string_view typeText, std::string_view typedText,
                                        const std::optional<ParcelPrefill>& prefill = {});

// The identifier box offered by the next New Parcel: its leading number plus 1, written
// without decimals, so that after allotment 12 the dialog offers 13; empty for an easement
// or an identifier without a leading number above 0.
std::string SuggestNextIdentifier(std::string_view typeText, std::string_view identifierText);

// True when the parcel list holds exactly that identifier (letter case counts).
bool ParcelInList(const std::vector<std::string>& parcels, const std::string& identifier);

// ---- Rename, copy, delete -------------------------------------------------------------

// Renames a parcel in the polygons file, keeping its area and code. Refuses an identifier
// already in the list ("This parcel identifier already exists"). The result tells whether
// the file now holds the new identifier (the list entry is renamed then).
Result<bool> RenameParcel(const std::string& planPath, const std::vector<std::string>& parcels,
                          const std::string& oldIdentifier, const std::string& newIdentifier);

// Appends a copy of the parcel's block under the new identifier to the end of the polygons
// file (after a backup), with the source's area, code and points. Refuses an identifier
// already in the list, and a source the file does not hold. Error titles "Make backup
// error", "Edit Parcel ID error" or "Copy Parcel error".
Result<void> CopyParcel(const std::string& planPath, const std::vector<std::string>& parcels,
                        const std::string& source, const std::string& newIdentifier);

using PointPair = std::pair<std::int32_t, std::int32_t>;

// Rewrites the polygons file (after a backup) without the parcel's block and returns the
// pairs of successive points the parcel walked. A parcel the file does not hold leaves the
// file as it is and walks nothing. Error titles "Make backup error" or "Delete Parcel error".
Result<std::vector<PointPair>> DeleteParcel(const std::string& planPath,
                                            const std::string& identifier);

// A parcel's deletion before anything but the backup is written: the polygons file without
// the parcel's block (and its lines), and the pairs of points the parcel walked.
struct ParcelDeletion {
    StagedFile Polygons;
    std::vector<std::string> Remaining; // the polygons file's lines without the parcel
    std::vector<PointPair> Walked;
};
Result<ParcelDeletion> StageParcelDeletion(const std::string& planPath,
                                           const std::string& identifier);

// Delete Parcel as the command runs it after its first question: the polygons file is backed
// up, the parcel's block taken out of its new content, and the lines the parcel walked are
// marked in PlanLines (loaded by the command before it asks). Nothing else is written until
// CommitParcelDeletion. When the parcel cannot be taken out nothing is marked and the error
// is returned.
Result<ParcelDeletion> DeleteParcelAndMarkLines(PlanState& plan, const std::string& identifier);

// The second question's answer: the polygons file without the parcel is written, and with
// dropUnusedLines the marked lines that no remaining parcel walks are dropped from the lines
// file in the same commit (and from PlanLines); otherwise, and when the lines are
// not loaded, the marks are removed. A failure writes neither file and removes the marks.
// Error titles "Delete Parcel error", "Error saving lines".
Result<void> CommitParcelDeletion(PlanState& plan, const ParcelDeletion& deletion,
                                  bool dropUnusedLines);

// Line marks: a line of PlanLines is marked while its distance is negative, and SaveLines
// leaves marked lines out of the file.
// Marks the first line joining the two points (either way); a marked line stays marked, so
// a parcel that walks a line twice marks it once.
void MarkLines(PlanState& plan, std::int32_t prevpt, std::int32_t curpt);
// Unmarks the first line joining the two points when it is marked.
void ReMarkLine(PlanState& plan, std::int32_t prevpt, std::int32_t curpt);
// Unmarks every marked line that a parcel of the polygons file still walks. Error title
// "Delete Parcel error" when the file cannot be read.
Result<void> CheckMarkedLines(PlanState& plan);
void UnmarkLines(PlanState& plan);

// ---- Area dialog ----------------------------------------------------------------------

inline constexpr const char* kEditAreaTitle = "Edit Area error";

// The area of the dialog's "Area in Hectares" box in square metres. The text the box was
// filled with, unchanged, gives the stored area exactly (the box shows it rounded to four
// decimals of a hectare). "no area" is 0. Any other text must be a number of 0 or more;
// otherwise the dialog refuses it and stays open.
Result<double> AreaFromEntry(std::string_view text, std::string_view prefilledText,
                             double storedArea);

// The area code of the dialog's option buttons: "A" approximate, "D" deduced, "C"
// calculated.
std::string AreaCodeOf(bool approximate, bool deduced);

// The dialog's "Recalc.": the Bowditch-adjusted area of the parcel's walk over PlanLines
// (loaded first when they are not) and the curve file, as it is stored (to a tenth of a
// square metre). A parcel walked anticlockwise gets the area of the parcel walked the other
// way round.
struct RecalcResult {
    bool MissingData = false; // a line of the walk lacks its bearing or distance
    double Area = 0.0;        // square metres
    std::string Hectares;     // the area box's text, "0.0000" hectares ("no area" for 0)
};
inline constexpr const char* kRecalcTitle = "Recalculate Area error";
inline constexpr const char* kRecalcMissingData = "Cannot calculate due to missing data";
Result<RecalcResult> Recalc(PlanState& plan, const std::string& identifier);

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/files/plancommit.h"
#include "core/model/records.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The most lines a lines file may hold (its line counter is a 16-bit number).
inline constexpr int kMaxLines = 32767;
// The longest text line a lines file may hold: four fields need a few dozen characters.
inline constexpr size_t kMaxLineLength = 4096;
// The figures a lines file may hold: a bearing (a back bearing may be written negative), 999
// for none, or 1000 plus an arc's radius; a distance (negative marks a deleted line).
inline constexpr double kMinStoredBearing = -360;
inline constexpr double kMaxStoredBearing = kArcBearingBase + kMaxDistance;

// Parses the text lines of a lines file: four comma-separated fields per line (from, to,
// bearing, distance). Refuses a blank line, a line without exactly four fields, a field that
// is not a number, a point number that is not whole or lies outside the 32-bit range, a
// bearing or distance outside its range, a line longer than kMaxLineLength, and more than
// kMaxLines lines, naming the file and line and quoting it. Nothing is returned half: a refused
// file gives only the error, whose message is the one to show.
// Error titles: "CORVANE Error" for a blank line, "CORVANE Load error" otherwise.
Result<std::vector<LineRecord>> ParseLines(const std::vector<std::string>& textLines,
                                           const std::string& fileName);
Result<std::vector<LineRecord>> ParseLines(std::istream& in, const std::string& fileName);

// One line of the lines file: "101,102,45.3020,123.456".
std::string FormatLineRecord(const LineRecord& line);

// Why a line cannot be written so that the loader reads it back (a figure that is not finite
// or lies outside its range); nullopt for a storable line.
std::optional<std::string> LineRecordFault(const LineRecord& line);

// Loads the plan's lines file into PlanLines and sets chkArray when it holds lines. A missing
// lines file is no failure: PlanLines stays empty. A refused file leaves PlanLines empty and
// chkArray clear, and marks the plan's lines as failed to load (LinesLoadFailed, with the
// reason in LinesLoadFailure), so SaveLines refuses until a later load succeeds; the error
// holds the message to show.
Result<void> LoadLines(PlanState& plan);

// Why the plan has no lines after a refused load: names the lines file and the fault, and says
// how to go on. For the commands that need the lines.
std::string LinesNotLoadedMessage(const PlanState& plan);

// Why a live line (distance above 0) cannot be written so that it reads back live: a figure
// LineRecordFault refuses, or a distance so small (below half a millimetre) that it would be
// written as 0.000 and dropped as deleted at the next save; nullopt for a storable line.
std::optional<std::string> LiveLineFault(const LineRecord& line);

// Writes PlanLines over the lines file through a whole rewrite (lines whose distance is not
// above 0 are dropped). Does nothing without a plan. Refuses, writing nothing, while the
// last load failed, when a live line cannot be stored (LiveLineFault, naming the line), and
// when more than kMaxLines lines would be written (the loader would refuse the file). Error title
// "Error saving lines".
Result<void> SaveLines(PlanState& plan);

// After SaveLines: the lines the file no longer holds (marked deleted, or without a distance)
// leave lines too, so that nothing can restore them and write them back. Returns, for each
// former index, the line's new index, or -1 for a line dropped.
std::vector<int> DropUnsavedLines(std::vector<LineRecord>& lines);

// The lines file's change stamp as a window records it when it fills its rows.
struct LinesStamp {
    std::uint64_t Generation = 0;
    FileState File;
};
LinesStamp CurrentLinesStamp(const PlanState& plan);

// Why rows read when the stamp was recorded are now older than the lines file (nullopt: they
// are not): names the command that changed it since, or says it was changed outside the
// program.
std::optional<std::string> LinesChangedSince(const PlanState& plan, const LinesStamp& filled);

// Records a write of the lines file by the named command: the stamp is raised and PlanLines
// counts as the file as it is now. SaveLines does it with a general name; a command that
// wrote the lines names itself afterwards.
void NoteLinesWritten(PlanState& plan, const std::string& command);

// True when PlanLines holds the lines file as it is on disk now: loaded (chkArray), and the
// file not changed since it was loaded or written (by a text editor, say).
bool LinesCurrent(const PlanState& plan);

// Loads the lines file unless PlanLines holds it as it is now (LinesCurrent).
Result<void> EnsureLinesCurrent(PlanState& plan);

// The lines file as SaveLines would write it, for a change that commits it together with
// other files of the plan (CommitFiles); the same refusals, and refused without a plan.
Result<StagedFile> StageLines(const PlanState& plan);

// The fields of a record line of the lines or scaled lines file, split at its commas;
// splitting stops at the fifth field, which is already one too many.
std::vector<std::string> SplitRecordFields(const std::string& line);

} // namespace corvane

#pragma once

#include "core/base/result.h"
#include "core/files/plancommit.h"
#include "core/model/records.h"

#include <cstdint>
#include <functional>
#include <string>

namespace corvane {

// An answer to a question the core needs asked (the window asks it).
enum class Reply { Yes, No, Cancel };
using AskFn = std::function<Reply(const std::string& text)>;

// Copies the plan's lines, polygons, curve and scaled lines files (each where it exists) to
// a new base, in one commit: the new base gets all of them or none. Error title "Copy
// CORVANE files error".
Result<void> CopyPlanFiles(const std::string& oldBase, const std::string& newBase);

// CopyPlanFiles with the survey data base and coordinate files too, in one commit: what a
// plan must take along when its old working copies are removed (network mode's Save As).
Result<void> CopyWholePlan(const std::string& oldBase, const std::string& newBase);

// The refusal of an empty source file, shown with the critical icon (every other copy error
// with the exclamation icon).
inline constexpr const char* kEmptyCopySourceMessage = "Error copying file";
// The title of copy errors (the program's name, as a message box without its own title).
inline constexpr const char* kCopyFileTitle = "CORVANE";

// Copies one text file line by line (written with CR LF line ends). A missing source is
// skipped (copied false, sourceMissing true); an empty source is refused with
// kEmptyCopySourceMessage and nothing is copied.
struct CopyOutcome {
    bool copied = false;
    bool sourceMissing = false;
};
Result<CopyOutcome> CopyTextFile(const std::string& source, const std::string& destination);
bool IsEmptyCopySource(const Error& error);

// Renumbers a point in PlanLines and the polygons file, asking about every occurrence
// (questions and texts as the program asks them; title "Change Point Number"). The lines
// file itself is not written here. Error titles "Make backup error", or "Edit Point Number
// error" when the polygons file cannot be read or rewritten.
inline constexpr const char* kChangePointTitle = "Change Point Number";
Result<void> ChangePointNumber(PlanState& plan, std::int32_t oldNumber, std::int32_t newNumber,
                               const AskFn& ask);

// ChangePointNumber up to the polygons file's rewrite: PlanLines is renumbered and the
// polygons file backed up, and the new polygons file is returned for the caller to commit
// with the plan's other changed files.
Result<StagedFile> StagePointNumberChange(PlanState& plan, std::int32_t oldNumber,
                                          std::int32_t newNumber, const AskFn& ask);

} // namespace corvane

#pragma once

#include "core/records.h"
#include "core/result.h"

#include <functional>
#include <string>

namespace corvane {

// An answer to a question the core needs asked (the window asks it).
enum class Reply { Yes, No, Cancel };
using AskFn = std::function<Reply(const std::string& text)>;

// Copies the plan's lines, polygons, curve and scaled lines files (each where it exists) to
// a new base. Stops at the first failure. Error title "Copy CORVANE files error".
Status CopyPlanFiles(const std::string& oldBase, const std::string& newBase);

// Copies one text file line by line. A missing source is skipped (returns true, copied
// false); an empty source is refused with "Error copying file".
struct CopyOutcome {
    bool copied = false;
    bool sourceMissing = false;
};
Result<CopyOutcome> CopyTextFile(const std::string& source, const std::string& destination);

// Renumbers a point in PlanLines and the polygons file, asking about every occurrence
// (questions and texts as the program asks them; title "Change Point Number"). The lines
// file itself is not written here. Error titles "Make backup error" or the rewrite's.
Status ChangePointNumber(PlanState& plan, std::int32_t oldNumber, std::int32_t newNumber,
                         const AskFn& ask);

} // namespace corvane

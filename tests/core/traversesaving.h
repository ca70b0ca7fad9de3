#pragma once

#include "core/files/plancommit.h"
#include "core/grid/traverse_save.h"

namespace corvane::test {

// OK's lines half, the lines file then written as the parcel half writes it with the parcel.
inline OkLinesOutcome OkLinesWritten(TraverseGrid& grid, PlanState& plan, int parcels,
                                     const QuestionFn& ask) {
    OkLinesOutcome out = OkSaveLines(grid, plan, parcels, ask);
    if (out.linesFile)
        if (Result<void> written = CommitFiles(plan.PlanPath, {*out.linesFile}); !written)
            out.status = written;
    return out;
}

} // namespace corvane::test

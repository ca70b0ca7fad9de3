#pragma once

#include "core/base/result.h"
#include "core/cli/commandline.h"
#include "core/geometry/adjustment.h"

#include <ostream>

namespace corvane {

// The weights of "--sigma-distance A,B" (mm and ppm) and "--sigma-bearing S" (seconds), the
// defaults where not given; a figure that is no number or below 0, A and B both 0, or S not
// above 0 is refused.
Result<AdjustmentOptions> AdjustmentOptionsOf(const CommandLine& command);

// "--adjust PLAN [--accuracy CLASS] [--sigma-distance A,B] [--sigma-bearing S] [--json]":
// exit 0 when the global test passes and nothing is flagged, 1 otherwise, 2 when the plan
// cannot be read or the request is refused.
int RunAdjustCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

// "--validate PLAN [--accuracy CLASS] [--json]": exit 0 with no error found, 1 with one, 2
// when the plan cannot be read or the request is refused.
int RunValidateCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

// "--fit-grid PLAN [--marks FILE.csv] [--tolerance M] [--json]": exit 0 when the plan fits
// its marks, 1 when a mark is flagged as possibly disturbed or the plan stays local (fewer
// than two marks), 2 when the plan or the marks cannot be read.
int RunFitGridCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane

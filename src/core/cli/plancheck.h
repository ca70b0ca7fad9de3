#pragma once

#include "core/base/result.h"
#include "core/cli/commandline.h"
#include "core/model/records.h"

#include <ostream>
#include <string>
#include <vector>

namespace corvane {

// The accuracy class of "--accuracy CLASS" (any letter case), "Surveyed Polygons" without
// it; text that is no class is refused ("Unknown accuracy class ..." and the classes), as it
// would fail every parcel.
Result<std::string> AccuracyClassOption(const CommandLine& command);

// Before a command reads a plan: a change of it cut short is finished or undone
// (RecoverPlanFiles), what was done written to notices; refused when it cannot be finished.
Result<void> RecoverCommandPlan(const std::string& planPath, std::ostream& notices);

// The plan a command names, its lines file loaded (after RecoverCommandPlan): refused when
// the lines file is not there ("Cannot find the lines file ...") or when the loader refuses
// it.
Result<void> LoadCommandPlan(const std::string& argument, PlanState& plan, std::ostream& notices);

// Runs the command-line mode the arguments after the program name ask for ("--check PLAN
// [--accuracy CLASS] [--full]", the reports, the exchanges, "--help", ...): results as plain
// UTF-8 text on out, messages on err. Returns the exit status: 0 all is well, 1 the plan has
// findings (for --check: a parcel with missing data or an unacceptable misclosure), 2 the
// plan cannot be read or the request is refused.
int RunCommandMode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same for a command line already parsed (its --help and refusals included).
int RunCommandMode(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane

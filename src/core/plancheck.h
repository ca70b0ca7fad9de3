#pragma once

#include "core/commandline.h"
#include "core/records.h"
#include "core/result.h"

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
Status RecoverCommandPlan(const std::string& planPath, std::ostream& notices);

// The plan a command names, its lines file loaded (after RecoverCommandPlan): refused when
// the lines file is not there ("Cannot find the lines file ...") or when the loader refuses
// it.
Status LoadCommandPlan(const std::string& argument, PlanState& plan, std::ostream& notices);

// Runs the command-line check ("corvane --check PLAN [--accuracy CLASS] [--full]", or
// "--help") with the arguments after the program name. Prints the closure summary (or the
// full closure report) as plain UTF-8 text. Returns the exit status: 0 every parcel closes
// acceptably, 1 a parcel has missing data or an unacceptable misclosure, 2 the plan cannot
// be read (the reason on err).
int RunPlanCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same for a command line already parsed (its --help and refusals included).
int RunPlanCheck(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane

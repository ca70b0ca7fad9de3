#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvane {

// True when the command line asks for the command-line plan check or its help
// ("--check" or "--help" among the arguments), so the program starts no window.
bool IsCommandLineCheck(const std::vector<std::string>& args);

// Runs the command-line check ("corvane --check PLAN [--accuracy CLASS] [--full]", or
// "--help") with the arguments after the program name. Prints the closure summary (or the
// full closure report) as plain UTF-8 text. Returns the exit status: 0 every parcel closes
// acceptably, 1 a parcel has missing data or an unacceptable misclosure, 2 the plan cannot
// be read (the reason on err).
int RunPlanCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace corvane

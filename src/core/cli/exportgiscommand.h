#pragma once

#include "core/cli/commandline.h"

#include <ostream>

namespace corvane {

// The --export-gis mode over a parsed command line: the summary on out, notes and refusals on
// err; exit 0, 1 when something was left out (a parcel or line without positions, a point
// with no place on the map), 2 refused. Part of the GIS library, not of the program.
int RunExportGisCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane

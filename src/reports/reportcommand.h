#pragma once

#include "core/cli/commandline.h"
#include "platform/desktop.h"

#include <ostream>

namespace corvane {

// "corvane --report PLAN [--sections LIST] [--name NAME] [--pdf FILE]": the plan report as
// the report window prints it, as plain text on out, or into a PDF file in the report font
// through the program's print path. Needs a Qt application (for the PDF and the date), not
// a display. 0 when printed; 2 when the plan cannot be read or the request is refused.
int RunReportCommand(const CommandLine& command, const FontChoice& font, std::ostream& out,
                     std::ostream& err);

} // namespace corvane

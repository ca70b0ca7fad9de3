#include "core/cli/analysiscommands.h"

namespace corvane {

int RunValidateCommand(const CommandLine&, std::ostream&, std::ostream& err) {
    err << "--validate is not ready\n";
    return 2;
}

} // namespace corvane

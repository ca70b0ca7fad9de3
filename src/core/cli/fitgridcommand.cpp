#include "core/cli/analysiscommands.h"

namespace corvane {

int RunFitGridCommand(const CommandLine&, std::ostream&, std::ostream& err) {
    err << "--fit-grid is not ready\n";
    return 2;
}

} // namespace corvane

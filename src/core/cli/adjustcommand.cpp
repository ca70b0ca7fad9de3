#include "core/cli/analysiscommands.h"

namespace corvane {

Result<AdjustmentOptions> AdjustmentOptionsOf(const CommandLine&) {
    return AdjustmentOptions{};
}

int RunAdjustCommand(const CommandLine&, std::ostream&, std::ostream& err) {
    err << "--adjust is not ready\n";
    return 2;
}

} // namespace corvane

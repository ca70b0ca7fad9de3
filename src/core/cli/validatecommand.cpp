#include "core/base/numtext.h"
#include "core/cli/analysiscommands.h"
#include "core/cli/plancheck.h"
#include "core/reports/lodgement.h"

namespace corvane {

int RunValidateCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    auto refuse = [&err](const std::string& message) {
        err << Latin1ToUtf8(message) << '\n';
        return 2;
    };
    const auto accuracyClass = AccuracyClassOption(command);
    if (!accuracyClass)
        return refuse(accuracyClass.error().message);
    const auto options = AdjustmentOptionsOf(command);
    if (!options)
        return refuse(options.error().message);
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(loaded.error().message);
    const auto check = CheckPlanForLodgement(plan, accuracyClass.value(), options.value());
    if (!check)
        return refuse(check.error().message);
    // The findings are UTF-8 already.
    if (command.has("--json")) {
        out << LodgementCheckJson(check.value()) << '\n';
    } else {
        for (const std::string& line : LodgementCheckLines(check.value()))
            out << line << '\n';
    }
    out.flush();
    return check.value().HasError() ? 1 : 0;
}

} // namespace corvane

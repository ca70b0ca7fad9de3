#include "core/plancheck.h"

#include "core/closure.h"
#include "core/commandline.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/printtext.h"
#include "core/summary.h"

#include <optional>
#include <string>

namespace corvane {

namespace {

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

} // namespace

int RunPlanCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunPlanCheck(ParseCommandLine(args), out, err);
}

int RunPlanCheck(const CommandLine& command, std::ostream& out, std::ostream& err) {
    if (int answered = AnswerUsage(command, out, err); answered >= 0)
        return answered;
    if (command.Mode != CommandMode::Check) {
        err << CommandLineUsage();
        return 2;
    }
    const std::string accuracyClass = command.value("--accuracy", kDefaultAccuracyClass);
    PlanState plan;
    plan.PlanPath = PlanPathOfArgument(command.Plan);
    Status loaded = LoadLines(plan);
    if (!loaded)
        return refuse(err, loaded.error().message);

    const int mode = command.has("--full") ? SummaryFull : SummaryPrint;
    auto summary = ClosureSummary(mode, plan, accuracyClass);
    if (!summary)
        return refuse(err, summary.error().message);
    if (summary.value().Rows.empty())
        return refuse(err, "No parcels to close");
    if (!plan.chkArray)
        return refuse(err, "No lines loaded");

    for (const std::string& line : RenderPrintLines(summary.value().Lines))
        out << Latin1ToUtf8(line) << '\n';
    out.flush();
    return summary.value().AllAcceptable() ? 0 : 1;
}

} // namespace corvane

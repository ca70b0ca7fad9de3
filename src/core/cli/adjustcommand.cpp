#include "core/cli/analysiscommands.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/cli/plancheck.h"
#include "core/files/curves.h"
#include "core/reports/adjustreport.h"
#include "core/reports/diagnosis.h"

#include <string>

namespace corvane {

namespace {

// A figure of an option: a finite number; nullopt for anything else ("5mm", "", "nan").
std::optional<double> optionFigure(std::string_view text) {
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty() || !IsNumberText(trimmed))
        return std::nullopt;
    return FiniteVal(trimmed);
}

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

} // namespace

Result<AdjustmentOptions> AdjustmentOptionsOf(const CommandLine& command) {
    AdjustmentOptions options;
    if (command.Values.count("--sigma-distance")) {
        const std::string text = command.value("--sigma-distance");
        const std::size_t comma = text.find(',');
        const auto a = optionFigure(std::string_view(text).substr(0, comma));
        const auto b = comma == std::string::npos
                           ? std::optional<double>()
                           : optionFigure(std::string_view(text).substr(comma + 1));
        if (!a || !b || *a < 0 || *b < 0 || !(*a + *b > 0))
            return Error{"--sigma-distance needs A,B: a distance's standard deviation of A mm "
                         "plus B ppm (neither below 0, not both 0), e.g. 5,10; not \"" +
                             text + "\"",
                         ""};
        options.distanceMm = *a;
        options.distancePpm = *b;
    }
    if (command.Values.count("--sigma-bearing")) {
        const std::string text = command.value("--sigma-bearing");
        const auto s = optionFigure(text);
        if (!s || !(*s > 0))
            return Error{"--sigma-bearing needs S: a bearing's standard deviation in seconds "
                         "(above 0), e.g. 10; not \"" +
                             text + "\"",
                         ""};
        options.bearingSeconds = *s;
    }
    return options;
}

int RunAdjustCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    const auto accuracyClass = AccuracyClassOption(command);
    if (!accuracyClass)
        return refuse(err, accuracyClass.error().message);
    const auto options = AdjustmentOptionsOf(command);
    if (!options)
        return refuse(err, options.error().message);
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, loaded.error().message);
    const auto adjusted = AdjustPlan(plan, options.value());
    if (!adjusted)
        return refuse(err, adjusted.error().message);
    const PlanAdjustment& adjustment = adjusted.value();
    if (adjustment.all.observations.empty())
        return refuse(
            err,
            "No lines to adjust in " + plan.PlanPath +
                ": no line has a bearing and a distance, or none is joined to another by them");
    const std::string name = FileNameOf(plan.PlanPath);

    if (command.has("--json")) {
        out << AdjustmentJson(name, adjustment);
    } else {
        // The misclosure diagnosis explains a flagged line by a typing slip where one fits;
        // a plan it cannot read the parcels of is adjusted all the same.
        PlanDiagnosis diagnosis;
        if (auto curves = ReadCurveFile(plan.PlanPath)) {
            if (auto found = DiagnosePlan(plan, curves.value(), accuracyClass.value()))
                diagnosis = std::move(found).value();
        }
        for (const std::string& line :
             AdjustmentLines(name, adjustment, options.value(), diagnosis))
            out << line << '\n'; // already UTF-8
    }
    out.flush();
    return AdjustmentAcceptable(adjustment.all) ? 0 : 1;
}

} // namespace corvane

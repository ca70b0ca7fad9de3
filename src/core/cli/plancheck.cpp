#include "core/cli/plancheck.h"

#include "core/files/planlock.h"

#include "core/exchange/landxml.h"

#include "core/base/numtext.h"
#include "core/base/printtext.h"
#include "core/base/textfile.h"
#include "core/cli/analysiscommands.h"
#include "core/cli/commandline.h"
#include "core/edits/planedits.h"
#include "core/exchange/coordfile.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/plancommit.h"
#include "core/files/polygons.h"
#include "core/geometry/closure.h"
#include "core/geometry/plancoords.h"
#include "core/reports/diagnosis.h"
#include "core/reports/summary.h"

#include <optional>
#include <string>

namespace corvane {

namespace {

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

} // namespace

Result<std::string> AccuracyClassOption(const CommandLine& command) {
    if (!command.Values.count("--accuracy"))
        return std::string(kDefaultAccuracyClass);
    const std::string typed = command.value("--accuracy");
    if (auto named = AccuracyClassNamed(typed))
        return *named;
    std::string message = UnknownAccuracyClassMessage(typed) + "\nThe classes are:";
    for (const std::string& name : AccuracyClasses())
        message += "\n  " + name;
    return Error{message, ""};
}

Result<void> RecoverCommandPlan(const std::string& planPath, std::ostream& notices) {
    if (!PlanChangePending(planPath))
        return {};
    // Only the plan's holder finishes a change of its files: a command takes the plan for
    // that moment, as opening it for editing would, and leaves it to whoever has it open.
    const std::string lockFile = PlanLockFile(planPath);
    auto locked = TakePlanLock(lockFile, CurrentLockHolder());
    if (!locked || locked.value().Outcome != LockOutcome::Taken) {
        std::string who = "its journal remains";
        if (locked && !locked.value().Holder.User.empty())
            who = LockHolderText(FileNameOf(planPath), locked.value().Holder);
        return Error{"A change of the files of " + planPath + " is under way or was cut short (" +
                         who +
                         "): its files may be half changed.\nCheck it once the plan has been "
                         "opened and closed again.",
                     ""};
    }
    auto recovered = RecoverPlanFiles(planPath);
    ReleasePlanLock(lockFile, locked.value().Holder);
    if (!recovered)
        return recovered.error();
    if (const std::string report = recovered.value().Report(planPath); !report.empty())
        notices << Latin1ToUtf8(report) << '\n';
    return {};
}

Result<void> LoadCommandPlan(const std::string& argument, PlanState& plan, std::ostream& notices) {
    plan.PlanPath = PlanPathOfArgument(argument);
    if (Result<void> recovered = RecoverCommandPlan(plan.PlanPath, notices); !recovered)
        return recovered;
    if (!FileExists(plan.PlanPath + ".lns"))
        return Error{"Cannot find the lines file " + plan.PlanPath + ".lns", ""};
    return LoadLines(plan);
}

static int RunLineChecks(const CommandLine& command, std::ostream& out, std::ostream& err) {
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, loaded.error().message);
    std::vector<std::string> polygons;
    if (FileExists(plan.PlanPath + ".ply")) {
        auto read = ReadPolygonsFile(ResolveFileName(plan.PlanPath + ".ply"));
        if (!read)
            return refuse(err, read.error().message);
        polygons = std::move(read).value();
    }
    std::vector<std::string> report;
    bool found = false;
    if (command.Mode == CommandMode::Doubles) {
        report = {"Check for double lines in " + plan.PlanPath, ""};
        const DoubleLines doubles = FindDoubleLines(plan.PlanLines, polygons);
        for (const DoubleLineReport& r : doubles.Reports)
            report.push_back(r.Text());
        if (doubles.Count < 1)
            report.push_back("No double lines found");
        found = doubles.Count > 0;
    } else {
        auto curves = ReadCurveFile(plan.PlanPath);
        if (!curves)
            return refuse(err, curves.error().message);
        report = {"Check point errors in " + plan.PlanPath, ""};
        const auto errors =
            FindPointErrors(plan.PlanLines, BuildPlanCoordinates(plan.PlanLines, curves.value()));
        for (const PointErrorLine& e : errors)
            report.push_back(e.Text());
        if (errors.empty())
            report.push_back("No point errors detected");
        found = !errors.empty();
    }
    for (const std::string& text : report)
        out << Latin1ToUtf8(text) << '\n';
    out.flush();
    return found ? 1 : 0;
}

// Writes the coordinate file as its window does; a refusal writes nothing.
// "--import-landxml FILE --out BASE": the new plan written, its import report shown. Exit 1
// when the report leaves something out or changes it (observations skipped, parcels left
// out, edges without a line, points renumbered, names rewritten...).
static int RunImportCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    LandXmlImportOptions options;
    options.FillFromCoordinates = command.has("--fill-from-coordinates");
    auto imported = ImportLandXmlFile(command.Plan, options);
    if (!imported)
        return refuse(err, imported.error().message);
    const std::string base = PlanPathOfArgument(command.value("--out"));
    if (Result<void> written = WriteImportedPlan(imported.value(), base); !written)
        return refuse(err, written.error().message);
    for (const std::string& line : imported.value().Report)
        out << line << '\n';
    out << "Plan " << base << " written; report in " << ImportReportPath(base) << '\n';
    return imported.value().Findings ? 1 : 0;
}

// "--export-landxml PLAN --out FILE": the file holds what could be written; exit 1 when a
// parcel was left out or a point went without coordinates, each listed on stderr.
static int RunExportCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    const std::string planPath = PlanPathOfArgument(command.Plan);
    if (Result<void> recovered = RecoverCommandPlan(planPath, err); !recovered)
        return refuse(err, recovered.error().message);
    if (!FileExists(planPath + ".lns"))
        return refuse(err, "Cannot find the lines file " + planPath + ".lns");
    auto exported =
        ExportLandXmlFile(planPath, command.value("--out"), PlanState{}.PointNumberLimit);
    if (!exported)
        return refuse(err, exported.error().message);
    out << command.value("--out") << " written\n";
    const std::vector<std::string> findings = LandXmlExportFindings(exported.value());
    for (const std::string& line : findings)
        err << line << '\n';
    return findings.empty() ? 0 : 1;
}

static int RunCoordsCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    PlanState plan;
    plan.PlanPath = PlanPathOfArgument(command.Plan);
    if (Result<void> recovered = RecoverCommandPlan(plan.PlanPath, err); !recovered)
        return refuse(err, recovered.error().message);
    if (FileExists(plan.PlanPath + ".lns")) {
        if (Result<void> loaded = LoadLines(plan); !loaded)
            return refuse(err, loaded.error().message);
    }
    CoordFileRequest request;
    request.Origin = command.value("--origin");
    request.East = command.value("--east", request.East);
    request.North = command.value("--north", request.North);
    request.UseScaleFactor = command.Values.count("--scale") > 0;
    request.ScaleFactor = command.value("--scale");
    if (request.UseScaleFactor && request.ScaleFactor.empty())
        return refuse(err, "Invalid combined scale factor");
    request.IncludeMarks = command.has("--marks");
    request.Separator = command.value("--separator", request.Separator);
    request.Replace = command.has("--replace");
    auto created = CreateCoordFile(plan, request);
    if (!created) {
        std::string message = created.error().message;
        if (!request.Replace && FileExists(PlanFile(plan.PlanPath, ".cor")))
            message += "\nAdd --replace to replace it";
        return refuse(err, message);
    }
    out << Latin1ToUtf8(created.value().Message) << '\n';
    out.flush();
    return 0;
}

int RunCommandMode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunCommandMode(ParseCommandLine(args), out, err);
}

int RunCommandMode(const CommandLine& command, std::ostream& out, std::ostream& err) {
    if (int answered = AnswerUsage(command, out, err); answered >= 0)
        return answered;
    if (command.Mode == CommandMode::Doubles || command.Mode == CommandMode::PointErrors)
        return RunLineChecks(command, out, err);
    if (command.Mode == CommandMode::Coords)
        return RunCoordsCommand(command, out, err);
    if (command.Mode == CommandMode::ImportLandXml)
        return RunImportCommand(command, out, err);
    if (command.Mode == CommandMode::ExportLandXml)
        return RunExportCommand(command, out, err);
    if (command.Mode == CommandMode::Adjust)
        return RunAdjustCommand(command, out, err);
    if (command.Mode == CommandMode::Validate)
        return RunValidateCommand(command, out, err);
    if (command.Mode == CommandMode::FitGrid)
        return RunFitGridCommand(command, out, err);
    if (command.Mode != CommandMode::Check) {
        err << CommandLineUsage();
        return 2;
    }
    const auto accuracyClass = AccuracyClassOption(command);
    if (!accuracyClass)
        return refuse(err, accuracyClass.error().message);
    PlanState plan;
    plan.PlanPath = PlanPathOfArgument(command.Plan);
    if (Result<void> recovered = RecoverCommandPlan(plan.PlanPath, err); !recovered)
        return refuse(err, recovered.error().message);
    Result<void> loaded = LoadLines(plan);
    if (!loaded)
        return refuse(err, loaded.error().message);

    const int mode = command.has("--full") ? SummaryFull : SummaryPrint;
    auto summary = ClosureSummary(mode, plan, accuracyClass.value());
    if (!summary)
        return refuse(err, summary.error().message);
    if (summary.value().Rows.empty())
        return refuse(err, "No parcels to close");
    if (!plan.chkArray)
        return refuse(err, "No lines loaded");

    for (const std::string& line : RenderPrintLines(summary.value().Lines))
        out << Latin1ToUtf8(line) << '\n';
    if (command.has("--diagnose")) {
        auto curves = ReadCurveFile(plan.PlanPath);
        if (!curves)
            return refuse(err, curves.error().message);
        auto diagnosis = DiagnosePlan(plan, curves.value(), accuracyClass.value());
        if (!diagnosis)
            return refuse(err, diagnosis.error().message);
        for (const std::string& line : DiagnosisLines(diagnosis.value()))
            out << line << '\n'; // already UTF-8
    }
    out.flush();
    return summary.value().AllAcceptable() ? 0 : 1;
}

} // namespace corvane

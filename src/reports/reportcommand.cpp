#include "reports/reportcommand.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/cli/plancheck.h"
#include "core/files/linesfile.h"
#include "core/files/sdbfile.h"
#include "core/reports/planreport.h"
#include "core/reports/summary.h"
#include "platform/qtprintjob.h"
#include "reports/frmreport.h"

#include <QFileInfo>
#include <sstream>

namespace corvane {

namespace {

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

// Ticks the sections named in a comma-separated list; false for a name no section has.
bool chooseSections(const std::string& list, ReportRequest& request, std::string& unknown) {
    request.Summary = request.SurveyDetails = request.FullClosures = request.MarkJoins =
        request.AllDistances = false;
    std::stringstream names(list);
    for (std::string name; std::getline(names, name, ',');) {
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (name == "summary")
            request.Summary = true;
        else if (name == "sdb")
            request.SurveyDetails = true;
        else if (name == "full")
            request.FullClosures = true;
        else if (name == "pmjoins")
            request.MarkJoins = true;
        else if (name == "alldist")
            request.AllDistances = true;
        else {
            unknown = name;
            return false;
        }
    }
    return true;
}

QString loginName() {
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"})
        if (const QString name = qEnvironmentVariable(variable); !name.isEmpty())
            return name;
    return QStringLiteral("Corvane");
}

} // namespace

int RunReportCommand(const CommandLine& command, const FontChoice& font, std::ostream& out,
                     std::ostream& err) {
    if (int answered = AnswerUsage(command, out, err); answered >= 0)
        return answered;
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, loaded.error().message);

    ReportRequest request;
    auto record = LoadSDBfile(plan.PlanPath);
    if (!record)
        return refuse(err, record.error().message);
    request.Record = std::move(record).value();
    // As the report window opens: the summary, and the survey details of a named surveyor.
    request.SurveyDetails = !request.Record.Surveyor.empty();
    if (command.Values.count("--sections")) {
        std::string unknown;
        if (!chooseSections(command.value("--sections"), request, unknown))
            return refuse(err, "No report section is called \"" + unknown +
                                   "\": the sections are summary, sdb, full, pmjoins, alldist");
    }
    request.PrintName =
        command.Values.count("--name") ? command.value("--name") : toCore(loginName());
    if (request.PrintName.empty())
        return refuse(err, "--name needs a name to identify the print");
    request.Date = toCore(TodayText());
    const auto accuracyClass = AccuracyClassOption(command);
    if (!accuracyClass)
        return refuse(err, accuracyClass.error().message);
    request.AccuracyClass = accuracyClass.value();
    auto report = PlanReport(plan, request);
    if (!report)
        return refuse(err, report.error().message);

    if (!command.Values.count("--pdf")) {
        for (const std::string& line : RenderPrintLines(report.value()))
            out << Latin1ToUtf8(line) << '\n';
        out.flush();
        return 0;
    }
    const QString file = QString::fromLocal8Bit(command.value("--pdf"));
    if (QFileInfo(file).suffix().toLower() != QLatin1String("pdf"))
        return refuse(err, "The report file must end in .pdf: " + command.value("--pdf"));
    auto printed =
        PrintToPdfFile(file, QStringLiteral("Plan report ") + fromCore(FileNameOf(plan.PlanPath)),
                       [&](PrintJob& job) { PrintReport(job, font, report.value()); });
    if (!printed)
        return refuse(err, printed.error().message);
    out << "Report printed in " << file.toStdString() << " (" << printed.value()
        << (printed.value() == 1 ? " page)" : " pages)") << '\n';
    return 0;
}

} // namespace corvane

#include "core/cli/exportgiscommand.h"
#include "core/base/numtext.h"
#include "core/cli/plancheck.h"
#include "core/exchange/gisexport.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

// "EPSG:7856" (any letter case) as its code.
std::optional<int> epsgOption(const std::string& text) {
    if (text.size() <= 5)
        return std::nullopt;
    std::string authority = text.substr(0, 5);
    for (char& c : authority)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int code = 0;
    const char* first = text.data() + 5;
    const char* last = text.data() + text.size();
    const auto [end, failed] = std::from_chars(first, last, code);
    if (authority != "EPSG:" || failed != std::errc() || end != last || code <= 0)
        return std::nullopt;
    return code;
}

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

} // namespace

int RunExportGisCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    if (int answered = AnswerUsage(command, out, err); answered >= 0)
        return answered;
    GisExportOptions options;
    options.out = command.value("--out");
    if (command.Values.count("--crs")) {
        const auto code = epsgOption(command.value("--crs"));
        if (!code)
            return refuse(err, "Unknown coordinate system " + command.value("--crs") +
                                   ": give it as EPSG:N (for example EPSG:7856)");
        options.epsg = *code;
    }
    const auto accuracy = AccuracyClassOption(command);
    if (!accuracy)
        return refuse(err, accuracy.error().message);
    options.accuracyClass = accuracy.value();
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, loaded.error().message);
    const Result<GisExportSummary> exported = ExportGis(plan, options);
    if (!exported)
        return refuse(err, exported.error().message);
    const GisExportSummary& summary = exported.value();
    out << Latin1ToUtf8(plan.PlanPath) << " exported to " << options.out << "\n"
        << "CRS: " << Latin1ToUtf8(summary.crs) << "\n"
        << "Parcels: " << summary.parcels << "\n"
        << "Lines: " << summary.lines << "\n"
        << "Points: " << summary.points << "\n";
    for (const std::string& note : summary.notes)
        err << Latin1ToUtf8(note) << '\n';
    return summary.leftOut > 0 ? 1 : 0;
}

} // namespace corvane

extern "C" int CorvaneExportGisMain(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return corvane::RunExportGisCommand(corvane::ParseCommandLine(args), std::cout, std::cerr);
}

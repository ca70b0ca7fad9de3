#include "core/plancheck.h"

#include "core/closure.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/printtext.h"
#include "core/summary.h"

#include <optional>
#include <string>

namespace corvane {

namespace {

constexpr const char* kUsage =
    "Usage: corvane [PLAN.lns]\n"
    "       corvane VRX...\n"
    "       corvane --check PLAN [--accuracy CLASS] [--full]\n"
    "       corvane --help\n"
    "\n"
    "Without options, opens the plan whose lines file is named (local mode); a command line\n"
    "beginning with VRX names the network root (network mode).\n"
    "\n"
    "  --check PLAN       check the closure of every parcel of a plan without a display and\n"
    "                     print the closure summary. PLAN is the plan's lines file or its\n"
    "                     base path (folder and plan identifier).\n"
    "  --accuracy CLASS   the accuracy class of the allowable misclosure, default\n"
    "                     \"Surveyed Polygons\". The classes: \"Steep or mountainous\",\n"
    "                     \"Level or undulating\", \"Surveyed Polygons\", \"Urban Survey (prior\n"
    "                     Feb 2019)\", \"Rural Survey (prior Feb 2019)\", \"Marrick City Core\n"
    "                     District\", \"Commercial and City Frame District\". Any other text\n"
    "                     allows no misclosure.\n"
    "  --full             print the full closure report (every line of every parcel).\n"
    "  --help             show this help.\n"
    "\n"
    "Exit status of --check: 0 every parcel closes acceptably; 1 a parcel has missing data\n"
    "or a misclosure that is not acceptable; 2 the plan cannot be read.\n";

struct CheckOptions {
    bool help = false;
    bool full = false;
    std::optional<std::string> plan;
    std::string accuracyClass = kDefaultAccuracyClass;
};

// nullopt when the arguments are not a check's.
std::optional<CheckOptions> parseOptions(const std::vector<std::string>& args) {
    CheckOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            o.help = true;
        } else if (a == "--full") {
            o.full = true;
        } else if (a == "--check" || a == "--accuracy") {
            if (i + 1 >= args.size())
                return std::nullopt;
            if (a == "--check")
                o.plan = args[++i];
            else
                o.accuracyClass = args[++i];
        } else {
            return std::nullopt;
        }
    }
    return o;
}

// The plan a lines file belongs to, as opening a plan takes it: a final ".lns" in any letter
// case is dropped; any other name is the plan's base path as it stands.
std::string planPathOf(const std::string& name) {
    const std::string upper = UpperCase(name);
    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".LNS") == 0)
        return name.substr(0, name.size() - 4);
    return name;
}

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

} // namespace

bool IsCommandLineCheck(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--check" || a == "--help")
            return true;
    return false;
}

int RunPlanCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto options = parseOptions(args);
    if (!options) {
        err << kUsage;
        return 2;
    }
    if (options->help) {
        out << kUsage;
        return 0;
    }
    if (!options->plan) {
        err << kUsage;
        return 2;
    }

    PlanState plan;
    plan.PlanPath = planPathOf(*options->plan);
    Status loaded = LoadLines(plan);
    if (!loaded)
        return refuse(err, loaded.error().message);

    const int mode = options->full ? SummaryFull : SummaryPrint;
    auto summary = ClosureSummary(mode, plan, options->accuracyClass);
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

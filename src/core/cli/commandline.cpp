#include "core/cli/commandline.h"

#include "core/base/numtext.h"

#include <algorithm>

namespace corvane {

namespace {

struct ModeOptions {
    const char* mode;
    CommandMode value;
    std::vector<std::string> valued;
    std::vector<std::string> flags;
    std::vector<std::string> required;
};

const std::vector<ModeOptions>& modes() {
    static const std::vector<ModeOptions> table = {
        {"--check", CommandMode::Check, {"--accuracy"}, {"--full", "--diagnose"}, {}},
        {"--draw",
         CommandMode::Draw,
         {"--out", "--size", "--scale", "--paper"},
         {"--parcels", "--points", "--bearings"},
         {"--out"}},
        {"--doubles", CommandMode::Doubles, {}, {}, {}},
        {"--point-errors", CommandMode::PointErrors, {}, {}, {}},
        {"--coords",
         CommandMode::Coords,
         {"--origin", "--east", "--north", "--scale", "--separator"},
         {"--marks", "--replace"},
         {"--origin"}},
        {"--report", CommandMode::Report, {"--sections", "--name", "--pdf", "--accuracy"}, {}, {}},
        {"--import-landxml",
         CommandMode::ImportLandXml,
         {"--out"},
         {"--fill-from-coordinates"},
         {"--out"}},
        {"--export-landxml", CommandMode::ExportLandXml, {"--out"}, {}, {"--out"}},
        {"--adjust",
         CommandMode::Adjust,
         {"--accuracy", "--sigma-distance", "--sigma-bearing"},
         {"--json"},
         {}},
        {"--fit-grid", CommandMode::FitGrid, {"--marks", "--tolerance"}, {"--json"}, {}},
        {"--export-gis", CommandMode::ExportGis, {"--out", "--crs", "--accuracy"}, {}, {"--out"}},
        {"--validate",
         CommandMode::Validate,
         {"--accuracy", "--sigma-distance", "--sigma-bearing"},
         {"--json"},
         {}},
    };
    return table;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

const char* CommandLineUsage() {
    return "Usage: corvane [PLAN.lns]\n"
           "       corvane VRX...\n"
           "       corvane --check PLAN [--accuracy CLASS] [--full] [--diagnose]\n"
           "       corvane --draw PLAN --out FILE [--size WxH] [--parcels] [--points] "
           "[--bearings]\n"
           "                                      [--scale S]\n"
           "       corvane --doubles PLAN\n"
           "       corvane --point-errors PLAN\n"
           "       corvane --coords PLAN --origin POINT [--east E] [--north N] [--scale F]\n"
           "                             [--marks] [--separator S] [--replace]\n"
           "       corvane --report PLAN [--sections LIST] [--name NAME] [--pdf FILE]\n"
           "                             [--accuracy CLASS]\n"
           "       corvane --import-landxml FILE.xml --out BASE [--fill-from-coordinates]\n"
           "       corvane --export-landxml PLAN --out FILE.xml\n"
           "       corvane --adjust PLAN [--accuracy CLASS] [--sigma-distance A,B]\n"
           "                             [--sigma-bearing S] [--json]\n"
           "       corvane --validate PLAN [--accuracy CLASS] [--sigma-distance A,B]\n"
           "                               [--sigma-bearing S] [--json]\n"
           "       corvane --fit-grid PLAN [--marks FILE.csv] [--tolerance M] [--json]\n"
           "       corvane --export-gis PLAN --out FILE.gpkg|FILE.geojson [--crs EPSG:N]\n"
           "                               [--accuracy CLASS]\n"
           "       corvane --help\n"
           "\n"
           "Without options, opens the plan whose lines file is named (local mode); a command\n"
           "line beginning with VRX names the network root (network mode). PLAN is the plan's\n"
           "lines file or its base path (folder and plan identifier). The other modes need no\n"
           "display.\n"
           "\n"
           "  --check PLAN       check the closure of every parcel of a plan and print the\n"
           "                     closure summary.\n"
           "  --accuracy CLASS   the accuracy class of the allowable misclosure, default\n"
           "                     \"Surveyed Polygons\". The classes: \"Steep or mountainous\",\n"
           "                     \"Level or undulating\", \"Surveyed Polygons\", \"Urban Survey "
           "(prior\n"
           "                     Feb 2019)\", \"Rural Survey (prior Feb 2019)\", \"Marrick City "
           "Core\n"
           "                     District\", \"Commercial and City Frame District\" (in any "
           "letter\n"
           "                     case). Any other text is refused.\n"
           "  --full             print the full closure report (every line of every parcel).\n"
           "  --diagnose         after the summary, name for each parcel that does not close\n"
           "                     the single figures (a bearing, a distance or an arc's turn)\n"
           "                     whose correction would close it, likeliest first; first the\n"
           "                     corrections of stored lines that close every failing parcel\n"
           "                     walking them and break none that closes. Nothing is changed.\n"
           "  --draw PLAN        draw the whole plan as the plan view shows it when opened, into\n"
           "                     FILE: a PNG or SVG picture by FILE's extension, or with a\n"
           "                     .pdf FILE the printout on A4 sheets at a standard scale.\n"
           "  --size WxH         the picture's size in pixels, default 1600x1200.\n"
           "  --parcels          with the parcel identifiers; --points with the point numbers;\n"
           "                     --bearings with each line's bearing and distance.\n"
           "  --scale S          with a .pdf FILE: the printout at 1:S, on as many sheets\n"
           "                     as the plan needs at that scale.\n"
           "  --paper A4|A3      with a .pdf FILE: the sheet printed on, default A4.\n"
           "  --doubles PLAN     report the plan's double lines (the same points joined twice,\n"
           "                     or boundary or easement lines overlapping from one point).\n"
           "  --point-errors PLAN  report the lines whose ends lie more than twice their\n"
           "                     distance apart in the plan's coordinates.\n"
           "  --coords PLAN      write the plan's coordinate file PLAN.cor: every point fixed\n"
           "                     from the lines and joined to the origin point, one line each.\n"
           "  --origin POINT     the point given the coordinates E and N (default 0.000); a\n"
           "                     mark by its label, as PM1234.\n"
           "  --scale F          multiply every distance by the combined scale factor F first.\n"
           "  --marks            include the survey marks.\n"
           "  --separator S      between the fields: \"comma and space\" (default), \"comma\",\n"
           "                     \"space\", \"Tab\", or the text S itself.\n"
           "  --replace          write over an existing coordinate file (refused without it).\n"
           "  --report PLAN      print the plan report as text, or with --pdf into a PDF file.\n"
           "  --sections LIST    the sections, separated by commas: summary, sdb (survey data\n"
           "                     base details), full (full closures), pmjoins (joins between\n"
           "                     permanent marks), alldist (ALL distances along straight\n"
           "                     lines). Default: summary, and sdb when the plan names its\n"
           "                     surveyor.\n"
           "  --name NAME        the name the report is printed by (default: the login name).\n"
           "  --import-landxml FILE.xml  make the new plan BASE (its lines, polygons, curve and\n"
           "                     context parcel files, and the import report\n"
           "                     BASE-import.txt) from a LandXML 1.x file; refused when a\n"
           "                     file of BASE exists.\n"
           "  --fill-from-coordinates  give a parcel edge no observation measures a line from\n"
           "                     its points' coordinates (else it stays missing data).\n"
           "  --export-landxml PLAN  write the plan as LandXML 1.2 into FILE.xml, with its\n"
           "                     context parcels; parcels left out (a corner without\n"
           "                     coordinates), points without coordinates and lines\n"
           "                     without their bearing are listed on stderr (exit 1).\n"
           "  --adjust PLAN      adjust the whole plan's network of lines by least squares and\n"
           "                     test it: adjusted coordinates with their error ellipses, each\n"
           "                     observation's residual and w-test, the global test, and the\n"
           "                     blunder search (exit 1 when the global test fails or an\n"
           "                     observation is flagged).\n"
           "  --sigma-distance A,B  a distance's standard deviation, A mm plus B ppm (default\n"
           "                     5,10); --sigma-bearing S a bearing's, in seconds (default 10).\n"
           "  --json             print the results as JSON.\n"
           "  --validate PLAN    check the plan before lodgement: closures, stated areas, arcs,\n"
           "                     the network, its loops, its marks and the adjustment; each\n"
           "                     finding graded error, warning or information (exit 1 with an\n"
           "                     error).\n"
           "  --fit-grid PLAN    fit the plan onto the map grid coordinates of its marks (the\n"
           "                     plan's grid file PLAN.grd, or --marks FILE.csv of\n"
           "                     mark,east,north): scale, rotation, each mark's residual; a\n"
           "                     mark beyond --tolerance M (default 0.05) is flagged as\n"
           "                     possibly disturbed and left out (exit 1).\n"
           "  --export-gis PLAN  write the plan for a GIS into FILE.gpkg (curved parcels) or\n"
           "                     FILE.geojson: parcels with their closures, lines, points; on\n"
           "                     the fitted map grid, or --crs EPSG:N, or a local CRS.\n"
           "  --help             show this help.\n"
           "\n"
           "Exit status: 0 all is well; 1 the plan has findings (--check: a parcel has missing\n"
           "data or a misclosure that is not acceptable); 2 the plan cannot be read or the\n"
           "request is refused, and nothing is written. --doubles and --point-errors exit 1 when "
           "they\n"
           "find any line to report.\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine command;
    const ModeOptions* mode = nullptr;
    bool help = false;
    std::vector<std::string> loose; // arguments that are no option
    const ModeOptions* named = nullptr;
    for (const std::string& a : args)
        if (auto m = std::find_if(modes().begin(), modes().end(),
                                  [&a](const ModeOptions& o) { return a == o.mode; });
            m != modes().end()) {
            named = &*m;
            break;
        }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            loose.push_back(a);
            continue;
        }
        if (a == "--help") {
            help = true;
            continue;
        }
        if (a == "--screenshot") { // the developers' picture of the main window
            if (i + 1 >= args.size())
                return CommandLine{CommandMode::Window, {}, {}, {}, "--screenshot needs a FILE"};
            command.Values[a] = args[++i];
            continue;
        }
        auto m = std::find_if(modes().begin(), modes().end(),
                              [&a](const ModeOptions& o) { return a == o.mode; });
        if (m != modes().end()) {
            if (mode || i + 1 >= args.size()) {
                command.Refusal = mode ? "only one mode at a time" : a + " needs a PLAN";
                return command;
            }
            mode = &*m;
            command.Mode = m->value;
            command.Plan = args[++i];
            continue;
        }
        // An option may take a value in one mode and be a switch in another ("--marks": the
        // fit's file of marks, the coordinates' switch): the mode named decides.
        const bool modeValued = named && contains(named->valued, a);
        const bool modeFlag = named && contains(named->flags, a);
        const bool valued =
            modeValued ||
            (!modeFlag && std::any_of(modes().begin(), modes().end(), [&a](const ModeOptions& o) {
                return contains(o.valued, a);
            }));
        const bool flag =
            modeFlag || std::any_of(modes().begin(), modes().end(),
                                    [&a](const ModeOptions& o) { return contains(o.flags, a); });
        if (!valued && !flag) {
            command.Refusal = "unknown option " + a;
            return command;
        }
        if (valued) {
            if (i + 1 >= args.size()) {
                command.Refusal = a + " needs a value";
                return command;
            }
            command.Values[a] = args[++i];
        } else {
            command.Flags.insert(a);
        }
    }
    if (help) {
        command.Mode = CommandMode::Help;
        return command;
    }
    if (!mode) {
        if (!command.Flags.empty() || command.Values.size() > command.Values.count("--screenshot"))
            command.Refusal = "options without a mode";
        return command;
    }
    if (!loose.empty()) {
        command.Refusal = "unexpected argument " + loose.front();
        return command;
    }
    for (const auto& [option, value] : command.Values)
        if (!contains(mode->valued, option)) {
            command.Refusal = option + " is no option of " + mode->mode;
            return command;
        }
    for (const std::string& option : command.Flags)
        if (!contains(mode->flags, option)) {
            command.Refusal = option + " is no option of " + mode->mode;
            return command;
        }
    for (const std::string& option : mode->required)
        if (!command.Values.count(option)) {
            command.Refusal = std::string(mode->mode) + " needs " + option;
            return command;
        }
    return command;
}

std::string PlanPathOfArgument(const std::string& name) {
    const std::string upper = UpperCase(name);
    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".LNS") == 0)
        return name.substr(0, name.size() - 4);
    return name;
}

int AnswerUsage(const CommandLine& command, std::ostream& out, std::ostream& err) {
    if (!command.Refusal.empty()) {
        err << "corvane: " << command.Refusal << "\n\n" << CommandLineUsage();
        return 2;
    }
    if (command.Mode == CommandMode::Help) {
        out << CommandLineUsage();
        return 0;
    }
    return -1;
}

} // namespace corvane

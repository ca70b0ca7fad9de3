#pragma once

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace corvane {

// What the program's command line asks for: the window (with a plan to open, or a network
// root), or one of the modes that run without a display and print their results.
enum class CommandMode {
    Window,
    Help,
    Check,
    Draw,
    Doubles,
    PointErrors,
    Coords,
    Report,
    ImportLandXml,
    ExportLandXml,
    Adjust,
    Validate,
    FitGrid,
    ExportGis
};

struct CommandLine {
    CommandMode Mode = CommandMode::Window;
    std::string Plan;                          // the mode's PLAN
    std::map<std::string, std::string> Values; // "--accuracy" → "Surveyed Polygons"...
    std::set<std::string> Flags;               // "--full", "--points"...
    std::string Refusal; // not empty: the command line cannot be run (usage, exit 2)

    bool has(const std::string& flag) const { return Flags.count(flag) > 0; }
    std::string value(const std::string& option, const std::string& otherwise = {}) const {
        auto it = Values.find(option);
        return it == Values.end() ? otherwise : it->second;
    }
    // True when no window is to be opened.
    bool headless() const { return Mode != CommandMode::Window || !Refusal.empty(); }
};

// One parser for every mode: "--MODE PLAN" and the options of that mode. An option no mode
// knows, an option of another mode, a missing value or PLAN, or a second mode is a refusal.
// Without a mode the arguments are the window's (the plan or "VRX..." and the developers'
// "--screenshot FILE").
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text of every mode.
const char* CommandLineUsage();

// The plan a lines file belongs to, as opening a plan takes it: a final ".lns" in any letter
// case is dropped; any other name is the plan's base path as it stands.
std::string PlanPathOfArgument(const std::string& name);

// Prints the usage to err for a refusal (exit 2), or to out for --help (exit 0); -1 when the
// command line is neither.
int AnswerUsage(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane

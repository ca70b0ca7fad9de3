#include "core/base/jsontext.h"
#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/cli/analysiscommands.h"
#include "core/cli/plancheck.h"
#include "core/files/gridmarks.h"
#include "core/geometry/gridfit.h"
#include "core/model/pointlabel.h"

#include <cmath>
#include <string>
#include <vector>

namespace corvane {

namespace {

int refuse(std::ostream& err, const std::string& message) {
    err << Latin1ToUtf8(message) << '\n';
    return 2;
}

// A rotation in seconds as a surveyor reads an angle: sign, degrees, minutes and seconds.
std::string angleText(double seconds) {
    const double tenths = std::round(std::fabs(seconds) * 10);
    const auto whole = static_cast<long long>(tenths) / 10;
    const auto tenth = static_cast<long long>(tenths) % 10;
    return std::string(seconds < 0 && tenths > 0 ? "-" : "") + std::to_string(whole / 3600) +
           "\xB0" + std::to_string(whole / 60 % 60) + "'" + std::to_string(whole % 60) + "." +
           std::to_string(tenth) + "\"";
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

std::string leftAligned(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

struct MarksSource {
    GridMarks grid;   // the zone and datum always from the plan's grid file
    std::string from; // the file the marks came from
    std::vector<std::string> notes;
};

std::vector<std::string> fitLines(const std::string& name, const PlanGridFit& result,
                                  const MarksSource& source, double tolerance) {
    const GridFit& fit = result.fit;
    std::vector<std::string> lines = {"Map grid fit of " + name,
                                      "Plan coordinates: " + result.source,
                                      "Marks from " + source.from};
    if (source.grid.zone != 0 || !source.grid.datum.empty()) {
        const int epsg = MapGridEpsg(source.grid.zone, source.grid.datum);
        lines.push_back("Map grid: zone " +
                        (source.grid.zone ? std::to_string(source.grid.zone) : "unknown") +
                        ", datum " + (source.grid.datum.empty() ? "unknown" : source.grid.datum) +
                        (epsg ? ", EPSG:" + std::to_string(epsg) : ", no EPSG code known"));
    }
    if (!fit.fitted) {
        lines.push_back("Not fitted: the plan stays on its local coordinates");
    } else {
        lines.push_back("Scale factor: " + Format(fit.scale, "0.00000000") + " (" +
                        Format(fit.scalePpm(), "0.00") + " ppm)");
        lines.push_back("Rotation: " + Format(fit.rotationSeconds(), "0.00") + " seconds (" +
                        angleText(fit.rotationSeconds()) + "), clockwise positive");
        lines.push_back("Shift: east " + Format(fit.shiftEast, "0.000") + ", north " +
                        Format(fit.shiftNorth, "0.000"));
        lines.push_back("RMS of the marks fitted: " + Format(fit.rms, "0.000") + " m (tolerance " +
                        Format(tolerance, "0.000") + " m)");
        lines.push_back("");
        lines.push_back("Mark            East         North   Res east  Res north   Residual");
        for (const MarkFit& m : fit.marks)
            lines.push_back(leftAligned(PointNumberToLabel(m.number), 9) +
                            padded(Format(m.gridEast, "0.000"), 14) +
                            padded(Format(m.gridNorth, "0.000"), 14) +
                            padded(Format(m.residualEast, "0.000"), 11) +
                            padded(Format(m.residualNorth, "0.000"), 11) +
                            padded(Format(m.residual, "0.000"), 11) +
                            (m.flagged ? "  flagged: possibly disturbed, left out" : ""));
    }
    std::vector<std::string> notes = source.notes;
    notes.insert(notes.end(), fit.notes.begin(), fit.notes.end());
    if (!notes.empty()) {
        lines.push_back("");
        lines.push_back("Notes:");
        for (const std::string& n : notes)
            lines.push_back("  " + n);
    }
    return lines;
}

std::string fitJson(const std::string& name, const PlanGridFit& result, const MarksSource& source) {
    const GridFit& fit = result.fit;
    auto figure = [&](double value, int decimals) {
        return fit.fitted ? JsonNumber(value, decimals) : std::string("null");
    };
    const int epsg = MapGridEpsg(source.grid.zone, source.grid.datum);
    std::string j =
        "{\"plan\": " + JsonString(Latin1ToUtf8(name)) +
        ", \"fitted\": " + (fit.fitted ? "true" : "false") +
        ", \"source\": " + JsonString(result.source) +
        ",\n \"scale_ppm\": " + figure(fit.scalePpm(), 3) +
        ", \"rotation_seconds\": " + figure(fit.rotationSeconds(), 2) +
        ", \"shift\": {\"east\": " + figure(fit.shiftEast, 4) +
        ", \"north\": " + figure(fit.shiftNorth, 4) + "}, \"rms\": " + figure(fit.rms, 4) +
        ",\n \"zone\": " + (source.grid.zone ? std::to_string(source.grid.zone) : "null") +
        ", \"datum\": " +
        (source.grid.datum.empty() ? "null" : JsonString(Latin1ToUtf8(source.grid.datum))) +
        ", \"epsg\": " + (epsg ? std::to_string(epsg) : "null") + ",\n \"marks\": [";
    for (std::size_t i = 0; i < fit.marks.size(); ++i) {
        const MarkFit& m = fit.marks[i];
        j += std::string(i ? ",\n  " : "\n  ") +
             "{\"mark\": " + JsonString(PointNumberToLabel(m.number)) +
             ", \"east\": " + JsonNumber(m.gridEast, 4) +
             ", \"north\": " + JsonNumber(m.gridNorth, 4) +
             ", \"residual_east\": " + figure(m.residualEast, 4) +
             ", \"residual_north\": " + figure(m.residualNorth, 4) +
             ", \"residual\": " + figure(m.residual, 4) +
             ", \"flagged\": " + (m.flagged ? "true" : "false") + "}";
    }
    j += "],\n \"left_out\": [";
    for (std::size_t i = 0; i < fit.leftOut.size(); ++i)
        j += std::string(i ? ", " : "") + JsonString(PointNumberToLabel(fit.leftOut[i]));
    j += "],\n \"notes\": [";
    std::vector<std::string> notes = source.notes;
    notes.insert(notes.end(), fit.notes.begin(), fit.notes.end());
    for (std::size_t i = 0; i < notes.size(); ++i)
        j += std::string(i ? ",\n  " : "\n  ") + JsonString(Latin1ToUtf8(notes[i]));
    return j + "]}\n";
}

} // namespace

int RunFitGridCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    GridFitOptions options;
    if (command.Values.count("--tolerance")) {
        const std::string text = command.value("--tolerance");
        const std::string_view trimmed = TrimBlanks(text);
        const auto figure = !trimmed.empty() && IsNumberText(trimmed) ? FiniteVal(trimmed)
                                                                      : std::optional<double>();
        if (!figure || !(*figure > 0))
            return refuse(err, "--tolerance needs M: the residual in metres (above 0) beyond "
                               "which a mark is flagged, e.g. 0.05; not \"" +
                                   text + "\"");
        options.tolerance = *figure;
    }
    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, loaded.error().message);

    MarksSource source;
    auto grid = ReadGridMarks(plan.PlanPath);
    std::vector<KnownMark> marks;
    if (command.Values.count("--marks")) {
        auto csv = ReadMarksCsv(command.value("--marks"));
        if (!csv)
            return refuse(err, csv.error().message);
        marks = std::move(csv).value();
        source.from = command.value("--marks");
        // The typed marks stand alone; the zone and datum are still the plan's.
        if (grid)
            source.grid = std::move(grid).value();
        else
            source.notes.push_back("The plan's grid file gives no zone or datum: " +
                                   grid.error().message);
        source.grid.marks.clear();
    } else {
        if (!grid)
            return refuse(err, grid.error().message);
        source.grid = std::move(grid).value();
        marks = source.grid.marks;
        source.from = GridMarksPath(plan.PlanPath);
        if (marks.empty())
            source.notes.push_back("No mark of the plan has map grid coordinates: import them "
                                   "with the plan's LandXML file, enter them, or give --marks "
                                   "FILE.csv");
    }

    const auto fitted = FitPlanToGrid(plan, marks, options);
    if (!fitted)
        return refuse(err, fitted.error().message);
    const std::string name = FileNameOf(plan.PlanPath);
    if (command.has("--json")) {
        out << fitJson(name, fitted.value(), source);
    } else {
        for (const std::string& line : fitLines(name, fitted.value(), source, options.tolerance))
            out << Latin1ToUtf8(line) << '\n';
    }
    out.flush();
    return fitted.value().fit.fitted && fitted.value().fit.leftOut.empty() ? 0 : 1;
}

} // namespace corvane

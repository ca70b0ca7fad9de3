#include "core/base/numtext.h"
#include "core/exchange/landxmlimport.h"
#include "core/model/pointlabel.h"

#include <optional>

namespace corvane::landxml {

namespace {

// The datum a name gives in any of the spellings lodged files use ("GDA2020", "GDA 2020",
// "MGA2020 Zone 56", "GDA94"...): the program's own name of it, or empty.
std::string knownDatum(std::string_view text) {
    std::string squeezed;
    for (char c : text)
        if (c != ' ' && c != '-' && c != '_')
            squeezed += c;
    squeezed = UpperCase(squeezed);
    for (const char* name : {"GDA2020", "MGA2020"})
        if (squeezed.find(name) != std::string::npos)
            return "GDA2020";
    for (const char* name : {"GDA94", "MGA94", "GDA1994"})
        if (squeezed.find(name) != std::string::npos)
            return "GDA94";
    return {};
}

// A map grid zone of the file: a whole number from 1 to 60.
std::optional<int> gridZone(const pugi::xml_node& node) {
    const pugi::xml_attribute zone = node.attribute("zoneNumber");
    if (!zone)
        return std::nullopt;
    const auto value = NumberField(TrimWhiteSpace(zone.value()), 1, 60);
    if (!value || *value != static_cast<int>(*value))
        return 0;
    return static_cast<int>(*value);
}

} // namespace

void Importer::keepGridMarks(const std::vector<std::string>& order,
                             const std::unordered_map<std::string, pugi::xml_node>& nodes,
                             const std::unordered_set<std::string>& markKeys) {
    GridMarks grid;
    const pugi::xml_node system = child(root_, "CoordinateSystem");
    if (system) {
        std::string datum(TrimWhiteSpace(system.attribute("horizontalDatum").value()));
        if (datum.empty())
            datum = TrimWhiteSpace(system.attribute("datum").value());
        for (const char* attribute :
             {"name", "projectedCoordinateSystemName", "horizontalCoordinateSystemName"})
            if (grid.system.empty())
                grid.system = storableText(TrimWhiteSpace(system.attribute(attribute).value()));
        // The state's map grids by their EPSG codes: GDA2020 MGA zones are 7800 + zone,
        // GDA94 MGA zones 28300 + zone.
        const auto epsg =
            NumberField(TrimWhiteSpace(system.attribute("epsgCode").value()), 7801, 28360);
        if (epsg && *epsg >= 7846 && *epsg <= 7859)
            grid = {static_cast<int>(*epsg) - 7800, "GDA2020", grid.system, {}};
        else if (epsg && *epsg >= 28348 && *epsg <= 28358)
            grid = {static_cast<int>(*epsg) - 28300, "GDA94", grid.system, {}};
        if (grid.datum.empty()) {
            grid.datum = knownDatum(datum);
            if (grid.datum.empty())
                grid.datum = knownDatum(grid.system);
            if (grid.datum.empty())
                grid.datum = storableText(datum); // another datum, named as the file names it
        }
    }
    // A system named only as a local one (a site grid, a datum called "Local" or "Assumed")
    // is no map grid: only a zone, a map grid's EPSG code or a datum a map grid is on names one.
    bool named = grid.zone != 0 || !knownDatum(grid.datum).empty();
    std::vector<std::string> lines;
    for (const std::string& key : order) {
        const Coord& c = coords_.at(key);
        const pugi::xml_node point = nodes.at(key);
        const bool control = UpperCase(point.attribute("pntSurv").value()) == "CONTROL";
        if (!c.known || (!markKeys.count(key) && !control))
            continue;
        // A point's zone is its own or its point list's.
        std::optional<int> zone = gridZone(point);
        for (pugi::xml_node list = point.parent(); !zone && list; list = list.parent())
            if (localName(list) == "CgPoints")
                zone = gridZone(list);
        const std::string label = PointNumberToLabel(numbers_.at(key));
        if (zone) {
            named = true;
            if (*zone == 0 || (grid.zone != 0 && *zone != grid.zone)) {
                lines.push_back("  " + label + " (point " + shown(key) + ") left out: zone " +
                                std::string(TrimWhiteSpace(point.attribute("zoneNumber").value())) +
                                (*zone == 0 ? " is no map grid zone"
                                            : ", the others' is " + std::to_string(grid.zone)));
                continue;
            }
            grid.zone = *zone;
        }
        grid.marks.push_back({numbers_.at(key), c.east, c.north});
        lines.push_back("  " + label + " east " + Format(c.east, "0.000") + " north " +
                        Format(c.north, "0.000"));
    }
    // Coordinates in no named system may well be the plan's own local ones (a plan exported
    // by this program is): they are no map grid to fit to.
    if (!named || grid.marks.empty())
        return;
    plan_.Grid = std::move(grid);
    gridMarks_ = std::move(lines);
}

} // namespace corvane::landxml

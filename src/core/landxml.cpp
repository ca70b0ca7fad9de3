#include "core/landxml.h"

#include "core/bearing.h"
#include "core/filestate.h"
#include "core/linesfile.h"
#include "core/numtext.h"
#include "core/plancoords.h"
#include "core/pointlabel.h"
#include "core/polygons.h"
#include "core/textfile.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

constexpr const char* kImportTitle = "Import LandXML error";
constexpr const char* kExportTitle = "Export LandXML error";
constexpr double kFoot = 0.3048;
constexpr double kSurveyFoot = 1200.0 / 3937.0;

// The parcel classes of LandXML and the type codes of identifiers.
struct ParcelClass {
    const char* code;
    const char* name;
};
constexpr ParcelClass kClasses[] = {
    {"OB", "Outer Boundary"}, {"AL", "Allotment"}, {"PI", "Piece"}, {"LT", "Lot"},
    {"PT", "Part Lot"},       {"EA", "Easement"},  {"RD", "Road"},  {"RE", "Reserve"}};

// The local part of an element's name: "lx:CgPoint" and "CgPoint" are one element.
std::string_view localName(const pugi::xml_node& node) {
    std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && localName(c) == name)
            return c;
    return {};
}

// Every element of that local name below node, in document order.
std::vector<pugi::xml_node> descendants(const pugi::xml_node& node, std::string_view name) {
    std::vector<pugi::xml_node> found;
    struct Walker : pugi::xml_tree_walker {
        std::string_view name;
        std::vector<pugi::xml_node>* out = nullptr;
        bool for_each(pugi::xml_node& n) override {
            if (n.type() == pugi::node_element && localName(n) == name)
                out->push_back(n);
            return true;
        }
    } walker;
    walker.name = name;
    walker.out = &found;
    const_cast<pugi::xml_node&>(node).traverse(walker);
    return found;
}

std::string trimmed(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    return std::string(text.substr(b, e - b));
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::optional<double> number(std::string_view text) {
    const std::string t = trimmed(text);
    if (!IsNumberText(t))
        return std::nullopt;
    return FiniteVal(t);
}

// The units a file's figures are in.
struct Units {
    double Linear = 1; // metres per unit
    double Area = 1;   // square metres per unit
    enum class Angle { Packed, Degrees, Radians, Grads } Direction = Angle::Packed;
};

// A bearing in packed dd.mm.ss read as text, never through a float: "99.46" is 99°46',
// "99.4630" 99°46'30", "99.46305" 99°46'30.5". nullopt when minutes or seconds reach 60.
std::optional<double> packedBearing(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty() || t.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(t.begin(), t.end(), '.') > 1)
        return std::nullopt;
    const auto dot = t.find('.');
    const std::string degrees = t.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : t.substr(dot + 1);
    fraction.resize(std::max<size_t>(fraction.size(), 4), '0');
    if (degrees.size() > 3)
        return std::nullopt;
    int d = degrees.empty() ? 0 : std::stoi(degrees);
    int m = std::stoi(fraction.substr(0, 2));
    // Seconds to the whole second the plan files hold; tenths beyond round.
    int s = std::stoi(fraction.substr(2, 2)) + (fraction.size() > 4 && fraction[4] >= '5' ? 1 : 0);
    if (m >= 60 || std::stoi(fraction.substr(2, 2)) >= 60)
        return std::nullopt;
    if (s == 60) {
        s = 0;
        ++m;
    }
    if (m == 60) {
        m = 0;
        ++d;
    }
    if (d > 360 || (d == 360 && (m > 0 || s > 0)))
        return std::nullopt;
    return Val(std::to_string(d) + "." + (m < 10 ? "0" : "") + std::to_string(m) +
               (s < 10 ? "0" : "") + std::to_string(s));
}

std::optional<double> direction(const std::string& text, const Units& units) {
    if (units.Direction == Units::Angle::Packed)
        return packedBearing(text);
    const auto v = number(text);
    if (!v)
        return std::nullopt;
    double radians = *v;
    if (units.Direction == Units::Angle::Degrees)
        radians = *v * Pi() / 180.0;
    else if (units.Direction == Units::Angle::Grads)
        radians = *v * Pi() / 200.0;
    radians = std::fmod(radians, 2 * Pi());
    if (radians < 0)
        radians += 2 * Pi();
    return RadiansToBearing(radians);
}

double roundTo(double value, double step) {
    return std::round(value / step) * step;
}

class Importer {
  public:
    Importer(const std::string& text, std::string fileName, const LandXmlImportOptions& options)
        : text_(text), fileName_(std::move(fileName)), options_(options) {
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n')
                newlines_.push_back(i);
    }

    Result<ImportedPlan> run() {
        const pugi::xml_parse_result parsed =
            doc_.load_buffer(text_.data(), text_.size(), pugi::parse_default);
        if (!parsed)
            return Error{fileName_ + " is not well-formed XML at line " +
                             std::to_string(lineAt(static_cast<size_t>(parsed.offset))) + ": " +
                             parsed.description(),
                         kImportTitle};
        root_ = doc_.document_element();
        if (Status s = readUnits(); !s)
            return s.error();
        if (Status s = readPoints(); !s)
            return s.error();
        if (Status s = readSetups(); !s)
            return s.error();
        if (Status s = readObservations(); !s)
            return s.error();
        if (Status s = readParcels(); !s)
            return s.error();
        finishReport();
        return std::move(plan_);
    }

  private:
    int lineAt(size_t offset) const {
        return static_cast<int>(std::upper_bound(newlines_.begin(), newlines_.end(), offset) -
                                newlines_.begin()) +
               1;
    }
    int lineOf(const pugi::xml_node& node) const {
        return lineAt(static_cast<size_t>(std::max<std::ptrdiff_t>(node.offset_debug(), 0)));
    }
    Error refuse(const pugi::xml_node& node, const std::string& what) const {
        return Error{fileName_ + " line " + std::to_string(lineOf(node)) + ", <" +
                         std::string(localName(node)) + ">: " + what + "\nNo plan file was written",
                     kImportTitle};
    }
    std::string at(const pugi::xml_node& node) const {
        return "line " + std::to_string(lineOf(node)) + " <" + std::string(localName(node)) + ">";
    }

    Status readUnits() {
        pugi::xml_node units = child(root_, "Units");
        pugi::xml_node system = child(units, "Metric");
        const bool imperial = !system && child(units, "Imperial");
        if (!system)
            system = child(units, "Imperial");
        if (!system)
            return {};
        const std::string linear = system.attribute("linearUnit").value();
        if (linear == "foot" || (imperial && linear.empty()))
            units_.Linear = kFoot;
        else if (linear == "USSurveyFoot")
            units_.Linear = kSurveyFoot;
        else if (linear == "kilometer")
            units_.Linear = 1000;
        const std::string area = system.attribute("areaUnit").value();
        if (area == "squareFoot" || (imperial && area.empty()))
            units_.Area = kFoot * kFoot;
        else if (area == "hectare")
            units_.Area = 10000;
        else if (area == "acre")
            units_.Area = 4046.8564224;
        std::string angle = system.attribute("directionUnit").value();
        if (angle.empty())
            angle = system.attribute("angularUnit").value();
        if (angle == "decimal degrees")
            units_.Direction = Units::Angle::Degrees;
        else if (angle == "radians")
            units_.Direction = Units::Angle::Radians;
        else if (angle == "grads")
            units_.Direction = Units::Angle::Grads;
        else if (!angle.empty() && angle != "decimal dd.mm.ss")
            return refuse(system, "the direction unit \"" + angle + "\" is not known");
        return {};
    }

    Status readPoints() {
        const std::vector<pugi::xml_node> lists = descendants(root_, "CgPoints");
        if (lists.empty())
            return Error{fileName_ + " holds no <CgPoints>: a plan needs its points\nNo plan "
                                     "file was written",
                         kImportTitle};
        std::vector<std::pair<std::string, pugi::xml_node>> order;
        for (const pugi::xml_node& list : lists) {
            for (const pugi::xml_node& p : descendants(list, "CgPoint")) {
                std::string name = p.attribute("name").value();
                if (name.empty())
                    name = p.attribute("oID").value();
                if (name.empty())
                    return refuse(p, "a point without a name");
                const std::vector<std::string> figures = words(p.child_value());
                Coord c;
                if (figures.size() >= 2) {
                    const auto n = number(figures[0]);
                    const auto e = number(figures[1]);
                    if (!n || !e)
                        return refuse(p, "the coordinates \"" + trimmed(p.child_value()) +
                                             "\" are not numbers");
                    c = {*e * units_.Linear, *n * units_.Linear, true};
                }
                if (coords_.count(name)) {
                    report("point " + name + " named twice (" + at(p) + "): the first is kept",
                           skipped_);
                    continue;
                }
                coords_[name] = c;
                order.emplace_back(name, p);
            }
        }
        // Marks of the kinds Corvane codes keep their mark number.
        std::map<std::string, std::int32_t> marks;
        for (const pugi::xml_node& m : descendants(root_, "Monument")) {
            const std::string type = UpperCase(m.attribute("type").value());
            if (type != "PM" && type != "SSM" && type != "TS" && type != "MSM" && type != "GBM")
                continue;
            std::string ref = m.attribute("pntRef").value();
            const std::string name = m.attribute("name").value();
            if (ref.empty())
                ref = name;
            if (!coords_.count(ref))
                return refuse(m, "the mark's point \"" + ref + "\" is not among the CgPoints");
            auto digitsOf = [](const std::string& s) {
                size_t end = s.size(), begin = end;
                while (begin > 0 && std::isdigit(static_cast<unsigned char>(s[begin - 1])))
                    --begin;
                return s.substr(begin, end - begin);
            };
            std::string digits = digitsOf(name);
            if (digits.empty())
                digits = digitsOf(ref);
            const std::int32_t coded = digits.empty() ? 0 : PointLabelToNumber(type + digits);
            if (coded > 0)
                marks[ref] = coded;
        }
        std::unordered_set<std::int32_t> used;
        for (const auto& [name, node] : order) {
            if (marks.count(name)) {
                numbers_[name] = marks[name];
                used.insert(marks[name]);
                continue;
            }
            const auto v = number(name);
            if (v && *v >= 1 && *v <= 4999 && *v == std::trunc(*v) &&
                !used.count(static_cast<std::int32_t>(*v)) &&
                name.find_first_not_of("0123456789") == std::string::npos) {
                numbers_[name] = static_cast<std::int32_t>(*v);
                used.insert(numbers_[name]);
            }
        }
        std::int32_t next = 1;
        for (const auto& [name, node] : order) {
            if (numbers_.count(name))
                continue;
            while (used.count(next))
                ++next;
            numbers_[name] = next;
            used.insert(next);
            renumbered_.push_back("  " + name + " is point " + std::to_string(next));
        }
        return {};
    }

    Status readSetups() {
        for (const pugi::xml_node& s : descendants(root_, "InstrumentSetup")) {
            const std::string id = s.attribute("id").value();
            std::string ref = child(s, "InstrumentPoint").attribute("pntRef").value();
            if (ref.empty())
                ref = s.attribute("stationName").value();
            if (!numbers_.count(ref))
                return refuse(s, "the setup's point \"" + ref + "\" is not among the CgPoints");
            setups_[id] = ref;
        }
        return {};
    }

    // The point name a setup reference stands for.
    Result<std::string> setupPoint(const pugi::xml_node& o, const char* attribute,
                                   const char* pointAttribute) {
        const std::string id = o.attribute(attribute).value();
        if (!id.empty()) {
            auto found = setups_.find(id);
            if (found == setups_.end())
                return refuse(o, "the setup \"" + id + "\" is not among the InstrumentSetups");
            return found->second;
        }
        const std::string ref = o.attribute(pointAttribute).value();
        if (!ref.empty() && numbers_.count(ref))
            return ref;
        if (!ref.empty())
            return refuse(o, "the point \"" + ref + "\" is not among the CgPoints");
        return std::string();
    }

    Status readObservations() {
        struct Walker : pugi::xml_tree_walker {
            std::vector<pugi::xml_node> found;
            bool for_each(pugi::xml_node& n) override {
                if (n.type() == pugi::node_element && (localName(n) == "ReducedObservation" ||
                                                       localName(n) == "ReducedArcObservation"))
                    found.push_back(n);
                return true;
            }
        } walker;
        root_.traverse(walker);
        for (const pugi::xml_node& o : walker.found) {
            auto from = setupPoint(o, "setupID", "setupPntRef");
            if (!from)
                return from.error();
            auto to = setupPoint(o, "targetSetupID", "targetPntRef");
            if (!to)
                return to.error();
            if (from.value().empty() || to.value().empty()) {
                report("  " + at(o) + ": no setup or target", skipped_);
                continue;
            }
            const std::int32_t a = numbers_[from.value()];
            const std::int32_t b = numbers_[to.value()];
            if (a == b) {
                report("  " + at(o) + ": from a point to itself", skipped_);
                continue;
            }
            if (observed_.count(PointPairKey(a, b))) {
                report("  " + at(o) + ": " + from.value() + " - " + to.value() +
                           " observed before, the first observation is kept",
                       skipped_);
                continue;
            }
            const bool arc = localName(o) == "ReducedArcObservation";
            LineRecord line;
            line.FromPoint = a;
            line.ToPoint = b;
            if (arc) {
                const auto radius = number(o.attribute("radius").value());
                const auto length = number(o.attribute("length").value());
                if (!radius || !length || *radius <= 0 || *length <= 0) {
                    report("  " + at(o) + ": an arc without its radius and length", skipped_);
                    continue;
                }
                const double r = roundTo(*radius * units_.Linear, 0.001);
                line.Bearing = kArcBearingBase + r;
                line.Distance = roundTo(*length * units_.Linear, 0.001);
                CurveRecord curve;
                curve.FromPoint = a;
                curve.ToPoint = b;
                curve.Direction = std::string(o.attribute("rot").value()) == "ccw" ? "L" : "R";
                const std::string chord = o.attribute("chordAzimuth").value();
                if (!chord.empty()) {
                    const auto c = direction(chord, units_);
                    if (!c)
                        return refuse(o, "the chord azimuth \"" + chord + "\" is no direction");
                    curve.ChordBearing = *c;
                }
                plan_.Curves.push_back(curve);
            } else {
                const auto distance = number(o.attribute("horizDistance").value());
                if (!distance || *distance <= 0) {
                    report("  " + at(o) + ": no horizontal distance", skipped_);
                    continue;
                }
                line.Distance = roundTo(*distance * units_.Linear, 0.001);
                const std::string azimuth = o.attribute("azimuth").value();
                line.Bearing = kMissingBearing;
                if (!azimuth.empty()) {
                    const auto b2 = direction(azimuth, units_);
                    if (!b2)
                        return refuse(o, "the azimuth \"" + azimuth + "\" is no direction");
                    line.Bearing = *b2;
                }
            }
            if (line.Distance > kMaxDistance) {
                report("  " + at(o) + ": a distance beyond any survey's", skipped_);
                continue;
            }
            observed_.insert(PointPairKey(a, b));
            plan_.Lines.push_back(line);
        }
        return {};
    }

    // The point a Start, End or Center element names: by pntRef, or by its coordinates.
    std::optional<std::string> pointOf(const pugi::xml_node& node) const {
        const std::string ref = node.attribute("pntRef").value();
        if (!ref.empty())
            return numbers_.count(ref) ? std::optional<std::string>(ref) : std::nullopt;
        const std::vector<std::string> figures = words(node.child_value());
        if (figures.size() < 2)
            return std::nullopt;
        return pointAt(figures[0], figures[1]);
    }
    std::optional<std::string> pointAt(const std::string& north, const std::string& east) const {
        const auto n = number(north);
        const auto e = number(east);
        if (!n || !e)
            return std::nullopt;
        for (const auto& [name, c] : coords_)
            if (c.known && std::fabs(c.east - *e * units_.Linear) < 0.001 &&
                std::fabs(c.north - *n * units_.Linear) < 0.001)
                return name;
        return std::nullopt;
    }

    struct Edge {
        std::string from, to;
        bool curve = false;
        double radius = 0;
        bool clockwise = true;
    };

    Status readParcels() {
        for (const pugi::xml_node& p : descendants(root_, "Parcel")) {
            const pugi::xml_node geometry = child(p, "CoordGeom");
            if (!geometry)
                continue;
            const std::string name = UpperCase(p.attribute("name").value());
            const std::string cls = p.attribute("class").value();
            const std::string identifier = ParcelIdentifierOfLandXml(cls, name);
            std::vector<Edge> edges;
            std::string problem;
            for (pugi::xml_node g = geometry.first_child(); g && problem.empty();
                 g = g.next_sibling()) {
                if (g.type() != pugi::node_element)
                    continue;
                const std::string_view kind = localName(g);
                const auto start = pointOf(child(g, "Start"));
                const auto end = pointOf(child(g, "End"));
                if (!start || !end) {
                    problem = "an unknown point (" + at(g) + ")";
                    break;
                }
                if (kind == "Line") {
                    edges.push_back({*start, *end});
                } else if (kind == "Curve") {
                    Edge e{*start, *end, true};
                    e.radius = Val(g.attribute("radius").value()) * units_.Linear;
                    e.clockwise = std::string(g.attribute("rot").value()) != "ccw";
                    edges.push_back(e);
                } else if (kind == "IrregularLine") {
                    std::string previous = *start;
                    const std::vector<std::string> figures =
                        words(child(g, "PntList2D").child_value());
                    for (size_t i = 0; i + 1 < figures.size(); i += 2) {
                        const auto point = pointAt(figures[i], figures[i + 1]);
                        if (!point) {
                            problem = "a vertex that is no point (" + at(g) + ")";
                            break;
                        }
                        if (*point == previous)
                            continue;
                        edges.push_back({previous, *point});
                        previous = *point;
                    }
                    if (problem.empty() && previous != *end)
                        edges.push_back({previous, *end});
                } else {
                    problem = "the geometry <" + std::string(kind) + "> (" + at(g) + ")";
                }
            }
            if (problem.empty() && edges.empty())
                problem = "no geometry";
            for (size_t i = 1; problem.empty() && i < edges.size(); ++i)
                if (edges[i].from != edges[i - 1].to)
                    problem = "an open geometry (" + at(p) + ")";
            if (problem.empty() && edges.back().to != edges.front().from)
                problem = "an open geometry (" + at(p) + ")";
            if (!problem.empty()) {
                leftOut_.push_back("  " + identifier + ": " + problem);
                continue;
            }
            const auto area = number(p.attribute("area").value());
            plan_.Polygons.push_back(
                FormatHeading(identifier, area ? *area * units_.Area : 0, "C"));
            plan_.Polygons.push_back(Format(numbers_[edges.front().from], "0"));
            for (const Edge& e : edges) {
                plan_.Polygons.push_back(Format(numbers_[e.to], "0"));
                measureEdge(identifier, e);
            }
        }
        return {};
    }

    // A parcel edge no observation measured: missing data, or a line from the coordinates.
    void measureEdge(const std::string& identifier, const Edge& e) {
        const std::int32_t a = numbers_[e.from];
        const std::int32_t b = numbers_[e.to];
        if (observed_.count(PointPairKey(a, b)))
            return;
        const Coord& p = coords_[e.from];
        const Coord& q = coords_[e.to];
        const std::string pair = identifier + " " + e.from + " - " + e.to;
        if (!options_.FillFromCoordinates || !p.known || !q.known) {
            missing_.push_back("  " + pair);
            return;
        }
        const double dE = q.east - p.east, dN = q.north - p.north;
        const double chord = std::hypot(dE, dN);
        LineRecord line;
        line.FromPoint = a;
        line.ToPoint = b;
        const double chordBearing = RadiansToBearing(BearingFromDeltas(dE, dN));
        if (e.curve && e.radius > 0 && chord <= 2 * e.radius) {
            const double r = roundTo(e.radius, 0.001);
            line.Bearing = kArcBearingBase + r;
            line.Distance = roundTo(2 * e.radius * std::asin(chord / (2 * e.radius)), 0.001);
            CurveRecord curve;
            curve.FromPoint = a;
            curve.ToPoint = b;
            curve.Direction = e.clockwise ? "R" : "L";
            curve.ChordBearing = Val(Format(chordBearing, "0.0000"));
            plan_.Curves.push_back(curve);
        } else {
            line.Bearing = Val(Format(chordBearing, "0.0000"));
            line.Distance = roundTo(chord, 0.001);
        }
        if (!(line.Distance > 0)) {
            missing_.push_back("  " + pair);
            return;
        }
        observed_.insert(PointPairKey(a, b));
        plan_.Lines.push_back(line);
        filled_.push_back("  " + pair + ": " + FormatLineRecord(line));
    }

    void report(const std::string& line, std::vector<std::string>& section) {
        section.push_back(line);
    }

    void finishReport() {
        std::vector<std::string>& out = plan_.Report;
        out.push_back("Import of " + fileName_);
        out.push_back(
            std::to_string(numbers_.size()) + " points, " + std::to_string(plan_.Lines.size()) +
            " lines, " + std::to_string(plan_.Curves.size()) + " arcs, " +
            std::to_string(std::count_if(plan_.Polygons.begin(), plan_.Polygons.end(),
                                         [](const std::string& l) { return IsHeadingLine(l); })) +
            " parcels");
        auto section = [&](const char* heading, const std::vector<std::string>& lines) {
            out.emplace_back();
            out.push_back(std::string(heading) + (lines.empty() ? ": none" : ":"));
            out.insert(out.end(), lines.begin(), lines.end());
        };
        section("Points renumbered", renumbered_);
        section("Observations skipped", skipped_);
        section("Parcels left out", leftOut_);
        section("Parcel edges without a line (missing data)", missing_);
        section("Lines filled from coordinates", filled_);
    }

    struct Coord {
        double east = 0, north = 0;
        bool known = false;
    };

    const std::string& text_;
    std::string fileName_;
    LandXmlImportOptions options_;
    std::vector<size_t> newlines_;
    pugi::xml_document doc_;
    pugi::xml_node root_;
    Units units_;
    std::map<std::string, Coord> coords_;
    std::unordered_map<std::string, std::int32_t> numbers_;
    std::unordered_map<std::string, std::string> setups_;
    std::unordered_set<std::uint64_t> observed_;
    ImportedPlan plan_;
    std::vector<std::string> renumbered_, skipped_, leftOut_, missing_, filled_;
};

} // namespace

Result<ImportedPlan> ImportLandXml(const std::string& text, const std::string& fileName,
                                   const LandXmlImportOptions& options) {
    return Importer(text, fileName, options).run();
}

Result<ImportedPlan> ImportLandXmlFile(const std::string& path,
                                       const LandXmlImportOptions& options) {
    auto text = ReadTextFile(path);
    if (!text)
        return Error{text.error().message, kImportTitle};
    return ImportLandXml(text.value(), path, options);
}

std::string ImportReportPath(const std::string& base) {
    return base + "-import.txt";
}

Status WriteImportedPlan(const ImportedPlan& plan, const std::string& base) {
    const std::vector<std::string> files = {PlanFile(base, ".lns"), PlanFile(base, ".ply"),
                                            PlanFile(base, ".cve"), PlanFile(base, ".sdb"),
                                            PlanFile(base, ".sca"), ImportReportPath(base)};
    for (const std::string& f : files)
        if (FileExists(f))
            return Error{"The plan " + base + " exists already (" + f +
                             "): choose another name\nNo plan file was written",
                         kImportTitle};
    std::vector<std::string> lines;
    lines.reserve(plan.Lines.size());
    for (const LineRecord& line : plan.Lines) {
        if (auto fault = LineRecordFault(line))
            return Error{"The line " + Format(line.FromPoint, "0") + " - " +
                             Format(line.ToPoint, "0") + " cannot be stored, " + *fault +
                             "\nNo plan file was written",
                         kImportTitle};
        lines.push_back(FormatLineRecord(line));
    }
    if (lines.size() > static_cast<size_t>(kMaxLines))
        return Error{"The plan would hold " + std::to_string(lines.size()) +
                         " lines, and at most " + std::to_string(kMaxLines) +
                         " can be loaded\nNo plan file was written",
                     kImportTitle};
    std::vector<std::string> curves;
    for (const CurveRecord& c : plan.Curves)
        curves.push_back(FormatCurveRecord(c));
    std::vector<std::string> written;
    auto write = [&](const std::string& path, const std::vector<std::string>& content) {
        Status s = WriteLinesAtomic(path, content);
        if (s)
            written.push_back(path);
        return s;
    };
    Status s = write(files[0], lines);
    if (s)
        s = write(files[1], plan.Polygons);
    if (s && !curves.empty())
        s = write(files[2], curves);
    if (s)
        s = write(ImportReportPath(base), plan.Report);
    if (!s) {
        // A plan half written is no plan: what was written goes again.
        for (const std::string& path : written)
            std::remove(path.c_str());
        return Error{s.error().message + "\nNo plan file was written", kImportTitle};
    }
    return {};
}

namespace {

std::string pointName(std::int32_t number) {
    return PointNumberToLabel(number);
}

// The centre of the arc from (e1, n1) to (e2, n2) of radius r turning right (clockwise) or
// left as travelled.
std::optional<std::pair<double, double>> arcCentre(double e1, double n1, double e2, double n2,
                                                   double r, bool right) {
    const double dE = e2 - e1, dN = n2 - n1;
    const double c = std::hypot(dE, dN);
    if (c <= 0 || c > 2 * r)
        return std::nullopt;
    const double h = std::sqrt(std::max(0.0, r * r - c * c / 4));
    // The centre lies to the right of the chord for an arc turning right.
    const double side = right ? 1 : -1;
    return std::make_pair((e1 + e2) / 2 + side * h * dN / c, (n1 + n2) / 2 - side * h * dE / c);
}

// The states LandXML gives a parcel that is not one of the plan's own: the plan's own are
// "proposed" and "created" (or no state at all).
constexpr const char* kContextStates[] = {"adjoining", "existing",   "extinguished",
                                          "affected",  "encroached", "referenced"};

// A parcel to write: the plan's own (no state) or a context parcel with its state.
struct ExportParcel {
    std::string Identifier;
    std::string State;
    double Area = 0;
    std::vector<std::int32_t> Corners;
};

std::vector<ExportParcel> planParcels(const std::vector<std::string>& polygons) {
    std::vector<ExportParcel> parcels;
    for (const std::string& line : polygons) {
        if (IsHeadingLine(line)) {
            const ParcelHeading heading = ParseHeading(line);
            parcels.push_back({heading.Identifier, {}, heading.Area, {}});
            continue;
        }
        const std::string point = trimmed(line);
        if (!parcels.empty() && !point.empty() && IsNumberText(point))
            parcels.back().Corners.push_back(static_cast<std::int32_t>(Val(point)));
    }
    return parcels;
}

std::string dateText(const std::tm& t, bool date) {
    char text[64];
    if (date)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1,
                      t.tm_mday);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

} // namespace

LandXmlParcelName LandXmlNameOfParcel(const std::string& identifier) {
    const std::string cls = ParcelTypeName(identifier);
    if (cls == "Construction")
        return {cls, identifier};
    return {cls, identifier.substr(2)};
}

std::string ParcelIdentifierOfLandXml(const std::string& cls, const std::string& name) {
    for (const ParcelClass& c : kClasses)
        if (UpperCase(cls) == UpperCase(c.name))
            return c.code + name;
    // A parcel of any other class is a construction parcel. A name that already reads as a
    // construction identifier (Corvane's own "COBBL", "CX7", or a restriction such as
    // "CORST1-P1\PS619178") is kept whole; any other gets "CO" before it, so it draws as
    // construction and never passes for a lot or road by its first letters.
    if (!name.empty() && name[0] == 'C' && ParcelTypeName(name) == "Construction")
        return name;
    return "CO" + name;
}

Result<LandXmlExport> ExportLandXml(const std::vector<LineRecord>& planLines,
                                    const CurveTable& curves,
                                    const std::vector<std::string>& polygons,
                                    const std::vector<ContextParcel>& context,
                                    std::int32_t pointNumberLimit, const std::tm& now) {
    std::vector<LineRecord> lines;
    for (const LineRecord& l : planLines)
        if (l.Distance > 0)
            lines.push_back(l);
    const std::vector<PointRecord> points = BuildPlanCoordinates(lines, curves);
    // Only the first group's coordinates are written: another group's stand wherever the
    // builder put its origin, and their place against the first is not measured, so a
    // reader would take a made-up position for a surveyed one. Its points are written
    // without coordinates, with every line to them.
    std::unordered_map<std::int32_t, const PointRecord*> fixed;
    std::vector<const PointRecord*> order;
    {
        std::unordered_set<std::int32_t> seen;
        for (const PointRecord& p : points) {
            if (!seen.insert(p.Number).second)
                continue;
            order.push_back(&p);
            if (p.Fixed && p.Group == 0)
                fixed.emplace(p.Number, &p);
        }
    }
    LandXmlExport result;
    result.PointsWithoutCoordinates = static_cast<int>(order.size() - fixed.size());

    auto f4 = [](double v) { return Format(v, "0.0000"); };
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child("LandXML");
    root.append_attribute("xmlns") = "http://www.landxml.org/schema/LandXML-1.2";
    root.append_attribute("version") = "1.2";
    root.append_attribute("date") = dateText(now, true).c_str();
    root.append_attribute("time") = dateText(now, false).c_str();
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    metric.append_attribute("linearUnit") = "meter";
    metric.append_attribute("areaUnit") = "squareMeter";
    metric.append_attribute("volumeUnit") = "cubicMeter";
    metric.append_attribute("temperatureUnit") = "celsius";
    metric.append_attribute("pressureUnit") = "milliBars";
    metric.append_attribute("angularUnit") = "decimal dd.mm.ss";
    metric.append_attribute("directionUnit") = "decimal dd.mm.ss";
    pugi::xml_node application = root.append_child("Application");
    application.append_attribute("name") = "Corvane";

    // Points in the order the coordinate builder reached them. A mark carries its number as
    // the point's oID, as lodged plans give it.
    pugi::xml_node cg = root.append_child("CgPoints");
    std::vector<std::pair<std::string, std::string>> marks; // label, type
    for (const PointRecord* p : order) {
        const std::string label = pointName(p->Number);
        pugi::xml_node point = cg.append_child("CgPoint");
        point.append_attribute("name") = label.c_str();
        const bool mark =
            p->Number > pointNumberLimit && !std::isdigit(static_cast<unsigned char>(label[0]));
        if (mark) {
            size_t letters = 0;
            while (letters < label.size() &&
                   std::isalpha(static_cast<unsigned char>(label[letters])))
                ++letters;
            point.append_attribute("oID") = label.substr(letters).c_str();
            marks.emplace_back(label, label.substr(0, letters));
        }
        point.append_attribute("pntSurv") = p->Number > pointNumberLimit ? "control" : "boundary";
        if (fixed.count(p->Number))
            point.text() = (f4(p->North) + " " + f4(p->East)).c_str();
    }
    // The schema wants at least one Monument in a Monuments element.
    if (!marks.empty()) {
        pugi::xml_node monuments = root.append_child("Monuments");
        for (const auto& [label, type] : marks) {
            pugi::xml_node m = monuments.append_child("Monument");
            m.append_attribute("name") = label.c_str();
            m.append_attribute("pntRef") = label.c_str();
            m.append_attribute("type") = type.c_str();
        }
    }

    pugi::xml_node survey = root.append_child("Survey");
    survey.append_child("SurveyHeader").append_attribute("name") = "Corvane plan";
    for (const PointRecord* p : order) {
        const std::string label = pointName(p->Number);
        pugi::xml_node setup = survey.append_child("InstrumentSetup");
        setup.append_attribute("id") = ("IS-" + label).c_str();
        setup.append_attribute("stationName") = label.c_str();
        setup.append_attribute("instrumentHeight") = "0";
        setup.append_child("InstrumentPoint").append_attribute("pntRef") = label.c_str();
    }
    pugi::xml_node group = survey.append_child("ObservationGroup");
    group.append_attribute("id") = "OG1";
    for (const LineRecord& l : lines) {
        const bool arc = l.Bearing > kArcBearingBase;
        pugi::xml_node o = group.append_child(arc ? "ReducedArcObservation" : "ReducedObservation");
        o.append_attribute("setupID") = ("IS-" + pointName(l.FromPoint)).c_str();
        o.append_attribute("targetSetupID") = ("IS-" + pointName(l.ToPoint)).c_str();
        if (arc) {
            const CurveData data = LoadCurve(l.FromPoint, l.ToPoint, l.Bearing, l.Distance, curves);
            if (!data.ChordBearing.empty())
                o.append_attribute("chordAzimuth") = data.ChordBearing.c_str();
            o.append_attribute("radius") = Format(l.Bearing - kArcBearingBase, "0.000").c_str();
            o.append_attribute("length") = Format(l.Distance, "0.000").c_str();
            o.append_attribute("rot") = data.Direction == "L" ? "ccw" : "cw";
        } else {
            if (l.Bearing <= 360)
                o.append_attribute("azimuth") = f4(l.Bearing).c_str();
            o.append_attribute("horizDistance") = Format(l.Distance, "0.000").c_str();
        }
    }

    // The parcels: each with its points, every edge a line or an arc. One that cannot be
    // drawn from coordinates is left out and listed with the reason.
    std::vector<ExportParcel> parcels = planParcels(polygons);
    for (const ContextParcel& c : context)
        parcels.push_back({c.Identifier, c.State, c.Area, c.Points});
    std::unordered_map<std::uint64_t, const LineRecord*> byPair;
    for (const LineRecord& l : lines)
        byPair.try_emplace(PointPairKey(l.FromPoint, l.ToPoint), &l);
    pugi::xml_node parcelsNode;
    for (const ExportParcel& x : parcels) {
        const bool own = x.State.empty();
        std::vector<std::string> unplaced;
        for (std::int32_t n : x.Corners) {
            const std::string label = pointName(n);
            if (!fixed.count(n) &&
                std::find(unplaced.begin(), unplaced.end(), label) == unplaced.end())
                unplaced.push_back(label);
        }
        std::string problem;
        if (own && !x.Corners.empty() && x.Corners.front() != x.Corners.back())
            problem = "not closed (its last point is not its first)";
        else if (x.Corners.size() < (own ? 4u : 2u))
            problem = own ? "fewer than three corners" : "fewer than two corners";
        else if (!unplaced.empty()) {
            problem = unplaced.size() == 1 ? "no coordinates for point " + unplaced[0]
                                           : "no coordinates for points " + unplaced[0];
            for (size_t k = 1; k < unplaced.size(); ++k)
                problem += ", " + unplaced[k];
        }
        if (!problem.empty()) {
            result.ParcelsLeftOut.push_back(x.Identifier + (own ? "" : " (" + x.State + ")") +
                                            ", " + problem);
            continue;
        }
        if (!parcelsNode)
            parcelsNode = root.append_child("Parcels");
        const LandXmlParcelName name = LandXmlNameOfParcel(x.Identifier);
        pugi::xml_node parcel = parcelsNode.append_child("Parcel");
        parcel.append_attribute("name") = name.Name.c_str();
        parcel.append_attribute("class") = name.Class.c_str();
        std::string state = "proposed";
        if (!own) {
            // A state LandXML does not know would make the file invalid, and "proposed" or
            // "created" would bring the parcel back as one of the plan's own.
            bool known = false;
            state = "referenced";
            for (const char* s : kContextStates)
                if (UpperCase(x.State) == UpperCase(s)) {
                    state = s;
                    known = true;
                }
            if (!known)
                result.Notes.push_back(x.Identifier + ": the state \"" + x.State +
                                       "\" is written as \"referenced\"");
        }
        parcel.append_attribute("state") = state.c_str();
        parcel.append_attribute("area") = GeneralText(x.Area).c_str();
        pugi::xml_node geometry = parcel.append_child("CoordGeom");
        for (size_t k = 1; k < x.Corners.size(); ++k) {
            const std::int32_t a = x.Corners[k - 1], b = x.Corners[k];
            const auto found = byPair.find(PointPairKey(a, b));
            const LineRecord* line = found == byPair.end() ? nullptr : found->second;
            const PointRecord& p = *fixed[a];
            const PointRecord& q = *fixed[b];
            std::optional<std::pair<double, double>> centre;
            bool right = true;
            double radius = 0;
            if (line && line->Bearing > kArcBearingBase) {
                radius = line->Bearing - kArcBearingBase;
                right = CurveDirection(a, b, curves) == "R";
                centre = arcCentre(p.East, p.North, q.East, q.North, radius, right);
            }
            pugi::xml_node edge = geometry.append_child(centre ? "Curve" : "Line");
            if (centre) {
                edge.append_attribute("rot") = right ? "cw" : "ccw";
                edge.append_attribute("radius") = Format(radius, "0.000").c_str();
            }
            edge.append_child("Start").append_attribute("pntRef") = pointName(a).c_str();
            if (centre)
                edge.append_child("Center").text() =
                    (f4(centre->second) + " " + f4(centre->first)).c_str();
            edge.append_child("End").append_attribute("pntRef") = pointName(b).c_str();
        }
    }

    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    result.Text = out.str();
    return result;
}

std::vector<std::string> LandXmlExportFindings(const LandXmlExport& exported) {
    std::vector<std::string> out;
    if (exported.PointsWithoutCoordinates > 0)
        out.push_back(std::to_string(exported.PointsWithoutCoordinates) +
                      (exported.PointsWithoutCoordinates == 1 ? " point" : " points") +
                      " without coordinates (not joined by lines to the first group)");
    if (!exported.ParcelsLeftOut.empty()) {
        out.push_back("Parcels left out:");
        for (const std::string& p : exported.ParcelsLeftOut)
            out.push_back("  " + p);
    }
    out.insert(out.end(), exported.Notes.begin(), exported.Notes.end());
    return out;
}

Result<LandXmlExport> ExportLandXmlFile(const std::string& planPath, const std::string& outPath,
                                        std::int32_t pointNumberLimit) {
    PlanState plan;
    plan.PlanPath = planPath;
    if (Status loaded = LoadLines(plan); !loaded)
        return Error{loaded.error().message, kExportTitle};
    if (!FileExists(PlanFile(planPath, ".lns")))
        return Error{"No lines file found for " + planPath, kExportTitle};
    auto curves = ReadCurveFile(planPath);
    if (!curves)
        return Error{curves.error().message, kExportTitle};
    std::vector<std::string> polygons;
    if (FileExists(PlanFile(planPath, ".ply"))) {
        auto read = ReadPolygonsFile(PlanFile(planPath, ".ply"));
        if (!read)
            return Error{read.error().message, kExportTitle};
        polygons = std::move(read).value();
    }
    auto context = ReadContextParcels(planPath);
    if (!context)
        return Error{context.error().message, kExportTitle};
    auto exported = ExportLandXml(plan.PlanLines, curves.value(), polygons, context.value(),
                                  pointNumberLimit, LocalTime(std::time(nullptr)));
    if (!exported)
        return exported;
    if (Status written = WriteFileAtomic(outPath, exported.value().Text); !written)
        return Error{written.error().message, kExportTitle};
    return exported;
}

} // namespace corvane

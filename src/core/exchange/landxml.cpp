#include "core/exchange/landxml.h"

#include "core/base/filestate.h"
#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

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
// The code of the feature in which the program keeps a parcel's own identifier and area code.
constexpr const char* kFeatureCode = "Corvane";
// An identifier kept in 8-bit Latin-1 in the plan's files goes out as UTF-8 with this
// property, so it comes back as the same bytes; one already in UTF-8 comes back as it is.
constexpr const char* kIdentifierEncoding = "identifierEncoding";
constexpr const char* kLatin1 = "ISO-8859-1";

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

// The kind of survey mark a monument's type names, as the prefix of its coded number: the
// abbreviations in any letter case and the names lodged plans spell out. Empty for
// monuments that are no coded mark (pegs, drill holes, nails...).
std::string markPrefix(std::string_view type) {
    std::string t = UpperCase(trimmed(type));
    std::replace(t.begin(), t.end(), '_', ' ');
    static const std::pair<const char*, const char*> kinds[] = {
        {"PM", "PM"},           {"PERMANENT MARK", "PM"},          {"SSM", "SSM"},
        {"SS", "SSM"},          {"STATE SURVEY MARK", "SSM"},      {"TS", "TS"},
        {"TRIG STATION", "TS"}, {"TRIGONOMETRICAL STATION", "TS"}, {"MSM", "MSM"},
        {"GBM", "GBM"}};
    for (const auto& [name, prefix] : kinds)
        if (t == name)
            return prefix;
    return {};
}

// The first run of digits in a text ("PM 1847" gives 1847), without leading zeros: a mark
// numbered 0123 is mark 123, as a surveyor typing it would get.
std::string markDigits(std::string_view text) {
    size_t b = 0;
    while (b < text.size() && !std::isdigit(static_cast<unsigned char>(text[b])))
        ++b;
    size_t e = b;
    while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e])))
        ++e;
    while (b < e && text[b] == '0')
        ++b;
    return std::string(text.substr(b, e - b));
}

// A parcel's name or state as the plan's files can hold it: a double quote would end the
// quoted identifier early, a line break would split the heading, so quotes become
// apostrophes and every run of line breaks or other control characters one blank.
std::string storableText(std::string_view text) {
    std::string out;
    bool blank = false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            if (!blank)
                out.push_back(' ');
            blank = true;
            continue;
        }
        blank = false;
        out.push_back(c == '"' ? '\'' : static_cast<char>(c));
    }
    return out;
}

// The farthest a surveyed position lies from its origin, in metres, in any grid a plan is
// surveyed on. A figure beyond it is a corrupt file, not a survey.
constexpr double kMaxCoordinate = 1e9;

bool surveyPosition(double east, double north) {
    return std::isfinite(east) && std::isfinite(north) && std::fabs(east) <= kMaxCoordinate &&
           std::fabs(north) <= kMaxCoordinate;
}

// A parcel's identifier and area code for the polygons file. The program's own export keeps
// them whole in a <Feature code="Corvane"> (old prefixes such as FL and AR, letter case,
// identifiers without a type code, approximate and deducted areas), which LandXML's class
// and name cannot carry. Without that feature the class and name give the identifier and the
// area is calculated ("C"); so they do when the feature's identifier no longer agrees with
// the parcel's class and name (another program renamed the parcel) or cannot be stored, and
// note says so for the report.
struct ParcelIdentity {
    std::string Identifier;
    std::string AreaCode = "C";
    std::string Note;
};

// UTF-8 text as the plan files' Latin-1 when every character has a Latin-1 byte, else as it is.
std::string latin1OfUtf8(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c != 0xC2 && c != 0xC3) || (next & 0xC0) != 0x80)
            return text;
        out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
        ++i;
    }
    return out;
}

ParcelIdentity parcelIdentity(const pugi::xml_node& parcel, const std::string& cls,
                              const std::string& name) {
    ParcelIdentity identity{ParcelIdentifierOfLandXml(cls, name), "C", {}};
    pugi::xml_node feature;
    for (pugi::xml_node f = parcel.first_child(); f && !feature; f = f.next_sibling())
        if (localName(f) == "Feature" &&
            std::string_view(f.attribute("code").value()) == kFeatureCode)
            feature = f;
    if (!feature)
        return identity;
    std::optional<std::string> kept, code;
    bool latin1 = false;
    for (pugi::xml_node property = feature.first_child(); property;
         property = property.next_sibling()) {
        const std::string_view label = property.attribute("label").value();
        if (localName(property) != "Property")
            continue;
        if (label == "identifier")
            kept = property.attribute("value").value();
        else if (label == "areaCode")
            code = property.attribute("value").value();
        else if (label == kIdentifierEncoding)
            latin1 = std::string_view(property.attribute("value").value()) == kLatin1;
    }
    if (kept) {
        const LandXmlParcelName named = LandXmlNameOfParcel(*kept);
        const std::string identifier = latin1 ? latin1OfUtf8(*kept) : *kept;
        if (named.Name != parcel.attribute("name").value() ||
            UpperCase(named.Class) != UpperCase(cls))
            identity.Note = "the identifier \"" + storableText(*kept) +
                            "\" kept with the parcel is not its class and name, named from them";
        else if (trimmed(identifier).empty() || storableText(identifier) != identifier)
            identity.Note = "the identifier \"" + storableText(*kept) +
                            "\" kept with the parcel cannot be stored, named from its class";
        else
            identity.Identifier = identifier;
    }
    if (code) {
        if (code->size() == 1 && std::isalpha(static_cast<unsigned char>(code->front())))
            identity.AreaCode = *code;
        else
            identity.Note += std::string(identity.Note.empty() ? "" : "; ") + "the area code \"" +
                             storableText(*code) + "\" cannot be stored, the area calculated (C)";
    }
    return identity;
}

// Points found by their position, for geometry that gives its vertices as coordinates: a
// hash of millimetre cells. A position is looked for in its own cell and the eight around
// it, so a point within the millimetre tolerance is found whichever side of a cell edge it
// lies, and a long irregular line costs one look-up per vertex.
class PositionIndex {
  public:
    void add(const std::string& key, double east, double north) {
        if (!surveyPosition(east, north))
            return;
        points_.push_back({key, east, north});
        cells_[cell(std::floor(east * 1000), std::floor(north * 1000))].push_back(points_.size() -
                                                                                  1);
    }

    // The nearest point within 1 mm in both east and north; the first added on a tie.
    std::optional<std::string> find(double east, double north) const {
        if (!surveyPosition(east, north))
            return std::nullopt;
        const double ce = std::floor(east * 1000), cn = std::floor(north * 1000);
        const Entry* best = nullptr;
        size_t bestIndex = 0;
        double bestDistance = 0;
        for (int de = -1; de <= 1; ++de)
            for (int dn = -1; dn <= 1; ++dn) {
                const auto found = cells_.find(cell(ce + de, cn + dn));
                if (found == cells_.end())
                    continue;
                for (size_t i : found->second) {
                    const Entry& p = points_[i];
                    if (std::fabs(p.east - east) >= 0.001 || std::fabs(p.north - north) >= 0.001)
                        continue;
                    const double d = std::hypot(p.east - east, p.north - north);
                    if (!best || d < bestDistance || (d == bestDistance && i < bestIndex)) {
                        best = &p;
                        bestIndex = i;
                        bestDistance = d;
                    }
                }
            }
        return best ? std::optional<std::string>(best->key) : std::nullopt;
    }

  private:
    struct Entry {
        std::string key;
        double east, north;
    };
    // Cells of far-apart positions may share a hash; the distance test sorts them out.
    static std::uint64_t cell(double e, double n) {
        const auto ie = static_cast<std::uint64_t>(static_cast<std::int64_t>(e));
        const auto in = static_cast<std::uint64_t>(static_cast<std::int64_t>(n));
        return ie * 0x9E3779B97F4A7C15ull ^ (in + 0x632BE59BD9B4E019ull + (ie << 6) + (ie >> 2));
    }
    std::vector<Entry> points_;
    std::unordered_map<std::uint64_t, std::vector<size_t>> cells_;
};

// A LandXML parcel state that makes the parcel one of the plan's own: the parcels it
// proposes or creates, or a parcel with no state. Any other (adjoining, existing,
// extinguished...) is the plan's setting only.
bool planParcelState(const std::string& state) {
    const std::string s = UpperCase(state);
    return s.empty() || s == "PROPOSED" || s == "CREATED";
}

constexpr std::int32_t kLastOrdinaryPoint = 4999;

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
    struct Coord {
        double east = 0, north = 0;
        bool known = false;
    };

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
        // Every length and area unit LandXML enumerates, metric and imperial; any other is
        // refused, as a plan read in the wrong unit would be wrong throughout.
        static const std::pair<const char*, double> linearUnits[] = {
            {"millimeter", 0.001}, {"centimeter", 0.01},  {"meter", 1},
            {"kilometer", 1000},   {"foot", kFoot},       {"USSurveyFoot", kSurveyFoot},
            {"inch", kFoot / 12},  {"mile", kFoot * 5280}};
        static const std::pair<const char*, double> areaUnits[] = {
            {"squareMillimeter", 1e-6},
            {"squareCentimeter", 1e-4},
            {"squareMeter", 1},
            {"hectare", 10000},
            {"squareInch", kFoot * kFoot / 144},
            {"squareFoot", kFoot * kFoot},
            {"acre", kFoot * kFoot * 43560},
            {"squareMiles", kFoot * kFoot * 5280 * 5280}};
        auto unit = [&](const char* attribute, const auto& known, double absent,
                        const char* what) -> Result<double> {
            const std::string given = trimmed(system.attribute(attribute).value());
            if (given.empty())
                return absent;
            for (const auto& [name, factor] : known)
                if (UpperCase(given) == UpperCase(name))
                    return factor;
            return refuse(system,
                          std::string("the ") + what + " unit \"" + given + "\" is not known");
        };
        auto linear = unit("linearUnit", linearUnits, imperial ? kFoot : 1.0, "linear");
        if (!linear)
            return linear.error();
        units_.Linear = linear.value();
        auto area = unit("areaUnit", areaUnits, imperial ? kFoot * kFoot : 1.0, "area");
        if (!area)
            return area.error();
        units_.Area = area.value();
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

    // Points named only as a parcel's Center: the parcel's label point, not surveyed.
    std::unordered_set<std::string> labelPoints() const {
        std::unordered_set<std::string> centres, used;
        struct Walker : pugi::xml_tree_walker {
            std::unordered_set<std::string>*centres, *used;
            bool for_each(pugi::xml_node& n) override {
                if (n.type() != pugi::node_element)
                    return true;
                const bool parcelCentre =
                    localName(n) == "Center" && localName(n.parent()) == "Parcel";
                for (const pugi::xml_attribute& a : n.attributes()) {
                    const std::string name = UpperCase(a.name());
                    if (name.find("PNTREF") == std::string::npos && name != "STATIONNAME")
                        continue;
                    (parcelCentre ? centres : used)->insert(a.value());
                }
                if (localName(n) == "Monument" && !n.attribute("pntRef"))
                    used->insert(n.attribute("name").value());
                return true;
            }
        } walker;
        walker.centres = &centres;
        walker.used = &used;
        const_cast<pugi::xml_node&>(root_).traverse(walker);
        for (const std::string& name : used)
            centres.erase(name);
        return centres;
    }

    // The CgPoint elements of the point lists, each once however the lists are nested.
    std::vector<pugi::xml_node> pointElements() const {
        struct Walker : pugi::xml_tree_walker {
            std::vector<pugi::xml_node> found;
            int listDepth = -1; // the depth of the outermost list walked in, -1 outside
            bool for_each(pugi::xml_node& n) override {
                if (n.type() != pugi::node_element)
                    return true;
                if (listDepth >= 0 && depth() <= listDepth)
                    listDepth = -1;
                if (localName(n) == "CgPoints" && listDepth < 0)
                    listDepth = depth();
                else if (localName(n) == "CgPoint" && listDepth >= 0)
                    found.push_back(n);
                return true;
            }
        } walker;
        const_cast<pugi::xml_node&>(root_).traverse(walker);
        return std::move(walker.found);
    }

    Status readPoints() {
        const std::vector<pugi::xml_node> lists = descendants(root_, "CgPoints");
        if (lists.empty())
            return Error{fileName_ + " holds no <CgPoints>: a plan needs its points\nNo plan "
                                     "file was written",
                         kImportTitle};
        const std::unordered_set<std::string> labels = labelPoints();
        std::vector<std::string> order;
        std::unordered_map<std::string, pugi::xml_node> nodes;
        for (const pugi::xml_node& p : pointElements()) {
            std::string name = p.attribute("name").value();
            if (name.empty())
                name = p.attribute("oID").value();
            if (name.empty())
                return refuse(p, "a point without a name");
            if (labels.count(name)) {
                ++labelPointsLeftOut_;
                continue;
            }
            const std::vector<std::string> figures = words(p.child_value());
            Coord c;
            if (figures.size() >= 2) {
                const auto n = number(figures[0]);
                const auto e = number(figures[1]);
                if (!n || !e)
                    return refuse(p, "the coordinates \"" + trimmed(p.child_value()) +
                                         "\" are not numbers");
                c = {*e * units_.Linear, *n * units_.Linear, true};
                if (!surveyPosition(c.east, c.north))
                    return refuse(p, "the point \"" + name + "\" at \"" + trimmed(p.child_value()) +
                                         "\" lies beyond any survey (more than " +
                                         GeneralText(kMaxCoordinate / 1000) +
                                         " km from the origin)");
            }
            std::string key = name;
            if (const auto first = coords_.find(name); first != coords_.end()) {
                const Coord& f = first->second;
                const bool samePlace =
                    f.known == c.known && (!c.known || (std::fabs(f.east - c.east) < 0.001 &&
                                                        std::fabs(f.north - c.north) < 0.001));
                if (samePlace) {
                    report("  point " + name + " named twice (" + at(p) +
                               ") at one position: one point kept",
                           skipped_);
                    continue;
                }
                // Another point under a name already taken: references by name go to
                // the first, this one is reached by its coordinates.
                key = name + '\x01' + std::to_string(order.size());
                duplicates_[key] = at(p);
            }
            coords_[key] = c;
            nodes[key] = p;
            order.push_back(key);
            if (c.known)
                index_.add(key, c.east, c.north);
        }

        // Survey marks keep their own number behind the code of their kind. The number is
        // the mark's identity in the state's register (the point's oID), else the number in
        // the point's or the monument's description, else the point's own name when that is
        // the mark's label; a monument's name is only its row in the list.
        std::unordered_map<std::string, std::pair<std::string, std::int32_t>> marks;
        for (const pugi::xml_node& m : descendants(root_, "Monument")) {
            const std::string prefix = markPrefix(m.attribute("type").value());
            if (prefix.empty())
                continue;
            std::string ref = m.attribute("pntRef").value();
            if (ref.empty())
                ref = m.attribute("name").value();
            if (!coords_.count(ref))
                return refuse(m, "the mark's point \"" + ref + "\" is not among the CgPoints");
            if (marks.count(ref))
                continue;
            const pugi::xml_node point = nodes[ref];
            const std::string oid = trimmed(point.attribute("oID").value());
            std::string digits;
            if (!oid.empty() && oid.find_first_not_of("0123456789") == std::string::npos)
                digits = markDigits(oid);
            if (digits.empty())
                digits = markDigits(point.attribute("desc").value());
            if (digits.empty())
                digits = markDigits(m.attribute("desc").value());
            // A point named as the mark itself ("PM1234", as plans of this program are
            // written) carries its number in its name.
            const std::string pointName = UpperCase(ref);
            if (digits.empty() && pointName.rfind(prefix, 0) == 0 &&
                trimmed(pointName.substr(prefix.size())).find_first_not_of("0123456789") ==
                    std::string::npos)
                digits = markDigits(pointName.substr(prefix.size()));
            const std::string label = prefix + digits;
            if (digits.empty()) {
                marksWithoutNumber_.push_back("  " + prefix + " at point " + ref + " (" + at(m) +
                                              "): no mark number in the point's oID or "
                                              "description");
                continue;
            }
            if (!ValidPointLabel(label)) {
                marksWithoutNumber_.push_back("  " + prefix + " " + digits + " at point " + ref +
                                              " (" + at(m) + "): the number is too long for a " +
                                              "mark of the plan");
                continue;
            }
            marks[ref] = {label, PointLabelToNumber(label)};
        }

        std::unordered_map<std::int32_t, std::string> markHolder;
        for (const std::string& key : order) {
            const auto mark = marks.find(key);
            if (mark == marks.end())
                continue;
            const auto [label, coded] = mark->second;
            if (const auto holder = markHolder.find(coded); holder != markHolder.end()) {
                collisions_[key] = label + " is also the mark of point " + shown(holder->second);
                continue;
            }
            markHolder[coded] = key;
            numbers_[key] = coded;
            used_.insert(coded);
            if (UpperCase(shown(key)) != label)
                marks_.push_back("  " + shown(key) + " is " + label);
        }
        for (const std::string& key : order) {
            if (numbers_.count(key) || key.find('\x01') != std::string::npos)
                continue;
            const auto v = number(key);
            if (v && *v >= 1 && *v <= kLastOrdinaryPoint && *v == std::trunc(*v) &&
                !used_.count(static_cast<std::int32_t>(*v)) &&
                key.find_first_not_of("0123456789") == std::string::npos) {
                numbers_[key] = static_cast<std::int32_t>(*v);
                used_.insert(numbers_[key]);
                ++ordinaryPoints_;
            }
        }
        for (const std::string& key : order) {
            if (numbers_.count(key))
                continue;
            const std::int32_t n = newPointNumber();
            numbers_[key] = n;
            std::string why;
            if (const auto d = duplicates_.find(key); d != duplicates_.end())
                why = " (the second point of that name, " + d->second + ")";
            if (const auto c = collisions_.find(key); c != collisions_.end())
                why = " (" + c->second + ")";
            renumbered_.push_back("  " + shown(key) + why + " is point " + std::to_string(n));
        }
        return checkPointCount();
    }

    // The next free ordinary point number.
    std::int32_t newPointNumber() {
        while (used_.count(nextPoint_))
            ++nextPoint_;
        used_.insert(nextPoint_);
        ++ordinaryPoints_;
        return nextPoint_;
    }

    // Ordinary points are numbered below the numbers that read as survey marks; a plan with
    // more of them cannot be made without one reading as a mark.
    Status checkPointCount() const {
        if (ordinaryPoints_ <= kLastOrdinaryPoint)
            return {};
        const std::string natural = naturalPoints_ > 0
                                        ? " (with " + std::to_string(naturalPoints_) +
                                              " new points along its natural boundaries)"
                                        : std::string();
        return Error{fileName_ + " holds " + std::to_string(ordinaryPoints_) +
                         " points besides its survey marks" + natural +
                         ", and a plan holds at most " + std::to_string(kLastOrdinaryPoint) +
                         " (higher numbers read as survey marks)\nNo plan file was written",
                     kImportTitle};
    }

    // A point's name as the file gives it.
    static std::string shown(const std::string& key) {
        if (!key.empty() && key.front() == '\x01')
            return key.substr(1);
        return key.substr(0, key.find('\x01'));
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
        return index_.find(*e * units_.Linear, *n * units_.Linear);
    }

    struct Edge {
        std::string from, to;
        bool curve = false;
        double radius = 0;
        bool clockwise = true;
        // The angle the arc turns through at its centre, in radians; 0 when the arc's
        // geometry is not known well enough to draw it.
        double sweep = 0;
    };

    // The position a Start, End or Center element gives: its point's, or its own coordinates.
    std::optional<Coord> positionOf(const pugi::xml_node& node) const {
        const std::string ref = node.attribute("pntRef").value();
        if (!ref.empty()) {
            const auto found = coords_.find(ref);
            if (found == coords_.end() || !found->second.known)
                return std::nullopt;
            return found->second;
        }
        const std::vector<std::string> figures = words(node.child_value());
        if (figures.size() < 2)
            return std::nullopt;
        const auto n = number(figures[0]);
        const auto e = number(figures[1]);
        if (!n || !e || !surveyPosition(*e * units_.Linear, *n * units_.Linear))
            return std::nullopt;
        return Coord{*e * units_.Linear, *n * units_.Linear, true};
    }

    // A Curve as a parcel edge. Its radius is the given one, else the distance from the
    // Center to the Start. Whether it is the short or the long arc between its ends comes
    // from its length when given, else from the side of the chord its Center lies on: an arc
    // turning right has its centre right of the chord when it is the short arc, left of it
    // when it goes the long way round.
    Edge curveEdge(const pugi::xml_node& g, const std::string& start, const std::string& end) {
        Edge e{start, end, true};
        e.clockwise = std::string(g.attribute("rot").value()) != "ccw";
        const std::optional<Coord> centre = positionOf(child(g, "Center"));
        const Coord& p = coords_[start];
        const Coord& q = coords_[end];
        if (const auto r = number(g.attribute("radius").value()); r && *r > 0)
            e.radius = *r * units_.Linear;
        else if (centre && p.known)
            e.radius = std::hypot(p.east - centre->east, p.north - centre->north);
        if (!(e.radius > 0) || e.radius > kMaxDistance || !p.known || !q.known)
            return e;
        const double dE = q.east - p.east, dN = q.north - p.north;
        const double chord = std::hypot(dE, dN);
        // A half circle's chord may read a little longer than its diameter after rounding.
        if (chord <= 0 || chord > 2 * e.radius + 0.002)
            return e;
        const double shortSweep = 2 * std::asin(std::min(1.0, chord / (2 * e.radius)));
        const auto length = number(g.attribute("length").value());
        if (length && *length * units_.Linear >= chord - 0.001 &&
            *length * units_.Linear <= 2 * Pi() * e.radius + 0.001) {
            e.sweep = *length * units_.Linear / e.radius;
            return e;
        }
        e.sweep = shortSweep;
        if (centre) {
            const double left = dE * (centre->north - p.north) - dN * (centre->east - p.east);
            if (e.clockwise ? left > 0 : left < 0)
                e.sweep = 2 * Pi() - shortSweep;
        }
        return e;
    }

    // The edges of an irregular line. Through CgPoints only, an edge per vertex. Through
    // other positions it is a natural boundary (a creek, a shore): with filling from the
    // coordinates it keeps its shape, through a new point at every vertex that is no
    // CgPoint; otherwise it is the one edge Start to End, missing data. The vertex list holds
    // the line's Start and End; one listed from the End back to the Start is turned round.
    std::string irregularLine(const pugi::xml_node& g, const std::string& identifier,
                              const std::string& start, const std::string& end,
                              std::vector<Edge>& edges) {
        pugi::xml_node list = child(g, "PntList2D");
        size_t stride = 2; // north east, or north east height
        if (!list) {
            list = child(g, "PntList3D");
            stride = 3;
        }
        const std::vector<std::string> figures = words(list.child_value());
        if (stride == 3 && figures.size() % 3 != 0)
            return "a vertex that is no north, east and height (" + at(g) + ")";
        struct Vertex {
            Coord position;
            std::optional<std::string> point;
        };
        std::vector<Vertex> vertices;
        vertices.reserve(figures.size() / stride);
        size_t strangers = 0;
        for (size_t i = 0; i + 1 < figures.size(); i += stride) {
            const auto n = number(figures[i]);
            const auto e = number(figures[i + 1]);
            if (!n || !e || (stride == 3 && !number(figures[i + 2])))
                return "a vertex that is no pair of coordinates (" + at(g) + ")";
            const Coord c{*e * units_.Linear, *n * units_.Linear, true};
            vertices.push_back({c, index_.find(c.east, c.north)});
            if (!vertices.back().point)
                ++strangers;
        }
        if (!vertices.empty() && start != end) {
            auto near = [&](const Coord& v, const std::string& key) {
                const Coord& p = coords_[key];
                return p.known && std::fabs(p.east - v.east) < 0.001 &&
                       std::fabs(p.north - v.north) < 0.001;
            };
            const Coord& first = vertices.front().position;
            const Coord& last = vertices.back().position;
            if (near(first, end) && near(last, start) && !near(first, start))
                std::reverse(vertices.begin(), vertices.end());
        }
        const std::string boundary =
            "  " + identifier + " " + shown(start) + " - " + shown(end) + " (" + at(g) + ")";
        if (strangers > 0 && !options_.FillFromCoordinates) {
            if (start == end)
                return "a natural boundary closing on itself, no edge to keep (" + at(g) + ")";
            natural_.push_back(boundary + ": " + std::to_string(vertices.size()) +
                               " vertices, the edge is missing data");
            edges.push_back({start, end});
            return {};
        }
        std::int32_t firstNew = 0, lastNew = 0;
        std::string previous = start;
        for (const Vertex& v : vertices) {
            std::string point;
            if (v.point) {
                point = *v.point;
            } else {
                // Found again when the next parcel runs along the same boundary.
                const std::int32_t n = newPointNumber();
                ++naturalPoints_;
                point = '\x01' + std::to_string(n);
                coords_[point] = v.position;
                numbers_[point] = n;
                index_.add(point, v.position.east, v.position.north);
                firstNew = firstNew ? firstNew : n;
                lastNew = n;
            }
            if (point != previous)
                edges.push_back({previous, point});
            previous = point;
        }
        if (previous != end)
            edges.push_back({previous, end});
        if (strangers > 0)
            natural_.push_back(boundary + ": " + std::to_string(vertices.size()) +
                               " vertices, filled from their coordinates" +
                               (firstNew ? " through new points " + std::to_string(firstNew) +
                                               " to " + std::to_string(lastNew)
                                         : std::string()));
        return {};
    }

    // A position a parcel's geometry gives by its coordinates that lies beyond any survey
    // refuses the file, as a point's does.
    Status checkPositions() const {
        struct Walker : pugi::xml_tree_walker {
            std::vector<pugi::xml_node> found;
            bool for_each(pugi::xml_node& n) override {
                const std::string_view name = localName(n);
                if (n.type() == pugi::node_element &&
                    (name == "Start" || name == "End" || name == "Center" || name == "PntList2D" ||
                     name == "PntList3D"))
                    found.push_back(n);
                return true;
            }
        } walker;
        const_cast<pugi::xml_node&>(root_).traverse(walker);
        for (const pugi::xml_node& n : walker.found)
            for (const std::string& figure : words(n.child_value())) {
                const auto v = number(figure);
                if (v && !surveyPosition(*v * units_.Linear, 0))
                    return refuse(
                        n, "the coordinate " + figure + " lies beyond any survey (more than " +
                               GeneralText(kMaxCoordinate / 1000) + " km from the origin)");
            }
        return {};
    }

    // The identifier a parcel is stored under: its own, or when a parcel stored before has it
    // already, the same with "-2", "-3"... after it. Letter case counts, as it does for every
    // reader of the polygons file (names read by their class are in capitals already).
    std::string distinctIdentifier(const std::string& identifier, bool context) const {
        const auto& taken = context ? contextIdentifiers_ : planIdentifiers_;
        if (!taken.count(identifier))
            return identifier;
        const auto next = nextSuffix_.find(identifier);
        for (int k = next == nextSuffix_.end() ? 2 : next->second;; ++k) {
            const std::string candidate = identifier + "-" + std::to_string(k);
            if (!taken.count(candidate))
                return candidate;
        }
    }
    void keep(const std::string& stored, const std::string& identifier, bool context,
              const pugi::xml_node& p) {
        auto& taken = context ? contextIdentifiers_ : planIdentifiers_;
        taken.insert(stored);
        if (stored == identifier)
            return;
        nextSuffix_[identifier] = std::stoi(stored.substr(identifier.size() + 1)) + 1;
        namesRewritten_.push_back("  " + stored + " (" + at(p) + "): another parcel is " +
                                  identifier + ", this one is stored as " + stored);
    }

    Status readParcels() {
        if (Status s = checkPositions(); !s)
            return s;
        for (const pugi::xml_node& p : descendants(root_, "Parcel")) {
            const std::string given = p.attribute("name").value();
            const std::string name = UpperCase(storableText(given));
            const std::string state = trimmed(storableText(p.attribute("state").value()));
            const bool context = !planParcelState(state);
            const std::string cls = p.attribute("class").value();
            const ParcelIdentity identity = parcelIdentity(p, cls, name);
            const std::string& identifier = identity.Identifier;
            // Every later rewrite of the polygons file finds a parcel by its identifier: a
            // second parcel under one identifier is told apart.
            const std::string stored = distinctIdentifier(identifier, context);
            if (!identity.Note.empty())
                namesRewritten_.push_back("  " + stored + " (" + at(p) + "): " + identity.Note);
            if (name != UpperCase(given) ||
                state != trimmed(std::string_view(p.attribute("state").value())))
                namesRewritten_.push_back("  " + stored + (context ? " " + state : "") + " (" +
                                          at(p) + "): double quotes, line breaks or " +
                                          "other control characters rewritten");

            const pugi::xml_node geometry = child(p, "CoordGeom");
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
                    edges.push_back(curveEdge(g, *start, *end));
                } else if (kind == "IrregularLine") {
                    problem = irregularLine(g, stored, *start, *end, edges);
                } else {
                    problem = "the geometry <" + std::string(kind) + "> (" + at(g) + ")";
                }
            }
            if (problem.empty() && edges.empty()) {
                withoutGeometry_.push_back("  " + stored + (context ? " " + state : "") + " (" +
                                           at(p) + ")");
                continue;
            }
            for (size_t i = 1; problem.empty() && i < edges.size(); ++i)
                if (edges[i].from != edges[i - 1].to)
                    problem = "an open geometry (" + at(p) + ")";
            const bool closed = problem.empty() && edges.back().to == edges.front().from;
            // A context parcel may show only the part of it along the plan's boundary.
            if (problem.empty() && !closed && !context)
                problem = "an open geometry (" + at(p) + ")";
            if (!problem.empty()) {
                leftOut_.push_back("  " + stored + (context ? " " + state : "") + ": " + problem);
                continue;
            }
            if (closed && anticlockwise(edges)) {
                std::reverse(edges.begin(), edges.end());
                for (Edge& e : edges) {
                    std::swap(e.from, e.to);
                    e.clockwise = !e.clockwise;
                }
                turned_.push_back("  " + stored + (context ? " " + state : "") + " (" + at(p) +
                                  ")");
            }

            const std::string areaText = trimmed(p.attribute("area").value());
            double area = number(areaText).value_or(0) * units_.Area;
            if (!StorableArea(area)) {
                namesRewritten_.push_back("  " + stored + " (" + at(p) + "): the area " + areaText +
                                          " is no parcel's area, stored as none");
                area = 0;
            }
            if (!context) {
                plan_.Polygons.push_back(FormatHeading(stored, area, identity.AreaCode));
                plan_.Polygons.push_back(Format(numbers_[edges.front().from], "0"));
                for (const Edge& e : edges) {
                    plan_.Polygons.push_back(Format(numbers_[e.to], "0"));
                    measureEdge(stored, e, true);
                }
                planParcels_.push_back("  " + stored);
                keep(stored, identifier, false, p);
                continue;
            }
            ContextParcel parcel;
            parcel.Identifier = stored;
            parcel.State = state;
            parcel.Area = area;
            parcel.Points.push_back(numbers_[edges.front().from]);
            int unmeasured = 0;
            for (const Edge& e : edges) {
                parcel.Points.push_back(numbers_[e.to]);
                unmeasured += measureEdge(stored, e, false) ? 0 : 1;
            }
            plan_.Context.push_back(std::move(parcel));
            keep(stored, identifier, true, p);
            contextParcels_.push_back(
                "  " + stored + " " + state + (closed ? "" : ", in part") +
                (unmeasured ? ", " + std::to_string(unmeasured) + " of its edges without a line"
                            : ""));
        }
        return checkPointCount();
    }

    // True when a parcel's corners run anticlockwise: its area over east and north is
    // positive. An arc adds the segment between its chord and itself, on the side it turns
    // to: a lot of one line and one arc is all segment, and a big arc can outweigh the
    // chords. Corners without coordinates leave the order as the file gives it.
    bool anticlockwise(const std::vector<Edge>& edges) const {
        const Coord& origin = coords_.at(edges.front().from);
        double twice = 0;
        for (const Edge& e : edges) {
            const Coord& p = coords_.at(e.from);
            const Coord& q = coords_.at(e.to);
            if (!p.known || !q.known)
                return false;
            twice += (p.east - origin.east) * (q.north - origin.north) -
                     (q.east - origin.east) * (p.north - origin.north);
            if (e.curve && e.sweep > 0)
                twice +=
                    (e.clockwise ? -1 : 1) * e.radius * e.radius * (e.sweep - std::sin(e.sweep));
        }
        return twice > 0;
    }

    // A parcel edge no observation measured: missing data, or a line from the coordinates.
    // False when the edge is left without a line; only the plan's own parcels list it as
    // missing data.
    bool measureEdge(const std::string& identifier, const Edge& e, bool listMissing) {
        const std::int32_t a = numbers_[e.from];
        const std::int32_t b = numbers_[e.to];
        const std::uint64_t key = PointPairKey(a, b);
        // The lines file holds one line a pair of points. A parcel of an arc and the line
        // across its ends walks the pair twice: the arc, the side the lot beside it shares,
        // takes the place of a chord filled before it.
        const auto filledChord = filledChords_.find(key);
        const bool arcForChord = e.curve && filledChord != filledChords_.end();
        if (observed_.count(key) && !arcForChord)
            return true;
        const Coord& p = coords_[e.from];
        const Coord& q = coords_[e.to];
        const std::string pair = identifier + " " + shown(e.from) + " - " + shown(e.to);
        if (!options_.FillFromCoordinates || !p.known || !q.known) {
            if (listMissing)
                missing_.push_back("  " + pair);
            return false;
        }
        const double dE = q.east - p.east, dN = q.north - p.north;
        const double chord = std::hypot(dE, dN);
        LineRecord line;
        line.FromPoint = a;
        line.ToPoint = b;
        const double chordBearing = RadiansToBearing(BearingFromDeltas(dE, dN));
        if (e.curve && !(e.sweep > 0)) {
            // Drawn as its chord the arc would give the parcel a wrong area.
            if (listMissing)
                missing_.push_back("  " + pair + " (an arc without a radius that fits it)");
            return arcForChord;
        }
        if (e.curve) {
            const double r = roundTo(e.radius, 0.001);
            line.Bearing = kArcBearingBase + r;
            line.Distance = roundTo(e.radius * e.sweep, 0.001);
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
            if (listMissing)
                missing_.push_back("  " + pair);
            return false;
        }
        if (arcForChord) {
            plan_.Lines[filledChord->second] = line;
            filledChords_.erase(filledChord);
            filled_.push_back("  " + pair + ": " + FormatLineRecord(line) +
                              " (the arc, in place of its chord)");
            return true;
        }
        observed_.insert(key);
        if (!e.curve)
            filledChords_[key] = plan_.Lines.size();
        plan_.Lines.push_back(line);
        filled_.push_back("  " + pair + ": " + FormatLineRecord(line));
        return true;
    }

    void report(const std::string& line, std::vector<std::string>& section) {
        section.push_back(line);
    }

    void finishReport() {
        std::vector<std::string>& out = plan_.Report;
        out.push_back("Import of " + fileName_);
        out.push_back(std::to_string(numbers_.size()) + " points, " +
                      std::to_string(plan_.Lines.size()) + " lines, " +
                      std::to_string(plan_.Curves.size()) + " arcs, " +
                      std::to_string(planParcels_.size()) + " plan parcels, " +
                      std::to_string(plan_.Context.size()) + " context parcels");
        if (labelPointsLeftOut_ > 0)
            out.push_back(std::to_string(labelPointsLeftOut_) +
                          " parcel label points (used only as a parcel's centre) left out");
        // Sections that leave something out or change what the file says are findings.
        auto section = [&](const std::string& heading, const std::vector<std::string>& lines,
                           bool finding) {
            out.emplace_back();
            out.push_back(heading + (lines.empty() ? ": none" : ":"));
            out.insert(out.end(), lines.begin(), lines.end());
            plan_.Findings = plan_.Findings || (finding && !lines.empty());
        };
        section("Marks (points of the file that are survey marks)", marks_, false);
        section("Points renumbered", renumbered_, true);
        section("Observations skipped", skipped_, true);
        section("Parcels left out", leftOut_, true);
        section("Parcel edges without a line (missing data)", missing_, true);
        section("Lines filled from coordinates", filled_, true);
        section("Plan parcels (" + std::to_string(planParcels_.size()) +
                    ", closed and checked as the plan's own)",
                planParcels_, false);
        section("Context parcels (" + std::to_string(contextParcels_.size()) +
                    ", shown in part as the plan's setting, never closed)",
                contextParcels_, false);
        section("Parcels turned clockwise (their corners listed anticlockwise in the file)",
                turned_, false);
        section("Marks without a number (imported as ordinary points)", marksWithoutNumber_, true);
        section("Natural boundaries", natural_, true);
        section("Names and areas rewritten", namesRewritten_, true);
        section("Parcels without geometry (not imported)", withoutGeometry_, true);
    }

    const std::string& text_;
    std::string fileName_;
    LandXmlImportOptions options_;
    std::vector<size_t> newlines_;
    pugi::xml_document doc_;
    pugi::xml_node root_;
    Units units_;
    // Points by the file's name; a second point under a taken name, and a point made on a
    // natural boundary, by a key holding \x01, which no XML name can.
    std::unordered_map<std::string, Coord> coords_;
    std::unordered_map<std::string, std::int32_t> numbers_;
    PositionIndex index_;
    std::unordered_set<std::int32_t> used_;
    std::int32_t nextPoint_ = 1;
    int ordinaryPoints_ = 0;
    int naturalPoints_ = 0;
    int labelPointsLeftOut_ = 0;
    std::unordered_map<std::string, std::string> duplicates_;
    std::unordered_map<std::string, std::string> collisions_;
    std::unordered_map<std::string, std::string> setups_;
    std::unordered_set<std::string> planIdentifiers_, contextIdentifiers_;
    std::unordered_map<std::string, int> nextSuffix_; // by the identifier
    std::unordered_set<std::uint64_t> observed_;
    // Straight lines filled from the coordinates, by their pair: their place in the lines.
    std::unordered_map<std::uint64_t, size_t> filledChords_;
    ImportedPlan plan_;
    std::vector<std::string> marks_, renumbered_, skipped_, leftOut_, missing_, filled_;
    std::vector<std::string> planParcels_, contextParcels_, turned_, marksWithoutNumber_, natural_,
        namesRewritten_, withoutGeometry_;
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
    const std::vector<std::string> files = {PlanFile(base, ".lns"),  PlanFile(base, ".ply"),
                                            PlanFile(base, ".cve"),  PlanFile(base, ".sdb"),
                                            PlanFile(base, ".sca"),  ImportReportPath(base),
                                            ContextParcelsPath(base)};
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
    if (s && !plan.Context.empty()) {
        s = WriteContextParcels(base, plan.Context);
        if (s)
            written.push_back(ContextParcelsPath(base));
    }
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
// left as travelled. The centre of an arc of less than a half circle lies on the side it
// turns to; of a longer arc, which sweeps round it, on the other side of the chord.
std::optional<std::pair<double, double>> arcCentre(double e1, double n1, double e2, double n2,
                                                   double r, bool right, bool longArc) {
    const double dE = e2 - e1, dN = n2 - n1;
    const double c = std::hypot(dE, dN);
    if (c <= 0 || c > 2 * r)
        return std::nullopt;
    const double h = std::sqrt(std::max(0.0, r * r - c * c / 4));
    const double side = (right ? 1 : -1) * (longArc ? -1 : 1);
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
    std::string AreaCode;
    std::vector<std::int32_t> Corners;
};

std::vector<ExportParcel> planParcels(const std::vector<std::string>& polygons) {
    std::vector<ExportParcel> parcels;
    for (const PolygonParcel& parcel : PolygonsFromLines(polygons).Parcels) {
        parcels.push_back({parcel.Identifier, {}, parcel.Area, parcel.AreaCode, {}});
        for (const std::string& line : parcel.Lines) {
            const std::string point = trimmed(line);
            if (!point.empty() && IsNumberText(point))
                parcels.back().Corners.push_back(static_cast<std::int32_t>(Val(point)));
        }
    }
    return parcels;
}

// The group of lines whose coordinates go out: the one holding the most parcel corners, on
// a tie the one of the most points, then the first. Another group stands wherever the
// builder put its origin, its place against this one unmeasured, so a reader would take a
// made-up position for a surveyed one: its points go out without coordinates. A stray line
// at the head of the lines file must not cost every parcel its coordinates.
std::int32_t groupWritten(const std::vector<const PointRecord*>& points,
                          const std::vector<ExportParcel>& parcels) {
    std::unordered_set<std::int32_t> corners;
    for (const ExportParcel& x : parcels)
        corners.insert(x.Corners.begin(), x.Corners.end());
    std::map<std::int32_t, std::pair<int, int>> size; // corners, points
    for (const PointRecord* p : points) {
        if (!p->Fixed)
            continue;
        auto& [c, n] = size[p->Group];
        c += corners.count(p->Number) ? 1 : 0;
        ++n;
    }
    std::int32_t best = 0;
    std::pair<int, int> most{-1, -1};
    for (const auto& [group, counts] : size)
        if (counts > most) {
            most = counts;
            best = group;
        }
    return best;
}

// The length of the longest valid UTF-8 character at the start of text, 0 when it starts
// none. Surrogates, overlong forms and the two non-characters XML excludes count as none.
size_t utf8Length(std::string_view text) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = at(0);
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    if (n == 0 || text.size() < n)
        return 0;
    if (c == 0xE0)
        low = 0xA0;
    else if (c == 0xED)
        high = 0x9F;
    else if (c == 0xF0)
        low = 0x90;
    else if (c == 0xF4)
        high = 0x8F;
    if (at(1) < low || at(1) > high)
        return 0;
    for (size_t i = 2; i < n; ++i)
        if (at(i) < 0x80 || at(i) > 0xBF)
            return 0;
    if (c == 0xEF && at(1) == 0xBF && (at(2) == 0xBE || at(2) == 0xBF))
        return 0;
    return n;
}

// A name as a LandXML document can hold it. The plan files hold 8-bit text, so a byte that
// starts no UTF-8 character is a Latin-1 letter of an older file ("é" as one byte) and goes
// out as that letter in UTF-8. Control characters, which no XML 1.0 document may hold at
// all, become blanks, as the import makes them; blanked tells of it.
std::string xmlText(std::string_view text, bool& blanked) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            out.push_back(' ');
            blanked = true;
            ++i;
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
        } else if (const size_t n = utf8Length(text.substr(i)); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += Latin1ToUtf8(text.substr(i, 1));
            ++i;
        }
    }
    return out;
}

// True when every byte of the text belongs to a valid UTF-8 character.
bool validUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t n = utf8Length(text.substr(i));
        if (n == 0)
            return false;
        i += n;
    }
    return true;
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
    std::vector<ExportParcel> parcels = planParcels(polygons);
    for (const ContextParcel& c : context)
        parcels.push_back({c.Identifier, c.State, c.Area, {}, c.Points});

    const std::vector<PointRecord> points = BuildPlanCoordinates(lines, curves);
    std::vector<const PointRecord*> order;
    {
        std::unordered_set<std::int32_t> seen;
        for (const PointRecord& p : points)
            if (seen.insert(p.Number).second)
                order.push_back(&p);
    }
    const std::int32_t written = groupWritten(order, parcels);
    std::unordered_map<std::int32_t, const PointRecord*> fixed;
    for (const PointRecord* p : order)
        if (p->Fixed && p->Group == written)
            fixed.emplace(p->Number, p);
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
            // A figure the plan keeps in the bearing's place but reads as no bearing
            // (minutes of 60 or more, a negative value) goes out as no azimuth, as a missing
            // bearing does, so no reader takes it for a direction; the surveyor is told.
            const std::string bearing = f4(l.Bearing);
            if (l.Bearing >= 0 && ValidBearing(bearing))
                o.append_attribute("azimuth") = bearing.c_str();
            else if (l.Bearing != kMissingBearing)
                result.BearingsLeftOut.push_back(pointName(l.FromPoint) + " - " +
                                                 pointName(l.ToPoint) + ", " + bearing);
            o.append_attribute("horizDistance") = Format(l.Distance, "0.000").c_str();
        }
    }

    // The parcels: each with its points, every edge a line or an arc. One that cannot be
    // drawn from coordinates is left out and listed with the reason.
    std::unordered_map<std::uint64_t, const LineRecord*> byPair;
    for (const LineRecord& l : lines)
        byPair.try_emplace(PointPairKey(l.FromPoint, l.ToPoint), &l);
    auto lineOf = [&](std::int32_t a, std::int32_t b) -> const LineRecord* {
        const auto found = byPair.find(PointPairKey(a, b));
        return found == byPair.end() ? nullptr : found->second;
    };
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
        // An arc and the line across its ends close a parcel of two corners.
        bool arcSide = false;
        for (size_t k = 1; k < x.Corners.size(); ++k) {
            const LineRecord* line = lineOf(x.Corners[k - 1], x.Corners[k]);
            arcSide = arcSide || (line && line->Bearing > kArcBearingBase);
        }
        std::string problem;
        if (own && !x.Corners.empty() && x.Corners.front() != x.Corners.back())
            problem = "not closed (its last point is not its first)";
        else if (own && x.Corners.size() < (arcSide ? 3u : 4u))
            problem = "fewer than three corners";
        else if (!own && x.Corners.size() < 2u)
            problem = "fewer than two corners";
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
        bool blanked = false;
        const std::string shownName = xmlText(name.Name, blanked);
        const std::string identifier = xmlText(x.Identifier, blanked);
        if (blanked)
            result.Notes.push_back(identifier +
                                   ": control characters in its name written as blanks");
        pugi::xml_node parcel = parcelsNode.append_child("Parcel");
        parcel.append_attribute("name") = shownName.c_str();
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
        // An arc passed a second time in one parcel is its chord: the other side of a parcel
        // bounded by an arc and the line across its ends.
        std::unordered_set<std::uint64_t> arcsDrawn;
        for (size_t k = 1; k < x.Corners.size(); ++k) {
            const std::int32_t a = x.Corners[k - 1], b = x.Corners[k];
            const LineRecord* line = lineOf(a, b);
            const PointRecord& p = *fixed[a];
            const PointRecord& q = *fixed[b];
            std::optional<std::pair<double, double>> centre;
            bool right = true;
            double radius = 0;
            if (line && line->Bearing > kArcBearingBase &&
                arcsDrawn.insert(PointPairKey(a, b)).second) {
                radius = line->Bearing - kArcBearingBase;
                right = CurveDirection(a, b, curves) == "R";
                centre = arcCentre(p.East, p.North, q.East, q.North, radius, right,
                                   line->Distance > Pi() * radius);
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
        pugi::xml_node feature = parcel.append_child("Feature");
        feature.append_attribute("code") = kFeatureCode;
        pugi::xml_node property = feature.append_child("Property");
        property.append_attribute("label") = "identifier";
        property.append_attribute("value") = identifier.c_str();
        if (!validUtf8(x.Identifier)) {
            property = feature.append_child("Property");
            property.append_attribute("label") = kIdentifierEncoding;
            property.append_attribute("value") = kLatin1;
        }
        if (own && !x.AreaCode.empty()) {
            property = feature.append_child("Property");
            property.append_attribute("label") = "areaCode";
            property.append_attribute("value") = xmlText(x.AreaCode, blanked).c_str();
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
                      " without coordinates (not joined by lines to the points written with "
                      "coordinates)");
    if (!exported.BearingsLeftOut.empty()) {
        out.push_back("Lines written without their bearing (no valid bearing):");
        for (const std::string& l : exported.BearingsLeftOut)
            out.push_back("  " + l);
    }
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

#include "core/exchange/landxmlimport.h"

#include "core/base/numtext.h"
#include "core/files/polygons.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>

namespace corvane::landxml {

// Reading a document's units, points, instrument setups and observations.

Result<void> Importer::readUnits() {
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
        const std::string given(TrimWhiteSpace(system.attribute(attribute).value()));
        if (given.empty())
            return absent;
        for (const auto& [name, factor] : known)
            if (UpperCase(given) == UpperCase(name))
                return factor;
        return refuse(system, std::string("the ") + what + " unit \"" + given + "\" is not known");
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

std::unordered_set<std::string> Importer::labelPoints() const {
    std::unordered_set<std::string> centres, used;
    struct Walker : pugi::xml_tree_walker {
        std::unordered_set<std::string>*centres, *used;
        bool for_each(pugi::xml_node& n) override {
            if (n.type() != pugi::node_element)
                return true;
            const bool parcelCentre = localName(n) == "Center" && localName(n.parent()) == "Parcel";
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

std::vector<pugi::xml_node> Importer::pointElements() const {
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

Result<void> Importer::readPoints() {
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
                return refuse(p, "the coordinates \"" +
                                     std::string(TrimWhiteSpace(p.child_value())) +
                                     "\" are not numbers");
            c = {*e * units_.Linear, *n * units_.Linear, true};
            if (!surveyPosition(c.east, c.north))
                return refuse(p, "the point \"" + name + "\" at \"" +
                                     std::string(TrimWhiteSpace(p.child_value())) +
                                     "\" lies beyond any survey (more than " +
                                     GeneralText(kMaxCoordinate / 1000) + " km from the origin)");
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
        const std::string oid(TrimWhiteSpace(point.attribute("oID").value()));
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
            TrimWhiteSpace(pointName.substr(prefix.size())).find_first_not_of("0123456789") ==
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
            marksWithoutNumber_.push_back("  " + prefix + " " + digits + " at point " + ref + " (" +
                                          at(m) + "): the number is too long for a " +
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
    std::unordered_set<std::string> markKeys;
    for (const auto& [key, mark] : marks)
        if (const auto n = numbers_.find(key); n != numbers_.end() && n->second == mark.second)
            markKeys.insert(key);
    keepGridMarks(order, nodes, markKeys);
    return checkPointCount();
}

std::int32_t Importer::newPointNumber() {
    while (used_.count(nextPoint_))
        ++nextPoint_;
    used_.insert(nextPoint_);
    ++ordinaryPoints_;
    return nextPoint_;
}

Result<void> Importer::checkPointCount() const {
    if (ordinaryPoints_ <= kLastOrdinaryPoint)
        return {};
    const std::string natural = naturalPoints_ > 0 ? " (with " + std::to_string(naturalPoints_) +
                                                         " new points along its natural boundaries)"
                                                   : std::string();
    return Error{fileName_ + " holds " + std::to_string(ordinaryPoints_) +
                     " points besides its survey marks" + natural + ", and a plan holds at most " +
                     std::to_string(kLastOrdinaryPoint) +
                     " (higher numbers read as survey marks)\nNo plan file was written",
                 kImportTitle};
}

std::string Importer::shown(const std::string& key) {
    if (!key.empty() && key.front() == '\x01')
        return key.substr(1);
    return key.substr(0, key.find('\x01'));
}

Result<void> Importer::readSetups() {
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

Result<std::string> Importer::setupPoint(const pugi::xml_node& o, const char* attribute,
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

Result<void> Importer::readObservations() {
    struct Walker : pugi::xml_tree_walker {
        std::vector<pugi::xml_node> found;
        bool for_each(pugi::xml_node& n) override {
            if (n.type() == pugi::node_element &&
                (localName(n) == "ReducedObservation" || localName(n) == "ReducedArcObservation"))
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

std::optional<std::string> Importer::pointOf(const pugi::xml_node& node) const {
    const std::string ref = node.attribute("pntRef").value();
    if (!ref.empty())
        return numbers_.count(ref) ? std::optional<std::string>(ref) : std::nullopt;
    const std::vector<std::string> figures = words(node.child_value());
    if (figures.size() < 2)
        return std::nullopt;
    return pointAt(figures[0], figures[1]);
}

std::optional<std::string> Importer::pointAt(const std::string& north,
                                             const std::string& east) const {
    const auto n = number(north);
    const auto e = number(east);
    if (!n || !e)
        return std::nullopt;
    return index_.find(*e * units_.Linear, *n * units_.Linear);
}

} // namespace corvane::landxml

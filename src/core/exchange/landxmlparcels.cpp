#include "core/exchange/landxmlimport.h"

#include "core/base/numtext.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>

namespace corvane::landxml {

// Reading a document's parcels, and the import report.

std::optional<Importer::Coord> Importer::positionOf(const pugi::xml_node& node) const {
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

Importer::Edge Importer::curveEdge(const pugi::xml_node& g, const std::string& start,
                                   const std::string& end) {
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

std::string Importer::irregularLine(const pugi::xml_node& g, const std::string& identifier,
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
                           (firstNew ? " through new points " + std::to_string(firstNew) + " to " +
                                           std::to_string(lastNew)
                                     : std::string()));
    return {};
}

Result<void> Importer::checkPositions() const {
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
                return refuse(n, "the coordinate " + figure +
                                     " lies beyond any survey (more than " +
                                     GeneralText(kMaxCoordinate / 1000) + " km from the origin)");
        }
    return {};
}

std::string Importer::distinctIdentifier(const std::string& identifier, bool context) const {
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

void Importer::keep(const std::string& stored, const std::string& identifier, bool context,
                    const pugi::xml_node& p) {
    auto& taken = context ? contextIdentifiers_ : planIdentifiers_;
    taken.insert(stored);
    if (stored == identifier)
        return;
    nextSuffix_[identifier] = std::stoi(stored.substr(identifier.size() + 1)) + 1;
    namesRewritten_.push_back("  " + stored + " (" + at(p) + "): another parcel is " + identifier +
                              ", this one is stored as " + stored);
}

Result<void> Importer::readParcels() {
    if (Result<void> s = checkPositions(); !s)
        return s;
    for (const pugi::xml_node& p : descendants(root_, "Parcel")) {
        const std::string given = p.attribute("name").value();
        const std::string name = UpperCase(storableText(given));
        const std::string state(TrimWhiteSpace(storableText(p.attribute("state").value())));
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
            state != TrimWhiteSpace(std::string_view(p.attribute("state").value())))
            namesRewritten_.push_back("  " + stored + (context ? " " + state : "") + " (" + at(p) +
                                      "): double quotes, line breaks or " +
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
            withoutGeometry_.push_back("  " + stored + (context ? " " + state : "") + " (" + at(p) +
                                       ")");
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
            turned_.push_back("  " + stored + (context ? " " + state : "") + " (" + at(p) + ")");
        }

        const std::string areaText(TrimWhiteSpace(p.attribute("area").value()));
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
            (unmeasured ? ", " + std::to_string(unmeasured) + " of its edges without a line" : ""));
    }
    return checkPointCount();
}

bool Importer::anticlockwise(const std::vector<Edge>& edges) const {
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
            twice += (e.clockwise ? -1 : 1) * e.radius * e.radius * (e.sweep - std::sin(e.sweep));
    }
    return twice > 0;
}

bool Importer::measureEdge(const std::string& identifier, const Edge& e, bool listMissing) {
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

void Importer::report(const std::string& line, std::vector<std::string>& section) {
    section.push_back(line);
}

void Importer::finishReport() {
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
    section("Parcels turned clockwise (their corners listed anticlockwise in the file)", turned_,
            false);
    section("Marks without a number (imported as ordinary points)", marksWithoutNumber_, true);
    section("Natural boundaries", natural_, true);
    section("Names and areas rewritten", namesRewritten_, true);
    section("Parcels without geometry (not imported)", withoutGeometry_, true);
    if (!gridMarks_.empty())
        section("Map grid coordinates of marks (zone " +
                    (plan_.Grid.zone ? std::to_string(plan_.Grid.zone) : "unknown") + ", datum " +
                    (plan_.Grid.datum.empty() ? "unknown" : plan_.Grid.datum) +
                    "), kept in the plan's grid file",
                gridMarks_, false);
}

} // namespace corvane::landxml

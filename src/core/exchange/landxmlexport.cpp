#include "core/exchange/landxml.h"

#include "core/base/filestate.h"
#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/exchange/landxmlcommon.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/linepairindex.h"
#include "core/model/pointlabel.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <unordered_set>

namespace corvane {

namespace {

constexpr const char* kExportTitle = "Export LandXML error";

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
            const std::string point(TrimWhiteSpace(line));
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
    const LinePairIndex byPair(lines);
    auto lineOf = [&](std::int32_t a, std::int32_t b) -> const LineRecord* {
        const auto found = byPair.Find(a, b);
        return found ? &lines[*found] : nullptr;
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
        feature.append_attribute("code") = landxml::kFeatureCode;
        pugi::xml_node property = feature.append_child("Property");
        property.append_attribute("label") = "identifier";
        property.append_attribute("value") = identifier.c_str();
        if (!validUtf8(x.Identifier)) {
            property = feature.append_child("Property");
            property.append_attribute("label") = landxml::kIdentifierEncoding;
            property.append_attribute("value") = landxml::kLatin1;
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
    if (Result<void> loaded = LoadLines(plan); !loaded)
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
    if (Result<void> written = WriteFileAtomic(outPath, exported.value().Text); !written)
        return Error{written.error().message, kExportTitle};
    return exported;
}

} // namespace corvane

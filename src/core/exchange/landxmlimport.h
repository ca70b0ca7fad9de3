#pragma once

// The LandXML reader's parts: the figures and names of a file as the plan's files hold
// them, and the import that turns a document into a plan.

#include "core/base/result.h"
#include "core/exchange/landxml.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace corvane::landxml {

constexpr const char* kImportTitle = "Import LandXML error";
constexpr double kFoot = 0.3048;
constexpr double kSurveyFoot = 1200.0 / 3937.0;

// The local part of an element's name: "lx:CgPoint" and "CgPoint" are one element.
std::string_view localName(const pugi::xml_node& node);

pugi::xml_node child(const pugi::xml_node& node, std::string_view name);

// Every element of that local name below node, in document order.
std::vector<pugi::xml_node> descendants(const pugi::xml_node& node, std::string_view name);

std::vector<std::string> words(std::string_view text);

std::optional<double> number(std::string_view text);

// The units a file's figures are in.
struct Units {
    double Linear = 1; // metres per unit
    double Area = 1;   // square metres per unit
    enum class Angle { Packed, Degrees, Radians, Grads } Direction = Angle::Packed;
};

// A bearing in packed dd.mm.ss read as text, never through a float: "99.46" is 99°46',
// "99.4630" 99°46'30", "99.46305" 99°46'30.5". nullopt when minutes or seconds reach 60.
std::optional<double> packedBearing(const std::string& text);

std::optional<double> direction(const std::string& text, const Units& units);

double roundTo(double value, double step);

// The kind of survey mark a monument's type names, as the prefix of its coded number: the
// abbreviations in any letter case and the names lodged plans spell out. Empty for
// monuments that are no coded mark (pegs, drill holes, nails...).
std::string markPrefix(std::string_view type);

// The first run of digits in a text ("PM 1847" gives 1847), without leading zeros: a mark
// numbered 0123 is mark 123, as a surveyor typing it would get.
std::string markDigits(std::string_view text);

// A parcel's name or state as the plan's files can hold it: a double quote would end the
// quoted identifier early, a line break would split the heading, so quotes become
// apostrophes and every run of line breaks or other control characters one blank.
std::string storableText(std::string_view text);

// The farthest a surveyed position lies from its origin, in metres, in any grid a plan is
// surveyed on. A figure beyond it is a corrupt file, not a survey.
constexpr double kMaxCoordinate = 1e9;

bool surveyPosition(double east, double north);

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

ParcelIdentity parcelIdentity(const pugi::xml_node& parcel, const std::string& cls,
                              const std::string& name);

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
bool planParcelState(const std::string& state);

constexpr std::int32_t kLastOrdinaryPoint = 4999;

class Importer {
  public:
    Importer(const std::string& text, std::string fileName, const LandXmlImportOptions& options)
        : text_(text), fileName_(std::move(fileName)), options_(options) {
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n')
                newlines_.push_back(i);
    }

    Result<ImportedPlan> run();

  private:
    struct Coord {
        double east = 0, north = 0;
        bool known = false;
    };

    int lineAt(size_t offset) const;
    int lineOf(const pugi::xml_node& node) const;
    Error refuse(const pugi::xml_node& node, const std::string& what) const;
    std::string at(const pugi::xml_node& node) const;

    Result<void> readUnits();

    // Points named only as a parcel's Center: the parcel's label point, not surveyed.
    std::unordered_set<std::string> labelPoints() const;

    // The CgPoint elements of the point lists, each once however the lists are nested.
    std::vector<pugi::xml_node> pointElements() const;

    Result<void> readPoints();

    // The next free ordinary point number.
    std::int32_t newPointNumber();

    // Ordinary points are numbered below the numbers that read as survey marks; a plan with
    // more of them cannot be made without one reading as a mark.
    Result<void> checkPointCount() const;

    // A point's name as the file gives it.
    static std::string shown(const std::string& key);

    Result<void> readSetups();

    // The point name a setup reference stands for.
    Result<std::string> setupPoint(const pugi::xml_node& o, const char* attribute,
                                   const char* pointAttribute);

    Result<void> readObservations();

    // The point a Start, End or Center element names: by pntRef, or by its coordinates.
    std::optional<std::string> pointOf(const pugi::xml_node& node) const;
    std::optional<std::string> pointAt(const std::string& north, const std::string& east) const;

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
    std::optional<Coord> positionOf(const pugi::xml_node& node) const;

    // A Curve as a parcel edge. Its radius is the given one, else the distance from the
    // Center to the Start. Whether it is the short or the long arc between its ends comes
    // from its length when given, else from the side of the chord its Center lies on: an arc
    // turning right has its centre right of the chord when it is the short arc, left of it
    // when it goes the long way round.
    Edge curveEdge(const pugi::xml_node& g, const std::string& start, const std::string& end);

    // The edges of an irregular line. Through CgPoints only, an edge per vertex. Through
    // other positions it is a natural boundary (a creek, a shore): with filling from the
    // coordinates it keeps its shape, through a new point at every vertex that is no
    // CgPoint; otherwise it is the one edge Start to End, missing data. The vertex list holds
    // the line's Start and End; one listed from the End back to the Start is turned round.
    std::string irregularLine(const pugi::xml_node& g, const std::string& identifier,
                              const std::string& start, const std::string& end,
                              std::vector<Edge>& edges);

    // A position a parcel's geometry gives by its coordinates that lies beyond any survey
    // refuses the file, as a point's does.
    Result<void> checkPositions() const;

    // The identifier a parcel is stored under: its own, or when a parcel stored before has it
    // already, the same with "-2", "-3"... after it. Letter case counts, as it does for every
    // reader of the polygons file (names read by their class are in capitals already).
    std::string distinctIdentifier(const std::string& identifier, bool context) const;
    void keep(const std::string& stored, const std::string& identifier, bool context,
              const pugi::xml_node& p);

    Result<void> readParcels();

    // True when a parcel's corners run anticlockwise: its area over east and north is
    // positive. An arc adds the segment between its chord and itself, on the side it turns
    // to: a lot of one line and one arc is all segment, and a big arc can outweigh the
    // chords. Corners without coordinates leave the order as the file gives it.
    bool anticlockwise(const std::vector<Edge>& edges) const;

    // A parcel edge no observation measured: missing data, or a line from the coordinates.
    // False when the edge is left without a line; only the plan's own parcels list it as
    // missing data.
    bool measureEdge(const std::string& identifier, const Edge& e, bool listMissing);

    // Keeps the map grid coordinates of the points that became survey marks (markKeys) and
    // of the control points, with the zone and the coordinate system the file names.
    void keepGridMarks(const std::vector<std::string>& order,
                       const std::unordered_map<std::string, pugi::xml_node>& nodes,
                       const std::unordered_set<std::string>& markKeys);

    void report(const std::string& line, std::vector<std::string>& section);

    void finishReport();

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
        namesRewritten_, withoutGeometry_, gridMarks_;
};

} // namespace corvane::landxml

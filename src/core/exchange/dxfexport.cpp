#include "core/exchange/dxfexport.h"

#include "core/base/numtext.h"
#include "core/base/safewrite.h"
#include "core/base/textfile.h"
#include "core/files/curves.h"
#include "core/files/polygons.h"
#include "core/files/polygonsmodel.h"
#include "core/geometry/planview.h"
#include "core/model/pointlabel.h"

#include <dl_dxf.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBoundaryLayer = "BOUNDARY";
constexpr const char* kEasementLayer = "EASEMENT";
constexpr const char* kOtherLayer = "OTHER";
constexpr const char* kPointsLayer = "POINTS";
constexpr const char* kParcelsLayer = "PARCELS";
constexpr const char* kContextLayer = "CONTEXT";
constexpr const char* kTextStyle = "Standard";
constexpr const char* kLongDashType = "LONGDASH";

// The layer of a line: that of the stroke the plan view draws its class in.
const char* layerOfStroke(Stroke stroke) {
    switch (stroke) {
    case Stroke::Dashed:
        return kEasementLayer;
    case Stroke::Dotted:
        return kOtherLayer;
    case Stroke::LongDashed:
        return kContextLayer;
    case Stroke::Solid:
        break;
    }
    return kBoundaryLayer;
}

struct DxfLine {
    const char* Layer;
    double E1, N1, E2, N2;
};
// Angles in degrees counter-clockwise from east; the arc runs counter-clockwise from Start
// to End.
struct DxfArc {
    const char* Layer;
    double CentreE, CentreN, Radius, Start, End;
};
struct DxfText {
    const char* Layer;
    double E, N;
    std::string Text;
    bool Centred = false; // on its position, else its top left corner there
};
struct DxfDrawing {
    std::vector<DxfLine> Lines;
    std::vector<DxfArc> Arcs;
    std::vector<DxfText> Texts;
    double TextHeight = 1;
};

double directionDegrees(double dE, double dN) {
    double angle = std::atan2(dN, dE) * 180 / std::numbers::pi;
    if (angle < 0)
        angle += 360;
    if (angle >= 360)
        angle -= 360;
    return angle;
}

// The arc of a stroke that follows its curve, on the circle and the side of it the view
// draws (the long way round for an arc longer than a half circle).
DxfArc arcOf(const char* layer, const PlanStroke& stroke) {
    const ArcCourse& course = *stroke.Arc;
    DxfArc arc{layer, course.CentreE, course.CentreN, course.Radius, 0, 0};
    const double fromAngle = directionDegrees(stroke.E1 - arc.CentreE, stroke.N1 - arc.CentreN);
    const double toAngle = directionDegrees(stroke.E2 - arc.CentreE, stroke.N2 - arc.CentreN);
    // Turning right the arc runs clockwise from its first end: anticlockwise from its second.
    arc.Start = course.Left ? fromAngle : toAngle;
    arc.End = course.Left ? toAngle : fromAngle;
    return arc;
}

// A label as one DXF text value: a control character would end the value early (a line
// end) or garble it, so each becomes a blank.
std::string textValue(const std::string& text) {
    std::string value = text;
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return value;
}

DxfDrawing collect(const WholePlanDrawing& drawing) {
    DxfDrawing out;
    for (const PlanStroke& stroke : PlanStrokes(drawing.Lines, drawing.Points, drawing.Curves)) {
        const char* layer = layerOfStroke(stroke.Style);
        if (stroke.Arc)
            out.Arcs.push_back(arcOf(layer, stroke));
        else
            out.Lines.push_back(DxfLine{layer, stroke.E1, stroke.N1, stroke.E2, stroke.N2});
    }
    for (const PlotText& label : PointLabelShapes(drawing.Points, false))
        out.Texts.push_back(DxfText{kPointsLayer, label.E, label.N, textValue(label.Text)});
    for (const PlotText& label :
         ParcelLabelShapes(drawing.Polygons, drawing.Points, drawing.Lines, &drawing.Curves))
        out.Texts.push_back(DxfText{kParcelsLayer, label.E, label.N, textValue(label.Text), true});
    out.TextHeight = kDxfLabelMm * PlanDrawingScale(drawing) / 1000;
    return out;
}

// An A3 sheet, and how wide a lot must be on paper to hold its label.
constexpr double kA3LongMm = 420;
constexpr double kA3ShortMm = 297;
constexpr double kLotAcrossMm = 30;

// The standard scales in order: 1:100, 1:200, 1:250, 1:500, 1:1000 and so on.
double standardScale(int k) {
    constexpr double steps[] = {1, 2, 2.5, 5};
    return 100 * steps[k % 4] * std::pow(10.0, k / 4);
}
// The number of standard scales looked at: up to 1:500 000 000, past any survey.
constexpr int kStandardScales = 28;

// The width (four times its area over its perimeter) of each lot with an area and all its
// corners fixed, in the polygons file's order.
std::vector<double> lotWidths(const std::vector<std::string>& polygons,
                              const PointsByNumber& fixed) {
    std::vector<double> widths;
    std::vector<const PointRecord*> corners;
    auto measure = [&] {
        if (corners.size() > 1 && corners.front() == corners.back())
            corners.pop_back();
        if (corners.size() < 3 ||
            std::find(corners.begin(), corners.end(), nullptr) != corners.end())
            return;
        double twiceArea = 0, perimeter = 0;
        for (std::size_t k = 0; k < corners.size(); ++k) {
            const PointRecord& p = *corners[k];
            const PointRecord& q = *corners[(k + 1) % corners.size()];
            twiceArea += p.East * q.North - q.East * p.North;
            perimeter += std::hypot(q.East - p.East, q.North - p.North);
        }
        const double width = 2 * std::fabs(twiceArea) / perimeter;
        if (width > 0 && std::isfinite(width))
            widths.push_back(width);
    };
    for (const PolygonParcel& parcel : PolygonsFromLines(polygons).Parcels) {
        const std::string& identifier = parcel.Identifier;
        if (identifier.empty() || identifier[0] == 'C' || identifier[0] == 'E')
            continue;
        corners.clear();
        for (std::int32_t point : parcel.Points()) {
            auto it = fixed.find(point);
            corners.push_back(it == fixed.end() ? nullptr : it->second);
        }
        measure();
    }
    return widths;
}

// The typical lot's width: the median, of an even number the wider of the middle two; nullopt
// when the plan has no lot to measure.
std::optional<double> typicalLotWidth(std::vector<double> widths) {
    if (widths.empty())
        return std::nullopt;
    const auto middle = widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2);
    std::nth_element(widths.begin(), middle, widths.end());
    return *middle;
}

// False when a figure to be written is no finite number: the file would carry "nan" or
// "inf", which no reader takes as a coordinate.
bool allFinite(const DxfDrawing& d) {
    auto finite = [](std::initializer_list<double> values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    for (const DxfLine& l : d.Lines)
        if (!finite({l.E1, l.N1, l.E2, l.N2}))
            return false;
    for (const DxfArc& a : d.Arcs)
        if (!finite({a.CentreE, a.CentreN, a.Radius, a.Start, a.End}))
            return false;
    for (const DxfText& t : d.Texts)
        if (!finite({t.E, t.N}))
            return false;
    return true;
}

// A name beside the target that no file holds yet, for dxflib to write the drawing into.
std::string scratchNameFor(const std::string& target) {
    for (;;) {
        std::string name = target + ".dxf" + NewFileToken();
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(fs::path(name), ec)))
            return name;
    }
}

// The drawing through dxflib: header, tables (line types, layers, text style and the
// tables AutoCAD expects), the model and paper space blocks, entities, objects.
bool writeDxf(const std::string& file, const DxfDrawing& d) {
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1015));
    if (!dw)
        return false;
    const double u = d.TextHeight;

    dxf.writeHeader(*dw);
    dw->dxfString(9, "$INSUNITS");
    dw->dxfInt(70, 6); // metres
    dw->dxfString(9, "$MEASUREMENT");
    dw->dxfInt(70, 1); // metric
    dw->dxfString(9, "$TEXTSIZE");
    dw->dxfReal(40, u);
    // Labels are written as the plan files hold them, one byte a letter (Latin-1).
    dw->dxfString(9, "$DWGCODEPAGE");
    dw->dxfString(3, "ANSI_1252");
    dw->sectionEnd();

    dw->sectionTables();
    dxf.writeVPort(*dw);
    // The view's strokes as line types, sized to the labels so they show at the plan's scale.
    double dashes[2] = {2 * u, -u};
    double dots[2] = {0.0, -u / 2};
    double longDashes[2] = {kLongDash / kLongDashGap * u, -u};
    dw->tableLinetypes(6);
    dxf.writeLinetype(*dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("DASHED", "Dashed __ __ __", 0, 2, 3 * u, dashes));
    dxf.writeLinetype(*dw, DL_LinetypeData("DOT", "Dot . . . .", 0, 2, u / 2, dots));
    dxf.writeLinetype(*dw, DL_LinetypeData(kLongDashType, "Long dash ____ ____ ____", 0, 2,
                                           longDashes[0] - longDashes[1], longDashes));
    dw->tableEnd();

    struct LayerEntry {
        const char* Name;
        int Colour;
        const char* Linetype;
    };
    const LayerEntry layers[] = {
        {"0", 7, "CONTINUOUS"},           {kBoundaryLayer, 7, "CONTINUOUS"},
        {kEasementLayer, 7, "DASHED"},    {kOtherLayer, 7, "DOT"},
        {kPointsLayer, 1, "CONTINUOUS"},  {kParcelsLayer, 7, "CONTINUOUS"},
        {kContextLayer, 8, kLongDashType}};
    dw->tableLayers(static_cast<int>(std::size(layers)));
    for (const LayerEntry& layer : layers)
        dxf.writeLayer(*dw, DL_LayerData(layer.Name, 0),
                       DL_Attributes("", layer.Colour, -3, layer.Linetype, 1.0));
    dw->tableEnd();

    dw->tableStyle(1);
    dxf.writeStyle(*dw, DL_StyleData(kTextStyle, 0, 0.0, 1.0, 0.0, 0, u, "txt", ""));
    dw->tableEnd();
    dxf.writeView(*dw);
    dxf.writeUcs(*dw);
    dw->tableAppid(1);
    dxf.writeAppid(*dw, "ACAD");
    dw->tableEnd();
    dxf.writeDimStyle(*dw, u, u / 2, u / 2, u / 2, u);
    dxf.writeBlockRecord(*dw);
    dw->tableEnd();
    dw->sectionEnd();

    dw->sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(*dw, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(*dw, block);
    }
    dw->sectionEnd();

    dw->sectionEntities();
    auto onLayer = [](const char* layer) { return DL_Attributes(layer, 256, -1, "BYLAYER", 1.0); };
    for (const DxfLine& l : d.Lines)
        dxf.writeLine(*dw, DL_LineData(l.E1, l.N1, 0.0, l.E2, l.N2, 0.0), onLayer(l.Layer));
    for (const DxfArc& a : d.Arcs)
        dxf.writeArc(*dw, DL_ArcData(a.CentreE, a.CentreN, 0.0, a.Radius, a.Start, a.End),
                     onLayer(a.Layer));
    // A point's label left and top aligned (horizontal 0, vertical 3), below and to the right
    // of the point as the view writes it; a parcel's centred on its position (horizontal 1,
    // vertical 2) so that a long identifier spreads evenly toward both sides of its lot.
    for (const DxfText& t : d.Texts)
        dxf.writeText(*dw,
                      DL_TextData(t.E, t.N, 0.0, t.E, t.N, 0.0, u, 1.0, 0, t.Centred ? 1 : 0,
                                  t.Centred ? 2 : 3, t.Text, kTextStyle, 0.0),
                      onLayer(t.Layer));
    dw->sectionEnd();

    dxf.writeObjects(*dw);
    dxf.writeObjectsEnd(*dw);
    dw->dxfEOF();
    dw->close();
    return true;
}

// The file's lines, a group code and its value on two lines each, without their line ends.
std::vector<std::string_view> linesOf(const std::string& content) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t end = content.find('\n', at);
        if (end == std::string::npos)
            end = content.size();
        lines.push_back(std::string_view(content).substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// dxflib writes the objects section (the named dictionaries, the layouts, the multiline
// style) without the owner handle each object must carry, which a strict reader then has to
// repair. Each object is owned by the dictionary that lists it (group 350 or 360); the root
// dictionary by nobody (handle 0). The owner goes right after the object's own handle, where
// the DXF reference places it.
std::string withObjectOwners(const std::string& content) {
    const std::vector<std::string_view> lines = linesOf(content);
    auto code = [&](std::size_t pair) { return TrimWhiteSpace(lines[2 * pair]); };
    auto value = [&](std::size_t pair) { return TrimWhiteSpace(lines[2 * pair + 1]); };
    const std::size_t pairs = lines.size() / 2;

    // The objects section's pairs, each object's handle pair and whether it names an owner
    // before its class data, and the owner of every object a dictionary lists.
    std::size_t first = pairs, last = pairs;
    for (std::size_t k = 0; k + 1 < pairs; ++k)
        if (code(k) == "0" && value(k) == "SECTION" && code(k + 1) == "2" &&
            value(k + 1) == "OBJECTS") {
            first = k + 2;
            break;
        }
    for (std::size_t k = first; k < pairs; ++k)
        if (code(k) == "0" && value(k) == "ENDSEC") {
            last = k;
            break;
        }
    std::unordered_map<std::string_view, std::string_view> ownerOf;
    std::vector<std::size_t> unowned; // handle pairs of objects that name no owner
    std::string_view object, handle;
    bool classData = true;
    for (std::size_t k = first; k < last; ++k) {
        const std::string_view c = code(k);
        if (c == "0") {
            object = value(k);
            handle = {};
            classData = false;
        } else if (c == "5" && !classData) {
            handle = value(k);
            unowned.push_back(k);
        } else if (c == "330" && !classData && !handle.empty() && code(unowned.back()) == "5" &&
                   value(unowned.back()) == handle) {
            unowned.pop_back(); // the writer named the owner itself
        } else if (c == "100") {
            classData = true;
        } else if ((c == "350" || c == "360") && !handle.empty() &&
                   (object == "DICTIONARY" || object == "ACDBDICTIONARYWDFLT")) {
            ownerOf.emplace(value(k), handle);
        }
    }
    if (unowned.empty())
        return content;

    std::string out;
    out.reserve(content.size() + unowned.size() * 16);
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.append(lines[i]);
        if (i + 1 < lines.size() || (!content.empty() && content.back() == '\n'))
            out.push_back('\n');
        if (next < unowned.size() && i == 2 * unowned[next] + 1) {
            auto owner = ownerOf.find(value(unowned[next]));
            const std::string_view ending = lines[i].ends_with('\r') ? "\r\n" : "\n";
            out.append("330").append(ending);
            out.append(owner == ownerOf.end() ? std::string_view("0") : owner->second);
            out.append(ending);
            ++next;
        }
    }
    return out;
}

// dxflib writes a fixed handle seed (FFFF), which a drawing of many lines outgrows: a CAD
// program that adds an entity would then give it a handle already taken. The seed becomes
// one more than the largest handle in the file (group 5, or 105 in a dimension style).
std::string withHandleSeed(const std::string& content) {
    const std::vector<std::string_view> lines = linesOf(content);
    const std::size_t pairs = lines.size() / 2;
    std::size_t seedLine = lines.size();
    unsigned long long largest = 0;
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::string_view c = TrimWhiteSpace(lines[2 * k]);
        const std::string_view v = TrimWhiteSpace(lines[2 * k + 1]);
        if (c == "9" && v == "$HANDSEED" && k + 1 < pairs &&
            TrimWhiteSpace(lines[2 * k + 2]) == "5") {
            seedLine = 2 * k + 3;
            ++k;
        } else if (c == "5" || c == "105") {
            unsigned long long handle = 0;
            std::from_chars(v.data(), v.data() + v.size(), handle, 16);
            largest = std::max(largest, handle);
        }
    }
    if (seedLine == lines.size())
        return content;
    char seed[32];
    std::snprintf(seed, sizeof seed, "%llX", largest + 1);
    const std::size_t at = static_cast<std::size_t>(lines[seedLine].data() - content.data());
    const std::size_t length = TrimWhiteSpace(lines[seedLine]).size();
    const std::size_t start = at + lines[seedLine].find_first_not_of(' ');
    std::string out = content;
    out.replace(start, length, seed);
    return out;
}

// True when the text ends with the end-of-file group: dxflib reports no failure of its own
// writes, so a full disk shows only as a file that stops short.
bool endsWhole(const std::string& content) {
    std::size_t end = content.find_last_not_of("\r\n");
    return end != std::string::npos && end >= 2 && content.compare(end - 2, 3, "EOF") == 0;
}

Error failure(const std::string& message) {
    return Error{message, kDxfExportTitle};
}

} // namespace

double PlanDrawingScale(const WholePlanDrawing& drawing) {
    const PointsByNumber fixed = IndexPoints(drawing.Points, true);
    bool any = false;
    double minE = 0, maxE = 0, minN = 0, maxN = 0;
    for (const auto& [number, point] : fixed) {
        if (!any) {
            minE = maxE = point->East;
            minN = maxN = point->North;
            any = true;
        }
        minE = std::min(minE, point->East);
        maxE = std::max(maxE, point->East);
        minN = std::min(minN, point->North);
        maxN = std::max(maxN, point->North);
    }
    // Plan metres per millimetre of paper, as the printout counts them.
    const double wide = std::max(maxE - minE, maxN - minN);
    const double narrow = std::min(maxE - minE, maxN - minN);
    auto fitsSheet = [&](double scale) {
        const double s = scale / 1000;
        return wide <= (kA3LongMm - 10) * s && narrow <= (kA3ShortMm - 10) * s;
    };
    int sheet = 0;
    while (sheet + 1 < kStandardScales && !fitsSheet(standardScale(sheet)))
        ++sheet;
    if (const auto lot = typicalLotWidth(lotWidths(drawing.Polygons, fixed))) {
        int detail = 0;
        while (detail + 1 < kStandardScales &&
               standardScale(detail + 1) * kLotAcrossMm / 1000 <= *lot)
            ++detail;
        sheet = std::min(sheet, detail);
    }
    return standardScale(sheet);
}

Result<DxfSummary> WritePlanDxf(const WholePlanDrawing& drawing, const std::string& path) {
    const DxfDrawing dxf = collect(drawing);
    if (!allFinite(dxf))
        return failure("Cannot write " + path + ": the plan holds a position that is not a number");

    const std::string target = ResolveFileName(path);
    const std::string folder = DirectoryOf(target);
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(fs::path(folder), ec))
        return failure("Cannot write " + target + ": the folder " + folder + " does not exist");

    // dxflib writes only to a named file: it writes a scratch file beside the target, whose
    // bytes then replace the target whole.
    const std::string scratch = scratchNameFor(target);
    auto removeScratch = [&scratch] {
        std::error_code ignored;
        fs::remove(fs::path(scratch), ignored);
    };
    errno = 0;
    if (!writeDxf(scratch, dxf)) {
        const int cause = errno;
        removeScratch();
        return failure("Cannot write " + target + ": " +
                       (cause ? std::strerror(cause) : "the file cannot be created"));
    }
    auto content = ReadTextFile(scratch);
    removeScratch();
    if (!content)
        return failure("Cannot write " + target + ": " + content.error().message);
    if (!endsWhole(content.value()))
        return failure("Cannot write " + target +
                       ": the drawing was not written whole (is the disk full?)");
    if (Result<void> written =
            WriteFileAtomic(target, withHandleSeed(withObjectOwners(content.value())));
        !written)
        return failure(written.error().message);

    DxfSummary summary;
    summary.lines = static_cast<int>(dxf.Lines.size());
    summary.arcs = static_cast<int>(dxf.Arcs.size());
    summary.texts = static_cast<int>(dxf.Texts.size());
    summary.notFixed = UnfixedPointLabels(drawing.Points);
    return summary;
}

} // namespace corvane

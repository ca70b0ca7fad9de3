#include "core/exchange/landxmlimport.h"

#include "core/base/filestate.h"
#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/exchange/landxmlcommon.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/model/bearing.h"

#include <algorithm>
#include <sstream>

namespace corvane {

namespace landxml {

namespace {

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

} // namespace

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

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::optional<double> number(std::string_view text) {
    const std::string t(TrimWhiteSpace(text));
    if (!IsNumberText(t))
        return std::nullopt;
    return FiniteVal(t);
}

std::optional<double> packedBearing(const std::string& text) {
    const std::string t(TrimWhiteSpace(text));
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

std::string markPrefix(std::string_view type) {
    std::string t = UpperCase(TrimWhiteSpace(type));
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

bool surveyPosition(double east, double north) {
    return std::isfinite(east) && std::isfinite(north) && std::fabs(east) <= kMaxCoordinate &&
           std::fabs(north) <= kMaxCoordinate;
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
        else if (TrimWhiteSpace(identifier).empty() || storableText(identifier) != identifier)
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

bool planParcelState(const std::string& state) {
    const std::string s = UpperCase(state);
    return s.empty() || s == "PROPOSED" || s == "CREATED";
}

Result<ImportedPlan> Importer::run() {
    const pugi::xml_parse_result parsed =
        doc_.load_buffer(text_.data(), text_.size(), pugi::parse_default);
    if (!parsed)
        return Error{fileName_ + " is not well-formed XML at line " +
                         std::to_string(lineAt(static_cast<size_t>(parsed.offset))) + ": " +
                         parsed.description(),
                     landxml::kImportTitle};
    root_ = doc_.document_element();
    if (Result<void> s = readUnits(); !s)
        return s.error();
    if (Result<void> s = readPoints(); !s)
        return s.error();
    if (Result<void> s = readSetups(); !s)
        return s.error();
    if (Result<void> s = readObservations(); !s)
        return s.error();
    if (Result<void> s = readParcels(); !s)
        return s.error();
    finishReport();
    return std::move(plan_);
}

int Importer::lineAt(size_t offset) const {
    return static_cast<int>(std::upper_bound(newlines_.begin(), newlines_.end(), offset) -
                            newlines_.begin()) +
           1;
}

int Importer::lineOf(const pugi::xml_node& node) const {
    return lineAt(static_cast<size_t>(std::max<std::ptrdiff_t>(node.offset_debug(), 0)));
}

Error Importer::refuse(const pugi::xml_node& node, const std::string& what) const {
    return Error{fileName_ + " line " + std::to_string(lineOf(node)) + ", <" +
                     std::string(localName(node)) + ">: " + what + "\nNo plan file was written",
                 landxml::kImportTitle};
}

std::string Importer::at(const pugi::xml_node& node) const {
    return "line " + std::to_string(lineOf(node)) + " <" + std::string(localName(node)) + ">";
}

} // namespace landxml

Result<ImportedPlan> ImportLandXml(const std::string& text, const std::string& fileName,
                                   const LandXmlImportOptions& options) {
    return landxml::Importer(text, fileName, options).run();
}

Result<ImportedPlan> ImportLandXmlFile(const std::string& path,
                                       const LandXmlImportOptions& options) {
    auto text = ReadTextFile(path);
    if (!text)
        return Error{text.error().message, landxml::kImportTitle};
    return ImportLandXml(text.value(), path, options);
}

std::string ImportReportPath(const std::string& base) {
    return base + "-import.txt";
}

Result<void> WriteImportedPlan(const ImportedPlan& plan, const std::string& base) {
    const std::vector<std::string> files = {PlanFile(base, ".lns"),   PlanFile(base, ".ply"),
                                            PlanFile(base, ".cve"),   PlanFile(base, ".sdb"),
                                            PlanFile(base, ".sca"),   ImportReportPath(base),
                                            ContextParcelsPath(base), GridMarksPath(base)};
    for (const std::string& f : files)
        if (FileExists(f))
            return Error{"The plan " + base + " exists already (" + f +
                             "): choose another name\nNo plan file was written",
                         landxml::kImportTitle};
    std::vector<std::string> lines;
    lines.reserve(plan.Lines.size());
    for (const LineRecord& line : plan.Lines) {
        if (auto fault = LineRecordFault(line))
            return Error{"The line " + Format(line.FromPoint, "0") + " - " +
                             Format(line.ToPoint, "0") + " cannot be stored, " + *fault +
                             "\nNo plan file was written",
                         landxml::kImportTitle};
        lines.push_back(FormatLineRecord(line));
    }
    if (lines.size() > static_cast<size_t>(kMaxLines))
        return Error{"The plan would hold " + std::to_string(lines.size()) +
                         " lines, and at most " + std::to_string(kMaxLines) +
                         " can be loaded\nNo plan file was written",
                     landxml::kImportTitle};
    std::vector<std::string> curves;
    for (const CurveRecord& c : plan.Curves)
        curves.push_back(FormatCurveRecord(c));
    std::vector<std::string> written;
    auto write = [&](const std::string& path, const std::vector<std::string>& content) {
        Result<void> s = WriteLinesAtomic(path, content);
        if (s)
            written.push_back(path);
        return s;
    };
    Result<void> s = write(files[0], lines);
    if (s)
        s = write(files[1], plan.Polygons);
    if (s && !curves.empty())
        s = write(files[2], curves);
    if (s && !plan.Context.empty()) {
        s = WriteContextParcels(base, plan.Context);
        if (s)
            written.push_back(ContextParcelsPath(base));
    }
    if (s && !plan.Grid.marks.empty()) {
        s = WriteGridMarks(base, plan.Grid);
        if (s)
            written.push_back(GridMarksPath(base));
    }
    if (s)
        s = write(ImportReportPath(base), plan.Report);
    if (!s) {
        // A plan half written is no plan: what was written goes again.
        for (const std::string& path : written)
            std::remove(path.c_str());
        return Error{s.error().message + "\nNo plan file was written", landxml::kImportTitle};
    }
    return {};
}

} // namespace corvane

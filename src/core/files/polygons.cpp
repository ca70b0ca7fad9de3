#include "core/files/polygons.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/polygonsmodel.h"
#include "core/model/records.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

constexpr const char* kReadAreaTitle = "Get area from polygons file error";
constexpr const char* kReplaceTitle = "Replace parcel heading error";

// Position of the double quote that closes a heading's identifier.
size_t closingQuote(std::string_view line) {
    return line.size() < 2 ? std::string_view::npos : line.find('"', 1);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string polygonsLine(size_t index, const std::string& path) {
    return "Line " + std::to_string(index + 1) + " of the polygons file " + path;
}

constexpr const char* kPolygonsAdvice = "\nCheck the polygons file using a text editor eg: Notepad";

} // namespace

Result<void> CheckPolygonsText(const std::vector<std::string>& lines, const std::string& path) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (IsHeadingLine(line)) {
            // Without its closing quote a heading has no identifier: it would become a parcel
            // without a name.
            if (closingQuote(line) == std::string_view::npos)
                return Error{polygonsLine(i, path) + " is a malformed parcel heading (its " +
                                 "identifier has no closing quote): " + QuotedLine(line) +
                                 kPolygonsAdvice,
                             ""};
            const ParcelHeading heading = ParseHeading(line);
            if (IsNumberText(heading.AreaText) && !NumberField(heading.AreaText, 0, kMaxArea))
                return Error{polygonsLine(i, path) + ": the area " + QuotedLine(heading.AreaText) +
                                 " of parcel " + heading.Identifier + " lies outside 0 to " +
                                 GeneralText(kMaxArea) + " square metres" + kPolygonsAdvice,
                             ""};
            continue;
        }
        const bool pointLine = (!line.empty() && isDigit(line.front())) || IsNumberText(line);
        if (!pointLine)
            continue;
        auto v = NumberField(line, std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max());
        if (!v || *v != std::trunc(*v))
            return Error{polygonsLine(i, path) + ": the point " + QuotedLine(line) +
                             " is not a whole point number within " +
                             std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
                             std::to_string(std::numeric_limits<std::int32_t>::max()) +
                             kPolygonsAdvice,
                         ""};
    }
    return {};
}

Result<std::vector<std::string>> ReadPolygonsFile(const std::string& path) {
    auto lines = ReadTextLines(path);
    if (!lines)
        return lines.error();
    if (Result<void> checked = CheckPolygonsText(lines.value(), path); !checked)
        return checked.error();
    return lines;
}

bool StorableArea(double area) {
    return std::isfinite(area) && area >= 0 && area <= kMaxArea;
}

bool IsHeadingLine(std::string_view line) {
    return !line.empty() && line.front() == '"';
}

ParcelHeading ParseHeading(std::string_view line) {
    ParcelHeading heading;
    heading.Identifier = QuotedText(line);
    const size_t length = line.size();
    const size_t q = closingQuote(line);
    // The area lies between the comma after the identifier and the comma before the quoted
    // one-letter code: ,"C" closes every heading.
    if (q != std::string_view::npos && length >= q + 6)
        heading.AreaText = std::string(line.substr(q + 2, length - q - 6));
    heading.Area = Val(heading.AreaText);
    if (length >= 2)
        heading.AreaCode = std::string(1, line[length - 2]);
    return heading;
}

double AreaToStore(double area) {
    return std::round(area / kAreaPrecision) * kAreaPrecision;
}

bool AreasAgree(double computed, double stored) {
    // The allowance for the binary form of a tenth keeps 1113.5 and 1113.4 agreeing.
    return std::fabs(computed - stored) <= kAreaPrecision + 1e-9;
}

std::string FormatHeading(const std::string& identifier, double area, const std::string& code) {
    return "\"" + identifier + "\"," + GeneralText(area) + ",\"" + code + "\"";
}

std::string ParcelTypeName(std::string_view identifier) {
    struct TypeName {
        const char* code;
        const char* name;
    };
    static constexpr TypeName kTypes[] = {{"OB", "Outer Boundary"},
                                          {"AL", "Allotment"},
                                          {"PI", "Piece"},
                                          {"LT", "Lot"},
                                          {"PT", "Part Lot"},
                                          {"EA", "Easement"},
                                          {"RD", "Road"},
                                          {"RE", "Reserve"},
                                          // The new parcel dialog's former prefixes.
                                          {"FL", "Lot"},
                                          {"QP", "Piece"},
                                          {"AR", "Road"},
                                          {"AT", "Road"},
                                          {"AE", "Reserve"}};
    std::string code = UpperCase(identifier.substr(0, 2));
    for (const auto& t : kTypes)
        if (code == t.code)
            return t.name;
    return "Construction";
}

std::string FormatArea(double area, int mode) {
    if (area == 0)
        return "no area";
    if (area >= 10000) {
        const char* format = area < 100000     ? "#.000"
                             : area < 1000000  ? "##.00"
                             : area < 10000000 ? "###.0"
                                               : "####";
        std::string text = Format(area / 10000, format);
        return mode == 0 ? text + " ha" : text;
    }
    if (mode == 0)
        return Format(area, std::string("# ") + kSquareMetres);
    return Format(area / 10000, "0.0000");
}

std::string AreaText(std::string_view headingLine) {
    const size_t q = closingQuote(headingLine);
    double area = 0;
    if (q != std::string_view::npos && q + 2 <= headingLine.size())
        area = Val(headingLine.substr(q + 2)); // the number stops at the comma
    std::string text = FormatArea(area, 0);
    if (text == "no area")
        return text;
    const std::string code = ParseHeading(headingLine).AreaCode;
    if (code == "A")
        return text + " approx.";
    if (code == "D")
        return text + " ded.";
    return text;
}

Result<std::vector<std::string>> ParcelIdentifiers(const std::string& planPath) {
    std::vector<std::string> identifiers;
    const std::string path = PlanFile(planPath, ".ply");
    if (!FileExists(path))
        return identifiers;
    auto model = ReadPolygons(path);
    if (!model)
        return model.error();
    for (const PolygonParcel& parcel : model.value().Parcels)
        identifiers.push_back(parcel.Identifier);
    return identifiers;
}

Result<bool> ParcelExists(const std::string& planPath, const std::string& identifier) {
    const std::string path = PlanFile(planPath, ".ply");
    if (!FileExists(path))
        return false;
    auto model = ReadPolygons(path);
    if (!model)
        return Error{model.error().message, kLoadParcelTitle};
    return model.value().find(identifier) != nullptr;
}

Result<StoredArea> ReadParcelArea(const std::string& planPath, const std::string& identifier) {
    const std::string path = PlanFile(planPath, ".ply");
    auto model = ReadPolygons(path);
    if (!model)
        return Error{model.error().message, kReadAreaTitle};
    StoredArea stored;
    const PolygonParcel* parcel = model.value().find(identifier);
    if (!parcel)
        return stored;
    // A stored area that is not a number would be shown (and then stored back) as 0.
    if (!IsNumberText(parcel->AreaText)) {
        return Error{"Line " + std::to_string(parcel->HeadingLine) + " of the polygons file " +
                         path + ": the area \"" + parcel->AreaText + "\" of parcel " + identifier +
                         " is not a number",
                     kReadAreaTitle};
    }
    stored.found = true;
    stored.Area = parcel->Area;
    stored.AreaCode = parcel->AreaCode;
    stored.Hectares = FormatArea(parcel->Area, 1);
    return stored;
}

Result<void> UpdateParcelEntry(const std::string& planPath, const std::string& newIdentifier,
                               const std::string& oldIdentifier, double area,
                               const std::string& code) {
    const std::string path = PlanFile(planPath, ".ply");
    const bool newHeading = code == "C" || code == "A" || code == "D";
    if (newHeading && !StorableArea(area))
        return Error{"The area " + GeneralText(area) + " of parcel " + newIdentifier +
                         " cannot be stored: an area lies from 0 to " + GeneralText(kMaxArea) +
                         " square metres",
                     kReplaceTitle};
    if (Result<void> backedUp = BackupFile(path); !backedUp)
        return backedUp;
    // The new file is built from the backup, which keeps the state before this change.
    auto model = ReadPolygons(BackupName(ResolveFileName(path)));
    if (!model)
        return Error{model.error().message, kReplaceTitle};
    for (PolygonParcel& parcel : model.value().Parcels) {
        if (parcel.Identifier != oldIdentifier || closingQuote(parcel.Heading) == std::string::npos)
            continue;
        if (newHeading) {
            parcel.Heading = FormatHeading(newIdentifier, area, code);
        } else {
            // A rename keeps the stored area and code: everything from the closing quote.
            parcel.Heading =
                "\"" + newIdentifier + parcel.Heading.substr(closingQuote(parcel.Heading));
        }
    }
    if (Result<void> written = WriteLinesAtomic(path, PolygonsText(model.value())); !written)
        return Error{written.error().message, kReplaceTitle};
    return {};
}

} // namespace corvane

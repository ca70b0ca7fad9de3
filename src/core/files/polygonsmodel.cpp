#include "core/files/polygonsmodel.h"

#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "core/model/pointlabel.h"

#include <utility>

namespace corvane {

std::vector<std::int32_t> PolygonParcel::Points() const {
    std::vector<std::int32_t> points;
    points.reserve(Lines.size());
    for (const std::string& text : Lines)
        if (text.find_first_not_of(" \t\r") != std::string::npos)
            points.push_back(PointLabelToNumber(text));
    return points;
}

std::vector<std::string> PolygonParcel::Block() const {
    std::vector<std::string> block;
    block.reserve(Lines.size() + 1);
    block.push_back(Heading);
    block.insert(block.end(), Lines.begin(), Lines.end());
    return block;
}

const PolygonParcel* PolygonsModel::find(std::string_view identifier) const {
    for (const PolygonParcel& parcel : Parcels)
        if (parcel.Identifier == identifier)
            return &parcel;
    return nullptr;
}

PolygonParcel* PolygonsModel::find(std::string_view identifier) {
    return const_cast<PolygonParcel*>(std::as_const(*this).find(identifier));
}

PolygonParcel ParcelFromHeading(std::string heading, std::size_t lineNumber) {
    PolygonParcel parcel;
    parcel.HeadingLine = lineNumber;
    ParcelHeading parsed = ParseHeading(heading);
    parcel.Heading = std::move(heading);
    parcel.Identifier = std::move(parsed.Identifier);
    parcel.Type = ParcelTypeName(parcel.Identifier);
    parcel.Area = parsed.Area;
    parcel.AreaText = std::move(parsed.AreaText);
    parcel.AreaCode = std::move(parsed.AreaCode);
    return parcel;
}

PolygonsModel PolygonsFromLines(const std::vector<std::string>& lines) {
    PolygonsModel model;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (IsHeadingLine(line))
            model.Parcels.push_back(ParcelFromHeading(line, i + 1));
        else if (model.Parcels.empty())
            model.Leading.push_back(line);
        else
            model.Parcels.back().Lines.push_back(line);
    }
    return model;
}

Result<PolygonsModel> ParsePolygons(const std::vector<std::string>& lines,
                                    const std::string& path) {
    if (Result<void> checked = CheckPolygonsText(lines, path); !checked)
        return checked.error();
    return PolygonsFromLines(lines);
}

Result<PolygonsModel> ParsePolygonsContent(std::string_view content, const std::string& path) {
    auto model = ParsePolygons(SplitLines(content), path);
    if (!model)
        return model;
    // The first line end found stands for the file's.
    const size_t newline = content.find('\n');
    if (newline != std::string_view::npos && (newline == 0 || content[newline - 1] != '\r'))
        model.value().LineEnd = "\n";
    model.value().FinalLineEnd = content.empty() || content.back() == '\n';
    return model;
}

Result<PolygonsModel> ReadPolygons(const std::string& path) {
    auto content = ReadTextFile(path);
    if (!content)
        return content.error();
    return ParsePolygonsContent(content.value(), path);
}

std::vector<std::string> PolygonsText(const PolygonsModel& model) {
    std::vector<std::string> lines = model.Leading;
    for (const PolygonParcel& parcel : model.Parcels) {
        lines.push_back(parcel.Heading);
        lines.insert(lines.end(), parcel.Lines.begin(), parcel.Lines.end());
    }
    return lines;
}

std::string PolygonsContent(const PolygonsModel& model) {
    const std::vector<std::string> lines = PolygonsText(model);
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || model.FinalLineEnd)
            out += model.LineEnd;
    }
    return out;
}

Result<void> WritePolygons(const std::string& path, const PolygonsModel& model) {
    return WriteFileAtomic(path, PolygonsContent(model));
}

} // namespace corvane

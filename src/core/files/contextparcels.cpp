#include "core/files/contextparcels.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/model/records.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

namespace corvane {

std::string ContextParcelsPath(const std::string& planPath) {
    return PlanFile(planPath, kContextExtension);
}

bool StorableContextText(const std::string& text) {
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (c == '"' || c < 0x20 || c == 0x7f)
            return false;
    return true;
}

std::vector<std::string> FormatContextParcels(const std::vector<ContextParcel>& parcels) {
    std::vector<std::string> lines;
    for (const ContextParcel& p : parcels) {
        lines.push_back("\"" + p.Identifier + "\",\"" + p.State + "\"," + GeneralText(p.Area));
        for (std::int32_t point : p.Points)
            lines.push_back(Format(point, "0"));
    }
    return lines;
}

namespace {

// The text between a pair of double quotes from position at (which holds the opening quote);
// at moves past the closing quote. nullopt when there is no such pair.
std::optional<std::string> quoted(const std::string& line, size_t& at) {
    if (at >= line.size() || line[at] != '"')
        return std::nullopt;
    const size_t close = line.find('"', at + 1);
    if (close == std::string::npos)
        return std::nullopt;
    std::string text = line.substr(at + 1, close - at - 1);
    at = close + 1;
    return text;
}

} // namespace

Result<std::vector<ContextParcel>> ParseContextParcels(const std::vector<std::string>& lines,
                                                       const std::string& path) {
    std::vector<ContextParcel> parcels;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        auto refuse = [&](const std::string& what) {
            return Error{"Line " + std::to_string(i + 1) + " of " + path + " " + what + ": " +
                             QuotedLine(line),
                         ""};
        };
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (line.front() == '"') {
            size_t at = 0;
            auto identifier = quoted(line, at);
            const bool comma1 = at < line.size() && line[at] == ',';
            ++at;
            auto state = comma1 ? quoted(line, at) : std::nullopt;
            const bool comma2 = at < line.size() && line[at] == ',';
            auto area =
                state && comma2 ? NumberField(line.substr(at + 1), 0, kMaxArea) : std::nullopt;
            if (!identifier || identifier->empty() || !state || !area)
                return refuse("is no context parcel heading (\"identifier\",\"state\",area)");
            parcels.push_back({*identifier, *state, *area, {}});
            continue;
        }
        const auto point =
            NumberField(line, 1, static_cast<double>(std::numeric_limits<std::int32_t>::max()));
        if (!point || *point != std::trunc(*point))
            return refuse("is no point number");
        if (parcels.empty())
            return refuse("is a point before any parcel heading");
        parcels.back().Points.push_back(static_cast<std::int32_t>(*point));
    }
    return parcels;
}

Result<std::vector<ContextParcel>> ReadContextParcels(const std::string& planPath) {
    const std::string path = ContextParcelsPath(planPath);
    if (!FileExists(path))
        return std::vector<ContextParcel>{};
    auto lines = ReadTextLines(path);
    if (!lines)
        return lines.error();
    return ParseContextParcels(lines.value(), path);
}

Result<void> WriteContextParcels(const std::string& planPath,
                                 const std::vector<ContextParcel>& parcels) {
    const std::string path = ContextParcelsPath(planPath);
    if (parcels.empty()) {
        if (!FileExists(path))
            return {};
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (ec)
            return Error{path + " could not be removed: " + ec.message(), ""};
        return {};
    }
    return WriteLinesAtomic(path, FormatContextParcels(parcels));
}

} // namespace corvane

#include "core/files/fetchrecord.h"

#include "core/base/textfile.h"
#include "core/files/network.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace corvane {

namespace {

constexpr const char* kRecordTitle = "Load files from Network";

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

const FileState* FetchRecord::find(const std::string& extension) const {
    for (const auto& [ext, state] : Files)
        if (ext == extension)
            return &state;
    return nullptr;
}

bool FetchRecord::Empty() const {
    return std::none_of(Files.begin(), Files.end(),
                        [](const auto& entry) { return entry.second.Exists; });
}

std::int64_t FetchRecord::NewestNs() const {
    std::int64_t newest = 0;
    for (const auto& [ext, state] : Files)
        if (state.Exists)
            newest = std::max(newest, state.ModifiedNs);
    return newest;
}

std::string FetchRecordFile(const std::string& localBase) {
    return PlanFile(localBase, ".fch");
}

Result<FetchRecord> PlanFilesState(const std::string& base) {
    FetchRecord record;
    record.FetchedNs = nowNs();
    for (const std::string& ext : NetworkExtensions()) {
        auto state = ReadFileState(base + ext, true);
        if (!state)
            return Error{state.error().message, kRecordTitle};
        record.Files.emplace_back(ext, state.value());
    }
    return record;
}

// One line per file: its extension, then "-" for a file the share did not hold, or its size,
// time of change (nanoseconds) and SHA-256.
Result<void> WriteFetchRecord(const std::string& localBase, const FetchRecord& record) {
    std::vector<std::string> lines = {"fetched " + std::to_string(record.FetchedNs)};
    for (const auto& [ext, state] : record.Files) {
        if (!state.Exists)
            lines.push_back(ext + " -");
        else
            lines.push_back(ext + " " + std::to_string(state.Size) + " " +
                            std::to_string(state.ModifiedNs) + " " + state.Sha256);
    }
    Result<void> written = WriteLinesAtomic(FetchRecordFile(localBase), lines);
    if (!written)
        return Error{written.error().message, kRecordTitle};
    return {};
}

std::optional<FetchRecord> ReadFetchRecord(const std::string& localBase) {
    const std::string path = FetchRecordFile(localBase);
    if (!FileExists(path))
        return std::nullopt;
    auto lines = ReadTextLinesBounded(path, 64, 512);
    if (!lines || lines.value().empty())
        return std::nullopt;
    FetchRecord record;
    std::istringstream head(lines.value().front());
    std::string word;
    if (!(head >> word >> record.FetchedNs) || word != "fetched")
        return std::nullopt;
    for (size_t i = 1; i < lines.value().size(); ++i) {
        std::istringstream in(lines.value()[i]);
        std::string ext, size;
        if (!(in >> ext >> size))
            return std::nullopt;
        FileState state;
        if (size != "-") {
            state.Exists = true;
            state.Size = std::strtoull(size.c_str(), nullptr, 10);
            if (!(in >> state.ModifiedNs >> state.Sha256) || state.Sha256.size() != 64)
                return std::nullopt;
        }
        record.Files.emplace_back(ext, state);
    }
    // A record that does not name every file proves nothing about the ones it leaves out.
    for (const std::string& ext : NetworkExtensions())
        if (!record.find(ext))
            return std::nullopt;
    return record;
}

std::vector<std::string> ChangedFiles(const FetchRecord& before, const FetchRecord& now) {
    std::vector<std::string> changed;
    for (const std::string& ext : NetworkExtensions()) {
        const FileState* a = before.find(ext);
        const FileState* b = now.find(ext);
        const FileState none;
        if (!(a ? *a : none).SameContent(b ? *b : none))
            changed.push_back(ext);
    }
    return changed;
}

} // namespace corvane

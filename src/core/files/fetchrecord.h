#pragma once

#include "core/base/filestate.h"
#include "core/base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// What a fetch from the network share brought into the working copies: the state of each of
// the plan's files on the share at that moment. A store compares the share with it, so that a
// change another user or program made on the share meanwhile is never stored over.
struct FetchRecord {
    std::int64_t FetchedNs = 0; // when the record was made
    // One entry per file a transfer carries, by extension (".lns", ".ply", ...).
    std::vector<std::pair<std::string, FileState>> Files;

    const FileState* find(const std::string& extension) const;
    // True when the share held no file of the plan.
    bool Empty() const;
    // The newest time of change of the files recorded (0 when none exists).
    std::int64_t NewestNs() const;
};

// The record's file beside the working copies: the plan identifier followed by ".fch".
std::string FetchRecordFile(const std::string& localBase);

// The state of a plan's files under a base (share or working copies), with their hashes.
// A file that exists but cannot be read is an error naming it.
Result<FetchRecord> PlanFilesState(const std::string& base);

Result<void> WriteFetchRecord(const std::string& localBase, const FetchRecord& record);
// The record beside the working copies; nullopt when there is none, or when it cannot be read
// as a record (it then proves nothing, and the questions are asked).
std::optional<FetchRecord> ReadFetchRecord(const std::string& localBase);

// The files whose content differs between two states (by extension, in transfer order).
std::vector<std::string> ChangedFiles(const FetchRecord& before, const FetchRecord& now);

} // namespace corvane

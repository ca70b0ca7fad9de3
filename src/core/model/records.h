#pragma once

#include "core/base/filestate.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// Packed bearing values with a meaning of their own.
inline constexpr double kMissingBearing = 999.0;  // "No Data"
inline constexpr double kArcBearingBase = 1000.0; // above it: an arc of radius (value - 1000)
// No cadastral line or radius comes near 10 000 km: a figure beyond it is a fault of the file
// or of the typing, and is refused before it can overflow a closure.
inline constexpr double kMaxDistance = 1e7;
// The largest parcel area a heading may hold, in square metres.
inline constexpr double kMaxArea = 1e13;

// One measured line of the lines file.
struct LineRecord {
    std::int32_t FromPoint = 0;
    std::int32_t ToPoint = 0;
    double Bearing = 0.0;  // packed DDD.MMSS, 999 missing, > 1000 arc radius + 1000
    double Distance = 0.0; // metres; 0 or negative: marked, dropped when written
    std::int16_t Style = 0;
};

// A key for the two ends of a line whichever way it runs, for indexes over point pairs.
inline std::uint64_t PointPairKey(std::int32_t a, std::int32_t b) {
    if (b < a)
        std::swap(a, b);
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
           static_cast<std::uint32_t>(b);
}

// One entry of the point coordinate table.
struct PointRecord {
    std::int32_t Number = 0;
    double East = 0.0;
    double North = 0.0;
    std::int16_t Fixed = 0;
    // The table index of the start of the point's group (0: the first group), -1 while the
    // point is not fixed: positions are comparable only within one group, since each further
    // group stands at an arbitrary offset east of the ones before it.
    std::int32_t Group = -1;
};

// One parcel of the polygons file.
struct ParcelRecord {
    std::string Identifier;
    double Area = 0.0;
    std::string AreaCode;
    std::vector<std::int32_t> Points;
};

// Who has a plan open: the user and computer named in the plan's lock file, and since when.
struct LockHolder {
    std::string User;
    std::string Host;
    std::string Since;      // local time as the questions show it: "7/12/2026 09:14"
    std::int64_t Stamp = 0; // seconds since 1970, to tell two takings of one user apart
    std::int64_t Process = 0;

    // Two holders are the same user on the same computer.
    bool SameUserAndHost(const LockHolder& other) const {
        return User == other.User && Host == other.Host;
    }
    bool operator==(const LockHolder& other) const = default;
};

// The little state every window shares while one plan is open. One object, owned by the
// application and handed to the windows.
struct PlanState {
    std::string PlanPath;              // folder and base name, no extension; empty: no plan
    std::vector<LineRecord> PlanLines; // the lines file in memory, in file order
    std::vector<PointRecord> PlanPoints;
    int PointTop = 0;
    std::int32_t PointNumberLimit = 5000;

    // Set while PlanLines holds the current lines file (the main window's flag).
    bool chkArray = false;
    // Set while the plan's last load of the lines file failed and no later one succeeded:
    // PlanLines may then be a partial copy, and must never be written over the file.
    bool LinesLoadFailed = false;
    std::string LinesLoadFailure; // what went wrong, for the refusal message

    // The change stamp of the lines file: raised by every write of it from this program, with
    // the command that made the last one ("Datum Bearing"), so a window holding rows read
    // before can refuse to write them back; and the file as it was when PlanLines was loaded
    // or last written, so a change made outside the program (in a text editor) is seen.
    std::uint64_t LinesGeneration = 0;
    std::string LastLinesChange;
    FileState LoadedLines;

    // Opened read-only (another user holds it): no command may change its files.
    bool ReadOnly = false;
    // The lock this program holds on the plan (empty: none), and what it wrote in it.
    std::string LockFile;
    LockHolder Lock;
};

} // namespace corvane

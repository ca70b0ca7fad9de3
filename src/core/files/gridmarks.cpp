#include "core/files/gridmarks.h"

namespace corvane {

std::string GridMarksPath(const std::string& planPath) {
    return planPath + ".grd";
}

Result<GridMarks> ReadGridMarks(const std::string&) {
    return GridMarks{};
}

Result<void> WriteGridMarks(const std::string&, const GridMarks&) {
    return Error{"Not written", "Map grid error"};
}

Result<std::vector<KnownMark>> ReadMarksCsv(const std::string&) {
    return Error{"Not read", "Map grid error"};
}

} // namespace corvane

#include "core/base/printtext.h"

namespace corvane {

namespace {
constexpr size_t kZoneWidth = 14;

void trimRight(std::string& s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}
} // namespace

std::vector<std::string> RenderPrintLine(const PrintLine& line) {
    std::vector<std::string> out;
    std::string current;
    for (const auto& seg : line.segments) {
        if (seg.column == kNextZone) {
            size_t next = (current.size() / kZoneWidth + 1) * kZoneWidth;
            current.resize(next, ' ');
        } else if (seg.column > 0) {
            size_t target = static_cast<size_t>(seg.column - 1);
            if (current.size() > target) {
                trimRight(current);
                out.push_back(current);
                current.clear();
            }
            current.resize(target, ' ');
        }
        current += seg.text;
    }
    trimRight(current);
    out.push_back(current);
    return out;
}

std::vector<std::string> RenderPrintLines(const std::vector<PrintLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        auto r = RenderPrintLine(l);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

} // namespace corvane

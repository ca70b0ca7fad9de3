#include "core/model/pointlabel.h"

#include "core/base/numtext.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

struct MarkPrefix {
    const char* prefix;
    const char* code;
};

constexpr MarkPrefix kMarks[] = {
    {"PM", "4444"}, {"SSM", "5555"}, {"TS", "6666"}, {"MSM", "7777"}, {"GBM", "8888"}};

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

// The coded value of a label before rounding.
double codedValue(std::string_view label) {
    std::string upper = UpperCase(label);
    // Blanks typed before a mark prefix are no part of the label (" PM12" is PM12).
    std::string_view body = upper;
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t'))
        body.remove_prefix(1);
    for (const auto& m : kMarks) {
        std::string_view prefix = m.prefix;
        if (startsWith(body, prefix)) {
            std::string_view rest = body.substr(prefix.size());
            if (Val(rest) > 0)
                return Val(std::string(m.code) + std::string(rest));
        }
    }
    return Val(upper);
}

bool fits32(double v) {
    return v >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
           v <= static_cast<double>(std::numeric_limits<std::int32_t>::max());
}

bool wholeDigits(std::string_view s) {
    bool any = false;
    for (char c : s) {
        if (c == ' ' || c == '\t')
            continue;
        if (c < '0' || c > '9')
            return false;
        any = true;
    }
    return any;
}

} // namespace

std::optional<double> PointLabelValue(std::string_view label) {
    double v = std::nearbyint(codedValue(label));
    if (!fits32(v))
        return std::nullopt;
    return v;
}

std::int32_t PointLabelToNumber(std::string_view label) {
    auto v = PointLabelValue(label);
    return v ? static_cast<std::int32_t>(*v) : 0;
}

std::string PointNumberToLabel(std::int32_t number) {
    std::string s = std::to_string(number);
    if (s.size() > 4) {
        std::string_view head = std::string_view(s).substr(0, 4);
        for (const auto& m : kMarks)
            if (head == m.code)
                return std::string(m.prefix) + s.substr(4);
    }
    return s;
}

bool LooksLikePointLabel(std::string_view label) {
    if (Val(label) > 0 || FiniteVal(label) == std::nullopt)
        return true;
    const std::string upper = UpperCase(label);
    for (const auto& m : kMarks) {
        const std::string_view prefix = m.prefix;
        if (startsWith(upper, prefix)) {
            const std::string_view rest = std::string_view(upper).substr(prefix.size());
            return Val(rest) > 0 || FiniteVal(rest) == std::nullopt;
        }
    }
    return false;
}

bool ValidPointLabel(std::string_view label) {
    // Worth storing only when the coded number fits 32 bits and names a real point.
    auto storableNumber = [](std::string_view l) {
        auto v = PointLabelValue(l);
        return v.has_value() && *v > 0;
    };
    std::string compact;
    for (char c : label)
        if (c != ' ' && c != '\t')
            compact += c;
    if (compact.empty() || compact.size() > 9)
        return false;
    std::string upper = UpperCase(label);
    std::string_view body = upper;
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t'))
        body.remove_prefix(1);
    for (const auto& m : kMarks) {
        if (startsWith(body, m.prefix)) {
            std::string_view rest = body.substr(std::string_view(m.prefix).size());
            if (!wholeDigits(rest) || Val(rest) <= 0)
                return false;
            return storableNumber(label);
        }
    }
    if (!wholeDigits(body) || Val(body) <= 0)
        return false;
    return storableNumber(label);
}

} // namespace corvane

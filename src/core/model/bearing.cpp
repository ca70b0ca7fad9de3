#include "core/model/bearing.h"

#include "core/base/numtext.h"

#include <cmath>
#include <limits>

namespace corvane {

double Pi() {
    return 4.0 * std::atan(1.0);
}

namespace {

// Two characters from position `from` (0-based), as much of them as the text holds.
std::string_view twoFrom(std::string_view text, size_t from) {
    if (from >= text.size())
        return {};
    return text.substr(from, 2);
}

bool onlyNumberChars(std::string_view text) {
    // A bearing entry is a number: blanks, digits, one point, an optional leading sign.
    bool digit = false;
    int points = 0;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.')
            ++points;
        else if (c != ' ' && c != '\t')
            return false;
    }
    return digit && points <= 1;
}

} // namespace

bool IsPlainBearingText(std::string_view text) {
    if (!onlyNumberChars(text))
        return false;
    std::string_view t = text;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    if (!t.empty() && t.front() == '-')
        t.remove_prefix(1);
    return ValidBearing(t);
}

bool ValidBearing(std::string_view text) {
    if (text == kNoData)
        return true;
    if (!text.empty() && text.front() == 'R')
        return true;
    if (!onlyNumberChars(text))
        return false;
    // A bearing runs from 0 to 360; a leading "-" asks the caller for the back bearing and is
    // taken off before the check, so a negative value here is no bearing ("-0.3000" included).
    if (Val(text) < 0)
        return false;
    size_t p = text.find('.');
    if (p != std::string_view::npos) {
        double minutes = Val(twoFrom(text, p + 1));
        double seconds = Val(twoFrom(text, p + 3));
        double degrees = std::trunc(Val(text));
        if (degrees < 0 || degrees > 360 || minutes < 0 || minutes > 59 || seconds < 0 ||
            seconds > 59)
            return false;
        // 360 degrees is the full circle: any minutes or seconds beyond it are no bearing.
        if (degrees == 360 && Val(text) != 360.0)
            return false;
        return true;
    }
    double v = Val(text);
    return v >= 0 && v <= 360;
}

double BearingToRadians(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    double value;
    size_t p = text.find('.');
    if (p != std::string_view::npos) {
        double minutes = Val(twoFrom(text, p + 1)) + 0.000000001;
        double seconds =
            Val(p + 3 < text.size() ? text.substr(p + 3) : std::string_view()) + 0.000000001;
        double degrees = std::trunc(Val(text));
        value = degrees + minutes / 60.0 + seconds / 3600.0;
    } else {
        value = Val(text);
    }
    return negative ? Pi() * value / -180.0 : Pi() * value / 180.0;
}

double RadiansToBearing(double a) {
    const double pi = Pi();
    if (a >= pi)
        a -= 2 * pi;
    if (a < 0)
        a += 2 * pi;
    return PackedDegrees(a * 180.0 / pi);
}

double PackedDegrees(double degrees) {
    double d = std::trunc(degrees);
    double f = degrees - d;
    double m = std::trunc(f * 60.0);
    double s = std::nearbyint((f * 60.0 - m) * 60.0); // halves to the even neighbour
    if (s >= 59.5) {
        m += 1;
        s = 0;
    }
    if (m > 59) {
        d += 1;
        m = 0;
    }
    return d + m / 100.0 + s / 10000.0;
}

std::string AngleText(std::string_view packed) {
    while (!packed.empty() && (packed.front() == ' ' || packed.front() == '\t'))
        packed.remove_prefix(1);
    const bool negative = !packed.empty() && packed.front() == '-';
    if (negative)
        packed.remove_prefix(1);
    const double seconds = std::round(std::fabs(BearingToRadians(packed)) * 180.0 / Pi() * 3600.0);
    const double d = std::trunc(seconds / 3600);
    const double m = std::trunc((seconds - d * 3600) / 60);
    const double s = seconds - d * 3600 - m * 60;
    std::string text = (negative && seconds > 0 ? "-" : "") + Format(d, "0") + "\xB0";
    text += Format(m, "0").insert(0, m < 10 ? "0" : "") + "'";
    text += Format(s, "0").insert(0, s < 10 ? "0" : "") + "\"";
    return text;
}

double BearingFromDeltas(double dE, double dN) {
    const double pi = Pi();
    if (dE != 0 && dN != 0) {
        double b = std::atan(dE / dN);
        if (dN < 0)
            b += pi;
        return b;
    }
    double b = 0;
    if (dE > 0)
        b = pi / 2;
    if (dE < 0)
        b = 3 * pi / 2;
    if (dN > 0)
        b = 0;
    if (dN < 0)
        b = pi;
    return b;
}

std::string ReverseBearing(double b) {
    if (b < 0)
        b = -b;
    b += 180;
    if (b >= 360)
        b -= 360;
    return Format(b, "0.0000");
}

double BackBearingValue(double bearing) {
    double b = bearing + 180;
    if (b > 360)
        b -= 360;
    return b;
}

std::string SumDistanceText(std::string_view text) {
    const auto total = SumDistance(text);
    return total ? Format(*total, "0.000") : std::string();
}

std::optional<double> SumDistance(std::string_view text) {
    std::string current;
    double total = 0;
    // A part too large for a number makes the whole sum none.
    auto add = [&total](const std::string& part) {
        total += FiniteVal(part).value_or(std::numeric_limits<double>::infinity());
    };
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '.') {
            current += c;
        } else if (c == '+') {
            add(current);
            current.clear();
        } else if (c == '-') {
            add(current);
            current = "-";
        } else {
            break;
        }
    }
    add(current);
    if (!std::isfinite(total))
        return std::nullopt;
    return std::fabs(total);
}

bool IsDistanceSum(std::string_view text) {
    bool wantNumber = true; // a number must come next (at the start, or after a sign)
    bool signAllowed = true;
    size_t i = 0;
    const auto blank = [&text](size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    while (i < text.size()) {
        if (blank(i)) {
            ++i;
            continue;
        }
        const char c = text[i];
        if (c == '+' || c == '-') {
            if (wantNumber && !signAllowed)
                return false;
            wantNumber = true;
            signAllowed = false;
            ++i;
            continue;
        }
        if (!wantNumber)
            return false; // two numbers with nothing between them
        int digits = 0, points = 0;
        for (; i < text.size() && ((text[i] >= '0' && text[i] <= '9') || text[i] == '.'); ++i) {
            if (text[i] == '.')
                ++points;
            else
                ++digits;
        }
        if (digits == 0 || points > 1)
            return false;
        wantNumber = false;
        signAllowed = false;
    }
    return !wantNumber;
}

std::string BearingText(double bearing) {
    return Format(bearing, "0.0000");
}
std::string DistanceText(double distance) {
    return Format(distance, "0.000");
}

} // namespace corvane

#include "core/base/numtext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace corvane {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters that form the number at the start of a text, blanks removed.
std::string leadingNumber(std::string_view text) {
    std::string out;
    bool seenDigitOrPoint = false;
    bool seenPoint = false;
    for (char c : text) {
        if (isBlank(c))
            continue;
        if ((c == '-' || c == '+') && !seenDigitOrPoint && out.empty()) {
            out += c;
            continue;
        }
        if (isDigit(c)) {
            out += c;
            seenDigitOrPoint = true;
            continue;
        }
        if (c == '.' && !seenPoint) {
            out += c;
            seenPoint = true;
            seenDigitOrPoint = true;
            continue;
        }
        break;
    }
    return out;
}

// |value| to 15 significant digits: the digits (no point) and the decimal exponent of the
// first one. Written without the C library's locale, so a decimal comma set for the
// desktop never reaches the figures.
void fifteenDigits(double value, std::string& mant, int& exp) {
    char buf[64];
    auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                 std::chars_format::scientific, 14); // d.dddddddddddddde+XX
    std::string_view sci(buf, static_cast<size_t>(written.ptr - buf));
    size_t e = sci.find('e');
    mant.assign(1, sci[0]);
    mant.append(sci.substr(2, e - 2));
    exp = std::atoi(std::string(sci.substr(e + 1)).c_str());
}

// Decimal digits of |value| rounded half away from zero to `decimals` places, after taking
// the value to 15 significant digits. Returns the integer digits and fraction digits.
void roundedDigits(double value, int decimals, std::string& intPart, std::string& fracPart) {
    std::string mant;
    int exp = 0;
    fifteenDigits(value, mant, exp);
    // digits: value = 0.mant * 10^(exp+1); position of decimal point after (exp+1) digits.
    int pointPos = exp + 1;
    // Build a digit string with enough zeros on both sides.
    std::string digits;
    int lead = 0;
    if (pointPos <= 0) {
        lead = 1 - pointPos;
        digits.assign(static_cast<size_t>(lead), '0');
    }
    digits += mant;
    int point = pointPos + lead; // index in digits where the fraction starts
    int need = point + decimals + 1;
    if (static_cast<int>(digits.size()) < need)
        digits.append(static_cast<size_t>(need - static_cast<int>(digits.size())), '0');
    // Round at position point + decimals.
    bool up = digits[static_cast<size_t>(point + decimals)] >= '5';
    digits.resize(static_cast<size_t>(point + decimals));
    if (up) {
        int k = static_cast<int>(digits.size()) - 1;
        while (k >= 0 && digits[static_cast<size_t>(k)] == '9') {
            digits[static_cast<size_t>(k)] = '0';
            --k;
        }
        if (k >= 0) {
            digits[static_cast<size_t>(k)]++;
        } else {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
    intPart = digits.substr(0, static_cast<size_t>(point));
    fracPart = digits.substr(static_cast<size_t>(point));
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
}

} // namespace

double Val(std::string_view text) {
    return FiniteVal(text).value_or(0.0);
}

std::optional<double> FiniteVal(std::string_view text) {
    std::string num = leadingNumber(text);
    bool anyDigit = false;
    for (char c : num)
        anyDigit = anyDigit || isDigit(c);
    if (!anyDigit)
        return 0.0;
    // Read with the "C" rules whatever the desktop's locale (strtod would take a decimal
    // comma there and stop at the point).
    std::string_view digits = num;
    bool negative = false;
    if (digits.front() == '-' || digits.front() == '+') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    double value = 0.0;
    auto read = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range) {
        // Too many digits for a double: a fraction too small to hold is 0, a whole part
        // beyond range is no usable number.
        size_t point = digits.find('.');
        std::string_view whole = digits.substr(0, point);
        if (whole.find_first_not_of('0') != std::string_view::npos)
            return std::nullopt;
        value = 0.0;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<double> NumberField(std::string_view text, double low, double high) {
    if (!IsNumberText(text))
        return std::nullopt;
    auto value = FiniteVal(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

std::string QuotedLine(std::string_view line) {
    constexpr size_t kQuoted = 80;
    if (line.size() <= kQuoted)
        return "\"" + std::string(line) + "\"";
    return "\"" + std::string(line.substr(0, kQuoted)) + "...\"";
}

bool IsNumberText(std::string_view text) {
    std::string compact;
    for (char c : text)
        if (!isBlank(c))
            compact += c;
    if (compact.empty())
        return false;
    return leadingNumber(compact) == compact &&
           compact.find_first_of("0123456789") != std::string::npos;
}

std::string Format(double value, std::string_view format) {
    // Split the format into its digit pattern and the literal text after it.
    size_t end = 0;
    while (end < format.size() && (format[end] == '0' || format[end] == '#' || format[end] == '.'))
        ++end;
    std::string_view pattern = format.substr(0, end);
    std::string_view literal = format.substr(end);
    size_t dot = pattern.find('.');
    int decimals = dot == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
    std::string_view intPattern = pattern.substr(0, dot);
    bool leadingZero = intPattern.find('0') != std::string_view::npos;

    if (!std::isfinite(value))
        return std::string(literal);

    std::string intPart, fracPart;
    roundedDigits(value, decimals, intPart, fracPart);
    bool zero = intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;
    if (intPart.empty() && leadingZero)
        intPart = "0";
    std::string out;
    if (value < 0 && !zero)
        out += '-';
    out += intPart;
    if (decimals > 0) {
        out += '.';
        out += fracPart;
    }
    out += literal;
    return out;
}

std::string GeneralText(double value) {
    if (!std::isfinite(value) || value == 0)
        return "0";
    // Fifteen significant digits and the decimal exponent, then written out in full.
    std::string mant;
    int exp = 0;
    fifteenDigits(value, mant, exp);
    while (mant.size() > 1 && mant.back() == '0')
        mant.pop_back();
    std::string out;
    int intDigits = exp + 1;
    if (intDigits <= 0) {
        out = "0." + std::string(static_cast<size_t>(-intDigits), '0') + mant;
    } else if (intDigits >= static_cast<int>(mant.size())) {
        out = mant + std::string(static_cast<size_t>(intDigits) - mant.size(), '0');
    } else {
        out = mant.substr(0, static_cast<size_t>(intDigits)) + "." +
              mant.substr(static_cast<size_t>(intDigits));
    }
    return value < 0 ? "-" + out : out;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view TrimWhiteSpace(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace corvane

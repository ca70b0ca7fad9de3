#include "calculator/calcengine.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace corvane {

namespace {

constexpr const char* kTitle = "Survey Calculator";

// The figure of the display: digits too many for a number give NaN, which every operation
// refuses as out of range, instead of the 0 that Val would read.
double entered(std::string_view text) {
    return FiniteVal(text).value_or(std::numeric_limits<double>::quiet_NaN());
}

Error divideByZero() {
    return Error{"Cannot divide by 0", kTitle};
}

// An overflow, or the tangent of a right angle, has no figure to show; refusing it keeps the
// registers and the display as they were.
Error outOfRange() {
    return Error{"Result out of range", kTitle};
}

// Two characters of text from a position, or what there is of them.
std::string_view twoFrom(std::string_view text, size_t pos) {
    return pos < text.size() ? text.substr(pos, 2) : std::string_view();
}

} // namespace

double CalcBearingToRad(std::string_view text) {
    text = TrimBlanks(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    double degrees = 0;
    const size_t point = text.find('.');
    if (point != std::string_view::npos) {
        // The small nudge keeps an exact number of minutes or seconds from falling just
        // short of itself when converted back for display.
        const double minutes = entered(twoFrom(text, point + 1)) + 0.000000001;
        const double seconds = entered(twoFrom(text, point + 3)) + 0.000000001;
        degrees = std::floor(entered(text)) + minutes / 60 + seconds / 3600;
    } else {
        degrees = entered(text);
    }
    return negative ? std::numbers::pi * degrees / -180 : std::numbers::pi * degrees / 180;
}

double CalcRadToBearing(double radians) {
    // Sums and differences of bearings are not wrapped into one circle: the sign and whole
    // turns stay, and the size is packed as every bearing of the program is.
    const double packed = PackedDegrees(std::fabs(radians) * 180 / std::numbers::pi);
    return radians < 0 ? -packed : packed;
}

void CalcEngine::beginDigitEntry() {
    if (display_.empty())
        EntryState = Typing;
    if (EntryState > Typing)
        display_.clear();
    if (EntryState == ShowsResult)
        lift();
    EntryState = Typing;
}

void CalcEngine::appendDigit(char digit) {
    beginDigitEntry();
    display_ += digit;
}

double CalcEngine::operand() const {
    return bearingMode_ ? CalcBearingToRad(display_) : entered(display_);
}

std::string CalcEngine::shown(double value) const {
    return bearingMode_ ? Format(CalcRadToBearing(value), "0.0000") : Format(value, "0.000");
}

void CalcEngine::lift() {
    CalcStack[T] = CalcStack[Z];
    CalcStack[Z] = CalcStack[Y];
    CalcStack[Y] = CalcStack[X];
}

Result<void> CalcEngine::enter() {
    const double value = operand();
    if (!std::isfinite(value))
        return outOfRange();
    CalcStack[X] = value;
    display_ = shown(value);
    lift();
    EntryState = ShowsEntered;
    return {};
}

Result<void> CalcEngine::finishBinary(double result) {
    if (!std::isfinite(result))
        return outOfRange();
    CalcStack[X] = result;
    display_ = shown(result);
    EntryState = ShowsResult;
    CalcStack[Y] = CalcStack[Z];
    CalcStack[Z] = CalcStack[T];
    return {};
}

Result<void> CalcEngine::add() {
    return finishBinary(CalcStack[Y] + operand());
}

Result<void> CalcEngine::subtract() {
    return finishBinary(CalcStack[Y] - operand());
}

// Multiplying and dividing take a plain factor even in bearing mode, so a bearing in Y can be
// scaled.
Result<void> CalcEngine::multiply() {
    return finishBinary(CalcStack[Y] * entered(display_));
}

Result<void> CalcEngine::divide() {
    const double divisor = entered(display_);
    if (divisor == 0)
        return divideByZero();
    return finishBinary(CalcStack[Y] / divisor);
}

Result<void> CalcEngine::finishUnary(double result, bool plainFormat) {
    if (!std::isfinite(result))
        return outOfRange();
    if (plainFormat)
        bearingMode_ = false;
    CalcStack[X] = result;
    display_ = shown(result);
    EntryState = ShowsResult;
    return {};
}

Result<void> CalcEngine::changeSign() {
    return finishUnary(-operand(), false);
}

Result<void> CalcEngine::reciprocal() {
    // A number just typed is the one to invert; a shown result is inverted from X at full
    // precision, and X is read from the display when it holds nothing.
    double value = CalcStack[X];
    if ((EntryState == Typing && !display_.empty()) || value == 0)
        value = entered(display_);
    if (value == 0)
        return divideByZero();
    return finishUnary(1 / value, true);
}

// The trigonometric functions always read the display as an angle, and their results are
// plain ratios, so bearing mode goes off.
Result<void> CalcEngine::sine() {
    return finishUnary(std::sin(CalcBearingToRad(display_)), true);
}

Result<void> CalcEngine::cosine() {
    return finishUnary(std::cos(CalcBearingToRad(display_)), true);
}

Result<void> CalcEngine::tangent() {
    const double angle = CalcBearingToRad(display_);
    // At 90° and 270° the cosine is zero but for rounding; an angle can be typed no closer
    // than a second to them, where the cosine is still near 5e-6.
    if (std::fabs(std::cos(angle)) < 1e-9)
        return outOfRange();
    return finishUnary(std::tan(angle), true);
}

void CalcEngine::clear() {
    display_.clear();
    EntryState = Typing;
    CalcStack = {};
}

} // namespace corvane

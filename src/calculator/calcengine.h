#pragma once

#include "core/base/result.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

// A bearing typed as DDD.MMSS (two digits each of minutes and seconds, read as written, so
// "123.4" is 123°04', "123.453" is 123°45'03") in radians. A leading "-" makes it negative.
double CalcBearingToRad(std::string_view text);

// Radians as a packed DDD.MMSS number (PackedDegrees of the size, the sign kept), neither
// wrapped into one circle nor ever showing 60 seconds or 60 minutes.
double CalcRadToBearing(double radians);

// The survey calculator's four-register stack, operands first and operator last. The display
// text and the bearing mode belong to the window's controls: the window hands them in before
// an operation and puts them back after it. An operation that fails returns the message to
// show and changes nothing.
class CalcEngine {
  public:
    // What the display is doing, and so what the next typed character does to it.
    enum : std::int16_t {
        Typing = 0,      // the display is being typed into
        ShowsResult = 1, // a new number starts and lifts the stack
        ShowsEntered = 2 // a new number starts without lifting (Enter already lifted)
    };
    static constexpr int X = 0;
    static constexpr int Y = 1;
    static constexpr int Z = 2;
    static constexpr int T = 3;

    const std::string& display() const { return display_; }
    void setDisplay(std::string text) { display_ = std::move(text); }
    bool bearingMode() const { return bearingMode_; }
    void setBearingMode(bool on) { bearingMode_ = on; }
    const std::array<double, 4>& calcStack() const { return CalcStack; }
    std::int16_t entryState() const { return EntryState; }

    // Before a character reaches the display: a result or an entered value gives way to the
    // new number (lifting the stack after a result).
    void beginDigitEntry();
    // A digit or point button: the character goes on the end of the display.
    void appendDigit(char digit);

    Result<void> enter();
    Result<void> add();
    Result<void> subtract();
    Result<void> multiply();
    Result<void> divide();
    Result<void> changeSign();
    Result<void> reciprocal();
    Result<void> sine();
    Result<void> cosine();
    Result<void> tangent();
    void clear();
    void clearDisplay() { display_.clear(); }
    void equals() { EntryState = Typing; }

  private:
    double operand() const;
    std::string shown(double value) const;
    // Puts a binary result in X and drops the stack.
    Result<void> finishBinary(double result);
    Result<void> finishUnary(double result, bool plainFormat);
    void lift();

    std::array<double, 4> CalcStack{};
    std::int16_t EntryState = Typing;
    std::string display_;
    bool bearingMode_ = false;
};

} // namespace corvane

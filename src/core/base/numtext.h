#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Text in the core is 8-bit, one byte per character (Latin-1), as the plan files hold it.
// The square metre sign in that encoding:
inline constexpr const char* kSquareMetres = "m\xB2";

// The numeric value of a text, as every figure of the program is read from what the user
// typed: blanks and tabs anywhere are skipped; an optional sign, digits and one decimal point
// are read as far as they form a number; anything after is ignored. Empty or non-numeric
// text is 0. So "PM 12" after its prefix reads 12, and "4444 12" reads 444412. The point is
// the decimal separator whatever the desktop's locale. Digits too many for a double (400
// nines) also read as 0: Val never hands on an infinite value; FiniteVal tells them apart.
double Val(std::string_view text);

// Val's reading of the text, or nullopt when the number it holds is too large for a double.
std::optional<double> FiniteVal(std::string_view text);

// True when the whole text (blanks aside) is one plain number: sign, digits, at most one
// point, at least one digit. The strict check the file readers use.
bool IsNumberText(std::string_view text);

// A number field of a plan file: one plain number (IsNumberText), finite, from low to high.
// nullopt for anything else, so a reader refuses the line instead of taking a wrong figure.
std::optional<double> NumberField(std::string_view text, double low, double high);

// A file's line as a message quotes it: at most its first 80 characters, "..." after a cut.
std::string QuotedLine(std::string_view line);

// A number written with one of the program's formats: "0", "0.000", "0.0000", "#.000",
// "##.00", "###.0", "####", "###", "##", "#", "# m²" (any literal text after the pattern is
// kept). Rounds half away from zero on the value taken to 15 significant digits; "#" leaves
// no leading zero (so 0 in "#" is empty text). A result that rounds to zero has no sign.
std::string Format(double value, std::string_view format);

// The general text form of a number: the shortest form with at most 15 significant digits,
// no trailing zeros, no exponent.
std::string GeneralText(double value);

// Upper case of 8-bit text (ASCII letters only; other bytes unchanged).
std::string UpperCase(std::string_view text);

// The text without the blanks and tabs before and after it, as a cell or a field is read.
std::string_view TrimBlanks(std::string_view text);

// The text without any white space before and after it: blanks, tabs, carriage returns and
// line breaks, as text in an exchange file (an XML element's content, a DXF line written
// with CR LF endings) is read.
std::string_view TrimWhiteSpace(std::string_view text);

// Latin-1 text to UTF-8, for output to a terminal.
std::string Latin1ToUtf8(std::string_view text);

} // namespace corvane

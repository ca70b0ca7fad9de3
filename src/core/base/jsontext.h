#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Pieces of JSON text for the command line's --json results: a string quoted with its
// specials escaped (the text is taken as UTF-8 and passed through), and a number with a
// fixed count of decimals ("-0.000" written as "0.000"; a figure that is not finite as null).
std::string JsonString(std::string_view text);
std::string JsonNumber(double value, int decimals);

} // namespace corvane

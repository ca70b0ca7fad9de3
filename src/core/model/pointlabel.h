#pragma once

#include "core/base/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Survey marks are typed and shown as a prefix and a number ("PM 12") and stored as the
// number behind the prefix's code digits (444412).

// The coded point number of a label, as the program has always read it (value rounded,
// halves to even; no digits gives 0; blanks before a mark prefix are skipped). A number outside the
// 32-bit range gives 0: callers that store a label check it first with CheckPointLabel.
std::int32_t PointLabelToNumber(std::string_view label);

// The label of a coded point number: "PM1" for 44441, "123" for 123.
std::string PointNumberToLabel(std::int32_t number);

// True when the label is a whole positive point number, or a mark prefix followed by a
// whole positive number (blanks after the prefix allowed), at most 9 characters once blanks
// are removed, whose coded number fits the 32-bit range. The check at every point entry.
bool ValidPointLabel(std::string_view label);

// The looser test of what a user meant as a point: a positive number, or a mark prefix
// followed by a positive number. A label that passes it but not ValidPointLabel (too long,
// not whole, beyond 32 bits) is refused with a message; any other text is simply not taken.
bool LooksLikePointLabel(std::string_view label);

// The coded number of a label, rounded as PointLabelToNumber rounds it: nullopt when it does
// not fit 32 bits.
std::optional<double> PointLabelValue(std::string_view label);

} // namespace corvane

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The display formats of numbers: "0", "0.0", "0.000" (fixed decimals) and "00", "000",
// "0000", "00000", "000000" (zero-padded whole numbers). A pattern is digits '0' with at
// most one '.'; anything else is shown as plain "0".
std::string formatNumber(double v, std::string_view pattern);

// Zero-padded whole number ("00000" -> 42 gives "00042"); a negative keeps its sign in front.
std::string formatPadded(std::int64_t v, int digits);

// Fixed decimals, the rounding of the decimal text ("0.000" -> 3 decimals).
std::string formatFixed(double v, int decimals);

}  // namespace qv

#pragma once

#include <cmath>
#include <cstdint>

namespace qv {

// Every real that becomes an integer goes through here: nearest integer, ties to even
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Detection constants and bin edges depend on it.
inline double roundHalfEvenReal(double x) {
    return std::nearbyint(x);
}

inline std::int64_t roundHalfEven(double x) {
    // std::nearbyint follows the current rounding mode, which is round-to-nearest-even
    // unless someone changed it; nothing in this program does.
    return static_cast<std::int64_t>(std::nearbyint(x));
}

}  // namespace qv

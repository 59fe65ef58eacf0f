#pragma once

#include <array>

namespace qv {

// The seven factory temperature calibration bytes the instrument stores at registers
// 200..206: marker 0, month, year (two digits), the offset's sign (1 negative) and its
// absolute value x 10, and the slope x 1000 as low and high byte.
using FactoryBytes = std::array<int, 7>;

FactoryBytes factoryBytes(double offset, double slope, int month, int year);

// The offsets the instrument's calibration may hold: a larger one is refused when read.
inline constexpr double kLargestFactoryOffset = 10.0;

}  // namespace qv

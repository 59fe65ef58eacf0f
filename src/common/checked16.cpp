#include "common/checked16.h"

#include <cmath>

#include "common/rounding.h"

namespace qv {

std::int16_t realToInt16(double v) {
    if (!std::isfinite(v)) {
        throw Overflow16Error("16-bit overflow: not a finite number");
    }
    const double r = roundHalfEvenReal(v);
    if (r < -32768.0 || r > 32767.0) {
        throw Overflow16Error("16-bit overflow: " + std::to_string(r));
    }
    return static_cast<std::int16_t>(r);
}

}  // namespace qv

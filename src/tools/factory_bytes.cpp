#include "tools/factory_bytes.h"

#include <cmath>

#include "common/rounding.h"

namespace qv {

FactoryBytes factoryBytes(double offset, double slope, int month, int year) {
    const double milli = slope * 1000;
    const double high = std::floor(milli / 256);
    return {0,
            month,
            year,
            offset < 0 ? 1 : 0,
            static_cast<int>(roundHalfEven(std::abs(offset) * 10)),
            static_cast<int>(roundHalfEven(milli - 256 * high)),
            static_cast<int>(high)};
}

}  // namespace qv

#include "common/number_format.h"

#include <cmath>
#include <cstdio>

#include "common/rounding.h"

namespace qv {

std::string formatPadded(std::int64_t v, int digits) {
    char buf[48];
    if (v < 0) {
        std::snprintf(buf, sizeof buf, "-%0*lld", digits, static_cast<long long>(-v));
    } else {
        std::snprintf(buf, sizeof buf, "%0*lld", digits, static_cast<long long>(v));
    }
    return buf;
}

std::string formatFixed(double v, int decimals) {
    if (!std::isfinite(v)) {
        v = 0;
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    // "-0.0" reads as a fault to a user: a value that rounds to zero shows without sign.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) {
        s.erase(0, 1);
    }
    return s;
}

std::string formatNumber(double v, std::string_view pattern) {
    const auto dot = pattern.find('.');
    if (dot != std::string_view::npos) {
        return formatFixed(v, static_cast<int>(pattern.size() - dot - 1));
    }
    const double r = roundHalfEvenReal(std::isfinite(v) ? v : 0.0);
    return formatPadded(static_cast<std::int64_t>(r), static_cast<int>(pattern.size()));
}

}  // namespace qv

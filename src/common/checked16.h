#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qv {

// A 16-bit result outside -32768..32767 is an error of the operation that computed it.
class Overflow16Error : public std::overflow_error {
  public:
    explicit Overflow16Error(const std::string& what) : std::overflow_error(what) {}
};

inline bool fitsInt16(std::int64_t v) {
    return v >= -32768 && v <= 32767;
}

inline std::int16_t toInt16(std::int64_t v) {
    if (!fitsInt16(v)) {
        throw Overflow16Error("16-bit overflow: " + std::to_string(v));
    }
    return static_cast<std::int16_t>(v);
}

// Real to 16-bit integer: nearest with ties to even, then range-checked.
std::int16_t realToInt16(double v);

inline std::int16_t add16(std::int64_t a, std::int64_t b) {
    return toInt16(a + b);
}
inline std::int16_t sub16(std::int64_t a, std::int64_t b) {
    return toInt16(a - b);
}
inline std::int16_t mul16(std::int64_t a, std::int64_t b) {
    return toInt16(a * b);
}

}  // namespace qv

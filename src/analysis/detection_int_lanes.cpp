#include "analysis/detection_int_lanes.h"

#include <array>
#include <bit>
#include <cstring>

#include "analysis/detection_lanes.h"
#include "analysis/detection_ranges.h"
#include "common/rounding.h"

namespace qv::detail {

namespace {

// The working rows of one group of W channels, held as vectors of W 32-bit lanes.
template <typename I, int W>
struct Group {
    I x[501]{};
    I prefix[501]{};  // prefix[i + 1] = U[0] + ... + U[i]
    I whole[501]{};   // floor of the scaled window mean (A or B), from sample 4
    I inside[501]{};  // 1 when that value has a fraction, 0 when it is an integer
    I head[4]{};      // W for samples 0..3
    std::array<double, W> k{};
    I ok{};
};

typedef std::int32_t Int32x8 __attribute__((vector_size(32)));
typedef std::int32_t Int32x16 __attribute__((vector_size(64)));
using Group8 = Group<Int32x8, 8>;
using Group16 = Group<Int32x16, 16>;
typedef std::int32_t Int32x4 __attribute__((vector_size(16)));
using Group4 = Group<Int32x4, 4>;

}  // namespace

struct IntLaneWorkspace {
    Group4 baseline;
    Group8 narrow;
    Group16 wide;
    LaneIsa isa = bestLaneIsa();
};

IntLaneWorkspace* newIntLaneWorkspace() {
    return new IntLaneWorkspace;
}

void deleteIntLaneWorkspace(IntLaneWorkspace* w) {
    delete w;
}

bool useLaneIsa(IntLaneWorkspace& w, LaneIsa isa) {
    if (static_cast<int>(isa) > static_cast<int>(bestLaneIsa())) {
        return false;
    }
    w.isa = isa;
    return true;
}

int intLaneWidth(const IntLaneWorkspace& w) {
    switch (w.isa) {
        case LaneIsa::Avx512:
            return 16;
        case LaneIsa::Avx2:
            return 8;
        default:
            return 4;
    }
}

LaneIsa bestLaneIsa() {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")) {
        return LaneIsa::Avx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        return LaneIsa::Avx2;
    }
#endif
    return LaneIsa::Baseline;
}

namespace {

// Each lane count and instruction set is a build of its own (see detection_int_lanes_steps.h).
#define QV_LANE_TYPES(width)                                         \
    constexpr int W = width;                                         \
    typedef std::int32_t I __attribute__((vector_size(4 * width)));  \
    typedef float F __attribute__((vector_size(4 * width)));         \
    typedef std::int32_t H __attribute__((vector_size(2 * width)));  \
    typedef double D __attribute__((vector_size(4 * width)));        \
    typedef std::int64_t L __attribute__((vector_size(4 * width)));  \
    typedef std::uint64_t U __attribute__((vector_size(4 * width))); \
    typedef std::int16_t S __attribute__((vector_size(2 * width)));  \
    using Group = qv::detail::Group<I, width>;

namespace baseline {
QV_LANE_TYPES(4)
H lowHalf(I v) {
    return __builtin_shufflevector(v, v, 0, 1);
}
H highHalf(I v) {
    return __builtin_shufflevector(v, v, 2, 3);
}
I joined(H low, H high) {
    return __builtin_shufflevector(low, high, 0, 1, 2, 3);
}
#include "analysis/detection_int_lanes_steps.h"
}  // namespace baseline

#if defined(__x86_64__) && defined(__GNUC__)
#define QV_X86_LANES 1
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
QV_LANE_TYPES(8)
H lowHalf(I v) {
    return __builtin_shufflevector(v, v, 0, 1, 2, 3);
}
H highHalf(I v) {
    return __builtin_shufflevector(v, v, 4, 5, 6, 7);
}
I joined(H low, H high) {
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}
#include "analysis/detection_int_lanes_steps.h"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl")
namespace avx512 {
QV_LANE_TYPES(16)
H lowHalf(I v) {
    return __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7);
}
H highHalf(I v) {
    return __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15);
}
I joined(H low, H high) {
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}
#include "analysis/detection_int_lanes_steps.h"
}  // namespace avx512
#pragma GCC pop_options
#endif

}  // namespace

int clipLanesInt(IntLaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                 double snr) {
    switch (w.isa) {
#if QV_X86_LANES
        case LaneIsa::Avx512:
            return avx512::clip(w.wide, block, channels, n, snr);
        case LaneIsa::Avx2:
            return avx2::clip(w.narrow, block, channels, n, snr);
#endif
        default:
            return baseline::clip(w.baseline, block, channels, n, snr);
    }
}

int countLanesInt(IntLaneWorkspace& w, const SampleBlock& block, const std::int16_t* channels,
                  int n, double snr, std::int16_t method, std::int16_t* counts) {
    switch (w.isa) {
#if QV_X86_LANES
        case LaneIsa::Avx512:
            return avx512::count(w.wide, block, channels, n, snr, method, counts);
        case LaneIsa::Avx2:
            return avx2::count(w.narrow, block, channels, n, snr, method, counts);
#endif
        default:
            return baseline::count(w.baseline, block, channels, n, snr, method, counts);
    }
}

}  // namespace qv::detail

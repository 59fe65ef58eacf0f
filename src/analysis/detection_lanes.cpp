#include "analysis/detection_lanes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <string>

#include "analysis/detection_int_lanes.h"
#include "analysis/detection_ranges.h"
#include "common/checked16.h"
#include "common/rounding.h"

namespace qv::detail {

namespace {

// One value per lane. Every sample, envelope value and line value is an integer of at most
// 17 bits, or a sum of a few hundred of them, so doubles hold them exactly: comparisons and
// sums come out as in integer arithmetic, and the line arithmetic is the very same double
// arithmetic as the single-channel path. The lanes are held as pairs, the width every
// x86-64 processor computes natively, so the independent pairs overlap in the pipeline.
using Pair = double __attribute__((vector_size(16)));
using PairMask = std::int64_t __attribute__((vector_size(16)));
constexpr int kPairs = kLanes / 2;

struct V {
    std::array<Pair, kPairs> p;
    double operator[](int l) const { return p[l / 2][l % 2]; }
    void set(int l, double d) { p[l / 2][l % 2] = d; }
};
struct Mask {
    std::array<PairMask, kPairs> p{};
    std::int64_t operator[](int l) const { return p[l / 2][l % 2]; }
};

#define QV_LANEWISE(R, op, A, B)                   \
    inline R operator op(const A& a, const B& b) { \
        R r;                                       \
        for (int i = 0; i < kPairs; ++i) {         \
            r.p[i] = a.p[i] op b.p[i];             \
        }                                          \
        return r;                                  \
    }
QV_LANEWISE(V, +, V, V)
QV_LANEWISE(V, -, V, V)
QV_LANEWISE(V, *, V, V)
QV_LANEWISE(V, /, V, V)
QV_LANEWISE(Mask, <, V, V)
QV_LANEWISE(Mask, >, V, V)
QV_LANEWISE(Mask, >=, V, V)
QV_LANEWISE(Mask, <=, V, V)
QV_LANEWISE(Mask, &, Mask, Mask)
QV_LANEWISE(Mask, |, Mask, Mask)
QV_LANEWISE(Mask, -, Mask, Mask)
#undef QV_LANEWISE

V splat(double d) {
    V v;
    for (int i = 0; i < kPairs; ++i) {
        v.p[i] = Pair{d, d};
    }
    return v;
}
inline V operator+(const V& a, double b) {
    return a + splat(b);
}
inline V operator-(double a, const V& b) {
    return splat(a) - b;
}
inline V operator*(double a, const V& b) {
    return splat(a) * b;
}
inline V operator/(const V& a, double b) {
    return a / splat(b);
}
inline Mask operator<(const V& a, double b) {
    return a < splat(b);
}
inline Mask operator>=(const V& a, double b) {
    return a >= splat(b);
}
inline Mask operator<=(const V& a, double b) {
    return a <= splat(b);
}
inline Mask operator~(const Mask& a) {
    Mask r;
    for (int i = 0; i < kPairs; ++i) {
        r.p[i] = ~a.p[i];
    }
    return r;
}
inline Mask allSet() {
    return ~Mask{};
}
// mask ? a : b, lane by lane, with bit operations (SSE2 has no blend).
inline V select(const Mask& m, const V& a, const V& b) {
    V r;
    for (int i = 0; i < kPairs; ++i) {
        const auto ai = std::bit_cast<PairMask>(a.p[i]);
        const auto bi = std::bit_cast<PairMask>(b.p[i]);
        r.p[i] = std::bit_cast<Pair>((ai & m.p[i]) | (bi & ~m.p[i]));
    }
    return r;
}
using Rows = std::array<V, 501>;

// Nearest integer, ties to even, with no library call so that it pipelines: adding and
// taking away 2^52 leaves exactly the integer std::nearbyint gives under the default
// rounding mode. Anything at or beyond 2^52 is integral already or out of every 16-bit
// range; NaN stays NaN.
inline V nearestEven(V v) {
    const V big = splat(4503599627370496.0);
    return select(v >= 0, (v + big) - big, (v - big) + big);
}

inline Mask fits16(V r) {
    return (r >= -32768.0) & (r <= 32767.0);  // false for NaN
}

}  // namespace

struct LaneWorkspace {
    Rows x{};      // samples of each lane's channel, clipped in place
    Rows upper{};  // U
    Rows w{};      // window means of U
    Rows line{};   // C, then T
    Rows prefix{};
    V k{};
    Mask ok{};
    std::array<std::array<std::int16_t, kSweepGroup>, 500> original{};  // [sample][lane]
    IntLaneWorkspace* integer = newIntLaneWorkspace();
    LanePaths paths;

    LaneWorkspace() = default;
    LaneWorkspace(const LaneWorkspace&) = delete;
    LaneWorkspace& operator=(const LaneWorkspace&) = delete;
    ~LaneWorkspace() { deleteIntLaneWorkspace(integer); }
};

void LaneWorkspaceDeleter::operator()(LaneWorkspace* w) const {
    delete w;
}

const LanePaths& lanePaths(const LaneWorkspace& w) {
    return w.paths;
}

double roundedMean(std::int32_t sum, int count) {
    return roundHalfEvenReal(static_cast<double>(sum) / count);
}

double laneMargin(double ripple, double level, double snr, bool second) {
    const bool relative = level > 0 && (!second || ripple < level);
    const double m = relative ? (1 - (level - ripple) / level) * 100 * snr : snr;
    const double k = m + 1;
    return k < 1 ? 1 : k;
}

void throwLaneOverflow(std::int16_t channel) {
    throw Overflow16Error("16-bit overflow in the detection of channel " + std::to_string(channel));
}

LaneWorkspacePtr makeLaneWorkspace() {
    return LaneWorkspacePtr(new LaneWorkspace);
}

namespace {

void loadSamples(LaneWorkspace& w, const SampleBlock& block, const std::int16_t* channels, int n) {
    for (int u = 0; u < kSamples; ++u) {
        for (int l = 0; l < kLanes; ++l) {
            w.x[u].set(l, block.at(channels[l < n ? l : 0], u));
        }
    }
}

void storeClipped(const LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n) {
    for (int u = 0; u < kSamples; ++u) {
        for (int l = 0; l < n; ++l) {
            block.at(channels[l], u) = static_cast<std::int16_t>(w.x[u][l]);
        }
    }
}

// Envelope pass seeded from sample `seed`; ripple and level per lane.
void envelopePass(LaneWorkspace& w, int seed, V& ripple, V& level) {
    V up = w.x[seed];
    V low = up;
    V rippleSum = splat(0);
    V levelSum = splat(0);
    w.upper[0] = w.upper[1] = up;
    for (int i = kEnvelopeFirst; i <= kEnvelopeLast; ++i) {
        const V v = w.x[i];
        const Mask below = (v < w.x[i - 1]) & (v < w.x[i + 1]);
        const Mask above = (v > w.x[i - 1]) & (v > w.x[i + 1]);
        low = select(below, v, low);
        up = select(above, v, up);
        w.upper[i] = up;
        rippleSum = rippleSum + (up - low);
        levelSum = levelSum + v;
    }
    ripple = nearestEven(rippleSum / kEnvelopeCount);
    level = nearestEven(levelSum / kEnvelopeCount);
}

void windowMeans(LaneWorkspace& w) {
    w.prefix[0] = splat(0);
    for (int i = 0; i <= kEnvelopeLast; ++i) {
        w.prefix[i + 1] = w.prefix[i] + w.upper[i];
    }
    for (int u = 0; u < kSamples; ++u) {
        const int first = u < kWindow ? u + 1 : u - kWindow;
        w.w[u] = nearestEven((w.prefix[first + kWindow] - w.prefix[first]) / kWindow);
    }
}

void margin(LaneWorkspace& w, const V& ripple, const V& level, double snr, bool second) {
    for (int l = 0; l < kLanes; ++l) {
        w.k.set(l, laneMargin(ripple[l], level[l], snr, second));
    }
}

// Step 3 in lanes; a lane that has failed stops clipping.
void clipSpikes(LaneWorkspace& w) {
    const V k100 = w.k + 100;
    for (int u = 0; u < kSamples; ++u) {
        V v;
        if (u < 4) {
            v = k100 / 100 * w.w[u];
        } else {
            v = (k100 * w.w[u] / 100 + w.line[u - 3] + w.line[u - 1] + w.line[u - 2]) / 4;
        }
        const V c = nearestEven(v);
        w.ok = w.ok & fits16(c);
        w.line[u] = c;
        w.x[u] = select(w.ok & (w.x[u] > c), c, w.x[u]);
    }
}

// Step 7 line in lanes: deeper for the first four samples, then the recurrence whose sum of
// the three earlier values is a 16-bit addition.
inline V thresholdSample(LaneWorkspace& w, int u) {
    V v;
    if (u < 4) {
        v = (100 - 1.75 * w.k) / 100 * w.w[u];
    } else {
        const V pair = w.line[u - 2] + w.line[u - 1];
        const V three = pair + w.line[u - 3];
        w.ok = w.ok & fits16(pair) & fits16(three);
        v = (three + w.w[u] * (100 - w.k) / 100) / 4;
    }
    const V t = nearestEven(v);
    w.ok = w.ok & fits16(t);
    w.line[u] = t;
    return t;
}

// Step 7 counting, method 0: one event per 30-sample window that went below the line.
Mask countBinary(LaneWorkspace& w) {
    Mask count{}, flag{};
    int windowCounter = 0;
    for (int u = 0; u < kSamples; ++u) {
        const V t = thresholdSample(w, u);
        flag = flag | (w.x[u] < t);
        if (windowCounter == kWindow) {
            count = count - flag;  // a set mask is -1
            flag = Mask{};
        }
        windowCounter = windowCounter == kWindow ? 1 : windowCounter + 1;
    }
    return count;
}

// Step 7 counting, method 1: one event per downward crossing; only a sample strictly above
// the line re-arms.
Mask countCrossings(LaneWorkspace& w) {
    Mask count{}, flag{};
    for (int u = 0; u < kSamples; ++u) {
        const V t = thresholdSample(w, u);
        const Mask counted = (w.x[u] < t) & ~flag;
        count = count - counted;
        flag = (flag | counted) & ~(w.x[u] > t);
    }
    return count;
}

int firstFailedLane(const LaneWorkspace& w, int n) {
    for (int l = 0; l < n; ++l) {
        if (w.ok[l] == 0) {
            return l;
        }
    }
    return kLanesDone;
}

}  // namespace

// Step 3 in double lanes, for n <= kLanes channels; returns like clipLanesInt.
QV_LANE_CLONES
int clipLanesDouble(LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                    double snr) {
    w.ok = allSet();
    loadSamples(w, block, channels, n);
    V ripple{}, level{};
    envelopePass(w, 1, ripple, level);
    margin(w, ripple, level, snr, false);
    windowMeans(w);
    clipSpikes(w);
    storeClipped(w, block, channels, n);
    return firstFailedLane(w, n);
}

// Steps 4, 5 and 7 in double lanes, on the clipped block.
QV_LANE_CLONES
int countLanesDouble(LaneWorkspace& w, const SampleBlock& block, const std::int16_t* channels,
                     int n, double snr, std::int16_t method, std::int16_t* counts) {
    loadSamples(w, block, channels, n);
    V ripple{}, level{};
    envelopePass(w, 2, ripple, level);
    margin(w, ripple, level, snr, true);
    w.ok = fits16(ripple);  // the noise floor is a 16-bit value
    if (const int failed = firstFailedLane(w, n); failed != kLanesDone) {
        return failed;
    }
    windowMeans(w);
    const Mask count = method == 0 ? countBinary(w) : countCrossings(w);
    if (const int failed = firstFailedLane(w, n); failed != kLanesDone) {
        return failed;
    }
    for (int l = 0; l < n; ++l) {
        counts[l] = static_cast<std::int16_t>(count[l]);
    }
    return kLanesDone;
}

namespace {

// A half of the work for the group in the double lanes, kLanes channels at a time.
template <typename Half>
int inDoubleLanes(int n, Half half) {
    for (int first = 0; first < n; first += kLanes) {
        const int failed = half(first, std::min(kLanes, n - first));
        if (failed != kLanesDone) {
            return first + failed;
        }
    }
    return kLanesDone;
}

void saveOriginals(LaneWorkspace& w, const SampleBlock& block, const std::int16_t* channels,
                   int n) {
    const bool neighbours = neighbouringChannels(channels, n, kSweepGroup);
    for (int u = 0; u < kSamples; ++u) {
        auto& row = w.original[static_cast<std::size_t>(u)];
        if (neighbours) {
            std::copy_n(block.values().data() +
                            static_cast<std::size_t>(u) * SampleBlock::kChannels + channels[0],
                        kSweepGroup, row.begin());
            continue;
        }
        for (int l = 0; l < n; ++l) {
            row[static_cast<std::size_t>(l)] = block.at(channels[l], u);
        }
    }
}

// The single-channel steps stop at the failed channel: the later ones get back their samples.
[[noreturn]] void failAt(const LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels,
                         int n, int failed) {
    for (int l = failed + 1; l < n; ++l) {
        for (int u = 0; u < kSamples; ++u) {
            block.at(channels[l], u) =
                w.original[static_cast<std::size_t>(u)][static_cast<std::size_t>(l)];
        }
    }
    throwLaneOverflow(channels[failed]);
}

}  // namespace

// The integer lanes take every group they can; the double lanes, the literal arithmetic,
// take over a half of a group's work the integers cannot vouch for. Both halves read the
// block afresh, so either may follow either.
void detectThresholdLanes(LaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                          double snr, std::int16_t method, std::int16_t* counts) {
    saveOriginals(w, block, channels, n);
    const int width = intLaneWidth(*w.integer);
    for (int first = 0; first < n; first += width) {
        const int lanes = std::min(width, n - first);
        const std::int16_t* group = channels + first;
        int failed = clipLanesInt(*w.integer, block, group, lanes, snr);
        if (failed == kLanesOutOfRange) {
            ++w.paths.doubleClips;
            failed = inDoubleLanes(lanes, [&](int from, int count) {
                return clipLanesDouble(w, block, group + from, count, snr);
            });
        } else {
            ++w.paths.integerClips;
        }
        if (failed == kLanesDone) {
            failed = countLanesInt(*w.integer, block, group, lanes, snr, method, counts + first);
            if (failed == kLanesOutOfRange) {
                ++w.paths.doubleCounts;
                failed = inDoubleLanes(lanes, [&](int from, int count) {
                    return countLanesDouble(w, block, group + from, count, snr, method,
                                            counts + first + from);
                });
            } else {
                ++w.paths.integerCounts;
            }
        }
        if (failed != kLanesDone) {
            failAt(w, block, channels, n, first + failed);
        }
    }
}

bool useLaneIsa(LaneWorkspace& w, LaneIsa isa) {
    return useLaneIsa(*w.integer, isa);
}

}  // namespace qv::detail

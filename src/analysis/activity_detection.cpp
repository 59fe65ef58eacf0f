#include "analysis/activity_detection.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "analysis/detection_ranges.h"
#include "common/file_util.h"
#include "common/rounding.h"

namespace qv {

namespace {

using detail::kEnvelopeCount;
using detail::kEnvelopeFirst;
using detail::kEnvelopeLast;
using detail::kSamples;
using detail::kWindow;
constexpr int kMotilityWindow = 50;   // method 2 moving minimum and mean
constexpr int kMotilitySwitch = 449;  // from here the method 2 windows look backwards
constexpr int kRunLength = 10;        // R, method 2
constexpr std::int16_t kMinNoiseFloor = 5;

using Samples = std::array<std::int16_t, kSamples>;
using Line = std::array<std::int16_t, 501>;
using Reals = std::array<double, kSamples>;

struct Envelope {
    Line upper{};  // U: most recent strict local maximum
    Line lower{};  // L: most recent strict local minimum
    std::int32_t ripple = 0;
    std::int32_t level = 0;
};

std::int32_t roundToInt32(double v) {
    return static_cast<std::int32_t>(roundHalfEven(v));
}

// Steps 2 and 4: the pass is seeded from a given sample (1 on the raw signal, 2 on the
// clipped one) and sums over i = 2..498 in 32 bits.
void envelopePass(const Samples& x, std::int16_t seed, Envelope& e) {
    e.upper[0] = e.upper[1] = e.lower[0] = e.lower[1] = seed;
    std::int32_t rippleSum = 0;
    std::int32_t levelSum = 0;
    std::int16_t upper = seed;
    std::int16_t lower = seed;
    for (int i = kEnvelopeFirst; i <= kEnvelopeLast; ++i) {
        // Noisy light makes these tests unpredictable: select, never branch.
        const bool belowBoth = (x[i] < x[i - 1]) & (x[i] < x[i + 1]);
        const bool aboveBoth = (x[i] > x[i - 1]) & (x[i] > x[i + 1]);
        lower = belowBoth ? x[i] : lower;
        upper = aboveBoth ? x[i] : upper;
        e.lower[i] = lower;
        e.upper[i] = upper;
        rippleSum += std::int32_t{upper} - lower;
        levelSum += x[i];
    }
    e.ripple = roundToInt32(static_cast<double>(rippleSum) / kEnvelopeCount);
    e.level = roundToInt32(static_cast<double>(levelSum) / kEnvelopeCount);
}

// sum / divisor to the nearest integer, ties to even, in exact integer arithmetic; branch-free,
// so that a loop of them vectorises.
std::int32_t roundedQuotient(std::int32_t sum, std::int32_t divisor) {
    const std::int32_t truncated = sum / divisor;
    const std::int32_t negative = (sum - truncated * divisor) < 0 ? 1 : 0;
    const std::int32_t q = truncated - negative;  // floor
    const std::int32_t twice = 2 * (sum - q * divisor);
    const std::int32_t up = (twice > divisor) | ((twice == divisor) & q & 1);
    return q + up;
}

double clampMargin(double m) {
    const double k = m + 1;
    return k < 1 ? 1 : k;
}

double relativeRipple(std::int32_t ripple, std::int32_t level, double snr) {
    return (1 - static_cast<double>(level - ripple) / level) * 100 * snr;
}

// W for u = 0..499: the rounded mean of 30 upper-envelope values, forward window U[u+1..u+30]
// for u < 30, backward U[u-30..u-1] after. The window sums are integers, so running them off
// prefix sums gives exactly the sum of the 30 terms, and rounding the integer quotient with
// its remainder gives exactly the rounded real quotient (ties, remainder 15, go to even).
void windowMeans(const Line& upper, Reals& w) {
    std::array<std::int32_t, kEnvelopeLast + 2> prefix{};
    for (int i = 0; i <= kEnvelopeLast; ++i) {
        prefix[i + 1] = prefix[i] + upper[i];
    }
    for (int u = 0; u < kWindow; ++u) {  // forward windows
        w[u] =
            static_cast<double>(roundedQuotient(prefix[u + 1 + kWindow] - prefix[u + 1], kWindow));
    }
    for (int u = kWindow; u < kSamples; ++u) {  // backward windows
        w[u] = static_cast<double>(roundedQuotient(prefix[u] - prefix[u - kWindow], kWindow));
    }
}

// The lines below add three earlier line values to a scaled window mean and round a quarter
// of the sum. As detection_int_lanes.h shows, that result depends on the scaled mean only
// through its floor and whether it has a fraction, as long as the mean's fraction is 0 or
// clear of 0 and 1 and the values stay small; then the sum is formed in integers, which
// takes the rounding off the chain of dependent steps. Any other value takes the literal
// double steps.
constexpr double kLargestScaled = 0x1p19;
constexpr double kNearWhole = 0x1p-28;

bool splitScaled(double v, std::int32_t& whole, std::int32_t& inside) {
    if (!(v > -kLargestScaled && v < kLargestScaled)) {
        return false;
    }
    const double floor = std::floor(v);
    const double fraction = v - floor;
    if (fraction == 0) {
        inside = 0;
    } else if (fraction >= kNearWhole && fraction <= 1 - kNearWhole) {
        inside = 1;
    } else {
        return false;
    }
    whole = static_cast<std::int32_t>(floor);
    return true;
}

// round((n + f) / 4), ties to even, for an integer n and f = 0 (inside 0) or 0 < f < 1.
std::int32_t quarterRounded(std::int32_t n, std::int32_t inside) {
    return (n + 1 + (((n >> 2) & 1) | inside)) >> 2;
}

// One value of such a line: round((earlier + scaled) / 4) with `earlier` the integer sum of the
// three earlier values, or `literal()`, the steps' own double expression, for a value the
// integers cannot vouch for or that leaves the 16-bit range (where it raises the error).
template <typename Literal>
std::int16_t quarterLine(std::int32_t earlier, double scaled, Literal literal) {
    std::int32_t whole = 0, inside = 0;
    if (splitScaled(scaled, whole, inside)) {
        const std::int32_t v = quarterRounded(earlier + whole, inside);
        if (v >= -32768 && v <= 32767) {
            return static_cast<std::int16_t>(v);
        }
    }
    return realToInt16(literal());
}

// Step 3: the clip line, and the clipping of the caller's block sample by sample.
void clipSpikes(Samples& x, const Reals& w, double k, SampleBlock& block, int channel) {
    std::int16_t c1 = 0, c2 = 0, c3 = 0;  // C[u-1], C[u-2], C[u-3]
    for (int u = 0; u < kSamples; ++u) {
        std::int16_t c;
        if (u < 4) {
            c = realToInt16((k + 100) / 100 * w[u]);
        } else {
            const double scaled = (k + 100) * w[u] / 100;
            c = quarterLine(c3 + c2 + c1, scaled, [&] { return (scaled + c3 + c1 + c2) / 4; });
        }
        c3 = c2;
        c2 = c1;
        c1 = c;
        if (x[u] > c) {
            x[u] = c;
            block.at(channel, u) = c;
        }
    }
}

// Step 6.1: moving minimum over 50 samples, starting from 9999.
void movingMinimum(const Samples& x, Reals& a) {
    for (int u = 0; u < kSamples; ++u) {
        const int first = u < kMotilitySwitch ? u : u - (kMotilityWindow - 1);
        std::int16_t lowest = 9999;
        for (int j = first; j < first + kMotilityWindow; ++j) {
            if (x[j] < lowest) {
                lowest = x[j];
            }
        }
        a[u] = lowest;
    }
}

// Step 6.2: moving mean in place, in increasing u, so the backward windows of the last
// positions already hold smoothed values.
void movingMeanInPlace(Reals& a) {
    for (int u = 0; u < kSamples; ++u) {
        const int first = u < kMotilitySwitch ? u : u - (kMotilityWindow - 1);
        double sum = 0;
        for (int j = first; j < first + kMotilityWindow; ++j) {
            sum += a[j];
        }
        a[u] = sum / kMotilityWindow;
    }
}

// Step 6.4: ten-sample mean, forward for u = 0..488, backward for u = 489..499.
void tenSampleMean(const Reals& a, Reals& b) {
    for (int u = 0; u < kSamples; ++u) {
        const int first = u < kSamples - kRunLength - 1 ? u : u - (kRunLength - 1);
        double sum = 0;
        for (int j = first; j < first + kRunLength; ++j) {
            sum += a[j];
        }
        b[u] = sum / kRunLength;
    }
}

}  // namespace

std::filesystem::path marksFilePath(const std::filesystem::path& folder, int channel) {
    return folder / ("ch" + std::to_string(channel) + ".raw");
}

namespace {

// The checks the caller's indices need before anything touches the block.
void checkChannel(const SampleBlock& block, std::int16_t channel) {
    if (channel < 0 || channel >= SampleBlock::kBeams) {
        throw DetectionError(DetectionFault::ChannelOutOfRange,
                             "channel " + std::to_string(channel) + " outside 0..383");
    }
    if (!block.holdsDetectionSamples()) {
        throw DetectionError(DetectionFault::BlockTooShort,
                             "block holds " + std::to_string(block.samplesPerChannel()) +
                                 " samples per channel, detection needs 500");
    }
}

struct Counting {
    const Samples& x;
    const Reals& w;
    double k;
    double snr;
    std::int16_t noiseFloor;
    DetectionTrace& thresholdTrace;
    DetectionTrace& eventTrace;
    std::array<char, 501>& marks;
    std::int16_t count = 0;

    void event(int u, bool traced) {
        ++count;
        marks[u] = '1';
        if (traced) {
            eventTrace[u] = -1;
        }
    }
};

// Step 6, method 2: motility index over the clipped signal.
void countMotility(Counting& c) {
    Reals a{};
    Reals b{};
    movingMinimum(c.x, a);
    movingMeanInPlace(a);
    for (int u = 0; u < kSamples; ++u) {
        a[u] = c.x[u] - a[u];
    }
    tenSampleMean(a, b);
    bool rising = false;
    int r = 0;
    std::int32_t ref = 0;
    for (int u = 1; u < kSamples; ++u) {
        if (b[u] > b[u - 1] || b[u] < b[u - 1]) {
            const bool up = b[u] > b[u - 1];
            if (up != rising) {
                rising = up;
                r = 0;
                ref = roundToInt32(b[u]);
            } else {
                ++r;
            }
        }
        if (std::fabs(ref - b[u]) > c.noiseFloor && r == kRunLength) {
            c.event(u, false);
        }
        c.thresholdTrace[u] = realToInt16(b[u] - c.noiseFloor);
    }
}

// Step 7 line: deeper for the first four samples; the three earlier values add in 16 bits.
std::int16_t thresholdLine(const Line& t, int u, double w, double k) {
    if (u < 4) {
        return realToInt16((100 - 1.75 * k) / 100 * w);
    }
    const std::int16_t earlier = add16(add16(t[u - 2], t[u - 1]), t[u - 3]);
    const double scaled = w * (100 - k) / 100;
    return quarterLine(earlier, scaled, [&] { return (earlier + scaled) / 4; });
}

// Step 7, methods 0 and 1.
void countThreshold(Counting& c, std::int16_t method) {
    Line t{};
    bool flag = false;
    int windowCounter = 0;
    for (int u = 0; u < kSamples; ++u) {
        t[u] = thresholdLine(t, u, c.w[u], c.k);
        c.thresholdTrace[u] = t[u];
        if (method == kMethodThresholdBinary) {
            if (c.x[u] < t[u]) {
                flag = true;
            }
            if (windowCounter == kWindow && flag) {
                c.event(u, true);
                flag = false;
            }
            windowCounter = windowCounter == kWindow ? 1 : windowCounter + 1;
        } else {
            if (c.x[u] < t[u] && !flag) {
                c.event(u, true);
                flag = true;
            }
            if (c.x[u] > t[u]) {
                flag = false;
            }
        }
    }
}

// Step 8, method 3: the line lies at snr times the baseline; the two-sample mean crosses it.
void countDrosophila(Counting& c) {
    Line d{};
    bool flag = false;
    for (int u = 0; u < kSamples; ++u) {
        const double scaled = c.w[u] * c.snr;
        if (u < 4) {
            d[u] = realToInt16(scaled);
        } else {
            const std::int32_t earlier = std::int32_t{d[u - 2]} + d[u - 1] + d[u - 3];
            d[u] = quarterLine(earlier, scaled, [&] { return (earlier + scaled) / 4; });
        }
        c.thresholdTrace[u] = d[u];
        if (u >= 1) {
            const double a = (std::int32_t{c.x[u - 1]} + c.x[u]) / 2.0;
            if (a < d[u] && !flag) {
                c.event(u, true);
                flag = true;
            }
            if (a > d[u]) {
                flag = false;
            }
        }
    }
}

// Step 9.
void appendMarksLine(const std::filesystem::path& folder, int channel, std::int32_t blockNumber,
                     std::string_view flags) {
    std::array<char, 16 + kSamples + 2> line{};
    char* end = std::to_chars(line.data(), line.data() + 16, blockNumber).ptr;
    *end++ = ' ';
    for (char f : flags) {
        *end++ = f;
    }
    *end++ = '\r';
    *end++ = '\n';
    const std::filesystem::path path = marksFilePath(folder, channel);
    if (!appendFile(path,
                    std::string_view(line.data(), static_cast<std::size_t>(end - line.data())))) {
        throw DetectionError(DetectionFault::MarksFileFailed, "cannot append to " + path.string());
    }
}

}  // namespace

ActivityDetector::ActivityDetector() : lanes_(detail::makeLaneWorkspace()) {}
ActivityDetector::~ActivityDetector() = default;
ActivityDetector::ActivityDetector(ActivityDetector&&) noexcept = default;
ActivityDetector& ActivityDetector::operator=(ActivityDetector&&) noexcept = default;

void ActivityDetector::DetectActivityBlock(SampleBlock& block,
                                           std::span<const std::int16_t> channels, double snr,
                                           std::int16_t method, std::span<std::int16_t> counts) {
    if (counts.size() < channels.size()) {
        throw std::invalid_argument("fewer count slots than channels");
    }
    std::array<bool, SampleBlock::kBeams> seen{};
    for (std::int16_t c : channels) {
        checkChannel(block, c);
        if (seen[static_cast<std::size_t>(c)]) {
            throw std::invalid_argument("channel " + std::to_string(c) + " listed twice");
        }
        seen[static_cast<std::size_t>(c)] = true;
    }
    if (method != kMethodThresholdBinary && method != kMethodThresholdAverage) {
        const DetectionTrace threshold = ThresholdTrace, events = EventTrace;
        const std::array<char, 501> marks = marks_;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            counts[i] = DetectActivity(block, channels[i], snr, method, 0, {}, 0);
        }
        ThresholdTrace = threshold;
        EventTrace = events;
        marks_ = marks;
        return;
    }
    for (std::size_t i = 0; i < channels.size(); i += detail::kSweepGroup) {
        const int n =
            static_cast<int>(std::min<std::size_t>(detail::kSweepGroup, channels.size() - i));
        detail::detectThresholdLanes(*lanes_, block, channels.data() + i, n, snr, method,
                                     counts.data() + i);
    }
}

std::int16_t ActivityDetector::DetectActivity(SampleBlock& block, std::int16_t channel, double snr,
                                              std::int16_t method, std::int32_t write_marks,
                                              const std::filesystem::path& folder,
                                              std::int32_t block_number) {
    checkChannel(block, channel);
    Samples x{};
    for (int u = 0; u < kSamples; ++u) {
        x[u] = block.at(channel, u);
    }
    // 1. Marks: every sample starts unflagged.
    marks_.fill('0');

    // 2. First envelope pass, seeded from sample 1.
    Envelope e;
    envelopePass(x, x[1], e);

    // 3. Margin and clipping.
    double k = clampMargin(e.level > 0 ? relativeRipple(e.ripple, e.level, snr) : snr);
    Reals w{};
    windowMeans(e.upper, w);
    clipSpikes(x, w, k, block, channel);

    // 4. Second envelope pass on the clipped signal, seeded from sample 2.
    envelopePass(x, x[2], e);
    const bool steady = e.level > 0 && e.ripple < e.level;
    k = clampMargin(steady ? relativeRipple(e.ripple, e.level, snr) : snr);

    // 5. Noise floor.
    std::int16_t noiseFloor = toInt16(e.ripple);
    if (noiseFloor < kMinNoiseFloor) {
        noiseFloor = kMinNoiseFloor;
    }

    windowMeans(e.upper, w);
    Counting c{x, w, k, snr, noiseFloor, ThresholdTrace, EventTrace, marks_};
    if (method == kMethodMotilityIndex) {
        countMotility(c);  // 6.
    } else if (method == kMethodThresholdBinary || method == kMethodThresholdAverage) {
        countThreshold(c, method);  // 7.
    } else if (method == kMethodDrosophila) {
        countDrosophila(c);  // 8.
    }

    // 9. Marks file.
    if (write_marks == 1) {
        appendMarksLine(folder, channel, block_number, marks());
    }
    // 10.
    return c.count;
}

std::int16_t ActivityDetector::PeriodHistogram(const SampleBlock& block, std::int16_t channel,
                                               PeriodHistogramBins& histogram, double threshold) {
    checkChannel(block, channel);
    // 1.
    histogram.fill(0);
    const std::int16_t t = realToInt16(threshold);

    // 2. Five-sample smoothing; the mean of five 16-bit samples always fits 16 bits.
    std::array<std::int32_t, kSamples> s{};
    for (int a = 3; a <= 496; ++a) {
        std::int32_t sum = 0;
        for (int j = a - 2; j <= a + 2; ++j) {
            sum += block.at(channel, j);
        }
        s[a] = roundToInt32(sum / 5.0);
    }
    s[0] = s[1] = s[2] = s[3];
    s[497] = s[498] = s[499] = s[496];

    // 3. Drop below the last peak, less the threshold.
    std::array<std::int32_t, kSamples> d{};
    std::int32_t peak = s[0];
    for (int i = 1; i <= 498; ++i) {
        if (s[i] > s[i - 1] && s[i] > s[i + 1]) {
            peak = s[i];
        }
        const std::int32_t drop = peak - s[i] - t;
        d[i] = drop < 0 ? 0 : drop;
    }
    d[0] = d[1];
    d[499] = d[498];

    // 4. Spacings between successive drop maxima; 50 samples or more are not binned.
    int last = 0;
    for (int i = 1; i <= 498; ++i) {
        if (d[i] > d[i - 1] && d[i] > d[i + 1]) {
            const int spacing = i - last;
            if (spacing > 1 && spacing < static_cast<int>(histogram.size())) {
                ++histogram[spacing];
            }
            last = i;
        }
    }
    // 5.
    return 1;
}

}  // namespace qv

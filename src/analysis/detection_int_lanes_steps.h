// The integer lane steps for one lane count and instruction set. Included once per build by
// detection_int_lanes.cpp, inside a namespace that defines W (the lane count), the vector
// types I (W x int32), F (W x float), H (W / 2 x int32), D (W / 2 x double), L (W / 2 x
// int64), U (W / 2 x uint64), S (W x int16), Group, and lowHalf, highHalf and joined (the two
// halves of an I, and an I from two halves), under the target options of that build: GCC lowers
// wide vector operations per function before inlining, so every step has to be compiled for the
// instruction set that runs it.
//
// No include guard: each inclusion is meant.

I fits16(I v) {
    return (v >= -32768) & (v <= 32767);
}

bool anyLane(L m) {
    for (int l = 1; l < W / 2; ++l) {
        m[0] |= m[l];
    }
    return m[0] != 0;
}

bool anyLane(I m) {
    for (int l = 1; l < W; ++l) {
        m[0] |= m[l];
    }
    return m[0] != 0;
}

// The nearest integer of n / 4, ties to even, when `inside` is 0; of (n + f) / 4 for
// some 0 < f < 1 when it is 1.
I quarterRounded(I n, I inside) {
    return (n + 1 + (((n >> 2) & 1) | inside)) >> 2;
}

void load(Group& g, const SampleBlock& block, const std::int16_t* channels, int n) {
    if (neighbouringChannels(channels, n, W)) {
        const std::int16_t* row = block.values().data() + channels[0];
        for (int u = 0; u < kSamples; ++u, row += SampleBlock::kChannels) {
            S s;
            std::memcpy(&s, row, sizeof s);
            g.x[u] = __builtin_convertvector(s, I);
        }
        return;
    }
    for (int u = 0; u < kSamples; ++u) {
        for (int l = 0; l < W; ++l) {
            g.x[u][l] = block.at(channels[l < n ? l : 0], u);
        }
    }
}

// Clipped samples never leave the 16-bit range: a lane clips only to a line that fits.
void store(const Group& g, SampleBlock& block, const std::int16_t* channels, int n) {
    if (neighbouringChannels(channels, n, W)) {
        std::int16_t* row = block.values().data() + channels[0];
        for (int u = 0; u < kSamples; ++u, row += SampleBlock::kChannels) {
            const S s = __builtin_convertvector(g.x[u], S);
            std::memcpy(row, &s, sizeof s);
        }
        return;
    }
    for (int u = 0; u < kSamples; ++u) {
        for (int l = 0; l < n; ++l) {
            block.at(channels[l], u) = static_cast<std::int16_t>(g.x[u][l]);
        }
    }
}

int firstFailedLane(const Group& g, int n) {
    for (int l = 0; l < n; ++l) {
        if (g.ok[l] == 0) {
            return l;
        }
    }
    return kLanesDone;
}

// Envelope pass seeded from sample `seed`, in exact 32-bit sums; builds the prefix sums of
// U for the window means and sets the margin of each lane.
void envelopePass(Group& g, int seed, double snr, bool second, I& ripple) {
    I up = g.x[seed];
    I low = up;
    I rippleSum{};
    I levelSum{};
    g.prefix[0] = I{};
    g.prefix[1] = up;
    g.prefix[2] = up + up;
    for (int i = kEnvelopeFirst; i <= kEnvelopeLast; ++i) {
        const I v = g.x[i];
        const I before = g.x[i - 1];
        const I after = g.x[i + 1];
        low = ((v < before) & (v < after)) ? v : low;
        up = ((v > before) & (v > after)) ? v : up;
        g.prefix[i + 1] = g.prefix[i] + up;
        rippleSum += up - low;
        levelSum += v;
    }
    for (int l = 0; l < W; ++l) {
        const double r = roundedMean(rippleSum[l], kEnvelopeCount);
        ripple[l] = static_cast<std::int32_t>(r);
        g.k[l] = laneMargin(r, roundedMean(levelSum[l], kEnvelopeCount), snr, second);
    }
}

// W = the window sum over 30, to the nearest integer with ties to even. The sums are below
// 2^20 in size, so a float quotient lies within 2^-8 of the true one, which is never
// nearer than 1/30 to a half unless it is one; a tie shows as a remainder of +-15 and goes
// to even.
I windowMean(const Group& g, int u) {
    const int first = u < kWindow ? u + 1 : u - kWindow;
    const I sum = g.prefix[first + kWindow] - g.prefix[first];
    const F magic = F{} + 12582912.f;  // 1.5 x 2^23: adding it rounds to an integer
    const F quotient = __builtin_convertvector(sum, F) * (1.0f / kWindow);
    I q = __builtin_convertvector((quotient + magic) - magic, I);
    const I rest = sum - q * kWindow;
    const I odd = q & 1;
    q += ((rest == 15) & odd) - ((rest == -15) & odd);
    return q;
}

// factor x W / 100 as the doubles form it (the product, then the quotient), approximated
// by a multiplication: within two units in the last place, which moves no floor and no
// fraction class. The value is read off in fixed point with 28 fraction bits, by adding a
// constant that leaves round(value x 2^28) + 2^48 in the low bits of the double. `near`:
// the fraction lies within 1.5 x 2^-28 of 0 or 1; `large`: the value is 2^19 or more in
// size, or not a number.
struct Scaled {
    D product;
    L whole, near, large;
};

Scaled scale(D factor, H mean) {
    constexpr double kFixed = 0x1p28;
    constexpr double kMagic = 0x1.8p52;  // adding it leaves an integer in the low bits
    constexpr std::int64_t kMagicBits = 0x4338000000000000;
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 28) - 1;
    Scaled s;
    s.product = factor * __builtin_convertvector(mean, D);
    const D fixed = s.product * (0.01 * kFixed) + (kMagic + 0x1p48);
    const U bits = std::bit_cast<U>(std::bit_cast<L>(fixed) - kMagicBits);
    const U top = bits >> 47;
    s.large = ~(L)((top == 1) | (top == 2));
    s.whole = (L)(bits >> 28) - (std::int64_t{1} << 20);
    s.near = (L)(((bits + 1) & kFraction) <= 2);
    return s;
}

// Sample u in doubles: floor and fraction class of every lane, or false when a lane leaves
// the proven range. Only an exactly integral value next to an integer, the f = 0 case, stays.
bool scaleExactly(Group& g, int u, D lowFactor, D highFactor) {
    const I mean = windowMean(g, u);
    const Scaled low = scale(lowFactor, lowHalf(mean));
    const Scaled high = scale(highFactor, highHalf(mean));
    if (anyLane(low.large | high.large)) {
        return false;
    }
    g.whole[u] =
        joined(__builtin_convertvector(low.whole, H), __builtin_convertvector(high.whole, H));
    g.inside[u] = I{} + 1;
    for (int which = 0; which < 2; ++which) {
        const Scaled& s = which == 0 ? low : high;
        for (int l = 0; l < W / 2; ++l) {
            if (s.near[l] != 0) {
                const double exact = s.product[l] / 100;
                const auto integral = static_cast<std::int32_t>(exact);
                if (exact != integral) {
                    return false;
                }
                g.whole[u][which * (W / 2) + l] = integral;
                g.inside[u][which * (W / 2) + l] = 0;
            }
        }
    }
    return true;
}

// Splits the clip or threshold line's scaled window mean into floor and fraction class for
// samples 4..499, and keeps W of samples 0..3. False when a lane leaves the proven range.
//
// A float product screens the values first. It lies within 2^-22 x |value| of the double
// one, so a float fraction at least |value| x 2^-21 + 2^-20 away from 0 and from 1 has the
// same floor as the double and a fraction well inside (0, 1). A sample where some lane's
// float is not that clear, or is 2^18 or more in size, goes through the doubles, as does the
// rest of its run of eight samples.
bool scaleWindowMeans(Group& g, const std::array<double, W>& factor) {
    D lowFactor, highFactor;
    F rate;
    for (int l = 0; l < W / 2; ++l) {
        lowFactor[l] = factor[l];
        highFactor[l] = factor[l + W / 2];
    }
    for (int l = 0; l < W; ++l) {
        rate[l] = static_cast<float>(factor[l] / 100);
    }
    for (int u = 0; u < 4; ++u) {
        g.head[u] = windowMean(g, u);
    }
    constexpr int kRun = 8;
    const F magic = F{} + 0x1.8p23f;  // adding it rounds to an integer
    for (int first = 4; first < kSamples; first += kRun) {
        const int end = first + kRun < kSamples ? first + kRun : kSamples;
        I unclear{};
        for (int u = first; u < end; ++u) {
            const F value = __builtin_convertvector(windowMean(g, u), F) * rate;
            const F size = value < 0 ? -value : value;
            const F margin = size * 0x1p-21f + 0x1p-20f;
            const F nearest = (value + magic) - magic;
            const F floor = nearest > value ? nearest - 1 : nearest;
            const F fraction = value - floor;
            unclear |= ~((fraction >= margin) & (fraction <= 1 - margin) & (size < 0x1p18f));
            g.whole[u] = __builtin_convertvector(floor, I);
            g.inside[u] = I{} + 1;
        }
        if (anyLane(unclear)) {
            for (int u = first; u < end; ++u) {
                if (!scaleExactly(g, u, lowFactor, highFactor)) {
                    return false;
                }
            }
        }
    }
    return true;
}

// A line's first four values come straight from doubles, as in the single-channel steps;
// a value out of range fails its lane and carries 0 on.
void headLine(I& line, I& ok, const std::array<double, W>& values) {
    for (int l = 0; l < W; ++l) {
        const double r = roundHalfEvenReal(values[l]);
        const bool fits = r >= -32768 && r <= 32767;  // false for NaN
        line[l] = fits ? static_cast<std::int32_t>(r) : 0;
        ok[l] = fits ? ok[l] : 0;
    }
}

int clip(Group& g, SampleBlock& block, const std::int16_t* channels, int n, double snr) {
    load(g, block, channels, n);
    I ripple{};
    envelopePass(g, 1, snr, false, ripple);
    std::array<double, W> factor{};
    for (int l = 0; l < W; ++l) {
        factor[l] = g.k[l] + 100;
    }
    if (!scaleWindowMeans(g, factor)) {
        return kLanesOutOfRange;
    }
    g.ok = I{} - 1;
    std::array<I, 4> line{};
    for (int u = 0; u < 4; ++u) {
        std::array<double, W> v{};
        for (int l = 0; l < W; ++l) {
            v[l] = factor[l] / 100 * g.head[u][l];
        }
        headLine(line[u], g.ok, v);
        g.x[u] = (g.ok & (g.x[u] > line[u])) ? line[u] : g.x[u];
    }
    I c3 = line[1], c2 = line[2], c1 = line[3];
    for (int u = 4; u < kSamples; ++u) {
        const I c = quarterRounded((g.whole[u] + c3 + c2) + c1, g.inside[u]);
        g.ok &= fits16(c);
        g.x[u] = (g.ok & (g.x[u] > c)) ? c : g.x[u];
        c3 = c2;
        c2 = c1;
        c1 = c;
    }
    store(g, block, channels, n);
    return firstFailedLane(g, n);
}

int count(Group& g, const SampleBlock& block, const std::int16_t* channels, int n, double snr,
          std::int16_t method, std::int16_t* counts) {
    load(g, block, channels, n);
    I ripple{};
    envelopePass(g, 2, snr, true, ripple);
    g.ok = fits16(ripple);  // the noise floor is a 16-bit value
    if (const int failed = firstFailedLane(g, n); failed != kLanesDone) {
        return failed;
    }
    std::array<double, W> factor{};
    for (int l = 0; l < W; ++l) {
        factor[l] = 100 - g.k[l];
    }
    if (!scaleWindowMeans(g, factor)) {
        return kLanesOutOfRange;
    }
    I total{}, flag{};
    int windowCounter = 0;
    const bool binary = method == 0;
    // One sample of the count: method 0 marks a window that went below the line and
    // counts it at the window's end, method 1 counts each downward crossing and re-arms
    // strictly above.
    const auto countSample = [&](int u, I t) {
        if (binary) {
            flag |= g.x[u] < t;
            if (windowCounter == kWindow) {
                total -= flag;  // a set lane is -1
                flag = I{};
            }
            windowCounter = windowCounter == kWindow ? 1 : windowCounter + 1;
        } else {
            const I counted = (g.x[u] < t) & ~flag;
            total -= counted;
            flag = (flag | counted) & ~(g.x[u] > t);
        }
    };
    std::array<I, 4> line{};
    for (int u = 0; u < 4; ++u) {
        std::array<double, W> v{};
        for (int l = 0; l < W; ++l) {
            v[l] = (100 - 1.75 * g.k[l]) / 100 * g.head[u][l];
        }
        headLine(line[u], g.ok, v);
        countSample(u, line[u]);
    }
    I t3 = line[1], t2 = line[2], t1 = line[3];
    for (int u = 4; u < kSamples; ++u) {
        const I pair = t2 + t1;
        const I three = pair + t3;
        const I t = quarterRounded(three + g.whole[u], g.inside[u]);
        g.ok &= fits16(pair) & fits16(three) & fits16(t);
        countSample(u, t);
        t3 = t2;
        t2 = t1;
        t1 = t;
    }
    if (const int failed = firstFailedLane(g, n); failed != kLanesDone) {
        return failed;
    }
    for (int l = 0; l < n; ++l) {
        counts[l] = static_cast<std::int16_t>(total[l]);
    }
    return kLanesDone;
}

#include "analysis/detection_reference.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace qv::testing {

namespace {

struct Overflow {};

std::int64_t checked(std::int64_t v) {
    if (v < -32768 || v > 32767) {
        throw Overflow{};
    }
    return v;
}

std::int64_t round16(double v) {
    if (!std::isfinite(v)) {
        throw Overflow{};
    }
    return checked(static_cast<std::int64_t>(std::nearbyint(v)));
}

std::int64_t roundWide(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

struct Env {
    std::vector<std::int64_t> u = std::vector<std::int64_t>(501);
    std::vector<std::int64_t> l = std::vector<std::int64_t>(501);
    std::int64_t ripple = 0, level = 0;
};

Env envelope(const std::vector<std::int64_t>& x, std::int64_t seed) {
    Env e;
    e.u[0] = e.u[1] = e.l[0] = e.l[1] = seed;
    std::int64_t rs = 0, ls = 0, n = 0;
    for (int i = 2; i <= 498; ++i) {
        e.u[i] = e.u[i - 1];
        e.l[i] = e.l[i - 1];
        if (x[i] < x[i - 1] && x[i] < x[i + 1])
            e.l[i] = x[i];
        if (x[i] > x[i - 1] && x[i] > x[i + 1])
            e.u[i] = x[i];
        rs += e.u[i] - e.l[i];
        ls += x[i];
        ++n;
    }
    e.ripple = roundWide(static_cast<double>(rs) / n);
    e.level = roundWide(static_cast<double>(ls) / n);
    return e;
}

double windowMean(const Env& e, int u) {
    double sum = 0;
    const int first = u < 30 ? u + 1 : u - 30;
    for (int j = first; j < first + 30; ++j)
        sum += static_cast<double>(e.u[j]);
    return static_cast<double>(roundWide(sum / 30));
}

}  // namespace

ReferenceOutcome referenceDetect(SampleBlock& block, int channel, double snr, int method,
                                 const std::array<std::int16_t, 501>& thresholdTrace,
                                 const std::array<std::int16_t, 501>& eventTrace) {
    ReferenceOutcome out;
    out.thresholdTrace = thresholdTrace;
    out.eventTrace = eventTrace;
    out.marks.assign(500, '0');
    std::vector<std::int64_t> x(500);
    for (int i = 0; i < 500; ++i)
        x[i] = block.at(channel, i);
    try {
        Env e = envelope(x, x[1]);
        double m =
            e.level > 0 ? (1 - static_cast<double>(e.level - e.ripple) / e.level) * 100 * snr : snr;
        double k = m + 1;
        if (k < 1)
            k = 1;
        std::vector<std::int64_t> c(500);
        for (int u = 0; u < 500; ++u) {
            const double w = windowMean(e, u);
            if (u < 4) {
                c[u] = round16((k + 100) / 100 * w);
            } else {
                double s = (k + 100) * w / 100;
                s += static_cast<double>(c[u - 3]);
                s += static_cast<double>(c[u - 1]);
                s += static_cast<double>(c[u - 2]);
                c[u] = round16(s / 4);
            }
            if (x[u] > c[u]) {
                x[u] = c[u];
                block.at(channel, u) = static_cast<std::int16_t>(c[u]);
            }
        }
        e = envelope(x, x[2]);
        if (e.level > 0 && e.ripple < e.level) {
            m = (1 - static_cast<double>(e.level - e.ripple) / e.level) * 100 * snr;
        } else {
            m = snr;
        }
        k = m + 1;
        if (k < 1)
            k = 1;
        std::int64_t noise = checked(e.ripple);
        if (noise < 5)
            noise = 5;

        if (method == 2) {
            std::vector<double> a(500), b(500);
            for (int u = 0; u < 500; ++u) {
                std::int64_t lo = 9999;
                const int first = u < 449 ? u : u - 49;
                for (int j = first; j <= first + 49; ++j)
                    lo = x[j] < lo ? x[j] : lo;
                a[u] = static_cast<double>(lo);
            }
            for (int u = 0; u < 500; ++u) {
                double s = 0;
                const int first = u < 449 ? u : u - 49;
                for (int j = first; j <= first + 49; ++j)
                    s += a[j];
                a[u] = s / 50;
            }
            for (int u = 0; u < 500; ++u)
                a[u] = static_cast<double>(x[u]) - a[u];
            for (int u = 0; u < 500; ++u) {
                double s = 0;
                const int first = u <= 488 ? u : u - 9;
                for (int j = first; j <= first + 9; ++j)
                    s += a[j];
                b[u] = s / 10;
            }
            bool falling = true;
            int r = 0;
            std::int64_t ref = 0;
            for (int u = 1; u < 500; ++u) {
                if (b[u] > b[u - 1]) {
                    if (falling) {
                        falling = false;
                        r = 0;
                        ref = roundWide(b[u]);
                    } else {
                        ++r;
                    }
                } else if (b[u] < b[u - 1]) {
                    if (!falling) {
                        falling = true;
                        r = 0;
                        ref = roundWide(b[u]);
                    } else {
                        ++r;
                    }
                }
                if (std::fabs(static_cast<double>(ref) - b[u]) > static_cast<double>(noise) &&
                    r == 10) {
                    ++out.count;
                    out.marks[u] = '1';
                }
                out.thresholdTrace[u] =
                    static_cast<std::int16_t>(round16(b[u] - static_cast<double>(noise)));
            }
        } else if (method == 0 || method == 1) {
            std::vector<std::int64_t> t(500);
            bool flag = false;
            int counter = 0;
            for (int u = 0; u < 500; ++u) {
                const double w = windowMean(e, u);
                if (u < 4) {
                    t[u] = round16((100 - 1.75 * k) / 100 * w);
                } else {
                    const std::int64_t three = checked(checked(t[u - 2] + t[u - 1]) + t[u - 3]);
                    t[u] = round16((static_cast<double>(three) + w * (100 - k) / 100) / 4);
                }
                out.thresholdTrace[u] = static_cast<std::int16_t>(t[u]);
                bool counted = false;
                if (method == 0) {
                    if (x[u] < t[u])
                        flag = true;
                    if (counter == 30 && flag) {
                        counted = true;
                        flag = false;
                    }
                    counter = counter == 30 ? 1 : counter + 1;
                } else {
                    if (x[u] < t[u] && !flag) {
                        counted = true;
                        flag = true;
                    }
                    if (x[u] > t[u])
                        flag = false;
                }
                if (counted) {
                    ++out.count;
                    out.eventTrace[u] = -1;
                    out.marks[u] = '1';
                }
            }
        } else if (method == 3) {
            std::vector<std::int64_t> d(500);
            bool flag = false;
            for (int u = 0; u < 500; ++u) {
                const double w = windowMean(e, u);
                if (u < 4) {
                    d[u] = round16(w * snr);
                } else {
                    d[u] = round16((static_cast<double>(d[u - 2] + d[u - 1] + d[u - 3]) + w * snr) /
                                   4);
                }
                out.thresholdTrace[u] = static_cast<std::int16_t>(d[u]);
                if (u >= 1) {
                    const double a = static_cast<double>(x[u - 1] + x[u]) / 2;
                    if (a < static_cast<double>(d[u]) && !flag) {
                        ++out.count;
                        out.eventTrace[u] = -1;
                        out.marks[u] = '1';
                        flag = true;
                    }
                    if (a > static_cast<double>(d[u]))
                        flag = false;
                }
            }
        }
    } catch (const Overflow&) {
        out.overflow = true;
    }
    return out;
}

}  // namespace qv::testing

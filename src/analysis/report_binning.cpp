#include "analysis/report_binning.h"

#include <algorithm>
#include <numeric>

#include "common/rounding.h"

namespace qv {

namespace {

// Two stamp-limited runs of one-minute bins; more than that is no run the format can hold.
constexpr std::int64_t kMostBins = 65536;

// num / den to the nearest integer, ties to even, exactly (den > 0, num >= 0 or < 0).
std::int64_t roundRatio(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q % 2 != 0))) {
        ++q;
    }
    return q;
}

// sum x last / fiftyT without overflow: sum is split by the reduced denominator first.
std::int64_t roundedShare(std::int64_t sum, std::int64_t last, std::int64_t fiftyT) {
    const std::int64_t g = std::gcd(last, fiftyT);
    const std::int64_t num = last / g;
    const std::int64_t den = fiftyT / g;
    const std::int64_t whole = sum / den;
    const std::int64_t part = sum % den;
    return whole * num + roundRatio(part * num, den);
}

// Step intervals of the 0.02-minute walk. The first record (and the first bin) keeps its step
// at clock 0 and then the same steps as every later one, because a clock that is reset is
// advanced at once; counting whole steps keeps this exact over a week of records.
struct StepPlan {
    std::int64_t firstLength;
    std::int64_t length;
    std::int64_t start(std::int64_t i) const { return i == 0 ? 0 : firstLength + (i - 1) * length; }
    std::int64_t end(std::int64_t i) const { return start(i + 1); }
};

struct Accumulator {
    std::vector<std::array<std::int64_t, kChannels>> sums;
    std::vector<std::int16_t> temperature;
    std::vector<std::int32_t> samples;
    explicit Accumulator(std::size_t bins) : sums(bins), temperature(bins, 0), samples(bins, 0) {
        for (auto& s : sums) {
            s.fill(0);
        }
    }
};

void addRecord(Accumulator& acc, std::size_t bin, const ActivityRecord& rec, std::int64_t weight) {
    for (int c = 0; c < kChannels; ++c) {
        acc.sums[bin][c] += rec.counts[c] * weight;
    }
    if (rec.temperature >= 1) {
        acc.temperature[bin] = rec.temperature;
    }
}

// Spreads every record over the steps it lasts; the last record only marks the end.
Accumulator spreadRegular(const std::vector<ActivityRecord>& records, std::int64_t largestTime,
                          std::int64_t bin, std::int64_t n) {
    const auto last = static_cast<std::int64_t>(records.size()) - 1;
    const std::int64_t recordSteps = (50 * largestTime + last - 1) / last;  // ceil(r / 0.02)
    const StepPlan rec{recordSteps + 1, recordSteps};
    const StepPlan bins{50 * bin + 1, 50 * bin};
    const std::int64_t stop = std::min(rec.start(last), bins.start(n + 1));
    Accumulator acc(static_cast<std::size_t>(n + 2));
    std::int64_t r = 0;
    std::int64_t b = 0;
    while (r < last && b <= n) {
        const std::int64_t from = std::max(rec.start(r), bins.start(b));
        const std::int64_t to = std::min({rec.end(r), bins.end(b), stop});
        if (to > from) {
            addRecord(acc, static_cast<std::size_t>(b), records[r], to - from);
        }
        if (rec.start(r) >= bins.start(b) && rec.start(r) < bins.end(b) && rec.start(r) < stop) {
            ++acc.samples[static_cast<std::size_t>(b)];
        }
        if (rec.end(r) <= bins.end(b)) {
            ++r;
        } else {
            ++b;
        }
    }
    return acc;
}

// Each record's whole count goes to the current bin, which moves on at most once per record.
Accumulator collectIrregular(const std::vector<ActivityRecord>& records, std::int64_t bin,
                             std::int64_t n) {
    Accumulator acc(static_cast<std::size_t>(n + 2));
    std::int64_t b = 0;
    for (const auto& rec : records) {
        addRecord(acc, static_cast<std::size_t>(b), rec, 1);
        ++acc.samples[static_cast<std::size_t>(b)];
        if (rec.time / bin > b && b < n + 1) {
            ++b;
        }
    }
    return acc;
}

void output(BinnedRecords& out, const Accumulator& acc, std::int64_t n, std::int64_t last,
            std::int64_t largestTime) {
    for (std::int64_t i = 0; i < n; ++i) {
        const auto bi = static_cast<std::size_t>(i);
        out.time.push_back(static_cast<std::int32_t>(out.bin * (i + 1)));
        out.temperature.push_back(acc.temperature[bi]);
        out.samples.push_back(acc.samples[bi]);
        std::array<std::int32_t, kChannels> row{};
        for (int c = 0; c < kChannels; ++c) {
            const std::int64_t v = out.irregular
                                       ? acc.sums[bi][c]
                                       : roundedShare(acc.sums[bi][c], last, 50 * largestTime);
            row[c] = static_cast<std::int32_t>(v);
        }
        out.counts.push_back(row);
    }
}

// A tail of three quarters of a bin or more is scaled up to a whole bin; a shorter one is
// dropped.
void applyCoverage(BinnedRecords& out, std::int64_t n) {
    const std::int64_t bin = out.bin;
    const std::int64_t rem = out.largestTime % bin;
    if (rem > 0 && 4 * rem >= 3 * bin) {
        for (auto& v : out.counts[static_cast<std::size_t>(n - 1)]) {
            v = static_cast<std::int32_t>(roundRatio(std::int64_t{v} * (2 * bin - rem), bin));
        }
        out.largestTime = static_cast<std::int32_t>(n * bin);
    } else if (rem > 0) {
        out.largestTime = static_cast<std::int32_t>(out.largestTime / bin * bin);
    }
}

}  // namespace

std::int32_t correctedBinSize(std::int32_t requested, std::int32_t duration) {
    std::int32_t bin = std::max(requested, 1);
    if (duration < bin) {
        bin = duration > 30 ? duration / 15 * 15 : duration;
    }
    return bin;
}

bool recordsAreIrregular(const std::vector<ActivityRecord>& records) {
    if (records.size() < 2) {
        return false;
    }
    std::int64_t p = std::int64_t{records[1].time} - records[0].time;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].time < records[i - 1].time) {
            continue;
        }
        const std::int64_t d = std::int64_t{records[i].time} - records[i - 1].time;
        if (d != 0 && p != 0 && d >= 2 * p) {
            return true;
        }
        p = d;
    }
    return false;
}

BinnedRecords binRecords(const std::vector<ActivityRecord>& records, std::int32_t largestTime,
                         std::int32_t bin) {
    BinnedRecords out;
    out.bin = bin;
    out.largestTime = largestTime;
    if (bin < 1 || largestTime < 1 || records.size() < 2) {
        return out;
    }
    const std::int64_t n = roundHalfEven(static_cast<double>(largestTime) / bin);
    if (n > kMostBins) {
        return out;
    }
    const auto last = static_cast<std::int64_t>(records.size()) - 1;
    out.irregular = recordsAreIrregular(records);
    const Accumulator acc = out.irregular ? collectIrregular(records, bin, n)
                                          : spreadRegular(records, largestTime, bin, n);
    output(out, acc, n, last, largestTime);
    if (n > 0) {
        applyCoverage(out, n);
    }
    out.lastBin = static_cast<int>(roundHalfEven(static_cast<double>(out.largestTime) / bin)) - 1;
    const auto kept = static_cast<std::size_t>(std::max(out.lastBin + 1, 0));
    out.time.resize(std::min(kept, out.time.size()));
    out.counts.resize(out.time.size());
    out.temperature.resize(out.time.size());
    out.samples.resize(out.time.size());
    return out;
}

}  // namespace qv

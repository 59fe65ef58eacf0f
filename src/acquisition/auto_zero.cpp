#include "acquisition/auto_zero.h"

#include <vector>

#include "acquisition/block_reply.h"
#include "common/rounding.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kBlocks = 64;
constexpr int kFirstSample = 10;
constexpr double kLowestThreshold = 1.8;
// Replies in a row that bring no byte at all: the instrument is not there. Four such replies
// are ten seconds of a silent line; a lone lost reply is only ignored.
constexpr int kSilentReplies = 4;

}  // namespace

RippleAndLevel rippleAndLevel(std::span<const std::int16_t> samples) {
    const int n = static_cast<int>(samples.size());
    if (n <= kFirstSample + 2) {
        return {};
    }
    auto at = [&](int j) {
        return static_cast<std::int64_t>(samples[static_cast<std::size_t>(j)]);
    };
    std::int64_t upper = at(kFirstSample);
    std::int64_t lower = upper;
    std::int64_t rippleSum = 0;
    std::int64_t levelSum = 0;
    int count = 0;
    for (int j = kFirstSample + 1; j <= n - 2; ++j) {
        if (at(j) < at(j - 1) && at(j) < at(j + 1)) {
            lower = at(j);
        }
        if (at(j) > at(j - 1) && at(j) > at(j + 1)) {
            upper = at(j);
        }
        rippleSum += upper - lower;
        levelSum += at(j);
        ++count;
    }
    return {static_cast<int>(roundHalfEven(static_cast<double>(rippleSum) / count)),
            static_cast<int>(roundHalfEven(static_cast<double>(levelSum) / count))};
}

double zeroThreshold(const RippleAndLevel& r, double snr) {
    double m = 0;
    if (r.level >= 1) {
        m = (1.0 - static_cast<double>(r.level - r.ripple) / r.level) * 100.0 * snr;
    }
    const double threshold = m + 1;
    return threshold < kLowestThreshold ? kLowestThreshold : threshold;
}

AutoZeroResult AutoZero::run() {
    AutoZeroResult r;
    const AppState& st = care_.state;
    r.samples = st.autoCalibration && st.autoZero ? 30 : 100;
    status_.show("AutoZero Calculation .... <000>");
    status_.clearBar(r.samples);
    emptyInARow_ = 0;
    SampleBlock block(r.samples);
    if (!st.link.offline && !warmUp()) {
        return silent(r);
    }
    for (int s = 0; s < r.samples; ++s) {
        if (!sample(block, s)) {
            return silent(r);
        }
        status_.show("AutoZero... <" + std::to_string(s) + ">");
        status_.bar(s);
        if ((s + 1) % 10 == 0) {
            care_.ui.processEvents();
            if (care_.state.runState == 0) {
                r.stopped = true;
                return r;
            }
        }
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(r.samples));
    for (int c = 0; c < kChannels; ++c) {
        for (int s = 0; s < r.samples; ++s) {
            samples[static_cast<std::size_t>(s)] = block.at(c, s);
        }
        const RippleAndLevel rl = rippleAndLevel(samples);
        r.channels[static_cast<std::size_t>(c)] = rl;
        care_.store.setup().channelThreshold[static_cast<std::size_t>(c)] =
            zeroThreshold(rl, st.snrThreshold);
    }
    r.applied = true;
    return r;
}

AutoZeroResult& AutoZero::silent(AutoZeroResult& r) {
    r.silent = true;
    care_.ui.message(kCommunicationError);
    return r;
}

bool AutoZero::warmUp() {
    for (int b = 0; b < kBlocks; ++b) {
        if (!heard(care_.com.blockRead(b, device::reg::kAcquisitionBlockBytes))) {
            return false;
        }
    }
    return true;
}

bool AutoZero::heard(const device::Bytes& reply) {
    emptyInARow_ = reply.empty() ? emptyInARow_ + 1 : 0;
    return emptyInARow_ < kSilentReplies;
}

// One sample of every channel, read as the acquisition cycle reads a tick: a block that comes
// back short or fails a check is left out, so its channels keep what the other reads of the
// same sample put there. False once the instrument has stopped answering.
bool AutoZero::sample(SampleBlock& block, int s) {
    for (int b = 0; b < kBlocks; ++b) {
        const device::Bytes reply = care_.com.blockRead(b, device::reg::kAcquisitionBlockBytes);
        if (!heard(reply)) {
            return false;
        }
        const BlockReply decoded = decodeBlockReply(reply);
        if (decoded.good) {
            storeBlockReply(block, b, s, decoded);
        }
    }
    return true;
}

}  // namespace qv

// The block sweep on two cores gives exactly the counts and the clipped block of one sweep.
#include "analysis/parallel_detection.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <stdexcept>
#include <vector>

#include "support/model_block.h"

namespace qv {
namespace {

std::vector<std::int16_t> everyBeam() {
    std::vector<std::int16_t> channels(SampleBlock::kBeams);
    std::iota(channels.begin(), channels.end(), std::int16_t{0});
    return channels;
}

struct Swept {
    SampleBlock block;
    std::vector<std::int16_t> counts;
    std::string error;
};

template <class Detector>
Swept sweep(Detector& detector, SampleBlock block, const std::vector<std::int16_t>& channels,
            std::int16_t method) {
    Swept out{std::move(block), std::vector<std::int16_t>(channels.size(), -7), {}};
    try {
        if constexpr (std::is_same_v<Detector, ActivityDetector>) {
            detector.DetectActivityBlock(out.block, channels, 1.8, method, out.counts);
        } else {
            detector.detect(out.block, channels, 1.8, method, out.counts);
        }
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

TEST(ParallelDetection, TwoHalvesGiveTheCountsAndClippingOfOneSweep) {
    ParallelBlockDetector split(2);
    ParallelBlockDetector single(1);
    ASSERT_TRUE(split.split());
    ASSERT_FALSE(single.split());
    ActivityDetector reference;
    // Every beam, and a scattered list out of order, over several blocks in turn (the worker
    // is handed one half after another).
    std::vector<std::int16_t> scattered;
    for (int c = 383; c >= 0; c -= 3) {
        scattered.push_back(static_cast<std::int16_t>(c));
    }
    for (const auto& channels : {everyBeam(), scattered}) {
        for (std::uint32_t seed = 1; seed <= 4; ++seed) {
            for (const std::int16_t method : {std::int16_t{0}, std::int16_t{1}}) {
                SCOPED_TRACE(::testing::Message() << "seed " << seed << " method " << method
                                                  << " channels " << channels.size());
                const SampleBlock block = testing::modelBlock(seed);
                const Swept want = sweep(reference, block, channels, method);
                ASSERT_TRUE(want.error.empty()) << want.error;
                for (ParallelBlockDetector* d : {&split, &single}) {
                    const Swept got = sweep(*d, block, channels, method);
                    EXPECT_TRUE(got.error.empty()) << got.error;
                    EXPECT_EQ(got.counts, want.counts);
                    EXPECT_TRUE(got.block == want.block) << "the clipped samples differ";
                }
            }
        }
    }
}

TEST(ParallelDetection, AChannelListedTwiceIsRefusedBeforeAnythingIsTouched) {
    ParallelBlockDetector split(2);
    std::vector<std::int16_t> channels = everyBeam();
    channels.back() = 3;  // in the second half, and already in the first
    const SampleBlock block = testing::modelBlock(9);
    const Swept got = sweep(split, block, channels, 1);
    EXPECT_NE(got.error.find("channel 3 listed twice"), std::string::npos) << got.error;
    EXPECT_TRUE(got.block == block);
    std::vector<std::int16_t> tooFew(10);
    SampleBlock b = block;
    EXPECT_THROW(split.detect(b, everyBeam(), 1.8, 1, tooFew), std::invalid_argument);
}

// A wild channel in the worker's half fails the sweep there; the failure reaches the caller,
// after which the detector goes on serving blocks.
TEST(ParallelDetection, AFailureOnTheWorkersHalfIsThrownToTheCaller) {
    ParallelBlockDetector split(2);
    ActivityDetector reference;
    std::mt19937 rng(5);
    int failures = 0;
    for (int round = 0; round < 12; ++round) {
        SampleBlock block = testing::modelBlock(static_cast<std::uint32_t>(round + 1));
        const int wild = 300 + round;
        for (int s = 0; s < block.samplesPerChannel(); ++s) {
            block.at(wild, s) =
                static_cast<std::int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(rng));
        }
        const Swept want = sweep(reference, block, everyBeam(), 1);
        const Swept got = sweep(split, block, everyBeam(), 1);
        EXPECT_EQ(got.error, want.error) << "round " << round;
        if (!want.error.empty()) {
            ++failures;
            EXPECT_NE(got.error.find("channel " + std::to_string(wild)), std::string::npos);
        }
    }
    EXPECT_GT(failures, 3) << "the wild channels should mostly overflow";
    const SampleBlock block = testing::modelBlock(3);
    EXPECT_EQ(sweep(split, block, everyBeam(), 1).counts,
              sweep(reference, block, everyBeam(), 1).counts);
}

}  // namespace
}  // namespace qv

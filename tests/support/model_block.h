#pragma once

#include <cstdint>
#include <random>

#include "analysis/sample_block.h"

namespace qv::testing {

// The light of every beam over one block, from a seeded model: each beam at its own level
// with a little noise; in about a third of the beams an animal crosses now and then (a dip of
// a few samples), and now and then a spike far above the level. Tests and benchmarks share it,
// so the figures of one are measured on the blocks the other checks.
inline SampleBlock modelBlock(std::uint32_t seed, int rtBuffer = SampleBlock::kDefaultRtBuffer) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> level(1500, 3500), noise(-12, 12), percent(0, 999);
    SampleBlock block(rtBuffer);
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        const int base = level(rng);
        const bool animal = c % 3 == 0;
        int dip = 0;
        for (int s = 0; s < block.rtBuffer(); ++s) {
            if (animal && dip == 0 && percent(rng) < 15) {
                dip = 4 + percent(rng) % 12;
            }
            int v = base + noise(rng);
            if (dip > 0) {
                v = v / 2;
                --dip;
            } else if (percent(rng) == 0) {
                v = base * 2;
            }
            block.at(c, s) = static_cast<std::int16_t>(v);
        }
    }
    return block;
}

}  // namespace qv::testing

#include "acquisition/block_reply.h"

#include <algorithm>
#include <bit>

namespace qv {

namespace {

constexpr std::uint8_t kParityBit = 0x80;
constexpr int kHighestHighPart = 15;

// Channel n of the read's first bank for group m; the same offset in the other banks.
int firstChannel(int readIndex, int group) {
    return (2 * readIndex + 2 * group) % kBankChannels;
}

}  // namespace

BlockReply decodeBlockReply(std::span<const std::uint8_t> reply) {
    BlockReply out;
    if (reply.size() != static_cast<std::size_t>(kBlockReplyBytes)) {
        out.shortReply = true;
        return out;
    }
    for (int i = 0; i < kBlockReplyValues; ++i) {
        const std::uint8_t high = reply[static_cast<std::size_t>(2 * i)];
        const std::uint8_t low = reply[static_cast<std::size_t>(2 * i + 1)];
        int highPart = high & 0x7F;
        if (highPart > kHighestHighPart) {
            highPart = kHighestHighPart;
            out.pairFailed = true;
        }
        const int ones = std::popcount(low) + std::popcount(static_cast<unsigned>(high & 0x0F));
        const bool paritySet = (high & kParityBit) != 0;
        if ((ones % 2 == 1) != paritySet) {
            out.pairFailed = true;
        }
        out.values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(highPart * 256 + low);
    }
    out.good = !out.pairFailed;
    return out;
}

int readIndexStep(std::string_view plateFormat) {
    return plateFormat == "w96" || plateFormat == "w96u" ? 16 : 8;
}

void storeBlockReply(SampleBlock& block, int readIndex, int sample, const BlockReply& reply) {
    for (int m = 0; m < kBlockReplyGroups; ++m) {
        const int n = firstChannel(readIndex, m);
        for (int bank = 0; bank < kBanks; ++bank) {
            const std::int16_t v = reply.values[static_cast<std::size_t>(3 * m + bank)];
            block.at(n + bank * kBankChannels, sample) = v < 0 ? std::int16_t{0} : v;
            block.at(n + 1 + bank * kBankChannels, sample) = 0;
        }
    }
}

void holdBlockRead(SampleBlock& block, int readIndex, int sample) {
    if (sample < 2) {
        return;
    }
    const int first = firstChannel(readIndex, 0);
    for (int bank = 0; bank < kBanks; ++bank) {
        for (int k = 0; k < kChannelsPerRead; ++k) {
            const int channel = (first + k) % kBankChannels + bank * kBankChannels;
            block.at(channel, sample) = block.at(channel, sample - 1);
        }
    }
}

std::optional<std::array<std::int16_t, kServiceReplyValues>> decodeServiceReply(
    std::span<const std::uint8_t> reply) {
    if (reply.size() != static_cast<std::size_t>(kServiceReplyBytes)) {
        return std::nullopt;
    }
    std::array<std::int16_t, kServiceReplyValues> values{};
    for (int i = 0; i < kServiceReplyValues; ++i) {
        const int high = std::min<int>(reply[static_cast<std::size_t>(2 * i)], kHighestHighPart);
        values[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(high * 256 + reply[static_cast<std::size_t>(2 * i + 1)]);
    }
    return values;
}

int serviceReplyChannel(int readIndex, int valueIndex) {
    const int k = valueIndex / kBanks;
    const int bank = valueIndex % kBanks;
    return (readIndex + k) % kBankChannels + bank * kBankChannels;
}

}  // namespace qv

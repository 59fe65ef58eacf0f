#include "acquisition/block_reply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace qv {
namespace {

// A pair as the instrument sends it: the parity bit set when the value has an odd number of
// one bits.
void pushValue(std::vector<std::uint8_t>& bytes, int value) {
    auto high = static_cast<std::uint8_t>(value >> 8);
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    if (std::popcount(static_cast<unsigned>(value)) % 2 == 1) {
        high |= 0x80;
    }
    bytes.push_back(high);
    bytes.push_back(low);
}

std::vector<std::uint8_t> replyOf(int first) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < kBlockReplyValues; ++i) {
        pushValue(bytes, first + i);
    }
    return bytes;
}

TEST(BlockReplyDecode, GoodReplyGivesTwentyFourValues) {
    const auto bytes = replyOf(4072);  // up to 4095, the largest 12-bit value
    const BlockReply r = decodeBlockReply(bytes);
    ASSERT_TRUE(r.good);
    for (int i = 0; i < kBlockReplyValues; ++i) {
        EXPECT_EQ(r.values[static_cast<std::size_t>(i)], 4072 + i);
    }
}

TEST(BlockReplyDecode, ParityAndRangeFaultsMarkTheReplyBad) {
    auto bytes = replyOf(1000);
    // 1000 = 0x3E8 has six one bits: parity clear is right, so set it wrongly.
    bytes[0] |= 0x80;
    EXPECT_FALSE(decodeBlockReply(bytes).good);
    EXPECT_TRUE(decodeBlockReply(bytes).pairFailed);

    // Parity clear with an odd number of one bits, although the value is in range.
    bytes = replyOf(1000);
    bytes[2] = 0x03;  // value 1001 = 0x3E9 has seven one bits
    bytes[3] = 0xE9;
    const BlockReply odd = decodeBlockReply(bytes);
    EXPECT_FALSE(odd.good);
    EXPECT_EQ(odd.values[1], 1001);

    // A high part above 15 is clamped and the reply is bad.
    bytes = replyOf(1000);
    bytes[4] = 0x10;  // high part 16; no one bits in bits 0..3 and the low byte: parity clear
    bytes[5] = 0x00;
    const BlockReply high = decodeBlockReply(bytes);
    EXPECT_FALSE(high.good);
    EXPECT_EQ(high.values[2], 15 * 256);
}

TEST(BlockReplyDecode, AnyOtherLengthIsAShortReply) {
    auto bytes = replyOf(10);
    bytes.pop_back();
    const BlockReply r = decodeBlockReply(bytes);
    EXPECT_FALSE(r.good);
    EXPECT_TRUE(r.shortReply);
    EXPECT_FALSE(decodeBlockReply({}).good);
    bytes = replyOf(10);
    bytes.push_back(0);
    EXPECT_FALSE(decodeBlockReply(bytes).good);
}

TEST(BlockReplySpreading, ReadsCoverEveryChannelOnceAPass) {
    for (const char* format : {"w384", "w96f", "w96", "w96u"}) {
        const int step = readIndexStep(format);
        SampleBlock block(500);
        block.fill(-1);
        BlockReply reply;
        reply.good = true;
        for (int m = 0; m < kBlockReplyGroups; ++m) {
            for (int bank = 0; bank < kBanks; ++bank) {
                reply.values[static_cast<std::size_t>(3 * m + bank)] =
                    static_cast<std::int16_t>(100 + bank);
            }
        }
        int reads = 0;
        for (int r = 0; r < 64; r += step, ++reads) {
            storeBlockReply(block, r, 7, reply);
        }
        EXPECT_EQ(reads, step == 16 ? 4 : 8) << format;
        int lit = 0;
        int zeroed = 0;
        for (int c = 0; c < SampleBlock::kBeams; ++c) {
            const int v = block.at(c, 7);
            if (v == 100 + c / kBankChannels) {
                ++lit;
                EXPECT_EQ(c % 2, 0) << format << " channel " << c;
            } else if (v == 0) {
                ++zeroed;
            }
        }
        // Every read lights 8 channels of each bank and zeroes their neighbours.
        EXPECT_EQ(lit, reads * kBlockReplyGroups * kBanks) << format;
        EXPECT_EQ(zeroed, lit) << format;
        EXPECT_EQ(block.at(0, 6), -1) << "other samples untouched";
    }
}

TEST(BlockReplySpreading, BadReadHoldsOnlyItsOwnChannelsFromSampleTwoOn) {
    SampleBlock block(500);
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        block.at(c, 1) = static_cast<std::int16_t>(c);
        block.at(c, 2) = -5;
        block.at(c, 0) = -7;
    }
    holdBlockRead(block, 8, 2);
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        const int inBank = c % kBankChannels;
        const bool covered = inBank >= 16 && inBank < 32;
        EXPECT_EQ(block.at(c, 2), covered ? c : -5) << "channel " << c;
    }
    // At sample 0 or 1 a bad read leaves the channels as they were.
    holdBlockRead(block, 8, 0);
    holdBlockRead(block, 8, 1);
    EXPECT_EQ(block.at(16, 0), -7);
    EXPECT_EQ(block.at(16, 1), 16);
}

TEST(ServiceReply, NinetySixValuesCappedAndSpreadOverTheThreeBanks) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < kServiceReplyValues; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i == 5 ? 0xFF : i % 16));
        bytes.push_back(static_cast<std::uint8_t>(i));
    }
    const auto values = decodeServiceReply(bytes);
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ((*values)[3], 3 * 256 + 3);
    EXPECT_EQ((*values)[5], 15 * 256 + 5) << "high byte capped at 15";
    bytes.pop_back();
    EXPECT_FALSE(decodeServiceReply(bytes).has_value());

    // Read 96: values 0, 1, 2 are channels 96, 224, 352; value 95 is channel 127 + 256.
    EXPECT_EQ(serviceReplyChannel(96, 0), 96);
    EXPECT_EQ(serviceReplyChannel(96, 1), 224);
    EXPECT_EQ(serviceReplyChannel(96, 2), 352);
    EXPECT_EQ(serviceReplyChannel(96, 95), 383);
    std::vector<int> seen(SampleBlock::kBeams, 0);
    for (int b = 0; b < kBankChannels; b += kServiceReplyGroups) {
        for (int i = 0; i < kServiceReplyValues; ++i) {
            ++seen[static_cast<std::size_t>(serviceReplyChannel(b, i))];
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), SampleBlock::kBeams);
}

}  // namespace
}  // namespace qv

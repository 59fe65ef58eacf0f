#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "analysis/sample_block.h"

namespace qv {

// The acquisition form of a block read: 48 bytes, 24 light values in 8 groups of three. Group m
// of read index r carries one value for channel 2r + 2m of each bank of 128 channels; the
// channel after it in each bank (2r + 2m + 1) has no light of its own in this form.
inline constexpr int kBlockReplyBytes = 48;
inline constexpr int kBlockReplyValues = 24;
inline constexpr int kBlockReplyGroups = 8;
inline constexpr int kBankChannels = 128;
inline constexpr int kBanks = 3;
// Channels of one bank a read covers: the even channels it measures and the odd ones it zeroes.
inline constexpr int kChannelsPerRead = 2 * kBlockReplyGroups;

struct BlockReply {
    std::array<std::int16_t, kBlockReplyValues> values{};  // 0..4095 each
    // 48 bytes arrived and every value pair passed its parity and range checks.
    bool good = false;
    // Why a reply is bad: it came back short (or long), or a pair failed a check.
    bool shortReply = false;
    bool pairFailed = false;
};

// Decodes one reply. Each pair is a high byte (bit 7 the parity bit, bits 0..6 the high part,
// at most 15) and a low byte; the one bits of the low byte and of bits 0..3 of the high byte
// must be odd when the parity bit is set and even when it is clear. A high part above 15 is
// clamped to 15 and marks the reply bad. Value = high part x 256 + low byte.
BlockReply decodeBlockReply(std::span<const std::uint8_t> reply);

// The step between the read indices of one pass: the 96-well formats "w96" and "w96u" read
// indices 0, 16, 32, 48; every other format 0, 8, ..., 56.
int readIndexStep(std::string_view plateFormat);

// A good reply into column `sample`: channel n = 2r + 2m of each bank (plus 0, 128, 256) gets
// its value and n + 1 gets 0.
void storeBlockReply(SampleBlock& block, int readIndex, int sample, const BlockReply& reply);

// A bad read from sample 2 on: the channels the read would have written (2r .. 2r + 15 of each
// bank) repeat their previous sample. Earlier in a block there is no previous sample of this
// block, so the channels keep what they held.
void holdBlockRead(SampleBlock& block, int readIndex, int sample);

// The service form of a block read (calibration, self-test, maintenance): 192 bytes, 96 values
// without parity. Value 3k + j of the read at index b belongs to channel b + k of bank j
// (k = 0..31, j = 0..2).
inline constexpr int kServiceReplyBytes = 192;
inline constexpr int kServiceReplyValues = 96;
inline constexpr int kServiceReplyGroups = 32;

// Nullopt unless the reply holds 192 bytes. Each pair is a high byte capped at 15 and a low
// byte: value = high x 256 + low.
std::optional<std::array<std::int16_t, kServiceReplyValues>> decodeServiceReply(
    std::span<const std::uint8_t> reply);

// The channel value i (0..95) of a service reply to the read at index b belongs to.
int serviceReplyChannel(int readIndex, int valueIndex);

}  // namespace qv

#pragma once

namespace qv::detail {

// The sample ranges shared by every form of the detection steps (one channel, double lanes,
// integer lanes).
inline constexpr int kSamples = 500;      // detection works on samples 0..499
inline constexpr int kEnvelopeFirst = 2;  // envelope passes run over i = 2..498
inline constexpr int kEnvelopeLast = 498;
inline constexpr int kEnvelopeCount = kEnvelopeLast - kEnvelopeFirst + 1;  // 497
inline constexpr int kWindow = 30;  // upper-envelope window of the clip and threshold lines

}  // namespace qv::detail

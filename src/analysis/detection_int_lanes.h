#pragma once

#include <cstdint>

#include "analysis/sample_block.h"

namespace qv::detail {

// The two halves of the methods 0 and 1 sweep in 32-bit integer lanes: sixteen channels at a
// time, with doubles only where a line value is scaled by the margin.
//
// Why integers give the very same lines. The clip line adds three earlier 16-bit values to
// A = (k + 100) x W / 100, the threshold line adds three to B = W x (100 - k) / 100, and both
// divide by 4 and round. Write A as its floor a plus a fraction f. While every value stays
// below 2^20 in size, the double sums keep f to within 2^-31, so the result depends on f only
// through whether it is 0 or lies strictly between 0 and 1:
//   - f = 0: the sum n is an integer, and n / 4 rounded half to even is
//     (n + 1 + ((n >> 2) & 1)) >> 2;
//   - 0 < f < 1: (n + f) / 4 is never a tie, and its nearest integer is (n + 2) >> 2.
// A fraction within 2^-28 of 0 or 1 that is not exactly 0, or a value of 2^19 or more, is
// left to the double path. With light levels below 9999 and a margin of a few percent only
// exactly integral values (a flat signal) come that close, and those stay here; anything else
// is a chance of about 2^-27 per value.
// The instruction sets the integer lanes are built for, in increasing order: eight lanes with
// the baseline or AVX2, sixteen with AVX-512.
enum class LaneIsa { Baseline, Avx2, Avx512 };
LaneIsa bestLaneIsa();  // the best this processor runs

// What a half of the sweep returns: done, a lane outside the proven range (nothing in the
// block changed, the double lanes take over), or else the first lane, 0..n-1, whose 16-bit
// arithmetic failed.
inline constexpr int kLanesDone = -1;
inline constexpr int kLanesOutOfRange = -2;

struct IntLaneWorkspace;
IntLaneWorkspace* newIntLaneWorkspace();  // set up for bestLaneIsa()
void deleteIntLaneWorkspace(IntLaneWorkspace* w);
// Runs the lanes on another instruction set, one the processor has (false otherwise).
bool useLaneIsa(IntLaneWorkspace& w, LaneIsa isa);
// How many channels one call takes: 8 or 16.
int intLaneWidth(const IntLaneWorkspace& w);

// Step 3 for channels[0..n-1] (n <= intLaneWidth(w)): clips the block. A failed lane clips only up
// to the sample where its line left the 16-bit range; the other lanes clip in full.
int clipLanesInt(IntLaneWorkspace& w, SampleBlock& block, const std::int16_t* channels, int n,
                 double snr);

// Steps 4, 5 and 7 on the clipped block: counts[i] for channels[i].
int countLanesInt(IntLaneWorkspace& w, const SampleBlock& block, const std::int16_t* channels,
                  int n, double snr, std::int16_t method, std::int16_t* counts);

}  // namespace qv::detail

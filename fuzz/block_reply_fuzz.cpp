// The block-reply decode of the acquisition cycle: read passes over a line that answers with
// the input's bytes, each reply decoded, stored into the sample block or held, checked against
// a plain reading of the reply rules; then the service form of calibration and self-test.
//
// Input: one byte of choices (see blockScenario), then the replies as the FuzzLine reads them.
#include "support/device_scenarios.h"
#include "support/fuzz_line.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int choices = size > 0 ? data[0] : 0;
    qv::TestClock clock;
    qv::fuzz::FuzzLine line(clock, qv::fuzz::asText(data, size).substr(size > 0 ? 1 : 0));
    qv::fuzz::blockScenario(line, clock, choices, [&] { return !line.exhausted(); });
    return 0;
}

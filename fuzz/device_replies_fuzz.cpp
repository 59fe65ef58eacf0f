// The replies the device layer decodes, through ComModule and the connection over the
// in-process backend, on a line that answers every frame with the input's bytes: the port
// search and its identification queries, the factory calibration read, register queries,
// stored settings, the verified writes and block reads.
//
// Input: one byte of choices (see deviceScenario), then the replies as the FuzzLine reads them.
#include "support/device_scenarios.h"
#include "support/fuzz_line.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int choices = size > 0 ? data[0] : 0;
    qv::TestClock clock;
    qv::fuzz::FuzzLine line(clock, qv::fuzz::asText(data, size).substr(size > 0 ? 1 : 0));
    qv::fuzz::deviceScenario(line, clock, choices);
    return 0;
}

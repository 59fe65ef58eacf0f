#pragma once

#include <functional>

#include "common/clock.h"
#include "device/in_process_backend.h"

// The two serial-line scenarios: what the program does with an instrument, checked step by
// step. The fuzz targets run them on a line that answers with the input; the seed maker runs
// them on the virtual instrument and keeps its answers as seeds.
namespace qv::fuzz {

// The port search and Connect action (the instrument behind ports 4 and 9), then every
// register operation of the device layer. choices: bit 0, the user types port 4 when the
// search finds nothing; bits 1..7 pick the channel of the per-channel operations.
void deviceScenario(device::InstrumentLine& line, Clock& clock, int choices);

// Read passes of the acquisition cycle: block reads decoded and stored into the sample block
// or held, against a plain reading of the reply rules; then the service form. choices: bit 0 a
// 96-well format, bits 1..2 the first sample index. Stops early when `more` says the line has
// nothing left to say.
void blockScenario(device::InstrumentLine& line, Clock& clock, int choices,
                   const std::function<bool()>& more);

}  // namespace qv::fuzz

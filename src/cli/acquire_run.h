#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/ui.h"
#include "sim/firmware.h"

namespace qv::cli {

// One run of the current project as Play does it, headless: what `acquire` takes.
struct AcquireOptions {
    std::string appFolder;
    std::string name;
    std::string comments;
    bool yes = false;
    bool bodyBends = false;
    bool isVirtual = false;
    std::uint64_t seed = 1;
    double occupancy = 0.75;
    bool sixWellPlate = false;
    std::vector<int> emptyWells;
    sim::FaultRates faults;
};

// The run's outcome: the exit code (0 when it ended at the lapse or by Stop) and the JSON
// object `acquire` prints (null when the run never started).
struct RecordedRun {
    int exitCode = 1;
    nlohmann::json result;
};

// Loads the application folder's current project, connects (the configured port, or the
// virtual instrument in this process on virtual time), plays, and drives the acquisition
// timer until the run stops. Messages and progress go to `terminal`; SIGINT or SIGTERM stop
// the run like Stop.
RecordedRun recordRun(const AcquireOptions& opt, Ui& terminal);

}  // namespace qv::cli

#include "store/snapshot_detection.h"

#include <algorithm>

#include "common/rounding.h"
#include "store/project_load.h"
#include "store/project_setup.h"

namespace qv {

bool updateSnapshotDetection(const std::filesystem::path& acquisitionFolder, std::int16_t method,
                             std::int16_t organism, std::int16_t snrx10) {
    const auto file = acquisitionFolder / "setup.dat";
    ProjectSetup s;
    double storedNumber = 0;
    // A partly read file would be written back with defaults in place of what it held.
    if (!isCompleteSetupFile(file) || readSetupFile(file, s, storedNumber) != kSetupFullyRead) {
        return false;
    }
    s.DSP_Method = method;
    s.Mn1[mn1::Organism] = organism;
    s.Mn1[mn1::SNRx10] = snrx10;
    const auto number = static_cast<std::int16_t>(
        std::clamp<std::int64_t>(roundHalfEven(storedNumber), -32768, 32767));
    return saveSetupFile(acquisitionFolder, s, number, s.Working_folder);
}

}  // namespace qv

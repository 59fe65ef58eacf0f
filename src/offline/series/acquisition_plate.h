#pragma once

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "analysis/report_acquisition.h"
#include "common/ui.h"
#include "store/plate_format.h"

namespace qv {

// An acquisition's own settings snapshot with the plate format it names, as the exports and
// the path tracking read them: the wells' beams and the drawing of the plate.
struct AcquisitionPlate {
    AcquisitionSettings settings;
    PlateFormat plate;
};

// The snapshot (setup.dat, groups.dat, chgroup.dat, subproj.dat) and the plate format from the
// application folder. nullopt after the message that says what is missing.
std::optional<AcquisitionPlate> readAcquisitionPlate(const std::filesystem::path& acquisition,
                                                     const std::filesystem::path& appFolder,
                                                     Ui& ui);

// The beams of a well with their channels, beam 0 first; beams the well lacks are left out.
std::vector<std::pair<int, int>> beamsOfWell(const PlateFormat& plate, int well);

// The detection threshold stored with an acquisition: SNRx10 / 10, 1.8 below 5 tenths.
double storedSnr(int snrx10);

}  // namespace qv

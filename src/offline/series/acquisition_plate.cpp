#include "offline/series/acquisition_plate.h"

namespace qv {

std::optional<AcquisitionPlate> readAcquisitionPlate(const std::filesystem::path& acquisition,
                                                     const std::filesystem::path& appFolder,
                                                     Ui& ui) {
    auto settings = readAcquisitionSettings(acquisition, appFolder, ui);
    if (!settings) {
        return std::nullopt;
    }
    AcquisitionPlate out{std::move(*settings), PlateFormat{}};
    if (!loadPlateFormatWithoutFallback(appFolder, out.settings.plateFormat, out.plate).ok) {
        ui.message("Multiwell Configuration File " + out.settings.plateFormat +
                   ".dat could not be read");
        return std::nullopt;
    }
    return out;
}

std::vector<std::pair<int, int>> beamsOfWell(const PlateFormat& plate, int well) {
    std::vector<std::pair<int, int>> beams;
    for (int beam = 0; beam < plate.beamsOfWell(well); ++beam) {
        const int c = plate.channelOf(well, beam);
        if (c >= 0) {
            beams.emplace_back(beam, c);
        }
    }
    return beams;
}

double storedSnr(int snrx10) {
    return (snrx10 < 5 ? 18 : snrx10) / 10.0;
}

}  // namespace qv

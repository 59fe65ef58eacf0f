#include "acquisition/device_calibration.h"

#include <system_error>

#include "common/rounding.h"
#include "device/register_map.h"

namespace qv {

namespace {

namespace reg = device::reg;

constexpr int kEmptyReadsAllowed = 10;
// The read-back lets the window paint its status this often (channels).
constexpr int kPaintEveryChannels = 32;

std::string plain(std::int64_t v) {
    return std::to_string(v);
}

}  // namespace

DeviceCalibrationResult DeviceCalibration::run(const std::filesystem::path& acquisitionFolder) {
    DeviceCalibrationResult r;
    care_.com.WriteRegister(reg::kOpticalCalibration, reg::kOpticalCalibrationStart,
                            reg::kBankCommand);
    followProgress(r);
    CalibrationValues read = care_.store.calibration();
    if (!readBack(r, read)) {
        // A channel that never answered would be stored as PinHole -1: the file of the last
        // good calibration is worth more than that, so it stays as it is.
        care_.ui.message("Calibration values could not be read back: channel " +
                         plain(r.silentChannel) +
                         " did not answer. calvalue.dat was kept. Check COM PORT and "
                         "equipment connection.");
        return r;
    }
    save(r, read, acquisitionFolder);
    return r;
}

// The instrument streams one progress byte at a time up to 191; ten reads that bring nothing
// mean it has gone quiet, and the read-back follows all the same.
void DeviceCalibration::followProgress(DeviceCalibrationResult& r) {
    device::ModComm& comm = care_.com.comm();
    const int port = care_.state.link.currentPort;
    status_.clearBar(383);
    while (r.emptyReads < kEmptyReadsAllowed &&
           r.lastProgress <= reg::kCalibrationProgressEnd - 1) {
        device::Bytes byte;
        if (comm.CommRead(port, byte, 1) < 1) {
            ++r.emptyReads;
            care_.clock.sleepMs(1);
        } else {
            const int p = byte[0];
            r.lastProgress = p;
            status_.show("Calibrating..." + plain(p * 100 / reg::kCalibrationProgressEnd) + "%");
            status_.bar(p * 2);
        }
        care_.ui.processEvents();
    }
}

// False as soon as one channel does not answer its three tries: the instrument is not
// listening, and asking the other channels would only cost their time-outs.
bool DeviceCalibration::readBack(DeviceCalibrationResult& r, CalibrationValues& read) {
    for (int c = 0; c < kCalibrationChannels; ++c) {
        status_.show("Saving Calibration values..." +
                     plain(roundHalfEven(c * 100.0 / kCalibrationChannels)) + "%");
        if (c % kPaintEveryChannels == 0) {
            care_.ui.processEvents();
        }
        const int byte = care_.com.readChannelSetting(c);
        if (byte < 0) {
            r.silentChannel = c;
            return false;
        }
        read.Gain[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(byte / 32);
        read.PinHole[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(byte % 32);
        r.channelsRead = c + 1;
    }
    return true;
}

void DeviceCalibration::save(DeviceCalibrationResult& r, const CalibrationValues& read,
                             const std::filesystem::path& acquisitionFolder) {
    care_.store.calibration() = read;
    const std::filesystem::path folder = care_.store.applicationFolder();
    r.fileWritten = writeCalibrationValues(folder, read, CalibrationHeader::ReadBack);
    if (!r.fileWritten) {
        care_.ui.message("Calibration values could not be written to " +
                         (folder / "calvalue.dat").string());
        return;
    }
    if (acquisitionFolder.empty()) {
        return;
    }
    std::error_code ec;
    r.copied =
        std::filesystem::copy_file(folder / "calvalue.dat", acquisitionFolder / "calvalue.dat",
                                   std::filesystem::copy_options::overwrite_existing, ec);
    if (!r.copied) {
        care_.ui.message("calvalue.dat could not be copied to " + acquisitionFolder.string());
    }
}

}  // namespace qv

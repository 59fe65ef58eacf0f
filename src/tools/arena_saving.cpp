#include "tools/arena_saving.h"

#include <string>

#include "store/calibration_values.h"

namespace qv {

namespace {

constexpr int kRepaintEveryChannels = 8;

std::string channelList(const std::vector<int>& channels) {
    std::string text;
    for (int c : channels) {
        text += (text.empty() ? "" : ", ") + std::to_string(c);
    }
    return text;
}

}  // namespace

ArenaSavingResult ArenaSaving::run() {
    ArenaSavingResult r;
    Ui& ui = device_.care().ui;
    status_.visible = true;
    if (!device_.answers()) {
        ui.message(kCommunicationError);
        return r;
    }
    CalibrationValues saved = device_.care().store.calibration();
    if (!readBack(saved, r)) {
        return r;
    }
    write(saved, r);
    return r;
}

// A channel that does not answer all its tries keeps its saved values; if the instrument then
// no longer names itself it has gone, and the file of the last good saving is kept rather than
// filled with what is left.
bool ArenaSaving::readBack(CalibrationValues& saved, ArenaSavingResult& r) {
    for (int c = 0; c < kArenaChannels; ++c) {
        status_.text = "Saving CH" + std::to_string(c);
        if (c % kRepaintEveryChannels == 0 && !keepGoing(r)) {
            return false;
        }
        const int byte = device_.readSetting(c);
        if (byte < 0) {
            r.silentChannels.push_back(c);
            if (!device_.answers()) {
                device_.care().ui.message(kCommunicationError);
                return false;
            }
            continue;
        }
        const ChannelSetting s = settingFromStoredByte(byte);
        const auto at = static_cast<std::size_t>(c);
        saved.PinHole[at] = static_cast<std::int16_t>(s.pinHole);
        saved.Gain[at] = static_cast<std::int16_t>(s.gain);
        settings_[at] = s;
    }
    return true;
}

bool ArenaSaving::keepGoing(ArenaSavingResult& r) {
    device_.care().ui.processEvents();
    if (!status_.visible) {
        r.stopped = true;
        device_.care().ui.message("Saving stopped: calvalue.dat was not changed.");
        return false;
    }
    if (!device_.free()) {
        r.stopped = true;
        device_.care().ui.message(kArenaInterrupted);
        return false;
    }
    return true;
}

void ArenaSaving::write(const CalibrationValues& saved, ArenaSavingResult& r) {
    CareContext& care = device_.care();
    if (!writeCalibrationValues(care.store.applicationFolder(), saved)) {
        care.ui.message("Calibration values could not be written to calvalue.dat");
        return;
    }
    care.store.calibration() = saved;
    r.written = true;
    if (r.silentChannels.empty()) {
        care.ui.message("Calibration Saving OK");
    } else {
        care.ui.message("Calibration saved, except channels " + channelList(r.silentChannels) +
                        ": they did not answer and keep their previous values.");
    }
}

}  // namespace qv

#include "tools/arena_device.h"

#include <string>

#include "acquisition/block_reply.h"
#include "device/register_map.h"

namespace qv {

namespace {

namespace reg = device::reg;

constexpr int kBlockTries = 3;
constexpr int kRetryPauseMs = 200;
constexpr int kEchoTries = 9;
constexpr int kSettingTries = 8;
constexpr std::array<int, 4> kBlocks = {0, 32, 64, 96};

}  // namespace

bool ArenaDevice::free() const {
    const AppState& s = care_.state;
    return s.runState == 0 && s.link.connected && !s.link.offline;
}

bool ArenaDevice::usable() {
    if (care_.state.runState != 0) {
        care_.ui.message(kStopExperimentRefusal);
        return false;
    }
    if (!free()) {
        care_.ui.message(kOfflineRefusal);
        return false;
    }
    return true;
}

bool ArenaDevice::answers() {
    const int id = care_.com.identificationQuery();
    return id >= reg::kSerialMin && id <= reg::kSerialMax;
}

bool ArenaDevice::readBlock(int p, Readings& readings) {
    for (int attempt = 0; attempt < kBlockTries; ++attempt) {
        if (attempt > 0) {
            care_.clock.sleepMs(kRetryPauseMs);
        }
        const auto values = decodeServiceReply(care_.com.blockRead(p, reg::kCalibrationBlockBytes));
        if (!values) {
            continue;
        }
        for (int i = 0; i < kServiceReplyValues; ++i) {
            const int v = (*values)[static_cast<std::size_t>(i)];
            readings[static_cast<std::size_t>(serviceReplyChannel(p, i))] = v < 0 ? 0 : v;
        }
        return true;
    }
    care_.ui.message("Ops...Data Sending ERROR reg(" + std::to_string(p) + ")... Try again");
    return false;
}

bool ArenaDevice::readAll(Readings& readings) {
    for (int p : kBlocks) {
        if (!readBlock(p, readings)) {
            return false;
        }
    }
    return true;
}

// The verified write sends its frame 36 times with pauses before it gives up: on an instrument
// that has gone that holds the window for well over a minute. One plain send first tells a
// gone instrument (no answer, and it no longer names itself) from a missed echo; sending the
// same setting once more changes nothing in the instrument.
bool ArenaDevice::write(int channel, ChannelSetting setting) {
    bool confirmed = false;
    if (writeOnce(channel, setting, confirmed) < 0 && !answers()) {
        care_.ui.message("Ops...Data Writing ERROR: reg(" + std::to_string(channel) +
                         ")... Check COM and Try again");
        return false;
    }
    return care_.com.verifiedChannelWrite(channel, setting.pinHole, setting.gain) == 1;
}

int ArenaDevice::writeOnce(int channel, ChannelSetting setting, bool& confirmed) {
    const device::ChannelAddress a = device::channelWriteAddress(channel);
    const int answer = care_.com.QueryRegister(
        static_cast<std::int16_t>(a.reg),
        static_cast<std::int16_t>(reg::settingByte(setting.gain, setting.pinHole)),
        static_cast<std::int16_t>(a.bank));
    confirmed = answer == (a.reg & 0xFF);
    return answer;
}

int ArenaDevice::writeUntilEcho(int channel, ChannelSetting setting, bool& confirmed) {
    int answer = -1;
    confirmed = false;
    for (int attempt = 0; attempt < kEchoTries && !confirmed; ++attempt) {
        answer = writeOnce(channel, setting, confirmed);
        // No answer at all: if the instrument no longer names itself it has gone, and eight
        // more tries would only hold the window for half a minute.
        if (answer < 0 && !answers()) {
            break;
        }
    }
    return answer;
}

bool ArenaDevice::writeAll(ChannelSetting setting) {
    return care_.com.allChannelSetting(setting.pinHole, setting.gain) == 1;
}

int ArenaDevice::readSetting(int channel) {
    return care_.com.readChannelSetting(channel, kSettingTries, kRetryPauseMs);
}

void ArenaDevice::settle() {
    care_.clock.sleepMs(settleMs);
}

}  // namespace qv

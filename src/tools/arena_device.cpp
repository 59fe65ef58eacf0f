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

bool ArenaDevice::write(int channel, ChannelSetting setting) {
    return care_.com.verifiedChannelWrite(channel, setting.pinHole, setting.gain) == 1;
}

int ArenaDevice::writeUntilEcho(int channel, ChannelSetting setting, bool& confirmed) {
    const device::ChannelAddress a = device::channelWriteAddress(channel);
    int answer = -1;
    confirmed = false;
    for (int attempt = 0; attempt < kEchoTries && !confirmed; ++attempt) {
        answer = care_.com.QueryRegister(
            static_cast<std::int16_t>(a.reg),
            static_cast<std::int16_t>(reg::settingByte(setting.gain, setting.pinHole)),
            static_cast<std::int16_t>(a.bank));
        confirmed = answer == (a.reg & 0xFF);
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

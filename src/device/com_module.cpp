#include "device/com_module.h"

#include <exception>

#include "device/register_map.h"

namespace qv::device {

namespace {

Bytes frame(int reg, int value, int bank) {
    // Only the low bytes travel; 0xFF and 0xF0 inside a frame are sent as they are.
    return Bytes{reg::kFrameStart, static_cast<std::uint8_t>(bank & 0xFF),
                 static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(value & 0xFF),
                 reg::kFrameEnd};
}

std::string writeErrorText(const std::string& reg) {
    return "Ops...Data Writing ERROR: reg(" + reg + ")... Check COM and Try again";
}

}  // namespace

FactoryCalibration evaluateFactoryBytes(const std::array<int, 8>& b) {
    FactoryCalibration c;
    for (int k = 0; k < reg::kFactoryBytes; ++k) {
        if (b[static_cast<std::size_t>(k)] < 0) {
            return c;
        }
    }
    const int month = b[reg::kFactoryMonth];
    const int year = b[reg::kFactoryYear];
    const int sign = b[reg::kFactoryOffsetSign];
    const int slopeLow = b[reg::kFactorySlopeLow];
    double offset = b[reg::kFactoryOffsetX10] / 10.0;
    if (sign == 1) {
        offset = -offset;
    }
    const double slope = (b[reg::kFactorySlopeHigh] * 256 + slopeLow) / 1000.0;
    const bool ok = b[reg::kFactoryMarker] == 0 && month >= 1 && month <= 12 && year >= 0 &&
                    year <= 99 && (sign == 0 || sign == 1) && offset >= -10 && offset <= 10 &&
                    slopeLow >= 1 && slope >= 0.1 && slope <= 0.45;
    if (ok) {
        c = FactoryCalibration{true, slope, offset, month, year};
    }
    return c;
}

ChannelAddress channelWriteAddress(int channel) {
    if (channel < reg::kChannelsInLowBank) {
        return {reg::kBankStoreLow, channel};
    }
    return {reg::kBankStoreHigh, channel - reg::kChannelsInLowBank};
}

ChannelAddress channelReadAddress(int channel) {
    if (channel < reg::kChannelsInLowBank) {
        return {reg::kBankReadLow, channel};
    }
    return {reg::kBankReadHigh, channel - reg::kChannelsInLowBank};
}

int ComModule::WriteRegister(std::int16_t reg, std::int16_t value, std::int16_t bank) {
    try {
        return comm_.CommWrite(port(), frame(reg, value, bank)) == reg::kFrameBytes ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

int ComModule::QueryRegister(std::int16_t reg, std::int16_t value, std::int16_t bank) {
    try {
        comm_.CommWrite(port(), frame(reg, value, bank));
        Bytes reply;
        if (comm_.CommRead(port(), reply, 2) < 1) {
            return -1;
        }
        return reply[0];
    } catch (const std::exception&) {
        return -1;
    }
}

Bytes ComModule::blockRead(int block, int length, int pieces) {
    Bytes joined;
    try {
        comm_.CommFlush(port());
        comm_.CommWrite(port(), frame(reg::kBlockRead, block, reg::kBankCommand));
        const int piece = pieces > 0 ? length / pieces : length;
        for (int i = 0; i < pieces; ++i) {
            Bytes part;
            comm_.CommRead(port(), part, piece);
            joined.insert(joined.end(), part.begin(), part.end());
        }
    } catch (const std::exception&) {
    }
    return joined;
}

int ComModule::identificationQuery() {
    comm_.CommSetLine(port(), kLineRts, true);
    comm_.CommSetLine(port(), kLineDtr, true);
    comm_.CommWrite(port(), frame(reg::kIdentification, 0, reg::kBankCommand));
    clock_.sleepMs(5);
    Bytes reply;
    const int got = comm_.CommRead(port(), reply, 2);
    int id = -1;
    if (got >= 1) {
        // 255, not 256: that is how the instrument's serial number is composed.
        id = reply[0] * 255 + (got >= 2 ? reply[1] : 0);
    }
    comm_.CommSetLine(port(), kLineRts, false);
    comm_.CommSetLine(port(), kLineDtr, false);
    return id;
}

int ComModule::sendNineTimes(std::int16_t reg, std::int16_t value, std::int16_t bank, int pauseMs) {
    int answer = -1;
    for (int i = 0; i < 9; ++i) {
        answer = QueryRegister(reg, value, bank);
        clock_.sleepMs(pauseMs);
    }
    return answer;
}

// A query of the temperature between pauses lets a device that lost the frame boundary
// find it again.
void ComModule::resynchronise(int pauseMs) {
    clock_.sleepMs(pauseMs);
    QueryRegister(reg::kReadTemperature, 0, reg::kBankCommand);
    clock_.sleepMs(pauseMs);
}

int ComModule::verifiedChannelWrite(int channel, int pinHole, int gain) {
    const ChannelAddress a = channelWriteAddress(channel);
    const auto r = static_cast<std::int16_t>(a.reg);
    const auto v = static_cast<std::int16_t>(reg::settingByte(gain, pinHole));
    const auto bank = static_cast<std::int16_t>(a.bank);
    const int echo = a.reg & 0xFF;
    if (sendNineTimes(r, v, bank, 0) == echo) {
        return 1;
    }
    resynchronise(150);
    if (sendNineTimes(r, v, bank, 100) == echo) {
        return 1;
    }
    resynchronise(150);
    if (sendNineTimes(r, v, bank, 100) == echo) {
        return 1;
    }
    comm_.CommFlush(port());
    resynchronise(150);
    if (sendNineTimes(r, v, bank, 100) == echo) {
        return 1;
    }
    ui_.message(writeErrorText(std::to_string(channel)));
    return -1;
}

int ComModule::factoryCalibrationWrite(int k, int value) {
    const auto r = static_cast<std::int16_t>(reg::kFactoryWriteRegister + k);
    const auto v = static_cast<std::int16_t>(value);
    const auto bank = static_cast<std::int16_t>(reg::kBankStoreLow);
    if (sendNineTimes(r, v, bank, 0) == r) {
        return 1;
    }
    for (int round = 0; round < 2; ++round) {
        resynchronise(100);
        if (sendNineTimes(r, v, bank, 50) == r) {
            return 1;
        }
    }
    ui_.message(writeErrorText(""));
    return -1;
}

int ComModule::readChannelSetting(int channel, int tries, int pauseMs) {
    const ChannelAddress a = channelReadAddress(channel);
    int answer = -1;
    for (int attempt = 0; attempt < tries && answer == -1; ++attempt) {
        if (attempt > 0) {
            clock_.sleepMs(pauseMs);
        }
        answer = QueryRegister(reg::kReadStoredByte, static_cast<std::int16_t>(a.reg),
                               static_cast<std::int16_t>(a.bank));
    }
    return answer;
}

// Two answers in a row must agree; a pair whose first answer is missing wakes the device
// with an identification query before the next pair.
int ComModule::readFactoryByte(int k) {
    const auto address = static_cast<std::int16_t>(reg::kFactoryReadAddress + k);
    for (int pair = 0; pair < 3; ++pair) {
        const int first = QueryRegister(reg::kReadStoredByte, address, reg::kBankReadLow);
        clock_.sleepMs(200);
        const int second = QueryRegister(reg::kReadStoredByte, address, reg::kBankReadLow);
        clock_.sleepMs(200);
        if (first != -1 && first == second) {
            return first;
        }
        if (first == -1) {
            identificationQuery();
            clock_.sleepMs(200);
        }
    }
    return -1;
}

FactoryCalibration ComModule::readFactoryCalibration() {
    comm_.CommFlush(port());
    std::array<int, 8> bytes{};
    for (int k = 0; k < reg::kFactoryBytesRead; ++k) {
        bytes[static_cast<std::size_t>(k)] = readFactoryByte(k);
    }
    return evaluateFactoryBytes(bytes);
}

int ComModule::allChannelSetting(int pinHole, int gain) {
    const auto v = static_cast<std::int16_t>(reg::settingByte(gain, pinHole));
    bool bothAnswered = true;
    for (std::int16_t bank : {std::int16_t{0}, std::int16_t{1}}) {
        int answer = -1;
        for (int attempt = 0; attempt < 2 && answer == -1; ++attempt) {
            answer = QueryRegister(reg::kAllChannelSetting, v, bank);
            clock_.sleepMs(10);
        }
        bothAnswered = bothAnswered && answer != -1;
    }
    return bothAnswered ? 1 : -1;
}

}  // namespace qv::device

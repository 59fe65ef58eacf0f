#include "sim/firmware.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "sim/instrument_registers.h"

namespace qv::sim {

namespace {

using Reply = std::vector<std::uint8_t>;

constexpr int kMaxLevel = 4095;
constexpr int kDarkLevel = 8;
constexpr double kRungRatio = 1.12;  // light gained per rung of PinHole x 8 + Gain
constexpr int kTargetRung = 36;
constexpr std::int64_t kStaleFrameMs = 100;

// The thermal unit pushes the chamber at a fixed pace while the room pulls it back slowly;
// together they never move it faster than a real chamber of this size moves.
constexpr double kHeatingPerMinute = 0.8;
constexpr double kCoolingPerMinute = 0.6;
constexpr double kRoomTimeConstantS = 1800.0;
constexpr double kFastestPerMinute = 1.0;

constexpr int pinHoleOf(int setting) {
    return setting % 32;
}
constexpr int gainOf(int setting) {
    return setting / 32;
}

std::uint8_t low(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

Firmware::Firmware(Clock& clock, const InstrumentConfig& config)
    : clock_(clock),
      config_(config),
      faultRng_(config.seed * 31 + 3),
      noiseRng_(config.seed * 131 + 5),
      plate_(Plate::Options{config.seed, config.occupancy, config.organismsPerWell,
                            config.plateInserted, config.sixWellPlate, config.emptyWells}),
      factory_(config.factoryBytes),
      chamberC_(config.ambientC),
      thermalMs_(clock.monotonicMs()) {
    Rng make(config.seed * 977 + 11);
    for (double& e : efficiency_) {
        e = make.uniform(0.8, 1.25);
    }
    for (int c : config_.deadBeams) {
        if (c >= 0 && c < kChannels) {
            dead_[static_cast<std::size_t>(c)] = true;
        }
    }
    // As it left the factory: every beam calibrated.
    for (int c = 0; c < kChannels; ++c) {
        settings_[static_cast<std::size_t>(c)] = bestSetting(c);
    }
    service_ = config_.blockForm != BlockForm::Acquisition;
    const auto& b = config_.factoryBytes;
    const double slope = (b[6] * 256 + b[5]) / 1000.0;
    sensorSlope_ = slope > 0.05 ? slope : 0.219;
    sensorOffset_ = (b[3] == 1 ? -1.0 : 1.0) * b[4] / 10.0;
}

void Firmware::receive(const std::vector<std::uint8_t>& bytes) {
    const std::int64_t now = clock_.monotonicMs();
    // A frame left unfinished for long is noise on the line.
    if (!pending_.empty() && now - pendingSince_ > kStaleFrameMs) {
        pending_.clear();
    }
    for (std::uint8_t b : bytes) {
        if (pending_.empty()) {
            pendingSince_ = now;
        }
        pending_.push_back(b);
        while (!pending_.empty()) {
            if (pending_[0] != fw::kStart) {
                pending_.erase(pending_.begin());
                continue;
            }
            if (pending_.size() < 5) {
                break;
            }
            if (pending_[4] == fw::kEnd) {
                handleFrame(pending_[1], pending_[2], pending_[3]);
                pending_.erase(pending_.begin(), pending_.begin() + 5);
            } else {
                pending_.erase(pending_.begin());  // lost the frame boundary: look again
            }
        }
    }
}

std::vector<std::uint8_t> Firmware::takeOutput(std::int64_t nowMs) {
    Reply out;
    while (!output_.empty() && output_.front().first <= nowMs) {
        out.push_back(output_.front().second);
        output_.pop_front();
    }
    return out;
}

std::optional<std::int64_t> Firmware::nextOutputAt() const {
    if (output_.empty()) {
        return std::nullopt;
    }
    return output_.front().first;
}

void Firmware::handleFrame(int bank, int reg, int value) {
    const std::int64_t now = clock_.monotonicMs();
    FrameRecord record{{fw::kStart, low(bank), low(reg), low(value), fw::kEnd}, 0, "", now};
    if (faultRng_.chance(config_.faults.silence)) {
        record.fault = "silence";
    } else if (now < busyUntil_) {
        record.fault = "busy";  // its own calibration runs; frames are not listened to
    } else {
        Reply reply = obey(bank, reg, value);
        record.fault = injectFaults(reg, bank, reply);
        for (std::uint8_t b : reply) {
            output_.emplace_back(now, b);
        }
        record.replyLength = static_cast<int>(reply.size());
    }
    if (observer_) {
        observer_(record);
    }
}

std::string Firmware::injectFaults(int reg, int bank, Reply& reply) {
    if (reply.empty()) {
        return "";
    }
    const FaultRates& f = config_.faults;
    if (faultRng_.chance(f.drop)) {
        reply.clear();
        return "drop";
    }
    if (reply.size() > 1 && faultRng_.chance(f.shortReply)) {
        reply.resize(
            static_cast<std::size_t>(faultRng_.between(1, static_cast<int>(reply.size()) - 1)));
        return "short";
    }
    if (reg == fw::kBlock && lastBlockWasAcquisition_ && faultRng_.chance(f.parity)) {
        const int pair = faultRng_.between(0, static_cast<int>(reply.size()) / 2 - 1);
        reply[static_cast<std::size_t>(pair * 2)] ^= 0x80;
        return "parity";
    }
    if ((bank == fw::kStoreLow || bank == fw::kStoreHigh) && faultRng_.chance(f.missingEcho)) {
        reply[0] = static_cast<std::uint8_t>(~reply[0]);
        return "no-echo";
    }
    return "";
}

Reply Firmware::obey(int bank, int reg, int value) {
    if (bank == fw::kStoreLow || bank == fw::kStoreHigh) {
        return storeReply(bank, reg, value);
    }
    if (reg == fw::kSetAll && (bank == 0 || bank == 1)) {
        const int from = bank == 0 ? 0 : 128;
        const int to = bank == 0 ? 128 : kChannels;
        std::fill(settings_.begin() + from, settings_.begin() + to, value);
        service_ = config_.blockForm != BlockForm::Acquisition;
        return {low(reg), low(value)};
    }
    if (reg == fw::kReadStored && (bank == 0 || bank == 1)) {
        return storedByte(bank, value);
    }
    if (bank != 0) {
        return {};
    }
    return commandReply(reg, value);
}

Reply Firmware::commandReply(int reg, int value) {
    switch (reg) {
        case fw::kIdentify:
            service_ = config_.blockForm != BlockForm::Acquisition;
            return {low(config_.serialNumber / 255), low(config_.serialNumber % 255)};
        case fw::kControl:
            advanceThermal(clock_.monotonicMs());
            control_ = value & 7;
            return {};
        case fw::kTemperature:
            return {low(rawTemperature()), 0};
        case fw::kBlock:
            return block(value);
        case fw::kCalibrate:
            if (value == fw::kCalibrateKey) {
                startOpticalCalibration(clock_.monotonicMs());
            }
            return {};
        case fw::kPlateMode:
            plateMode_ = value;
            plate_.setNinetySixWells(value == 1);
            service_ = config_.blockForm == BlockForm::Service;
            return {};
        default:
            return {};
    }
}

Reply Firmware::storeReply(int bank, int reg, int value) {
    if (bank == fw::kStoreHigh) {
        settings_[static_cast<std::size_t>(128 + reg)] = value;
    } else if (reg < 128) {
        settings_[static_cast<std::size_t>(reg)] = value;
    } else if (reg >= fw::kFactoryStore && reg < fw::kFactoryStore + 7) {
        factory_[static_cast<std::size_t>(reg - fw::kFactoryStore)] = low(value);
        return {low(reg), low(value)};
    } else {
        return {};
    }
    service_ = config_.blockForm != BlockForm::Acquisition;
    return {low(reg), low(value)};
}

Reply Firmware::storedByte(int bank, int address) const {
    int byte = 0;
    if (bank == 1) {
        byte = settings_[static_cast<std::size_t>(128 + address)];
    } else if (address < 128) {
        byte = settings_[static_cast<std::size_t>(address)];
    } else if (address < fw::kFactoryAddress + fw::kFactorySize) {
        byte = factory_[static_cast<std::size_t>(address - fw::kFactoryAddress)];
    }
    return {low(byte), low(address)};
}

// 48 bytes: 24 values, group m of block r for channels 2r + 2m of each bank of 128, with
// the parity bit over the value's 12 bits. 192 bytes: 96 values, value 3k + j for channel
// block + k of bank j, no parity.
Reply Firmware::block(int index) {
    const std::int64_t now = clock_.monotonicMs();
    plate_.advanceTo(now, (control_ & 4) != 0);
    const bool service = service_ || index >= 64;
    lastBlockWasAcquisition_ = !service;
    Reply out;
    const int groups = service ? 32 : 8;
    for (int g = 0; g < groups; ++g) {
        const int base = service ? (index + g) % 128 : (2 * index + 2 * g) % 128;
        for (int bank = 0; bank < 3; ++bank) {
            const int v = sampleLevel(base + 128 * bank);
            std::uint8_t hi = static_cast<std::uint8_t>(v >> 8);
            const std::uint8_t lo = low(v);
            if (!service && (std::popcount(lo) + std::popcount(hi)) % 2 == 1) {
                hi |= 0x80;
            }
            out.push_back(hi);
            out.push_back(lo);
        }
    }
    return out;
}

int Firmware::clearLevel(int channel) const {
    const int s = settings_[static_cast<std::size_t>(channel)];
    const int pinHole = std::min(pinHoleOf(s), 7);
    if (pinHole == 0 || dead_[static_cast<std::size_t>(channel)]) {
        return kDarkLevel;
    }
    const int rung = 8 * pinHole + gainOf(s);
    const double level = kLightTarget * efficiency_[static_cast<std::size_t>(channel)] *
                         std::pow(kRungRatio, rung - kTargetRung);
    return std::clamp(static_cast<int>(std::lround(level)), 0, kMaxLevel);
}

int Firmware::sampleLevel(int channel) {
    const double lit = clearLevel(channel) * (1.0 - plate_.shadow(channel));
    const double noisy = lit + noiseRng_.normal() * 3.0;
    return std::clamp(static_cast<int>(std::lround(noisy)), 0, kMaxLevel);
}

// The rung whose light comes closest to the target, as the firmware's own calibration finds.
int Firmware::bestSetting(int channel) const {
    const double e = efficiency_[static_cast<std::size_t>(channel)];
    int best = 8;
    double bestMiss = 1e9;
    for (int rung = 8; rung <= 63; ++rung) {
        const double level = std::min<double>(
            kLightTarget * e * std::pow(kRungRatio, rung - kTargetRung), kMaxLevel);
        if (std::abs(level - kLightTarget) < bestMiss) {
            bestMiss = std::abs(level - kLightTarget);
            best = rung;
        }
    }
    return (best % 8) * 32 + best / 8;
}

void Firmware::startOpticalCalibration(std::int64_t now) {
    for (int c = 0; c < kChannels; ++c) {
        settings_[static_cast<std::size_t>(c)] = bestSetting(c);
    }
    for (int p = 0; p <= fw::kProgressLast; ++p) {
        output_.emplace_back(now + (p + 1) * config_.progressIntervalMs, low(p));
    }
    busyUntil_ = now + (fw::kProgressLast + 1) * config_.progressIntervalMs;
}

// The chamber follows the room with a long time constant; with the unit on, heating or
// cooling adds its own pace. Stepped a second at a time, so a long silence between two
// frames gives the same chamber as frequent readings do.
void Firmware::advanceThermal(std::int64_t now) {
    double remaining = static_cast<double>(now - thermalMs_) / 1000.0;
    thermalMs_ = now;
    double push = 0;
    if ((control_ & 1) != 0) {
        push = (control_ & 2) != 0 ? kHeatingPerMinute / 60.0 : -kCoolingPerMinute / 60.0;
    }
    const double fastest = kFastestPerMinute / 60.0;
    while (remaining > 0) {
        const double dt = std::min(remaining, 1.0);
        const double rate = push + (config_.ambientC - chamberC_) / kRoomTimeConstantS;
        chamberC_ += std::clamp(rate, -fastest, fastest) * dt;
        remaining -= dt;
    }
}

double Firmware::chamberC() {
    advanceThermal(clock_.monotonicMs());
    return chamberC_;
}

// The raw reading of the sensor: what the factory calibration it was built with turns into the
// chamber temperature plus the sensor's bias.
int Firmware::rawTemperature() {
    const double sensed = chamberC() + config_.sensorBiasC;
    return std::clamp(static_cast<int>(std::lround((sensed - sensorOffset_) / sensorSlope_)), 0,
                      255);
}

}  // namespace qv::sim

#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "sim/plate.h"
#include "sim/rng.h"

namespace qv::sim {

// Faults the instrument can be made to commit, each the chance per frame:
//   silence      the frame never reaches the firmware (no effect, no reply);
//   drop         the frame is obeyed but its reply is lost;
//   shortReply   the reply loses its tail (at least one byte, never all);
//   parity       one value pair of a 48-byte block carries the wrong parity bit;
//   missingEcho  a stored write answers without echoing its register (it is still stored).
struct FaultRates {
    double silence = 0;
    double drop = 0;
    double shortReply = 0;
    double parity = 0;
    double missingEcho = 0;
};

// How block reads are answered. The frame does not say how many bytes the host will read,
// so the firmware keeps a mode: the 48-byte acquisition form after a plate-mode frame, the
// 192-byte service form (calibration, self-test) after an identification or a channel
// setting write, and always for block indices 64..127. Fixed forms override that.
enum class BlockForm { Auto, Acquisition, Service };

struct InstrumentConfig {
    int serialNumber = 123;
    std::uint64_t seed = 1;
    FaultRates faults;
    BlockForm blockForm = BlockForm::Auto;
    // Factory temperature calibration at addresses 128..135: marker 0, June 2024,
    // offset +0.5 degrees, slope 0.219.
    std::array<std::uint8_t, 8> factoryBytes{0, 6, 24, 0, 5, 219, 0, 0};
    double ambientC = 22.0;
    // How far the temperature sensor reads above the chamber (negative: below). The sensor's
    // transfer is the one the factory bytes above describe, so a bias is what a one-point
    // correction of the stored offset has to take out.
    double sensorBiasC = 0.0;
    double occupancy = 0.75;
    int organismsPerWell = 1;
    bool plateInserted = true;
    // A 6-well plate with one zebrafish larva per occupied well; wells left empty (counted down
    // each column first) whatever the occupancy.
    bool sixWellPlate = false;
    std::vector<int> emptyWells;
    int progressIntervalMs = 5;  // pace of the optical calibration's progress bytes
    // Channels whose emitter has failed: they stay dark whatever their setting.
    std::vector<int> deadBeams;
};

// One frame as the firmware saw it, for logs.
struct FrameRecord {
    std::array<std::uint8_t, 5> frame{};
    int replyLength = 0;
    std::string fault;  // "", "silence", "drop", "short", "parity", "no-echo", "busy"
    std::int64_t atMs = 0;
};

// The instrument's firmware as a model: bytes from the host go in, reply bytes come out at
// the times they are sent. Time is the clock's monotonic milliseconds.
class Firmware {
  public:
    static constexpr int kLightTarget = 1740;  // where its own optical calibration aims

    Firmware(Clock& clock, const InstrumentConfig& config);

    void receive(const std::vector<std::uint8_t>& bytes);
    // Reply bytes sent up to nowMs, removed from the model.
    std::vector<std::uint8_t> takeOutput(std::int64_t nowMs);
    std::optional<std::int64_t> nextOutputAt() const;

    void onFrame(std::function<void(const FrameRecord&)> observer) { observer_ = observer; }

    // What the instrument holds, for tests and logs.
    int setting(int channel) const { return settings_[static_cast<std::size_t>(channel)]; }
    int factoryByte(int k) const { return factory_[static_cast<std::size_t>(k)]; }
    int controlWord() const { return control_; }
    int plateMode() const { return plateMode_; }
    bool serviceForm() const { return service_; }
    double chamberC();
    // The beam's light at its setting without organisms or noise, 0..4095.
    int clearLevel(int channel) const;
    int rawTemperature();
    // The plate in the slot, with its organisms' wells and paths.
    const Plate& plate() const { return plate_; }

  private:
    void handleFrame(int bank, int reg, int value);
    std::vector<std::uint8_t> obey(int bank, int reg, int value);
    std::vector<std::uint8_t> commandReply(int reg, int value);
    std::vector<std::uint8_t> storeReply(int bank, int reg, int value);
    std::vector<std::uint8_t> storedByte(int bank, int address) const;
    std::vector<std::uint8_t> block(int index);
    void startOpticalCalibration(std::int64_t now);
    int bestSetting(int channel) const;
    int sampleLevel(int channel);
    std::string injectFaults(int reg, int bank, std::vector<std::uint8_t>& reply);
    void advanceThermal(std::int64_t now);

    Clock& clock_;
    InstrumentConfig config_;
    Rng faultRng_;
    Rng noiseRng_;
    Plate plate_;
    std::function<void(const FrameRecord&)> observer_;

    std::vector<std::uint8_t> pending_;  // bytes of a frame not complete yet
    std::int64_t pendingSince_ = 0;
    std::deque<std::pair<std::int64_t, std::uint8_t>> output_;
    std::int64_t busyUntil_ = -1;

    std::array<int, kChannels> settings_{};
    std::array<double, kChannels> efficiency_{};
    std::array<bool, kChannels> dead_{};
    std::array<std::uint8_t, 8> factory_{};
    // The sensor's own transfer, fixed when the instrument was built: rewriting the factory
    // bytes changes what the host computes from a raw reading, never the reading itself.
    double sensorSlope_ = 0.219;
    double sensorOffset_ = 0.0;
    int control_ = 0;
    int plateMode_ = 0;
    bool service_ = true;
    bool lastBlockWasAcquisition_ = false;

    double chamberC_ = 22.0;
    std::int64_t thermalMs_ = 0;
};

}  // namespace qv::sim

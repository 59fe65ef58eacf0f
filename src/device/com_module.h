#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/clock.h"
#include "common/ui.h"
#include "device/mod_comm.h"

namespace qv::device {

// The serial settings the instrument is always opened with.
inline constexpr const char* kSerialSettings = "baud=115200 parity=N data=8 stop=1";

// Until the instrument's own calibration is read, temperatures use these.
inline constexpr double kDefaultTemperatureSlope = 0.219;
inline constexpr double kDefaultTemperatureOffset = 0.0;

// The part of the application state the device link keeps: which port, whether an
// instrument is connected or the program runs offline, and what the instrument told us.
struct LinkState {
    std::int16_t currentPort = 4;
    bool offline = false;
    bool connected = false;
    std::int16_t serialNumber = 0;
    double temperatureSlope = kDefaultTemperatureSlope;
    double temperatureOffset = kDefaultTemperatureOffset;
    bool factoryCalibration = false;
    int calibrationMonth = 0;  // 1..12 when factoryCalibration
    int calibrationYear = 0;   // 0..99 when factoryCalibration
};

// The factory temperature calibration as read from the instrument.
struct FactoryCalibration {
    bool valid = false;
    double slope = kDefaultTemperatureSlope;
    double offset = kDefaultTemperatureOffset;
    int month = 0;
    int year = 0;
};

// Tests the bytes read at addresses 128..135 (-1 for a byte not read); any failed test
// discards the whole calibration (defaults, valid false).
FactoryCalibration evaluateFactoryBytes(const std::array<int, 8>& bytes);

// Bank and register of a channel's stored setting for writing (128/129) and reading (0/1).
struct ChannelAddress {
    int bank;
    int reg;
};
ChannelAddress channelWriteAddress(int channel);
ChannelAddress channelReadAddress(int channel);

// COM_Module: the instrument's five-byte register protocol on the current port. Every
// operation reports by its result (0 / -1 / byte / 1) and never throws.
class ComModule {
  public:
    ComModule(ModComm& comm, Clock& clock, Ui& ui, LinkState& state)
        : comm_(comm), clock_(clock), ui_(ui), state_(state) {}

    // Sends the frame and reads nothing: 0 when 5 bytes were written, else -1.
    int WriteRegister(std::int16_t reg, std::int16_t value, std::int16_t bank);
    // Sends the frame and reads 2 bytes: the first byte 0..255, or -1 when none came.
    int QueryRegister(std::int16_t reg, std::int16_t value, std::int16_t bank);

    // Flush, frame (0xFF, 0, 48, block, 0xF0), then the reply in `pieces` reads of
    // length / pieces bytes, joined. The caller checks the length it got.
    Bytes blockRead(int block, int length, int pieces = 1);
    // RTS then DTR raised, identification frame, 5 ms, 2 bytes: b0 x 255 + b1 (a missing
    // second byte counts 0), -1 when nothing came; then RTS and DTR cleared. Modem-line
    // failures (pseudo-terminals have no modem lines) do not stop the query.
    int identificationQuery();
    // Stores a channel's PinHole and Gain, checked by the echo, in up to four rounds of nine
    // sends. 1 when confirmed; -1 after showing the write error.
    int verifiedChannelWrite(int channel, int pinHole, int gain);
    // Stores factory calibration byte k (0..6). 1 when confirmed; -1 after the message.
    int factoryCalibrationWrite(int k, int value);
    // A channel's stored setting byte (Gain x 32 + PinHole), or -1 when none of the tries
    // answered: 3 tries 1 ms apart after a calibration, the arena's 8 tries 200 ms apart.
    int readChannelSetting(int channel, int tries = 3, int pauseMs = 1);
    // The factory temperature calibration, read pairwise with retries and tested.
    FactoryCalibration readFactoryCalibration();
    // Gain and PinHole of all channels, bank 0 then bank 1: 1 when both answered, else -1.
    int allChannelSetting(int pinHole, int gain);

    ModComm& comm() { return comm_; }
    LinkState& state() { return state_; }

  private:
    int port() const { return state_.currentPort; }
    int sendNineTimes(std::int16_t reg, std::int16_t value, std::int16_t bank, int pauseMs);
    void resynchronise(int pauseMs);
    int readFactoryByte(int k);

    ModComm& comm_;
    Clock& clock_;
    Ui& ui_;
    LinkState& state_;
};

}  // namespace qv::device

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv::device {

// Bytes as they travel on the line: every value 0..255 passes unchanged.
using Bytes = std::vector<std::uint8_t>;

// The serial configuration record of one port: what the mode text sets.
struct SerialSettings {
    int baud = 9600;
    char parity = 'N';  // N, E, O, M or S
    int dataBits = 8;   // 5..8
    int stopBits = 1;   // 1, 15 (one and a half) or 2
};

// Read and write time-outs in the platform's terms: a read returns when the wanted bytes
// are in, when more than readIntervalMs pass between two bytes, or when the total time
// (multiplier x wanted + constant) has passed. Zero means "not used".
struct CommTimeouts {
    int readIntervalMs = 0;
    int readTotalMultiplierMs = 0;
    int readTotalConstantMs = 0;
    int writeTotalMultiplierMs = 0;
    int writeTotalConstantMs = 0;
};

enum class ModemLine { Break, Dtr, Rts };

// The outcome of a transfer: the bytes moved and, when the call failed, the system's error
// number (bytes moved before the failure still count).
struct Transfer {
    int count = 0;
    int error = 0;
    bool ok() const { return error == 0; }
};

// One open device. Every call returns 0 or the system's error number.
class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    virtual int setQueues(int inputBytes, int outputBytes) = 0;
    // Drops what waits in both directions.
    virtual int purge() = 0;
    virtual int setTimeouts(const CommTimeouts& timeouts) = 0;
    virtual int getSettings(SerialSettings& out) = 0;
    virtual int setSettings(const SerialSettings& settings) = 0;
    virtual Transfer read(std::uint8_t* buffer, int wanted) = 0;
    virtual Transfer write(const std::uint8_t* data, int count) = 0;
    virtual int setLine(ModemLine line, bool state) = 0;
    // Line error flags gathered since the last call (the platform's CE_* bits), cleared.
    virtual std::uint32_t takeErrorFlags() = 0;
    virtual int close() = 0;
};

// Opens devices by name ("COM3" or a path). The serial layer owns what it opens.
class SerialBackend {
  public:
    virtual ~SerialBackend() = default;

    struct Opened {
        std::unique_ptr<SerialDevice> device;  // null when the open failed
        int error = 0;
    };
    virtual Opened open(const std::string& deviceName) = 0;
    // The system's text for an error number, as the last-error record keeps it.
    virtual std::string systemText(int code) = 0;
};

}  // namespace qv::device

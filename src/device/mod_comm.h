#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "common/clock.h"
#include "device/serial_backend.h"

namespace qv::device {

// The last failure of any operation of the serial layer; only ever overwritten.
struct CommLastError {
    std::int32_t code = 0;
    std::string context;
    std::string message;
};

// Line selectors of CommSetLine.
inline constexpr std::int16_t kLineBreak = 1;
inline constexpr std::int16_t kLineDtr = 2;
inline constexpr std::int16_t kLineRts = 3;

// Code and text of an unexpected fault caught inside an operation (a port number outside
// 1..16 is the one a caller can cause).
inline constexpr std::int32_t kInternalFaultCode = 9;
inline constexpr const char* kInternalFaultText = "Subscript out of range";

// ModCOMM: a fixed table of 16 serial ports addressed by number 1..16, each opened with a
// mode text, with bounded reads, purges, modem lines and the last-error record. It knows
// nothing of the instrument. Operations never throw and never show anything: every failure
// is a return value plus the last-error record.
class ModComm {
  public:
    static constexpr int kPortCount = 16;
    // The time-outs every port is opened with: a read ends 100 ms after the last byte of a
    // burst, or 500 ms after it started when nothing comes; writes allow 1 s per byte.
    static constexpr CommTimeouts kTimeouts{100, 0, 500, 1000, 0};
    static constexpr int kQueueBytes = 1024;
    static constexpr int kReadBufferBytes = 512;
    static constexpr int kReadAttempts = 5;
    static constexpr int kReadPauseMs = 5;

    ModComm(SerialBackend& backend, Clock& clock);
    ~ModComm();
    ModComm(const ModComm&) = delete;
    ModComm& operator=(const ModComm&) = delete;

    // 0 on success, else an error code; -1 when the port is already open.
    std::int32_t CommOpen(int port, const std::string& deviceName, const std::string& settings);
    // 0 on success or when the port was not open, else an error code.
    std::int32_t CommClose(int port);
    std::int32_t CommFlush(int port);
    // Bytes written, or -1 when the write failed outright.
    std::int32_t CommWrite(int port, const Bytes& data);
    // Bytes received (0..wanted); data is replaced. A short read purges the port so that a
    // late remainder cannot pass for the start of the next reply.
    std::int32_t CommRead(int port, Bytes& data, std::int32_t wanted);
    // line: 1 break, 2 DTR, 3 RTS; state true sets, false clears.
    std::int32_t CommSetLine(int port, std::int16_t line, bool state);

    const CommLastError& lastError() const { return lastError_; }
    bool isOpen(int port) const;

  private:
    struct PortEntry {
        std::unique_ptr<SerialDevice> handle;
        bool open = false;
        SerialSettings dcb;
    };

    PortEntry* entry(int port);
    std::int32_t openSteps(PortEntry& e, const std::string& settings);
    std::int32_t recordPlatformError(const char* context, std::int32_t code);
    std::int32_t recordCommError(const char* context, PortEntry& e, std::int32_t code);
    std::int32_t recordFault(const char* operation);
    std::int32_t purge(PortEntry& e);

    SerialBackend& backend_;
    Clock& clock_;
    std::array<PortEntry, kPortCount + 1> ports_;  // index 0 unused
    CommLastError lastError_;
};

}  // namespace qv::device

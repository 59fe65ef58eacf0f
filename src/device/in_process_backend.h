#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "common/clock.h"
#include "device/serial_backend.h"

namespace qv::device {

// The far end of an in-process line: an instrument model that takes what the host writes
// and has bytes ready at given times.
class InstrumentLine {
  public:
    virtual ~InstrumentLine() = default;

    virtual void receive(const Bytes& bytes) = 0;
    // Everything the instrument has sent up to nowMs (monotonic clock), removed from it.
    virtual Bytes takeOutput(std::int64_t nowMs) = 0;
    // When the next byte not yet taken will be there; nullopt when nothing is on its way.
    virtual std::optional<std::int64_t> nextOutputAt() const = 0;
};

// Puts any model with receive(bytes), takeOutput(now) and nextOutputAt() on a line, so the
// serial layer and the model never need to know each other.
template <class Model>
class ModelLine : public InstrumentLine {
  public:
    explicit ModelLine(Model& model) : model_(model) {}
    void receive(const Bytes& bytes) override { model_.receive(bytes); }
    Bytes takeOutput(std::int64_t nowMs) override {
        const auto out = model_.takeOutput(nowMs);
        return Bytes(out.begin(), out.end());
    }
    std::optional<std::int64_t> nextOutputAt() const override { return model_.nextOutputAt(); }

  private:
    Model& model_;
};

// A serial backend whose devices are instrument lines inside the process. Waiting follows
// the time-outs the serial layer sets, on the given clock, so with a test clock a silent
// device costs no real time. Reads can be capped to a number of bytes, and every operation
// can be made to fail after a number of operations, to reach short-read and failure paths.
class InProcessBackend : public SerialBackend {
  public:
    struct Counters {
        int opens = 0;
        int reads = 0;
        int writes = 0;
        int purges = 0;
        int lineCalls = 0;
    };

    explicit InProcessBackend(Clock& clock) : clock_(clock) {}

    // The device of that name (for example "COM5"); a name never attached does not exist.
    void attach(const std::string& deviceName, InstrumentLine& line);
    // At most this many bytes per read call (0: no cap).
    void capBytesPerRead(int bytes) { cap_ = bytes; }
    // Every operation after the next n fails with the error (EIO unless told); closing
    // always works, so a test can end cleanly.
    void failAfterOperations(int n, int error = 5);
    // Operations work again (a device that was unplugged is back).
    void stopFailing() { failAfter_ = -1; }
    // Modem-line calls fail with this error (0: they succeed), as on a pseudo-terminal.
    void refuseModemLines(int error) { lineError_ = error; }

    Opened open(const std::string& deviceName) override;
    std::string systemText(int code) override;

    // Everything the host wrote to the device since it was attached.
    const Bytes& written(const std::string& deviceName) const;
    const Counters& counters(const std::string& deviceName) const;
    bool lineState(const std::string& deviceName, ModemLine line) const;
    int operations() const { return operations_; }

    // Used by the devices it opens.
    struct Port {
        InstrumentLine* line = nullptr;
        bool open = false;
        Bytes inbox;  // arrived, not yet read
        Bytes written;
        Counters counters;
        CommTimeouts timeouts;
        SerialSettings settings;
        bool rts = false;
        bool dtr = false;
        bool brk = false;
    };
    int operation();  // 0, or the error when operations are made to fail
    Clock& clock() { return clock_; }
    int cap() const { return cap_; }
    int lineError() const { return lineError_; }

  private:
    Clock& clock_;
    std::map<std::string, Port> ports_;
    int cap_ = 0;
    int failAfter_ = -1;
    int failError_ = 5;
    int lineError_ = 0;
    int operations_ = 0;
};

}  // namespace qv::device

#include "device/in_process_backend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qv::device {

namespace {

class InProcessDevice : public SerialDevice {
  public:
    InProcessDevice(InProcessBackend& backend, InProcessBackend::Port& port)
        : backend_(backend), port_(port) {}
    ~InProcessDevice() override { port_.open = false; }

    int setQueues(int, int) override { return backend_.operation(); }
    int purge() override;
    int setTimeouts(const CommTimeouts& t) override;
    int getSettings(SerialSettings& out) override;
    int setSettings(const SerialSettings& s) override;
    Transfer read(std::uint8_t* buffer, int wanted) override;
    Transfer write(const std::uint8_t* data, int count) override;
    int setLine(ModemLine line, bool state) override;
    std::uint32_t takeErrorFlags() override { return 0; }
    int close() override {
        port_.open = false;
        return 0;
    }

  private:
    void collect();
    int moveOut(std::uint8_t* buffer, int room);

    InProcessBackend& backend_;
    InProcessBackend::Port& port_;
};

int InProcessDevice::purge() {
    ++port_.counters.purges;
    if (int rc = backend_.operation(); rc != 0) {
        return rc;
    }
    collect();
    port_.inbox.clear();
    return 0;
}

int InProcessDevice::setTimeouts(const CommTimeouts& t) {
    port_.timeouts = t;
    return backend_.operation();
}

int InProcessDevice::getSettings(SerialSettings& out) {
    out = port_.settings;
    return backend_.operation();
}

int InProcessDevice::setSettings(const SerialSettings& s) {
    port_.settings = s;
    return backend_.operation();
}

void InProcessDevice::collect() {
    const Bytes arrived = port_.line->takeOutput(backend_.clock().monotonicMs());
    port_.inbox.insert(port_.inbox.end(), arrived.begin(), arrived.end());
}

int InProcessDevice::moveOut(std::uint8_t* buffer, int room) {
    const int n = std::min(room, static_cast<int>(port_.inbox.size()));
    std::copy_n(port_.inbox.begin(), n, buffer);
    port_.inbox.erase(port_.inbox.begin(), port_.inbox.begin() + n);
    return n;
}

// A read ends when the wanted bytes are in, when the interval passes after the last byte,
// or when the total time is up, as the time-outs say; the clock is advanced to that moment.
Transfer InProcessDevice::read(std::uint8_t* buffer, int wanted) {
    ++port_.counters.reads;
    if (int rc = backend_.operation(); rc != 0) {
        return Transfer{0, rc};
    }
    Clock& clock = backend_.clock();
    const CommTimeouts& t = port_.timeouts;
    const std::int64_t deadline =
        clock.monotonicMs() + t.readTotalMultiplierMs * wanted + t.readTotalConstantMs;
    const int limit = backend_.cap() > 0 ? std::min(backend_.cap(), wanted) : wanted;
    int got = 0;
    std::int64_t lastByteAt = 0;
    for (;;) {
        collect();
        if (const int n = moveOut(buffer + got, limit - got); n > 0) {
            got += n;
            lastByteAt = clock.monotonicMs();
        }
        const std::int64_t now = clock.monotonicMs();
        if (got == limit) {
            break;
        }
        std::int64_t end = deadline;
        if (got > 0 && t.readIntervalMs > 0) {
            end = std::min(end, lastByteAt + t.readIntervalMs);
        }
        const std::optional<std::int64_t> next = port_.line->nextOutputAt();
        if (next && *next > now && *next <= end) {
            clock.sleepMs(static_cast<int>(*next - now));
            continue;
        }
        if (end > now) {
            clock.sleepMs(static_cast<int>(end - now));
        }
        break;
    }
    return Transfer{got, 0};
}

Transfer InProcessDevice::write(const std::uint8_t* data, int count) {
    ++port_.counters.writes;
    if (int rc = backend_.operation(); rc != 0) {
        return Transfer{0, rc};
    }
    const Bytes bytes(data, data + count);
    port_.written.insert(port_.written.end(), bytes.begin(), bytes.end());
    port_.line->receive(bytes);
    return Transfer{count, 0};
}

int InProcessDevice::setLine(ModemLine line, bool state) {
    ++port_.counters.lineCalls;
    if (int rc = backend_.operation(); rc != 0) {
        return rc;
    }
    if (backend_.lineError() != 0) {
        return backend_.lineError();
    }
    (line == ModemLine::Rts ? port_.rts : line == ModemLine::Dtr ? port_.dtr : port_.brk) = state;
    return 0;
}

}  // namespace

void InProcessBackend::attach(const std::string& deviceName, InstrumentLine& line) {
    ports_[deviceName].line = &line;
}

void InProcessBackend::failAfterOperations(int n, int error) {
    failAfter_ = operations_ + n;
    failError_ = error;
}

int InProcessBackend::operation() {
    ++operations_;
    return failAfter_ >= 0 && operations_ > failAfter_ ? failError_ : 0;
}

SerialBackend::Opened InProcessBackend::open(const std::string& deviceName) {
    const auto it = ports_.find(deviceName);
    if (it == ports_.end()) {
        return {nullptr, ENOENT};
    }
    Port& port = it->second;
    ++port.counters.opens;
    if (int rc = operation(); rc != 0) {
        return {nullptr, rc};
    }
    if (port.open) {
        return {nullptr, EBUSY};
    }
    port.open = true;
    port.inbox.clear();
    return {std::make_unique<InProcessDevice>(*this, port), 0};
}

std::string InProcessBackend::systemText(int code) {
    return std::strerror(code);
}

const Bytes& InProcessBackend::written(const std::string& deviceName) const {
    return ports_.at(deviceName).written;
}

const InProcessBackend::Counters& InProcessBackend::counters(const std::string& deviceName) const {
    return ports_.at(deviceName).counters;
}

bool InProcessBackend::lineState(const std::string& deviceName, ModemLine line) const {
    const Port& p = ports_.at(deviceName);
    return line == ModemLine::Rts ? p.rts : line == ModemLine::Dtr ? p.dtr : p.brk;
}

}  // namespace qv::device

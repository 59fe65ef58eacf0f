#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/scripted_ui.h"
#include "device/com_module.h"
#include "device/com_names.h"
#include "device/connection.h"
#include "device/in_process_backend.h"
#include "device/mod_comm.h"
#include "sim/firmware.h"

namespace qv::device::testing {

// A line whose replies are scripted frame by frame: the n-th complete frame gets the n-th
// queued reply (an empty reply is silence).
class ScriptedLine : public InstrumentLine {
  public:
    void queue(Bytes reply) { replies_.push_back(std::move(reply)); }

    void receive(const Bytes& bytes) override {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        while (pending_.size() >= 5) {
            frames.push_back(Bytes(pending_.begin(), pending_.begin() + 5));
            pending_.erase(pending_.begin(), pending_.begin() + 5);
            if (!replies_.empty()) {
                ready_.insert(ready_.end(), replies_.front().begin(), replies_.front().end());
                replies_.pop_front();
            }
        }
    }
    Bytes takeOutput(std::int64_t) override { return std::exchange(ready_, {}); }
    std::optional<std::int64_t> nextOutputAt() const override { return std::nullopt; }

    std::vector<Bytes> frames;

  private:
    Bytes pending_;
    Bytes ready_;
    std::deque<Bytes> replies_;
};

// Virtual instruments on in-process ports, on virtual time: everything the device layer
// needs for a test, wired together.
struct Bench {
    TestClock clock;
    InProcessBackend backend{clock};
    ModComm comm{backend, clock};
    ScriptedUi ui;
    LinkState state;
    ComModule com{comm, clock, ui, state};
    std::vector<std::int16_t> saved;  // Serial_COM values saved
    Connection connection{com, clock, ui, [this](std::int16_t p) { saved.push_back(p); }};

    // An instrument on port n.
    sim::Firmware& instrument(int port, sim::InstrumentConfig config = {}) {
        auto& slot = instruments_[port];
        slot.firmware = std::make_unique<sim::Firmware>(clock, config);
        slot.line = std::make_unique<ModelLine<sim::Firmware>>(*slot.firmware);
        backend.attach(comName(port), *slot.line);
        return *slot.firmware;
    }
    // A port whose device opens but never answers.
    void silentPort(int port) {
        sim::InstrumentConfig c;
        c.faults.silence = 1.0;
        instrument(port, c);
    }
    ScriptedLine& scripted(int port) {
        auto line = std::make_unique<ScriptedLine>();
        ScriptedLine& ref = *line;
        scriptedLines_.push_back(std::move(line));
        backend.attach(comName(port), ref);
        return ref;
    }
    // Opens port n as the current port.
    void open(int port) {
        state.currentPort = static_cast<std::int16_t>(port);
        comm.CommOpen(port, comName(port), kSerialSettings);
    }

  private:
    struct Slot {
        std::unique_ptr<sim::Firmware> firmware;
        std::unique_ptr<ModelLine<sim::Firmware>> line;
    };
    std::map<int, Slot> instruments_;
    std::vector<std::unique_ptr<ScriptedLine>> scriptedLines_;
};

}  // namespace qv::device::testing

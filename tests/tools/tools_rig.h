#pragma once

#include <functional>
#include <memory>

#include "acquisition/care_rig.h"
#include "common/canvas.h"
#include "tools/arena_window.h"
#include "tools/factory_window.h"

namespace qv::testing {

// The virtual instrument behind a switch: frames the test chooses never reach it (a silent or
// unplugged instrument, a channel that does not answer), and what reaches it is obeyed.
class FilteredLine : public device::InstrumentLine {
  public:
    explicit FilteredLine(sim::Firmware& firmware) : firmware_(firmware) {}

    // True for a frame the instrument does not hear.
    std::function<bool(const device::Bytes& frame)> deaf;
    // A reply given in the instrument's place, which then never sees the frame.
    std::function<std::optional<device::Bytes>(const device::Bytes& frame)> answerInstead;
    bool unplugged = false;

    void receive(const device::Bytes& bytes) override {
        if (unplugged || (deaf && deaf(bytes))) {
            return;
        }
        if (answerInstead) {
            if (auto reply = answerInstead(bytes)) {
                own_.insert(own_.end(), reply->begin(), reply->end());
                return;
            }
        }
        firmware_.receive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    device::Bytes takeOutput(std::int64_t nowMs) override {
        const auto out = firmware_.takeOutput(nowMs);
        device::Bytes all = std::exchange(own_, {});
        all.insert(all.end(), out.begin(), out.end());
        return unplugged ? device::Bytes{} : all;
    }
    std::optional<std::int64_t> nextOutputAt() const override {
        if (unplugged) {
            return std::nullopt;
        }
        return own_.empty() ? firmware_.nextOutputAt() : std::optional<std::int64_t>(0);
    }

  private:
    sim::Firmware& firmware_;
    device::Bytes own_;
};

// An empty slot: every beam reads its clear level, give or take the noise.
inline sim::InstrumentConfig emptySlot() {
    sim::InstrumentConfig c;
    c.plateInserted = false;
    return c;
}

// The care rig with the instrument behind a FilteredLine, and the two maintenance windows.
struct ToolsRig : CareRig {
    RecordingCanvas real{600, 200};
    RecordingCanvas well{480, 320};
    std::unique_ptr<sim::Firmware> fw;
    std::unique_ptr<FilteredLine> filter;
    std::unique_ptr<ArenaWindow> arenaPtr;
    std::unique_ptr<FactoryWindow> factoryPtr;

    sim::Firmware& connect(sim::InstrumentConfig config = emptySlot()) {
        fw = std::make_unique<sim::Firmware>(clock, config);
        filter = std::make_unique<FilteredLine>(*fw);
        line(*filter);
        return *fw;
    }
    sim::Firmware& firmware() { return *fw; }
    ArenaWindow& arena() {
        if (!arenaPtr) {
            arenaPtr = std::make_unique<ArenaWindow>(*care);
            arenaPtr->Picreal.canvas = &real;
            arenaPtr->Picwell.canvas = &well;
            arenaPtr->Form_Load();
        }
        return *arenaPtr;
    }
    FactoryWindow& factory() {
        if (!factoryPtr) {
            factoryPtr = std::make_unique<FactoryWindow>(*care);
        }
        return *factoryPtr;
    }
    // Frames written since `from` with the given bank and register.
    int framesLike(std::size_t from, int bank, int reg) const {
        int n = 0;
        for (const auto& f : framesFrom(from)) {
            n += f[1] == bank && f[2] == reg ? 1 : 0;
        }
        return n;
    }
};

}  // namespace qv::testing

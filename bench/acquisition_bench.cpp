// The host's share of the acquisition cycle: one tick (the replies of a pass decoded and spread,
// the per-sample statistics), and one block completion (detection of all 384 channels, the
// body-bends histograms, the counts, raw and histogram records written). The instrument is a
// line inside the process that answers at once, so the serial exchanges cost next to nothing
// and what is measured is the program's own work.
#include <benchmark/benchmark.h>

#include <bit>
#include <deque>
#include <filesystem>

#include "acquisition/acquisition_cycle.h"
#include "acquisition/app_state.h"
#include "common/scripted_ui.h"
#include "device/com_module.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "store/installation.h"

namespace {

namespace fs = std::filesystem;
using namespace qv;

// Answers block reads with plausible light (a different level per channel and a little
// movement from read to read) and temperature queries with a fixed reading.
class CannedLine : public device::InstrumentLine {
  public:
    void receive(const device::Bytes& frame) override {
        if (frame.size() < 5) {
            return;
        }
        if (frame[2] == 48) {
            for (int v = 0; v < 24; ++v) {
                const int value = 1500 + (frame[3] * 37 + v * 53 + turn_ * 7) % 600;
                auto high = static_cast<std::uint8_t>(value >> 8);
                const auto low = static_cast<std::uint8_t>(value & 0xFF);
                if (std::popcount(static_cast<unsigned>(value)) % 2 == 1) {
                    high |= 0x80;
                }
                out_.push_back(high);
                out_.push_back(low);
            }
            ++turn_;
        } else if (frame[2] == 33) {
            out_.push_back(100);
            out_.push_back(0);
        }
    }
    device::Bytes takeOutput(std::int64_t) override {
        device::Bytes b(out_.begin(), out_.end());
        out_.clear();
        return b;
    }
    std::optional<std::int64_t> nextOutputAt() const override {
        return out_.empty() ? std::nullopt : std::optional<std::int64_t>(0);
    }

  private:
    std::deque<std::uint8_t> out_;
    int turn_ = 0;
};

// Nothing asked of light and chamber: the benchmark times the cycle's own work.
struct NoCare : InstrumentCare {
    void deviceCalibration(const fs::path&) override {}
    void autoZero() override {}
    void startLightSchedule() override {}
    void regulateTemperature(double) override {}
    void advanceLightCycle(double) override {}
    void lightAndTemperatureOff() override {}
};

struct Rig {
    fs::path folder = fs::temp_directory_path() / "qv_acquisition_bench";
    ScriptedUi ui;
    TestClock clock;
    device::InProcessBackend ports{clock};
    CannedLine line;
    Store store{folder, ui};
    AppState state;
    device::ModComm comm{ports, clock};
    device::ComModule com{comm, clock, ui, state.link};
    NoCare care;
    LiveData data;
    Controls controls;
    AcquisitionCycle cycle;

    Rig()
        : cycle({store, state, com, clock, care}, data,
                {controls.add("txt_time", ControlKind::TextBox),
                 controls.add("picturetime", ControlKind::Picture),
                 controls.add("lbl_temperature", ControlKind::Label),
                 controls.add("frm_autotext", ControlKind::Frame),
                 controls.add("lbl_autotext", ControlKind::Label),
                 controls.add("lbl_autochannel", ControlKind::Label),
                 controls.add("Timeradq", ControlKind::Timer)}) {
        fs::remove_all(folder);
        layInstallationData(fs::path(QV_SOURCE_DIR) / "data", folder, false);
        store.startUp();
        store.setup().Plate_format = "w384";
        store.loadPlateFormat();
        store.setup().Aq_lapse = 32000;
        store.setup().Mn1[mn1::SNRx10] = 18;
        state.bodyBends = 1;
        ports.attach(device::comName(4), line);
        comm.CommOpen(4, device::comName(4), device::kSerialSettings);
        state.link.connected = true;
        cycle.startRun(folder / "acquisition", true);
        fs::create_directories(folder / "acquisition");
    }
    ~Rig() { fs::remove_all(folder); }

    // Ticks until the next tick completes a block.
    void toBlockEnd() {
        while (data.sampleIndex != data.samples.rtBuffer() - 1) {
            cycle.Timeradq_Timer();
        }
    }
};

// An ordinary tick in the middle of a block: eight replies decoded and spread, statistics.
void BM_TickHostWork(benchmark::State& s) {
    Rig rig;
    for (int i = 0; i < 600; ++i) {
        rig.cycle.Timeradq_Timer();
    }
    for (auto _ : s) {
        if (rig.data.sampleIndex < 10 || rig.data.sampleIndex > rig.data.samples.rtBuffer() - 3) {
            s.PauseTiming();
            while (rig.data.sampleIndex < 10 ||
                   rig.data.sampleIndex > rig.data.samples.rtBuffer() - 3) {
                rig.cycle.Timeradq_Timer();
            }
            s.ResumeTiming();
        }
        rig.cycle.Timeradq_Timer();
    }
}
BENCHMARK(BM_TickHostWork)->Unit(benchmark::kMicrosecond);

// The tick that completes a block, with everything the block end does.
void BM_BlockCompletion(benchmark::State& s) {
    Rig rig;
    for (auto _ : s) {
        s.PauseTiming();
        rig.toBlockEnd();
        s.ResumeTiming();
        rig.cycle.Timeradq_Timer();
    }
    s.counters["blocks_written"] = rig.cycle.progress().blocks;
}
BENCHMARK(BM_BlockCompletion)->Unit(benchmark::kMillisecond)->Iterations(40);

}  // namespace

#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/calibration.h"
#include "acquisition/care_context.h"
#include "acquisition/light_and_temperature.h"
#include "acquisition/self_test.h"
#include "common/canvas.h"
#include "common/scripted_ui.h"
#include "device/com_names.h"
#include "device/in_process_backend.h"
#include "device/mod_comm.h"
#include "sim/firmware.h"
#include "store/installation.h"
#include "store/store.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A scripted Ui that lets a test act while the work lets events through, as a user pressing
// Stop would, and remembers every status text the work showed.
class EventUi : public ScriptedUi {
  public:
    std::function<void()> onEvents;
    void processEvents() override {
        ScriptedUi::processEvents();
        if (onEvents) {
            onEvents();
        }
    }
};

// The instrument care classes on a freshly installed application folder (project 0, plate
// "w96f"), with the virtual instrument on COM4 inside the process, on virtual time.
struct CareRig {
    TempDir dir;
    EventUi ui;
    TestClock clock;
    device::InProcessBackend backend{clock};
    device::ModComm comm{backend, clock};
    AppState state;
    std::unique_ptr<Store> storePtr;
    device::ComModule com{comm, clock, ui, state.link};
    std::unique_ptr<CareContext> care;
    Controls controls;
    RecordingCanvas bar{384, 12};
    RecordingCanvas picture{480, 320};
    RecordingCanvas progress{100, 10};

    CareRig() {
        layInstallationData(sourceDir() / "data", dir.path(), false);
        storePtr = std::make_unique<Store>(dir.path(), ui);
        storePtr->startUp();
        care = std::make_unique<CareContext>(CareContext{*storePtr, state, ui, clock, com});
        controlOf(controls, "picturecal", ControlKind::Picture).canvas = &bar;
        controlOf(controls, "Picact", ControlKind::Picture).canvas = &picture;
        controlOf(controls, "picturetime", ControlKind::Picture).canvas = &progress;
    }

    Store& store() { return *storePtr; }
    Control& control(const char* name) { return *controls.find(name); }

    // The virtual instrument on COM4, connected.
    sim::Firmware& instrument(sim::InstrumentConfig config = {}) {
        firmware_ = std::make_unique<sim::Firmware>(clock, config);
        line_ = std::make_unique<device::ModelLine<sim::Firmware>>(*firmware_);
        backend.attach("COM4", *line_);
        connect();
        return *firmware_;
    }
    // Any other line on COM4 (scripted replies), connected.
    void line(device::InstrumentLine& other) {
        backend.attach("COM4", other);
        connect();
    }
    sim::Firmware& firmware() { return *firmware_; }

    // Frames the host wrote since `from` bytes into the line's record, as 5-byte frames.
    std::vector<device::Bytes> framesFrom(std::size_t from) const {
        const device::Bytes& w = backend.written("COM4");
        std::vector<device::Bytes> frames;
        for (std::size_t i = from; i + 5 <= w.size(); i += 5) {
            frames.emplace_back(w.begin() + static_cast<long>(i),
                                w.begin() + static_cast<long>(i) + 5);
        }
        return frames;
    }
    std::size_t writtenBytes() const { return backend.written("COM4").size(); }

  private:
    void connect() {
        state.link.currentPort = 4;
        comm.CommOpen(4, "COM4", device::kSerialSettings);
        state.link.connected = true;
        state.link.offline = false;
    }
    std::unique_ptr<sim::Firmware> firmware_;
    std::unique_ptr<device::ModelLine<sim::Firmware>> line_;
};

}  // namespace qv::testing

// quorvel-tool probe: the Connect action against the serial ports, as the main window runs it.
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "common/clock.h"
#include "device/com_module.h"
#include "device/connection.h"
#include "device/mod_comm.h"
#include "device/posix_backend.h"
#include "device/serial_com_setting.h"
#include "store/app_config.h"

namespace qv::cli {

namespace {

struct ProbeOptions {
    std::string appFolder;
    std::optional<int> port;
    bool offline = false;
    int searchPorts = device::kSearchPorts;
};

// Answers the port question from the options, and shows the search's status line as progress
// whenever the search lets events through, so a slow search (silent ports cost seconds each)
// is never silent.
class ProbeUi : public Ui {
  public:
    ProbeUi(CliUi& inner, const ProbeOptions& o) : inner_(inner), o_(o) {}

    const device::ConnectionView* view = nullptr;

    void message(const std::string& text, const std::string& title = {}) override {
        inner_.message(text, title);
    }
    Answer ask(const std::string& text, Buttons buttons) override {
        return inner_.ask(text, buttons);
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override {
        if (prompt.find("PORT ERROR") != std::string::npos && (o_.port || o_.offline)) {
            const std::string answer = o_.port ? std::to_string(*o_.port) : std::string();
            inner_.progress(prompt + " -> " + (o_.port ? answer : "<Enter>") + " (from " +
                            (o_.port ? "--port" : "--offline") + ")");
            return answer;
        }
        return inner_.input(prompt, title, defaultText);
    }
    void processEvents() override {
        if (view != nullptr && !view->lbl_autochannel.empty() && view->lbl_autochannel != shown_) {
            shown_ = view->lbl_autochannel;
            inner_.progress("probe: " + shown_);
        }
    }
    void openExternal(const std::string&, ExternalKind) override {}

  private:
    CliUi& inner_;
    const ProbeOptions& o_;
    std::string shown_;
};

nlohmann::json probeResult(const device::LinkState& s) {
    return {{"port", s.currentPort},
            {"serial_number", s.serialNumber},
            {"slope", s.temperatureSlope},
            {"offset", s.temperatureOffset},
            {"factory_calibration", s.factoryCalibration},
            {"calibration_month", s.calibrationMonth},
            {"calibration_year", s.calibrationYear},
            {"connected", s.connected},
            {"offline", s.offline}};
}

void runProbe(const ProbeOptions& o, ToolContext& ctx) {
    ProbeUi ui(ctx.ui, o);
    AppConfig config;
    loadConfiguration(o.appFolder, config, ui);
    SystemClock clock;
    device::PosixBackend backend(clock);
    device::ModComm comm(backend, clock);
    device::LinkState state;
    state.currentPort = config.Serial_COM;
    device::ComModule com(comm, clock, ui, state);
    device::Connection connection(com, clock, ui, device::saveSerialComTo(o.appFolder, config, ui));
    ui.view = &connection.view();
    connection.setLastSearchPort(o.searchPorts);
    connection.connectAction();
    // Connected means an instrument identified itself and still does at the end: one that
    // went away while its calibration was read is no connection.
    if (state.connected && !connection.confirmInstrument()) {
        ui.message("The instrument on COM" + std::to_string(state.currentPort) +
                   " stopped answering");
    }
    printJson(probeResult(state));
    if (state.connected) {
        connection.disconnect();
    } else {
        ctx.exitCode = kExitFailure;
    }
}

}  // namespace

void addDeviceCommands(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<ProbeOptions>();
    auto* probe = app.add_subcommand(
        "probe",
        "Search the serial ports for the instrument and read its factory calibration (exit 0 "
        "only when an instrument identified itself)");
    addAppFolderOption(*probe, o->appFolder);
    auto* port = probe->add_option("--port", o->port,
                                   "answer to the port question when the search finds nothing: "
                                   "port 1..15 to open and identify there (saved as Serial_COM)");
    port->check(CLI::Range(1, device::kSearchPorts));
    probe
        ->add_flag("--offline", o->offline,
                   "answer the port question with <Enter>: go offline (what happens anyway "
                   "without --port or --interactive)")
        ->excludes(port);
    probe
        ->add_option("--search-ports", o->searchPorts,
                     "after the configured port, search ports 1..N, N 0..15 (default 15; 0 "
                     "searches none)")
        ->check(CLI::Range(0, device::kSearchPorts));
    ctx.trial(probe, "--app-folder {app}", 60);
    probe->callback([o, &ctx] { runProbe(*o, ctx); });
}

}  // namespace qv::cli

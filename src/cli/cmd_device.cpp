#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "common/clock.h"
#include "common/field_text.h"
#include "common/file_util.h"
#include "device/com_module.h"
#include "device/connection.h"
#include "device/mod_comm.h"
#include "device/posix_backend.h"

namespace qv::cli {

namespace {

// --- config.dat adapter: stands in for the store's configuration loader until it is here.
struct ConfigFields {
    std::int64_t actualProject = 1;
    std::int64_t lastProject = 1;
    std::int64_t serialCom = 4;
};

ConfigFields loadConfig(const std::filesystem::path& file, Ui& ui) {
    ConfigFields c;
    std::optional<FieldReader> r = FieldReader::open(file);
    std::int64_t restart = 0;
    if (!r || !r->skipField() || !r->integer(c.actualProject, INT16_MIN, INT16_MAX) ||
        !r->integer(c.lastProject, INT16_MIN, INT16_MAX) ||
        !r->integer(c.serialCom, INT16_MIN, INT16_MAX) || !r->integer(restart)) {
        ui.message("Error opening config File >>>> Loading DEFAULT configuration...");
        return ConfigFields{};
    }
    c.actualProject = std::max<std::int64_t>(c.actualProject, 0);
    c.lastProject = std::max(c.lastProject, c.actualProject);
    c.serialCom = std::clamp<std::int64_t>(c.serialCom, 1, 16);
    return c;
}

void saveConfig(const std::filesystem::path& file, const ConfigFields& c, Ui& ui) {
    FieldWriter w;
    w.text("Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>")
        .endRecord();
    w.number(c.actualProject).number(c.lastProject).number(c.serialCom).number(std::int64_t{0});
    w.endRecord();
    if (!writeFileAtomic(file, w.str())) {
        ui.message("<Error Saving Config File>");
    }
}
// --- end of the config.dat adapter.

nlohmann::json probeResult(const device::LinkState& s) {
    return {{"port", s.currentPort},
            {"serialNumber", s.serialNumber},
            {"slope", s.temperatureSlope},
            {"offset", s.temperatureOffset},
            {"factoryCalibration", s.factoryCalibration},
            {"calibrationMonth", s.calibrationMonth},
            {"calibrationYear", s.calibrationYear},
            {"connected", s.connected},
            {"offline", s.offline}};
}

int runProbe(const std::filesystem::path& appFolder, Ui& ui) {
    const std::filesystem::path configFile = appFolder / "config.dat";
    ConfigFields config = loadConfig(configFile, ui);
    SystemClock clock;
    device::PosixBackend backend(clock);
    device::ModComm comm(backend, clock);
    device::LinkState state;
    state.currentPort = static_cast<std::int16_t>(config.serialCom);
    device::ComModule com(comm, clock, ui, state);
    device::Connection connection(com, clock, ui, [&](std::int16_t port) {
        config.serialCom = port;
        saveConfig(configFile, config, ui);
    });
    connection.connectAction();
    std::cout << probeResult(state).dump(2) << '\n';
    return state.offline ? 1 : 0;
}

}  // namespace

void addDeviceCommands(CLI::App& app, ToolContext& ctx) {
    auto* probe = app.add_subcommand(
        "probe", "search the serial ports for the instrument and read its factory calibration");
    auto folder = std::make_shared<std::string>();
    probe->add_option("--app-folder", *folder, "application folder (holds config.dat)")->required();
    probe->callback([folder, &ctx] { ctx.exitCode = runProbe(*folder, ctx.ui); });
}

}  // namespace qv::cli

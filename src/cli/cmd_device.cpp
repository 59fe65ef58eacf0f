#include <iostream>
#include <nlohmann/json.hpp>

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
    AppConfig config;
    loadConfiguration(appFolder, config, ui);
    SystemClock clock;
    device::PosixBackend backend(clock);
    device::ModComm comm(backend, clock);
    device::LinkState state;
    state.currentPort = config.Serial_COM;
    device::ComModule com(comm, clock, ui, state);
    device::Connection connection(com, clock, ui, device::saveSerialComTo(appFolder, config, ui));
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

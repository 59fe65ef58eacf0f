#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/commands.h"
#include "common/cp1252.h"
#include "store/store.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

struct DemoOptions {
    std::string folder;
    int port = 4;
};

// A project a newcomer can run at once: project 0's settings under a new number and the
// name "Demo", with the light and temperature panels switched on.
void shapeDemoProject(ProjectSetup& s) {
    s.Name = "Demo";
    s.Menu1 = 1;
    s.Menu2 = 1;
    s.Menu3 = 1;
    s.Mn2 = {1, 8, 20, 0, 0, 0};
    s.Mn3 = {1, 250, 0, 0, 0, 0};
}

void runDemo(const DemoOptions& opt, ToolContext& ctx) {
    if (opt.port < 1 || opt.port > 15) {
        ctx.ui.message("Port must be 1 to 15");
        ctx.exitCode = 2;
        return;
    }
    Store store(opt.folder, ctx.ui);
    if (store.startUp() == Store::StartUp::ConfigMissing) {
        ctx.ui.message("No config.dat in \"" + utf8ToCp1252(opt.folder) +
                       "\": lay the installation data first (quorvel-tool init)");
        ctx.exitCode = 1;
        return;
    }
    AppConfig& config = store.config();
    const std::int16_t number = static_cast<std::int16_t>(config.Last_Project + 1);
    std::error_code ec;
    fs::create_directories(store.projectFolder(number), ec);
    config.Actual_Project_Number = number;
    config.Last_Project = number;
    config.Serial_COM = static_cast<std::int16_t>(opt.port);
    store.chooseProjectPath();
    shapeDemoProject(store.setup());
    if (ec || !store.saveProjectSettings() || !store.saveConfiguration()) {
        ctx.ui.message("Cannot write the demo project into \"" + utf8ToCp1252(opt.folder) + "\"");
        ctx.exitCode = 1;
        return;
    }
    nlohmann::json out;
    out["project"] = number;
    out["project_folder"] = store.projectPath().string();
    out["serial_com"] = opt.port;
    std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

void addDemoCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<DemoOptions>();
    CLI::App* cmd = app.add_subcommand(
        "demo-project", "Add a demo project to an application folder and make it current");
    cmd->add_option("DIR", opt->folder, "application folder (laid with init)")->required();
    cmd->add_option("--port", opt->port, "serial port number the instrument stands behind");
    cmd->callback([opt, &ctx] { runDemo(*opt, ctx); });
}

}  // namespace qv::cli

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "cli/acquire_run.h"
#include "cli/commands.h"
#include "common/cp1252.h"
#include "store/store.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

struct DemoOptions {
    std::string folder;
    std::string positional;
    int port = 4;
    bool noAcquisition = false;
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
    // Ten minutes: a run a newcomer can watch to its end, and a demo recording that takes
    // seconds on virtual time.
    s.Aq_lapse = 10;
    s.Mn1[mn1::SNRx10] = 18;
}

// The next project number after Last_Project whose folder can be made new. A number whose
// folder already exists belongs to a project someone has: it is passed over, never written
// into. 0 when every number is taken.
std::int16_t allocateProject(Store& store, std::vector<int>& passedOver) {
    AppConfig& config = store.config();
    for (int tries = 0; tries < 32000; ++tries) {
        const std::int16_t number = nextProjectNumber(config.Last_Project);
        config.Last_Project = number;
        std::error_code ec;
        if (fs::create_directory(store.projectFolder(number), ec)) {
            return number;
        }
        passedOver.push_back(number);
    }
    return 0;
}

void runDemo(const DemoOptions& opt, ToolContext& ctx) {
    const std::string& folder = opt.positional.empty() ? opt.folder : opt.positional;
    if (folder.empty()) {
        throw UsageError("--app-folder is required (or set QUORVEL_HOME)");
    }
    Store store(folder, ctx.ui);
    if (!store.configExists()) {
        return ctx.fail("No config.dat in \"" + jsonPath(folder) +
                        "\": lay the installation data first (quorvel-tool init)");
    }
    store.loadConfiguration();
    AppConfig& config = store.config();
    config.Actual_Project_Number = 0;
    store.chooseProjectPath();
    store.loadProjectSettings(0);

    std::vector<int> passedOver;
    const std::int16_t number = allocateProject(store, passedOver);
    for (const int n : passedOver) {
        ctx.ui.message(store.projectFolder(n).filename().string() +
                       " already exists: its number is passed over");
    }
    if (number == 0) {
        return ctx.fail("No free project number in \"" + jsonPath(folder) + "\"");
    }
    config.Actual_Project_Number = number;
    config.Serial_COM = static_cast<std::int16_t>(opt.port);
    store.chooseProjectPath();
    shapeDemoProject(store.setup());
    if (!store.saveProjectSettings() || !store.saveConfiguration()) {
        return ctx.fail("Cannot write the demo project into \"" + jsonPath(folder) + "\"");
    }
    // A short run on the virtual instrument, so that reports and plots have data at once.
    nlohmann::json acquisition;
    if (!opt.noAcquisition) {
        AcquireOptions run;
        run.appFolder = folder;
        run.name = "Demo run";
        run.comments = "Recorded on the virtual instrument";
        run.isVirtual = true;
        run.yes = true;
        const RecordedRun recorded = recordRun(run, ctx.ui);
        if (recorded.exitCode != 0) {
            return ctx.fail("The demo project is made, but its demo run could not be recorded");
        }
        acquisition = recorded.result["folder"];
    }
    nlohmann::json out;
    out["project"] = number;
    out["project_folder"] = jsonPath(store.projectPath());
    out["Serial_COM"] = opt.port;
    out["passed_over"] = passedOver;
    out["acquisition"] = acquisition;
    printJson(out);
}

}  // namespace

void addDemoCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<DemoOptions>();
    CLI::App* cmd = app.add_subcommand(
        "demo-project",
        "Add a demo project under the next free project number and make it current");
    addAppFolderOption(*cmd, opt->folder)->required(false);
    // The folder as a bare argument, as the first scripts wrote it.
    cmd->add_option("DIR", opt->positional, "the same as --app-folder")
        ->check(CLI::ExistingDirectory)
        ->group("");
    cmd->add_option("--port", opt->port,
                    "serial port number the instrument stands behind, 1..15, saved as "
                    "Serial_COM (default 4)")
        ->check(CLI::Range(1, 15));
    cmd->add_flag("--no-acquisition", opt->noAcquisition,
                  "make the project only, without recording its ten-minute demo run");
    ctx.trial(cmd, "--app-folder {app}");
    cmd->callback([opt, &ctx] { runDemo(*opt, ctx); });
}

}  // namespace qv::cli

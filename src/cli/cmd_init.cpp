#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/commands.h"
#include "common/clock.h"
#include "common/date_time.h"
#include "common/file_util.h"
#include "store/installation.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

struct InitOptions {
    std::string folder;
    std::string positional;
    std::string dataFolder;
    bool force = false;
};

// Where the installation data is found: --data, else $QV_DATA_DIR, else the data folder the
// build lays beside the programs (<build>/data, two levels above src/cli/quorvel-tool), else
// a data folder next to the program itself.
fs::path findDataFolder(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    if (const char* env = std::getenv("QV_DATA_DIR"); env != nullptr && *env != '\0') {
        return env;
    }
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    for (const fs::path& candidate :
         {exe.parent_path() / ".." / ".." / "data", exe.parent_path() / "data"}) {
        if (isRegularFile(candidate / "config.dat")) {
            return candidate.lexically_normal();
        }
    }
    return {};
}

void runInit(const InitOptions& opt, ToolContext& ctx) {
    const fs::path data = findDataFolder(opt.dataFolder);
    // A folder named on the command line beats QUORVEL_HOME.
    const std::string& folder = opt.positional.empty() ? opt.folder : opt.positional;
    if (folder.empty()) {
        throw UsageError("--app-folder is required (or set QUORVEL_HOME)");
    }
    if (!opt.dataFolder.empty() && !isRegularFile(data / "config.dat")) {
        throw UsageError("--data: no config.dat in " + jsonPath(data));
    }
    SystemClock clock;
    const InstallResult result = layInstallationData(
        data, folder, opt.force, "previous_installation_" + formatCompactStamp(clock.now()));
    const std::string where = jsonPath(folder);
    switch (result.status) {
        case InstallStatus::NoData:
            return ctx.fail("Installation data not found (no config.dat in \"" + jsonPath(data) +
                            "\"): set QV_DATA_DIR or --data");
        case InstallStatus::AlreadyThere:
            return ctx.fail("\"" + where + "\" already holds " + result.files.front() + " (and " +
                            std::to_string(result.files.size() - 1) +
                            " more installation files): use --force to replace them (their "
                            "previous contents are kept in a folder beside them)");
        case InstallStatus::WriteFailed:
            return ctx.fail("Cannot write " + result.files.front() + " into \"" + where + "\"");
        case InstallStatus::Ok:
            break;
    }
    nlohmann::json out;
    out["application_folder"] = where;
    out["data_folder"] = jsonPath(data);
    out["files"] = result.files;
    out["replaced"] = result.replaced;
    if (!result.replaced.empty()) {
        ctx.ui.message("Replaced " + std::to_string(result.replaced.size()) +
                       " files that held other contents; the previous ones are kept in " +
                       jsonPath(result.keptFolder));
        out["kept_folder"] = jsonPath(result.keptFolder);
    }
    printJson(out);
}

}  // namespace

void addInitCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<InitOptions>();
    CLI::App* cmd =
        app.add_subcommand("init", "Lay the installation data into a new application folder");
    addAppFolderOption(*cmd, opt->folder, false)
        ->required(false)
        ->description(
            "application folder to lay the data into, created when missing (default: "
            "$QUORVEL_HOME)");
    // The folder as a bare argument, as the first scripts wrote it.
    cmd->add_option("DIR", opt->positional, "the same as --app-folder")->group("");
    cmd->add_option("--data", opt->dataFolder,
                    "folder holding the installation data (default: $QV_DATA_DIR, else the "
                    "data folder beside the program)");
    cmd->add_flag("--force", opt->force,
                  "replace the installation files already there; files with other contents "
                  "are first kept in a folder previous_installation_<time> beside them");
    ctx.trial(cmd, "--app-folder {new}");
    cmd->callback([opt, &ctx] { runInit(*opt, ctx); });
}

}  // namespace qv::cli

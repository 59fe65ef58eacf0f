#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/commands.h"
#include "common/cp1252.h"
#include "common/file_util.h"
#include "store/installation.h"

namespace qv::cli {

namespace fs = std::filesystem;

namespace {

struct InitOptions {
    std::string folder;
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
    // Paths arrive from the command line as UTF-8; messages are in the core's encoding.
    const std::string folderText = utf8ToCp1252(opt.folder);
    const InstallResult result = layInstallationData(data, opt.folder, opt.force);
    switch (result.status) {
        case InstallStatus::NoData:
            ctx.ui.message("Installation data not found (no config.dat in \"" +
                           utf8ToCp1252(data.string()) + "\"): set QV_DATA_DIR or --data");
            ctx.exitCode = 2;
            return;
        case InstallStatus::AlreadyThere:
            ctx.ui.message("\"" + folderText + "\" already holds " + result.files.front() +
                           " (and " + std::to_string(result.files.size() - 1) +
                           " more installation files): use --force to overwrite");
            ctx.exitCode = 1;
            return;
        case InstallStatus::WriteFailed:
            ctx.ui.message("Cannot write " + result.files.front() + " into \"" + folderText + "\"");
            ctx.exitCode = 1;
            return;
        case InstallStatus::Ok:
            break;
    }
    std::error_code ec;
    nlohmann::json out;
    out["application_folder"] = fs::absolute(opt.folder, ec).lexically_normal().string();
    out["data_folder"] = data.string();
    out["files"] = result.files;
    std::cout << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

void addInitCommands(CLI::App& app, ToolContext& ctx) {
    auto opt = std::make_shared<InitOptions>();
    CLI::App* cmd =
        app.add_subcommand("init", "Lay the installation data into a new application folder");
    cmd->add_option("DIR", opt->folder, "application folder (created when missing)")->required();
    cmd->add_option("--data", opt->dataFolder,
                    "folder holding the installation data (default: $QV_DATA_DIR, else the "
                    "data folder beside the program)");
    cmd->add_flag("--force", opt->force, "overwrite the installation files already there");
    cmd->callback([opt, &ctx] { runInit(*opt, ctx); });
}

}  // namespace qv::cli

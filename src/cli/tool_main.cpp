#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    qv::cli::CliUi ui(std::cin, std::cerr);
    qv::cli::ToolContext ctx{ui};
    CLI::App app{"quorvel-tool: headless access to the Quorvel store, data and instrument"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "quorvel-tool 0.1.0");

    qv::cli::addStoreCommands(app, ctx);
    qv::cli::addSetupCommands(app, ctx);
    qv::cli::addInitCommands(app, ctx);
    qv::cli::addAnalysisCommands(app, ctx);
    qv::cli::addDeviceCommands(app, ctx);
    qv::cli::addDemoCommands(app, ctx);
    qv::cli::addReportCommands(app, ctx);
    qv::cli::addAcquireCommands(app, ctx);
    qv::cli::addReanalyseCommand(app, ctx);
    qv::cli::addCareCommands(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end well; any other parse failure is bad usage.
        return app.exit(e) == 0 ? 0 : 2;
    }
    return ctx.exitCode;
}

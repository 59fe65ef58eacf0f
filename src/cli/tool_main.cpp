#include "cli/commands.h"

int main(int argc, char** argv) {
    qv::cli::Tool tool;
    CLI::App& app = tool.app();
    qv::cli::ToolContext& ctx = tool.context();

    // One line per area.
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
    qv::cli::addOfflineCommands(app, ctx);
    qv::cli::addToolsCommands(app, ctx);
    qv::cli::addSeriesCommands(app, ctx);

    return tool.run(argc, argv);
}

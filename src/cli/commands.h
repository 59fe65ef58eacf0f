#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_ui.h"

namespace qv::cli {

// What every subcommand gets: the Ui that prints messages and reads answers, and the exit
// code it sets (0 success).
struct ToolContext {
    CliUi& ui;
    int exitCode = 0;
};

// One registration function per cmd_<area>.cpp.
void addStoreCommands(CLI::App& app, ToolContext& ctx);
// project new/save/save-as/list/load/rename (under the store's `project`) and groups
// arrange/clear; registered after addStoreCommands.
void addSetupCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool init: lays the installation data into an application folder.
void addInitCommands(CLI::App& app, ToolContext& ctx);
void addAnalysisCommands(CLI::App& app, ToolContext& ctx);  // detect, inspect
void addDeviceCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool demo-project: a demo project made current in an application folder.
void addDemoCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool report and export-wells: an acquisition's report and per-well export.
void addReportCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool acquire: one run of the current project, on a port or the virtual instrument.
void addAcquireCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool reanalyse: an acquisition's raw samples analysed again (cmd_reanalyse.cpp).
void addReanalyseCommand(CLI::App& app, ToolContext& ctx);
// quorvel-tool calibrate, autozero and selftest: instrument care on the configured port.
void addCareCommands(CLI::App& app, ToolContext& ctx);

}  // namespace qv::cli

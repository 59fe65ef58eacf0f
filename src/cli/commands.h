#pragma once

#include <CLI/CLI.hpp>

#include "cli/tool.h"

namespace qv::cli {

// One registration function per cmd_<area>.cpp, called once from tool_main.cpp.

// config show, project show, plate show: what the store loads, never writing.
void addStoreCommands(CLI::App& app, ToolContext& ctx);
// project new/save/save-as/list/load/rename (under the store's `project`) and groups
// arrange/clear; registered after addStoreCommands.
void addSetupCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool init: lays the installation data into an application folder.
void addInitCommands(CLI::App& app, ToolContext& ctx);
void addAnalysisCommands(CLI::App& app, ToolContext& ctx);  // detect, inspect
void addDeviceCommands(CLI::App& app, ToolContext& ctx);    // probe
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
// quorvel-tool list and plot: the offline browser's list and plots (cmd_offline.cpp).
void addOfflineCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool arena calibrate|gain-curve and factory-cal: the service windows' work.
void addToolsCommands(CLI::App& app, ToolContext& ctx);
// quorvel-tool tag, joint-report, export-signals and track: tags and joint reports, the raw
// signal export and single-animal path tracking (cmd_series.cpp).
void addSeriesCommands(CLI::App& app, ToolContext& ctx);

}  // namespace qv::cli

#include "cli/commands.h"

namespace qv::cli {

void addStoreCommands(CLI::App&, ToolContext&) {}

}  // namespace qv::cli

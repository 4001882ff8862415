#include "cli/cli_common.h"

namespace marlin::cli {

void AddEditCommands(CLI::App&, Context&) {}

} // namespace marlin::cli

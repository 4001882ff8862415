#include "cli/cli_common.h"

namespace marlin::cli {

void AddViewCommands(CLI::App&, Context&) {}

} // namespace marlin::cli

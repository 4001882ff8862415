#include "cli/cli_common.h"

namespace marlin::cli {

void AddCheckCommands(CLI::App&, Context&) {}

} // namespace marlin::cli

#include "cli/cli_common.h"

namespace marlin::cli {

void AddHostCommands(CLI::App&, Context&) {}

} // namespace marlin::cli

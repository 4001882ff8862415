// check: reads the whole image and reports every inconsistency, one per line.
#include <iostream>

#include "cli/cli_common.h"
#include "cli/json_output.h"
#include "image/check.h"

namespace marlin::cli {

using namespace marlin::image;

void AddCheckCommands(CLI::App& app, Context& ctx)
{
    auto* cmd = app.add_subcommand("check", "Report every inconsistency of IMAGE; changes nothing");
    static std::string image;
    static bool json = false;
    cmd->add_option("IMAGE", image, "Image file to check")->required();
    cmd->add_flag("--json", json, "Print one JSON document instead of the report");
    cmd->callback([&ctx] {
        auto disc = OpenForCommand(ctx, image);
        if (!disc)
            return;
        const auto problems = Check(*disc);
        if (json) {
            PrintCheckJson(problems);
        } else {
            StdoutSink out;
            out.Write(CheckReport(problems));
        }
        // Problems are the report itself (stdout), not refusals, so the
        // status is set here rather than through the message sink.
        if (!problems.empty() && ctx.exitCode == kExitOk)
            ctx.exitCode = kExitRefused;
    });
}

} // namespace marlin::cli

// check: reads the whole image and reports every inconsistency, one per line.
// repair: mends what can be rebuilt and says what it changed and what not.
#include <iostream>

#include "cli/cli_common.h"
#include "cli/json_output.h"
#include "image/check.h"
#include "image/repair.h"

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

    auto* repair = app.add_subcommand("repair", "Repair what can be rebuilt (the free space map, sequence numbers, "
                                                "parent and own-name fields, name order); print each change, then "
                                                "what was not repaired. Exit 0 when the repaired disc checks clean");
    static std::string repairImage;
    repair->add_option("IMAGE", repairImage, "Image file to repair")->required();
    AddOutputOptions(repair, ctx);
    repair->callback([&ctx] {
        EditImage(ctx, repairImage, [&](Disc& disc) {
            const RepairReport report = Repair(disc);
            StdoutSink out;
            out.Write(RepairText(report));
            if (!report.notRepaired.empty() && ctx.exitCode == kExitOk)
                ctx.exitCode = kExitRefused;
        });
    });
}

} // namespace marlin::cli

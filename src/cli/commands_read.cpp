// Commands that make a disc or only read one: new, info, tree, ls, cat,
// catall, ex, exall, map.
#include <iostream>
#include <map>

#include "cli/cli_common.h"
#include "image/image_file.h"

namespace marlin::cli {

using namespace marlin::image;

void AddReadCommands(CLI::App& app, Context& ctx)
{
    static const std::map<std::string, int> kSizes = {{"1M", 16},   {"2M", 32},   {"4M", 64},  {"8M", 128},
                                                      {"16M", 256}, {"32M", 512}, {"64M", 1024}};
    auto* cmd = app.add_subcommand("new", "Make a blank disc and save it to IMAGE");
    static std::string image, size = "4M";
    cmd->add_option("IMAGE", image, "Image file to write")->required();
    cmd->add_option("--size", size, "1M, 2M, 4M, 8M, 16M, 32M or 64M (default 4M)")
        ->check(CLI::IsMember({"1M", "2M", "4M", "8M", "16M", "32M", "64M"}));
    cmd->callback([&ctx] {
        const Disc disc = NewDisc(kSizes.at(size));
        (void)SaveImage(disc, image, ctx.sink);
    });
}

} // namespace marlin::cli

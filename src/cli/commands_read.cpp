// Commands that make a disc or only read one: new, info, tree, ls, find,
// cat, catall, ex, exall, map.
#include <algorithm>
#include <functional>
#include <iostream>
#include <type_traits>
#include <vector>

#include "cli/cli_common.h"
#include "cli/json_output.h"
#include "host/host_files.h"
#include "host/platform.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/find.h"
#include "image/image_file.h"
#include "views/directory_tree.h"
#include "views/format.h"
#include "views/listings.h"

namespace marlin::cli {

using namespace marlin::image;

namespace {

// Arguments of the read commands; CLI11 writes into them while parsing, so
// they live as long as the App.
struct ReadArgs {
    std::string image;
    std::string size = std::to_string(kDefaultDiscSize.megabytes) + "M";
    std::string dir = "$";
    std::string pattern;
    bool json = false;
};

ReadArgs& Args()
{
    static ReadArgs args;
    return args;
}

void PrintTree(const views::TreeNode& node, int depth)
{
    std::cout << std::string(static_cast<std::size_t>(depth) * 2, ' ') << node.name << '\n';
    for (const views::TreeNode& child : node.children)
        PrintTree(child, depth + 1);
}

void Info(const Disc& disc)
{
    const std::uint8_t boot = disc.At(map::kBootOption);
    const bool checksums = MapChecksumsHold(disc);
    std::cout << views::DiscUsageText(disc) << '\n';
    std::cout << "Disc size: " << disc.DiscSizeField() << " sectors\n";
    std::cout << "Boot option: " << int{boot};
    if (boot < 4)
        std::cout << " (" << kBootOptionNames[boot] << ")";
    std::cout << '\n';
    std::cout << "Free runs: " << disc.map.Count() << '\n';
    std::cout << "Map checksums: " << (checksums ? "hold" : "do not hold") << '\n';
}

void Ls(const Disc& disc, SectorAddress dir)
{
    // As the list fills: nothing for an unsigned block, up to the first empty
    // slot otherwise.
    for (const ListedEntry& listed : ListEntries(disc, dir)) {
        const views::ListColumns columns = views::EntryColumns(listed.entry);
        std::string line;
        for (std::size_t c = 0; c < columns.size(); ++c)
            line += (c == 0 ? "" : "\t") + columns[c];
        std::cout << line << '\n';
    }
}

using JsonForm = std::function<void(const Disc&, const ImagePath&)>;

// Registers a command taking IMAGE and, when withDir, an optional DIR; with
// a json form, also --json.
CLI::App* AddImageCommand(CLI::App& app, Context& ctx, const std::string& name, const std::string& help, bool withDir,
                          std::function<void(const Disc&, SectorAddress)> run, JsonForm json = {})
{
    auto* cmd = app.add_subcommand(name, help);
    cmd->add_option("IMAGE", Args().image, "Image file")->required();
    if (withDir)
        cmd->add_option("DIR", Args().dir, "Directory inside the image (default $)");
    if (json)
        cmd->add_flag("--json", Args().json, "Print one JSON document instead of the text");
    cmd->callback([&ctx, run, json] {
        const auto disc = OpenForCommand(ctx, Args().image);
        if (!disc)
            return;
        const auto dir = ResolveDirectoryPath(ctx, *disc, Args().dir);
        if (!dir)
            return;
        if (Args().json)
            json(*disc, *dir);
        else
            run(*disc, dir->entry.start);
    });
    return cmd;
}

void AddFind(CLI::App& app, Context& ctx)
{
    auto* cmd = app.add_subcommand("find", "Print the full path of every entry in and below DIR that matches PATTERN "
                                           "(* any run of characters, # one, any case)");
    cmd->add_option("IMAGE", Args().image, "Image file")->required();
    cmd->add_option("PATTERN", Args().pattern, "Names to find; a pattern holding . matches whole paths from $")
        ->required();
    cmd->add_option("DIR", Args().dir, "Directory to search (default $)");
    cmd->add_flag("--json", Args().json, "Print one JSON document instead of the paths");
    cmd->callback([&ctx] {
        const auto disc = OpenForCommand(ctx, Args().image);
        if (!disc)
            return;
        const auto dir = ResolveDirectoryPath(ctx, *disc, Args().dir);
        if (!dir)
            return;
        const auto found = FindEntries(*disc, Args().pattern, dir->entry.start, dir->path);
        if (Args().json) {
            PrintFindJson(Args().pattern, dir->path, found);
        } else {
            for (const FoundEntry& f : found)
                std::cout << f.path << '\n';
        }
        // As grep: finding nothing is status 1, with nothing said.
        if (found.empty())
            ctx.exitCode = kExitRefused;
    });
}

} // namespace

void AddReadCommands(CLI::App& app, Context& ctx)
{
    // Sizes are named by megabytes: 1M to 64M.
    std::vector<std::string> names;
    for (const DiscSize& size : kDiscSizes)
        names.push_back(std::to_string(size.megabytes) + "M");
    std::string help;
    for (std::size_t i = 0; i < names.size(); ++i)
        help += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    auto* cmd = app.add_subcommand("new", "Make a blank disc and save it to IMAGE");
    cmd->add_option("IMAGE", Args().image, "Image file to write")->required();
    cmd->add_option("--size", Args().size, help + " (default " + Args().size + ")")->check(CLI::IsMember(names));
    cmd->add_flag("--dry-run", ctx.dryRun, "Make the disc in memory only, and write no file");
    cmd->callback([&ctx] {
        const auto size = std::find_if(kDiscSizes.begin(), kDiscSizes.end(), [](const DiscSize& s) {
            return std::to_string(s.megabytes) + "M" == Args().size;
        });
        const Disc disc = NewDisc(size->units);
        if (!ctx.dryRun)
            (void)host::SaveImage(disc, host::PathFromText(Args().image), ctx.sink);
    });

    AddImageCommand(
        app, ctx, "info",
        "Print the disc usage, size in sectors, boot option, number of free runs and whether the map "
        "checksums hold",
        false, [](const Disc& disc, SectorAddress) { Info(disc); },
        [](const Disc& disc, const ImagePath&) { PrintInfoJson(disc); });
    AddImageCommand(
        app, ctx, "tree", "Print the directory tree, two spaces of indent per level", false,
        [](const Disc& disc, SectorAddress) { PrintTree(views::BuildDirectoryTree(disc), 0); },
        [](const Disc& disc, const ImagePath&) { PrintTreeJson(views::BuildDirectoryTree(disc)); });
    AddImageCommand(app, ctx, "ls", "List the entries of DIR: Filename, Attr, Seq, Load, Exec, Size, Sector", true, Ls,
                    [](const Disc& disc, const ImagePath& dir) { PrintLsJson(disc, dir.entry.start, dir.path); });
    AddFind(app, ctx);
    // A listing of DIR, written to standard output as it is made; the "all"
    // listings name DIR by its own name.
    const auto listing = [](auto write) {
        return [write](const Disc& disc, SectorAddress dir) {
            StdoutSink out;
            if constexpr (std::is_invocable_v<decltype(write), const Disc&, SectorAddress, views::TextSink&>)
                write(disc, dir, out);
            else
                write(disc, dir, GetDirectoryName(disc, dir), out);
        };
    };
    AddImageCommand(app, ctx, "cat", "The *CAT listing of DIR", true, listing(views::WriteCat));
    AddImageCommand(app, ctx, "catall", "The *CATALL listing of DIR and every directory below it", true,
                    listing(views::WriteCatAll));
    AddImageCommand(app, ctx, "ex", "The *EX listing of DIR", true, listing(views::WriteEx));
    AddImageCommand(app, ctx, "exall", "The *EXALL listing of DIR and every directory below it", true,
                    listing(views::WriteExAll));
    AddImageCommand(
        app, ctx, "map", "The free-space map table", false,
        [](const Disc& disc, SectorAddress) {
            StdoutSink out;
            views::WriteMap(disc, out);
        },
        [](const Disc& disc, const ImagePath&) { PrintMapJson(disc); });
}

} // namespace marlin::cli

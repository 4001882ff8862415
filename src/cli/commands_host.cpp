// Commands that move files between an image and the host: import, export.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_common.h"
#include "host/export.h"
#include "host/import.h"

namespace marlin::cli {

using namespace marlin::image;
namespace fs = std::filesystem;

namespace {

void AddImport(CLI::App& app, Context& ctx)
{
    auto* cmd = app.add_subcommand("import", "Import host files and folders (with their .INF sidecars) into DIR");
    static std::string image, dir;
    static std::vector<std::string> hostPaths;
    cmd->add_option("IMAGE", image, "Image file")->required();
    cmd->add_option("DIR", dir, "Directory inside the image ($ for the root)")->required();
    cmd->add_option("HOSTPATH", hostPaths, "Host files and folders, imported in this order")->required();
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx] {
        auto disc = OpenForCommand(ctx, image);
        if (!disc)
            return;
        const auto target = ResolveDirectory(ctx, *disc, dir);
        if (!target)
            return;
        // As a drop: a duplicate name is refused and the batch goes on; the
        // first failure ends it, keeping what came before.
        const auto before = disc->Snapshot();
        const std::vector<fs::path> paths(hostPaths.begin(), hostPaths.end());
        (void)host::DropHostFiles(*disc, *target, paths, ctx.sink);
        if (disc->Changed(*before))
            (void)SaveForCommand(ctx, *disc, image);
    });
}

void AddExport(CLI::App& app, Context& ctx)
{
    auto* cmd = app.add_subcommand(
        "export", "Export a directory's entries (the root: the whole disc), or one file, into the host folder DEST");
    static std::string image, path, dest;
    cmd->add_option("IMAGE", image, "Image file")->required();
    cmd->add_option("PATH", path, "Directory or file inside the image")->required();
    cmd->add_option("DEST", dest, "Host folder (made when missing, one level)")->required();
    cmd->callback([&ctx] {
        const auto disc = OpenForCommand(ctx, image);
        if (!disc)
            return;
        const auto item = ResolveOrReport(ctx, *disc, path);
        if (!item)
            return;
        if (item->entry.D) {
            (void)host::ExportFiles(*disc, dest, item->entry.start, ctx.sink);
            return;
        }
        // One file as one selected list item: data file and sidecar.
        std::error_code ec;
        if (!fs::exists(dest, ec))
            fs::create_directory(dest, ec); // a failure shows as "Cannot Export" on the file
        (void)host::ExportListItems(*disc, dest, std::span(&item->entry, 1), ctx.sink);
    });
}

} // namespace

void AddHostCommands(CLI::App& app, Context& ctx)
{
    AddImport(app, ctx);
    AddExport(app, ctx);
}

} // namespace marlin::cli

// Commands that move files between an image and the host: import, export,
// and get and put for one file's bytes alone, through a pipe if need be.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_common.h"
#include "host/export.h"
#include "host/import.h"
#include "host/platform.h"
#include "image/directory.h"
#include "image/entry_ops.h"

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
        std::vector<fs::path> paths;
        for (const std::string& p : hostPaths)
            paths.push_back(host::PathFromText(p));
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
    static bool salvage = false;
    cmd->add_option("IMAGE", image, "Image file")->required();
    cmd->add_option("PATH", path, "Directory or file inside the image")->required();
    cmd->add_option("DEST", dest, "Host folder (made when missing, one level)")->required();
    cmd->add_flag("--salvage", salvage,
                  "For a damaged disc: export everything that can be read, skipping unreadable directories, cutting "
                  "files at the image's end and giving clashing names a ~N suffix; each such step is a line on "
                  "standard error and in DEST/salvage.log. Exit status 1 when anything was skipped or shortened");
    cmd->callback([&ctx] {
        const auto disc = OpenForCommand(ctx, image);
        if (!disc)
            return;
        const auto item = ResolveOrReport(ctx, *disc, path);
        if (!item)
            return;
        host::Salvage log;
        log.echo = [](const std::string& line) { std::cerr << line << '\n'; };
        host::Salvage* const mode = salvage ? &log : nullptr;
        const fs::path folder = host::PathFromText(dest);
        if (item->entry.D) {
            log.path = item->path;
            (void)host::ExportFiles(*disc, folder, item->entry.start, ctx.sink, {}, mode);
        } else {
            // One file as one selected list item: data file and sidecar.
            std::error_code ec;
            if (!fs::exists(folder, ec))
                fs::create_directory(folder, ec); // a failure shows as "Cannot Export" on the file
            log.path = item->path.substr(0, item->path.size() - item->entry.name.size() - 1);
            (void)host::ExportListItems(*disc, folder, std::span(&item->entry, 1), ctx.sink, {}, nullptr, mode);
        }
        if (log.incomplete && ctx.exitCode == kExitOk)
            ctx.exitCode = kExitRefused;
    });
}

// The name that stands for standard input or output instead of a host file.
constexpr std::string_view kStdStream = "-";

void AddGet(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, path, dest{kStdStream};
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("get", "Write a file's bytes, exactly, to HOSTFILE or standard output");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH", args->path, "File inside the image")->required();
    cmd->add_option("HOSTFILE", args->dest, "Host file to write, or - for standard output (the default)");
    cmd->callback([&ctx, args] {
        const auto disc = OpenForCommand(ctx, args->image);
        if (!disc)
            return;
        // A directory has no bytes of its own to give, as for the views that
        // take a directory.
        const auto p = ResolvePath(*disc, args->path);
        if (!p || p->entry.D) {
            ctx.Usage(MessageText({RefusalCode::FileNotFound, args->path, {}}));
            return;
        }
        // As export writes a file: the bytes that lie inside the image.
        const std::uint64_t offset = std::min<std::uint64_t>(p->entry.start.ByteOffset(), disc->Size());
        const auto bytes =
            disc->Bytes().subspan(offset, std::min<std::uint64_t>(p->entry.length, disc->Size() - offset));
        if (args->dest == kStdStream) {
            WriteStdout(bytes);
            return;
        }
        std::ofstream out(host::PathFromText(args->dest), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            ctx.sink.Report({RefusalCode::CannotExport, args->dest, {}});
    });
}

// The bytes of a host file or of standard input, but no more than limit:
// a source longer than every free run is known not to fit without reading
// the rest of it. Nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadSource(const std::string& source, std::uint64_t limit)
{
    // Only read from, so closing cannot lose anything; standard input stays open.
    struct Close {
        void operator()(FILE* f) const
        {
            if (f != stdin)
                std::fclose(f);
        }
    };
    const std::unique_ptr<FILE, Close> file(source == kStdStream ? stdin
                                                                 : host::OpenForReading(host::PathFromText(source)));
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    while (bytes.size() < limit) {
        const std::size_t n =
            std::fread(buffer, 1, std::min<std::uint64_t>(sizeof buffer, limit - bytes.size()), file.get());
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (n == 0)
            break;
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

void AddPut(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, dir, source, name, load, exec;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("put", "Store the bytes of HOSTFILE, or of standard input (-), as the new file NAME "
                                          "in DIR");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("DIR", args->dir, "Directory inside the image ($ for the root)")->required();
    cmd->add_option("HOSTFILE", args->source, "Host file to read, or - for standard input")->required();
    cmd->add_option("--name", args->name, "Name of the new file (the first 10 characters are kept)")->required();
    AddAddressOptions(cmd, args->load, args->exec);
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        EditImage(ctx, args->image, [&](Disc& disc) {
            const auto dir = EditableDirectory(ctx, disc, args->dir);
            if (!dir)
                return;
            // The name is given, not taken from a host name, so it meets a
            // rename's character rules rather than being made to fit.
            const auto name = LegalNewName(ctx, args->name);
            if (!name)
                return;
            std::uint64_t largest = 0;
            for (const MapRun& run : disc.map.runs)
                largest = std::max<std::uint64_t>(largest, std::uint64_t{run.Length} * kSectorSize);
            const auto bytes = ReadSource(args->source, largest + 1);
            if (!bytes) {
                ctx.sink.Report({RefusalCode::CannotReadHostFile, args->source, {}});
                return;
            }
            // As an import without a sidecar gives: R and W, the length the
            // bytes have; the addresses given, else 0. CreateFile refuses as
            // the import does: no space, then a full directory, then the name.
            DirEntry entry;
            entry.name = *name;
            entry.R = entry.W = true;
            entry.load = AddressValue(args->load).value_or(0);
            entry.exec = AddressValue(args->exec).value_or(0);
            entry.length = static_cast<std::uint32_t>(bytes->size());
            (void)CreateFile(disc, *dir, entry, *bytes, ctx.sink);
        });
    });
}

} // namespace

void AddHostCommands(CLI::App& app, Context& ctx)
{
    AddImport(app, ctx);
    AddExport(app, ctx);
    AddGet(app, ctx);
    AddPut(app, ctx);
}

} // namespace marlin::cli

// Commands that change an image: mkdir, rename, attrib, addr, title, boot,
// delete, compact. Each opens IMAGE, calls the core operation the window's command
// calls, and saves only when the image's bytes changed; a batch that stops at
// a refusal saves what it did before it.
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"

namespace marlin::cli {

using namespace marlin::image;

namespace {

// An entry (not the root, which no directory lists).
std::optional<ImagePath> ResolveEntry(Context& ctx, const Disc& disc, const std::string& path)
{
    auto p = ResolveOrReport(ctx, disc, path);
    if (p && p->isRoot) {
        ctx.Usage("$ is the root directory and has no entry to change");
        return std::nullopt;
    }
    return p;
}

void AddMkdir(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, dir, name;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("mkdir", "Create directory NAME in DIR");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("DIR", args->dir, "Directory to create it in, e.g. $ or $.GAMES")->required();
    cmd->add_option("NAME", args->name, "Name of the new directory (up to 10 characters)")->required();
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        EditImage(ctx, args->image, [&](Disc& disc) {
            const auto dir = EditableDirectory(ctx, disc, args->dir);
            if (!dir)
                return;
            // The window names a new directory by renaming it, so the name
            // meets the rename's character rules first.
            if (!LegalNewName(ctx, args->name))
                return;
            (void)CreateDirectory(disc, *dir, args->name, ctx.sink);
        });
    });
}

void AddRename(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, path, newName;
        bool keepLocked = false;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("rename", "Rename a file or directory");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH", args->path, "Entry to rename, e.g. $.GAMES.ELITE")->required();
    cmd->add_option("NEWNAME", args->newName, "New name (the first 10 characters are kept)")->required();
    cmd->add_flag("--keep-locked", args->keepLocked, "Refuse locked entries (\"Delete Locked Files\" off)");
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        EditImage(ctx, args->image, [&](Disc& disc) {
            const auto p = ResolveEntry(ctx, disc, args->path);
            if (p)
                (void)RenameEntry(disc, p->entry.name, args->newName, p->holder, !args->keepLocked, ctx.sink);
        });
    });
}

void AddAttrib(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image;
        std::vector<std::string> rest; // PATH... LETTERS
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("attrib", "Set R, W and L on each PATH from LETTERS (any of R W L, or - for none)");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH... LETTERS", args->rest, "Entries, then the letters")->required()->expected(2, -1);
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        const std::string letters = args->rest.back();
        bool r = false, w = false, l = false;
        if (letters != "-") {
            for (char c : letters) {
                switch (c) {
                case 'R':
                case 'r':
                    r = true;
                    break;
                case 'W':
                case 'w':
                    w = true;
                    break;
                case 'L':
                case 'l':
                    l = true;
                    break;
                default:
                    ctx.Usage("LETTERS must be made of R, W and L, or be - for none: " + letters);
                    return;
                }
            }
        }
        EditImage(ctx, args->image, [&](Disc& disc) {
            for (std::size_t i = 0; i + 1 < args->rest.size(); ++i) {
                const auto p = ResolveEntry(ctx, disc, args->rest[i]);
                if (!p)
                    return;
                // The path was just found, so the entry is there.
                (void)SetAttributes(disc, p->holder, p->entry.name, r, w, l);
            }
        });
    });
}

void AddAddr(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, path, load, exec;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("addr", "Set a file's load and execution addresses (those given)");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH", args->path, "File inside the image, e.g. $.GAMES.ELITE")->required();
    AddAddressOptions(cmd, args->load, args->exec);
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        if (args->load.empty() && args->exec.empty()) {
            ctx.Usage("addr needs --load HEX, --exec HEX or both");
            return;
        }
        EditImage(ctx, args->image, [&](Disc& disc) {
            if (const auto p = ResolveEntry(ctx, disc, args->path))
                (void)SetAddresses(disc, p->holder, p->entry.name, AddressValue(args->load), AddressValue(args->exec),
                                   ctx.sink);
        });
    });
}

void AddTitle(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, dir, title;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("title", "Set a directory's title");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("DIR", args->dir, "Directory, e.g. $ or $.GAMES")->required();
    cmd->add_option("TITLE", args->title, "Title (the first 19 characters are kept)")->required();
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        EditImage(ctx, args->image, [&](Disc& disc) {
            if (const auto dir = EditableDirectory(ctx, disc, args->dir))
                (void)SetDirectoryTitle(disc, *dir, args->title, ctx.sink);
        });
    });
}

void AddBoot(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image, option;
    };
    auto args = std::make_shared<Args>();
    // The options by their names in lower case, in value order.
    std::vector<std::string> names;
    for (const std::string_view name : kBootOptionNames) {
        names.emplace_back(name);
        for (char& c : names.back())
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    auto* cmd = app.add_subcommand("boot", "Set the disc's boot option");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("OPTION", args->option, names[0] + ", " + names[1] + ", " + names[2] + " or " + names[3])
        ->required()
        ->check(CLI::IsMember(names));
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args, names] {
        const auto value =
            static_cast<std::uint8_t>(std::find(names.begin(), names.end(), args->option) - names.begin());
        EditImage(ctx, args->image, [&](Disc& disc) { SetBootOption(disc, value); });
    });
}

void AddDelete(CLI::App& app, Context& ctx)
{
    struct Args {
        std::string image;
        std::vector<std::string> paths;
        bool keepLocked = false, keepNonEmpty = false;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("delete", "Delete files and directories in the order given, stopping at the first "
                                             "refusal");
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH", args->paths, "Entries to delete; $ empties the root")->required();
    cmd->add_flag("--keep-locked", args->keepLocked, "Refuse locked entries (\"Delete Locked Files\" off)");
    cmd->add_flag("--keep-nonempty", args->keepNonEmpty,
                  "Refuse directories that hold entries (\"Delete Non Empty Directories\" off)");
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, args] {
        const bool ignoreLock = !args->keepLocked;
        const bool recurse = !args->keepNonEmpty;
        EditImage(ctx, args->image, [&](Disc& disc) {
            for (const std::string& path : args->paths) {
                const auto p = ResolveOrReport(ctx, disc, path);
                if (!p)
                    return;
                const Status deleted =
                    p->entry.D ? DeleteDirectory(disc, p->isRoot ? std::nullopt : std::optional(p->holder),
                                                 p->entry.start, p->entry.name, ignoreLock, recurse, ctx.sink)
                               : DeleteEntry(disc, p->holder, p->entry.name, false, ignoreLock, ctx.sink);
                if (deleted == Status::Refused)
                    return;
            }
        });
    });
}

void AddCompact(CLI::App& app, Context& ctx)
{
    auto image = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("compact", "Gather the free space into one run at the end of the disc");
    cmd->add_option("IMAGE", *image, "Image file")->required();
    AddOutputOptions(cmd, ctx);
    cmd->callback([&ctx, image] { EditImage(ctx, *image, [&](Disc& disc) { (void)CompactDisc(disc, ctx.sink); }); });
}

} // namespace

void AddEditCommands(CLI::App& app, Context& ctx)
{
    AddMkdir(app, ctx);
    AddRename(app, ctx);
    AddAttrib(app, ctx);
    AddAddr(app, ctx);
    AddTitle(app, ctx);
    AddBoot(app, ctx);
    AddDelete(app, ctx);
    AddCompact(app, ctx);
}

} // namespace marlin::cli

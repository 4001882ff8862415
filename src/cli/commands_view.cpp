// Commands that show one file as the view window would: hex, text, basic, dis.
#include <iostream>
#include <memory>

#include "cli/cli_common.h"
#include "views/basic_lister.h"
#include "views/disassembler.h"
#include "views/dumps.h"

namespace marlin::cli {

using namespace marlin::image;
using namespace marlin::views;

namespace {

using Producer = View (*)(const Disc&, const FileItem&, Keep);

void AddViewCommand(CLI::App& app, Context& ctx, const std::string& name, const std::string& help, Producer show)
{
    struct Args {
        std::string image;
        std::string path;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand(name, help);
    cmd->add_option("IMAGE", args->image, "Image file")->required();
    cmd->add_option("PATH", args->path, "File or directory inside the image")->required();
    cmd->callback([&ctx, args, show] {
        const auto disc = OpenForCommand(ctx, args->image);
        if (!disc)
            return;
        const auto path = ResolveOrReport(ctx, *disc, args->path);
        if (!path)
            return;
        // The file's bytes are read from the disc as the text is written.
        StdoutSink out;
        show(*disc, ItemOf(path->entry), Keep::Borrowed).lines->WriteTo(out);
    });
}

} // namespace

void AddViewCommands(CLI::App& app, Context& ctx)
{
    AddViewCommand(app, ctx, "hex", "Hex dump of a file, or of a directory's 1280-byte block", ShowHex);
    AddViewCommand(app, ctx, "text", "The file as text", ShowText);
    AddViewCommand(app, ctx, "basic", "The file listed as a BASIC program", ShowBasic);
    AddViewCommand(app, ctx, "dis", "The file disassembled from its load address", ShowDis);
}

} // namespace marlin::cli

// __complete-path IMAGE PREFIX: the paths inside IMAGE that start with PREFIX,
// one per line, for the shell's completion of PATH and DIR arguments. It is
// left out of --help; a directory ends in "." so that completion can go on
// into it.
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_common.h"
#include "image/directory.h"
#include "image/image_file.h"

namespace marlin::cli {

using namespace marlin::image;

namespace {

void PrintCompletions(const Disc& disc, const std::string& typed)
{
    // The directory is what comes before the last "." that names one (a name
    // may hold "." itself); the paths keep the typed form, with or without "$".
    const bool rooted = typed.starts_with('$');
    SectorAddress dir = kRoot;
    std::string base = rooted ? "$" : "";
    for (std::size_t dot = typed.rfind('.'); dot != std::string::npos && dot > 0; dot = typed.rfind('.', dot - 1)) {
        const auto p = ResolvePath(disc, typed.substr(0, dot));
        if (p && p->entry.D) {
            dir = p->entry.start;
            base = rooted ? p->path : p->path.substr(p->isRoot ? 1 : 2);
            break;
        }
    }
    const std::string wanted = UpperName(typed);
    for (const ListedEntry& listed : ListEntries(disc, dir)) {
        const std::string path = base + (base.empty() ? "" : ".") + listed.entry.name + (listed.entry.D ? "." : "");
        if (UpperName(path).starts_with(wanted) && path.find('\n') == std::string::npos)
            std::cout << path << '\n';
    }
}

} // namespace

void AddCompleteCommands(CLI::App& app)
{
    struct Args {
        std::string image, prefix;
    };
    auto args = std::make_shared<Args>();
    auto* cmd = app.add_subcommand("__complete-path", "Paths inside IMAGE that start with PREFIX");
    cmd->group(""); // not listed by --help
    cmd->add_option("IMAGE", args->image)->required();
    cmd->add_option("PREFIX", args->prefix);
    cmd->callback([args] {
        // Completion offers nothing for an image it cannot read, and says nothing.
        SilentSink quiet;
        const auto disc = OpenImage(args->image, quiet);
        if (!disc.Refused())
            PrintCompletions(*disc, args->prefix);
    });
}

} // namespace marlin::cli

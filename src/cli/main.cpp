// marlin: every operation of Marlin Explorer, for scripts.
#include <iostream>

#include "cli/cli_common.h"
#include "identity.h"

int main(int argc, char** argv)
{
    using namespace marlin;
    using namespace marlin::cli;
    CLI::App app{"marlin: make, list and change Marlin disc images (.dat) from the command line"};
    app.set_version_flag("--version", kVersionLine);
    app.require_subcommand(1);
    app.fallthrough();
    Context ctx;
    AddReadCommands(app, ctx);
    AddEditCommands(app, ctx);
    AddHostCommands(app, ctx);
    AddViewCommands(app, ctx);
    AddCheckCommands(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    return ctx.Status();
}

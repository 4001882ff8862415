// marlin: every operation of Marlin Explorer, for scripts.
#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "host/platform.h"
#include "identity.h"

int main(int argc, char** argv)
{
    using namespace marlin;
    using namespace marlin::cli;
    CLI::App app{"marlin: make, list and change Marlin disc images (.dat) from the command line"};
    app.set_version_flag("--version", kVersionLine);
    app.require_subcommand(1);
    app.fallthrough();
    // Options begin with "-" on every host; "/x" is a path, also on Windows.
    app.allow_windows_style_options(false);
    Context ctx;
    AddReadCommands(app, ctx);
    AddEditCommands(app, ctx);
    AddHostCommands(app, ctx);
    AddViewCommands(app, ctx);
    AddCheckCommands(app, ctx);
    AddCompleteCommands(app);
#ifdef SIGPIPE
    // A reader that goes away shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // get and put move bytes exactly, and every text ends its lines with LF.
    host::UseBinaryStandardStreams();
    const std::vector<std::string> arguments = host::ProgramArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& a : arguments)
        pointers.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
        CheckOutput();
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    } catch (const OutputFailed&) {
        return kExitRefused;
    } catch (const std::bad_alloc&) {
        ctx.sink.Report({image::RefusalCode::NotEnoughMemory, {}, {}});
        return kExitRefused;
    }
    return ctx.Status();
}

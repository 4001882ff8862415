#pragma once
// What every `marlin` command shares: opening IMAGE, saving it back, finding
// a path inside the image, and the stderr message sink that sets the exit
// status.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "image/directory.h"
#include "image/disc.h"
#include "image/messages.h"
#include "image/result.h"
#include "views/text_sink.h"

namespace marlin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// Writes each message to stderr as it happens (a message holding a line
// break is written as two lines) and remembers that something was said.
class StderrSink final : public image::MessageSink {
public:
    void Show(const std::string& text) override;
    [[nodiscard]] bool Said() const { return m_said; }

private:
    bool m_said = false;
};

// Shared state of one run of the tool.
struct Context {
    StderrSink sink;
    int exitCode = kExitOk;
    std::string output;  // --output FILE for commands that change the image
    bool dryRun = false; // --dry-run: the change is made in memory only

    // Marks a usage error: prints text to stderr, exit status 2.
    void Usage(const std::string& text);
    // The exit status after a command: usage, else 1 when a message was shown.
    [[nodiscard]] int Status() const;
};

// Opens IMAGE; "File Not Found : " + path (exit 2) when it does not exist,
// the image refusal (exit 1) when it is not an image.
[[nodiscard]] std::optional<image::Disc> OpenForCommand(Context& ctx, const std::string& path);

// Adds --output and --dry-run to a command that changes the image.
void AddOutputOptions(CLI::App* cmd, Context& ctx);
// Adds --load HEX and --exec HEX (1 to 8 hex digits; anything else is a
// usage error); a value not given stays empty.
void AddAddressOptions(CLI::App* cmd, std::string& load, std::string& exec);
// The value of an address option, nothing when it was not given.
[[nodiscard]] std::optional<std::uint32_t> AddressValue(const std::string& hex);

// Saves the image to --output or back to IMAGE.
image::Status SaveForCommand(Context& ctx, const image::Disc& disc, const std::string& imagePath);

// Opens IMAGE, lets edit change the disc, and writes it back (or to
// --output) only when something changed: a refused operation changes
// nothing, so it saves nothing.
template <class Edit> void EditImage(Context& ctx, const std::string& image, Edit&& edit)
{
    auto disc = OpenForCommand(ctx, image);
    if (!disc)
        return;
    const auto before = disc->Snapshot();
    edit(*disc);
    if (disc->Changed(*before))
        (void)SaveForCommand(ctx, *disc, image);
}

// A path inside the image, resolved.
struct ImagePath {
    bool isRoot = false;
    image::SectorAddress holder; // the directory that lists the entry (not for the root)
    int slot = -1;               // the entry's slot in holder (not for the root)
    image::DirEntry entry;       // the entry (for the root, as RootEntry describes it)
    std::string path = "$";      // from "$", with the names as the disc holds them
};

// The first 10 characters of a name given for a new entry, when they meet
// a rename's character rules; otherwise said (IllegalFileName) and none.
[[nodiscard]] std::optional<std::string> LegalNewName(Context& ctx, const std::string& name);

// "$", "$.A.B" or "A.B" (taken from the root); names match in any case, and an
// entry name that itself holds "." is matched whole before the path is split.
[[nodiscard]] std::optional<ImagePath> ResolvePath(const image::Disc& disc, std::string_view path);
// ResolvePath, reporting "File Not Found : " + path as a usage error.
[[nodiscard]] std::optional<ImagePath> ResolveOrReport(Context& ctx, const image::Disc& disc, std::string_view path);
// A path that must name a directory.
[[nodiscard]] std::optional<image::SectorAddress> ResolveDirectory(Context& ctx, const image::Disc& disc,
                                                                   std::string_view path);
[[nodiscard]] std::optional<ImagePath> ResolveDirectoryPath(Context& ctx, const image::Disc& disc,
                                                            std::string_view path);
// A directory that a change may write into: its block lies inside the image.
[[nodiscard]] std::optional<image::SectorAddress> EditableDirectory(Context& ctx, const image::Disc& disc,
                                                                    const std::string& path);

// Standard output for listings, written as they are made, each CR as LF.
// A failed write (a closed pipe, a full disc) throws OutputFailed, which ends
// the command quietly with status 1.
class StdoutSink final : public views::TextSink {
public:
    void Write(std::string_view text) override;
};
struct OutputFailed {};
// Throws OutputFailed when standard output has failed so far.
void CheckOutput();
// Writes bytes to standard output as they are; OutputFailed when that fails.
void WriteStdout(std::span<const std::uint8_t> bytes);

// Registration of each group of commands.
void AddReadCommands(CLI::App& app, Context& ctx);
void AddEditCommands(CLI::App& app, Context& ctx);
void AddHostCommands(CLI::App& app, Context& ctx);
void AddViewCommands(CLI::App& app, Context& ctx);
void AddCheckCommands(CLI::App& app, Context& ctx);
// The hidden command that the shell's completion asks for paths inside an image.
void AddCompleteCommands(CLI::App& app);

} // namespace marlin::cli

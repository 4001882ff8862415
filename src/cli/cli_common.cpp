#include "cli/cli_common.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

#include "host/host_files.h"
#include "host/platform.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "image/walk_guard.h"

namespace marlin::cli {

using namespace marlin::image;
namespace fs = std::filesystem;

void StderrSink::Show(const std::string& text)
{
    std::cerr << text << '\n';
    std::cerr.flush();
    m_said = true;
}

void Context::Usage(const std::string& text)
{
    std::cerr << text << '\n';
    exitCode = kExitUsage;
}

int Context::Status() const
{
    if (exitCode != kExitOk)
        return exitCode;
    return sink.Said() ? kExitRefused : kExitOk;
}

std::optional<Disc> OpenForCommand(Context& ctx, const std::string& path)
{
    auto opened = OpenImage(host::PathFromText(path), ctx.sink);
    if (opened.Refused()) {
        // A missing IMAGE is a usage error, as is every path that names nothing.
        if (opened.Reason() == RefusalCode::FileNotFound)
            ctx.exitCode = kExitUsage;
        return std::nullopt;
    }
    return std::move(*opened);
}

void AddOutputOptions(CLI::App* cmd, Context& ctx)
{
    cmd->add_option("--output", ctx.output, "Write the changed image to FILE instead of IMAGE");
    cmd->add_flag("--dry-run", ctx.dryRun, "Do the work and print what it prints, but write no file");
}

void AddAddressOptions(CLI::App* cmd, std::string& load, std::string& exec)
{
    const CLI::Validator hex(
        [](const std::string& text) {
            const bool ok = !text.empty() && text.size() <= 8 &&
                            text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
            return ok ? std::string() : "must be 1 to 8 hex digits: " + text;
        },
        "HEX");
    cmd->add_option("--load", load, "Load address, in hex")->check(hex);
    cmd->add_option("--exec", exec, "Execution address, in hex")->check(hex);
}

std::optional<std::uint32_t> AddressValue(const std::string& hex)
{
    if (hex.empty())
        return std::nullopt;
    // The option's check let only 1 to 8 hex digits through.
    std::uint32_t value = 0;
    std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    return value;
}

Status SaveForCommand(Context& ctx, const Disc& disc, const std::string& imagePath)
{
    if (ctx.dryRun)
        return Status::Done;
    return host::SaveImage(disc, host::PathFromText(ctx.output.empty() ? imagePath : ctx.output), ctx.sink);
}

namespace {

std::optional<ImagePath> ResolveIn(const Disc& disc, SectorAddress dir, std::string_view rest, int depth,
                                   const std::string& prefix)
{
    // A damaged disc may loop; no real path is deeper than this.
    if (!WalkGuard::DepthAllowed(depth) || !IsDirectory(disc, dir))
        return std::nullopt;
    auto found = [&](int slot) {
        ImagePath p;
        p.holder = dir;
        p.slot = slot;
        p.entry = ReadEntry(disc, dir, slot);
        p.path = prefix + "." + p.entry.name;
        return p;
    };
    if (int slot = FindEntry(disc, dir, rest); slot >= 0)
        return found(slot);
    for (std::size_t dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.', dot + 1)) {
        const int slot = FindEntry(disc, dir, rest.substr(0, dot));
        if (slot < 0)
            continue;
        const DirEntry e = ReadEntry(disc, dir, slot);
        if (!e.D)
            continue;
        if (auto p = ResolveIn(disc, e.start, rest.substr(dot + 1), depth + 1, prefix + "." + e.name))
            return p;
    }
    return std::nullopt;
}

} // namespace

std::optional<ImagePath> ResolvePath(const Disc& disc, std::string_view path)
{
    if (path == "$" || path.empty()) {
        ImagePath root;
        root.isRoot = true;
        root.entry = RootEntry(disc);
        return root;
    }
    if (path.starts_with("$."))
        path.remove_prefix(2);
    // "$." names nothing; it must not match a damaged slot whose name is empty.
    if (path.empty())
        return std::nullopt;
    return ResolveIn(disc, kRoot, path, 0, "$");
}

std::optional<ImagePath> ResolveOrReport(Context& ctx, const Disc& disc, std::string_view path)
{
    auto p = ResolvePath(disc, path);
    if (!p)
        ctx.Usage(MessageText({RefusalCode::FileNotFound, std::string(path), {}}));
    return p;
}

std::optional<ImagePath> ResolveDirectoryPath(Context& ctx, const Disc& disc, std::string_view path)
{
    auto p = ResolvePath(disc, path);
    if (!p || !p->entry.D) {
        ctx.Usage(MessageText({RefusalCode::FileNotFound, std::string(path), {}}));
        return std::nullopt;
    }
    return p;
}

std::optional<SectorAddress> ResolveDirectory(Context& ctx, const Disc& disc, std::string_view path)
{
    const auto p = ResolveDirectoryPath(ctx, disc, path);
    return p ? std::optional(p->entry.start) : std::nullopt;
}

std::optional<SectorAddress> EditableDirectory(Context& ctx, const Disc& disc, const std::string& path)
{
    // Every change writes into the block, which a damaged entry may place
    // (partly) outside the image.
    auto dir = ResolveDirectory(ctx, disc, path);
    if (dir && !disc.Contains(dir->ByteOffset(), dir::kBlockSize)) {
        ctx.Usage(MessageText({RefusalCode::FileNotFound, path, {}}));
        return std::nullopt;
    }
    return dir;
}

void StdoutSink::Write(std::string_view text)
{
    // In pieces of a bounded size, CRs turned into LFs on the way.
    char buffer[4096];
    while (!text.empty()) {
        const std::size_t n = std::min(text.size(), sizeof buffer);
        std::replace_copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer, '\r', '\n');
        if (std::fwrite(buffer, 1, n, stdout) != n)
            throw OutputFailed();
        text.remove_prefix(n);
    }
}

void WriteStdout(std::span<const std::uint8_t> bytes)
{
    std::cout.flush();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        throw OutputFailed();
}

void CheckOutput()
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
        throw OutputFailed();
}

std::optional<std::string> LegalNewName(Context& ctx, const std::string& name)
{
    std::string cut = name.substr(0, image::dir::kNameLength);
    if (!image::IsLegalEntryName(cut)) {
        ctx.sink.Report({image::RefusalCode::IllegalFileName, cut, {}});
        return std::nullopt;
    }
    return cut;
}

} // namespace marlin::cli

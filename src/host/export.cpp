#include "host/export.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>

#include "host/host_files.h"
#include "host/host_names.h"
#include "host/inf_file.h"
#include "image/directory.h"
#include "image/hex.h"
#include "image/walk_guard.h"

namespace marlin::host {

using namespace marlin::image;
namespace fs = std::filesystem;

namespace {

struct ExportRun {
    const Disc& disc;
    MessageSink& sink;
    const Progress& progress;
    Salvage* salvage = nullptr;
    // A damaged image whose directory lists an ancestor would otherwise
    // never end; one listed in two places is written in both, except in
    // salvage mode, which writes it once.
    WalkGuard guard{disc};
    // Salvage: the disc path each directory block was first written under.
    std::unordered_map<std::uint32_t, std::string> exportedAs{};
};

bool Fail(ExportRun& run, const fs::path& path, const std::string& detail = {})
{
    run.sink.Report({RefusalCode::CannotExport, path.string(), detail});
    return false;
}

void Log(ExportRun& run, std::string line, bool incomplete)
{
    run.salvage->incomplete = run.salvage->incomplete || incomplete;
    if (run.salvage->echo)
        run.salvage->echo(line);
    run.salvage->lines.push_back(std::move(line));
}

// Salvage: why the directory at dir cannot be written, or nothing. A block
// listed twice is written once, so no damage multiplies the work.
std::optional<std::string> SkipReason(const ExportRun& run, SectorAddress dir, int depth)
{
    if (!run.disc.Contains(dir.ByteOffset(), dir::kBlockSize))
        return "directory block lies outside the image";
    if (!IsDirectory(run.disc, dir))
        return "directory block has no signature";
    if (run.guard.OnPath(dir))
        return "directory lists itself or an ancestor";
    if (const auto it = run.exportedAs.find(dir.Value()); it != run.exportedAs.end())
        return "directory already exported as " + it->second;
    if (!WalkGuard::DepthAllowed(depth))
        return "directory nested deeper than " + std::to_string(kMaxDirectoryDepth) + " levels";
    return std::nullopt;
}

// Salvage: true when the directory at dir is skipped, which the log says.
bool Skipped(ExportRun& run, SectorAddress dir, int depth, const std::string& discPath)
{
    const auto reason = run.salvage ? SkipReason(run, dir, depth) : std::nullopt;
    if (reason)
        Log(run, "Skipped " + discPath + ": " + *reason, true);
    return reason.has_value();
}

// The host names written into one folder so far, in upper case. Salvage
// gives a later entry another name rather than let it replace an earlier
// one, even on a host that tells names apart by case.
using FolderNames = std::set<std::string>;

fs::path HostPath(ExportRun& run, const fs::path& folder, FolderNames& names, const DirEntry& e,
                  const std::string& discPath)
{
    const std::string wanted = SafeHostName(e.name);
    if (!run.salvage)
        return folder / wanted;
    std::string name = wanted;
    // Each entry takes two names, so a free one is found within 2 * 47 tries.
    for (int k = 1; names.contains(UpperName(name)) || names.contains(UpperName(name) + ".INF"); ++k)
        name = wanted + "~" + std::to_string(k);
    names.insert(UpperName(name));
    names.insert(UpperName(name) + ".INF");
    if (name != wanted)
        Log(run, "Renamed " + discPath + ": host name " + wanted + " is taken, exported as " + name, false);
    return folder / name;
}

void WriteLog(ExportRun& run, const fs::path& folder)
{
    std::error_code ec;
    if (!run.salvage || !fs::is_directory(folder, ec))
        return; // the folder's refusal has been shown
    const fs::path path = folder / kSalvageLogName;
    std::ofstream out = CreateHostFile(path);
    for (const std::string& line : run.salvage->lines)
        out << line << "\r\n";
    out.close();
    if (out.fail())
        (void)Fail(run, path);
}

// The folder the entries go into. The chosen folder may be a link to a folder;
// a link met below it is never followed.
bool EnsureFolder(ExportRun& run, const fs::path& path, bool chosen)
{
    std::error_code ec;
    const auto st = chosen ? fs::status(path, ec) : fs::symlink_status(path, ec);
    if (!fs::exists(st)) {
        if (!fs::create_directory(path, ec) && ec)
            return Fail(run, path, ec.message());
        return true;
    }
    if (!fs::is_directory(st))
        return Fail(run, path, DetailText(Detail::NotAFolder));
    return true;
}

// The bytes of a file's length that lie inside the image.
std::uint64_t BytesInside(const Disc& disc, const DirEntry& e)
{
    const std::uint64_t offset = e.start.ByteOffset();
    return offset < disc.Size() ? std::min<std::uint64_t>(e.length, disc.Size() - offset) : 0;
}

bool WriteFileData(ExportRun& run, const fs::path& path, const DirEntry& e)
{
    std::ofstream out = CreateHostFile(path);
    if (!out)
        return Fail(run, path);
    const std::uint64_t inside = BytesInside(run.disc, e);
    out.write(reinterpret_cast<const char*>(run.disc.Bytes().data() + (inside ? e.start.ByteOffset() : 0)),
              static_cast<std::streamsize>(inside));
    out.close();
    if (out.fail())
        return Fail(run, path);
    return true;
}

// A file's sidecar fields: its name, addresses and length in 8 hex digits and
// its attribute letters.
InfFields FileFields(const DirEntry& e)
{
    return {e.name, FixedHex(e.load, 8), FixedHex(e.exec, 8), FixedHex(e.length, 8), AttributeLetters(e)};
}

bool WriteSidecar(ExportRun& run, const fs::path& path, const std::string& line)
{
    if (WriteInf(path, line) == Status::Refused)
        return Fail(run, InfPath(path));
    return true;
}

bool ExportDirectory(ExportRun& run, const fs::path& path, SectorAddress dir, bool chosen, int depth,
                     const std::string& discPath);

// One entry as host: a file and its sidecar, or a directory's sidecar, then
// its folder and tree. listItem: the sidecar line ends with a blank.
bool ExportEntry(ExportRun& run, const fs::path& host, const DirEntry& e, bool listItem, int depth,
                 const std::string& discPath)
{
    if (!e.D) {
        const std::uint64_t inside = BytesInside(run.disc, e);
        if (run.salvage && inside < e.length)
            Log(run,
                "Shortened " + discPath + ": " + std::to_string(inside) + " of " + std::to_string(e.length) +
                    " bytes lie inside the image",
                true);
        return WriteFileData(run, host, e) && WriteSidecar(run, host, FileInfLine(FileFields(e), listItem));
    }
    return WriteSidecar(run, host, DirectoryInfLine(e.name, AttributeLetters(e), listItem)) &&
           ExportDirectory(run, host, e.start, false, depth, discPath);
}

bool ExportDirectory(ExportRun& run, const fs::path& path, SectorAddress dir, bool chosen, int depth,
                     const std::string& discPath)
{
    if (!EnsureFolder(run, path, chosen))
        return false;
    const Disc& disc = run.disc;
    // Salvage has skipped such a directory below the chosen one, and said why.
    if (!IsDirectory(disc, dir) || run.guard.OnPath(dir) || !WalkGuard::DepthAllowed(depth))
        return true;
    run.guard.Enter(dir);
    if (run.salvage)
        run.exportedAs.emplace(dir.Value(), discPath);
    FolderNames names;
    bool ok = true;
    for (int k = 0; ok && k < dir::kSlots && !SlotIsEmpty(disc, dir, k); ++k) {
        const DirEntry e = ReadEntry(disc, dir, k);
        const std::string entryPath = discPath + "." + PrintableName(e.name);
        if (!(e.D && Skipped(run, e.start, depth + 1, entryPath)))
            ok = ExportEntry(run, HostPath(run, path, names, e, entryPath), e, false, depth + 1, entryPath);
        Tick(run.progress);
    }
    run.guard.Leave(dir);
    return ok;
}

} // namespace

Status ExportFiles(const Disc& disc, const fs::path& path, SectorAddress dir, MessageSink& sink,
                   const Progress& progress, Salvage* salvage)
{
    ExportRun run{disc, sink, progress, salvage};
    const std::string discPath = salvage ? salvage->path : "$";
    // The folder is made all the same, to hold the log.
    (void)Skipped(run, dir, 0, discPath);
    const bool ok = ExportDirectory(run, path, dir, true, 0, discPath);
    WriteLog(run, path);
    return ok ? Status::Done : Status::Refused;
}

Status ExportListItems(const Disc& disc, const fs::path& folder, std::span<const DirEntry> items, MessageSink& sink,
                       const Progress& progress, std::vector<fs::path>* handedOut, Salvage* salvage)
{
    ExportRun run{disc, sink, progress, salvage};
    FolderNames names;
    bool ok = true;
    for (const DirEntry& e : items) {
        const std::string entryPath = (salvage ? salvage->path : "$") + "." + PrintableName(e.name);
        if (e.D && Skipped(run, e.start, 1, entryPath))
            continue;
        const fs::path host = HostPath(run, folder, names, e, entryPath);
        if (handedOut) {
            handedOut->push_back(host);
            handedOut->push_back(InfPath(host));
        }
        ok = ExportEntry(run, host, e, true, 1, entryPath);
        if (!ok)
            break;
    }
    WriteLog(run, folder);
    return ok ? Status::Done : Status::Refused;
}

} // namespace marlin::host

#include "host/export.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "host/host_names.h"
#include "host/inf_file.h"
#include "image/directory.h"
#include "image/hex.h"
#include "image/image_file.h"
#include "image/walk_guard.h"

namespace marlin::host {

using namespace marlin::image;
namespace fs = std::filesystem;

namespace {

struct ExportRun {
    const Disc& disc;
    MessageSink& sink;
    const Progress& progress;
    // A damaged image whose directory lists an ancestor would otherwise
    // never end; one listed in two places is written in both.
    WalkGuard guard{disc};
};

bool Fail(ExportRun& run, const fs::path& path, const std::string& detail = {})
{
    run.sink.Report({RefusalCode::CannotExport, path.string(), detail});
    return false;
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

// length bytes of the image from sector start, as far as the image reaches.
bool WriteFileData(ExportRun& run, const fs::path& path, std::uint32_t start, std::uint32_t length)
{
    std::ofstream out = CreateHostFile(path);
    if (!out)
        return Fail(run, path);
    const std::uint64_t offset = std::uint64_t{start} * kSectorSize;
    const std::uint64_t inside =
        offset < run.disc.Size() ? std::min<std::uint64_t>(length, run.disc.Size() - offset) : 0;
    out.write(reinterpret_cast<const char*>(run.disc.Bytes().data() + (inside ? offset : 0)),
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

bool ExportDirectory(ExportRun& run, const fs::path& path, SectorAddress dir, bool chosen, int depth)
{
    if (!EnsureFolder(run, path, chosen))
        return false;
    const Disc& disc = run.disc;
    if (!IsDirectory(disc, dir) || run.guard.OnPath(dir) || !WalkGuard::DepthAllowed(depth))
        return true;
    run.guard.Enter(dir);
    bool ok = true;
    for (int k = 0; ok && k < dir::kSlots && !SlotIsEmpty(disc, dir, k); ++k) {
        const DirEntry e = ReadEntry(disc, dir, k);
        const fs::path host = path / SafeHostName(e.name);
        if (!e.D) {
            ok = WriteFileData(run, host, e.start.Value(), e.length) &&
                 WriteSidecar(run, host, FileInfLine(FileFields(e), false));
        } else {
            // The sidecar comes first, then the folder and its tree.
            ok = WriteSidecar(run, host, DirectoryInfLine(e.name, AttributeLetters(e), false)) &&
                 ExportDirectory(run, host, e.start, false, depth + 1);
        }
        Tick(run.progress);
    }
    run.guard.Leave(dir);
    return ok;
}

} // namespace

Status ExportFiles(const Disc& disc, const fs::path& path, SectorAddress dir, MessageSink& sink,
                   const Progress& progress)
{
    ExportRun run{disc, sink, progress};
    return ExportDirectory(run, path, dir, true, 0) ? Status::Done : Status::Refused;
}

Status ExportListItems(const Disc& disc, const fs::path& folder, std::span<const DirEntry> items, MessageSink& sink,
                       const Progress& progress, std::vector<fs::path>* handedOut)
{
    ExportRun run{disc, sink, progress};
    for (const DirEntry& e : items) {
        const fs::path host = folder / SafeHostName(e.name);
        if (handedOut) {
            handedOut->push_back(host);
            handedOut->push_back(InfPath(host));
        }
        bool ok;
        if (!e.D) {
            ok = WriteFileData(run, host, e.start.Value(), e.length) &&
                 WriteSidecar(run, host, FileInfLine(FileFields(e), true));
        } else {
            ok = WriteSidecar(run, host, DirectoryInfLine(e.name, AttributeLetters(e), true)) &&
                 ExportDirectory(run, host, e.start, false, 1);
        }
        if (!ok)
            return Status::Refused;
    }
    return Status::Done;
}

} // namespace marlin::host

#include "image/deletion.h"

#include <algorithm>
#include <string>
#include <vector>

#include "image/directory.h"
#include "image/walk_guard.h"

namespace marlin::image {

namespace {

// The sectors of [s, s+n) that can honestly be given back: inside the disc,
// clear of the map and the root block, and not already free. On a sound disc
// this is the whole run; a damaged entry must not make the map lie.
std::vector<MapRun> FreeableParts(const Disc& disc, std::uint32_t s, std::uint32_t n)
{
    const std::uint64_t end = std::min<std::uint64_t>(disc.DiscSizeField(), disc.SectorsInImage());
    const std::uint64_t lo = std::max<std::uint64_t>(s, kFirstDataSector);
    const std::uint64_t hi = std::min<std::uint64_t>(std::uint64_t{s} + n, end);
    if (lo >= hi)
        return {};
    std::vector<MapRun> freeRuns;
    for (const MapRun& r : disc.map.runs)
        if (r.Start < hi && std::uint64_t{r.Start} + r.Length > lo)
            freeRuns.push_back(r);
    std::sort(freeRuns.begin(), freeRuns.end(), [](const MapRun& a, const MapRun& b) { return a.Start < b.Start; });
    std::vector<MapRun> parts;
    std::uint64_t at = lo;
    for (const MapRun& r : freeRuns) {
        if (r.Start > at)
            parts.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(r.Start - at)});
        at = std::max<std::uint64_t>(at, std::uint64_t{r.Start} + r.Length);
        if (at >= hi)
            break;
    }
    if (at < hi)
        parts.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(hi - at)});
    return parts;
}

bool IsDirectoryEntry(const Disc& disc, SectorAddress dir, int slot)
{
    return disc.At(EntryOffset(dir, slot) + entry::kAttrD) & 0x80;
}

} // namespace

Status DeleteEntry(Disc& disc, SectorAddress dir, std::string_view name, bool isDir, bool ignoreLock, MessageSink& sink)
{
    if (!disc.Contains(dir.ByteOffset(), dir::kBlockSize))
        return Status::Done;
    const int i = FindEntry(disc, dir, name);
    if (i < 0)
        return Status::Done;
    const std::uint64_t e = EntryOffset(dir, i);
    // The wording follows what the caller says the entry is, not its D bit.
    if (!ignoreLock && (disc.At(e + entry::kAttrL) & 0x80)) {
        sink.Report(
            {isDir ? RefusalCode::DeleteLockedDirectory : RefusalCode::DeleteLockedFile, std::string(name), {}});
        return Status::Refused;
    }
    const std::uint32_t start = disc.Read24(e + entry::kStart);
    if (isDir && !SlotIsEmpty(disc, SectorAddress(start), 0)) {
        sink.Report({RefusalCode::DeleteNonEmptyDirectory, std::string(name), {}});
        return Status::Refused;
    }
    const std::uint32_t size = isDir ? static_cast<std::uint32_t>(dir::kBlockSize) : disc.Read32(e + entry::kLength);
    const auto parts = FreeableParts(disc, start, SectorCount(size));
    // The entry goes only when its sectors can be given back; checked before
    // the sequence number moves so that a refusal changes nothing.
    if (!CanFreeRuns(disc, parts)) {
        sink.Report({RefusalCode::FreeSpaceMapFull, {}, {}});
        return Status::Refused;
    }
    NextSequenceNumber(disc, dir);
    RemoveEntry(disc, dir, i);
    [[maybe_unused]] const Status freed = FreeRuns(disc, parts, sink);
    assert(freed == Status::Done);
    return Status::Done;
}

Status DeleteDirectory(Disc& disc, std::optional<SectorAddress> parent, SectorAddress dir, std::string_view name,
                       bool ignoreLock, bool recurse, MessageSink& sink, const Progress& progress)
{
    // The walk keeps its own stack: a deep (or damaged) tree must not exhaust
    // the call stack, and a directory that lists itself or an ancestor is
    // refused instead of being entered again.
    struct Frame {
        std::optional<SectorAddress> parent;
        SectorAddress dir;
        std::string name;
    };
    std::vector<Frame> stack{{parent, dir, std::string(name)}};
    WalkGuard guard(disc);
    guard.Enter(dir);
    while (!stack.empty()) {
        const Frame& top = stack.back();
        // Slot 0 always holds the next entry: every deletion moves the rest down.
        // (A block not wholly inside the image is never walked: DeleteEntry
        // would find nothing there and the walk would not advance.)
        if (recurse && disc.Contains(top.dir.ByteOffset(), dir::kBlockSize) && !SlotIsEmpty(disc, top.dir, 0)) {
            const std::string first = GetEntryName(disc, top.dir, 0);
            if (IsDirectoryEntry(disc, top.dir, 0)) {
                const SectorAddress sub(disc.Read24(EntryOffset(top.dir, 0) + entry::kStart));
                if (guard.OnPath(sub)) {
                    sink.Report({RefusalCode::DeleteNonEmptyDirectory, first, {}});
                    return Status::Refused;
                }
                // A block without the signature has no entries to walk; its own
                // deletion below still refuses it when slot 0 looks occupied.
                if (IsDirectory(disc, sub)) {
                    const SectorAddress holder = top.dir;
                    stack.push_back({holder, sub, first});
                    guard.Enter(sub);
                    continue;
                }
                if (DeleteEntry(disc, top.dir, first, true, ignoreLock, sink) == Status::Refused)
                    return Status::Refused;
            } else if (DeleteEntry(disc, top.dir, first, false, ignoreLock, sink) == Status::Refused) {
                return Status::Refused;
            }
            Tick(progress);
            continue;
        }
        // Emptied (or not to be emptied): the directory's own entry goes last,
        // so its lock is tested only now. The root has no entry.
        const Frame done = top;
        stack.pop_back();
        guard.Leave(done.dir);
        if (done.parent) {
            if (DeleteEntry(disc, *done.parent, done.name, true, ignoreLock, sink) == Status::Refused)
                return Status::Refused;
            Tick(progress);
        }
    }
    return Status::Done;
}

} // namespace marlin::image

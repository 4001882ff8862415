#include "image/compaction.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "image/directory.h"

namespace marlin::image {

namespace {

// Reasons, each followed by the path of the object concerned.
constexpr const char* kNoSignature = "Directory Has No Signature :";
constexpr const char* kListsAncestor = "Directory Lists Itself Or An Ancestor :";
constexpr const char* kSharedSectors = "Sectors Used Twice :";
constexpr const char* kPastEnd = "Object Past End Of Disc :";

Refusal CannotCompact(const char* reason, std::string path)
{
    return {RefusalCode::CannotCompact, std::move(path), reason};
}

// Sectors that hold disc data; a damaged size field or short image is the
// smaller of the two.
std::uint64_t DiscEnd(const Disc& disc)
{
    return std::min<std::uint64_t>(disc.DiscSizeField(), disc.SectorsInImage());
}

DiscObject DirectoryRecord(const Disc& disc, SectorAddress dir, std::uint32_t holder, std::string path)
{
    DiscObject o;
    o.Name = GetDirectoryName(disc, dir);
    o.Kind = 0;
    o.ParentSector = disc.Read24(dir.byteOffset() + dir::kParent);
    o.StartSector = dir.value();
    o.Sectors = dir::kBlockSectors;
    o.Holder = holder;
    o.Path = std::move(path);
    return o;
}

} // namespace

std::optional<Refusal> CollectObjects(const Disc& disc, SectorAddress dir, ObjectTable& table)
{
    const std::uint64_t end = DiscEnd(disc);
    std::unordered_set<std::uint32_t> seen;
    std::unordered_set<std::uint32_t> onPath;
    struct Frame {
        SectorAddress dir;
        int slot;
        std::string path;
    };
    std::vector<Frame> stack;

    // Checks a directory before its entries are listed, then opens it.
    auto enter = [&](SectorAddress d, std::uint32_t holder, std::string path) -> std::optional<Refusal> {
        table.push_back(DirectoryRecord(disc, d, holder, path));
        if (std::uint64_t{d.value()} + dir::kBlockSectors > end)
            return CannotCompact(kPastEnd, path);
        if (onPath.contains(d.value()))
            return CannotCompact(kListsAncestor, path);
        if (!seen.insert(d.value()).second)
            return CannotCompact(kSharedSectors, path);
        // Without the signature its entries are not known, so what they
        // describe could be overwritten by the moves.
        if (!IsDirectory(disc, d))
            return CannotCompact(kNoSignature, path);
        onPath.insert(d.value());
        stack.push_back({d, 0, std::move(path)});
        return std::nullopt;
    };

    const std::string rootPath = dir.value() == kRootSector ? std::string("$") : GetDirectoryName(disc, dir);
    if (auto refused = enter(dir, dir.value(), rootPath))
        return refused;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.slot >= dir::kSlots || SlotIsEmpty(disc, top.dir, top.slot)) {
            onPath.erase(top.dir.value());
            stack.pop_back();
            continue;
        }
        const DirEntry e = ReadEntry(disc, top.dir, top.slot++);
        // Every object takes at least one sector: more objects than sectors
        // means some share, and stops a damaged tree from growing the table
        // without bound.
        if (table.size() >= end)
            return CannotCompact(kSharedSectors, top.path + "." + e.name);
        std::string path = top.path + "." + e.name;
        if (e.D) {
            const std::uint32_t holder = top.dir.value();
            if (auto refused = enter(SectorAddress(e.start), holder, std::move(path)))
                return refused;
        } else {
            table.push_back(
                {e.name, 1, top.dir.value(), e.start, SectorCount(e.length), top.dir.value(), std::move(path)});
        }
    }
    return std::nullopt;
}

bool CompactDisc(Disc& disc, MessageSink& sink, const Progress& progress)
{
    ObjectTable table;
    if (auto refused = CollectObjects(disc, kRoot, table)) {
        sink.Report(*refused);
        return true;
    }
    const std::uint64_t end = DiscEnd(disc);
    for (const DiscObject& o : table) {
        if (std::uint64_t{o.StartSector} + o.Sectors > end) {
            sink.Report(CannotCompact(kPastEnd, o.Path));
            return true;
        }
        if (o.StartSector < kRootSector) {
            sink.Report(CannotCompact(kSharedSectors, "Free Space Map and " + o.Path));
            return true;
        }
    }
    // Start sectors are distinct on a sound disc, so this order is the one
    // any sort by start sector gives; stable keeps the root first on a tie,
    // which the overlap test below then refuses.
    std::stable_sort(table.begin(), table.end(),
                     [](const DiscObject& a, const DiscObject& b) { return a.StartSector < b.StartSector; });
    for (std::size_t i = 1; i < table.size(); ++i) {
        const DiscObject& a = table[i - 1];
        const DiscObject& b = table[i];
        if (std::uint64_t{a.StartSector} + a.Sectors > b.StartSector) {
            sink.Report(CannotCompact(kSharedSectors, a.Path + " and " + b.Path));
            return true;
        }
    }

    // Records by the directory they name as parent, and by the directory that
    // lists them, so that a moved directory's children follow it.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byParent;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> byHolder;
    for (std::size_t i = 1; i < table.size(); ++i) {
        byParent[table[i].ParentSector].push_back(i);
        byHolder[table[i].Holder].push_back(i);
    }
    auto follow = [&table](auto& index, std::uint32_t DiscObject::*field, std::uint32_t from, std::uint32_t to) {
        auto it = index.find(from);
        if (it == index.end())
            return;
        std::vector<std::size_t> moved = std::move(it->second);
        index.erase(it);
        for (std::size_t j : moved)
            table[j].*field = to;
        auto& target = index[to];
        target.insert(target.end(), moved.begin(), moved.end());
    };

    std::uint32_t next = kFirstDataSector;
    for (std::size_t i = 1; i < table.size(); ++i) {
        DiscObject& o = table[i];
        const std::uint32_t old = o.StartSector;
        if (old != next) {
            const int k = FindEntry(disc, SectorAddress(o.ParentSector), o.Name);
            const std::uint64_t e = EntryOffset(SectorAddress(o.ParentSector), k);
            const bool found = k >= 0 && o.ParentSector == o.Holder && disc.Read24(e + entry::kStart) == old;
            if (!found) {
                // Moving it would leave its entry pointing at the old place.
                next = old + o.Sectors;
                continue;
            }
            // next < old, so a forward move of the overlapping range is safe.
            std::memmove(disc.DiscImage.data() + SectorAddress(next).byteOffset(),
                         disc.DiscImage.data() + SectorAddress(old).byteOffset(), std::size_t{o.Sectors} * kSectorSize);
            disc.Write24(e + entry::kStart, next);
            o.StartSector = next;
            if (o.Kind == 0) {
                follow(byParent, &DiscObject::ParentSector, old, next);
                follow(byHolder, &DiscObject::Holder, old, next);
            }
            Tick(progress);
        }
        next += o.Sectors;
    }
    for (std::size_t i = 1; i < table.size(); ++i)
        if (table[i].Kind == 0)
            disc.Write24(SectorAddress(table[i].StartSector).byteOffset() + dir::kParent, table[i].ParentSector);

    // One run from next to the end. A full disc gets an empty map rather
    // than a run of no sectors, which a 0-byte file would then be given.
    const std::uint64_t free = end - next;
    if (free > 0) {
        disc.Write24(map::kStarts, next);
        disc.Write24(map::kLengths, static_cast<std::uint32_t>(free));
        disc.Set(map::kEndPointer, 3);
    } else {
        disc.Set(map::kEndPointer, 0);
    }
    disc.Set(map::kChecksum0, MapChecksum(disc, 0));
    disc.Set(map::kChecksum1, MapChecksum(disc, kSectorSize));
    ReadFreeSpaceMap(disc);
    return false;
}

} // namespace marlin::image

#include "image/compaction.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "image/bytes.h"
#include "image/directory.h"
#include "image/lookup_name.h"

namespace marlin::image {

namespace {

// A reason, followed by the path of the object concerned.
Refusal CannotCompact(Detail reason, std::string path)
{
    return {RefusalCode::CannotCompact, std::move(path), DetailText(reason)};
}

// Sectors that hold disc data; a damaged size field or short image is the
// smaller of the two.
std::uint64_t DiscEnd(const Disc& disc)
{
    return std::min<std::uint64_t>(disc.DiscSizeField(), disc.SectorsInImage());
}

// The lookup form of a name already read (at most 10 characters, no CR).
LookupName LookupOf(std::string_view name)
{
    std::array<std::uint8_t, 16> bytes;
    bytes.fill(kCR);
    std::memcpy(bytes.data(), name.data(), std::min(name.size(), dir::kNameLength));
    return LookupName(bytes.data());
}

// The lookup form of a directory's own name from its 10 bytes, which also
// end at a NUL (as GetDirectoryName reads them).
LookupName OwnLookup(const std::uint8_t* bytes)
{
    std::array<std::uint8_t, 16> name{};
    bool ended = false;
    for (std::size_t k = 0; k < dir::kNameLength; ++k) {
        ended = ended || (bytes[k] & 0x7F) == 0;
        name[k] = ended ? kCR : bytes[k];
    }
    return LookupName(name.data());
}

// Little-endian fields read whole, where the host's order allows.
std::uint32_t Load32(const std::uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The 3 bytes at p; p[3] must be readable too.
std::uint32_t Load24(const std::uint8_t* p)
{
    return Load32(p) & 0xFF'FFFF;
}

// An object reachable from the root. Small, because a full disc of small
// files has one per two sectors and compaction reads them all twice.
struct DiscObject {
    std::uint32_t StartSector;
    std::uint32_t Sectors;
    // The table index of the directory whose entry the walk came through
    // (the root: itself). A wrong parent field must never send an update to
    // somebody else's entry, so moves follow this.
    std::uint32_t Listing;
    // The slot a lookup by name finds in the listing directory: the entry's
    // name for a file, the directory's own name for a directory (the first
    // match, as FindEntry gives it); -1 when there is none.
    std::int8_t Entry;
    // The slot the walk came through; -1 for the root.
    std::int8_t Slot;
    bool IsDirectory;
};

// A directory's table index and its parent field.
struct DirectoryRecord {
    std::uint32_t Index;
    std::uint32_t ParentSector;
};

// Everything compaction needs from one walk of the tree.
struct Collected {
    // Sized for the root and one object per sector, which the walk never
    // passes; only the part in use is ever touched.
    std::unique_ptr<DiscObject[]> table;
    std::uint32_t count = 0;
    std::vector<DirectoryRecord> dirs;
    // Whether the walk is in address order already; then the first overlap
    // in it (the later object's index, 0 for none) is the one sorting would show.
    bool sorted = true;
    std::uint32_t overlap = 0;
    // The first object past the end or over the map, reported only when the
    // walk itself found nothing wrong.
    std::optional<Refusal> misplaced;
};

// The path of table[i] as messages name it: "$" followed by the entry names
// that lead to it. Valid while the disc is as the walk read it.
std::string ObjectPath(const Disc& disc, const DiscObject* table, std::uint32_t i)
{
    std::vector<std::uint32_t> chain;
    while (table[i].Listing != i) {
        chain.push_back(i);
        i = table[i].Listing;
    }
    std::string path = "$";
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const DiscObject& o = table[*it];
        path += '.';
        path += GetEntryName(disc, SectorAddress(table[o.Listing].StartSector), o.Slot);
    }
    return path;
}

// The refusal for table[i], past the disc's end or over the map. Never
// inlined: the walk's record step stays small enough to be.
[[gnu::noinline, gnu::cold]] Refusal Misplaced(const Disc& disc, const DiscObject* table, std::uint32_t i,
                                               bool pastEnd)
{
    return pastEnd ? CannotCompact(Detail::PastEnd, ObjectPath(disc, table, i))
                   : CannotCompact(Detail::SharedSectors, "Free Space Map and " + ObjectPath(disc, table, i));
}

// A directory being read: the names of its slots so far, and whether they
// rise strictly (then no name repeats and a lookup finds each at its own slot).
struct Frame {
    SectorAddress dir;
    int slot = 0;
    int ahead = 0; // slots before this were searched for the next directory to fetch
    std::uint32_t index = 0;
    bool rising = true;
    std::array<LookupName, dir::kSlots> names{};
};

// The slot a lookup in the frame's directory finds for the name in slot
// upTo: that slot, unless the same name comes earlier (which cannot be
// while the names rise).
int FirstMatch(const Frame& f, int upTo)
{
    const LookupName& name = f.names[static_cast<std::size_t>(upTo)];
    for (int j = 0; j < upTo; ++j)
        if (f.names[static_cast<std::size_t>(j)] == name)
            return j;
    return upTo;
}

// Walks the tree from the root, depth first in slot order (each directory's
// own record before its contents). Returns a refusal, the table then
// incomplete, when a directory block reaches past the disc's end or lacks its
// signature, lists itself or an ancestor, or is listed twice, or when there
// are more objects than sectors.
std::optional<Refusal> CollectObjects(const Disc& disc, Collected& c)
{
    const std::uint64_t end = DiscEnd(disc);
    const std::span<const std::uint8_t> image = disc.DiscImage;
    c.table = std::make_unique_for_overwrite<DiscObject[]>(static_cast<std::size_t>(end) + 1);
    DiscObject* const table = c.table.get();
    // Per sector below the end: a directory listed there, on the path now.
    constexpr std::uint8_t kListed = 1, kOnPath = 2;
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(end));
    // Frames by depth, kept for reuse: each holds a directory's 47 names.
    std::vector<Frame> frames;
    std::size_t depth = 0;

    // Address order so far; an overlap seen out of order is found again by
    // sorting. Locals, so that the table's writes cannot touch them.
    bool sorted = true;
    std::uint32_t overlap = 0;
    std::uint32_t lastStart = 0;
    std::uint64_t lastEnd = 0;
    std::uint32_t count = 0;
    auto record = [&](const DiscObject& o) {
        const std::uint32_t i = count++;
        table[i] = o;
        const std::uint64_t objectEnd = std::uint64_t{o.StartSector} + o.Sectors;
        if ((objectEnd > end || o.StartSector < kRootSector) && !c.misplaced) [[unlikely]]
            c.misplaced = Misplaced(disc, table, i, objectEnd > end);
        sorted = sorted && lastStart <= o.StartSector;
        if (lastEnd > o.StartSector && overlap == 0)
            overlap = i;
        lastStart = o.StartSector;
        lastEnd = objectEnd;
    };
    auto walked = [&](std::optional<Refusal> refused) {
        c.count = count;
        c.sorted = sorted;
        c.overlap = overlap;
        return refused;
    };

    // Checks a directory before its entries are listed, then opens it.
    auto enter = [&](SectorAddress d, std::uint32_t listing, int slot, int entry) -> std::optional<Refusal> {
        const std::uint32_t index = count;
        record({d.Value(), dir::kBlockSectors, slot < 0 ? index : listing, static_cast<std::int8_t>(entry),
                static_cast<std::int8_t>(slot), true});
        c.dirs.push_back({index, disc.Read24(d.ByteOffset() + dir::kParent)});
        auto refuse = [&](Detail reason) { return CannotCompact(reason, ObjectPath(disc, table, index)); };
        if (std::uint64_t{d.Value()} + dir::kBlockSectors > end)
            return refuse(Detail::PastEnd);
        std::uint8_t& mark = marks[d.Value()];
        if (mark & kOnPath)
            return refuse(Detail::ListsAncestor);
        if (mark & kListed)
            return refuse(Detail::SharedSectors);
        mark = kListed;
        // Without the signature its entries are not known, so what they
        // describe could be overwritten by the moves.
        if (!IsDirectory(disc, d))
            return refuse(Detail::NoSignature);
        mark |= kOnPath;
        if (frames.size() <= depth)
            frames.emplace_back();
        Frame& f = frames[depth++];
        f.dir = d;
        f.slot = 0;
        f.ahead = 0;
        f.index = index;
        f.rising = true;
        return std::nullopt;
    };

    // Starts fetching the block of the next directory the frame lists after
    // slot, so that it is at hand once the one being opened is read.
    const std::uint8_t* aheadBlock = nullptr;
    std::uint64_t aheadLine = dir::kBlockSize;
    auto fetchNext = [&](Frame& f, int slot) {
        for (f.ahead = std::max(f.ahead, slot + 1); f.ahead < dir::kSlots; ++f.ahead) {
            const std::uint8_t* e = image.data() + EntryOffset(f.dir, f.ahead);
            if ((e[0] & 0x7F) == 0)
                break;
            if (e[entry::kAttrD] & 0x80) {
                const std::uint64_t at = SectorAddress(Load24(e + entry::kStart)).ByteOffset();
                if (at + dir::kBlockSize <= image.size()) {
                    aheadBlock = image.data() + at;
                    aheadLine = 0;
                }
                ++f.ahead;
                break;
            }
        }
    };

    if (auto refused = enter(kRoot, 0, -1, -1))
        return walked(std::move(refused));
    while (depth > 0) {
        Frame& top = frames[depth - 1];
        // The block is signed, so all of it lies inside the image.
        const std::uint8_t* const block = image.data() + top.dir.ByteOffset();
        bool opened = false;
        bool rising = top.rising;
        LookupName previous = top.slot > 0 ? top.names[static_cast<std::size_t>(top.slot) - 1] : LookupName();
        for (int slot = top.slot; slot < dir::kSlots; ++slot) {
            const std::uint8_t* const e = block + dir::kFirstSlot + dir::kSlotSize * static_cast<std::size_t>(slot);
            if ((e[0] & 0x7F) == 0)
                break;
            if (aheadLine < dir::kBlockSize) {
                __builtin_prefetch(aheadBlock + aheadLine);
                aheadLine += 64;
            }
            const LookupName lookup(e);
            top.names[static_cast<std::size_t>(slot)] = lookup;
            rising = rising && (slot == 0 || previous < lookup);
            previous = lookup;
            // Every object takes at least one sector: more objects than
            // sectors means some share, and stops a damaged tree from
            // growing the table without bound.
            if (count >= end)
                return walked(CannotCompact(Detail::SharedSectors, ObjectPath(disc, table, top.index) + "." +
                                                                GetEntryName(disc, top.dir, slot)));
            const std::uint32_t start = Load24(e + entry::kStart);
            const int match = rising ? slot : FirstMatch(top, slot);
            if (!(e[entry::kAttrD] & 0x80)) {
                record({start, SectorCount(Load32(e + entry::kLength)), top.index, static_cast<std::int8_t>(match),
                        static_cast<std::int8_t>(slot), false});
                continue;
            }
            // A directory is looked up by its own name, which a damaged block
            // may give differently from the entry that lists it.
            const SectorAddress child(start);
            const bool ownBytes = child.Value() != kRootSector && child.ByteOffset() + dir::kBlockSize <= image.size();
            const bool same = ownBytes ? OwnLookup(image.data() + child.ByteOffset() + dir::kName) == lookup
                                       : LookupOf(GetDirectoryName(disc, child)) == lookup;
            const int entry = same ? match : FindEntry(disc, top.dir, GetDirectoryName(disc, child));
            fetchNext(top, slot);
            top.slot = slot + 1;
            top.rising = rising;
            // Opening it may move the frames: top is not used again.
            if (auto refused = enter(child, top.index, slot, entry))
                return walked(std::move(refused));
            opened = true;
            break;
        }
        if (!opened) {
            // Every entry read (top is still valid: nothing was opened).
            marks[top.dir.Value()] &= static_cast<std::uint8_t>(~kOnPath);
            --depth;
        }
    }
    return walked(std::nullopt);
}

// Table indexes in address order, ties in walk order (which keeps the root
// first on a tie that the overlap test then refuses): a stable radix sort on
// the 24-bit start sectors.
std::vector<std::uint32_t> AddressOrder(const DiscObject* table, std::uint32_t count)
{
    std::vector<std::uint32_t> order(count), spare(count);
    for (std::uint32_t i = 0; i < count; ++i)
        order[i] = i;
    for (int shift = 0; shift < 24; shift += 12) {
        std::vector<std::uint32_t> at(4097);
        for (const std::uint32_t i : order)
            ++at[((table[i].StartSector >> shift) & 0xFFF) + 1];
        for (std::size_t d = 1; d < at.size(); ++d)
            at[d] += at[d - 1];
        for (const std::uint32_t i : order)
            spare[at[(table[i].StartSector >> shift) & 0xFFF]++] = i;
        order.swap(spare);
    }
    return order;
}

// Sector values that follow moved directories (see CompactDisc).
class Groups {
public:
    // The group of records naming value now.
    std::uint32_t For(std::uint32_t value)
    {
        const auto [it, added] = m_live.try_emplace(value, static_cast<std::uint32_t>(m_groups.size()));
        if (added)
            m_groups.push_back({value, it->second});
        return it->second;
    }
    std::uint32_t Value(std::uint32_t g) { return m_groups[Root(g)].value; }
    // Everything naming from names to instead.
    void Follow(std::uint32_t from, std::uint32_t to)
    {
        const auto it = m_live.find(from);
        if (it == m_live.end())
            return;
        const std::uint32_t g = it->second;
        m_live.erase(it);
        const auto [target, added] = m_live.try_emplace(to, g);
        if (added)
            m_groups[g].value = to;
        else
            m_groups[g].joined = Root(target->second);
    }

private:
    struct Group {
        std::uint32_t value;
        std::uint32_t joined; // itself, or the group it joined
    };
    std::uint32_t Root(std::uint32_t g)
    {
        while (m_groups[g].joined != g) {
            m_groups[g].joined = m_groups[m_groups[g].joined].joined;
            g = m_groups[g].joined;
        }
        return g;
    }
    std::vector<Group> m_groups;
    std::unordered_map<std::uint32_t, std::uint32_t> m_live; // value -> group
};

} // namespace

Status CompactDisc(Disc& disc, MessageSink& sink, const Progress& progress)
{
    Collected c;
    if (auto refused = CollectObjects(disc, c)) {
        sink.Report(*refused);
        return Status::Refused;
    }
    if (c.misplaced) {
        sink.Report(*c.misplaced);
        return Status::Refused;
    }
    const std::uint64_t end = DiscEnd(disc);
    const DiscObject* const table = c.table.get();
    const std::uint32_t count = c.count;
    std::vector<std::uint32_t> order;
    if (!c.sorted) {
        order = AddressOrder(table, count);
        c.overlap = 0;
        for (std::uint32_t n = 1; n < count && c.overlap == 0; ++n) {
            const DiscObject& a = table[order[n - 1]];
            if (std::uint64_t{a.StartSector} + a.Sectors > table[order[n]].StartSector)
                c.overlap = n;
        }
    }
    // The n-th object in address order.
    auto at = [&](std::uint32_t n) { return c.sorted ? n : order[n]; };
    if (c.overlap != 0) {
        sink.Report(CannotCompact(Detail::SharedSectors, ObjectPath(disc, table, at(c.overlap - 1)) + " and " +
                                                      ObjectPath(disc, table, at(c.overlap))));
        return Status::Refused;
    }

    // Parent fields that name a moved directory follow it. Every record
    // naming the same sector shares one group whose value changes with a
    // move; a group renamed onto a value another group holds joins it. A
    // file's parent is its listing directory, so only directories need
    // groups. In a sound tree each directory's parent field names the
    // directory listing it: then every group is one directory's, follows
    // just that directory, and where the directory is says it all.
    bool linked = true;
    for (const DirectoryRecord& d : c.dirs)
        linked = linked && (d.Index == 0 || d.ParentSector == table[table[d.Index].Listing].StartSector);
    Groups groups;
    // Where each directory's bytes are at each point of the moves.
    std::unique_ptr<std::uint32_t[]> placed(new std::uint32_t[count]);
    std::unique_ptr<std::uint32_t[]> ownGroup, parentGroup;
    for (const DirectoryRecord& d : c.dirs)
        placed[d.Index] = table[d.Index].StartSector;
    if (!linked) {
        ownGroup.reset(new std::uint32_t[count]);
        parentGroup.reset(new std::uint32_t[count]);
        for (const DirectoryRecord& d : c.dirs)
            ownGroup[d.Index] = groups.For(table[d.Index].StartSector);
        for (const DirectoryRecord& d : c.dirs)
            parentGroup[d.Index] = groups.For(d.ParentSector);
    }

    // In address order, each object found through its entry moves down to
    // the next free place and its entry follows. No move lands on an object
    // that has not moved yet: it goes below its own old place and above
    // everything placed before it.
    // The move not yet made: side-by-side objects that shift by the same
    // distance gather into one block move. Nothing reads or writes its bytes
    // before it is made, so delaying it changes nothing.
    std::uint8_t* const image = disc.DiscImage.data();
    struct Move {
        std::uint32_t from = 0, to = 0, sectors = 0;
    } pending;
    auto flush = [&] {
        // Each move goes down, over free space or what has already moved on,
        // so one forward memmove does it.
        if (pending.sectors > 0)
            std::memmove(image + SectorAddress(pending.to).ByteOffset(), image + SectorAddress(pending.from).ByteOffset(),
                         std::size_t{pending.sectors} * kSectorSize);
        pending.sectors = 0;
    };
    std::uint32_t next = kFirstDataSector;
    // indexAt(n): the table index of the n-th object in address order.
    auto moveAll = [&](auto indexAt) {
        for (std::uint32_t n = 1; n < count; ++n) {
            const std::uint32_t i = indexAt(n);
            const DiscObject& o = table[i];
            const std::uint32_t old = o.StartSector;
            if (old == next) {
                next += o.Sectors;
                continue;
            }
            // A directory's parent field may name another place.
            if (o.Entry < 0 || (o.IsDirectory && !linked &&
                                groups.Value(parentGroup[i]) != groups.Value(ownGroup[o.Listing]))) {
                // Moving it would leave its entry pointing at the old place.
                next = old + o.Sectors;
                continue;
            }
            // The listing block where it is at this point of the moves; made
            // there first when it is part of the move not yet made (a block
            // is wholly inside that move or wholly outside it).
            const std::uint32_t block = placed[o.Listing];
            if (block - pending.to < pending.sectors)
                flush();
            const std::uint64_t e = EntryOffset(SectorAddress(block), o.Entry) + entry::kStart;
            // An object's own slot still holds old: no other object's lookup
            // finds that slot with its own start there, so none has
            // rewritten it.
            if (o.Entry != o.Slot && Load24(image + e) != old) {
                next = old + o.Sectors;
                continue;
            }
            // Inside a signed block.
            Put24(disc.DiscImage, e, next);
            if (o.IsDirectory) {
                placed[i] = next;
                if (!linked)
                    groups.Follow(old, next);
            }
            if (pending.sectors > 0 && pending.from + pending.sectors == old && pending.to + pending.sectors == next) {
                pending.sectors += o.Sectors;
            } else {
                flush();
                pending = {old, next, o.Sectors};
            }
            Tick(progress);
            next += o.Sectors;
        }
    };
    if (c.sorted)
        moveAll([](std::uint32_t n) { return n; });
    else
        moveAll([&](std::uint32_t n) { return order[n]; });
    flush();
    for (const DirectoryRecord& d : c.dirs)
        if (d.Index != 0)
            disc.Write24(SectorAddress(placed[d.Index]).ByteOffset() + dir::kParent,
                         linked ? placed[table[d.Index].Listing] : groups.Value(parentGroup[d.Index]));

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
    return Status::Done;
}

} // namespace marlin::image

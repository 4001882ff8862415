// Compaction moves every object reachable from the root down towards sector 7,
// keeping their address order, so that all free space ends as one run after
// the last object. It works in phases:
//
//   Collect          One walk of the tree, depth first in slot order, fills the
//                    object table and checks everything a refusal needs on the
//                    way: directory blocks lie inside the disc, are signed and
//                    are neither an ancestor nor listed twice; there are no
//                    more objects than sectors; nothing lies past the end or
//                    over the map; and, as long as the walk itself runs in
//                    address order, nothing overlaps.
//   Order            Address order: the walk's own when it rose throughout,
//                    else a stable radix sort; then the first overlap in it.
//   Link parents     Whether every directory's parent field names the
//                    directory that lists it. Where one does not, groups let
//                    the field follow whatever directory it names.
//   Move             In address order, each object found through its entry
//                    goes down to the next free sector and its entry follows.
//   Rewrite parents  Each directory's parent field follows its parent (or,
//                    unlinked, whatever directory it named) to its new place.
//   Write the map    One free run from after the last object to the end.
//
// Invariants the phases keep:
//  - Nothing is written until every check has passed, so a refusal leaves the
//    disc as it was.
//  - A move never lands on an object that has not moved yet: it goes below the
//    object's own old place and above everything placed before it. So every
//    move goes down, one forward memmove makes it, and side-by-side objects
//    that move by the same distance can wait and be made as one block.
//  - An object that a lookup by name would not find through its entry stays
//    where it is; what follows packs in above it.
//  - An entry is rewritten where its directory's block is at that point of the
//    moves, after any waiting move that carries that block.
//
// A full disc of small files holds one object per two sectors, and all of them
// are read twice, so the table's records are 16 bytes and the table is sized
// up front for one object per sector, which the walk's checks never let it pass.

#include "image/compaction.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "image/bytes.h"
#include "image/directory.h"
#include "image/lookup_name.h"
#include "image/walk_guard.h"

namespace marlin::image {

namespace {

// --- Reading the disc ------------------------------------------------------

// Sectors that hold disc data; a damaged size field or short image is the
// smaller of the two.
std::uint64_t DiscEnd(const Disc& disc)
{
    return std::min<std::uint64_t>(disc.DiscSizeField(), disc.SectorsInImage());
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

// The entry bytes of a slot in a directory block.
const std::uint8_t* SlotBytes(const std::uint8_t* block, int slot)
{
    return block + dir::kFirstSlot + dir::kSlotSize * static_cast<std::size_t>(slot);
}

// Whether the entry ends the list (no name).
bool EndsList(const std::uint8_t* e)
{
    return (e[entry::kName] & 0x7F) == 0;
}

bool ListsDirectory(const std::uint8_t* e)
{
    return (e[entry::kAttrD] & 0x80) != 0;
}

// The start sector; the sequence number after it makes the fourth byte.
std::uint32_t EntryStart(const std::uint8_t* e)
{
    return Load24(e + entry::kStart);
}

std::uint32_t EntrySectors(const std::uint8_t* e)
{
    return SectorCount(Load32(e + entry::kLength));
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

// --- The object table ------------------------------------------------------

// An object reachable from the root.
struct DiscObject {
    // Left unset: the table is sized up front for one object per sector, and
    // only the part the walk fills is ever read.
    DiscObject() {}
    DiscObject(std::uint32_t start, std::uint32_t sectors, std::uint32_t listing, int entry, int slot, bool isDirectory)
        : StartSector(start), Sectors(sectors), Listing(listing), Entry(static_cast<std::int8_t>(entry)),
          Slot(static_cast<std::int8_t>(slot)), IsDirectory(isDirectory)
    {
    }

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
static_assert(sizeof(DiscObject) == 16);

// A directory's table index and its parent field.
struct DirectoryRecord {
    std::uint32_t Index;
    std::uint32_t ParentSector;
};

// What the walk leaves for the later phases.
struct ObjectTable {
    // In walk order, the root first.
    std::vector<DiscObject> objects;
    std::vector<DirectoryRecord> dirs;
    // Whether the walk ran in address order; then the first overlap in it
    // (the later object's index, 0 for none) is the one sorting would show.
    bool sorted = true;
    std::uint32_t overlap = 0;
    // The first object past the end or over the map, reported only when the
    // walk itself found nothing wrong.
    std::optional<Refusal> misplaced;
};

// The path of objects[i] as messages name it: "$" followed by the entry names
// that lead to it. Valid while the disc is as the walk read it.
std::string ObjectPath(const Disc& disc, std::span<const DiscObject> objects, std::uint32_t i)
{
    std::vector<std::uint32_t> chain;
    while (objects[i].Listing != i) {
        chain.push_back(i);
        i = objects[i].Listing;
    }
    std::string path = "$";
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const DiscObject& o = objects[*it];
        path += '.';
        path += GetEntryName(disc, SectorAddress(objects[o.Listing].StartSector), o.Slot);
    }
    return path;
}

// --- Refusals --------------------------------------------------------------
// Built out of line and kept cold, so that the steps that may refuse stay
// small enough to be inlined.

// A reason, followed by the path of the object concerned.
Refusal CannotCompact(Detail reason, std::string path)
{
    return {RefusalCode::CannotCompact, std::move(path), DetailText(reason)};
}

[[gnu::noinline, gnu::cold]] Refusal RefuseObject(const Disc& disc, std::span<const DiscObject> objects,
                                                  std::uint32_t i, Detail reason)
{
    return CannotCompact(reason, ObjectPath(disc, objects, i));
}

// objects[i] lies past the disc's end or over the map.
[[gnu::noinline, gnu::cold]] Refusal RefuseMisplaced(const Disc& disc, std::span<const DiscObject> objects,
                                                     std::uint32_t i, bool pastEnd)
{
    return pastEnd ? CannotCompact(Detail::PastEnd, ObjectPath(disc, objects, i))
                   : CannotCompact(Detail::SharedSectors, "Free Space Map and " + ObjectPath(disc, objects, i));
}

// The entry in slot of directory objects[listing] would be one object more
// than there are sectors.
[[gnu::noinline, gnu::cold]] Refusal RefuseTooMany(const Disc& disc, std::span<const DiscObject> objects,
                                                   std::uint32_t listing, int slot)
{
    const SectorAddress dir(objects[listing].StartSector);
    return CannotCompact(Detail::SharedSectors,
                         ObjectPath(disc, objects, listing) + "." + GetEntryName(disc, dir, slot));
}

[[gnu::noinline, gnu::cold]] Refusal RefuseOverlap(const Disc& disc, std::span<const DiscObject> objects,
                                                   std::uint32_t lower, std::uint32_t upper)
{
    return CannotCompact(Detail::SharedSectors,
                         ObjectPath(disc, objects, lower) + " and " + ObjectPath(disc, objects, upper));
}

// --- Collect ---------------------------------------------------------------

// A directory being read: the names of its slots so far, and whether they
// rise strictly (then no name repeats and a lookup finds each at its own slot).
struct Frame {
    SectorAddress dir;
    int slot = 0;
    int ahead = 0; // slots before this were searched for the next directory to fetch
    std::uint32_t index = 0;
    bool rising = true;
    std::array<LookupName, dir::kSlots> names{};

    // The slot a lookup finds for the name in slot upTo: that slot, unless
    // the same name comes earlier (which cannot be while the names rise).
    int FirstMatch(int upTo) const
    {
        const LookupName& name = names[static_cast<std::size_t>(upTo)];
        for (int j = 0; j < upTo; ++j)
            if (names[static_cast<std::size_t>(j)] == name)
                return j;
        return upTo;
    }
};

// Where the walk is in the table, and whether it still runs in address order
// (an overlap seen out of that order is found again by sorting). A plain
// value: the loop over a directory's slots works on a local copy, which can
// stay in registers although the names it stores may alias anything.
struct Tally {
    DiscObject* table = nullptr;
    std::uint32_t count = 0;
    bool sorted = true;
    // The first object overlapping the one before it, 0 for none.
    std::uint32_t overlap = 0;
    std::uint32_t lastStart = 0;
    std::uint64_t lastEnd = 0;
};

// Walks the tree from the root, depth first in slot order (each directory's
// own record before its contents), into the table. Bounded: a directory block
// is read at most once, and the table never holds more objects than sectors.
class TreeWalk {
public:
    TreeWalk(const Disc& disc, std::uint64_t end, ObjectTable& table)
        : m_disc(disc), m_image(disc.Bytes()), m_end(end), m_table(table), m_guard(disc)
    {
        m_table.objects.resize(static_cast<std::size_t>(end) + 1);
        m_tally.table = m_table.objects.data();
    }

    // A refusal, the table then incomplete, when a directory block reaches
    // past the disc's end or lacks its signature, lists itself or an
    // ancestor, or is listed twice, or when there are more objects than
    // sectors.
    std::optional<Refusal> Run()
    {
        std::optional<Refusal> refused = Enter(kRoot, 0, -1, -1);
        while (!refused && m_depth > 0)
            refused = ReadOn(m_frames[m_depth - 1]);
        m_table.objects.resize(m_tally.count);
        m_table.sorted = m_tally.sorted;
        m_table.overlap = m_tally.overlap;
        return refused;
    }

private:
    // Adds an object and notes whether the walk still runs in address order.
    void Record(Tally& t, const DiscObject& o)
    {
        const std::uint32_t i = t.count++;
        t.table[i] = o;
        const std::uint64_t objectEnd = std::uint64_t{o.StartSector} + o.Sectors;
        if ((objectEnd > m_end || o.StartSector < kRootSector) && !m_table.misplaced) [[unlikely]]
            m_table.misplaced = RefuseMisplaced(m_disc, m_table.objects, i, objectEnd > m_end);
        t.sorted = t.sorted && t.lastStart <= o.StartSector;
        if (t.lastEnd > o.StartSector && t.overlap == 0)
            t.overlap = i;
        t.lastStart = o.StartSector;
        t.lastEnd = objectEnd;
    }

    // Records the directory at d, reached through slot of directory listing
    // (slot -1 for the root), checks its block and opens it.
    std::optional<Refusal> Enter(SectorAddress d, std::uint32_t listing, int slot, int entry)
    {
        const std::uint32_t index = m_tally.count;
        Record(m_tally, {d.Value(), dir::kBlockSectors, slot < 0 ? index : listing, entry, slot, true});
        m_table.dirs.push_back({index, m_disc.Read24(d.ByteOffset() + dir::kParent)});
        if (const auto reason = CheckBlock(d))
            return RefuseObject(m_disc, m_table.objects, index, *reason);
        if (m_frames.size() <= m_depth)
            m_frames.emplace_back();
        Frame& f = m_frames[m_depth++];
        f.dir = d;
        f.slot = 0;
        f.ahead = 0;
        f.index = index;
        f.rising = true;
        return std::nullopt;
    }

    // Why the block at d cannot be read, if it cannot; enters it.
    std::optional<Detail> CheckBlock(SectorAddress d)
    {
        if (std::uint64_t{d.Value()} + dir::kBlockSectors > m_end)
            return Detail::PastEnd;
        if (m_guard.OnPath(d))
            return Detail::ListsAncestor;
        if (m_guard.Entered(d))
            return Detail::SharedSectors;
        m_guard.Enter(d);
        // Without the signature its entries are not known, so what they
        // describe could be overwritten by the moves.
        if (!IsDirectory(m_disc, d))
            return Detail::NoSignature;
        return std::nullopt;
    }

    // Reads on in the deepest open directory up to its next subdirectory,
    // which it opens, or to the end of its list, where it closes it.
    std::optional<Refusal> ReadOn(Frame& top)
    {
        // The block is signed, so all of it lies inside the image.
        const std::uint8_t* const block = m_image.data() + top.dir.ByteOffset();
        Tally tally = m_tally;
        bool rising = top.rising;
        LookupName previous = top.slot > 0 ? top.names[static_cast<std::size_t>(top.slot) - 1] : LookupName();
        for (int slot = top.slot; slot < dir::kSlots; ++slot) {
            const std::uint8_t* const e = SlotBytes(block, slot);
            if (EndsList(e))
                break;
            PrefetchStep();
            const LookupName lookup(e);
            top.names[static_cast<std::size_t>(slot)] = lookup;
            rising = rising && (slot == 0 || previous < lookup);
            previous = lookup;
            // Every object takes at least one sector: more objects than
            // sectors means some share, and stops a damaged tree from
            // growing the table without bound.
            if (tally.count >= m_end) [[unlikely]]
                return RefuseTooMany(m_disc, m_table.objects, top.index, slot);
            const int match = rising ? slot : top.FirstMatch(slot);
            if (!ListsDirectory(e)) {
                Record(tally, {EntryStart(e), EntrySectors(e), top.index, match, slot, false});
                continue;
            }
            const SectorAddress child(EntryStart(e));
            const int entry = ChildEntry(top, child, lookup, match);
            FetchNext(top, slot);
            top.slot = slot + 1;
            top.rising = rising;
            m_tally = tally;
            // Opening it may move the frames: top is not used again.
            return Enter(child, top.index, slot, entry);
        }
        m_tally = tally;
        m_guard.Leave(top.dir);
        --m_depth;
        return std::nullopt;
    }

    // The slot a lookup in the frame's directory finds for the subdirectory
    // child, whose entry's name is listed (found at slot match). A directory
    // is looked up by its own name, which a damaged block may give otherwise.
    int ChildEntry(const Frame& f, SectorAddress child, const LookupName& listed, int match) const
    {
        const bool ownBytes = child.Value() != kRootSector && child.ByteOffset() + dir::kBlockSize <= m_image.size();
        const bool same = ownBytes ? OwnLookup(m_image.data() + child.ByteOffset() + dir::kName) == listed
                                   : LookupOf(GetDirectoryName(m_disc, child)) == listed;
        return same ? match : FindEntry(m_disc, f.dir, GetDirectoryName(m_disc, child));
    }

    // Starts fetching the block of the next directory the frame lists after
    // slot, so that it is at hand once the one being opened is read.
    void FetchNext(Frame& f, int slot)
    {
        const std::uint8_t* const block = m_image.data() + f.dir.ByteOffset();
        for (f.ahead = std::max(f.ahead, slot + 1); f.ahead < dir::kSlots; ++f.ahead) {
            const std::uint8_t* const e = SlotBytes(block, f.ahead);
            if (EndsList(e))
                break;
            if (ListsDirectory(e)) {
                const std::uint64_t at = SectorAddress(EntryStart(e)).ByteOffset();
                if (at + dir::kBlockSize <= m_image.size()) {
                    m_aheadBlock = m_image.data() + at;
                    m_aheadLine = 0;
                }
                ++f.ahead;
                break;
            }
        }
    }

    // One cache line of the block being fetched per slot read, so the
    // requests spread over the reading.
    void PrefetchStep()
    {
        if (m_aheadLine < dir::kBlockSize) {
            __builtin_prefetch(m_aheadBlock + m_aheadLine);
            m_aheadLine += 64;
        }
    }

    const Disc& m_disc;
    const std::span<const std::uint8_t> m_image;
    const std::uint64_t m_end;
    ObjectTable& m_table;
    WalkGuard m_guard;
    // Frames by depth, kept for reuse: each holds a directory's 47 names.
    std::vector<Frame> m_frames;
    std::size_t m_depth = 0;
    Tally m_tally;
    // The directory block being fetched, and the next line of it to ask for.
    const std::uint8_t* m_aheadBlock = nullptr;
    std::uint64_t m_aheadLine = dir::kBlockSize;
};

// --- Order -----------------------------------------------------------------

// Table indexes in address order, ties in walk order (which keeps the root
// first on a tie that the overlap test then refuses): a stable radix sort on
// the 24-bit start sectors.
std::vector<std::uint32_t> AddressOrder(std::span<const DiscObject> objects)
{
    const auto count = static_cast<std::uint32_t>(objects.size());
    std::vector<std::uint32_t> order(count), spare(count);
    for (std::uint32_t i = 0; i < count; ++i)
        order[i] = i;
    for (int shift = 0; shift < 24; shift += 12) {
        std::vector<std::uint32_t> at(4097);
        for (const std::uint32_t i : order)
            ++at[((objects[i].StartSector >> shift) & 0xFFF) + 1];
        for (std::size_t d = 1; d < at.size(); ++d)
            at[d] += at[d - 1];
        for (const std::uint32_t i : order)
            spare[at[(objects[i].StartSector >> shift) & 0xFFF]++] = i;
        order.swap(spare);
    }
    return order;
}

// --- Link parents ----------------------------------------------------------

// Sector values that follow moved directories. Every record naming the same
// sector shares one group whose value changes with a move; a group renamed
// onto a value another group holds joins it.
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

// --- Move ------------------------------------------------------------------

// The move not yet made: side-by-side objects that shift by the same distance
// gather into one block move. Nothing reads or writes its bytes before it is
// made, so delaying it changes nothing.
class PendingMove {
public:
    explicit PendingMove(std::uint8_t* image) : m_image(image) {}

    // Whether the move puts its bytes in sector (a directory block is wholly
    // inside the move or wholly outside it).
    bool Carries(std::uint32_t sector) const { return sector - m_to < m_sectors; }

    void Add(std::uint32_t from, std::uint32_t to, std::uint32_t sectors)
    {
        if (m_sectors > 0 && m_from + m_sectors == from && m_to + m_sectors == to) {
            m_sectors += sectors;
            return;
        }
        Make();
        m_from = from;
        m_to = to;
        m_sectors = sectors;
    }

    // Each move goes down, over free space or what has already moved on, so
    // one forward memmove does it.
    void Make()
    {
        if (m_sectors > 0)
            std::memmove(m_image + SectorAddress(m_to).ByteOffset(), m_image + SectorAddress(m_from).ByteOffset(),
                         std::size_t{m_sectors} * kSectorSize);
        m_sectors = 0;
    }

private:
    std::uint8_t* const m_image;
    std::uint32_t m_from = 0;
    std::uint32_t m_to = 0;
    std::uint32_t m_sectors = 0;
};

// --- The phases in order ---------------------------------------------------

class Compactor {
public:
    Compactor(Disc& disc, MessageSink& sink, const Progress& progress)
        : m_disc(disc), m_sink(sink), m_progress(progress), m_end(DiscEnd(disc))
    {
    }

    Status Run()
    {
        std::optional<Refusal> refused = Collect();
        if (!refused) {
            Order();
            refused = FindOverlap();
        }
        if (refused) {
            m_sink.Report(*refused);
            return Status::Refused;
        }
        LinkParents();
        const std::uint32_t firstFree = Move();
        RewriteParents();
        WriteMap(firstFree);
        return Status::Done;
    }

private:
    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_table.objects.size()); }

    // The table index of the n-th object in address order.
    std::uint32_t ObjectAt(std::uint32_t n) const { return m_table.sorted ? n : m_order[n]; }

    // The walk's refusal, else the first misplaced object's.
    std::optional<Refusal> Collect()
    {
        std::optional<Refusal> refused = TreeWalk(m_disc, m_end, m_table).Run();
        if (!refused)
            refused = std::move(m_table.misplaced);
        return refused;
    }

    void Order()
    {
        if (!m_table.sorted)
            m_order = AddressOrder(m_table.objects);
    }

    // The first two neighbours in address order that share sectors.
    std::optional<Refusal> FindOverlap() const
    {
        const std::uint32_t later = m_table.sorted ? m_table.overlap : FirstOverlapInOrder();
        if (later == 0)
            return std::nullopt;
        return RefuseOverlap(m_disc, m_table.objects, ObjectAt(later - 1), ObjectAt(later));
    }

    // The position in m_order of the first object overlapping the one before, or 0.
    std::uint32_t FirstOverlapInOrder() const
    {
        for (std::uint32_t n = 1; n < Count(); ++n) {
            const DiscObject& a = m_table.objects[m_order[n - 1]];
            if (std::uint64_t{a.StartSector} + a.Sectors > m_table.objects[m_order[n]].StartSector)
                return n;
        }
        return 0;
    }

    // Parent fields that name a moved directory follow it. A file's parent is
    // its listing directory, so only directories need groups. In a sound tree
    // each directory's parent field names the directory listing it: then
    // every group is one directory's and follows just that directory, and
    // where the directory is says it all, so no groups are made.
    void LinkParents()
    {
        const std::vector<DiscObject>& objects = m_table.objects;
        m_linked = std::ranges::all_of(m_table.dirs, [&](const DirectoryRecord& d) {
            return d.Index == 0 || d.ParentSector == objects[objects[d.Index].Listing].StartSector;
        });
        m_placed.resize(Count());
        for (const DirectoryRecord& d : m_table.dirs)
            m_placed[d.Index] = objects[d.Index].StartSector;
        if (m_linked)
            return;
        m_ownGroup.resize(Count());
        m_parentGroup.resize(Count());
        for (const DirectoryRecord& d : m_table.dirs)
            m_ownGroup[d.Index] = m_groups.For(objects[d.Index].StartSector);
        for (const DirectoryRecord& d : m_table.dirs)
            m_parentGroup[d.Index] = m_groups.For(d.ParentSector);
    }

    // Moves everything that can move; returns the first sector after the last
    // object.
    std::uint32_t Move()
    {
        if (m_table.sorted)
            return MoveInOrder([](std::uint32_t n) { return n; });
        return MoveInOrder([this](std::uint32_t n) { return m_order[n]; });
    }

    // objectAt(n): the table index of the n-th object in address order (the
    // root, n = 0, stays).
    template <typename ObjectAt> std::uint32_t MoveInOrder(ObjectAt objectAt)
    {
        PendingMove pending(m_disc.WritableImage().data());
        std::uint32_t next = kFirstDataSector;
        const std::uint32_t count = Count();
        for (std::uint32_t n = 1; n < count; ++n) {
            const std::uint32_t i = objectAt(n);
            const DiscObject& o = m_table.objects[i];
            if (o.StartSector == next || !RewriteEntry(i, o, next, pending)) {
                next = o.StartSector + o.Sectors;
                continue;
            }
            pending.Add(o.StartSector, next, o.Sectors);
            Tick(m_progress);
            next += o.Sectors;
        }
        pending.Make();
        return next;
    }

    // Points the entry of objects[i] at sector to, where its directory's block
    // is now; false, changing nothing, when the object must stay. Inlined: it
    // runs once per object.
    [[gnu::always_inline]] bool RewriteEntry(std::uint32_t i, const DiscObject& o, std::uint32_t to,
                                             PendingMove& pending)
    {
        // Moving it would leave its entry pointing at the old place.
        if (!FoundThroughEntry(i, o))
            return false;
        const std::uint32_t block = m_placed[o.Listing];
        if (pending.Carries(block))
            pending.Make();
        const std::uint64_t at = EntryOffset(SectorAddress(block), o.Entry);
        // An object's own slot still holds its old start: no other object's
        // lookup finds that slot with its own start there, so none has
        // rewritten it.
        if (o.Entry != o.Slot && EntryStart(m_disc.Bytes().data() + at) != o.StartSector)
            return false;
        // Inside a signed block.
        m_disc.Write24(at + entry::kStart, to);
        if (o.IsDirectory) {
            m_placed[i] = to;
            if (!m_linked)
                m_groups.Follow(o.StartSector, to);
        }
        return true;
    }

    // Whether a lookup by name finds objects[i] through its entry: a
    // directory whose parent field names another place than its listing
    // directory is not found through it.
    bool FoundThroughEntry(std::uint32_t i, const DiscObject& o)
    {
        if (o.Entry < 0)
            return false;
        return !o.IsDirectory || m_linked || m_groups.Value(m_parentGroup[i]) == m_groups.Value(m_ownGroup[o.Listing]);
    }

    // Each directory's parent field names where its listing directory went,
    // or, unless linked, where whatever it named went.
    void RewriteParents()
    {
        for (const DirectoryRecord& d : m_table.dirs)
            if (d.Index != 0)
                m_disc.Write24(SectorAddress(m_placed[d.Index]).ByteOffset() + dir::kParent,
                               m_linked ? m_placed[m_table.objects[d.Index].Listing]
                                        : m_groups.Value(m_parentGroup[d.Index]));
    }

    // One run from firstFree to the end. A full disc gets an empty map rather
    // than a run of no sectors, which a 0-byte file would then be given.
    void WriteMap(std::uint32_t firstFree)
    {
        const std::uint64_t free = m_end - firstFree;
        if (free > 0) {
            m_disc.Write24(map::kStarts, firstFree);
            m_disc.Write24(map::kLengths, static_cast<std::uint32_t>(free));
            m_disc.Set(map::kEndPointer, 3);
        } else {
            m_disc.Set(map::kEndPointer, 0);
        }
        m_disc.Set(map::kChecksum0, MapChecksum(m_disc, 0));
        m_disc.Set(map::kChecksum1, MapChecksum(m_disc, kSectorSize));
        ReadFreeSpaceMap(m_disc);
    }

    Disc& m_disc;
    MessageSink& m_sink;
    const Progress& m_progress;
    const std::uint64_t m_end;
    ObjectTable m_table;
    // Empty while the walk's order is address order.
    std::vector<std::uint32_t> m_order;
    bool m_linked = true;
    // Per table index of a directory: where its block is at each point of
    // the moves, and (unless linked) its own and its parent field's group.
    std::vector<std::uint32_t> m_placed;
    std::vector<std::uint32_t> m_ownGroup;
    std::vector<std::uint32_t> m_parentGroup;
    Groups m_groups;
};

} // namespace

Status CompactDisc(Disc& disc, MessageSink& sink, const Progress& progress)
{
    return Compactor(disc, sink, progress).Run();
}

} // namespace marlin::image

#include "image/compaction.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "image/bytes.h"
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

// An entry name as a lookup by name compares it: masked to 7 bits, cut at
// CR, upper case; packed into two numbers (eight and two characters at a
// time) so that reading a directory allocates nothing and compares in two
// steps. The order only proves a directory's names distinct (any strict order
// would do); name order makes that proof quick for a sound directory.
struct LookupName {
    std::uint64_t head = 0; // characters 1-8
    std::uint32_t tail = 0; // characters 9 and 10, and the length

    LookupName() = default;
    // From the 10 name bytes of an entry, as GetEntryName reads them.
    explicit LookupName(const std::uint8_t* bytes)
    {
        std::uint64_t h = 0;
        std::uint16_t t = 0;
        std::memcpy(&h, bytes, 8);
        std::memcpy(&t, bytes + 8, 2);
        h = Upper(h & kLow7);
        std::uint64_t t64 = Upper(std::uint64_t{t} & kLow7);
        // The name ends at the first CR, or after 10 characters.
        const int crHead = FirstCR(h);
        const int crTail = FirstCR(t64 | 0xFFFF'FFFF'FFFF'0000ULL);
        const int length = crHead < 8 ? crHead : (crTail < 2 ? 8 + crTail : 10);
        if (length < 8) {
            h &= length == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * length);
            t64 = 0;
        } else if (length < 10) {
            t64 &= length == 8 ? 0 : 0xFF;
        }
        // First character most significant, so that a directory in name
        // order reads as rising.
        head = __builtin_bswap64(h);
        tail = static_cast<std::uint32_t>((t64 & 0xFF) << 24 | (t64 >> 8 & 0xFF) << 16) |
               static_cast<std::uint32_t>(length);
    }
    bool operator==(const LookupName&) const = default;
    bool operator<(const LookupName& o) const { return head != o.head ? head < o.head : tail < o.tail; }

private:
    static constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101ULL;
    static constexpr std::uint64_t kLow7 = 0x7F * kOnes;
    static constexpr std::uint64_t kHigh = 0x80 * kOnes;
    // Each byte (below 128) from 'a' to 'z' lowered by 32.
    static std::uint64_t Upper(std::uint64_t x)
    {
        const std::uint64_t atLeastA = (x + (0x80 - 'a') * kOnes) & kHigh;
        const std::uint64_t aboveZ = (x + (0x80 - 'z' - 1) * kOnes) & kHigh;
        return x - ((atLeastA & ~aboveZ) >> 2);
    }
    // Index of the first byte (in memory order) equal to CR, or 8. Bytes
    // above a true match may be flagged falsely, never below one.
    static int FirstCR(std::uint64_t x)
    {
        const std::uint64_t y = x ^ (kCR * kOnes);
        const std::uint64_t found = (y - kOnes) & ~y & kHigh;
        return found == 0 ? 8 : std::countr_zero(found) / 8;
    }
};

// The lookup form of a name already read (at most 10 characters, no CR).
LookupName LookupOf(std::string_view name)
{
    std::array<std::uint8_t, dir::kNameLength> bytes;
    bytes.fill(kCR);
    std::memcpy(bytes.data(), name.data(), std::min<std::size_t>(name.size(), bytes.size()));
    return LookupName(bytes.data());
}

// A directory being read: the names of its slots so far, and whether they
// rise strictly (then no name repeats and a lookup finds each at its own slot).
struct Frame {
    SectorAddress dir;
    int slot = 0;
    std::uint32_t index = 0;
    bool rising = true;
    std::array<LookupName, dir::kSlots> names{};
};

// The slot a lookup in the frame's directory finds for the name in slot
// upTo: that slot, unless the same name comes earlier.
int FirstMatch(const Frame& f, int upTo)
{
    const LookupName& name = f.names[static_cast<std::size_t>(upTo)];
    if (!f.rising)
        for (int j = 0; j < upTo; ++j)
            if (f.names[static_cast<std::size_t>(j)] == name)
                return j;
    return upTo;
}

// Table indexes in address order, ties in walk order (which keeps the root
// first on a tie that the overlap test then refuses): a stable radix sort on
// the 24-bit start sectors.
std::vector<std::uint32_t> AddressOrder(const ObjectTable& table)
{
    std::vector<std::uint32_t> order(table.size()), spare(table.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
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

std::string ObjectPath(const Disc& disc, const ObjectTable& table, std::size_t i)
{
    std::vector<std::size_t> chain;
    while (table[i].Listing != i) {
        chain.push_back(i);
        i = table[i].Listing;
    }
    const SectorAddress top(table[i].StartSector);
    std::string path = top.value() == kRootSector ? std::string("$") : GetDirectoryName(disc, top);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const DiscObject& o = table[*it];
        path += '.';
        path += GetEntryName(disc, SectorAddress(table[o.Listing].StartSector), o.Slot);
    }
    return path;
}

std::optional<Refusal> CollectObjects(const Disc& disc, SectorAddress dir, ObjectTable& table)
{
    const std::uint64_t end = DiscEnd(disc);
    std::unordered_set<std::uint32_t> seen;
    std::unordered_set<std::uint32_t> onPath;
    // Frames by depth, kept for reuse: each holds a directory's 47 names.
    std::vector<Frame> frames;
    std::size_t depth = 0;

    // Checks a directory before its entries are listed, then opens it.
    auto enter = [&](SectorAddress d, std::uint32_t listing, int slot, int entry) -> std::optional<Refusal> {
        const auto index = static_cast<std::uint32_t>(table.size());
        table.push_back({0, disc.Read24(d.byteOffset() + dir::kParent), d.value(), dir::kBlockSectors, entry,
                         slot < 0 ? index : listing, slot});
        auto refuse = [&](const char* reason) { return CannotCompact(reason, ObjectPath(disc, table, index)); };
        if (std::uint64_t{d.value()} + dir::kBlockSectors > end)
            return refuse(kPastEnd);
        if (onPath.contains(d.value()))
            return refuse(kListsAncestor);
        if (!seen.insert(d.value()).second)
            return refuse(kSharedSectors);
        // Without the signature its entries are not known, so what they
        // describe could be overwritten by the moves.
        if (!IsDirectory(disc, d))
            return refuse(kNoSignature);
        onPath.insert(d.value());
        if (frames.size() <= depth)
            frames.emplace_back();
        Frame& f = frames[depth++];
        f.dir = d;
        f.slot = 0;
        f.index = index;
        f.rising = true;
        return std::nullopt;
    };

    // Room for one object per two sectors, a full disc of small files, so
    // that the table seldom grows (the address space is only used as filled).
    table.reserve(table.size() + static_cast<std::size_t>(end / 2));
    if (auto refused = enter(dir, 0, -1, -1))
        return refused;
    const std::span<const std::uint8_t> image = disc.DiscImage;
    while (depth > 0) {
        Frame& top = frames[depth - 1];
        // The block is signed, so all of it lies inside the image.
        const std::uint64_t e = EntryOffset(top.dir, top.slot);
        if (top.slot >= dir::kSlots || (image[e] & 0x7F) == 0) {
            onPath.erase(top.dir.value());
            --depth;
            continue;
        }
        const int slot = top.slot++;
        const LookupName lookup(image.data() + e);
        top.names[static_cast<std::size_t>(slot)] = lookup;
        if (slot > 0 && !(top.names[static_cast<std::size_t>(slot) - 1] < lookup))
            top.rising = false;
        // Every object takes at least one sector: more objects than sectors
        // means some share, and stops a damaged tree from growing the table
        // without bound.
        if (table.size() >= end)
            return CannotCompact(kSharedSectors,
                                 ObjectPath(disc, table, top.index) + "." + GetEntryName(disc, top.dir, slot));
        const std::uint32_t start = Get24(image, e + entry::kStart);
        if (image[e + entry::kAttrD] & 0x80) {
            // A directory is looked up by its own name, which a damaged block
            // may give differently from the entry that lists it.
            const SectorAddress child(start);
            const std::string own = GetDirectoryName(disc, child);
            const int entry = LookupOf(own) == lookup ? FirstMatch(top, slot) : FindEntry(disc, top.dir, own);
            if (auto refused = enter(child, top.index, slot, entry))
                return refused;
        } else {
            table.push_back({1, top.dir.value(), start, SectorCount(Get32(image, e + entry::kLength)),
                             FirstMatch(top, slot), top.index, slot});
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
    // One pass in walk order: the first object past the end or over the
    // map, the directories, and whether the walk is in address order already
    // (then its first overlap is the one the sorted order would show).
    const std::uint64_t end = DiscEnd(disc);
    std::vector<std::uint32_t> dirs;
    bool sorted = true;
    std::size_t overlap = 0; // the later of the first overlapping pair, 0 for none
    for (std::size_t i = 0; i < table.size(); ++i) {
        const DiscObject& o = table[i];
        if (std::uint64_t{o.StartSector} + o.Sectors > end) {
            sink.Report(CannotCompact(kPastEnd, ObjectPath(disc, table, i)));
            return true;
        }
        if (o.StartSector < kRootSector) {
            sink.Report(CannotCompact(kSharedSectors, "Free Space Map and " + ObjectPath(disc, table, i)));
            return true;
        }
        if (o.Kind == 0)
            dirs.push_back(static_cast<std::uint32_t>(i));
        if (i > 0 && sorted) {
            const DiscObject& before = table[i - 1];
            sorted = before.StartSector <= o.StartSector;
            if (sorted && overlap == 0 && std::uint64_t{before.StartSector} + before.Sectors > o.StartSector)
                overlap = i;
        }
    }
    std::vector<std::uint32_t> order;
    if (!sorted) {
        order = AddressOrder(table);
        for (std::size_t n = 1; n < order.size() && overlap == 0; ++n) {
            const DiscObject& a = table[order[n - 1]];
            if (std::uint64_t{a.StartSector} + a.Sectors > table[order[n]].StartSector)
                overlap = n;
        }
    }
    // The n-th object in address order.
    auto at = [&](std::size_t n) { return sorted ? static_cast<std::uint32_t>(n) : order[n]; };
    if (overlap != 0) {
        sink.Report(CannotCompact(kSharedSectors, ObjectPath(disc, table, at(overlap - 1)) + " and " +
                                                      ObjectPath(disc, table, at(overlap))));
        return true;
    }

    // Parent fields and holders that name a moved directory follow it. Every
    // record naming the same sector shares one group whose value changes with
    // a move; a group renamed onto a value another group holds joins it.
    // A holder is always the listing directory, and a file's parent is its
    // holder, so only directories need groups. placed holds where each
    // directory's bytes are at each point of the moves.
    Groups groups;
    const std::size_t count = table.size();
    std::unique_ptr<std::uint32_t[]> ownGroup(new std::uint32_t[count]);
    std::unique_ptr<std::uint32_t[]> parentGroup(new std::uint32_t[count]);
    std::unique_ptr<std::uint32_t[]> placed(new std::uint32_t[count]);
    for (const std::uint32_t d : dirs) {
        ownGroup[d] = groups.For(table[d].StartSector);
        placed[d] = table[d].StartSector;
    }
    for (const std::uint32_t d : dirs)
        parentGroup[d] = groups.For(table[d].ParentSector);

    // In address order, each object found through its entry moves down to
    // the next free place and its entry follows. No move lands on an object
    // that has not moved yet: it goes below its own old place and above
    // everything placed before it.
    // The move not yet made: side-by-side objects that shift by the same
    // distance gather into one block move. Nothing reads or writes its bytes
    // before it is made, so delaying it changes nothing.
    struct Move {
        std::uint32_t from = 0, to = 0, sectors = 0;
    } pending;
    auto flush = [&] {
        // Each move goes down, over free space or what has already moved on,
        // so one forward memmove does it.
        if (pending.sectors > 0)
            std::memmove(disc.DiscImage.data() + SectorAddress(pending.to).byteOffset(),
                         disc.DiscImage.data() + SectorAddress(pending.from).byteOffset(),
                         std::size_t{pending.sectors} * kSectorSize);
        pending.sectors = 0;
    };
    std::uint32_t next = kFirstDataSector;
    for (std::size_t n = 1; n < count; ++n) {
        const std::uint32_t i = at(n);
        const DiscObject& o = table[i];
        const std::uint32_t old = o.StartSector;
        if (old != next) {
            // The listing block where it is at this point of the moves; made
            // there first when it is part of the move not yet made.
            const std::uint32_t block = placed[o.Listing];
            auto settle = [&] {
                if (pending.sectors > 0 && block < pending.to + pending.sectors &&
                    block + dir::kBlockSectors > pending.to)
                    flush();
            };
            const std::uint64_t e = EntryOffset(SectorAddress(block), o.Entry) + entry::kStart;
            // A file's parent is its holder; a directory's parent field may
            // name another place. An object's own slot still holds old: no
            // other object's lookup finds that slot with its own start there,
            // so none has rewritten it.
            bool found =
                o.Entry >= 0 && (o.Kind == 1 || groups.Value(parentGroup[i]) == groups.Value(ownGroup[o.Listing]));
            if (found && o.Entry != o.Slot) {
                settle();
                found = Get24(disc.DiscImage, e) == old;
            }
            if (!found) {
                // Moving it would leave its entry pointing at the old place.
                next = old + o.Sectors;
                continue;
            }
            settle();
            Put24(disc.DiscImage, e, next); // inside a signed block
            if (o.Kind == 0) {
                placed[i] = next;
                groups.Follow(old, next);
            }
            if (pending.sectors > 0 && pending.from + pending.sectors == old && pending.to + pending.sectors == next) {
                pending.sectors += o.Sectors;
            } else {
                flush();
                pending = {old, next, o.Sectors};
            }
            Tick(progress);
        }
        next += o.Sectors;
    }
    flush();
    for (const std::uint32_t d : dirs)
        if (d != 0)
            disc.Write24(SectorAddress(placed[d]).byteOffset() + dir::kParent, groups.Value(parentGroup[d]));

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

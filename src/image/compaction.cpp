#include "image/compaction.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
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

// An entry name as a lookup by name compares it: masked to 7 bits, cut at
// CR, upper case. Held in place so that reading a directory allocates nothing.
struct LookupName {
    std::array<char, dir::kNameLength> c{};
    std::uint8_t length = 0;

    explicit LookupName(std::string_view name)
    {
        length = static_cast<std::uint8_t>(std::min(name.size(), c.size()));
        for (std::size_t k = 0; k < length; ++k) {
            const char ch = name[k];
            c[k] = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
        }
    }
    LookupName() = default;
    bool operator==(const LookupName& o) const
    {
        return length == o.length && std::memcmp(c.data(), o.c.data(), length) == 0;
    }
    bool operator<(const LookupName& o) const
    {
        const int order = std::memcmp(c.data(), o.c.data(), std::min(length, o.length));
        return order < 0 || (order == 0 && length < o.length);
    }
};

// A directory being read: the names of its slots so far, and whether they
// rise strictly (then no name repeats and a lookup finds each at its own slot).
struct Frame {
    SectorAddress dir;
    int slot = 0;
    std::uint32_t index = 0;
    bool rising = true;
    std::array<LookupName, dir::kSlots> names{};
};

// The slot a lookup of name in the frame's directory finds, given that slots
// 0..upTo are read; the full lookup when the name may sit further on.
int FirstMatch(const Frame& f, int upTo, const LookupName& name)
{
    if (f.names[static_cast<std::size_t>(upTo)] == name) {
        if (f.rising)
            return upTo;
        for (int j = 0; j < upTo; ++j)
            if (f.names[static_cast<std::size_t>(j)] == name)
                return j;
        return upTo;
    }
    return -2; // not at or before upTo
}

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
    auto enter = [&](SectorAddress d, std::uint32_t holder, std::uint32_t listing, int slot,
                     int entry) -> std::optional<Refusal> {
        const auto index = static_cast<std::uint32_t>(table.size());
        table.push_back({0, disc.Read24(d.byteOffset() + dir::kParent), d.value(), dir::kBlockSectors, holder, entry,
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

    if (auto refused = enter(dir, dir.value(), 0, -1, -1))
        return refused;
    while (depth > 0) {
        Frame& top = frames[depth - 1];
        if (top.slot >= dir::kSlots || SlotIsEmpty(disc, top.dir, top.slot)) {
            onPath.erase(top.dir.value());
            --depth;
            continue;
        }
        const int slot = top.slot++;
        const std::uint64_t e = EntryOffset(top.dir, slot);
        const std::string name = GetEntryName(disc, top.dir, slot);
        const LookupName lookup(name);
        top.names[static_cast<std::size_t>(slot)] = lookup;
        if (slot > 0 && !(top.names[static_cast<std::size_t>(slot) - 1] < lookup))
            top.rising = false;
        // Every object takes at least one sector: more objects than sectors
        // means some share, and stops a damaged tree from growing the table
        // without bound.
        if (table.size() >= end)
            return CannotCompact(kSharedSectors, ObjectPath(disc, table, top.index) + "." + name);
        const std::uint32_t start = disc.Read24(e + entry::kStart);
        if (disc.At(e + entry::kAttrD) & 0x80) {
            // A directory is looked up by its own name, which a damaged block
            // may give differently from the entry that lists it.
            const SectorAddress child(start);
            const std::string own = GetDirectoryName(disc, child);
            int entry = FirstMatch(top, slot, LookupName(own));
            if (entry == -2 || own.size() > dir::kNameLength)
                entry = FindEntry(disc, top.dir, own);
            if (auto refused = enter(child, top.dir.value(), top.index, slot, entry))
                return refused;
        } else {
            const int entry = FirstMatch(top, slot, lookup);
            table.push_back({1, top.dir.value(), start, SectorCount(disc.Read32(e + entry::kLength)), top.dir.value(),
                             entry, top.index, slot});
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
    }
    // Address order, ties in walk order, which keeps the root first on a tie
    // that the overlap test below then refuses. Start sectors have 24 bits.
    std::vector<std::uint64_t> keyed(table.size());
    for (std::size_t i = 0; i < table.size(); ++i)
        keyed[i] = (std::uint64_t{table[i].StartSector} << 32) | i;
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::uint32_t> order(table.size());
    for (std::size_t n = 0; n < keyed.size(); ++n)
        order[n] = static_cast<std::uint32_t>(keyed[n]);
    for (std::size_t n = 1; n < order.size(); ++n) {
        const DiscObject& a = table[order[n - 1]];
        const DiscObject& b = table[order[n]];
        if (std::uint64_t{a.StartSector} + a.Sectors > b.StartSector) {
            sink.Report(CannotCompact(kSharedSectors, ObjectPath(disc, table, order[n - 1]) + " and " +
                                                          ObjectPath(disc, table, order[n])));
            return true;
        }
    }

    // Parent fields and holders that name a moved directory follow it. Every
    // record naming the same sector shares one group whose value changes with
    // a move; a group renamed onto a value another group holds joins it.
    struct Group {
        std::uint32_t value;
        std::uint32_t joined; // itself, or the group it joined
    };
    std::vector<Group> groups;
    std::unordered_map<std::uint32_t, std::uint32_t> groupOf; // live value -> group
    auto groupFor = [&](std::uint32_t value) {
        const auto [it, added] = groupOf.try_emplace(value, static_cast<std::uint32_t>(groups.size()));
        if (added)
            groups.push_back({value, it->second});
        return it->second;
    };
    auto root = [&](std::uint32_t g) {
        while (groups[g].joined != g) {
            groups[g].joined = groups[groups[g].joined].joined;
            g = groups[g].joined;
        }
        return g;
    };
    auto value = [&](std::uint32_t g) { return groups[root(g)].value; };
    auto follow = [&](std::uint32_t from, std::uint32_t to) {
        const auto it = groupOf.find(from);
        if (it == groupOf.end())
            return;
        const std::uint32_t g = it->second;
        groupOf.erase(it);
        const auto [target, added] = groupOf.try_emplace(to, g);
        if (added)
            groups[g].value = to;
        else
            groups[g].joined = root(target->second);
    };
    std::vector<std::uint32_t> parentGroup(table.size()), holderGroup(table.size());
    for (std::size_t n = 1; n < order.size(); ++n) {
        const DiscObject& o = table[order[n]];
        parentGroup[order[n]] = groupFor(o.ParentSector);
        holderGroup[order[n]] = groupFor(o.Holder);
    }

    std::uint32_t next = kFirstDataSector;
    for (std::size_t n = 1; n < order.size(); ++n) {
        DiscObject& o = table[order[n]];
        const std::uint32_t old = o.StartSector;
        if (old != next) {
            const std::uint32_t parent = value(parentGroup[order[n]]);
            const std::uint64_t e = EntryOffset(SectorAddress(parent), o.Entry);
            const bool found = o.Entry >= 0 && parent == value(holderGroup[order[n]]) &&
                               disc.Read24(e + entry::kStart) == old;
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
            if (o.Kind == 0)
                follow(old, next);
            Tick(progress);
        }
        next += o.Sectors;
    }
    for (std::size_t n = 1; n < order.size(); ++n) {
        const DiscObject& o = table[order[n]];
        if (o.Kind == 0)
            disc.Write24(SectorAddress(o.StartSector).byteOffset() + dir::kParent, value(parentGroup[order[n]]));
    }

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

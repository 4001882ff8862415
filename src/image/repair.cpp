#include "image/repair.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

#include "image/check.h"
#include "image/directory.h"
#include "image/hex.h"
#include "image/walk_guard.h"

namespace marlin::image {

namespace {

struct Extent {
    std::uint64_t start = 0;
    std::uint64_t count = 0;
};

class Repairer {
public:
    explicit Repairer(Disc& disc) : m_disc(disc), m_guard(disc)
    {
        m_discEnd = std::min<std::uint64_t>(disc.DiscSizeField(), disc.SectorsInImage());
    }

    RepairReport Run()
    {
        m_used.push_back({kRootSector, dir::kBlockSectors});
        m_guard.Enter(kRoot);
        Visit(kRoot, "$", std::nullopt, nullptr, 0);
        m_guard.Leave(kRoot);
        RepairReport report;
        if (auto line = RebuildMap())
            report.changes.push_back(std::move(*line));
        report.changes.insert(report.changes.end(), m_changes.begin(), m_changes.end());
        report.notRepaired = Check(m_disc);
        return report;
    }

private:
    // Where a directory is listed: its entry's offset and name.
    struct Listing {
        std::uint64_t at = 0;
        std::string name;
    };

    // listing: the directory's entry in its parent (none for the root).
    void Visit(SectorAddress dir, const std::string& path, std::optional<SectorAddress> parent, const Listing* listing,
               int depth)
    {
        Disc& disc = m_disc;
        const std::uint64_t d = dir.ByteOffset();
        // A block that cannot be read may own files no walk can see: the map
        // is left as it is rather than giving their sectors away.
        if (!disc.Contains(d, dir::kBlockSize) || !HasSignatureAt(disc, d + dir::kSignature) ||
            !HasSignatureAt(disc, d + dir::kSignature2)) {
            m_mapBlocked = true;
            return;
        }
        if (disc.At(d + dir::kSequence) != disc.At(d + dir::kSequenceCopy)) {
            disc.Set(d + dir::kSequenceCopy, disc.At(d + dir::kSequence));
            m_changes.push_back(path + ": sequence number at the end set to " + HexAtLeast(disc.At(d), 2));
        }
        if (parent && disc.Read24(d + dir::kParent) != parent->Value()) {
            disc.Write24(d + dir::kParent, parent->Value());
            m_changes.push_back(path + ": parent field set to " + HexAtLeast(parent->Value(), 6));
        }
        // A name both fields already hold byte for byte but read apart (an
        // odd byte in it) cannot be mended by copying.
        auto sameBytes = [&] {
            for (std::size_t k = 0; k < dir::kNameLength; ++k)
                if ((disc.At(d + dir::kName + k) & 0x7F) != (disc.At(listing->at + k) & 0x7F))
                    return false;
            return true;
        };
        if (listing && !SameName(GetDirectoryName(disc, dir), listing->name) && !sameBytes()) {
            std::uint8_t name[dir::kNameLength];
            std::memcpy(name, disc.Bytes().data() + listing->at, dir::kNameLength);
            std::memcpy(disc.Writable(d + dir::kName, dir::kNameLength).data(), name, dir::kNameLength);
            m_changes.push_back(path + ": own name field set to " + GetDirectoryName(disc, dir));
        }
        SortEntries(dir, path);

        const int count = EntryCount(disc, dir);
        for (int i = count + 1; i < dir::kSlots; ++i) {
            if (!SlotIsEmpty(disc, dir, i))
                m_mapBlocked = true; // an entry past the list's end may still own sectors
        }
        for (int i = 0; i < count; ++i) {
            const DirEntry e = ReadEntry(disc, dir, i);
            if (!e.D) {
                m_used.push_back({e.start.Value(), SectorCount(e.length)});
                continue;
            }
            m_used.push_back({e.start.Value(), dir::kBlockSectors});
            // A loop or a block listed twice is walked once; the checker names it.
            if (m_guard.Entered(e.start))
                continue;
            if (!WalkGuard::DepthAllowed(depth + 1)) {
                m_mapBlocked = true;
                continue;
            }
            m_guard.Enter(e.start);
            const Listing listed{EntryOffset(dir, i), e.name};
            Visit(e.start, path + "." + e.name, dir, &listed, depth + 1);
            m_guard.Leave(e.start);
        }
    }

    // Entries out of name order go where insertions would have put them;
    // not when a name is empty or listed twice (their place is a guess).
    void SortEntries(SectorAddress dir, const std::string& path)
    {
        const int count = EntryCount(m_disc, dir);
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> slots;
        std::set<std::string> names;
        for (int i = 0; i < count; ++i) {
            const std::string upper = UpperName(GetEntryName(m_disc, dir, i));
            if (upper.empty() || !names.insert(upper).second)
                return;
            const auto bytes = m_disc.Bytes().subspan(EntryOffset(dir, i), dir::kSlotSize);
            slots.emplace_back(upper, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
        if (std::ranges::is_sorted(slots, {}, &decltype(slots)::value_type::first))
            return;
        std::ranges::sort(slots, {}, &decltype(slots)::value_type::first);
        for (int i = 0; i < count; ++i)
            std::ranges::copy(slots[static_cast<std::size_t>(i)].second,
                              m_disc.Writable(EntryOffset(dir, i), dir::kSlotSize).begin());
        m_changes.push_back(path + ": entries put in name order");
    }

    // The map of every sector from the first data sector to the disc's end
    // that no object uses; none when that cannot be known or changes nothing.
    std::optional<std::string> RebuildMap()
    {
        Disc& disc = m_disc;
        if (m_mapBlocked || m_discEnd < kFirstDataSector || !disc.Contains(0, 2 * kSectorSize))
            return std::nullopt;
        std::ranges::sort(m_used, {}, &Extent::start);
        std::vector<MapRun> runs;
        std::uint64_t reach = 2; // past the map's own two sectors
        auto freeUpTo = [&](std::uint64_t end) {
            const std::uint64_t from = std::max<std::uint64_t>(reach, kFirstDataSector);
            end = std::min(end, m_discEnd);
            if (end > from)
                runs.push_back({static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(end - from)});
        };
        for (const Extent& e : m_used) {
            if (e.count == 0)
                continue;
            // An object over the map would change with it; objects over each
            // other leave open whose sectors are whose.
            if (e.start < reach)
                return std::nullopt;
            freeUpTo(e.start);
            reach = e.start + e.count;
        }
        freeUpTo(m_discEnd);
        // The map holds 84 runs: the largest stay, the rest remain lost space.
        if (runs.size() > static_cast<std::size_t>(map::kMaxRuns)) {
            std::ranges::stable_sort(runs, std::greater<>{}, &MapRun::Length);
            runs.resize(map::kMaxRuns);
            std::ranges::sort(runs, {}, &MapRun::Start);
        }
        const bool same = disc.At(map::kEndPointer) == runs.size() * 3 &&
                          MapChecksum(disc, 0) == disc.At(map::kChecksum0) &&
                          MapChecksum(disc, kSectorSize) == disc.At(map::kChecksum1) && [&] {
                              Disc stored = disc;
                              ReadFreeSpaceMap(stored);
                              return stored.map.runs == runs;
                          }();
        if (same)
            return std::nullopt;
        disc.map.runs = std::move(runs);
        WriteFreeSpaceMap(disc);
        return "Rebuilt free space map: " + std::to_string(disc.map.Count()) +
               (disc.map.Count() == 1 ? " run" : " runs");
    }

    Disc& m_disc;
    WalkGuard m_guard;
    std::uint64_t m_discEnd = 0;
    std::vector<Extent> m_used;
    std::vector<std::string> m_changes;
    bool m_mapBlocked = false;
};

} // namespace

RepairReport Repair(Disc& disc)
{
    return Repairer(disc).Run();
}

std::string RepairText(const RepairReport& report)
{
    std::string out;
    auto line = [&](const std::string& text) {
        out += text;
        out += static_cast<char>(kCR);
    };
    if (report.changes.empty() && report.notRepaired.empty())
        line("Nothing to repair: no problems found");
    for (const auto& change : report.changes)
        line(change);
    if (report.changes.empty() && !report.notRepaired.empty())
        line("Nothing could be repaired");
    for (const auto& problem : report.notRepaired)
        line("Not repaired: " + problem);
    return out;
}

} // namespace marlin::image

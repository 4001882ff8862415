#include "image/check.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_set>

#include "image/directory.h"
#include "image/hex.h"
#include "image/walk_guard.h"

namespace marlin::image {

namespace {

// Sector numbers as the listings show them: upper-case hex, at least 6 digits.
std::string Hex(std::uint64_t value, int width = 6)
{
    return HexAtLeast(value, width);
}

std::string SectorsText(std::uint64_t start, std::uint64_t count)
{
    if (count <= 1)
        return "sector " + Hex(start);
    return "sectors " + Hex(start) + "-" + Hex(start + count - 1);
}

class Checker {
public:
    explicit Checker(const Disc& disc) : m_disc(disc), m_guard(disc) {}

    std::vector<std::string> Run()
    {
        CheckMap();
        m_nodes.push_back({-1, "$", kRootSector});
        m_extents.push_back({kRootSector, dir::kBlockSectors, Kind::Object, 0, {}, -1});
        m_guard.Enter(kRoot);
        Visit(0, kRootSector, std::nullopt, 0);
        m_guard.Leave(kRoot);
        Sweep();
        for (auto& line : m_lost)
            Add(std::move(line));
        if (m_dropped > 0)
            m_problems.push_back("Too many problems: " + std::to_string(m_dropped) + " more not shown");
        return std::move(m_problems);
    }

private:
    enum class Kind { Map, Free, Object };

    // Sectors something claims. An object is a directory (node is its own
    // node, name empty) or a file (node is the directory that lists it).
    struct Extent {
        std::uint64_t start = 0;
        std::uint64_t count = 0;
        Kind kind = Kind::Object;
        int node = -1;
        std::string name;
        int run = -1;
        [[nodiscard]] std::uint64_t end() const { return start + count; }
    };

    // One reachable directory; paths are built from these only when a line
    // needs one, so memory stays in proportion to the number of directories.
    struct Node {
        int parent = -1;
        std::string name;
        std::uint32_t sector = 0;
    };

    void Add(std::string line)
    {
        if (m_problems.size() < kMaxCheckLines)
            m_problems.push_back(std::move(line));
        else
            ++m_dropped;
    }

    std::string Path(int node) const
    {
        std::vector<const std::string*> parts;
        for (int n = node; n >= 0; n = m_nodes[static_cast<std::size_t>(n)].parent)
            parts.push_back(&m_nodes[static_cast<std::size_t>(n)].name);
        std::string out;
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            if (!out.empty())
                out += '.';
            out += PrintableName(**it);
        }
        return out;
    }

    std::string Describe(const Extent& e) const
    {
        const std::string sectors = " (" + SectorsText(e.start, e.count) + ")";
        switch (e.kind) {
        case Kind::Map:
            return "the free space map" + sectors;
        case Kind::Free:
            return "free run " + std::to_string(e.run) + sectors;
        case Kind::Object:
            break;
        }
        if (e.name.empty())
            return Path(e.node) + sectors;
        return Path(e.node) + "." + PrintableName(e.name) + sectors;
    }

    // Sectors 0 and 1: checksums, end pointer, disc size and the runs' order.
    void CheckMap()
    {
        const Disc& disc = m_disc;
        const std::string prefix = "Free space map: ";
        for (const std::size_t sector : {std::size_t{0}, std::size_t{1}}) {
            const std::size_t offset = sector * kSectorSize;
            const std::uint8_t stored = disc.At(offset + 255);
            const std::uint8_t sum = MapChecksum(disc, offset);
            if (stored != sum)
                Add(prefix + "checksum of sector " + std::to_string(sector) + " is " + Hex(stored, 2) +
                    ", its bytes give " + Hex(sum, 2));
        }
        const std::uint8_t endPointer = disc.At(map::kEndPointer);
        if (endPointer % 3 != 0)
            Add(prefix + "end pointer " + Hex(endPointer, 2) + " is not a multiple of 3");
        if (endPointer > 3 * map::kMaxRuns)
            Add(prefix + "end pointer " + Hex(endPointer, 2) + " announces " + std::to_string(endPointer / 3) +
                " runs, more than the " + std::to_string(map::kMaxRuns) + " the map holds");

        const std::uint32_t sizeField = disc.DiscSizeField();
        m_discEnd = std::min<std::uint64_t>(sizeField, disc.SectorsInImage());
        if (sizeField != disc.SectorsInImage())
            Add(prefix + "disc size " + Hex(sizeField) + " sectors differs from the image's " +
                Hex(disc.SectorsInImage()) + " sectors");
        if (sizeField < kMinDiscSectors)
            Add(prefix + "disc size " + Hex(sizeField) + " sectors leaves no room for the map and the root");
        m_extents.push_back({0, 2, Kind::Map, -1, {}, -1});

        // Read the runs the way the program loads them.
        const int count = std::min((endPointer + 1) / 3, map::kMaxRuns);
        MapRun previous;
        for (int i = 0; i < count; ++i) {
            const auto at = static_cast<std::uint64_t>(3 * i);
            const MapRun run{disc.Read24(map::kStarts + at), disc.Read24(map::kLengths + at)};
            const Extent here{run.Start, run.Length, Kind::Free, -1, {}, i};
            if (run.Length == 0)
                Add(prefix + "run " + std::to_string(i) + " at sector " + Hex(run.Start) + " is empty");
            if (i > 0 && run.Length > 0 && previous.Length > 0) {
                const Extent before{previous.Start, previous.Length, Kind::Free, -1, {}, i - 1};
                // Overlaps are reported with all other overlaps, in sector order.
                if (run.Start < previous.Start)
                    Add(prefix + Describe(here) + " is out of order after " + Describe(before));
                else if (run.Start == std::uint64_t{previous.Start} + previous.Length)
                    Add(prefix + Describe(before) + " and " + Describe(here) + " are adjacent, not merged");
            }
            if (run.Length > 0) {
                m_extents.push_back(here);
                previous = run;
            }
        }
    }

    // Reads the directory at dir (reached as node) once; its entries add
    // extents, its subdirectories are read depth first in slot order.
    void Visit(int node, std::uint32_t dir, std::optional<std::uint32_t> expectedParent, int depth)
    {
        const Disc& disc = m_disc;
        const SectorAddress at(dir);
        const std::uint64_t d = at.ByteOffset();
        const std::string here = Path(node) + " (" + SectorsText(dir, dir::kBlockSectors) + ")";
        if (!disc.Contains(d, dir::kBlockSize))
            return; // reported as reaching past the disc's end
        if (!HasSignatureAt(disc, d + dir::kSignature)) {
            Add(here + ": directory block has no \"Hugo\" signature at its start");
            return;
        }
        if (!HasSignatureAt(disc, d + dir::kSignature2))
            Add(here + ": directory block has no \"Hugo\" signature at its end");
        const std::uint8_t sequence = disc.At(d + dir::kSequence);
        const std::uint8_t sequenceCopy = disc.At(d + dir::kSequenceCopy);
        if (sequence != sequenceCopy)
            Add(here + ": sequence numbers differ (" + Hex(sequence, 2) + " at the start, " + Hex(sequenceCopy, 2) +
                " at the end)");
        if (expectedParent) {
            const std::uint32_t parentField = disc.Read24(d + dir::kParent);
            if (parentField != *expectedParent)
                Add(here + ": parent field names sector " + Hex(parentField) + ", not its parent " +
                    Path(m_nodes[static_cast<std::size_t>(node)].parent) + " at sector " + Hex(*expectedParent));
            // Compaction finds a directory's entry by this name.
            const std::string own = GetDirectoryName(disc, at);
            if (!SameName(own, m_nodes[static_cast<std::size_t>(node)].name))
                Add(here + ": the directory's own name field says \"" + PrintableName(own) + "\"");
        }

        const std::string path = Path(node);
        const int count = EntryCount(disc, at);
        std::set<std::string> seen;
        std::string previous, previousName;
        for (int i = 0; i < count; ++i) {
            const DirEntry e = ReadEntry(disc, at, i);
            const std::string upper = UpperName(e.name);
            if (e.name.empty())
                Add(path + ": entry in slot " + std::to_string(i) + " has an empty name");
            if (i > 0 && upper < previous)
                Add(path + ": entries " + PrintableName(previousName) + " and " + PrintableName(e.name) +
                    " are out of name order");
            if (!seen.insert(upper).second)
                Add(path + ": entry " + PrintableName(e.name) + " is listed more than once");
            previous = upper;
            previousName = e.name;
            const std::uint32_t start = e.start.Value();
            if (!e.D) {
                m_extents.push_back({start, SectorCount(e.length), Kind::Object, node, e.name, -1});
                continue;
            }
            m_nodes.push_back({node, e.name, start});
            const int child = static_cast<int>(m_nodes.size()) - 1;
            const Extent block{start, dir::kBlockSectors, Kind::Object, child, {}, -1};
            if (m_guard.OnPath(e.start)) {
                Add(Describe(block) + ": directory lists itself or an ancestor (" + Path(Ancestor(node, start)) + ")");
                continue;
            }
            m_extents.push_back(block);
            // A block listed twice is read once; the overlap is reported.
            if (m_guard.Entered(e.start))
                continue;
            m_guard.Enter(e.start);
            if (WalkGuard::DepthAllowed(depth + 1)) {
                Visit(child, start, dir, depth + 1);
            } else {
                Add(Describe(block) + ": nested deeper than " + std::to_string(kMaxDirectoryDepth) +
                    " directories, not read");
            }
            m_guard.Leave(e.start);
        }
        for (int i = count + 1; i < dir::kSlots; ++i) {
            if (!SlotIsEmpty(disc, at, i)) {
                Add(path + ": slot " + std::to_string(i) + " after the end of the list holds an entry");
                break;
            }
        }
    }

    // The node on the path up from node (itself included) that is the directory at sector.
    int Ancestor(int node, std::uint32_t sector) const
    {
        while (node >= 0 && m_nodes[static_cast<std::size_t>(node)].sector != sector)
            node = m_nodes[static_cast<std::size_t>(node)].parent;
        return node;
    }

    // In sector order: what reaches past the disc's end, what overlaps, and
    // the gaps that nothing claims.
    void Sweep()
    {
        std::stable_sort(m_extents.begin(), m_extents.end(),
                         [](const Extent& a, const Extent& b) { return a.start < b.start; });
        const Extent* reach = nullptr; // the extent reaching furthest so far
        std::uint64_t covered = 0;     // every sector below this is claimed
        for (const Extent& e : m_extents) {
            if (e.count == 0)
                continue;
            if (e.end() > m_discEnd)
                Add(Describe(e) + " reaches past the disc's end (" + Hex(m_discEnd) + " sectors)");
            if (reach != nullptr && reach->end() > e.start)
                Add(Describe(*reach) + " overlaps " + Describe(e));
            if (e.start > covered && covered < m_discEnd)
                AddLost(covered, std::min(e.start, m_discEnd));
            covered = std::max(covered, e.end());
            if (reach == nullptr || e.end() > reach->end())
                reach = &e;
        }
        if (covered < m_discEnd)
            AddLost(covered, m_discEnd);
    }

    void AddLost(std::uint64_t from, std::uint64_t to)
    {
        m_lost.push_back("Lost space: " + SectorsText(from, to - from) + (to - from > 1 ? " are" : " is") +
                         " neither free nor used by any object");
    }

    const Disc& m_disc;
    std::uint64_t m_discEnd = 0;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_lost;
    std::size_t m_dropped = 0;
    std::vector<Node> m_nodes;
    std::vector<Extent> m_extents;
    WalkGuard m_guard;
};

} // namespace

std::vector<std::string> Check(const Disc& disc)
{
    return Checker(disc).Run();
}

std::string CheckReport(const std::vector<std::string>& problems)
{
    std::string out;
    if (problems.empty())
        return std::string(kNoProblemsFound) + static_cast<char>(kCR);
    for (const auto& line : problems) {
        out += line;
        out += static_cast<char>(kCR);
    }
    return out;
}

} // namespace marlin::image

#include "disc_generator.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"

namespace marlin::bench {

using namespace marlin::image;

namespace {

constexpr std::uint32_t kMediumMin = 512;
constexpr std::uint32_t kMediumSpan = 1792;
constexpr std::uint32_t kSmallSpan = 481; // 0..480 bytes: one or two sectors

// xorshift64*: small, fast and the same on every host.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t m_state;
};

std::string Numbered(const char* prefix, int n, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, digits, n);
    return text;
}

std::uint32_t FreeSectors(const Disc& disc)
{
    std::uint32_t free = 0;
    for (const MapRun& run : disc.map.runs)
        free += run.Length;
    return free;
}

// Stores a file of random bytes as an import does. False when the disc refused.
bool AddFile(Disc& disc, SectorAddress dir, const std::string& name, std::uint32_t size, std::uint32_t load,
             std::uint32_t exec, bool locked, Rng& rng)
{
    std::vector<std::uint8_t> data(size);
    for (std::uint32_t k = 0; k < size; k += 8) {
        const std::uint64_t word = rng.Next();
        for (std::uint32_t b = 0; b < 8 && k + b < size; ++b)
            data[k + b] = static_cast<std::uint8_t>(word >> (8 * b));
    }
    DirEntry entry;
    entry.name = name;
    entry.R = true;
    entry.W = !locked;
    entry.L = locked;
    entry.load = load;
    entry.exec = exec;
    entry.length = size;
    SilentSink sink;
    return CreateFile(disc, dir, entry, data, sink).Done();
}

struct FileRecord {
    SectorAddress dir;
    std::string name;
    std::uint32_t start = 0;
    std::uint32_t sectors = 0;
};

void Walk(const Disc& disc, SectorAddress dir, int depth, DiscCounts& counts, std::vector<FileRecord>* files)
{
    ++counts.directories;
    // The generated tree is three levels deep; the limit only guards a loop.
    if (depth > 8 || !IsDirectory(disc, dir))
        return;
    for (int i = 0; i < dir::kSlots && !SlotIsEmpty(disc, dir, i); ++i) {
        const DirEntry e = ReadEntry(disc, dir, i);
        if (e.D) {
            Walk(disc, e.start, depth + 1, counts, files);
        } else {
            ++counts.files;
            if (files)
                files->push_back({dir, e.name, e.start.Value(), SectorCount(e.length)});
        }
    }
}

} // namespace

Disc GenerateDisc(int leaves)
{
    Disc disc = NewDisc(kDiscSizes.back().units);
    Rng sizes(0x6D61726C696E0001ULL);
    Rng bytes(0x6D61726C696E0002ULL);
    SilentSink sink;
    // Room kept for the rest of the full shape (its directory blocks and one
    // sector per file), so that a smaller disc is a prefix of the full one.
    std::uint64_t reserve =
        std::uint64_t{kFanOut + kAllLeaves} * dir::kBlockSectors + std::uint64_t{kAllLeaves} * kFanOut;
    int leaf = 0;
    int fileNumber = 0;
    for (int i = 0; i < kFanOut && leaf < leaves; ++i) {
        const auto top = CreateDirectory(disc, kRoot, Numbered("DIR", i, 2), sink);
        if (top.Refused())
            throw std::runtime_error("generator: no room for a directory");
        reserve -= dir::kBlockSectors;
        for (int j = 0; j < kFanOut && leaf < leaves; ++j, ++leaf) {
            const auto sub = CreateDirectory(disc, *top, Numbered("SUB", j, 2), sink);
            if (sub.Refused())
                throw std::runtime_error("generator: no room for a directory");
            reserve -= dir::kBlockSectors;
            for (int k = 0; k < kFanOut; ++k, ++fileNumber) {
                reserve -= 1;
                // Mostly small files, a fifth of medium ones.
                std::uint32_t size =
                    sizes.Below(5) == 0 ? kMediumMin + sizes.Below(kMediumSpan) : sizes.Below(kSmallSpan);
                const std::uint32_t load = (fileNumber % 3 == 0) ? 0xFFFF1900 : 0x00003000 + (fileNumber % 64) * 0x100;
                const std::uint32_t exec = load + (fileNumber % 7) * 0x23;
                if (FreeSectors(disc) < reserve + SectorCount(size))
                    size = std::min<std::uint32_t>(size, kSectorSize);
                if (FreeSectors(disc) < reserve + SectorCount(size))
                    throw std::runtime_error("generator: disc full");
                if (!AddFile(disc, *sub, Numbered("F", fileNumber, 6), size, load, exec, fileNumber % 11 == 0, bytes))
                    throw std::runtime_error("generator: file refused");
            }
        }
    }
    return disc;
}

void FragmentDisc(Disc& disc)
{
    DiscCounts counts;
    std::vector<FileRecord> files;
    Walk(disc, kRoot, 0, counts, &files);
    std::sort(files.begin(), files.end(), [](const FileRecord& a, const FileRecord& b) { return a.start < b.start; });
    const int holes = map::kMaxRuns - disc.map.Count();
    if (holes <= 0 || files.size() < static_cast<std::size_t>(holes) * 4)
        throw std::runtime_error("generator: too few files to fragment");
    // Evenly spaced and far apart, so every deleted file becomes a run of its
    // own; the first lies near the disc's start, so compaction moves nearly
    // everything.
    for (int k = 0; k < holes; ++k) {
        const FileRecord& f = files[static_cast<std::size_t>(k) * files.size() / static_cast<std::size_t>(holes)];
        const int slot = FindEntry(disc, f.dir, f.name);
        if (slot < 0)
            throw std::runtime_error("generator: file vanished");
        RemoveEntry(disc, f.dir, slot);
        NextSequenceNumber(disc, f.dir);
        SilentSink sink;
        if (FreeRun(disc, f.start, f.sectors, sink) == Status::Refused)
            throw std::runtime_error("generator: map full too early");
    }
    if (disc.map.Count() != map::kMaxRuns)
        throw std::runtime_error("generator: map not at its limit");
}

DiscCounts CountEntries(const Disc& disc)
{
    DiscCounts counts;
    Walk(disc, kRoot, 0, counts, nullptr);
    return counts;
}

} // namespace marlin::bench

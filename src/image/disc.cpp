#include "image/disc.h"

#include <algorithm>
#include <utility>

#include "image/bytes.h"

namespace marlin::image {

std::uint32_t Disc::Read24(std::uint64_t offset) const
{
    if (Contains(offset, 3))
        return Get24(*m_image, offset);
    return At(offset) | At(offset + 1) << 8 | At(offset + 2) << 16;
}

std::uint32_t Disc::Read32(std::uint64_t offset) const
{
    if (Contains(offset, 4))
        return Get32(*m_image, offset);
    return Read24(offset) | static_cast<std::uint32_t>(At(offset + 3)) << 24;
}

void Disc::Write24(std::uint64_t offset, std::uint32_t value)
{
    assert(Contains(offset, 3));
    if (Contains(offset, 3))
        Put24(Writable(offset, 3), 0, value);
}

void Disc::Write32(std::uint64_t offset, std::uint32_t value)
{
    assert(Contains(offset, 4));
    if (Contains(offset, 4))
        Put32(Writable(offset, 4), 0, value);
}

void Disc::OpenJournal()
{
    m_journal.emplace();
    m_journal->slot.assign(Size() / kSectorSize + 1, -1);
    m_journal->map = map;
}

std::optional<Journal> Disc::CloseJournal()
{
    return std::exchange(m_journal, std::nullopt);
}

void Disc::Record(std::uint64_t offset, std::uint64_t length)
{
    Journal& journal = *m_journal;
    if (journal.whole || length == 0)
        return;
    const auto last = static_cast<std::uint32_t>((offset + length - 1) / kSectorSize);
    for (auto sector = static_cast<std::uint32_t>(offset / kSectorSize); sector <= last; ++sector) {
        if (journal.slot[sector] >= 0)
            continue;
        journal.slot[sector] = static_cast<std::int32_t>(journal.saved.size() / kSectorSize);
        // The image's last sector may be short.
        const std::uint64_t from = std::uint64_t{sector} * kSectorSize;
        const auto bytes = Bytes().subspan(from, std::min<std::uint64_t>(kSectorSize, Size() - from));
        journal.saved.insert(journal.saved.end(), bytes.begin(), bytes.end());
        journal.saved.resize(journal.saved.size() + kSectorSize - bytes.size(), 0);
    }
}

std::uint8_t MapChecksum(const Disc& disc, std::size_t offset)
{
    // Sum with end-around carry, from byte 254 down to byte 0.
    unsigned sum = 255;
    unsigned carry = 0;
    for (int i = 254; i >= 0; --i) {
        unsigned t = sum + disc.At(offset + static_cast<std::size_t>(i)) + carry;
        carry = t >> 8;
        sum = t & 0xFF;
    }
    return static_cast<std::uint8_t>(sum);
}

void ReadFreeSpaceMap(Disc& disc)
{
    // The end pointer is 3 * Count when this program wrote it; round to the
    // nearest whole count as the original reader did, and never read more runs
    // than the start list can hold.
    int count = (disc.At(map::kEndPointer) + 1) / 3;
    count = std::min(count, map::kMaxRuns);
    disc.map.runs.clear();
    disc.map.runs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::uint64_t>(3 * i);
        disc.map.runs.push_back({disc.Read24(map::kStarts + at), disc.Read24(map::kLengths + at)});
    }
}

void WriteFreeSpaceMap(Disc& disc)
{
    if (!disc.Contains(0, 2 * kSectorSize))
        return;
    const int count = disc.map.Count();
    assert(count <= map::kMaxRuns);
    disc.Set(map::kEndPointer, static_cast<std::uint8_t>((count * 3) % 256));
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::uint64_t>(3 * i);
        disc.Write24(map::kStarts + at, disc.map.runs[static_cast<std::size_t>(i)].Start);
        disc.Write24(map::kLengths + at, disc.map.runs[static_cast<std::size_t>(i)].Length);
    }
    disc.Set(map::kChecksum0, MapChecksum(disc, 0));
    disc.Set(map::kChecksum1, MapChecksum(disc, kSectorSize));
}

int FindFreeRun(const Disc& disc, std::uint64_t bytes)
{
    // First fit in address order, not best fit.
    for (int i = 0; i < disc.map.Count(); ++i)
        if (std::uint64_t{disc.map.runs[static_cast<std::size_t>(i)].Length} * kSectorSize >= bytes)
            return i;
    return -1;
}

int FindUsableRun(const Disc& disc, std::uint64_t bytes)
{
    const int run = FindFreeRun(disc, std::max<std::uint64_t>(bytes, 1));
    if (run < 0)
        return -1;
    const std::uint64_t start = disc.map.runs[static_cast<std::size_t>(run)].Start;
    const std::uint64_t sectors = SectorCount(static_cast<std::uint32_t>(bytes));
    return disc.Contains(start * kSectorSize, sectors * kSectorSize) ? run : -1;
}

std::uint32_t ClaimRun(Disc& disc, int i, std::uint32_t n)
{
    auto& runs = disc.map.runs;
    assert(i >= 0 && i < disc.map.Count());
    auto& run = runs[static_cast<std::size_t>(i)];
    const std::uint32_t start = run.Start;
    if (n < run.Length) {
        run.Length -= n;
        run.Start += n;
    } else {
        runs.erase(runs.begin() + i);
    }
    WriteFreeSpaceMap(disc);
    return start;
}

namespace {

// The runs after inserting [s, s+n) in order and merging neighbours.
std::vector<MapRun> MergedWith(const std::vector<MapRun>& runs, std::uint32_t s, std::uint32_t n)
{
    std::vector<MapRun> out = runs;
    auto p = std::find_if(out.begin(), out.end(), [s](const MapRun& r) { return s < r.Start; });
    out.insert(p, MapRun{s, n});
    // Merging all adjacent pairs gives the same result as the original's
    // rescan-from-the-start loop.
    std::vector<MapRun> merged;
    merged.reserve(out.size());
    for (const MapRun& r : out) {
        if (!merged.empty() && merged.back().Start + merged.back().Length == r.Start)
            merged.back().Length += r.Length;
        else
            merged.push_back(r);
    }
    return merged;
}

} // namespace

Status FreeRun(Disc& disc, std::uint32_t s, std::uint32_t n, MessageSink& sink)
{
    const MapRun part{s, n};
    return FreeRuns(disc, std::span(&part, 1), sink);
}

namespace {

std::vector<MapRun> MergedWithAll(const std::vector<MapRun>& runs, std::span<const MapRun> parts)
{
    // Only the final count matters: a later part may bridge two runs.
    std::vector<MapRun> merged = runs;
    for (const MapRun& part : parts)
        merged = MergedWith(merged, part.Start, part.Length);
    return merged;
}

} // namespace

bool CanFreeRuns(const Disc& disc, std::span<const MapRun> parts)
{
    return static_cast<int>(MergedWithAll(disc.map.runs, parts).size()) <= map::kMaxRuns;
}

Status FreeRuns(Disc& disc, std::span<const MapRun> parts, MessageSink& sink)
{
    if (parts.empty())
        return Status::Done;
    auto merged = MergedWithAll(disc.map.runs, parts);
    if (static_cast<int>(merged.size()) > map::kMaxRuns) {
        sink.Report({RefusalCode::FreeSpaceMapFull, {}, {}});
        return Status::Refused;
    }
    disc.map.runs = std::move(merged);
    WriteFreeSpaceMap(disc);
    return Status::Done;
}

} // namespace marlin::image

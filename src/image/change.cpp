#include "image/change.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <stdexcept>
#include <utility>

namespace marlin::image {

namespace {

// Unchanged bytes shorter than this between two changed runs are kept with
// them: a second patch would cost more.
constexpr std::uint64_t kGap = sizeof(Patch) + 16;

struct Range {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
};

// The image as it was when the journal opened, sector by sector.
class Before {
public:
    Before(const Disc& disc, const Journal& journal) : m_disc(disc), m_journal(journal) {}

    [[nodiscard]] std::span<const std::uint8_t> Sector(std::uint32_t sector) const
    {
        const std::uint64_t from = std::uint64_t{sector} * kSectorSize;
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kSectorSize, m_disc.Size() - from));
        const std::int32_t slot = m_journal.slot[sector];
        if (slot >= 0)
            return std::span(m_journal.saved).subspan(static_cast<std::size_t>(slot) * kSectorSize, length);
        // Sectors no write reached are as they were.
        const auto& image = m_journal.whole ? *m_journal.whole : m_disc.Image();
        return std::span(image).subspan(static_cast<std::size_t>(from), length);
    }

private:
    const Disc& m_disc;
    const Journal& m_journal;
};

// The byte ranges where a sector differs, joined to the ranges found so far.
void CompareSector(std::span<const std::uint8_t> before, std::span<const std::uint8_t> now, std::uint64_t from,
                   std::vector<Range>& ranges)
{
    if (std::memcmp(before.data(), now.data(), before.size()) == 0)
        return;
    for (std::size_t i = 0; i < before.size();) {
        if (before[i] == now[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < before.size() && before[j] != now[j])
            ++j;
        const Range run{from + i, from + j};
        if (!ranges.empty() && run.from - ranges.back().to < kGap)
            ranges.back().to = run.to;
        else
            ranges.push_back(run);
        i = j;
    }
}

} // namespace

Change Change::FromJournal(const Disc& disc, Journal journal)
{
    if (journal.slot.size() != disc.Size() / kSectorSize + 1 || (journal.whole && journal.whole->size() != disc.Size()))
        throw std::logic_error("a recorded step changed the image's size");
    const Before before(disc, journal);
    const auto now = disc.Bytes();
    auto compare = [&](std::uint32_t sector, std::vector<Range>& ranges) {
        const auto was = before.Sector(sector);
        CompareSector(was, now.subspan(std::size_t{sector} * kSectorSize, was.size()),
                      std::uint64_t{sector} * kSectorSize, ranges);
    };

    std::vector<Range> ranges;
    const auto sectors = static_cast<std::uint32_t>((disc.Size() + kSectorSize - 1) / kSectorSize);
    if (journal.whole) {
        for (std::uint32_t s = 0; s < sectors; ++s)
            compare(s, ranges);
    } else {
        for (std::uint32_t s = 0; s < sectors; ++s) {
            if (journal.slot[s] >= 0)
                compare(s, ranges);
        }
    }

    Change change;
    change.m_patches.reserve(ranges.size());
    for (const Range& range : ranges) {
        Patch patch{range.from, std::vector<std::uint8_t>(static_cast<std::size_t>(range.to - range.from))};
        for (std::uint64_t at = range.from; at < range.to;) {
            const auto sector = static_cast<std::uint32_t>(at / kSectorSize);
            const auto was = before.Sector(sector);
            const std::uint64_t inSector = at - std::uint64_t{sector} * kSectorSize;
            const std::uint64_t n = std::min<std::uint64_t>(was.size() - inSector, range.to - at);
            std::memcpy(patch.bytes.data() + (at - range.from), was.data() + inSector, static_cast<std::size_t>(n));
            at += n;
        }
        change.m_patches.push_back(std::move(patch));
    }
    change.m_mapChanged = journal.map != disc.map;
    change.m_map = std::move(journal.map);
    return change;
}

std::size_t Change::HeldBytes() const
{
    std::size_t bytes = sizeof(Change) + m_patches.capacity() * sizeof(Patch) + m_map.runs.capacity() * sizeof(MapRun);
    for (const Patch& patch : m_patches)
        bytes += patch.bytes.capacity();
    return bytes;
}

void Change::Swap(Disc& disc)
{
    for (Patch& patch : m_patches) {
        // A change belongs to the disc it was recorded on; another one's
        // bytes are never touched.
        if (!disc.Contains(patch.offset, patch.bytes.size()))
            throw std::logic_error("a change does not fit the disc");
        const auto target = disc.Writable(patch.offset, patch.bytes.size());
        std::swap_ranges(patch.bytes.begin(), patch.bytes.end(), target.begin());
    }
    std::swap(m_map, disc.map);
}

void Change::Absorb(const Change& later)
{
    // Every byte either change holds lies in one of the joined ranges; where
    // both hold it, this one's (older) value is the one from before both.
    std::vector<Range> ranges;
    std::vector<const Patch*> all;
    for (const std::vector<Patch>* list : {&std::as_const(m_patches), &later.m_patches}) {
        for (const Patch& patch : *list)
            all.push_back(&patch);
    }
    std::ranges::sort(all, {}, &Patch::offset);
    for (const Patch* patch : all) {
        const Range range{patch->offset, patch->offset + patch->bytes.size()};
        if (!ranges.empty() && range.from <= ranges.back().to)
            ranges.back().to = std::max(ranges.back().to, range.to);
        else
            ranges.push_back(range);
    }
    std::vector<Patch> joined;
    joined.reserve(ranges.size());
    for (const Range& range : ranges)
        joined.push_back({range.from, std::vector<std::uint8_t>(static_cast<std::size_t>(range.to - range.from))});
    auto copyInto = [&](const std::vector<Patch>& patches) {
        for (const Patch& patch : patches) {
            auto into = std::ranges::upper_bound(joined, patch.offset, {}, &Patch::offset) - 1;
            std::ranges::copy(patch.bytes,
                              into->bytes.begin() + static_cast<std::ptrdiff_t>(patch.offset - into->offset));
        }
    };
    copyInto(later.m_patches);
    copyInto(m_patches);
    m_patches = std::move(joined);
    m_mapChanged = m_mapChanged || later.m_mapChanged;
}

} // namespace marlin::image

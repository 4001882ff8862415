#pragma once
// The disc in memory: the image bytes and the working copy of the free-space
// map. Every operation takes the Disc it works on; nothing is global.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "image/layout.h"
#include "image/messages.h"
#include "image/result.h"

namespace marlin::image {

// A sector number as the disc stores it (3 bytes).
class SectorAddress {
public:
    constexpr SectorAddress() = default;
    constexpr explicit SectorAddress(std::uint32_t value) : m_value(value) { assert(value <= kMaxSectorValue); }
    [[nodiscard]] constexpr std::uint32_t Value() const { return m_value; }
    [[nodiscard]] constexpr std::uint64_t ByteOffset() const { return std::uint64_t{m_value} * kSectorSize; }
    constexpr auto operator<=>(const SectorAddress&) const = default;

private:
    std::uint32_t m_value = 0;
};

inline constexpr SectorAddress kRoot{kRootSector};

struct MapRun {
    std::uint32_t Start = 0;  // first free sector
    std::uint32_t Length = 0; // sectors
    bool operator==(const MapRun&) const = default;
};

// The in-memory map: runs in ascending order of Start, adjacent runs merged.
struct FreeSpaceMap {
    std::vector<MapRun> runs;
    [[nodiscard]] int Count() const { return static_cast<int>(runs.size()); }
    bool operator==(const FreeSpaceMap&) const = default;
};

// What a journal has seen written since it was opened: the bytes of every
// sector as they were before its first write, and, once work wrote the whole
// image at once, the image as it was then.
struct Journal {
    std::vector<std::uint8_t> saved; // kSectorSize bytes per sector, in the order first written
    std::vector<std::int32_t> slot;  // by sector: its place in saved, or -1
    std::shared_ptr<const std::vector<std::uint8_t>> whole;
    FreeSpaceMap map; // the working map when opened
};

// The image bytes are shared between copies of a Disc (and with the views
// that keep a snapshot) until one of them writes: a write first takes a copy
// of its own when anyone else still holds the bytes.
class Disc {
public:
    Disc() : m_image(std::make_shared<std::vector<std::uint8_t>>()) {}
    explicit Disc(std::vector<std::uint8_t> bytes)
        : m_image(std::make_shared<std::vector<std::uint8_t>>(std::move(bytes)))
    {
    }

    FreeSpaceMap map;

    [[nodiscard]] std::size_t Size() const { return m_image->size(); }
    [[nodiscard]] const std::vector<std::uint8_t>& Image() const { return *m_image; }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return *m_image; }
    // The bytes as they are now, kept unchanged whatever this Disc does next.
    [[nodiscard]] std::shared_ptr<const std::vector<std::uint8_t>> Snapshot() const { return m_image; }
    // Whether the bytes differ from a snapshot taken earlier (shared bytes were
    // never written).
    [[nodiscard]] bool Changed(const std::vector<std::uint8_t>& before) const
    {
        return m_image.get() != &before && *m_image != before;
    }
    // The bytes to change: [offset, offset + length), which must lie inside.
    [[nodiscard]] std::span<std::uint8_t> Writable(std::uint64_t offset, std::uint64_t length)
    {
        assert(Contains(offset, length));
        if (m_journal)
            Record(offset, length);
        return std::span<std::uint8_t>(Own()).subspan(static_cast<std::size_t>(offset),
                                                      static_cast<std::size_t>(length));
    }
    // The whole image to change, for work that touches all of it. Its size
    // may change only while no journal is open.
    [[nodiscard]] std::vector<std::uint8_t>& WritableImage()
    {
        if (m_journal && !m_journal->whole)
            m_journal->whole = m_image;
        return Own();
    }

    // Every write from OpenJournal to CloseJournal is recorded (see Change).
    void OpenJournal();
    [[nodiscard]] std::optional<Journal> CloseJournal();

    // True when [offset, offset + length) lies inside the image.
    [[nodiscard]] bool Contains(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= Size() && length <= Size() - offset;
    }
    // Reads a byte; a damaged field pointing outside the image reads as 0.
    [[nodiscard]] std::uint8_t At(std::uint64_t offset) const { return offset < Size() ? (*m_image)[offset] : 0; }
    // Little-endian reads with the same rule: bytes outside read as 0.
    [[nodiscard]] std::uint32_t Read24(std::uint64_t offset) const;
    [[nodiscard]] std::uint32_t Read32(std::uint64_t offset) const;
    // Writes; callers only write where they have checked, so outside is a bug.
    void Set(std::uint64_t offset, std::uint8_t value)
    {
        assert(offset < Size());
        if (offset < Size())
            Writable(offset, 1)[0] = value;
    }
    void Write24(std::uint64_t offset, std::uint32_t value);
    void Write32(std::uint64_t offset, std::uint32_t value);

    // Disc size in sectors as sector 0 records it (bytes 252..254).
    [[nodiscard]] std::uint32_t DiscSizeField() const { return Read24(map::kDiscSize); }
    // Number of whole sectors the image holds.
    [[nodiscard]] std::uint32_t SectorsInImage() const { return static_cast<std::uint32_t>(Size() / kSectorSize); }

private:
    std::vector<std::uint8_t>& Own()
    {
        if (m_image.use_count() > 1)
            m_image = std::make_shared<std::vector<std::uint8_t>>(*m_image);
        return *m_image;
    }
    void Record(std::uint64_t offset, std::uint64_t length);

    std::shared_ptr<std::vector<std::uint8_t>> m_image;
    std::optional<Journal> m_journal;
};

// --- Free-space map -------------------------------------------------------

// Checksum of map sector 0 or 1 (offset 0 or 256) over its first 255 bytes.
[[nodiscard]] std::uint8_t MapChecksum(const Disc& disc, std::size_t offset);
// Loads the working copy from sectors 0 and 1; more than 84 runs read as 84.
void ReadFreeSpaceMap(Disc& disc);
// Writes the working copy, the end pointer and both checksums.
void WriteFreeSpaceMap(Disc& disc);
// Sectors needed for a length in bytes; 0 bytes still take one sector.
[[nodiscard]] constexpr std::uint32_t SectorCount(std::uint32_t bytes)
{
    return bytes == 0 ? 1 : (bytes - 1) / kSectorSize + 1;
}
// First run (in address order) of at least `bytes` bytes, or -1.
[[nodiscard]] int FindFreeRun(const Disc& disc, std::uint64_t bytes);
// The run a new object of `bytes` bytes goes into: FindFreeRun's, asked for
// at least one byte (an object takes a sector even when empty, and a damaged
// map's empty run must not be claimed), and only when the sectors it would
// take lie inside the image. -1 when there is none: no space.
[[nodiscard]] int FindUsableRun(const Disc& disc, std::uint64_t bytes);
// Takes n sectors from the low end of run i; returns the run's old start.
std::uint32_t ClaimRun(Disc& disc, int i, std::uint32_t n);
// Gives sectors back: sorted insert, merge, map rewritten. Refused with
// FreeSpaceMapFull (nothing changed) when the run would need an 85th entry.
Status FreeRun(Disc& disc, std::uint32_t s, std::uint32_t n, MessageSink& sink);
// Gives back several runs as successive FreeRun calls would, all or nothing:
// refused with FreeSpaceMapFull (nothing changed) when the final map would
// need more entries than it holds. An empty list leaves the map untouched.
Status FreeRuns(Disc& disc, std::span<const MapRun> parts, MessageSink& sink);
// Would FreeRuns be done?
[[nodiscard]] bool CanFreeRuns(const Disc& disc, std::span<const MapRun> parts);

} // namespace marlin::image

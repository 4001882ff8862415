#pragma once
// Directories and their entries: reading names, titles and attributes, and
// the two editing steps (insert, remove) that keep a directory sorted.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/disc.h"
#include "image/messages.h"

namespace marlin::image {

// Byte offset of entry slot i of the directory at sector dir.
[[nodiscard]] constexpr std::uint64_t EntryOffset(SectorAddress dir, int slot)
{
    return dir.ByteOffset() + dir::kFirstSlot + dir::kSlotSize * static_cast<std::uint64_t>(slot);
}

// "Hugo" at offset at (a block's start or end signature).
[[nodiscard]] bool HasSignatureAt(const Disc& disc, std::uint64_t at);
// A damaged name with its control characters shown as "?", so that a report
// line stays one line.
[[nodiscard]] std::string PrintableName(std::string_view name);

// The whole 1280-byte block lies inside the image and carries "Hugo" at 1..4.
[[nodiscard]] bool IsDirectory(const Disc& disc, SectorAddress dir);

// Asks for the directory block at dir to be brought into the cache ahead of
// reading it; nothing when it is not wholly inside the image.
inline void PrefetchDirectory(const Disc& disc, SectorAddress dir)
{
    const std::uint64_t at = dir.ByteOffset();
    if (disc.Contains(at, dir::kBlockSize))
        for (std::uint64_t k = 0; k < dir::kBlockSize; k += 64)
            __builtin_prefetch(disc.Bytes().data() + at + k);
}

// Upper case of the ASCII letters only; the key of every name comparison.
[[nodiscard]] std::string UpperName(std::string_view name);
// Names are equal ignoring case (the one place that decides it).
[[nodiscard]] bool SameName(std::string_view a, std::string_view b);

// The 10 name bytes masked to 7 bits, cut at the first CR. An empty slot gives
// a name whose first character is NUL; a slot starting with CR gives "".
[[nodiscard]] std::string GetEntryName(const Disc& disc, SectorAddress dir, int slot);
// True when the slot ends the list (first name byte's low 7 bits are 0).
[[nodiscard]] bool SlotIsEmpty(const Disc& disc, SectorAddress dir, int slot);
// Slot of the entry called name (any case), or -1.
[[nodiscard]] int FindEntry(const Disc& disc, SectorAddress dir, std::string_view name);
// The directory's own name; "$" for an empty name at sector 2.
[[nodiscard]] std::string GetDirectoryName(const Disc& disc, SectorAddress dir);
[[nodiscard]] std::string GetDirectoryTitle(const Disc& disc, SectorAddress dir);
// Attribute letters of the entry at byte offset e, in the order E D L W R.
[[nodiscard]] std::string AttributeString(const Disc& disc, std::uint64_t e);
// Raises the BCD master sequence number (99 wraps to 00), stores it at both
// copies and returns it.
std::uint8_t NextSequenceNumber(Disc& disc, SectorAddress dir);

// Number of occupied slots (up to the first empty one).
[[nodiscard]] int EntryCount(const Disc& disc, SectorAddress dir);
// No entry can go in: slot 46 is taken, or the block is not wholly inside
// the image (a damaged entry's sector) and must not be written.
[[nodiscard]] bool DirectoryIsFull(const Disc& disc, SectorAddress dir);
// The slot where an entry called upperKey (upper case) belongs: the first
// slot that is empty, holds that name, or holds a name sorting after it.
struct SortedPlace {
    int slot = 0;
    bool taken = false; // the slot holds the name itself
};
[[nodiscard]] SortedPlace FindSortedPlace(const Disc& disc, SectorAddress dir, std::string_view upperKey);
// Moves slots `slot` to 45 up by one (slot 46 is lost), leaving `slot` free.
void OpenSlot(Disc& disc, SectorAddress dir, int slot);

// Finds the sorted place for name and opens it, raising the sequence number.
// Refuses with DirectoryFull (also for a block that does not fit in the
// image), or with AlreadyExists (code chosen by the caller: Directory or
// File); the result keeps the code.
struct InsertResult {
    int slot = -1;
    std::uint8_t sequence = 0; // the new master sequence number
};
[[nodiscard]] Result<InsertResult> InsertEntry(Disc& disc, SectorAddress dir, std::string_view name,
                                               RefusalCode alreadyExists, MessageSink& sink);
// Closes slot i; slot 46 becomes all zero.
void RemoveEntry(Disc& disc, SectorAddress dir, int slot);

// A decoded entry, for readers that want the fields rather than bytes.
struct DirEntry {
    std::string name;
    bool R = false, W = false, L = false, D = false, E = false;
    std::uint32_t load = 0, exec = 0, length = 0;
    SectorAddress start;
    std::uint8_t sequence = 0;
    bool operator==(const DirEntry&) const = default;
};
[[nodiscard]] DirEntry ReadEntry(const Disc& disc, SectorAddress dir, int slot);
// The entry's attribute letters, in the order E D L W R.
[[nodiscard]] std::string AttributeLetters(const DirEntry& entry);

// An entry and where it is listed.
struct ListedEntry {
    SectorAddress dir; // the directory that lists it
    int slot = 0;
    DirEntry entry;
    bool operator==(const ListedEntry&) const = default;
};
// The entries of dir in slot order, up to the first empty slot; none for a
// block that is not a directory (or not wholly inside the image).
[[nodiscard]] std::vector<ListedEntry> ListEntries(const Disc& disc, SectorAddress dir);
// The root as an entry would describe it, though no directory lists it: its
// own name, the D bit and its start sector.
[[nodiscard]] DirEntry RootEntry(const Disc& disc);
// The 10 name bytes a writer stores: the first 10 characters + CR + NULs.
[[nodiscard]] std::string PaddedName(std::string_view name);
// Puts PaddedName(name) into the ten name bytes, keeping any bit 7 already
// set in them (the attributes live there).
void PutEntryName(std::span<std::uint8_t, dir::kNameLength> bytes, std::string_view name);
// The 26 bytes of an entry: the name with R W L D E in bit 7 of its first
// five bytes, load, execution address, length, start sector, sequence number.
[[nodiscard]] std::array<std::uint8_t, dir::kSlotSize> EncodeEntry(const DirEntry& entry);
// Writes EncodeEntry(entry) into slot of dir (a block inside the image).
void WriteEntry(Disc& disc, SectorAddress dir, int slot, const DirEntry& entry);

} // namespace marlin::image

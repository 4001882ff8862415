#pragma once
// Compaction: every object reachable from the root moves down towards sector
// 7 in address order, so that all free space ends as one run at the end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"

namespace marlin::image {

struct DiscObject {
    int Kind = 0;                   // 0 directory, 1 file
    std::uint32_t ParentSector = 0; // a directory's parent field, or the sector listing the file
    std::uint32_t StartSector = 0;
    std::uint32_t Sectors = 0;
    // The slot a lookup by name finds in the listing directory: the entry's
    // name for a file, the directory's own name for a directory (the first
    // match, as FindEntry gives it); -1 when there is none.
    int Entry = -1;
    // The table index of the directory whose entry the walk came through
    // (the root: itself), and that entry's slot. A wrong parent field must
    // never send an update to somebody else's entry, so moves follow these.
    std::uint32_t Listing = 0;
    int Slot = -1;
};
using ObjectTable = std::vector<DiscObject>;

// Appends dir and everything below it, depth first in name order (each
// directory's own record before its contents). Returns a CannotCompact
// refusal, the table then incomplete, when a directory block reaches past the
// disc's end or lacks its signature, lists itself or an ancestor, or is
// listed twice, or when there are more objects than sectors.
[[nodiscard]] std::optional<Refusal> CollectObjects(const Disc& disc, SectorAddress dir, ObjectTable& table);

// The path of table[i] as messages name it: "$" (or the directory's own name
// for another start) followed by the entry names that lead to it. Valid while
// the disc is as CollectObjects read it.
[[nodiscard]] std::string ObjectPath(const Disc& disc, const ObjectTable& table, std::size_t i);

// Compacts the disc and rebuilds the map as one run after the last object.
// True when refused (CannotCompact, nothing changed): the refusals of
// CollectObjects, an object past the disc's end, two objects sharing a sector.
// An object whose entry cannot be found through its parent stays where it is.
// progress is called once per moved object.
[[nodiscard]] bool CompactDisc(Disc& disc, MessageSink& sink, const Progress& progress = {});

} // namespace marlin::image

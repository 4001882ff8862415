#include "views/file_item.h"

#include <algorithm>

namespace marlin::views {

FileItem ItemOf(const image::DirEntry& e)
{
    if (e.D)
        return {e.name, true, e.start.Value(), 0, 0};
    return {e.name, false, e.load, e.length, e.start.Value()};
}

Extent ExtentInImage(const image::Disc& disc, std::uint32_t sector, std::uint64_t length)
{
    const std::uint64_t size = disc.Size();
    const std::uint64_t base = std::min<std::uint64_t>(std::uint64_t{sector} * image::kSectorSize, size);
    return {base, base + std::min(length, size - base)};
}

} // namespace marlin::views

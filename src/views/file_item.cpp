#include "views/file_item.h"

#include <algorithm>

namespace marlin::views {

FileItem ReadListItem(const ListColumns& item)
{
    FileItem f;
    f.name = item[0];
    f.attributes = item[1];
    f.load = ParseListHex(item[3]);
    f.length = ParseListHex(item[5]);
    f.sector = ParseListHex(item[6]);
    return f;
}

Extent ExtentInImage(const image::Disc& disc, std::uint32_t sector, std::uint64_t length)
{
    const std::uint64_t size = disc.Size();
    const std::uint64_t base = std::min<std::uint64_t>(std::uint64_t{sector} * image::kSectorSize, size);
    return {base, base + std::min(length, size - base)};
}

} // namespace marlin::views

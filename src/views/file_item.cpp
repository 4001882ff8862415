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

FileBytes::FileBytes(const image::Disc& disc, const Extent& file, std::uint64_t after, Keep keep)
    : m_fileSize(static_cast<std::size_t>(file.Size()))
{
    const std::uint64_t end = std::min<std::uint64_t>(file.end + after, disc.Size());
    m_bytes = disc.Bytes().subspan(static_cast<std::size_t>(file.base), static_cast<std::size_t>(end - file.base));
    if (keep == Keep::Snapshot)
        m_snapshot = disc.Snapshot();
}

} // namespace marlin::views

#include "views/format.h"

namespace marlin::views {

using namespace marlin::image;

std::string HexLong(const Disc& disc, std::uint64_t offset)
{
    return FixedHex(disc.Read32(offset), 8);
}
std::string HexTriple(const Disc& disc, std::uint64_t offset)
{
    return FixedHex(disc.Read24(offset), 6);
}
std::string HexByte(const Disc& disc, std::uint64_t offset)
{
    return FixedHex(disc.At(offset), 2);
}

std::string DecimalCount(std::int64_t value)
{
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string ColumnText(const DirEntry& e, int column)
{
    switch (column) {
    case 0:
        return e.name;
    case 1:
        return AttributeLetters(e);
    case 2:
        return "(" + FixedHex(e.sequence, 2) + ")";
    case 3:
        return e.D ? FixedHex(e.start.Value(), 6) : FixedHex(e.load, 8);
    case 4:
        return e.D ? std::string() : FixedHex(e.exec, 8);
    case 5:
        return e.D ? std::string() : FixedHex(e.length, 8);
    case 6:
        return e.D ? std::string() : FixedHex(e.start.Value(), 6);
    default:
        return {};
    }
}

ListColumns EntryColumns(const DirEntry& e)
{
    ListColumns c;
    for (int i = 0; i < 7; ++i)
        c[static_cast<std::size_t>(i)] = ColumnText(e, i);
    return c;
}

std::string DiscUsageText(const Disc& disc)
{
    const std::int64_t total = disc.DiscSizeField();
    std::int64_t free = 0;
    for (const MapRun& r : disc.map.runs)
        free += r.Length;
    const std::int64_t used = total - free;
    return DecimalCount(free * 256) + " Bytes Free, " + DecimalCount(used * 256) + " Bytes Used";
}

} // namespace marlin::views

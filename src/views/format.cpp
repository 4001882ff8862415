#include "views/format.h"

#include "image/directory.h"

namespace marlin::views {

using namespace marlin::image;

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";

std::string HexBytes(const Disc& disc, std::uint64_t offset, int count)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = count - 1; i >= 0; --i) {
        const std::uint8_t b = disc.At(offset + static_cast<std::uint64_t>(i));
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}
} // namespace

std::string HexLong(const Disc& disc, std::uint64_t offset)
{
    return HexBytes(disc, offset, 4);
}
std::string HexTriple(const Disc& disc, std::uint64_t offset)
{
    return HexBytes(disc, offset, 3);
}
std::string HexByte(const Disc& disc, std::uint64_t offset)
{
    return HexBytes(disc, offset, 1);
}

std::string FixedHex(std::uint64_t value, int width)
{
    std::string out(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kDigits[value & 15];
        value >>= 4;
    }
    return out;
}

std::uint32_t ParseListHex(std::string_view text)
{
    std::uint32_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::string DecimalCount(std::int64_t value)
{
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

ListColumns EntryColumns(const Disc& disc, SectorAddress dir, int slot)
{
    const std::uint64_t e = EntryOffset(dir, slot);
    ListColumns c;
    c[0] = GetEntryName(disc, dir, slot);
    c[1] = AttributeString(disc, e);
    c[2] = "(" + HexByte(disc, e + entry::kSequence) + ")";
    if (disc.At(e + entry::kAttrD) & 0x80) {
        c[3] = HexTriple(disc, e + entry::kStart);
    } else {
        c[3] = HexLong(disc, e + entry::kLoad);
        c[4] = HexLong(disc, e + entry::kExec);
        c[5] = HexLong(disc, e + entry::kLength);
        c[6] = HexTriple(disc, e + entry::kStart);
    }
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

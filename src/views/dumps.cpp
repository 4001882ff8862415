#include "views/dumps.h"

#include <algorithm>

namespace marlin::views {

using namespace marlin::image;

namespace {
constexpr std::size_t kBytesPerLine = 16;

ViewText FileView(const FileItem& item)
{
    ViewText view;
    view.title = "View File - " + item.name;
    view.viewName = item.name;
    return view;
}
} // namespace

char DumpCharacter(std::uint8_t byte)
{
    const std::uint8_t c = byte & 0x7F;
    return c < 32 || c == 127 ? '.' : static_cast<char>(c);
}

ViewText ShowHex(const Disc& disc, const FileItem& item)
{
    ViewText view = FileView(item);
    const Extent extent = item.directory ? ExtentInImage(disc, item.load, dir::kBlockSize)
                                         : ExtentInImage(disc, item.sector, item.length);
    // OOOOOO : HH HH ... HH  CCCC...; a short line keeps the character
    // column in place with three spaces per missing byte. Lines are built
    // in place: a dump of a large file is millions of them.
    constexpr char kDigits[] = "0123456789ABCDEF";
    constexpr std::size_t kCharColumn = 9 + 3 * kBytesPerLine + 1;
    std::string& out = view.text;
    out.reserve((extent.Size() + kBytesPerLine - 1) / kBytesPerLine * (kCharColumn + kBytesPerLine + 1));
    for (std::uint64_t offset = 0; offset < extent.Size(); offset += kBytesPerLine) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBytesPerLine, extent.Size() - offset));
        const std::uint64_t at = extent.base + offset;
        char line[kCharColumn + kBytesPerLine + 1];
        std::fill(line, line + kCharColumn, ' ');
        for (int i = 0; i < 6; ++i)
            line[i] = kDigits[(offset >> (20 - 4 * i)) & 15];
        line[7] = ':';
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = disc.At(at + i);
            line[9 + 3 * i] = kDigits[b >> 4];
            line[10 + 3 * i] = kDigits[b & 15];
            line[kCharColumn + i] = DumpCharacter(b);
        }
        line[kCharColumn + n] = '\r';
        out.append(line, kCharColumn + n + 1);
    }
    return view;
}

ViewText ShowText(const Disc& disc, const FileItem& item)
{
    ViewText view = FileView(item);
    const Extent extent = ExtentInImage(disc, item.sector, item.length);
    std::string& out = view.text;
    out.reserve(extent.Size());
    // Every byte but LF passes unchanged; a CR already ends the line it is
    // in, so the text needs no further splitting.
    for (std::uint64_t p = extent.base; p < extent.end; ++p) {
        const std::uint8_t c = disc.At(p);
        if (c != 10)
            out += static_cast<char>(c);
    }
    return view;
}

} // namespace marlin::views

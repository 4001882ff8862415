#include "views/dumps.h"

#include <algorithm>
#include <string>

namespace marlin::views {

using namespace marlin::image;

namespace {

constexpr std::size_t kBytesPerLine = 16;

// OOOOOO : HH HH ... HH  CCCC...; a short last line keeps the character
// column in place with three spaces per missing byte.
class HexLines final : public LineSource {
public:
    explicit HexLines(FileBytes bytes) : m_bytes(std::move(bytes)) {}
    [[nodiscard]] bool EndsWithCR() const override { return true; }

private:
    bool Make(Cursor& at, std::string* line) const override
    {
        const auto file = m_bytes.File();
        if (at.at >= file.size())
            return false;
        const std::uint64_t offset = at.at;
        at.at += kBytesPerLine;
        if (!line)
            return true;
        constexpr char kDigits[] = "0123456789ABCDEF";
        constexpr std::size_t kCharColumn = 9 + 3 * kBytesPerLine + 1;
        const std::size_t n = std::min<std::size_t>(kBytesPerLine, file.size() - offset);
        char text[kCharColumn + kBytesPerLine];
        std::fill(text, text + kCharColumn, ' ');
        for (int i = 0; i < 6; ++i)
            text[i] = kDigits[(offset >> (20 - 4 * i)) & 15];
        text[7] = ':';
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = file[offset + i];
            text[9 + 3 * i] = kDigits[b >> 4];
            text[10 + 3 * i] = kDigits[b & 15];
            text[kCharColumn + i] = DumpCharacter(b);
        }
        line->append(text, kCharColumn + n);
        return true;
    }

    FileBytes m_bytes;
};

// Every byte but LF passes unchanged; a CR ends the line it is in. A file
// need not hold a CR at all, so for the window a line is shown in rows of at
// most kRowLength characters; the text itself (WriteTo) has no breaks there.
class TextLines final : public LineSource {
public:
    explicit TextLines(FileBytes bytes) : m_bytes(std::move(bytes)) {}
    [[nodiscard]] bool EndsWithCR() const override
    {
        const auto file = m_bytes.File();
        const auto last = std::find_if(file.rbegin(), file.rend(), [](std::uint8_t b) { return b != 10; });
        return last != file.rend() && *last == 13;
    }
    void WriteTo(TextSink& sink) const override
    {
        const auto file = m_bytes.File();
        std::string block;
        block.reserve(kBlock);
        for (std::size_t from = 0; from < file.size(); from += kBlock) {
            block.clear();
            for (const std::uint8_t c : file.subspan(from, std::min(kBlock, file.size() - from)))
                if (c != 10)
                    block += static_cast<char>(c);
            sink.Write(block);
        }
    }

private:
    static constexpr std::size_t kRowLength = 4096;
    static constexpr std::size_t kBlock = 1 << 16;

    bool Make(Cursor& at, std::string* line) const override
    {
        const auto file = m_bytes.File();
        std::uint64_t p = at.at;
        std::size_t shown = 0;
        bool any = false; // a row ends at CR, at the end after anything but LF, or when full
        for (; p < file.size(); ++p) {
            const std::uint8_t c = file[p];
            if (c == 10)
                continue;
            if (c == 13) {
                any = true;
                ++p;
                break;
            }
            if (shown == kRowLength)
                break; // a further character starts the next row
            any = true;
            ++shown;
            if (line)
                *line += static_cast<char>(c);
        }
        if (!any)
            return false;
        at.at = p;
        return true;
    }

    FileBytes m_bytes;
};

View FileView(const FileItem& item)
{
    return {"View File - " + item.name, item.name, nullptr};
}

} // namespace

char DumpCharacter(std::uint8_t byte)
{
    const std::uint8_t c = byte & 0x7F;
    return c < 32 || c == 127 ? '.' : static_cast<char>(c);
}

View ShowHex(const Disc& disc, const FileItem& item, Keep keep)
{
    View view = FileView(item);
    const Extent extent = item.directory ? ExtentInImage(disc, item.load, dir::kBlockSize)
                                         : ExtentInImage(disc, item.sector, item.length);
    view.lines = std::make_unique<HexLines>(FileBytes(disc, extent, 0, keep));
    return view;
}

View ShowText(const Disc& disc, const FileItem& item, Keep keep)
{
    View view = FileView(item);
    view.lines = std::make_unique<TextLines>(FileBytes(disc, ExtentInImage(disc, item.sector, item.length), 0, keep));
    return view;
}

} // namespace marlin::views

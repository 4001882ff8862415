#include <gtest/gtest.h>

#include "view_test_util.h"
#include "views/dumps.h"

namespace marlin::views {
namespace {

using test::DiscWithFile;
using test::Lines;

std::vector<std::uint8_t> Sequence(std::size_t n, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(first + i);
    return v;
}

TEST(ShowHex, TitleAndNameComeFromTheItem)
{
    DiscWithFile f(Sequence(3), 0, "Prog");
    const ViewText v = ShowHex(f.disc, f.item);
    EXPECT_EQ(v.title, "View File - Prog");
    EXPECT_EQ(v.viewName, "Prog");
}

TEST(ShowHex, FullLineAndShortLastLine)
{
    // 17 bytes "ABCDEFGHIJKLMNOPQ": a full line, then one byte whose character
    // stays in the character column (15 x 3 spaces, then one).
    std::vector<std::uint8_t> data = Sequence(17, 'A');
    DiscWithFile f(data);
    const auto lines = Lines(Text(ShowHex(f.disc, f.item)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "000000 : 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP");
    EXPECT_EQ(lines[0].size(), 74u);
    EXPECT_EQ(lines[1], "000010 : 51 " + std::string(45, ' ') + " Q");
    EXPECT_EQ(Text(ShowHex(f.disc, f.item)).back(), '\r');
}

TEST(ShowHex, EmptyFileShowsNothing)
{
    DiscWithFile f({});
    EXPECT_EQ(Text(ShowHex(f.disc, f.item)), "");
    EXPECT_EQ(Text(ShowText(f.disc, f.item)), "");
}

TEST(ShowHex, CharacterColumnForEveryByte)
{
    DiscWithFile f(Sequence(256));
    const auto lines = Lines(Text(ShowHex(f.disc, f.item)));
    ASSERT_EQ(lines.size(), 16u);
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const auto& line = lines[static_cast<std::size_t>(b / 16)];
        ASSERT_EQ(line.size(), 74u);
        const char shown = line[58 + static_cast<std::size_t>(b % 16)];
        const bool printable = (b >= 0x20 && b <= 0x7E) || (b >= 0xA0 && b <= 0xFE);
        EXPECT_EQ(shown, printable ? static_cast<char>(b & 0x7F) : '.');
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        EXPECT_EQ(line.substr(9 + 3 * static_cast<std::size_t>(b % 16), 2), hex);
    }
}

TEST(ShowHex, DirectoryDumpsItsWholeBlock)
{
    DiscWithFile f({1, 2, 3});
    const FileItem root = ItemOf(image::RootEntry(f.disc));
    const auto lines = Lines(Text(ShowHex(f.disc, root)));
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(lines.front().substr(0, 9), "000000 : ");
    EXPECT_EQ(lines.back().substr(0, 9), "0004F0 : ");
    // The signature at block bytes 1..4 and the entry name at 5.
    EXPECT_EQ(lines[0].substr(59, 8), "HugoFILE");
    for (const auto& line : lines)
        EXPECT_EQ(line.size(), 74u);
}

TEST(ShowHex, OffsetsPastFFFFFFShowTheirLowSixDigits)
{
    const std::size_t length = 0x1000000 + 0x20;
    image::Disc disc(std::vector<std::uint8_t>(length, 0x41));
    const FileItem item{"BIG", false, 0, static_cast<std::uint32_t>(length), 0};
    const std::string text = Text(ShowHex(disc, item));
    const std::size_t lineLength = 75;
    ASSERT_EQ(text.size(), length / 16 * lineLength);
    EXPECT_EQ(text.substr(0xFFFFF * lineLength, 9), "FFFFF0 : ");
    EXPECT_EQ(text.substr(0x100000 * lineLength, 9), "000000 : ");
    EXPECT_EQ(text.substr(0x100001 * lineLength, 9), "000010 : ");
}

TEST(ShowHex, LengthPastTheImageStopsAtItsEnd)
{
    image::Disc disc(Sequence(512));
    const auto lines = Lines(Text(ShowHex(disc, FileItem{"X", false, 0, 0xFFFFFFFF, 1})));
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines.back().substr(0, 13), "0000F0 : F0 F");
    // A start sector beyond the image reads nothing at all.
    EXPECT_EQ(Text(ShowHex(disc, FileItem{"X", false, 0, 100, 9})), "");
    // A directory block cut by the image's end dumps what there is.
    EXPECT_EQ(Lines(Text(ShowHex(disc, FileItem{"D", true, 1, 0, 0}))).size(), 16u);
}

struct TextCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string shown;
};

TEST(ShowText, LineEnds)
{
    const std::vector<TextCase> cases = {
        {"CR", {'A', 13, 'B'}, "A\rB"},
        {"CR LF", {'A', 13, 10, 'B', 13, 10}, "A\rB\r"},
        {"LF alone joins lines", {'A', 10, 'B'}, "AB"},
        {"LF CR", {'A', 10, 13, 'B'}, "A\rB"},
        {"byte 0 does not cut the text", {'A', 0, 'B', 13, 'C'}, std::string("A\0B\rC", 5)},
        {"top bit kept", {0x80, 0xA1, 0xFF, 13}, "\x80\xA1\xFF\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiscWithFile f(c.bytes);
        const ViewText v = ShowText(f.disc, f.item);
        EXPECT_EQ(v.text, c.shown);
        EXPECT_EQ(v.title, "View File - FILE");
    }
}

TEST(ShowText, EveryByteButLineFeedPassesUnchanged)
{
    DiscWithFile f(Sequence(256));
    std::string expected;
    for (int b = 0; b < 256; ++b)
        if (b != 10)
            expected += static_cast<char>(b);
    EXPECT_EQ(Text(ShowText(f.disc, f.item)), expected);
}

TEST(ShowText, DirectoryItemShowsNothing)
{
    DiscWithFile f({'A'});
    const FileItem root = ItemOf(image::RootEntry(f.disc));
    EXPECT_EQ(Text(ShowText(f.disc, root)), "");
}

TEST(ShowText, LengthPastTheImageStopsAtItsEnd)
{
    image::Disc disc(std::vector<std::uint8_t>(300, 'Z'));
    EXPECT_EQ(Text(ShowText(disc, FileItem{"X", false, 0, 0x10000, 1})), std::string(44, 'Z'));
}

TEST(FileViews, ASnapshotKeepsTheBytesItWasMadeFrom)
{
    // A window's view stays as it opened while the disc is changed, copied
    // and even closed; the disc itself sees its own writes.
    auto f = std::make_unique<DiscWithFile>(Sequence(40, 'A'));
    const std::string before = Text(ShowText(f->disc, f->item));
    const View view = ShowText(f->disc, f->item, Keep::Snapshot);
    const image::Disc copy = f->disc;
    const std::uint64_t at = std::uint64_t{f->item.sector} * 256;
    f->disc.Set(at, '*');
    EXPECT_EQ(f->disc.At(at), '*');
    EXPECT_EQ(copy.At(at), 'A');
    f.reset();
    EXPECT_EQ(TextOf(*view.lines), before);
}

} // namespace
} // namespace marlin::views

// The listings, map table and directory tree, and the views of one file.
#include <functional>

#include "image/entry_ops.h"
#include "view_test_util.h"
#include "views/basic_lister.h"
#include "views/directory_tree.h"
#include "views/disassembler.h"
#include "views/dumps.h"
#include "views/listings.h"

namespace marlin::views {
namespace {

using namespace marlin::image;
using marlin::test::AddFile;
using marlin::test::MakeDir;
using marlin::test::SampleDisc;
using marlin::test::SetStart;

std::string Body(const Disc& disc, View (*show)(const Disc&, SectorAddress))
{
    return Text(show(disc, kRoot)).substr(ShowHeader(disc, kRoot).size());
}

TEST(Listings, SampleDiscMatchesTheGoldenTexts)
{
    const Disc disc = SampleDisc();
    const struct {
        View (*show)(const Disc&, SectorAddress);
        const char *title, *golden;
    } cases[] = {{ShowCat, "*CAT", "cat_root.txt"},
                 {ShowEx, "*EX", "ex_root.txt"},
                 {ShowCatAll, "*CATALL", "catall_root.txt"},
                 {ShowExAll, "*EXALL", "exall_root.txt"}};
    for (const auto& c : cases) {
        const View view = c.show(disc, kRoot);
        EXPECT_EQ(std::make_tuple(view.title, view.viewName), std::make_tuple(c.title, "$"));
        ExpectGolden(Text(view), c.golden);
    }
    // A subdirectory's recursive listing starts its path at its own name.
    const View games = ShowCatAll(disc, SectorAddress(9));
    EXPECT_EQ(games.viewName, "Games");
    EXPECT_TRUE(Text(games).starts_with(std::string(40, '*') + "\rGames\r"));
}

// *CAT breaks its line after every fourth entry; the title and directory name
// at their full length (no CR stored) under every boot option; attributes cut
// to three letters (with D set, *EX shows only the start); a name at its CR;
// blocks unsigned or running past the image's end; the map table.
TEST(Listings, BuiltAndDamagedDiscs)
{
    Disc disc = NewDisc(16);
    EXPECT_EQ(Text(ShowEx(disc, kRoot)), ShowHeader(disc, kRoot));
    std::string text = Text(ShowCat(disc, kRoot));
    for (char name = 'A'; name <= 'H'; ++name) {
        ASSERT_GE(AddFile(disc, kRoot, std::string(1, name), {1}), 0);
        text += Body(disc, ShowCat);
    }
    for (std::size_t k = 0; k < 19; ++k)
        disc.Set(kRoot.ByteOffset() + dir::kTitle + k, static_cast<std::uint8_t>('A' + k));
    for (std::size_t k = 0; k < 10; ++k)
        disc.Set(kRoot.ByteOffset() + dir::kName + k, static_cast<std::uint8_t>('a' + k));
    for (const std::uint8_t option : {0, 1, 2, 3, 4, 200}) {
        disc.Set(map::kBootOption, option);
        text += ShowHeader(disc, kRoot);
    }
    ASSERT_GE(AddFile(disc, kRoot, "TENLETTERS", {1}, 0, 0, "LWR"), 0);
    const std::uint64_t e = EntryOffset(kRoot, 8);
    disc.Set(e + entry::kAttrD, disc.At(e + entry::kAttrD) | 0x80);
    disc.Set(e + entry::kAttrE, disc.At(e + entry::kAttrE) | 0x80);
    EXPECT_EQ(AttributeString(disc, e), "EDLWR");
    text += Body(disc, ShowCat) + Body(disc, ShowEx);
    disc.Set(e, kCR | 0x80);
    text += Body(disc, ShowCat);
    for (int k = 0; k < 4; ++k)
        disc.Set(SectorAddress(4093).ByteOffset() + 1 + k, static_cast<std::uint8_t>("Hugo"[k]));
    for (const SectorAddress s : {SectorAddress(100), SectorAddress(4093), SectorAddress(0xFFFFFF)})
        text += "\r" + Text(ShowCat(disc, s)) + Text(ShowEx(disc, s)) + Text(ShowCatAll(disc, s)) +
                Text(ShowExAll(disc, s, "X"));
    EXPECT_EQ(std::make_tuple(ShowCat(disc, SectorAddress(100)).title, ShowCat(disc, SectorAddress(100)).viewName),
              std::make_tuple("*CAT", ""));
    const View map = ShowMap(disc);
    EXPECT_EQ(std::make_tuple(map.title, map.viewName), std::make_tuple("Free Disc Space Map", "FreeSpace"));
    text += Text(map);
    disc.map.runs = {{0x12, 0xABCDEF}, {0x1234567, 3}};
    text += Text(ShowMap(disc));
    disc.map.runs.clear();
    text += Text(ShowMap(disc));
    ExpectGolden(text, "built_disc.txt");
}

// Games lists itself and the root.
void SelfListing(Disc& d)
{
    MakeDir(d, SectorAddress(9), "Loop");
    MakeDir(d, SectorAddress(9), "Up");
    SetStart(d, SectorAddress(9), "Loop", 9);
    SetStart(d, SectorAddress(9), "Up", 2);
}

// Damaged trees once made the recursive listings descend without end or stop early.
TEST(Listings, DamagedTreesListEachDirectoryOnce)
{
    const std::vector<std::pair<const char*, std::function<void(Disc&)>>> cases = {
        {"self_listing", SelfListing},
        // beta's slot emptied: $ ends before Games, which is still listed below.
        {"end_slot", [](Disc& d) { d.Set(EntryOffset(kRoot, 1), 0); }},
        // Each message, then the next banner on the same line.
        {"bad_children",
         [](Disc& d) {
             MakeDir(d, kRoot, "Aardvark");
             MakeDir(d, kRoot, "Zed");
             SetStart(d, kRoot, "Aardvark", 3000);
             SetStart(d, kRoot, "Zed", 0xFFFFFF);
         }},
    };
    for (const auto& [name, damage] : cases) {
        Disc disc = SampleDisc();
        damage(disc);
        ExpectGolden(Text(ShowCatAll(disc, kRoot)) + Text(ShowExAll(disc, kRoot)), std::string(name) + ".txt");
    }
}

// The tree as `marlin tree` prints it, with each node's sector.
std::string Outline(const TreeNode& node, int depth = 0)
{
    std::string text = std::string(2 * depth, ' ') + node.name + " " + std::to_string(node.sector.Value()) + "\n";
    for (const TreeNode& child : node.children)
        text += Outline(child, depth + 1);
    return text;
}

// Children come in alphabetical order without regard to case, named by their
// entries; a directory met again, an unsigned one and one too deep have no children.
TEST(DirectoryTree, SortedAndBounded)
{
    Disc disc = SampleDisc();
    SelfListing(disc);
    for (const char* name : {"zeta", "apple", "beta2", "GAMMA"})
        MakeDir(disc, kRoot, name);
    const SectorAddress beta = marlin::test::EntryNamed(disc, kRoot, "beta2").start;
    MakeDir(disc, beta, "Inner");
    disc.Set(beta.ByteOffset() + dir::kName, 'X');
    const SectorAddress zeta = marlin::test::EntryNamed(disc, kRoot, "zeta").start;
    MakeDir(disc, zeta, "Hidden");
    disc.Set(zeta.ByteOffset() + 1, 0);
    int ticks = 0;
    EXPECT_EQ(Outline(BuildDirectoryTree(disc, [&] { ++ticks; })),
              "$ 2\n  apple 50\n  beta2 55\n    Inner 65\n  Games 9\n    Loop 9\n    Up 2\n  GAMMA 60\n  zeta 45\n");
    EXPECT_GE(ticks, 12);

    Disc deep = NewDisc(1024);
    SectorAddress dir = kRoot;
    for (int depth = 0; depth < kMaxDirectoryDepth + 10; ++depth)
        dir = MakeDir(deep, dir, "D");
    const std::string chain = Outline(BuildDirectoryTree(deep));
    EXPECT_EQ(std::count(chain.begin(), chain.end(), '\n'), kMaxDirectoryDepth + 1);
}

Bytes Sequence(std::size_t n, std::uint8_t first = 0)
{
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(first + i);
    return v;
}

TEST(ShowHex, OffsetsPastFFFFFFShowTheirLowSixDigits)
{
    const std::size_t length = 0x1000000 + 0x20, lineLength = 75;
    const std::string text =
        Text(ShowHex(image::Disc(Bytes(length, 0x41)), {"BIG", false, 0, static_cast<std::uint32_t>(length), 0}));
    ASSERT_EQ(text.size(), length / 16 * lineLength);
    EXPECT_EQ(text.substr(0xFFFFF * lineLength, 9), "FFFFF0 : ");
    EXPECT_EQ(text.substr(0x100000 * lineLength, 9), "000000 : ");
    EXPECT_EQ(text.substr(0x100001 * lineLength, 9), "000010 : ");
}

// A line without bound shows in rows of 4096 and is written whole.
TEST(ShowText, ALongLineShowsInRows)
{
    const std::string full(4096, 'a');
    std::string rows;
    for (const std::string& bytes : {full, full + "\r", full + "b", full.substr(1) + "\n\nb", full + full + "cc\rd"}) {
        DiscWithFile f(Bytes(bytes.begin(), bytes.end()));
        const View v = ShowText(f.disc, f.item);
        for (std::uint64_t i = 0; i < v.lines->LineCount(); ++i)
            rows += std::to_string(v.lines->Line(i).size()) + " ";
        rows += "| ";
        std::string whole = bytes;
        std::erase(whole, '\n');
        EXPECT_EQ(Text(v), whole);
    }
    EXPECT_EQ(rows, "4096 | 4096 | 4096 1 | 4096 | 4096 4096 2 1 | "); // LF does not count
}

// A window's view stays as it opened while the disc is changed, copied and closed.
TEST(FileViews, ASnapshotKeepsTheBytesItWasMadeFrom)
{
    auto f = std::make_unique<DiscWithFile>(Sequence(40, 'A'));
    const std::string before = f->Of(ShowText);
    const View view = ShowText(f->disc, f->item, Keep::Snapshot);
    const image::Disc copy = f->disc;
    const std::uint64_t at = std::uint64_t{f->item.sector} * 256;
    f->disc.Set(at, '*');
    EXPECT_EQ(std::make_tuple(f->disc.At(at), copy.At(at)), std::make_tuple('*', 'A'));
    f.reset();
    EXPECT_EQ(Text(view), before);
}

// A tokenised program: 13, then per line high, low, length, text, 13; then 255.
Bytes Program(const std::vector<std::pair<int, Bytes>>& lines)
{
    Bytes out{13};
    for (const auto& [number, text] : lines) {
        out.insert(out.end(), {static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number & 255),
                               static_cast<std::uint8_t>(text.size() + 4)});
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(13);
    }
    out.push_back(255);
    return out;
}

// A line-number reference as the interpreter's tokeniser writes it.
Bytes Reference(int n)
{
    const int lo = n & 255, hi = n >> 8;
    const int b1 = (((lo & 0xC0) >> 2) | ((hi & 0xC0) >> 4)) ^ 0x54;
    return {0x8D, static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>((lo & 0x3F) | 0x40),
            static_cast<std::uint8_t>((hi & 0x3F) | 0x40)};
}

// Each producer on the root directory, on small files (including damaged programs),
// and on items whose length or start lies past the image's end.
TEST(FileViews, SmallFilesMatchTheGoldenText)
{
    std::vector<std::pair<int, Bytes>> tokens, lines = {{0, {'A', '=', '1'}},
                                                        {1, {0xF1, ' ', 'X', 0xB8, '3'}},
                                                        {7, {'"', 'A', 0xF1, '"'}},
                                                        {12345, {'"', 0xF1, '"', 0xF1}},
                                                        {65279, {'A', 9, 'B'}},
                                                        {10, {'"', 1, '"'}},
                                                        {11, {0, 31, 127}},
                                                        {12, {0xF4, ' ', 0xF1}},
                                                        {13, {0xE5, 0x8D, 0x54, 0x4A, 0x40}},
                                                        {14, {0xE5, 0x8D, 0x44, 0x40, 0x40}}};
    for (const int n : {0, 16385, 32767}) {
        lines.emplace_back(20, Reference(n));
        lines.back().second.insert(lines.back().second.begin(), 0xE5);
    }
    // One line per token, between two letters; &8D carries a reference to 10.
    for (int token = 0x80; token < 0x100; ++token) {
        tokens.emplace_back(token, Bytes{'x', static_cast<std::uint8_t>(token)});
        if (token == 0x8D)
            tokens.back().second.insert(tokens.back().second.end(), {0x54, 0x4A, 0x40});
        tokens.back().second.push_back('y');
    }
    const std::vector<std::tuple<Show, const char*, std::vector<Bytes>>> files = {
        {ShowHex, "View File - Prog", {Sequence(256), Sequence(17, 'A'), {}, {1, 2, 3}}},
        {ShowText,
         "View File - Prog",
         {{'A', 13, 'B', 13, 10, 'C', 10, 'D', 10, 13, 'E', 0, 'F', 13, 10},
          {0x80, 0xA1, 0xFF, 13},
          Sequence(256),
          {}}},
        {ShowBasic,
         "View File - Prog",
         {Program(lines),
          Program(tokens),
          {13, 255},
          {},
          {13},
          {255},
          {12, 0, 10, 5, 'A', 13, 255},
          {13, 0, 10, 5, 'A', 13, 255, 0},
          {13, 0, 10, 5, 'A', 255},
          {13, 0, 10, 5, 'A', 13, 0, 20, 5, 'B', 255},
          {13, 0, 10, 8, 'A', 0x8D, 0x54, 255},
          {13, 0, 255},
          {13, 13, 255}}},
        {ShowDis, "Disassemble File - Prog", {{0xA9, 0x00, 0x60, 0x40, 0xEA, 0xEA, 0xEA}, {13, 0xA9, 0x60, 255}, {}}},
    };
    std::string text;
    for (const auto& [show, title, contents] : files) {
        const DiscWithFile root({1}, 0, "Prog");
        const View v = show(root.disc, root.item, Keep::Borrowed);
        EXPECT_EQ(std::make_tuple(v.title, v.viewName), std::make_tuple(title, "Prog"));
        text += std::string("== ") + title + " root\r" + root.OfRoot(show) + "\r";
        for (std::size_t k = 0; k < contents.size(); ++k)
            text += "== " + std::to_string(k) + "\r" + DiscWithFile(contents[k], 0xFFFA).Of(show) + "\r";
    }
    Bytes tail(256, 0xEA);
    tail.insert(tail.end(), {13, 0, 10, 6, 'A', 'B', 255});
    for (const auto& [bytes, show, item] : std::vector<std::tuple<Bytes, Show, FileItem>>{
             {tail, ShowHex, {"X", false, 0, 0xFFFFFFFF, 1}},
             {tail, ShowHex, {"X", false, 0, 100, 9}},
             {tail, ShowHex, {"D", true, 1}},
             {tail, ShowText, {"X", false, 0, 0x10000, 1}},
             {tail, ShowBasic, {"P", false, 0, 0x10000, 1}},
             {{0xEA, 0xAD, 0x41}, ShowDis, {"E", false, 0x3000, 0x100, 0}},
             {{0xEA, 0xF0}, ShowDis, {"B", false, 0, 2, 0}},
             {{0x20, 0xEE, 0xFF}, ShowDis, {"J", false, 0, 1, 0}}}) // the operand read from beyond the file
        text += "== past the end\r" + Text(show(image::Disc(bytes), item, Keep::Borrowed)) + "\r";
    ExpectGolden(text, "file_views.txt");
}

// Below 16384 the short form holds too: the second byte less 64, plus 64, 128
// or 192 for a first byte of &44, &74 or &64; the third less 64 is the high byte.
TEST(ShowBasic, ReferencesDecodeEveryLineNumber)
{
    for (int n = 0; n < 65536; ++n) {
        const Bytes r = Reference(n);
        const int decoded = static_cast<int>(DecodeLineReference(r[1], r[2], r[3]));
        const int extra = r[1] == 0x44 ? 64 : r[1] == 0x74 ? 128 : r[1] == 0x64 ? 192 : 0;
        ASSERT_EQ(decoded, n);
        ASSERT_TRUE(n >= 16384 || decoded == r[2] - 64 + extra + (r[3] - 64) * 256) << n;
    }
}

// Every opcode with operands 34 12 and EE FF (named where the opcode calls the system),
// a call to each entry of page &FF, then branches; each line starts with its length.
TEST(Disassemble, EveryOpcodeAndEveryPageFFCall)
{
    std::string text;
    auto add = [&](int op, int lo, int hi, std::uint32_t address = 0x2000) {
        const Bytes bytes{static_cast<std::uint8_t>(op), static_cast<std::uint8_t>(lo), static_cast<std::uint8_t>(hi)};
        std::string line;
        text += std::to_string(Disassemble(bytes, 0, address, line)) + " " + line + "\r";
    };
    for (int op = 0; op < 256; ++op)
        add(op, 0x34, 0x12);
    for (int op = 0; op < 256; ++op)
        add(op, 0xEE, 0xFF);
    for (int lo = 0; lo < 256; ++lo)
        add(0x20, lo, 0xFF);
    add(0x20, 0xEE, 0xFE);
    // Branches to themselves, forward, back, past FFFF and 0000; an address shows its low 16 bits.
    for (const auto& [address, offset] :
         {std::pair{0x1905u, 0xFE}, {0x1900u, 0x7F}, {0x1900u, 0x80}, {0xFFF0u, 0x20}, {2u, 0xF0}})
        add(0xD0, offset, 0, address);
    add(0xEA, 0, 0, 0x12345);
    ExpectGolden(text, "dis_opcodes.txt");
    // The name comes from the operand alone; the opcode decides whether it is used.
    std::string line = "x";
    EXPECT_EQ(OsCallName(Bytes{0xAD, 0xEE, 0xFF}, 0, line), 6);
    EXPECT_EQ(OsCallName(Bytes{0x20, 0x00, 0xFF}, 0, line), 0);
    EXPECT_EQ(line, "xoswrch");
}

} // namespace
} // namespace marlin::views

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"
#include "view_test_util.h"
#include "views/directory_tree.h"
#include "views/listings.h"

namespace marlin::views {

// Readable failures: the text with its CRs shown.
void PrintTo(const ViewText& v, std::ostream* os)
{
    std::string text;
    for (char c : v.text)
        text += c == '\r' ? std::string("\\r\n") : std::string(1, c);
    *os << "{" << v.title << ", " << v.viewName << ",\n" << text << "}";
}

namespace {

using namespace marlin::image;

std::string Golden(const std::string& name)
{
    std::ifstream in(std::string(MARLIN_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

using marlin::test::SampleDisc;

TEST(Listings, SampleDiscMatchesTheGoldenTexts)
{
    const Disc disc = SampleDisc();
    EXPECT_EQ(ShowCat(disc, kRoot), (ViewText{"*CAT", Golden("cat_root.txt"), "$"}));
    EXPECT_EQ(ShowEx(disc, kRoot), (ViewText{"*EX", Golden("ex_root.txt"), "$"}));
    EXPECT_EQ(ShowCatAll(disc, kRoot), (ViewText{"*CATALL", Golden("catall_root.txt"), "$"}));
    EXPECT_EQ(ShowExAll(disc, kRoot), (ViewText{"*EXALL", Golden("exall_root.txt"), "$"}));
    // A subdirectory's recursive listing starts its path at its own name.
    const ViewText games = ShowCatAll(disc, SectorAddress(9));
    EXPECT_EQ(games.viewName, "Games");
    EXPECT_TRUE(games.text.starts_with(std::string(40, '*') + "\rGames\r")) << games.text;
}

TEST(Listings, BlankDiscHeaderAndEmptyCatalogue)
{
    const Disc disc = NewDisc(16);
    const std::string header = "$                   (01)\r"
                               "Drive:0             Option 00 (Off )\r"
                               "Dir. $              Lib. \"Unset\"\r"
                               "\r";
    EXPECT_EQ(ShowHeader(disc, kRoot), header);
    EXPECT_EQ(Text(ShowCat(disc, kRoot)), header + "\r\r");
    EXPECT_EQ(Text(ShowEx(disc, kRoot)), header);
}

TEST(Listings, CatalogueLineBreaksAfterEveryFourthEntry)
{
    struct Case {
        int entries;
    };
    for (const Case& c : {Case{0}, Case{3}, Case{4}, Case{5}, Case{8}}) {
        SCOPED_TRACE(c.entries);
        Disc disc = NewDisc(16);
        for (int i = 0; i < c.entries; ++i)
            ASSERT_GE(marlin::test::AddFile(disc, kRoot, std::string(1, static_cast<char>('A' + i)), {1}), 0);
        const std::string text = Text(ShowCat(disc, kRoot));
        const std::string body = text.substr(ShowHeader(disc, kRoot).size());
        // 20 characters per field, a CR after every fourth, one closing CR
        // when the last line was not already ended, then the empty line.
        const int lines = std::max(1, (c.entries + 3) / 4);
        EXPECT_EQ(body.size(), static_cast<std::size_t>(20 * c.entries + lines + 1));
        for (int line = 0; line < lines; ++line)
            EXPECT_EQ(body[static_cast<std::size_t>(std::min(4, c.entries - 4 * line) * 20 + line * 81)], '\r');
        EXPECT_TRUE(body.ends_with("\r\r"));
        if (c.entries > 0) {
            EXPECT_EQ(body.substr(0, 20), "A          WR (02)  ");
        }
    }
}

TEST(Listings, AttributesAreCutToThreeLettersAndNamesAtTheirCR)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(marlin::test::AddFile(disc, kRoot, "TENLETTERS", {1}, 0, 0, "LWR"), 0);
    const std::uint64_t e = EntryOffset(kRoot, 0);
    disc.Set(e + entry::kAttrD, disc.At(e + entry::kAttrD) | 0x80);
    disc.Set(e + entry::kAttrE, disc.At(e + entry::kAttrE) | 0x80);
    EXPECT_EQ(AttributeString(disc, e), "EDLWR");
    const std::string body = Text(ShowCat(disc, kRoot)).substr(ShowHeader(disc, kRoot).size());
    EXPECT_EQ(body, "TENLETTERS EDL(02)  \r\r");
    // With D set it lists as a directory in *EX: only the start sector.
    EXPECT_EQ(Text(ShowEx(disc, kRoot)).substr(ShowHeader(disc, kRoot).size()), "TENLETTERS EDL(02)  000007\r");
}

TEST(Listings, BootOptionNames)
{
    struct Case {
        std::uint8_t option;
        std::string line;
    };
    for (const Case& c : {Case{0, "Option 00 (Off )"}, Case{1, "Option 01 (Load)"}, Case{2, "Option 02 (Run )"},
                          Case{3, "Option 03 (Exec)"}, Case{4, "Option 04 ()"}, Case{200, "Option C8 ()"}}) {
        SCOPED_TRACE(int{c.option});
        Disc disc = NewDisc(16);
        disc.Set(map::kBootOption, c.option);
        EXPECT_NE(ShowHeader(disc, kRoot).find("Drive:0             " + c.line + "\r"), std::string::npos);
    }
}

TEST(Listings, TitleAndDirectoryNameAreFilledOrCutTo19)
{
    Disc disc = NewDisc(16);
    const std::string title = "ABCDEFGHIJKLMNOPQRS"; // 19: no CR stored
    for (std::size_t k = 0; k < title.size(); ++k)
        disc.Set(kRoot.ByteOffset() + dir::kTitle + k, static_cast<std::uint8_t>(title[k]));
    const std::string name = "LONGNAMEXY";
    for (std::size_t k = 0; k < name.size(); ++k)
        disc.Set(kRoot.ByteOffset() + dir::kName + k, static_cast<std::uint8_t>(name[k]));
    const std::string header = ShowHeader(disc, kRoot);
    EXPECT_TRUE(header.starts_with("ABCDEFGHIJKLMNOPQRS (01)\r"));
    EXPECT_NE(header.find("\rDir. LONGNAMEXY     Lib. \"Unset\"\r"), std::string::npos);
}

TEST(Listings, ASlotStartingWithCRIsListedWithAnEmptyName)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(marlin::test::AddFile(disc, kRoot, "B", {1}), 0);
    ASSERT_GE(marlin::test::AddFile(disc, kRoot, "C", {1}), 0);
    disc.Set(EntryOffset(kRoot, 0), kCR | 0x80); // R set, name empty
    const std::string body = Text(ShowCat(disc, kRoot)).substr(ShowHeader(disc, kRoot).size());
    EXPECT_EQ(body, "           WR (02)  C          WR (03)  \r\r");
    EXPECT_EQ(EntryCount(disc, kRoot), 2);
}

TEST(Listings, AnUnsignedBlockGivesTheMessageOnly)
{
    Disc disc = NewDisc(16);
    struct Case {
        const char* what;
        std::uint32_t sector;
    };
    // Sector 4093 would need its block to run past the image's end.
    for (const Case& c : {Case{"zero block", 100}, Case{"past the end", 4093}, Case{"beyond the image", 0xFFFFFF}}) {
        SCOPED_TRACE(c.what);
        const SectorAddress s(c.sector);
        if (c.sector == 4093)
            for (int k = 0; k < 4; ++k)
                disc.Set(s.ByteOffset() + 1 + static_cast<std::uint64_t>(k), static_cast<std::uint8_t>("Hugo"[k]));
        EXPECT_EQ(ShowCat(disc, s), (ViewText{"*CAT", kNotADirectory, ""}));
        EXPECT_EQ(Text(ShowEx(disc, s)), kNotADirectory);
        EXPECT_EQ(Text(ShowCatAll(disc, s)), kNotADirectory);
        EXPECT_EQ(Text(ShowExAll(disc, s, "X")), kNotADirectory);
    }
}

// A directory entry that points at itself or its parent used to make the
// recursive listings descend without end.
TEST(Listings, SelfListingDirectoriesAreListedOnce)
{
    Disc disc = SampleDisc();
    marlin::test::MakeDir(disc, SectorAddress(9), "Loop");
    marlin::test::MakeDir(disc, SectorAddress(9), "Up");
    marlin::test::SetStart(disc, SectorAddress(9), "Loop", 9);
    marlin::test::SetStart(disc, SectorAddress(9), "Up", 2);
    const std::string text = Text(ShowCatAll(disc, kRoot));
    auto count = [&](const std::string& needle) {
        std::size_t n = 0;
        for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("\r$\r"), 1u);
    EXPECT_EQ(count("\r$.Games\r"), 1u);
    EXPECT_EQ(count("*\r"), 4u); // two banners of two star lines
    EXPECT_EQ(Text(ShowExAll(disc, kRoot)).find("$.Games.Games"), std::string::npos);

    const TreeNode tree = BuildDirectoryTree(disc);
    ASSERT_EQ(tree.children.size(), 1u);
    const TreeNode& games = tree.children[0];
    ASSERT_EQ(games.children.size(), 2u);
    EXPECT_EQ(games.children[0], (TreeNode{"Loop", SectorAddress(9), {}}));
    EXPECT_EQ(games.children[1], (TreeNode{"Up", kRoot, {}}));
}

TEST(Listings, RecursionDescendsPastTheEndSlotAndReportsBadChildrenInline)
{
    Disc disc = SampleDisc();
    // Hide Games behind an end slot: $ now ends at slot 1 (beta's slot is
    // emptied by clearing its first byte), but slot 2 still names Games.
    disc.Set(EntryOffset(kRoot, 1), 0);
    const std::string text = Text(ShowCatAll(disc, kRoot));
    EXPECT_EQ(text.find("beta"), std::string::npos);
    EXPECT_EQ(text.find("Games      DWR"), std::string::npos);
    EXPECT_NE(text.find("\r$.Games\r"), std::string::npos);
}

TEST(Listings, ABadChildGivesTheMessageAndTheNextBlockFollowsOnTheSameLine)
{
    Disc disc = SampleDisc();
    marlin::test::MakeDir(disc, kRoot, "Aardvark");
    marlin::test::MakeDir(disc, kRoot, "Zed");
    marlin::test::SetStart(disc, kRoot, "Aardvark", 3000);
    marlin::test::SetStart(disc, kRoot, "Zed", 0xFFFFFF);
    const std::string text = Text(ShowExAll(disc, kRoot));
    EXPECT_NE(text.find(kNotADirectory + std::string(40, '*') + "\r$.Games\r"), std::string::npos);
    EXPECT_TRUE(text.ends_with(std::string("00000E\r\r") + kNotADirectory));
}

TEST(Listings, MapTable)
{
    Disc disc = NewDisc(16);
    EXPECT_EQ(ShowMap(disc), (ViewText{"Free Disc Space Map", "Address : Length\r000007  : 000FF9\r", "FreeSpace"}));
    disc.map.runs = {{0x12, 0xABCDEF}, {0x1234567, 3}};
    EXPECT_EQ(Text(ShowMap(disc)), "Address : Length\r000012  : ABCDEF\r234567  : 000003\r");
    disc.map.runs.clear();
    EXPECT_EQ(Text(ShowMap(disc)), "Address : Length\r");
}

TEST(DirectoryTree, EntryNamesSortedWithoutRegardToCase)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"zeta", "Alpha", "beta", "GAMMA"})
        marlin::test::MakeDir(disc, kRoot, name);
    ASSERT_GE(marlin::test::AddFile(disc, kRoot, "afile", {1}), 0);
    const SectorAddress beta(marlin::test::EntryNamed(disc, kRoot, "beta").start);
    marlin::test::MakeDir(disc, beta, "Inner");
    // The child's text is its entry name, even when its own name differs.
    disc.Set(beta.ByteOffset() + dir::kName, 'X');
    int ticks = 0;
    const TreeNode tree = BuildDirectoryTree(disc, [&] { ++ticks; });
    EXPECT_EQ(tree.name, "$");
    EXPECT_EQ(tree.sector, kRoot);
    std::vector<std::string> names;
    for (const TreeNode& n : tree.children)
        names.push_back(n.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "GAMMA", "zeta"}));
    ASSERT_EQ(tree.children[1].children.size(), 1u);
    EXPECT_EQ(tree.children[1].children[0].name, "Inner");
    EXPECT_GE(ticks, 6); // each entry examined at least
}

TEST(DirectoryTree, UnsignedChildrenHaveNoChildrenAndDepthIsBounded)
{
    Disc disc = NewDisc(1024);
    // A chain deeper than any walk descends.
    SectorAddress dir = kRoot;
    for (int depth = 0; depth < kMaxDirectoryDepth + 10; ++depth)
        dir = marlin::test::MakeDir(disc, dir, "D");
    const TreeNode chain = BuildDirectoryTree(disc);
    int depth = 0;
    for (const TreeNode* n = &chain; !n->children.empty(); n = &n->children[0])
        ++depth;
    EXPECT_EQ(depth, kMaxDirectoryDepth);
    // Unsign the first child: it stays as a node without children.
    disc.Set(SectorAddress(7).ByteOffset() + 1, 0);
    const TreeNode tree = BuildDirectoryTree(disc);
    ASSERT_EQ(tree.children.size(), 1u);
    EXPECT_TRUE(tree.children[0].children.empty());
    EXPECT_EQ(Text(ShowCatAll(disc, kRoot)).find(kNotADirectory) != std::string::npos, true);
}

} // namespace
} // namespace marlin::views

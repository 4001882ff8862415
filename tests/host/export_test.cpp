#include "host/export.h"

#include <gtest/gtest.h>

#include <set>

#include "host/inf_file.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::host {
namespace {

using namespace marlin::image;
using test::ReadHostFile;
using test::Scratch;
using test::WriteHostFile;
namespace fs = std::filesystem;

std::vector<std::uint8_t> Data(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> d(n);
    for (std::size_t i = 0; i < n; ++i)
        d[i] = static_cast<std::uint8_t>(seed + i * 7);
    return d;
}

std::string Text(const std::vector<std::uint8_t>& d)
{
    return std::string(d.begin(), d.end());
}

// Every path below root, relative to it, with file contents.
std::set<std::string> Tree(const fs::path& root)
{
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        out.insert(e.is_regular_file() ? rel + "=" + ReadHostFile(e.path()) : rel + "/");
    }
    return out;
}

class Export : public ::testing::Test {
protected:
    Export()
    {
        EXPECT_GE(test::AddFile(disc, kRoot, "EMPTY", {}, 0x1900, 0x8023, "R"), 0);
        EXPECT_GE(test::AddFile(disc, kRoot, "A/B", Data(300, 1), 0xFFFF1900, 0xFFFF8023, "LWR"), 0);
        games = *CreateDirectory(disc, kRoot, "GAMES", sink);
        EXPECT_GE(test::AddFile(disc, games, "ELITE", Data(5000, 3), 0x1100, 0x1100, ""), 0);
        // GAMES carries D, L and R.
        const std::uint64_t e = EntryOffset(kRoot, FindEntry(disc, kRoot, "GAMES"));
        disc.Set(e + entry::kAttrL, disc.At(e + entry::kAttrL) | 0x80);
        disc.Set(e + entry::kAttrW, disc.At(e + entry::kAttrW) & 0x7F);
    }
    Scratch scratch;
    Disc disc = NewDisc(16);
    CollectingSink sink;
    SectorAddress games;
};

TEST_F(Export, RootGoesStraightIntoTheFolder)
{
    const fs::path dest = scratch.path() / "out";
    int ticks = 0;
    ASSERT_EQ(ExportFiles(disc, dest, kRoot, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(Tree(dest), (std::set<std::string>{
                              "A_B=" + Text(Data(300, 1)),
                              "A_B.INF=A/B        FFFF1900 FFFF8023 0000012C LWR\r\n",
                              "EMPTY=",
                              "EMPTY.INF=EMPTY      00001900 00008023 00000000 R\r\n",
                              "GAMES/",
                              "GAMES.INF=GAMES      DLR\r\n",
                              "GAMES/ELITE=" + Text(Data(5000, 3)),
                              "GAMES/ELITE.INF=ELITE      00001100 00001100 00001388 \r\n",
                          }));
    // A second export over the first gives the same files.
    const auto first = Tree(dest);
    ASSERT_EQ(ExportFiles(disc, dest, kRoot, sink), Status::Done);
    EXPECT_EQ(Tree(dest), first);
}

TEST_F(Export, ListItemsEndTheirSidecarsWithABlank)
{
    std::vector<DirEntry> items;
    for (int i = 0; i < EntryCount(disc, kRoot); ++i)
        items.push_back(ReadEntry(disc, kRoot, i));
    const fs::path dest = scratch.path();
    std::vector<fs::path> handed;
    ASSERT_EQ(ExportListItems(disc, dest, items, sink, {}, &handed), Status::Done);
    EXPECT_EQ(ReadHostFile(dest / "A_B.INF"), "A/B        FFFF1900 FFFF8023 0000012C LWR \r\n");
    EXPECT_EQ(ReadHostFile(dest / "GAMES.INF"), "GAMES      DLR \r\n");
    EXPECT_EQ(ReadHostFile(dest / "A_B"), Text(Data(300, 1)));
    // Inside the directory, the walk writes as Export Directory does.
    EXPECT_EQ(ReadHostFile(dest / "GAMES" / "ELITE.INF"), "ELITE      00001100 00001100 00001388 \r\n");
    EXPECT_EQ(ReadHostFile(dest / "GAMES" / "ELITE"), Text(Data(5000, 3)));
    EXPECT_EQ(handed, (std::vector<fs::path>{dest / "A_B", dest / "A_B.INF", dest / "EMPTY", dest / "EMPTY.INF",
                                             dest / "GAMES", dest / "GAMES.INF"}));

    Scratch none;
    ASSERT_EQ(ExportListItems(disc, none.path(), {}, sink), Status::Done);
    EXPECT_TRUE(fs::is_empty(none.path()));
}

TEST_F(Export, CollidingHostNamesKeepTheLaterEntry)
{
    ASSERT_GE(test::AddFile(disc, kRoot, "A_B", Data(10, 9)), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "CON", Data(1, 1)), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "CON_", Data(2, 2)), 0);
    ASSERT_EQ(ExportFiles(disc, scratch.path(), kRoot, sink), Status::Done);
    EXPECT_EQ(ReadHostFile(scratch.path() / "A_B"), Text(Data(10, 9)));
    EXPECT_EQ(ReadHostFile(scratch.path() / "A_B.INF").substr(0, 10), "A_B       ");
    EXPECT_EQ(ReadHostFile(scratch.path() / "CON_"), Text(Data(2, 2)));
    EXPECT_EQ(ReadHostFile(scratch.path() / "CON_.INF").substr(0, 10), "CON_      ");
}

TEST_F(Export, HostFailureEndsTheExport)
{
    // A regular file stands where the folder GAMES must go.
    WriteHostFile(scratch.path() / "GAMES", "not a folder");
    EXPECT_EQ(ExportFiles(disc, scratch.path(), kRoot, sink), Status::Refused);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Export : " + (scratch.path() / "GAMES").string()));
    // What came before stays.
    EXPECT_TRUE(fs::exists(scratch.path() / "EMPTY.INF"));

    sink.messages.clear();
    const fs::path orphan = scratch.path() / "no" / "such";
    EXPECT_EQ(ExportFiles(disc, orphan, kRoot, sink), Status::Refused);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Export : " + orphan.string()));
}

TEST_F(Export, LinksBelowTheChosenFolderAreNotFollowed)
{
    Scratch elsewhere;
    fs::create_directory(scratch.path() / "dest");
    fs::create_directory_symlink(elsewhere.path(), scratch.path() / "dest" / "GAMES");
    fs::create_symlink(elsewhere.path() / "victim", scratch.path() / "dest" / "EMPTY");
    EXPECT_EQ(ExportFiles(disc, scratch.path() / "dest", kRoot, sink), Status::Refused);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

// A damaged image whose names would climb out of the destination or hold
// control characters, with a directory that lists its own parent and entries
// that reach past the image.
TEST(ExportDamaged, NothingIsWrittenOutsideTheDestination)
{
    Disc disc = NewDisc(16);
    for (const std::string name : {"..", ".", "", "A\x01Z", "\x7F"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, Data(20, 5)), 0) << name;
    const SectorAddress sub = test::MakeDir(disc, kRoot, "SUB");
    ASSERT_GE(test::AddFile(disc, sub, "..", Data(3, 1)), 0);
    ASSERT_GE(test::AddFile(disc, sub, "UP", Data(3, 1)), 0);
    // SUB.UP becomes a directory entry pointing back at the root.
    const std::uint64_t up = EntryOffset(sub, FindEntry(disc, sub, "UP"));
    disc.Set(up + entry::kAttrD, disc.At(up + entry::kAttrD) | 0x80);
    disc.Write24(up + entry::kStart, kRootSector);
    ASSERT_GE(test::AddFile(disc, sub, "LONG", Data(10, 2)), 0);
    disc.Write32(EntryOffset(sub, FindEntry(disc, sub, "LONG")) + entry::kLength, 0xFFFFFFFF);
    ASSERT_GE(test::AddFile(disc, sub, "FAR", Data(10, 2)), 0);
    test::SetStart(disc, sub, "FAR", 0xFFFFFF);

    Scratch scratch;
    const fs::path parent = scratch.path() / "parent";
    const fs::path dest = parent / "dest";
    fs::create_directories(dest);
    WriteHostFile(parent / "keep", "k");
    const auto before = Tree(parent); // "dest/" and "keep"

    CollectingSink sink;
    ASSERT_EQ(ExportFiles(disc, dest, kRoot, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());

    std::set<std::string> outside;
    for (const auto& p : Tree(parent))
        if (!p.starts_with("dest/") || p == "dest/")
            outside.insert(p);
    EXPECT_EQ(outside, before) << "something was written beside the destination";
    EXPECT_TRUE(fs::exists(dest / "_.."));
    EXPECT_TRUE(fs::exists(dest / "_."));
    EXPECT_TRUE(fs::exists(dest / "_"));
    EXPECT_TRUE(fs::exists(dest / "A_Z"));
    // The sidecars keep the true names.
    EXPECT_EQ(ReadHostFile(dest / "_...INF").substr(0, 10), "..        ");
    EXPECT_EQ(ReadHostFile(dest / "A_Z.INF").substr(0, 10), "A\x01Z       ");
    // The loop back to the root gives an empty folder; bytes stop at the image's end.
    EXPECT_TRUE(fs::is_empty(dest / "SUB" / "UP"));
    const std::uint32_t longStart = test::EntryNamed(disc, sub, "LONG").start.Value();
    EXPECT_EQ(fs::file_size(dest / "SUB" / "LONG"), disc.Size() - std::uint64_t{longStart} * kSectorSize);
    EXPECT_EQ(fs::file_size(dest / "SUB" / "FAR"), 0u);
}

} // namespace
} // namespace marlin::host

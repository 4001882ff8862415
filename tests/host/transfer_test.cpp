// Import of host files and folders, export into host folders, and drags staged through export.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <map>

#include "host/drag.h"
#include "host/export.h"
#include "host/host_names.h"
#include "host/import.h"
#include "host/inf_file.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/hex.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::host {
namespace {

using namespace marlin::image;
using test::ReadHostFile;
using test::WriteHostFile;
namespace fs = std::filesystem;
using Messages = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;
using Paths = std::vector<fs::path>;

class Import : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(test::ConsistencyProblems(disc), Messages{}); }
    Status Import1(const fs::path& p) { return ImportHostFile(disc, kRoot, p, sink); }
    fs::path Host(const std::string& name, const std::string& bytes)
    {
        WriteHostFile(scratch / name, bytes);
        return scratch / name;
    }

    test::Scratch scratch;
    Disc disc = NewDisc(16);
    CollectingSink sink;
};

// A duplicate lets a batch go on; space and room are tested before the host file is read.
TEST_F(Import, RefusalsChangeNothing)
{
    ASSERT_GE(test::AddFile(disc, kRoot, "GAME", {1}), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "README", {1}), 0);
    const SectorAddress sub = test::MakeDir(disc, kRoot, "SUB");
    const fs::path fifo = scratch / "pipe";
#ifndef _WIN32 // no pipes in folders on Windows: there the path names nothing
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
#endif
    const std::uint32_t free = disc.map.runs.front().Length;
    const std::string space = "Not Enough Free Contiguous Space on Disc";
    const std::vector<std::tuple<fs::path, Status, std::string>> cases = {
        {Host("game", "x"), Status::Done, "File game Already Exists"},
        {Host("readme.txt", "x"), Status::Done, "File readme Already Exists"},
        {fifo, Status::Refused, "Cannot Read Host File : " + fifo.string()},
        {scratch / "missing", Status::Refused, "Cannot Read Host File : " + (scratch / "missing").string()},
        {Host("BIG", std::string(free * kSectorSize + 1, 'b')), Status::Refused, space},
    };
    const auto before = disc.Image();
    for (const auto& [path, status, message] : cases) {
        sink.messages.clear();
        EXPECT_EQ(Import1(path), status) << message;
        EXPECT_EQ(sink.messages, Messages{message});
        EXPECT_TRUE(disc.Image() == before) << message;
    }
    for (int i = 0; i < 44; ++i)
        ASSERT_GE(test::AddFile(disc, kRoot, "F" + std::to_string(100 + i), {1}), 0);
    const auto full = disc.Image();
    sink.messages.clear();
    EXPECT_EQ(Import1(Host("NEW", "x")), Status::Refused);
    EXPECT_EQ(Import1(scratch / "BIG"), Status::Refused);
    EXPECT_EQ(sink.messages, (Messages{"Directory Full", space}));
    EXPECT_TRUE(disc.Image() == full);
    // The last sector of the disc can be taken.
    const std::uint32_t left = disc.map.runs.front().Length;
    EXPECT_EQ(ImportHostFile(disc, sub, Host("ALL", std::string(left * kSectorSize, 'a')), sink), Status::Done);
    EXPECT_TRUE(disc.map.runs.empty());
}

// A sidecar length beyond the host file would claim sectors the file does not own.
// The sidecar itself is never imported; a lower-case .inf is a file.
TEST_F(Import, SidecarsGiveNameAddressesAndBits)
{
    std::fill(disc.WritableImage().begin() + kFirstDataSector * kSectorSize, disc.WritableImage().end(), 0xEE);
    for (const auto& [host, inf] :
         std::vector<std::pair<std::string, std::string>>{{"six", "$.GAME     FF1900 FF8023 000400 L"},
                                                          {"eight", "GAME2      FFFF1900 FFFF8023 00000400 LWR"},
                                                          {"wr", "GAME3      ffff1900 ffff8023 00000400 WR"},
                                                          {"blank", "GAME4      00001900 00008023 00000010 "},
                                                          {"short", "GAME5      FFFF1900 FFFF8023 00000400"},
                                                          {"empty", ""},
                                                          {"long", "GAME6      00000000 00000000 00010000 R"},
                                                          {"dirline", "GAMES      DLR "},
                                                          {"none", "-"}}) {
        if (inf != "-")
            WriteHostFile(InfPath(scratch / host), inf + "\r\n");
        ASSERT_EQ(Import1(Host(host, std::string(0x500, 'd'))), Status::Done);
    }
    EXPECT_EQ(Import1(InfPath(scratch / "six")), Status::Done);
    EXPECT_EQ(Import1(Host("notes.inf", "n")), Status::Done);
    std::string text;
    for (int i = 0; i < EntryCount(disc, kRoot); ++i) {
        const DirEntry e = ReadEntry(disc, kRoot, i);
        text += e.name + " " + FixedHex(e.load, 8) + " " + FixedHex(e.exec, 8) + " " + FixedHex(e.length, 8) + " " +
                AttributeString(disc, EntryOffset(kRoot, i)) + "\n";
    }
    EXPECT_EQ(text, ReadHostFile(MARLIN_TEST_DATA "/import_sidecars.txt"));
    // A file takes whole sectors, their tail 0 over whatever was there before.
    const auto notes = disc.Image().begin() + test::EntryNamed(disc, kRoot, "notes").start.ByteOffset();
    EXPECT_EQ(std::string(notes, notes + kSectorSize), "n" + std::string(kSectorSize - 1, '\0'));
    EXPECT_TRUE(sink.messages.empty());
}

// Hidden items, pipes and a link back into the folder are left out; the first failure
// ends the folder keeping what was done.
TEST_F(Import, FolderTrees)
{
    const fs::path top = scratch / "My Stuff.old";
    fs::create_directories(top / "sub" / "deeper");
    WriteHostFile(top / "GAME", "game");
    WriteHostFile(top / "GAME.INF", "GAME       00001900 00008023 00000004 LWR\r\n");
    WriteHostFile(top / ".hidden", "h");
    WriteHostFile(top / "sub.INF", "RENAMED    DLR\r\n");
    WriteHostFile(top / "sub" / "deeper" / "leaf", "leaf");
    WriteHostFile(top / "sub" / "z", "z");
    WriteHostFile(top / "zz", std::string(5000 * 256, 'b'));
    WriteHostFile(top / "zzz", "z");
#ifndef _WIN32 // no pipes in folders on Windows, and links need privileges
    ASSERT_EQ(::mkfifo((top / "pipe").c_str(), 0600), 0);
    fs::create_directory_symlink(top, top / "again");
#endif
    int ticks = 0;
    EXPECT_EQ(ImportHostFile(disc, kRoot, top.string() + "/", sink, [&] { ++ticks; }), Status::Refused);
    EXPECT_EQ(sink.messages, Messages{"Not Enough Free Contiguous Space on Disc"});
    EXPECT_GE(ticks, 8);
    const SectorAddress d = test::EntryNamed(disc, kRoot, "My Stuff.o").start;
    ASSERT_EQ(EntryCount(disc, d), 2);
    const DirEntry game = ReadEntry(disc, d, 0), sub = ReadEntry(disc, d, 1);
    EXPECT_EQ(std::make_tuple(game.name, game.load, game.L), std::make_tuple("GAME", 0x1900u, true));
    EXPECT_EQ(std::make_tuple(sub.name, sub.D, GetDirectoryName(disc, sub.start)),
              std::make_tuple("RENAMED", true, "RENAMED"));
    EXPECT_EQ(EntryCount(disc, sub.start), 2); // deeper, z
    sink.messages.clear();
    EXPECT_EQ(ImportHostFolder(disc, kRoot, top, sink), Status::Refused);
    EXPECT_EQ(sink.messages, Messages{"Directory My Stuff.o Already Exists"});
}

TEST_F(Import, DropGoesOnAfterADuplicateAndStopsAtTheFirstFailure)
{
    ASSERT_GE(test::AddFile(disc, kRoot, "B", {1}), 0);
    fs::create_directories(scratch / "folder");
    const std::vector<fs::path> paths{Host("A", "a"), Host("b", "b"), scratch / "folder",
                                      Host("BIG", std::string(5000 * 256, 'x')), Host("C", "c")};
    const DropResult r = DropHostFiles(disc, kRoot, paths, sink);
    EXPECT_EQ(std::make_tuple(r.status, r.sawFolder), std::make_tuple(Status::Refused, true));
    EXPECT_EQ(sink.messages, (Messages{"File b Already Exists", "Not Enough Free Contiguous Space on Disc"}));
    EXPECT_EQ(std::make_tuple(GetEntryName(disc, kRoot, 0), GetEntryName(disc, kRoot, 2), EntryCount(disc, kRoot)),
              std::make_tuple("A", "folder", 3));
    const DropResult files = DropHostFiles(disc, kRoot, std::vector<fs::path>{Host("D", "d")}, sink);
    EXPECT_EQ(std::make_tuple(files.status, files.sawFolder), std::make_tuple(Status::Done, false));
}

std::string Data(std::size_t n, char seed)
{
    std::string d(n, seed);
    for (std::size_t i = 0; i < n; ++i)
        d[i] = static_cast<char>(seed + i * 7);
    return d;
}

Tree HostTree(const fs::path& root)
{
    Tree tree;
    for (const auto& e : fs::recursive_directory_iterator(root))
        tree[fs::relative(e.path(), root).generic_string()] = e.is_regular_file() ? ReadHostFile(e.path()) : "/";
    return tree;
}

// $ holds EMPTY, A/B and GAMES (D, L and R), which holds ELITE.
class Export : public ::testing::Test {
protected:
    Export()
    {
        EXPECT_GE(test::AddFile(disc, kRoot, "EMPTY", {}, 0x1900, 0x8023, "R"), 0);
        EXPECT_GE(test::AddFile(disc, kRoot, "A/B", test::Bytes(Data(300, 1)), 0xFFFF1900, 0xFFFF8023, "LWR"), 0);
        EXPECT_GE(test::AddFile(disc, test::MakeDir(disc, kRoot, "GAMES"), "ELITE", test::Bytes(Data(5000, 3)), 0x1100,
                                0x1100, ""),
                  0);
        (void)SetAttributes(disc, kRoot, "GAMES", true, false, true);
        for (int i = 0; i < EntryCount(disc, kRoot); ++i)
            entries.push_back(ReadEntry(disc, kRoot, i));
        state.tempBase = scratch / "cache" / "marlin_temp";
        state.logPath = scratch / "cache" / "drag.log";
    }
    static Paths Handed(const fs::path& d)
    {
        return {d / "A_B", d / "A_B.INF", d / "EMPTY", d / "EMPTY.INF", d / "GAMES", d / "GAMES.INF"};
    }

    test::Scratch scratch;
    Disc disc = NewDisc(16);
    std::vector<DirEntry> entries;
    CollectingSink sink;
    DragState state;
    const Tree exported = {
        {"A_B", Data(300, 1)},
        {"A_B.INF", "A/B        FFFF1900 FFFF8023 0000012C LWR\r\n"},
        {"EMPTY", ""},
        {"EMPTY.INF", "EMPTY      00001900 00008023 00000000 R\r\n"},
        {"GAMES", "/"},
        {"GAMES.INF", "GAMES      DLR\r\n"},
        {"GAMES/ELITE", Data(5000, 3)},
        {"GAMES/ELITE.INF", "ELITE      00001100 00001100 00001388 \r\n"},
    };
};

TEST_F(Export, RootGoesStraightIntoTheFolderAndAgainOverIt)
{
    int ticks = 0;
    ASSERT_EQ(ExportFiles(disc, scratch / "out", kRoot, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(HostTree(scratch / "out"), exported);
    ASSERT_EQ(ExportFiles(disc, scratch / "out", kRoot, sink), Status::Done);
    EXPECT_EQ(HostTree(scratch / "out"), exported);
    EXPECT_TRUE(sink.messages.empty());
}

// The list's items end their own sidecars with a blank and are handed out in order.
TEST_F(Export, ListItemsEndTheirSidecarsWithABlank)
{
    Paths handed;
    ASSERT_EQ(ExportListItems(disc, scratch.path(), entries, sink, {}, &handed), Status::Done);
    Tree expected = exported;
    for (auto& [path, text] : expected)
        if (path.ends_with(".INF") && path.find('/') == std::string::npos)
            text.insert(text.size() - 2, " ");
    EXPECT_EQ(HostTree(scratch.path()), expected);
    EXPECT_EQ(handed, Handed(scratch.path()));
    test::Scratch none;
    ASSERT_EQ(ExportListItems(disc, none.path(), {}, sink), Status::Done);
    EXPECT_TRUE(fs::is_empty(none.path()));
}

TEST_F(Export, CollidingHostNamesKeepTheLaterEntry)
{
    for (const auto& [name, n] : {std::pair{"A_B", 10}, {"CON", 1}, {"CON_", 2}})
        ASSERT_GE(test::AddFile(disc, kRoot, name, test::Bytes(Data(n, 9))), 0);
    ASSERT_EQ(ExportFiles(disc, scratch.path(), kRoot, sink), Status::Done);
    const Tree tree = HostTree(scratch.path());
    EXPECT_EQ(tree.at("A_B") + tree.at("A_B.INF").substr(0, 10), Data(10, 9) + "A_B       ");
    EXPECT_EQ(tree.at("CON_") + tree.at("CON_.INF").substr(0, 10), Data(2, 9) + "CON_      ");
}

// Salvage: names meeting in a folder (sidecars, any case) take ~N, the sidecar keeping the disc's name.
TEST_F(Export, SalvageRenamesAndSkips)
{
    for (const char* name : {"A_B", "a_b.inf"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, {1}), 0);
    (void)test::MakeDir(disc, kRoot, "FAR");
    test::SetStart(disc, kRoot, "FAR", 0xFFFFFF);
    Salvage salvage;
    ASSERT_EQ(ExportFiles(disc, scratch.path(), kRoot, sink, {}, &salvage), Status::Done);
    const Tree tree = HostTree(scratch.path());
    EXPECT_EQ(tree.at("A_B") + tree.at("A_B~1.INF").substr(0, 4) + tree.at("a_b.inf~1.INF").substr(0, 8),
              Data(300, 1) + "A_B a_b.inf ");
    EXPECT_EQ(salvage.lines, (Messages{"Renamed $.A_B: host name A_B is taken, exported as A_B~1",
                                       "Renamed $.a_b.inf: host name a_b.inf is taken, exported as a_b.inf~1",
                                       "Skipped $.FAR: directory block lies outside the image"}));
}

// The first host refusal ends the export, keeping what came before; no link is followed.
TEST_F(Export, HostRefusalsAndLinks)
{
    WriteHostFile(scratch / "GAMES", "not a folder");
    const fs::path orphan = scratch / "no" / "such";
    for (const auto& [dest, refused] : {std::pair{scratch.path(), scratch / "GAMES"}, {orphan, orphan}}) {
        sink.messages.clear();
        EXPECT_EQ(ExportFiles(disc, dest, kRoot, sink), Status::Refused);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(sink.messages[0].starts_with("Cannot Export : " + refused.string())) << sink.messages[0];
    }
    EXPECT_TRUE(fs::exists(scratch / "EMPTY.INF"));
#ifndef _WIN32 // links need privileges on Windows
    test::Scratch elsewhere;
    fs::create_directory(scratch / "dest");
    fs::create_directory_symlink(elsewhere.path(), scratch / "dest" / "GAMES");
    fs::create_symlink(elsewhere / "victim", scratch / "dest" / "EMPTY");
    EXPECT_EQ(ExportFiles(disc, scratch / "dest", kRoot, sink), Status::Refused);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
#endif
}

// Names that would leave the folder (their sidecars keep them), a directory entry back to
// the root (an empty folder), and entries past the image's end.
TEST(ExportDamaged, NamesAndBytesStayInsideTheFolder)
{
    Disc disc = NewDisc(16);
    for (const std::string name : {"..", ".", "", "A\x01Z", "\x7F"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, test::Bytes(Data(20, 5))), 0) << name;
    const SectorAddress sub = test::MakeDir(disc, kRoot, "SUB");
    for (const char* name : {"UP", "LONG", "FAR"})
        ASSERT_GE(test::AddFile(disc, sub, name, {1}), 0);
    const std::uint64_t up = EntryOffset(sub, FindEntry(disc, sub, "UP"));
    disc.Set(up + entry::kAttrD, disc.At(up + entry::kAttrD) | 0x80);
    test::SetStart(disc, sub, "UP", kRootSector);
    disc.Write32(EntryOffset(sub, FindEntry(disc, sub, "LONG")) + entry::kLength, 0xFFFFFFFF);
    test::SetStart(disc, sub, "FAR", 0xFFFFFF);
    test::Scratch dest;
    CollectingSink sink;
    ASSERT_EQ(ExportFiles(disc, dest.path(), kRoot, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    const Tree tree = HostTree(dest.path());
    for (const auto& [host, name] : {std::pair{kWindowsHost ? "___" : "_..", ".."},
                                     {kWindowsHost ? "__" : "_.", "."},
                                     {"_", "\x7F"},
                                     {"A_Z", "A\x01Z"}}) {
        EXPECT_EQ(tree.at(host), Data(20, 5));
        EXPECT_EQ(tree.at(host + std::string(".INF")).substr(0, 11), (name + std::string(10, ' ')).substr(0, 10) + " ");
    }
    EXPECT_EQ(tree.at("SUB/UP"), "/");
    EXPECT_FALSE(tree.contains("SUB/UP/SUB"));
    const std::uint32_t longStart = test::EntryNamed(disc, sub, "LONG").start.Value();
    EXPECT_EQ(tree.at("SUB/LONG").size(), disc.Size() - std::uint64_t{longStart} * kSectorSize);
    EXPECT_EQ(tree.at("SUB/FAR"), "");
}

// Names Windows refuses are written under other host names there; their sidecars bring
// the disc's names back in.
TEST(ExportThenImport, DiscNamesComeBackWhateverTheHostCalledThem)
{
    Disc disc = NewDisc(16);
    const SectorAddress prn = test::MakeDir(disc, kRoot, "prn");
    for (const std::string name : {"A:B", "AUX", "CON", "Q?*", "X<Y>|\"", "com1", "lpt9"})
        ASSERT_GE(test::AddFile(disc, name == "AUX" ? prn : kRoot, name, test::Bytes(name)), 0) << name;
    test::Scratch host;
    CollectingSink sink;
    ASSERT_EQ(ExportFiles(disc, host / "out", kRoot, sink), Status::Done);
    Disc back = NewDisc(16);
    ASSERT_EQ(ImportHostFolder(back, kRoot, host / "out", sink), Status::Done);
    EXPECT_EQ(sink.messages, Messages{});
    auto files = [](const Disc& d, SectorAddress dir) {
        std::vector<std::pair<std::string, std::string>> list;
        for (int i = 0; i < EntryCount(d, dir); ++i) {
            const DirEntry e = ReadEntry(d, dir, i);
            const auto at = d.Bytes().begin() + static_cast<std::ptrdiff_t>(e.start.ByteOffset());
            list.emplace_back(e.name, e.D ? "/" : std::string(at, at + e.length));
        }
        return list;
    };
    const SectorAddress out = test::EntryNamed(back, kRoot, "out").start;
    EXPECT_EQ(files(back, out), files(disc, kRoot));
    EXPECT_EQ(files(back, test::EntryNamed(back, out, "prn").start), files(disc, prn));
}

// A subdirectory dragged from the tree is one folder named by its node, without a
// sidecar; each drag takes the next free number, and its log lists what it handed out.
TEST_F(Export, Drags)
{
    const auto list = StageListDrag(disc, state, entries, sink);
    ASSERT_TRUE(list.Done());
    EXPECT_EQ(*list, Handed(state.tempBase / "temp_0"));
    std::string log;
    for (const auto& p : *list)
        log += p.string() + "\r\n";
    EXPECT_EQ(ReadHostFile(state.logPath), log);
    EXPECT_EQ(ReadHostFile(state.tempBase / "temp_0" / "A_B.INF"), "A/B        FFFF1900 FFFF8023 0000012C LWR \r\n");
    EXPECT_TRUE(kWindowsHost || (fs::status(state.tempBase).permissions() & fs::perms::all) == fs::perms::owner_all);
    const auto none = StageListDrag(disc, state, {}, sink);
    ASSERT_TRUE(none.Done());
    EXPECT_EQ(*none, Paths{});
    EXPECT_EQ(ReadHostFile(state.logPath), "");
    fs::create_directories(state.tempBase / "temp_2"); // left over: skipped
    const auto games = StageTreeDrag(disc, state, test::EntryNamed(disc, kRoot, "GAMES").start, "Games/1", sink);
    ASSERT_TRUE(games.Done());
    const fs::path folder = state.tempBase / "temp_3" / "Games_1";
    EXPECT_EQ(*games, Paths{folder});
    EXPECT_EQ(ReadHostFile(state.logPath), folder.string() + "\r\n");
    EXPECT_EQ(HostTree(state.tempBase / "temp_3"), (Tree{{"Games_1", "/"},
                                                         {"Games_1/ELITE", exported.at("GAMES/ELITE")},
                                                         {"Games_1/ELITE.INF", exported.at("GAMES/ELITE.INF")}}));
    const auto root = StageTreeDrag(disc, state, kRoot, "$", sink);
    ASSERT_TRUE(root.Done());
    EXPECT_EQ(*root, Handed(state.tempBase / "temp_4"));
    // After a list, a tree drag hands out its one folder only.
    const auto again = StageTreeDrag(disc, state, test::EntryNamed(disc, kRoot, "GAMES").start, "Games", sink);
    ASSERT_TRUE(again.Done());
    EXPECT_EQ(*again, Paths{state.tempBase / "temp_5" / "Games"});
    EXPECT_TRUE(sink.messages.empty());
    // A host refusal is reported and hands out nothing.
    fs::remove_all(scratch / "cache");
    WriteHostFile(scratch / "cache", "a file where the cache folder should be");
    EXPECT_TRUE(StageListDrag(disc, state, entries, sink).Refused());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Export : " + state.tempBase.string()));
}

// Cleaning removes links without following them; a hidden item keeps its folder.
TEST(DragState, TheCacheAndItsCleaning)
{
#ifdef _WIN32
    EXPECT_EQ(UserCacheLocation()->filename(), "Marlin Explorer");
#else
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"XDG_CACHE_HOME", "HOME"})
        saved.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
    ::setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
    EXPECT_EQ(UserCacheLocation(), fs::path("/somewhere/cache"));
    EXPECT_EQ(NewDragState().tempBase, fs::path("/somewhere/cache/marlin_temp"));
    EXPECT_EQ(NewDragState().logPath, fs::path("/somewhere/cache/drag.log"));
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(UserCacheLocation(), fs::path("/home/someone/.cache"));
    for (const auto& [name, value] : saved)
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
#endif

    test::Scratch scratch;
    const fs::path outside = scratch / "outside", root = scratch / "marlin_temp";
    fs::create_directories(outside);
    WriteHostFile(outside / "precious", "p");
    fs::create_directories(root / "temp_0" / "GAMES");
    WriteHostFile(root / "temp_0" / "GAMES" / "ELITE", "e");
#ifndef _WIN32 // links need privileges on Windows
    fs::create_directory_symlink(outside, root / "temp_0" / "link");
    fs::create_symlink(outside / "precious", root / "temp_0" / "filelink");
    fs::create_directory_symlink(outside, scratch / "toplink");
#endif
    fs::create_directories(root / "temp_1");
    WriteHostFile(root / "temp_1" / ".hidden", "h");
    DragState state;
    state.tempBase = root;
    state.TempCounter = 7;
    ClearDragFolder(state);
    DeleteHostTree(scratch / "toplink"); // a link given as the tree itself goes
    EXPECT_EQ(state.TempCounter, 0);
    EXPECT_EQ(HostTree(scratch.path()), (Tree{{"outside", "/"},
                                              {"outside/precious", "p"},
                                              {"marlin_temp", "/"},
                                              {"marlin_temp/temp_1", "/"},
                                              {"marlin_temp/temp_1/.hidden", "h"}}));
}

} // namespace
} // namespace marlin::host

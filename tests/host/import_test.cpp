#include "host/import.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "host/inf_file.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::host {
namespace {

using namespace marlin::image;
using test::Scratch;
using test::WriteHostFile;
namespace fs = std::filesystem;

class Import : public ::testing::Test {
protected:
    void TearDown() override
    {
        const auto problems = test::ConsistencyProblems(disc);
        EXPECT_TRUE(problems.empty()) << problems.front();
    }
    Status Import1(const fs::path& p, SectorAddress dir = kRoot) { return ImportHostFile(disc, dir, p, sink); }
    fs::path Host(const std::string& name, const std::string& bytes)
    {
        const fs::path p = scratch.path() / name;
        WriteHostFile(p, bytes);
        return p;
    }
    // The entry's data bytes, the whole of its sectors.
    std::string Sectors(const DirEntry& e, std::uint32_t n) const
    {
        const auto* first = disc.Image().data() + e.start.ByteOffset();
        return std::string(reinterpret_cast<const char*>(first), std::size_t{n} * kSectorSize);
    }

    Scratch scratch;
    Disc disc = NewDisc(16);
    CollectingSink sink;
};

TEST_F(Import, SizesTakeWholeZeroFilledSectors)
{
    struct Case {
        std::size_t size;
        std::uint32_t sectors;
    };
    std::uint32_t expectedStart = kFirstDataSector;
    for (const Case c : {Case{0, 1}, Case{256, 1}, Case{257, 2}}) {
        SCOPED_TRACE(c.size);
        // Leave stale bytes where the file will go: the tail must come back 0.
        std::fill_n(disc.WritableImage().begin() + expectedStart * kSectorSize, 2 * kSectorSize, std::uint8_t{0xEE});
        const std::string bytes(c.size, 'x');
        const std::string name = "F" + std::to_string(c.size);
        ASSERT_EQ(Import1(Host(name, bytes)), Status::Done);
        const DirEntry e = test::EntryNamed(disc, kRoot, name);
        EXPECT_EQ(e.length, c.size);
        EXPECT_EQ(e.start.Value(), expectedStart);
        EXPECT_TRUE(e.R && e.W && !e.L && !e.D);
        EXPECT_EQ(e.load, 0u);
        std::string want = bytes;
        want.resize(std::size_t{c.sectors} * kSectorSize, '\0');
        EXPECT_EQ(Sectors(e, c.sectors), want);
        expectedStart += c.sectors;
        EXPECT_EQ(disc.map.runs.front().Start, expectedStart);
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Import, FirstFitAndContiguousSpace)
{
    // Free runs of 2 and 10 sectors, in that order, and nothing else.
    ASSERT_EQ(test::AddFile(disc, kRoot, "HOLE", std::vector<std::uint8_t>(512, 1)), 7);
    ASSERT_EQ(test::AddFile(disc, kRoot, "KEEP", {1}), 9);
    ASSERT_GE(test::AddFile(disc, kRoot, "REST", std::vector<std::uint8_t>((4096 - 10 - 10) * 256, 1)), 0);
    RemoveEntry(disc, kRoot, FindEntry(disc, kRoot, "HOLE"));
    ASSERT_EQ(FreeRun(disc, 7, 2, sink), Status::Done);
    ASSERT_EQ(disc.map.runs, (std::vector<MapRun>{{7, 2}, {4086, 10}}));

    ASSERT_EQ(Import1(Host("a", std::string(300, 'a'))), Status::Done);
    EXPECT_EQ(test::EntryNamed(disc, kRoot, "a").start.Value(), 7u);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{4086, 10}}));

    // Larger than any one run, though two runs together would hold it.
    RemoveEntry(disc, kRoot, FindEntry(disc, kRoot, "KEEP"));
    ASSERT_EQ(FreeRun(disc, 9, 1, sink), Status::Done);
    const auto before = disc.Image();
    EXPECT_EQ(Import1(Host("big", std::string(11 * 256, 'b'))), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Not Enough Free Contiguous Space on Disc"});
    EXPECT_EQ(disc.Image(), before);
}

TEST_F(Import, FullDirectory)
{
    for (int i = 0; i < 47; ++i)
        ASSERT_GE(test::AddFile(disc, kRoot, "F" + std::to_string(100 + i), {1}), 0);
    const auto before = disc.Image();
    EXPECT_EQ(Import1(Host("NEW", "x")), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Directory Full"});
    EXPECT_EQ(disc.Image(), before);
    // A full disc and a full directory together give the space message.
    sink.messages.clear();
    EXPECT_EQ(Import1(Host("HUGE", std::string(5000 * 256, 'h'))), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Not Enough Free Contiguous Space on Disc"});
}

TEST_F(Import, DuplicatesAreRefusedAndTheBatchGoesOn)
{
    ASSERT_GE(test::AddFile(disc, kRoot, "GAME", {1}), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "README", {1}), 0);
    const auto before = disc.Image();
    EXPECT_EQ(Import1(Host("game", "x")), Status::Done);
    EXPECT_EQ(Import1(Host("readme.txt", "x")), Status::Done);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"File game Already Exists", "File readme Already Exists"}));
    EXPECT_EQ(disc.Image(), before);
}

TEST_F(Import, SidecarsGiveNameAddressesAndBits)
{
    struct Case {
        const char* host;
        std::string inf;
        const char* name;
        std::uint32_t load, exec, length;
        bool R, W, L;
    };
    const Case cases[] = {
        {"six", "$.GAME     FF1900 FF8023 000400 L\r\n", "GAME", 0xFFFF1900, 0xFFFF8023, 0x400, true, true, true},
        {"eight", "GAME2      FFFF1900 FFFF8023 00000400 LWR\r\n", "GAME2", 0xFFFF1900, 0xFFFF8023, 0x400, true, true,
         true},
        {"wr", "GAME3      ffff1900 ffff8023 00000400 WR\r\n", "GAME3", 0xFFFF1900, 0xFFFF8023, 0x400, true, true,
         false},
        {"none", "GAME4      00001900 00008023 00000010 \r\n", "GAME4", 0x1900, 0x8023, 0x10, false, false, false},
        // Exactly 37 characters: not a layout, the defaults hold.
        {"short", "GAME5      FFFF1900 FFFF8023 00000400\r\n", "short", 0, 0, 0x500, true, true, false},
        {"empty", "", "empty", 0, 0, 0x500, true, true, false},
        // A sidecar length beyond the host file would claim sectors it does not own.
        {"long", "GAME6      00000000 00000000 00010000 R\r\n", "GAME6", 0, 0, 0x500, true, false, false},
        {"dirline", "GAMES      DLR \r\n", "dirline", 0, 0, 0x500, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        const fs::path p = Host(c.host, std::string(0x500, 'd'));
        WriteHostFile(InfPath(p), c.inf);
        ASSERT_EQ(Import1(p), Status::Done);
        const int slot = FindEntry(disc, kRoot, c.name);
        ASSERT_GE(slot, 0);
        const DirEntry e = ReadEntry(disc, kRoot, slot);
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.load, c.load);
        EXPECT_EQ(e.exec, c.exec);
        EXPECT_EQ(e.length, c.length);
        EXPECT_EQ(std::make_tuple(e.R, e.W, e.L, e.D, e.E), std::make_tuple(c.R, c.W, c.L, false, false));
    }
    // The sidecar itself is never imported, a lower-case .inf is an ordinary file.
    EXPECT_EQ(Import1(InfPath(scratch.path() / "six")), Status::Done);
    EXPECT_EQ(FindEntry(disc, kRoot, "six"), -1);
    EXPECT_EQ(Import1(Host("notes.inf", "n")), Status::Done);
    EXPECT_GE(FindEntry(disc, kRoot, "notes"), 0);
    EXPECT_TRUE(sink.messages.empty());
}

// Reading after the entry was written left an entry over unwritten sectors.
TEST_F(Import, UnreadableHostFileChangesNothing)
{
    const fs::path fifo = scratch.path() / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto before = disc.Image();
    EXPECT_EQ(Import1(fifo), Status::Refused);
    EXPECT_EQ(Import1(scratch.path() / "missing"), Status::Refused);
    EXPECT_EQ(sink.messages,
              (std::vector<std::string>{"Cannot Read Host File : " + fifo.string(),
                                        "Cannot Read Host File : " + (scratch.path() / "missing").string()}));
    EXPECT_EQ(disc.Image(), before);
}

TEST_F(Import, SequenceNumbersRiseAndWrap)
{
    disc.Set(kRoot.ByteOffset() + dir::kSequence, 0x98);
    disc.Set(kRoot.ByteOffset() + dir::kSequenceCopy, 0x98);
    ASSERT_EQ(Import1(Host("A", "a")), Status::Done);
    ASSERT_EQ(Import1(Host("B", "b")), Status::Done);
    ASSERT_EQ(Import1(Host("a", "dup")), Status::Done); // refused: number unchanged
    EXPECT_EQ(test::EntryNamed(disc, kRoot, "A").sequence, 0x99);
    EXPECT_EQ(test::EntryNamed(disc, kRoot, "B").sequence, 0x00);
    EXPECT_EQ(disc.At(kRoot.ByteOffset() + dir::kSequence), 0x00);
}

TEST_F(Import, FolderWithSidecarsHiddenFilesAndSubfolders)
{
    const fs::path top = scratch.path() / "My Stuff.old";
    fs::create_directories(top / "sub" / "deeper");
    WriteHostFile(top / "GAME", "game");
    WriteHostFile(top / "GAME.INF", "GAME       00001900 00008023 00000004 LWR\r\n");
    WriteHostFile(top / ".hidden", "h");
    WriteHostFile(top / "sub.INF", "RENAMED    DLR\r\n");
    WriteHostFile(top / "sub" / "deeper" / "leaf", "leaf");
    WriteHostFile(top / "sub" / "z", "z");
    ASSERT_EQ(::mkfifo((top / "pipe").c_str(), 0600), 0);
    int ticks = 0;
    ASSERT_EQ(ImportHostFile(disc, kRoot, top, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_TRUE(sink.messages.empty());

    const int slot = FindEntry(disc, kRoot, "My Stuff.o");
    ASSERT_GE(slot, 0);
    const SectorAddress d(ReadEntry(disc, kRoot, slot).start);
    ASSERT_EQ(EntryCount(disc, d), 2);
    const DirEntry game = ReadEntry(disc, d, 0);
    EXPECT_EQ(game.name, "GAME");
    EXPECT_EQ(game.load, 0x1900u);
    EXPECT_TRUE(game.L);
    const DirEntry sub = ReadEntry(disc, d, 1);
    EXPECT_EQ(sub.name, "RENAMED");
    ASSERT_TRUE(sub.D);
    EXPECT_EQ(EntryCount(disc, sub.start), 2); // deeper, z
    EXPECT_EQ(GetDirectoryName(disc, sub.start), "RENAMED");
    EXPECT_GE(ticks, 5);

    // Again: the folder's directory exists and the whole drop stops there.
    sink.messages.clear();
    EXPECT_EQ(ImportHostFile(disc, kRoot, top, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Directory My Stuff.o Already Exists"});
}

TEST_F(Import, FolderItemFailureEndsTheFolderAndKeepsWhatWasDone)
{
    const fs::path top = scratch.path() / "F";
    fs::create_directories(top);
    WriteHostFile(top / "A", "a");
    WriteHostFile(top / "B", std::string(5000 * 256, 'b'));
    WriteHostFile(top / "C", "c");
    EXPECT_EQ(ImportHostFolder(disc, kRoot, top, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Not Enough Free Contiguous Space on Disc"});
    const SectorAddress d(test::EntryNamed(disc, kRoot, "F").start);
    EXPECT_EQ(EntryCount(disc, d), 1);
    EXPECT_EQ(GetEntryName(disc, d, 0), "A");
}

// A link from a folder back to itself nested the folder until the disc was full.
TEST_F(Import, FolderLinkedIntoItselfIsImportedOnce)
{
    const fs::path top = scratch.path() / "LOOP";
    fs::create_directories(top);
    WriteHostFile(top / "A", "a");
    fs::create_directory_symlink(top, top / "again");
    EXPECT_EQ(ImportHostFile(disc, kRoot, top.string() + "/", sink), Status::Done);
    const SectorAddress d(test::EntryNamed(disc, kRoot, "LOOP").start);
    EXPECT_EQ(EntryCount(disc, d), 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Import, DropGoesOnAfterADuplicateAndStopsAtTheFirstFailure)
{
    ASSERT_GE(test::AddFile(disc, kRoot, "B", {1}), 0);
    fs::create_directories(scratch.path() / "folder");
    const std::vector<fs::path> paths{Host("A", "a"), Host("b", "b"), scratch.path() / "folder",
                                      Host("BIG", std::string(5000 * 256, 'x')), Host("C", "c")};
    const DropResult r = DropHostFiles(disc, kRoot, paths, sink);
    EXPECT_EQ(r.status, Status::Refused);
    EXPECT_TRUE(r.sawFolder);
    EXPECT_EQ(sink.messages,
              (std::vector<std::string>{"File b Already Exists", "Not Enough Free Contiguous Space on Disc"}));
    EXPECT_GE(FindEntry(disc, kRoot, "A"), 0);
    EXPECT_GE(FindEntry(disc, kRoot, "folder"), 0);
    EXPECT_EQ(FindEntry(disc, kRoot, "C"), -1);

    const DropResult files = DropHostFiles(disc, kRoot, std::vector<fs::path>{Host("D", "d")}, sink);
    EXPECT_EQ(files.status, Status::Done);
    EXPECT_FALSE(files.sawFolder);
}

} // namespace
} // namespace marlin::host

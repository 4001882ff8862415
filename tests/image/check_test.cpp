#include <gtest/gtest.h>

#include <algorithm>

#include "image/check.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using test::AddFile;

// Writes a directory entry by hand, as another tool (or damage) might.
void WriteEntry(Disc& disc, SectorAddress dir, int slot, std::string_view name, std::uint32_t start,
                std::uint32_t length, bool isDirectory)
{
    const std::uint64_t e = EntryOffset(dir, slot);
    const std::string padded = PaddedName(name);
    for (std::size_t k = 0; k < padded.size(); ++k)
        disc.Set(e + k, static_cast<std::uint8_t>(padded[k]));
    if (isDirectory)
        disc.Set(e + entry::kAttrD, disc.At(e + entry::kAttrD) | 0x80);
    disc.Write32(e + entry::kLength, length);
    disc.Write24(e + entry::kStart, start);
}

// A signed, empty directory block at sector s whose parent is parent.
void WriteBlock(Disc& disc, std::uint32_t s, std::string_view name, std::uint32_t parent)
{
    const std::uint64_t d = SectorAddress(s).ByteOffset();
    std::fill_n(disc.WritableImage().begin() + static_cast<std::ptrdiff_t>(d), dir::kBlockSize, std::uint8_t{0});
    for (std::size_t k = 0; k < 4; ++k) {
        disc.Set(d + dir::kSignature + k, static_cast<std::uint8_t>(kSignature[k]));
        disc.Set(d + dir::kSignature2 + k, static_cast<std::uint8_t>(kSignature[k]));
    }
    const std::string padded = PaddedName(name);
    for (std::size_t k = 0; k < padded.size(); ++k)
        disc.Set(d + dir::kName + k, static_cast<std::uint8_t>(padded[k]));
    disc.Write24(d + dir::kParent, parent);
}

class SoundDisc : public ::testing::TestWithParam<DiscSize> {};

// Whatever the program itself writes must check clean, on every disc size.
TEST_P(SoundDisc, ProgramMadeDiscsHaveNoProblems)
{
    Disc disc = NewDisc(GetParam().units);
    EXPECT_EQ(Check(disc), std::vector<std::string>{});
    const SectorAddress games = test::MakeDir(disc, kRoot, "GAMES");
    ASSERT_GE(AddFile(disc, test::MakeDir(disc, games, "Arcade"), "ELITE", std::vector<std::uint8_t>(1000, 7)), 0);
    ASSERT_GE(AddFile(disc, kRoot, "EMPTY", {}), 0);
    ASSERT_GE(AddFile(disc, kRoot, "a", test::Bytes("text")), 0);
    ASSERT_GE(AddFile(disc, games, "Z_LAST", std::vector<std::uint8_t>(257, 1)), 0);
    EXPECT_EQ(Check(disc), std::vector<std::string>{});
    EXPECT_EQ(CheckReport(Check(disc)), "No problems found\r");
}

INSTANTIATE_TEST_SUITE_P(EverySize, SoundDisc, ::testing::ValuesIn(kDiscSizes));

// A full directory and a map with many runs are still sound.
TEST(Check, FullDirectoryAndManyRunsAreSound)
{
    Disc disc = NewDisc(16);
    for (int i = 0; i < dir::kSlots; ++i)
        ASSERT_GE(AddFile(disc, kRoot, "F" + std::to_string(100 + i), std::vector<std::uint8_t>(10, 1)), 0);
    // Freeing every other file leaves runs that must not merge.
    SilentSink sink;
    for (int i = 0; i < dir::kSlots; i += 2) {
        const DirEntry e = ReadEntry(disc, kRoot, FindEntry(disc, kRoot, "F" + std::to_string(100 + i)));
        ASSERT_EQ(FreeRun(disc, e.start.Value(), 1, sink), Status::Done);
        RemoveEntry(disc, kRoot, FindEntry(disc, kRoot, e.name));
    }
    EXPECT_GT(disc.map.Count(), 20);
    EXPECT_EQ(Check(disc), std::vector<std::string>{});
}

// Directories nested deeper than the cap are reported once and not read, so
// a chain of any length cannot exhaust the stack.
TEST(Check, DeepNestingIsCutOff)
{
    Disc disc = NewDisc(16);
    SectorAddress dir = kRoot;
    std::string path = "$";
    for (int level = 0; level < kMaxDirectoryDepth + 10; ++level) {
        dir = test::MakeDir(disc, dir, "D");
        if (level < kMaxDirectoryDepth)
            path += ".D";
    }
    const auto problems = Check(disc);
    ASSERT_FALSE(problems.empty());
    const std::string deepest = path + ".D (sectors ";
    EXPECT_EQ(problems[0].substr(0, deepest.size()), deepest);
    EXPECT_NE(problems[0].find("nested deeper than 256 directories, not read"), std::string::npos);
    // The unread directories' own blocks below the cut count as lost space.
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1].substr(0, 12), "Lost space: ");
}

// Each level lists the next directory 47 times: read naively that is 47^30
// visits; each block must be read once.
TEST(Check, SharedDirectoriesAreReadOnce)
{
    Disc disc = NewDisc(16);
    constexpr int kLevels = 30;
    std::uint32_t holder = kRootSector;
    for (int level = 0; level < kLevels; ++level) {
        const std::uint32_t child = kFirstDataSector + 5 * static_cast<std::uint32_t>(level);
        for (int slot = 0; slot < dir::kSlots; ++slot)
            WriteEntry(disc, SectorAddress(holder), slot, "S" + std::to_string(10 + slot), child, 1280, true);
        WriteBlock(disc, child, "S10", holder);
        holder = child;
    }
    disc.map.runs = {{kFirstDataSector + 5 * kLevels, 4096 - kFirstDataSector - 5 * kLevels}};
    WriteFreeSpaceMap(disc);
    const auto problems = Check(disc);
    // Per level, the 46 further references each overlap the first one.
    EXPECT_EQ(problems.size(), static_cast<std::size_t>(kLevels * (dir::kSlots - 1)));
    for (const auto& line : problems)
        EXPECT_NE(line.find(" overlaps "), std::string::npos) << line;
}

// A disc with more problems than the cap gives a bounded report.
TEST(Check, ReportIsCapped)
{
    Disc disc = NewDisc(64);
    // 46 directories of 46 directories, each holding 47 files over sector 0.
    std::uint32_t next = kFirstDataSector;
    for (int a = 0; a < 46; ++a) {
        const std::uint32_t outer = next;
        next += 5;
        WriteEntry(disc, kRoot, a, "A" + std::to_string(10 + a), outer, 1280, true);
        WriteBlock(disc, outer, "A" + std::to_string(10 + a), kRootSector);
        for (int b = 0; b < 46; ++b) {
            const std::uint32_t inner = next;
            next += 5;
            WriteEntry(disc, SectorAddress(outer), b, "B" + std::to_string(10 + b), inner, 1280, true);
            WriteBlock(disc, inner, "B" + std::to_string(10 + b), outer);
            for (int c = 0; c < dir::kSlots; ++c)
                WriteEntry(disc, SectorAddress(inner), c, "C" + std::to_string(10 + c), 0, 10, false);
        }
    }
    disc.map.runs = {{next, 64 * 256 - next}};
    WriteFreeSpaceMap(disc);
    const auto problems = Check(disc);
    ASSERT_EQ(problems.size(), kMaxCheckLines + 1);
    const std::size_t more = 46u * 46u * 47u - kMaxCheckLines;
    EXPECT_EQ(problems.back(), "Too many problems: " + std::to_string(more) + " more not shown");
}

// Damage that the file corpus cannot hold: an in-memory image whose size
// field disagrees with its bytes.
TEST(Check, SizeFieldDisagreeingWithTheImage)
{
    Disc disc = NewDisc(16);
    disc.WritableImage().resize(disc.Size() - 256);
    const auto problems = Check(disc);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "Free space map: disc size 001000 sectors differs from the image's 000FFF sectors");
    EXPECT_EQ(problems[1], "free run 0 (sectors 000007-000FFF) reaches past the disc's end (000FFF sectors)");
}

} // namespace
} // namespace marlin::image

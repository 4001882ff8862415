#include <gtest/gtest.h>

#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using test::AddFile;
using test::ConsistencyProblems;
using test::MakeDir;
using test::SetStart;

std::vector<std::uint8_t> Data(std::size_t n, std::uint8_t fill = 0x5A)
{
    return std::vector<std::uint8_t>(n, fill);
}

struct FreedCase {
    std::size_t length;
    bool isDir;
    std::uint32_t sectors;
};

class Freed : public ::testing::TestWithParam<FreedCase> {};

TEST_P(Freed, SectorsGoBackToTheMap)
{
    const auto& c = GetParam();
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "First", Data(256)); // keeps the freed run apart from the tail
    if (c.isDir)
        MakeDir(disc, kRoot, "Victim");
    else
        AddFile(disc, kRoot, "Victim", Data(c.length));
    AddFile(disc, kRoot, "Last", Data(1));
    const std::uint8_t seq = disc.At(512);
    CollectingSink sink;
    EXPECT_EQ(DeleteEntry(disc, kRoot, "victim", c.isDir, false, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(disc.map.Count(), 2);
    EXPECT_EQ(disc.map.runs[0], (MapRun{8, c.sectors}));
    EXPECT_EQ(FindEntry(disc, kRoot, "Victim"), -1);
    EXPECT_EQ(disc.At(512), test::NextBcd(seq));
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, Freed,
                         ::testing::Values(FreedCase{0, false, 1}, FreedCase{256, false, 1}, FreedCase{257, false, 2},
                                           FreedCase{1280, true, 5}));

struct EntryRefusalCase {
    const char* label;
    const char* name;
    bool isDir;
    const char* message; // nullptr: deleted
};

class EntryRefusals : public ::testing::TestWithParam<EntryRefusalCase> {};

// Both options off: the lock is tested before emptiness, and the lock message
// follows the caller's flag rather than the entry's D bit.
TEST_P(EntryRefusals, BothOptionsOff)
{
    const auto& c = GetParam();
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Locked", Data(10), 0, 0, "LR");
    MakeDir(disc, kRoot, "Empty");
    const auto full = MakeDir(disc, kRoot, "Full");
    AddFile(disc, full, "Inner", Data(10));
    const auto lockedFull = MakeDir(disc, kRoot, "LockedFull");
    AddFile(disc, lockedFull, "Inner", Data(10));
    ASSERT_EQ(SetAttributes(disc, kRoot, "LockedFull", true, true, true), Status::Done);
    const auto before = disc.Image();
    CollectingSink sink;
    const bool refused = DeleteEntry(disc, kRoot, c.name, c.isDir, false, sink) == Status::Refused;
    if (!c.message) {
        EXPECT_FALSE(refused);
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_EQ(FindEntry(disc, kRoot, c.name), -1);
        EXPECT_TRUE(ConsistencyProblems(disc).empty());
        return;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(disc.Image(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryRefusals,
    ::testing::Values(
        EntryRefusalCase{"LockedFile", "Locked", false, "Cannot Delete Locked File : Locked"},
        EntryRefusalCase{"LockedFileCalledDirectory", "Locked", true, "Cannot Delete Locked Directory : Locked"},
        EntryRefusalCase{"LockedBeforeNonEmpty", "lockedfull", true, "Cannot Delete Locked Directory : lockedfull"},
        EntryRefusalCase{"NonEmpty", "Full", true, "Cannot Delete Non Empty Directory : Full"},
        EntryRefusalCase{"EmptyDirectory", "Empty", true, nullptr},
        EntryRefusalCase{"NotFoundIsNoRefusal", "Nothing", false, nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

// $.A (B (C (f1, f2), g), h), $.Z: a three-level tree beside another entry.
struct Tree {
    Disc disc = NewDisc(16);
    SectorAddress a, b, c;
    Tree()
    {
        a = MakeDir(disc, kRoot, "A");
        b = MakeDir(disc, a, "B");
        c = MakeDir(disc, b, "C");
        AddFile(disc, c, "f1", Data(700));
        AddFile(disc, c, "f2", Data(20));
        AddFile(disc, b, "g", Data(3000));
        AddFile(disc, a, "h", Data(1));
        AddFile(disc, kRoot, "Z", Data(5));
    }
};

TEST(DeleteDirectory, BothOptionsOnRemovesTheWholeTreeDepthFirst)
{
    Tree t;
    CollectingSink sink;
    int ticks = 0;
    EXPECT_EQ(DeleteDirectory(t.disc, kRoot, t.a, "A", true, true, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(ticks, 7); // f1, f2, C, g, B, h, A
    EXPECT_EQ(EntryCount(t.disc, kRoot), 1);
    EXPECT_EQ(GetEntryName(t.disc, kRoot, 0), "Z");
    // Everything but Z's sector is free again: sector 7 up to Z, and the tail.
    const std::uint32_t z = ReadEntry(t.disc, kRoot, 0).start.Value();
    EXPECT_EQ(t.disc.map.runs, (std::vector<MapRun>{{7, z - 7}, {z + 1, 4096 - z - 1}}));
    EXPECT_TRUE(ConsistencyProblems(t.disc).empty());
}

TEST(DeleteDirectory, RecurseOffRefusesANonEmptyDirectoryAndChangesNothing)
{
    Tree t;
    const auto before = t.disc.Image();
    CollectingSink sink;
    EXPECT_EQ(DeleteDirectory(t.disc, kRoot, t.a, "A", true, false, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Cannot Delete Non Empty Directory : A"});
    EXPECT_EQ(t.disc.Image(), before);
}

TEST(DeleteDirectory, ALockedDirectoryIsEmptiedBeforeItsLockRefusesIt)
{
    Tree t;
    ASSERT_EQ(SetAttributes(t.disc, t.a, "B", true, true, true), Status::Done);
    CollectingSink sink;
    EXPECT_EQ(DeleteDirectory(t.disc, kRoot, t.a, "A", false, true, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Cannot Delete Locked Directory : B"});
    // B's contents are gone, B and everything after it in A stay.
    EXPECT_EQ(EntryCount(t.disc, t.b), 0);
    EXPECT_EQ(EntryCount(t.disc, t.a), 2);
    EXPECT_EQ(FindEntry(t.disc, t.a, "h"), 1);
    EXPECT_TRUE(ConsistencyProblems(t.disc).empty());
}

TEST(DeleteDirectory, ARefusalBelowStopsTheWalkAndKeepsWhatWasDeleted)
{
    Tree t;
    ASSERT_EQ(SetAttributes(t.disc, t.c, "f2", true, true, true), Status::Done);
    CollectingSink sink;
    EXPECT_EQ(DeleteDirectory(t.disc, kRoot, t.a, "A", false, true, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Cannot Delete Locked File : f2"});
    EXPECT_EQ(FindEntry(t.disc, t.c, "f1"), -1);
    EXPECT_EQ(FindEntry(t.disc, t.c, "f2"), 0);
    EXPECT_EQ(FindEntry(t.disc, t.b, "g"), 1);
    EXPECT_EQ(FindEntry(t.disc, kRoot, "A"), 0);
    EXPECT_TRUE(ConsistencyProblems(t.disc).empty());
}

TEST(DeleteDirectory, TheRootIsOnlyEverEmptied)
{
    Tree t;
    const auto before = t.disc.Image();
    CollectingSink sink;
    EXPECT_EQ(DeleteDirectory(t.disc, std::nullopt, kRoot, "$", true, false, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(t.disc.Image(), before);

    EXPECT_EQ(DeleteDirectory(t.disc, std::nullopt, kRoot, "$", true, true, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(EntryCount(t.disc, kRoot), 0);
    EXPECT_EQ(t.disc.map.runs, (std::vector<MapRun>{{7, 4096 - 7}}));
    EXPECT_TRUE(IsDirectory(t.disc, kRoot));
    EXPECT_TRUE(ConsistencyProblems(t.disc).empty());
}

// A map of 84 runs cannot take a run that touches none of them.
TEST(DeleteEntry, AFullMapRefusesBeforeAnythingChanges)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"A", "B", "C", "D"})
        AddFile(disc, kRoot, name, Data(1)); // sectors 7, 8, 9, 10
    std::vector<MapRun> runs;
    for (std::uint32_t i = 0; i < 84; ++i)
        runs.push_back({11 + 2 * i, 1});
    disc.map.runs = runs;
    WriteFreeSpaceMap(disc);
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_EQ(DeleteEntry(disc, kRoot, "A", false, false, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Free Space Map Full"});
    EXPECT_EQ(disc.Image(), before);
    // D's sector joins the run at 11, so the map still holds it.
    EXPECT_EQ(DeleteEntry(disc, kRoot, "D", false, false, sink), Status::Done);
    EXPECT_EQ(disc.map.Count(), 84);
    EXPECT_EQ(disc.map.runs.front(), (MapRun{10, 2}));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

// Regression: a directory that lists itself (or an ancestor) would be walked
// for ever; it is refused as non-empty instead.
TEST(DeleteDirectory, ALoopingTreeIsRefusedInsteadOfWalkedForEver)
{
    for (bool self : {true, false}) {
        SCOPED_TRACE(self ? "lists itself" : "lists its parent");
        Tree t;
        // Point C's entry in B at B itself, or at A.
        SetStart(t.disc, t.b, "C", self ? t.b.Value() : t.a.Value());
        CollectingSink sink;
        EXPECT_EQ(DeleteDirectory(t.disc, kRoot, t.a, "A", true, true, sink), Status::Refused);
        EXPECT_EQ(sink.messages, std::vector<std::string>{"Cannot Delete Non Empty Directory : C"});
        EXPECT_EQ(FindEntry(t.disc, kRoot, "A"), 0);
    }
}

// Regression: an entry reaching past the disc's end (or over free space or the
// map) must not put those sectors into the map.
TEST(DeleteEntry, ADamagedEntryGivesBackOnlySectorsThatCanBeFree)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Past", Data(10));
    AddFile(disc, kRoot, "Low", Data(10));
    AddFile(disc, kRoot, "Keep", Data(10));
    SetStart(disc, kRoot, "Past", 4090);
    disc.Write32(EntryOffset(kRoot, FindEntry(disc, kRoot, "Past")) + entry::kLength, 20 * 256);
    SetStart(disc, kRoot, "Low", 0);
    disc.Write32(EntryOffset(kRoot, FindEntry(disc, kRoot, "Low")) + entry::kLength, 8 * 256);
    SilentSink sink;
    ASSERT_EQ(DeleteEntry(disc, kRoot, "Past", false, false, sink), Status::Done);
    ASSERT_EQ(DeleteEntry(disc, kRoot, "Low", false, false, sink), Status::Done);
    // Past's sectors beyond the end were free already and are not added;
    // Low, said to start at sector 0, gives back only sector 7.
    EXPECT_EQ(disc.map.runs.front(), (MapRun{7, 1}));
    EXPECT_EQ(disc.map.runs.back().Start + disc.map.runs.back().Length, 4096u);
    EXPECT_EQ(FindEntry(disc, kRoot, "Keep"), 0);
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

} // namespace
} // namespace marlin::image

#include <gtest/gtest.h>

#include <functional>

#include "image/compaction.h"
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

std::vector<std::uint8_t> Pattern(std::size_t n, int seed)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(seed) * 31);
    return out;
}

std::vector<std::uint8_t> FileBytes(const Disc& disc, SectorAddress dir, std::string_view name)
{
    const int slot = FindEntry(disc, dir, name);
    EXPECT_GE(slot, 0) << name;
    if (slot < 0)
        return {};
    const DirEntry e = ReadEntry(disc, dir, slot);
    const auto at = e.start.ByteOffset();
    return {disc.Image().begin() + static_cast<std::ptrdiff_t>(at),
            disc.Image().begin() + static_cast<std::ptrdiff_t>(at + e.length)};
}

std::uint32_t StartOf(const Disc& disc, SectorAddress dir, std::string_view name)
{
    return test::EntryNamed(disc, dir, name).start.Value();
}

void Delete(Disc& disc, SectorAddress dir, std::string_view name)
{
    SilentSink sink;
    EXPECT_EQ(DeleteEntry(disc, dir, name, false, true, sink), Status::Done) << name;
}

void Compact(Disc& disc)
{
    CollectingSink sink;
    EXPECT_EQ(CompactDisc(disc, sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

TEST(CompactDisc, ADiscWithoutGapsChangesOnlyItsMap)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "A", Pattern(600, 1));
    const auto d = MakeDir(disc, kRoot, "D");
    AddFile(disc, d, "B", Pattern(0, 2));
    // Stale map entries behind the end pointer must stay as they were.
    disc.Write24(3, 0x123456);
    disc.Write24(259, 0x654321);
    WriteFreeSpaceMap(disc);
    const auto before = disc.Image();
    Compact(disc);
    EXPECT_TRUE(std::equal(before.begin() + 512, before.end(), disc.Image().begin() + 512));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7 + 3 + 5 + 1, 4096 - 16}}));
    EXPECT_EQ(disc.Read24(3), 0x123456u);
    EXPECT_EQ(disc.Read24(259), 0x654321u);
}

TEST(CompactDisc, FilesAfterAFreedOneMoveDownWithTheirBytes)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "One", Pattern(1000, 1)); // 4 sectors at 7
    AddFile(disc, kRoot, "Two", Pattern(513, 2));  // 3 sectors at 11
    AddFile(disc, kRoot, "Three", Pattern(0, 3));  // 1 sector at 14
    Delete(disc, kRoot, "One");
    const std::uint8_t seq = disc.At(512);
    const auto twoSeq = test::EntryNamed(disc, kRoot, "Two").sequence;
    int ticks = 0;
    SilentSink sink;
    ASSERT_EQ(CompactDisc(disc, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(StartOf(disc, kRoot, "Two"), 7u);
    EXPECT_EQ(StartOf(disc, kRoot, "Three"), 10u);
    EXPECT_EQ(FileBytes(disc, kRoot, "Two"), Pattern(513, 2));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{11, 4096 - 11}}));
    // Sequence numbers are left alone.
    EXPECT_EQ(disc.At(512), seq);
    EXPECT_EQ(test::EntryNamed(disc, kRoot, "Two").sequence, twoSeq);
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

// A subdirectory below its parent moves first: its entry is rewritten in the
// parent's block before that block moves, and its parent field follows.
TEST(CompactDisc, DirectoriesMoveWithTheirEntriesAndParentFields)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "X0", Pattern(1, 0));   // 7
    AddFile(disc, kRoot, "X", Pattern(1280, 0)); // 8..12
    const auto p = MakeDir(disc, kRoot, "P");    // 13..17
    AddFile(disc, p, "InP", Pattern(300, 4));    // 18..19
    Delete(disc, kRoot, "X");
    const auto s = MakeDir(disc, p, "S");      // 8..12, below its parent
    AddFile(disc, s, "InS", Pattern(2000, 5)); // 20..27
    const auto q = MakeDir(disc, s, "Q");      // 28..32
    Delete(disc, kRoot, "X0");
    ASSERT_LT(s.Value(), p.Value());

    Compact(disc);
    const SectorAddress newS(StartOf(disc, SectorAddress(StartOf(disc, kRoot, "P")), "S"));
    const SectorAddress newP(StartOf(disc, kRoot, "P"));
    EXPECT_EQ(newS.Value(), 7u);
    EXPECT_EQ(newP.Value(), 12u);
    EXPECT_EQ(disc.Read24(newS.ByteOffset() + 1238), newP.Value());
    EXPECT_EQ(disc.Read24(newP.ByteOffset() + 1238), 2u);
    const SectorAddress newQ(StartOf(disc, newS, "Q"));
    EXPECT_EQ(disc.Read24(newQ.ByteOffset() + 1238), newS.Value());
    EXPECT_EQ(FileBytes(disc, newP, "InP"), Pattern(300, 4));
    EXPECT_EQ(FileBytes(disc, newS, "InS"), Pattern(2000, 5));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7 + 5 + 5 + 2 + 8 + 5, 4096 - 32}}));
    (void)q;

    const auto once = disc.Image();
    Compact(disc);
    EXPECT_EQ(disc.Image(), once);
}

// The table grows past the 1001 records the original held.
TEST(CompactDisc, ManyObjectsAllKeepTheirBytes)
{
    Disc disc = NewDisc(16);
    std::vector<SectorAddress> dirs;
    for (int d = 0; d < 24; ++d) {
        dirs.push_back(MakeDir(disc, kRoot, "D" + std::to_string(d)));
        for (int f = 0; f < 46; ++f)
            ASSERT_GE(AddFile(disc, dirs.back(), "F" + std::to_string(f), Pattern(40, d * 46 + f)), 0);
    }
    // Two holes per directory keep the map within its 84 runs.
    const auto gone = [](int f) { return f == 0 || f == 1 || f == 20; };
    for (int d = 0; d < 24; ++d)
        for (int f = 0; f < 46; ++f)
            if (gone(f))
                Delete(disc, dirs[static_cast<std::size_t>(d)], "F" + std::to_string(f));
    Compact(disc);
    for (int d = 0; d < 24; ++d) {
        const SectorAddress dir(StartOf(disc, kRoot, "D" + std::to_string(d)));
        for (int f = 0; f < 46; ++f) {
            if (!gone(f)) {
                ASSERT_EQ(FileBytes(disc, dir, "F" + std::to_string(f)), Pattern(40, d * 46 + f)) << d << " " << f;
            }
        }
    }
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7 + 24 * (5 + 43), 4096 - 7 - 24 * 48}}));
}

// A disc with no free sector left gets an empty map, not a run of length 0
// that would hand a 0-byte file the sector after the disc's end.
TEST(CompactDisc, AFullDiscEndsWithAnEmptyMap)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(AddFile(disc, kRoot, "All", Pattern((4096 - 7) * 256, 1)), 0);
    Compact(disc);
    EXPECT_EQ(disc.map.Count(), 0);
    EXPECT_EQ(disc.At(510), 0);
    EXPECT_EQ(FindFreeRun(disc, 0), -1);
}

// Regression: an object whose entry cannot be found through its parent would
// be copied down while its entry still pointed at the old place.
TEST(CompactDisc, AnObjectWhoseEntryIsNotFoundStaysAndTheRestFollowIt)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "A", Pattern(1, 1));  // 7
    const auto d = MakeDir(disc, kRoot, "D");  // 8..12
    AddFile(disc, d, "Inner", Pattern(10, 2)); // 13
    AddFile(disc, kRoot, "B", Pattern(10, 3)); // 14
    Delete(disc, kRoot, "A");
    disc.Set(d.ByteOffset() + 1228, 'O'); // own name no longer matches the entry
    SilentSink sink;
    EXPECT_EQ(CompactDisc(disc, sink), Status::Done);
    EXPECT_EQ(ConsistencyProblems(disc).size(), 1u); // only that damage
    EXPECT_EQ(StartOf(disc, kRoot, "D"), 8u);
    EXPECT_EQ(StartOf(disc, d, "Inner"), 13u);
    EXPECT_EQ(StartOf(disc, kRoot, "B"), 14u);
    EXPECT_EQ(FileBytes(disc, d, "Inner"), Pattern(10, 2));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{15, 4096 - 15}}));
}

// Regression: an object is found through the first entry of its name (any
// case), as a lookup by name finds it; a directory by its own name, wherever
// that entry sits. An object found through another's entry stays.
TEST(CompactDisc, LookupsByNameFindTheFirstMatch)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "A", Pattern(1, 1));  // 7
    AddFile(disc, kRoot, "B", Pattern(10, 2)); // 8
    AddFile(disc, kRoot, "C", Pattern(10, 3)); // 9
    Delete(disc, kRoot, "A");
    disc.Set(EntryOffset(kRoot, FindEntry(disc, kRoot, "C")), 'b');
    CollectingSink sink;
    EXPECT_EQ(CompactDisc(disc, sink), Status::Done);
    EXPECT_EQ(ReadEntry(disc, kRoot, 0).start.Value(), 7u);
    EXPECT_EQ(ReadEntry(disc, kRoot, 1).start.Value(), 9u);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{10, 4096 - 10}}));

    Disc second = NewDisc(16);
    AddFile(second, kRoot, "A", Pattern(1, 1));  // 7
    AddFile(second, kRoot, "E", Pattern(10, 2)); // 8
    const auto d = MakeDir(second, kRoot, "D");  // 9..13, slot 0
    Delete(second, kRoot, "A");
    second.Set(d.ByteOffset() + 1228, 'E'); // its own name is the next entry's
    EXPECT_EQ(CompactDisc(second, sink), Status::Done);
    EXPECT_EQ(StartOf(second, kRoot, "E"), 7u);
    EXPECT_EQ(ReadEntry(second, kRoot, 0).start.Value(), 9u);
    EXPECT_EQ(second.map.runs, (std::vector<MapRun>{{14, 4096 - 14}}));
    EXPECT_TRUE(sink.messages.empty());
}

// A directory whose parent field names another place is not found through
// it, so it stays; its field follows whatever directory moves from the place
// it names, and joins the directories that move onto it.
TEST(CompactDisc, AWrongParentFieldKeepsItsDirectoryAndFollowsWhatItNames)
{
    for (const std::uint32_t named : {13u, 12u}) {
        SCOPED_TRACE(named);
        Disc disc = NewDisc(16);
        AddFile(disc, kRoot, "Gap", Pattern(1, 0)); // 7
        const auto d = MakeDir(disc, kRoot, "D");   // 8..12
        const auto f = MakeDir(disc, kRoot, "F");   // 13..17
        const auto e = MakeDir(disc, d, "E");       // 18..22
        AddFile(disc, kRoot, "Z", Pattern(10, 2));  // 23
        AddFile(disc, e, "In", Pattern(10, 3));     // 24
        Delete(disc, kRoot, "Gap");
        ASSERT_EQ(f.Value(), 13u);
        disc.Write24(e.ByteOffset() + dir::kParent, named); // F's old place, then its new one
        CollectingSink sink;
        EXPECT_EQ(CompactDisc(disc, sink), Status::Done);
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_EQ(StartOf(disc, kRoot, "D"), 7u);
        EXPECT_EQ(StartOf(disc, kRoot, "F"), 12u);
        EXPECT_EQ(StartOf(disc, SectorAddress(7), "E"), 18u);
        EXPECT_EQ(disc.Read24(e.ByteOffset() + dir::kParent), 12u);
        EXPECT_EQ(disc.Read24(SectorAddress(12).ByteOffset() + dir::kParent), kRootSector);
        EXPECT_EQ(StartOf(disc, kRoot, "Z"), 23u);
        EXPECT_EQ(FileBytes(disc, e, "In"), Pattern(10, 3));
        EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{25, 4096 - 25}}));
    }
}

struct RefusalCase {
    const char* label;
    std::function<void(Disc&, SectorAddress d, SectorAddress e)> damage;
    const char* message;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

// $.D holds file F and directory E; a gap at 7 makes everything want to move.
TEST_P(Refusals, RefusedBeforeAnythingMoves)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Gap", Pattern(1, 0));
    const auto d = MakeDir(disc, kRoot, "D");
    AddFile(disc, d, "F", Pattern(100, 1));
    const auto e = MakeDir(disc, d, "E");
    AddFile(disc, kRoot, "Z", Pattern(10, 2));
    Delete(disc, kRoot, "Gap");
    GetParam().damage(disc, d, e);
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_EQ(CompactDisc(disc, sink), Status::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(disc.Image(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, Refusals,
    ::testing::Values(
        RefusalCase{"Unsigned", [](Disc& disc, SectorAddress, SectorAddress e) { disc.Set(e.ByteOffset() + 1, 'h'); },
                    "Cannot Compact Disc : Directory Has No Signature : $.D.E"},
        RefusalCase{"ListsItself",
                    [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, d, "E", d.Value()); },
                    "Cannot Compact Disc : Directory Lists Itself Or An Ancestor : $.D.E"},
        RefusalCase{"ListsTheRoot", [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, d, "E", 2); },
                    "Cannot Compact Disc : Directory Lists Itself Or An Ancestor : $.D.E"},
        RefusalCase{
            "SharedSectors",
            [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, kRoot, "Z", StartOf(disc, d, "F")); },
            "Cannot Compact Disc : Sectors Used Twice : $.D.F and $.Z"},
        // The walk meets F over E while still in address order; Z then
        // breaks the order. The first pair in address order is named.
        RefusalCase{"SharedSectorsBeforeDisorder",
                    [](Disc& disc, SectorAddress d, SectorAddress) {
                        SetStart(disc, d, "F", 18);
                        SetStart(disc, kRoot, "Z", 7);
                    },
                    "Cannot Compact Disc : Sectors Used Twice : $.D.E and $.D.F"},
        RefusalCase{"OverTheRoot", [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, d, "F", 6); },
                    "Cannot Compact Disc : Sectors Used Twice : $ and $.D.F"},
        RefusalCase{"OverTheMap", [](Disc& disc, SectorAddress, SectorAddress) { SetStart(disc, kRoot, "Z", 1); },
                    "Cannot Compact Disc : Sectors Used Twice : Free Space Map and $.Z"},
        RefusalCase{"PastTheEnd", [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, d, "F", 4096); },
                    "Cannot Compact Disc : Object Past End Of Disc : $.D.F"},
        RefusalCase{"DirectoryPastTheEnd",
                    [](Disc& disc, SectorAddress d, SectorAddress) { SetStart(disc, d, "E", 4093); },
                    "Cannot Compact Disc : Object Past End Of Disc : $.D.E"}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace marlin::image

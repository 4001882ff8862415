// Deletion and compaction where the seeded model test does not reach.
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using namespace test;

// The lock is tested before emptiness, and its message follows the caller's
// flag rather than the entry's D bit.
TEST(DeleteEntry, BothOptionsOff)
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Locked", {1}, 0, 0, "LR");
    AddFile(disc, MakeDir(disc, kRoot, "Full"), "Inner", {1});
    AddFile(disc, MakeDir(disc, kRoot, "LockedFull"), "Inner", {1});
    ASSERT_EQ(SetAttributes(disc, kRoot, "LockedFull", true, true, true), Status::Done);
    const std::tuple<std::string, bool, std::string> refused[] = {
        {"Locked", false, "Cannot Delete Locked File : Locked"},
        {"Locked", true, "Cannot Delete Locked Directory : Locked"},
        {"lockedfull", true, "Cannot Delete Locked Directory : lockedfull"},
        {"Full", true, "Cannot Delete Non Empty Directory : Full"}};
    for (const auto& [name, isDir, said] : refused)
        ExpectRefused(disc, {said},
                      [&](Disc& d, MessageSink& s) { return DeleteEntry(d, kRoot, name, isDir, false, s); });
}

// Regression: a directory listing itself or an ancestor was walked for ever.
TEST(DeleteDirectory, ALoopingTreeIsRefusedInsteadOfWalkedForEver)
{
    for (bool self : {true, false}) {
        Disc disc = NewDisc(16);
        const SectorAddress a = MakeDir(disc, kRoot, "A"), b = MakeDir(disc, a, "B");
        MakeDir(disc, b, "C");
        SetStart(disc, b, "C", self ? b.Value() : a.Value());
        ExpectRefused(disc, {"Cannot Delete Non Empty Directory : C"},
                      [&](Disc& d, MessageSink& s) { return DeleteDirectory(d, kRoot, a, "A", true, true, s); });
    }
}

// A map of 84 runs cannot take a run that touches none of them.
TEST(DeleteEntry, AFullMapRefusesBeforeAnythingChanges)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"A", "B", "C", "D"})
        AddFile(disc, kRoot, name, {1}); // sectors 7, 8, 9, 10
    disc.map.runs.clear();
    for (std::uint32_t i = 0; i < 84; ++i)
        disc.map.runs.push_back({11 + 2 * i, 1});
    WriteFreeSpaceMap(disc);
    ExpectRefused(disc, {"Free Space Map Full"},
                  [](Disc& d, MessageSink& s) { return DeleteEntry(d, kRoot, "A", false, false, s); });
    SilentSink sink; // D's sector joins the run at 11, so the map still holds it
    EXPECT_EQ(DeleteEntry(disc, kRoot, "D", false, false, sink), Status::Done);
    EXPECT_EQ(std::pair(disc.map.Count(), disc.map.runs.front()), std::pair(84, MapRun{10, 2}));
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

// Regression: an entry reaching past the disc's end (whose sectors there are
// free already) or over the map put those sectors into the map.
TEST(DeleteEntry, ADamagedEntryGivesBackOnlySectorsThatCanBeFree)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"Past", "Low", "Keep"}) // 7, 8, 9
        AddFile(disc, kRoot, name, {1});
    SetStart(disc, kRoot, "Past", 4090);
    disc.Write32(EntryOffset(kRoot, 2) + entry::kLength, 20 * 256);
    SetStart(disc, kRoot, "Low", 0);
    disc.Write32(EntryOffset(kRoot, 1) + entry::kLength, 8 * 256);
    SilentSink sink;
    ASSERT_EQ(DeleteEntry(disc, kRoot, "Past", false, false, sink), Status::Done);
    ASSERT_EQ(DeleteEntry(disc, kRoot, "Low", false, false, sink), Status::Done);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7, 1}, {10, 4086}}));
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

std::uint32_t StartOf(const Disc& disc, SectorAddress dir, std::string_view name)
{
    return EntryNamed(disc, dir, name).start.Value();
}

// A disc whose sector 7 is neither free nor used: everything wants to move.
Disc GapDisc()
{
    Disc disc = NewDisc(16);
    disc.map.runs = {{8, 4088}};
    WriteFreeSpaceMap(disc);
    return disc;
}

// Compacts, which must be done saying nothing; returns the progress ticks.
int Compact(Disc& disc)
{
    CollectingSink sink;
    int ticks = 0;
    EXPECT_EQ(CompactDisc(disc, sink, [&] { ++ticks; }), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    return ticks;
}

// More objects than the 1001 the original's table held, all moving down one
// sector side by side.
TEST(CompactDisc, ManyObjectsAllKeepTheirBytes)
{
    Disc disc = GapDisc();
    for (int d = 0; d < 23; ++d) {
        const SectorAddress dir = MakeDir(disc, kRoot, "D" + std::to_string(d));
        for (int f = 0; f < 46; ++f)
            AddFile(disc, dir, "F" + std::to_string(f), {static_cast<std::uint8_t>(d * 46 + f)});
    }
    EXPECT_EQ(Compact(disc), 23 * 47);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7 + 23 * 51, 4096 - 7 - 23 * 51}}));
    for (int d = 0; d < 23; ++d) {
        const SectorAddress dir(StartOf(disc, kRoot, "D" + std::to_string(d)));
        for (int f = 0; f < 46; ++f)
            EXPECT_EQ(disc.At(StartOf(disc, dir, "F" + std::to_string(f)) * 256), (d * 46 + f) % 256) << d << " " << f;
    }
}

// Regression: an object not found through its parent's entry was copied down
// while its entry still pointed at the old place.
TEST(CompactDisc, AnObjectWhoseEntryIsNotFoundStaysAndTheRestFollowIt)
{
    Disc disc = GapDisc();
    const auto d = MakeDir(disc, kRoot, "D");   // 8..12
    AddFile(disc, d, "Inner", Bytes("i"));      // 13
    AddFile(disc, kRoot, "B", {1});             // 14
    disc.Set(d.ByteOffset() + dir::kName, 'O'); // own name no longer matches the entry
    EXPECT_EQ(Compact(disc), 0);
    EXPECT_EQ(ConsistencyProblems(disc).size(), 1u); // only that damage
    EXPECT_EQ(std::tuple(StartOf(disc, kRoot, "D"), StartOf(disc, d, "Inner"), StartOf(disc, kRoot, "B")),
              std::tuple(8u, 13u, 14u));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{15, 4096 - 15}}));
}

// Regression: an object is found through the first entry of its name (any
// case), a directory by its own name; found through another's entry, it stays.
TEST(CompactDisc, LookupsByNameFindTheFirstMatch)
{
    Disc disc = GapDisc();
    AddFile(disc, kRoot, "B", {1}); // 8
    AddFile(disc, kRoot, "C", {2}); // 9
    disc.Set(EntryOffset(kRoot, 1), 'b');
    EXPECT_EQ(Compact(disc), 1);
    EXPECT_EQ(std::pair(ReadEntry(disc, kRoot, 0).start.Value(), ReadEntry(disc, kRoot, 1).start.Value()),
              std::pair(7u, 9u));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{10, 4096 - 10}}));

    disc = GapDisc();
    AddFile(disc, kRoot, "E", {1});             // 8
    const auto d = MakeDir(disc, kRoot, "D");   // 9..13, slot 0
    disc.Set(d.ByteOffset() + dir::kName, 'E'); // its own name is the next entry's
    EXPECT_EQ(Compact(disc), 1);
    EXPECT_EQ(std::pair(StartOf(disc, kRoot, "E"), ReadEntry(disc, kRoot, 0).start.Value()), std::pair(7u, 9u));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{14, 4096 - 14}}));
}

// A directory whose parent field names another place stays; the field follows
// whatever directory moves from, or onto, the place it names.
TEST(CompactDisc, AWrongParentFieldKeepsItsDirectoryAndFollowsWhatItNames)
{
    for (const std::uint32_t named : {13u, 12u}) { // F's old place, then its new one
        Disc disc = GapDisc();
        const auto d = MakeDir(disc, kRoot, "D"); // 8..12
        MakeDir(disc, kRoot, "F");                // 13..17
        const auto e = MakeDir(disc, d, "E");     // 18..22
        AddFile(disc, kRoot, "Z", {1});           // 23
        AddFile(disc, e, "In", Bytes("inside"));  // 24
        disc.Write24(e.ByteOffset() + dir::kParent, named);
        EXPECT_EQ(Compact(disc), 2) << named; // D and F
        EXPECT_EQ(std::tuple(StartOf(disc, kRoot, "D"), StartOf(disc, kRoot, "F"), StartOf(disc, SectorAddress(7), "E"),
                             StartOf(disc, kRoot, "Z"), StartOf(disc, e, "In")),
                  std::tuple(7u, 12u, 18u, 23u, 24u))
            << named;
        EXPECT_EQ(std::pair(disc.Read24(e.ByteOffset() + dir::kParent), disc.Read24(12 * 256 + dir::kParent)),
                  std::pair(12u, kRootSector))
            << named;
        EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{25, 4096 - 25}})) << named;
    }
}

// $.D (8) holds F (13) and E (14), then $.Z (19). Of several overlaps, the
// first in address order is named.
TEST(CompactDisc, RefusedBeforeAnythingMoves)
{
    const std::pair<std::vector<std::pair<std::string, std::uint32_t>>, std::string> cases[] = {
        {{}, "Directory Has No Signature : $.D.E"},
        {{{"E", 8}}, "Directory Lists Itself Or An Ancestor : $.D.E"},
        {{{"E", 2}}, "Directory Lists Itself Or An Ancestor : $.D.E"},
        {{{"Z", 13}}, "Sectors Used Twice : $.D.F and $.Z"},
        {{{"F", 18}, {"Z", 7}}, "Sectors Used Twice : $.D.E and $.D.F"},
        {{{"F", 6}}, "Sectors Used Twice : $ and $.D.F"},
        {{{"Z", 1}}, "Sectors Used Twice : Free Space Map and $.Z"},
        {{{"F", 4096}}, "Object Past End Of Disc : $.D.F"},
        {{{"E", 4093}}, "Object Past End Of Disc : $.D.E"}};
    for (const auto& [starts, said] : cases) {
        Disc disc = GapDisc();
        const auto d = MakeDir(disc, kRoot, "D");
        AddFile(disc, d, "F", std::vector<std::uint8_t>(100, 1));
        const auto e = MakeDir(disc, d, "E");
        AddFile(disc, kRoot, "Z", {2});
        if (starts.empty())
            disc.Set(e.ByteOffset() + 1, 'h');
        for (const auto& [name, start] : starts)
            SetStart(disc, name == "Z" ? kRoot : d, name, start);
        ExpectRefused(disc, {"Cannot Compact Disc : " + said},
                      [](Disc& d, MessageSink& s) { return CompactDisc(d, s); });
    }
}

} // namespace
} // namespace marlin::image

#include <gtest/gtest.h>

#include "image/directory.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

struct BlankDiscCase {
    int units;
    std::uint8_t size0, size1, size2, checksum0, checksum1;
};

class BlankDisc : public ::testing::TestWithParam<BlankDiscCase> {};

TEST_P(BlankDisc, MapAndRootBytes)
{
    const auto& c = GetParam();
    const Disc disc = NewDisc(c.units);
    const std::uint32_t sectors = static_cast<std::uint32_t>(c.units) * 256;
    ASSERT_EQ(disc.Size(), std::size_t{sectors} * 256);
    EXPECT_EQ(disc.At(0), 7);
    EXPECT_EQ(disc.At(252), c.size0);
    EXPECT_EQ(disc.At(253), c.size1);
    EXPECT_EQ(disc.At(254), c.size2);
    EXPECT_EQ(disc.Read24(256), sectors - 7);
    EXPECT_EQ(disc.At(510), 3);
    if (c.checksum0 != 0) {
        EXPECT_EQ(disc.At(255), c.checksum0);
        EXPECT_EQ(disc.At(511), c.checksum1);
    }
    EXPECT_EQ(disc.At(255), MapChecksum(disc, 0));
    EXPECT_EQ(disc.At(511), MapChecksum(disc, 256));
    ASSERT_EQ(disc.map.Count(), 1);
    EXPECT_EQ(disc.map.runs[0], (MapRun{7, sectors - 7}));
    EXPECT_EQ(GetDirectoryName(disc, kRoot), "$");
    EXPECT_EQ(GetDirectoryTitle(disc, kRoot), "$");
    EXPECT_EQ(disc.At(512), 1);
    EXPECT_EQ(disc.At(1786), 1);
    EXPECT_TRUE(IsDirectory(disc, kRoot));
    EXPECT_EQ(EntryCount(disc, kRoot), 0);
    EXPECT_TRUE(test::ConsistencyProblems(disc).empty());
}

INSTANTIATE_TEST_SUITE_P(
    EverySize, BlankDisc,
    ::testing::Values(BlankDiscCase{16, 0x00, 0x10, 0x00, 0x17, 0x0B}, BlankDiscCase{32, 0x00, 0x20, 0x00, 0, 0},
                      BlankDiscCase{64, 0x00, 0x40, 0x00, 0, 0}, BlankDiscCase{128, 0x00, 0x80, 0x00, 0, 0},
                      BlankDiscCase{256, 0x00, 0x00, 0x01, 0, 0}, BlankDiscCase{512, 0x00, 0x00, 0x02, 0, 0},
                      BlankDiscCase{1024, 0x00, 0x00, 0x04, 0x0B, 0xFF}),
    [](const auto& info) { return std::to_string(info.param.units / 16) + "MB"; });

// A disc whose map holds the given runs, for allocator cases.
Disc DiscWithRuns(std::vector<MapRun> runs)
{
    Disc disc = NewDisc(16);
    disc.map.runs = std::move(runs);
    WriteFreeSpaceMap(disc);
    return disc;
}

TEST(FreeSpaceMap, FirstFitTakesTheLowestRunThatIsLargeEnough)
{
    EXPECT_EQ(FindFreeRun(DiscWithRuns({{10, 4}, {20, 5}, {30, 6}}), 1280), 1);
    EXPECT_EQ(FindFreeRun(DiscWithRuns({{10, 6}, {20, 5}}), 1280), 0);
    EXPECT_EQ(FindFreeRun(DiscWithRuns({{10, 4}}), 1280), -1);
    EXPECT_EQ(FindFreeRun(DiscWithRuns({{10, 1}}), 0), 0);
    EXPECT_EQ(SectorCount(0), 1u);
    EXPECT_EQ(SectorCount(256), 1u);
    EXPECT_EQ(SectorCount(257), 2u);
    EXPECT_EQ(SectorCount(1280), 5u);
}

TEST(FreeSpaceMap, ClaimShrinksOrRemovesTheRun)
{
    Disc disc = DiscWithRuns({{10, 4}, {20, 5}, {30, 6}});
    EXPECT_EQ(ClaimRun(disc, 2, 2), 30u);
    EXPECT_EQ(disc.map.runs[2], (MapRun{32, 4}));
    EXPECT_EQ(ClaimRun(disc, 1, 5), 20u);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{10, 4}, {32, 4}}));
    EXPECT_EQ(disc.At(510), 6);
    EXPECT_EQ(disc.At(255), MapChecksum(disc, 0));
    EXPECT_EQ(disc.At(511), MapChecksum(disc, 256));
}

TEST(FreeSpaceMap, FreeInsertsInOrderAndMerges)
{
    Disc disc = DiscWithRuns({{10, 4}, {20, 5}});
    SilentSink sink;
    EXPECT_EQ(FreeRun(disc, 14, 6, sink), Status::Done); // touches both neighbours
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{10, 15}}));
    EXPECT_EQ(FreeRun(disc, 7, 1, sink), Status::Done); // below the lowest run
    EXPECT_EQ(disc.map.runs.front(), (MapRun{7, 1}));
    EXPECT_EQ(FreeRun(disc, 100, 2, sink), Status::Done); // above every run
    EXPECT_EQ(disc.map.runs.back(), (MapRun{100, 2}));
    ReadFreeSpaceMap(disc);
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7, 1}, {10, 15}, {100, 2}}));
}

TEST(FreeSpaceMap, AFullMapRefusesARunItCannotHoldAndChangesNothing)
{
    std::vector<MapRun> runs;
    for (std::uint32_t i = 0; i < 84; ++i)
        runs.push_back({10 + 3 * i, 1});
    Disc disc = DiscWithRuns(runs);
    const auto before = disc.Image();
    CollectingSink refusal;
    ASSERT_EQ(FreeRun(disc, 1000, 1, refusal), Status::Refused);
    EXPECT_EQ(refusal.messages, std::vector<std::string>{"Free Space Map Full"});
    EXPECT_EQ(disc.Image(), before);
    EXPECT_EQ(disc.map.Count(), 84);
    EXPECT_EQ(FreeRun(disc, 11, 2, refusal), Status::Done); // merging with both neighbours still fits
    EXPECT_EQ(disc.map.Count(), 83);
}

// The end pointer rounds to the nearest count; one announcing more runs than
// the map holds reads as 84.
TEST(FreeSpaceMap, EndPointerRoundsToTheNearestCount)
{
    struct Case {
        std::uint8_t pointer;
        int count;
    };
    for (const Case& c :
         {Case{0, 0}, Case{3, 1}, Case{4, 1}, Case{5, 2}, Case{252, 84}, Case{253, 84}, Case{255, 84}}) {
        SCOPED_TRACE(int{c.pointer});
        Disc disc = NewDisc(16);
        disc.Set(map::kEndPointer, c.pointer);
        ReadFreeSpaceMap(disc);
        EXPECT_EQ(disc.map.Count(), c.count);
    }
}

} // namespace
} // namespace marlin::image

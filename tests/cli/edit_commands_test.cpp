// The editing commands: stderr, exit status and the image file they leave.
#include <algorithm>

#include "cli_fixture.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

namespace fs = std::filesystem;
using test::AddFile;
using test::Bytes;
using test::ReadHostFile;
using test::Result;

class EditCommands : public test::CliTest {
protected:
    std::string image = Path("d.dat");
};

TEST_F(EditCommands, MkdirOnANewDiscGivesTheWorkedExample)
{
    ASSERT_EQ(Run({"new", image, "--size", "1M"}).status, 0);
    const Result r = Run({"mkdir", image, "$", "NewFolder"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Disc expected = NewDisc(16);
    SilentSink sink;
    ASSERT_EQ(*CreateDirectory(expected, kRoot, "NewFolder", sink), SectorAddress(7));
    EXPECT_EQ(Load(image).Image(), expected.Image());
    EXPECT_EQ(Load(image).At(7 * 256 + 1238), 2);
}

// $: Locked (LR), LockedDir (locked, holds Inner), Full (holds Inner),
// File; $.Crowded holds 47 entries.
Disc RefusalFixture()
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    AddFile(disc, kRoot, "Locked", Bytes("l"), 0, 0, "LR");
    AddFile(disc, kRoot, "File", Bytes("f"));
    const auto lockedDir = CreateDirectory(disc, kRoot, "LockedDir", sink);
    AddFile(disc, *lockedDir, "Inner", Bytes("i"));
    (void)SetAttributes(disc, kRoot, "LockedDir", true, true, true);
    const auto full = CreateDirectory(disc, kRoot, "Full", sink);
    AddFile(disc, *full, "Inner", Bytes("i"));
    const auto crowded = CreateDirectory(disc, kRoot, "Crowded", sink);
    for (int i = 0; i < 47; ++i)
        AddFile(disc, *crowded, "C" + std::to_string(i), Bytes("c"));
    return disc;
}

TEST_F(EditCommands, RefusalsReachStderrWithExitOneAndLeaveTheFileAlone)
{
    Save(RefusalFixture());
    const std::string before = ReadHostFile(image);
    struct Case {
        std::vector<std::string> args; // the image path goes second
        std::string message;
    };
    const Case cases[] = {
        {{"mkdir", "$.Crowded", "New"}, "Directory Full"},
        {{"mkdir", "$", "file"}, "Directory file Already Exists"},
        {{"mkdir", "$", "a.b"}, "File a.b Contains Illegal Characters"},
        {{"rename", "$.Locked", "Other", "--keep-locked"}, "Cannot Rename Locked File : Locked"},
        {{"rename", "LockedDir", "Other", "--keep-locked"}, "Cannot Rename Locked Directory : LockedDir"},
        {{"rename", "$.File", "FULL"}, "FULL Already Exists"},
        {{"rename", "$.File", "a b"}, "File a b Contains Illegal Characters"},
        {{"title", "$", "v1.0"}, "Title v1.0 Contains Illegal Characters"},
        {{"delete", "$.Locked", "--keep-locked"}, "Cannot Delete Locked File : Locked"},
        {{"delete", "$.LockedDir", "--keep-locked", "--keep-nonempty"}, "Cannot Delete Locked Directory : LockedDir"},
        {{"delete", "$.Full", "--keep-nonempty"}, "Cannot Delete Non Empty Directory : Full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, image);
        const Result r = Run(args);
        EXPECT_EQ(r.err, c.message + "\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(ReadHostFile(image), before);
    }
}

TEST_F(EditCommands, MkdirOnAFullDiscAndDeleteIntoAFullMapAreRefused)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"A", "B"})
        AddFile(disc, kRoot, name, Bytes("x"));
    std::vector<MapRun> runs;
    for (std::uint32_t i = 0; i < 84; ++i)
        runs.push_back({10 + 2 * i, 1});
    disc.map.runs = runs;
    WriteFreeSpaceMap(disc);
    Save(disc);
    const std::string before = ReadHostFile(image);
    Result r = Run({"mkdir", image, "$", "New"});
    EXPECT_EQ(r.err, "Not Enough Free Contiguous Space on Disc\n");
    EXPECT_EQ(r.status, 1);
    r = Run({"delete", image, "A"});
    EXPECT_EQ(r.err, "Free Space Map Full\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadHostFile(image), before);
}

// Items before the refused one stay deleted (and are saved); later ones stay.
TEST_F(EditCommands, DeleteStopsAtTheFirstRefusalAndSavesWhatWentBefore)
{
    Save(RefusalFixture());
    const Result r = Run({"delete", image, "$.File", "$.Locked", "$.Full", "--keep-locked"});
    EXPECT_EQ(r.err, "Cannot Delete Locked File : Locked\n");
    EXPECT_EQ(r.status, 1);
    const Disc after = Load(image);
    EXPECT_EQ(FindEntry(after, kRoot, "File"), -1);
    EXPECT_GE(FindEntry(after, kRoot, "Locked"), 0);
    EXPECT_GE(FindEntry(after, kRoot, "Full"), 0);
    EXPECT_TRUE(test::ConsistencyProblems(after).empty());
}

TEST_F(EditCommands, DeleteOfTheRootEmptiesIt)
{
    Save(RefusalFixture());
    const Result r = Run({"delete", image, "$"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Disc after = Load(image);
    EXPECT_EQ(EntryCount(after, kRoot), 0);
    EXPECT_EQ(after.map.runs, (std::vector<MapRun>{{7, 4096 - 7}}));
}

TEST_F(EditCommands, RenameAttribTitleAndBootChangeTheImage)
{
    Save(RefusalFixture());
    EXPECT_EQ(Run({"rename", image, "$.Full.Inner", "Outer"}).status, 0);
    EXPECT_EQ(Run({"attrib", image, "$.File", "Locked", "wl"}).status, 0);
    EXPECT_EQ(Run({"title", image, "$.Full", "My Title"}).status, 0);
    EXPECT_EQ(Run({"boot", image, "exec"}).status, 0);
    const Disc after = Load(image);
    const SectorAddress full(test::EntryNamed(after, kRoot, "Full").start);
    EXPECT_EQ(GetEntryName(after, full, 0), "Outer");
    EXPECT_EQ(AttributeString(after, EntryOffset(kRoot, FindEntry(after, kRoot, "File"))), "LW");
    EXPECT_EQ(AttributeString(after, EntryOffset(kRoot, FindEntry(after, kRoot, "Locked"))), "LW");
    EXPECT_EQ(GetDirectoryTitle(after, full), "My Title");
    EXPECT_EQ(after.At(509), 3);
    EXPECT_TRUE(test::ConsistencyProblems(after).empty());
}

TEST_F(EditCommands, UsageErrorsExitTwo)
{
    Save(RefusalFixture());
    const std::string before = ReadHostFile(image);
    Result r = Run({"delete", image, "$.Nothing"});
    EXPECT_EQ(r.err, "File Not Found : $.Nothing\n");
    EXPECT_EQ(r.status, 2);
    r = Run({"attrib", image, "$.File", "RX"});
    EXPECT_EQ(r.status, 2);
    r = Run({"boot", image, "sometimes"});
    EXPECT_EQ(r.status, 2);
    r = Run({"mkdir", Path("none.dat"), "$", "X"});
    EXPECT_EQ(r.err, "File Not Found : " + Path("none.dat") + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadHostFile(image), before);
}

TEST_F(EditCommands, OutputGoesElsewhereAndNothingIsWrittenWithoutAChange)
{
    Save(RefusalFixture());
    ASSERT_EQ(Run({"delete", image, "$.File"}).status, 0); // a hole at sector 8
    const std::string before = ReadHostFile(image);
    const std::string other = Path("other.dat");
    EXPECT_EQ(Run({"rename", image, "$.Locked", "a.b", "--output", other}).status, 1);
    EXPECT_FALSE(fs::exists(other));
    EXPECT_EQ(Run({"compact", image, "--output", other}).status, 0);
    ASSERT_TRUE(fs::exists(other));
    EXPECT_EQ(ReadHostFile(image), before);
    EXPECT_EQ(Load(other).map.Count(), 1);
    // A compacted disc compacts to itself: nothing to write.
    const std::string third = Path("third.dat");
    EXPECT_EQ(Run({"compact", other, "--output", third}).status, 0);
    EXPECT_FALSE(fs::exists(third));
}

TEST_F(EditCommands, CompactLeavesOneRunAfterTheLastObjectAndEveryFileIntact)
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    const SectorAddress sub = *CreateDirectory(disc, kRoot, "Sub", sink);
    std::vector<std::uint8_t> data[12];
    for (int i = 0; i < 12; ++i) {
        for (std::size_t k = 0; k < static_cast<std::size_t>(i * 97 + 3); ++k)
            data[i].push_back(static_cast<std::uint8_t>(k * 13 + static_cast<std::size_t>(i)));
        AddFile(disc, i % 2 ? sub : kRoot, "F" + std::to_string(i), data[i]);
    }
    for (const int gone : {0, 4, 8, 5})
        ASSERT_EQ(DeleteEntry(disc, gone % 2 ? sub : kRoot, "F" + std::to_string(gone), false, true, sink),
                  Status::Done);
    Save(disc);
    const Result r = Run({"compact", image});
    EXPECT_EQ(r.status, 0) << r.err;
    const Disc after = Load(image);
    const SectorAddress newSub(test::EntryNamed(after, kRoot, "Sub").start);
    std::uint32_t used = 7 + 5;
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const int slot = FindEntry(after, i % 2 ? newSub : kRoot, "F" + std::to_string(i));
        ASSERT_EQ(slot >= 0, i != 0 && i != 4 && i != 8 && i != 5);
        if (slot < 0)
            continue;
        const DirEntry e = ReadEntry(after, i % 2 ? newSub : kRoot, slot);
        const auto at = after.Image().begin() + static_cast<std::ptrdiff_t>(e.start.ByteOffset());
        EXPECT_TRUE(std::equal(data[i].begin(), data[i].end(), at));
        used += SectorCount(e.length);
    }
    EXPECT_EQ(after.map.runs, (std::vector<MapRun>{{used, 4096 - used}}));
    EXPECT_TRUE(test::ConsistencyProblems(after).empty());
}

} // namespace
} // namespace marlin::image

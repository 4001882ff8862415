// Runs the built `marlin` on images made in code and checks its stderr, exit
// status and the image file it leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "image/compaction.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

namespace fs = std::filesystem;
using test::AddFile;
using test::Bytes;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Quote(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class EditCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("marlin-edit-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        image = (m_dir / "d.dat").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Result Run(const std::vector<std::string>& args)
    {
        std::string cmd = Quote(MARLIN_BINARY);
        for (const auto& a : args)
            cmd += " " + Quote(a);
        cmd += " >" + Quote((m_dir / "out").string()) + " 2>" + Quote((m_dir / "err").string());
        const int raw = std::system(cmd.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadAll(m_dir / "out");
        r.err = ReadAll(m_dir / "err");
        return r;
    }

    void Save(const Disc& disc)
    {
        SilentSink sink;
        ASSERT_TRUE(SaveImage(disc, image, sink));
    }
    Disc Load(const std::string& path)
    {
        CollectingSink sink;
        auto disc = OpenImage(path, sink);
        EXPECT_TRUE(disc) << path;
        return disc ? std::move(*disc) : Disc{};
    }

    fs::path m_dir;
    std::string image;
};

TEST_F(EditCommands, MkdirOnANewDiscGivesTheWorkedExample)
{
    ASSERT_EQ(Run({"new", image, "--size", "1M"}).status, 0);
    const Result r = Run({"mkdir", image, "$", "NewFolder"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Disc expected = NewDisc(16);
    SilentSink sink;
    ASSERT_EQ(CreateDirectory(expected, kRoot, "NewFolder", sink), SectorAddress(7));
    EXPECT_EQ(Load(image).DiscImage, expected.DiscImage);
    EXPECT_EQ(Load(image).At(7 * 256 + 1238), 2);
}

struct RefusalCase {
    const char* label;
    std::vector<std::string> args; // after the image path
    const char* message;
};

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

class Refusals : public EditCommands, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, ReachStderrWithExitOneAndLeaveTheFileAlone)
{
    Save(RefusalFixture());
    const std::string before = ReadAll(image);
    std::vector<std::string> args = GetParam().args;
    args.insert(args.begin() + 1, image);
    const Result r = Run(args);
    EXPECT_EQ(r.err, std::string(GetParam().message) + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(image), before);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, Refusals,
    ::testing::Values(
        RefusalCase{"MkdirFull", {"mkdir", "$.Crowded", "New"}, "Directory Full"},
        RefusalCase{"MkdirExists", {"mkdir", "$", "file"}, "Directory file Already Exists"},
        RefusalCase{"MkdirIllegal", {"mkdir", "$", "a.b"}, "File a.b Contains Illegal Characters"},
        RefusalCase{
            "RenameLockedFile", {"rename", "$.Locked", "Other", "--keep-locked"}, "Cannot Rename Locked File : Locked"},
        RefusalCase{"RenameLockedDirectory",
                    {"rename", "LockedDir", "Other", "--keep-locked"},
                    "Cannot Rename Locked Directory : LockedDir"},
        RefusalCase{"RenameExists", {"rename", "$.File", "FULL"}, "FULL Already Exists"},
        RefusalCase{"RenameIllegal", {"rename", "$.File", "a b"}, "File a b Contains Illegal Characters"},
        RefusalCase{"TitleIllegal", {"title", "$", "v1.0"}, "Title v1.0 Contains Illegal Characters"},
        RefusalCase{"DeleteLockedFile", {"delete", "$.Locked", "--keep-locked"}, "Cannot Delete Locked File : Locked"},
        RefusalCase{"DeleteLockedDirectory",
                    {"delete", "$.LockedDir", "--keep-locked", "--keep-nonempty"},
                    "Cannot Delete Locked Directory : LockedDir"},
        RefusalCase{
            "DeleteNonEmpty", {"delete", "$.Full", "--keep-nonempty"}, "Cannot Delete Non Empty Directory : Full"}),
    [](const auto& info) { return std::string(info.param.label); });

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
    const std::string before = ReadAll(image);
    Result r = Run({"mkdir", image, "$", "New"});
    EXPECT_EQ(r.err, "Not Enough Free Contiguous Space on Disc\n");
    EXPECT_EQ(r.status, 1);
    r = Run({"delete", image, "A"});
    EXPECT_EQ(r.err, "Free Space Map Full\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(image), before);
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
    const SectorAddress full(ReadEntry(after, kRoot, FindEntry(after, kRoot, "Full")).start);
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
    const std::string before = ReadAll(image);
    Result r = Run({"delete", image, "$.Nothing"});
    EXPECT_EQ(r.err, "File Not Found : $.Nothing\n");
    EXPECT_EQ(r.status, 2);
    r = Run({"attrib", image, "$.File", "RX"});
    EXPECT_EQ(r.status, 2);
    r = Run({"boot", image, "sometimes"});
    EXPECT_EQ(r.status, 2);
    r = Run({"mkdir", (m_dir / "none.dat").string(), "$", "X"});
    EXPECT_EQ(r.err, "File Not Found : " + (m_dir / "none.dat").string() + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadAll(image), before);
}

TEST_F(EditCommands, OutputGoesElsewhereAndNothingIsWrittenWithoutAChange)
{
    Save(RefusalFixture());
    ASSERT_EQ(Run({"delete", image, "$.File"}).status, 0); // a hole at sector 8
    const std::string before = ReadAll(image);
    const std::string other = (m_dir / "other.dat").string();
    EXPECT_EQ(Run({"rename", image, "$.Locked", "a.b", "--output", other}).status, 1);
    EXPECT_FALSE(fs::exists(other));
    EXPECT_EQ(Run({"compact", image, "--output", other}).status, 0);
    ASSERT_TRUE(fs::exists(other));
    EXPECT_EQ(ReadAll(image), before);
    EXPECT_EQ(Load(other).map.Count(), 1);
    // A compacted disc compacts to itself: nothing to write.
    const std::string third = (m_dir / "third.dat").string();
    EXPECT_EQ(Run({"compact", other, "--output", third}).status, 0);
    EXPECT_FALSE(fs::exists(third));
}

TEST_F(EditCommands, CompactLeavesOneRunAfterTheLastObjectAndEveryFileIntact)
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    const auto sub = CreateDirectory(disc, kRoot, "Sub", sink);
    for (int i = 0; i < 12; ++i) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(i * 97 + 3));
        for (std::size_t k = 0; k < data.size(); ++k)
            data[k] = static_cast<std::uint8_t>(k * 13 + static_cast<std::size_t>(i));
        const std::string name = "F" + std::to_string(i);
        AddFile(disc, i % 2 ? *sub : kRoot, name, data);
        files.emplace_back((i % 2 ? "$.Sub." : "$.") + name, data);
    }
    for (const char* gone : {"F0", "F4", "F8"})
        ASSERT_FALSE(DeleteEntry(disc, kRoot, gone, false, true, sink));
    ASSERT_FALSE(DeleteEntry(disc, *sub, "F5", false, true, sink));
    Save(disc);
    const Result r = Run({"compact", image});
    EXPECT_EQ(r.status, 0) << r.err;
    const Disc after = Load(image);
    std::uint32_t used = 7 + 5;
    for (const auto& [path, data] : files) {
        const std::string name = path.substr(path.rfind('.') + 1);
        const SectorAddress dir = path.starts_with("$.Sub.")
                                      ? SectorAddress(ReadEntry(after, kRoot, FindEntry(after, kRoot, "Sub")).start)
                                      : kRoot;
        const int slot = FindEntry(after, dir, name);
        if (name == "F0" || name == "F4" || name == "F8" || name == "F5") {
            EXPECT_EQ(slot, -1);
            continue;
        }
        ASSERT_GE(slot, 0) << path;
        const DirEntry e = ReadEntry(after, dir, slot);
        const auto at = SectorAddress(e.start).byteOffset();
        EXPECT_TRUE(std::equal(data.begin(), data.end(), after.DiscImage.begin() + static_cast<std::ptrdiff_t>(at)))
            << path;
        used += SectorCount(e.length);
    }
    EXPECT_EQ(after.map.runs, (std::vector<MapRun>{{used, 4096 - used}}));
    EXPECT_TRUE(test::ConsistencyProblems(after).empty());
}

} // namespace
} // namespace marlin::image

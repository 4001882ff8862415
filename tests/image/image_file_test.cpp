#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "image/directory.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

namespace fs = std::filesystem;

class ImageFile : public ::testing::Test {
protected:
    fs::path Path(const std::string& name) const { return m_dir / name; }
    static void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes)
    {
        test::WriteHostFile(path, std::string(bytes.begin(), bytes.end()));
    }
    static std::vector<std::uint8_t> Read(const fs::path& path)
    {
        const std::string bytes = test::ReadHostFile(path);
        return {bytes.begin(), bytes.end()};
    }

    test::Scratch m_dir;
};

TEST_F(ImageFile, ANewDiscSavesAsSevenSectorsAndReopensIdentical)
{
    const Disc disc = NewDisc(16);
    CollectingSink sink;
    ASSERT_EQ(SaveImage(disc, Path("d.dat"), sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    const auto bytes = Read(Path("d.dat"));
    ASSERT_EQ(bytes.size(), 1792u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), disc.Image().begin()));
    const auto reopened = OpenImage(Path("d.dat"), sink);
    ASSERT_TRUE(reopened.Done());
    EXPECT_EQ(reopened->Image(), disc.Image());
    EXPECT_EQ(reopened->map, disc.map);
}

TEST_F(ImageFile, SavedLength)
{
    struct Case {
        const char* what;
        std::vector<MapRun> runs;
        std::uint64_t length;
    };
    const Case cases[] = {
        {"free tail", {{7, 100}, {200, 3896}}, 200 * 256},
        {"last run stops short of the end", {{7, 100}, {200, 10}}, 4096 * 256},
        {"empty map", {}, 4096 * 256},
        // A damaged map calling the map and root free still saves them.
        {"whole disc free", {{0, 4096}}, 7 * 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Disc disc = NewDisc(16);
        disc.map.runs = c.runs;
        WriteFreeSpaceMap(disc);
        EXPECT_EQ(SavedLength(disc), c.length);
        CollectingSink sink;
        ASSERT_EQ(SaveImage(disc, Path("s.dat"), sink), Status::Done);
        EXPECT_EQ(fs::file_size(Path("s.dat")), c.length);
        const auto reopened = OpenImage(Path("s.dat"), sink);
        ASSERT_TRUE(reopened.Done());
        EXPECT_EQ(reopened->map, disc.map);
    }
}

TEST_F(ImageFile, LongerFilesAreCutAndShorterOnesExtended)
{
    Disc disc = test::SampleDisc();
    auto bytes = disc.Image();
    bytes.resize(bytes.size() + 5000, 0xEE);
    Write(Path("long.dat"), bytes);
    CollectingSink sink;
    auto opened = OpenImage(Path("long.dat"), sink);
    ASSERT_TRUE(opened.Done());
    EXPECT_EQ(opened->Image(), disc.Image());
    ASSERT_EQ(SaveImage(*opened, Path("long.dat"), sink), Status::Done);
    EXPECT_EQ(fs::file_size(Path("long.dat")), 35u * 256); // up to the free tail at sector 35

    bytes.resize(1000); // inside the root: the rest reads as zeros
    Write(Path("short.dat"), bytes);
    opened = OpenImage(Path("short.dat"), sink);
    ASSERT_TRUE(opened.Done());
    ASSERT_EQ(opened->Size(), disc.Size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), opened->Image().begin()));
    EXPECT_TRUE(std::all_of(opened->Image().begin() + 1000, opened->Image().end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ImageFile, OpenRefusesWhatCannotBeAnImage)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(4096);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    noise[254] = 0xFF; // random bytes whose size field announces more than 512 MiB

    auto withSize = [](std::uint32_t sectors) {
        std::vector<std::uint8_t> b(1792, 0);
        b[252] = static_cast<std::uint8_t>(sectors);
        b[253] = static_cast<std::uint8_t>(sectors >> 8);
        b[254] = static_cast<std::uint8_t>(sectors >> 16);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty.dat", {}},          {"one.dat", {0x41}},        {"short.dat", std::vector<std::uint8_t>(511, 0)},
        {"size0.dat", withSize(0)}, {"size6.dat", withSize(6)}, {"huge.dat", withSize(2097153)},
        {"noise.dat", noise},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Path(c.name), c.bytes);
        CollectingSink sink;
        EXPECT_TRUE(OpenImage(Path(c.name), sink).Refused());
        EXPECT_EQ(sink.messages,
                  std::vector<std::string>{"This is not a Marlin disc image : " + Path(c.name).string()});
    }
    CollectingSink sink;
    EXPECT_TRUE(OpenImage(m_dir.path(), sink).Refused()); // a folder
    EXPECT_TRUE(OpenImage(Path("missing.dat"), sink).Refused());
    EXPECT_EQ(sink.messages.size(), 2u);

    // The smallest size field that is accepted.
    Write(Path("seven.dat"), withSize(7));
    const auto seven = OpenImage(Path("seven.dat"), sink);
    ASSERT_TRUE(seven.Done());
    EXPECT_EQ(seven->Size(), 7u * 256);
}

TEST_F(ImageFile, AFailedSaveLeavesTheOldFileAndSaysSo)
{
    const Disc old = NewDisc(16);
    CollectingSink sink;
    ASSERT_EQ(SaveImage(old, Path("d.dat"), sink), Status::Done);
    const auto before = Read(Path("d.dat"));

    Disc changed = test::SampleDisc();
    // The temporary file beside the target cannot be made (a folder holds its
    // name), so nothing may be written.
    fs::create_directory(Path(".d.dat.marlin-save"));
    EXPECT_EQ(SaveImage(changed, Path("d.dat"), sink), Status::Refused);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Save Disc Image : " + Path("d.dat").string()));
    EXPECT_EQ(Read(Path("d.dat")), before);
    fs::remove(Path(".d.dat.marlin-save"));

    // A folder that does not exist.
    sink.messages.clear();
    const fs::path nowhere = Path("no/such/folder/d.dat");
    EXPECT_EQ(SaveImage(changed, nowhere, sink), Status::Refused);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Save Disc Image : " + nowhere.string()));

    // A folder standing where the file should go stays as it was.
    fs::create_directory(Path("taken.dat"));
    fs::create_directory(Path("taken.dat/inner"));
    EXPECT_EQ(SaveImage(changed, Path("taken.dat"), sink), Status::Refused);
    EXPECT_TRUE(fs::is_directory(Path("taken.dat/inner")));
    // No temporary file is left behind by any of the failures.
    for (const auto& entry : fs::directory_iterator(m_dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("marlin-save"), std::string::npos) << entry.path();
}

// Regression: saving through a symbolic link replaced the link by a plain file,
// and the saved file lost the permissions of the one it replaced.
TEST_F(ImageFile, SavingKeepsTheLinkAndThePermissions)
{
    CollectingSink sink;
    fs::create_directory(Path("real"));
    ASSERT_EQ(SaveImage(NewDisc(16), Path("real/d.dat"), sink), Status::Done);
    fs::permissions(Path("real/d.dat"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(Path("real/d.dat"), Path("link.dat"));

    ASSERT_EQ(SaveImage(test::SampleDisc(), Path("link.dat"), sink), Status::Done);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(fs::is_symlink(Path("link.dat")));
    EXPECT_EQ(fs::status(Path("real/d.dat")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto reopened = OpenImage(Path("real/d.dat"), sink);
    ASSERT_TRUE(reopened.Done());
    EXPECT_EQ(reopened->Image(), test::SampleDisc().Image());
}

} // namespace
} // namespace marlin::image

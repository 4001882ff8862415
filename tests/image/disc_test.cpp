// Blank discs, the free-space map, image files on the host, and the checker
// on discs the damaged-image corpus cannot hold.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "host/host_files.h"
#include "host/platform.h"
#include "image/change.h"
#include "image/check.h"
#include "image/entry_ops.h"
#include "image/find.h"
#include "image/hex.h"
#include "image/image_file.h"
#include "image/repair.h"
#include "image/walk_guard.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

namespace fs = std::filesystem;

TEST(NewDisc, EverySizeHasItsMapAndAnEmptyRootAndChecksClean)
{
    for (const DiscSize size : kDiscSizes) {
        const Disc disc = NewDisc(size.units);
        const std::uint32_t sectors = static_cast<std::uint32_t>(size.units) * 256;
        EXPECT_EQ(std::tuple(disc.Read24(0), disc.Read24(252), disc.Read24(256), int{disc.At(510)}),
                  std::tuple(7u, sectors, sectors - 7, 3));
        EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{7, sectors - 7}}));
        EXPECT_EQ(std::tuple(GetDirectoryName(disc, kRoot), GetDirectoryTitle(disc, kRoot), EntryCount(disc, kRoot)),
                  std::tuple("$", "$", 0));
        EXPECT_EQ(std::pair(int{disc.At(512)}, int{disc.At(1786)}), std::pair(1, 1));
        EXPECT_EQ(CheckReport(Check(disc)), "No problems found\r");
    }
    EXPECT_EQ(std::pair(int{NewDisc(16).At(255)}, int{NewDisc(16).At(511)}), std::pair(0x17, 0x0B));
    EXPECT_EQ(std::pair(int{NewDisc(1024).At(255)}, int{NewDisc(1024).At(511)}), std::pair(0x0B, 0xFF));
}

// A field that straddles the image's end reads its bytes inside and zeros
// beyond; a field that ends exactly at the end is written whole.
TEST(Disc, FieldsAtTheImagesEnd)
{
    Disc disc(std::vector<std::uint8_t>(8, 0));
    disc.Write32(0, 0x44332211);
    disc.Write24(5, 0xCCBBAA);
    EXPECT_EQ(disc.Image(), (std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44, 0, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(std::tuple(disc.Read24(6), disc.Read24(7), disc.Read32(5), disc.Read32(7), disc.Read32(8)),
              std::tuple(0xCCBBu, 0xCCu, 0xCCBBAAu, 0xCCu, 0u));
}

// The random edits take back every operation they make; these are the
// writes they do not make.
TEST(Change, WritesTheRandomEditsDoNotMakeAreTakenBackExactly)
{
    SilentSink sink;
    const std::pair<const char*, std::function<void(Disc&)>> cases[] = {
        {"title", [&](Disc& d) { (void)SetDirectoryTitle(d, kRoot, "Title", sink); }},
        {"boot option", [](Disc& d) { SetBootOption(d, 3); }},
        {"a byte, then the whole image",
         [](Disc& d) {
             d.Set(600, 0x55);
             d.WritableImage()[600] = 0x66;
             d.WritableImage()[4095] ^= 0xFF;
         }},
        {"the last byte of a short sector", [](Disc& d) { d.Set(d.Size() - 1, 1); }},
        {"a byte written back as it was", [](Disc& d) { d.Set(700, d.At(700)); }},
    };
    for (const auto& [name, op] : cases) {
        SCOPED_TRACE(name);
        Disc disc = test::SampleDisc();
        disc.WritableImage().push_back(0); // the image's last sector is short
        const Disc before = disc;
        ChangeRecorder recorder(disc);
        op(disc);
        Change change = recorder.Finish();
        const Disc after = disc;
        EXPECT_EQ(change.Empty(), after.Image() == before.Image());
        change.Swap(disc);
        EXPECT_TRUE(disc.Image() == before.Image() && disc.map == before.map);
        change.Swap(disc);
        EXPECT_TRUE(disc.Image() == after.Image() && disc.map == after.map);
    }
}

// A new directory and its first rename become one step.
TEST(Change, AStepAbsorbsTheNextOne)
{
    Disc disc = test::SampleDisc();
    const std::vector<std::uint8_t> first = disc.Image();
    SilentSink sink;
    ChangeRecorder create(disc);
    ASSERT_FALSE(CreateDirectory(disc, kRoot, "NewFolder", sink).Refused());
    Change step = create.Finish();
    ChangeRecorder rename(disc);
    ASSERT_EQ(RenameEntry(disc, "NewFolder", "Archive", kRoot, true, sink), Status::Done);
    step.Absorb(rename.Finish());
    const std::vector<std::uint8_t> last = disc.Image();
    step.Swap(disc);
    EXPECT_TRUE(disc.Image() == first);
    step.Swap(disc);
    EXPECT_TRUE(disc.Image() == last);
}

// Every damaged image: the repair says what its golden file says, keeps every
// file's bytes, and a second repair finds nothing more to do.
TEST(Repair, TheDamagedCorpus)
{
    auto files = [](const Disc& disc) {
        std::map<std::string, std::vector<std::uint8_t>> bytes;
        for (const FoundEntry& found : FindEntries(disc, "*")) {
            const DirEntry& e = found.listed.entry;
            const std::uint64_t from = std::min<std::uint64_t>(e.start.ByteOffset(), disc.Size());
            const std::uint64_t to = std::min<std::uint64_t>(from + e.length, disc.Size());
            if (!e.D)
                bytes[found.path].assign(disc.Image().begin() + static_cast<std::ptrdiff_t>(from),
                                         disc.Image().begin() + static_cast<std::ptrdiff_t>(to));
        }
        return bytes;
    };
    int images = 0;
    for (const auto& item : fs::directory_iterator(fs::path(MARLIN_TEST_DATA) / "damaged")) {
        if (item.path().extension() != ".dat")
            continue;
        SCOPED_TRACE(item.path().stem().string());
        ++images;
        SilentSink sink;
        Disc disc = *OpenImage(item.path().string(), sink);
        const auto before = files(disc);
        const RepairReport report = Repair(disc);
        std::string text = RepairText(report);
        std::ranges::replace(text, '\r', '\n');
        std::ifstream golden(fs::path(item.path()).replace_extension(".repair.txt"), std::ios::binary);
        EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(golden), {}));
        EXPECT_TRUE(files(disc) == before);
        EXPECT_EQ(Check(disc), report.notRepaired);
        const RepairReport again = Repair(disc);
        EXPECT_TRUE(again.changes.empty());
        EXPECT_EQ(again.notRepaired, report.notRepaired);
    }
    EXPECT_GT(images, 20);
}

// A damaged entry may point past the image: the walk still marks what it enters there.
TEST(WalkGuard, MarksDirectoriesPastTheImage)
{
    WalkGuard guard(NewDisc(16));
    const SectorAddress far(0x100000), farther(0x100001);
    guard.Enter(far);
    EXPECT_EQ(std::tuple(guard.Entered(far), guard.OnPath(far), guard.Entered(farther)), std::tuple(true, true, false));
    guard.Leave(far);
    EXPECT_EQ(std::pair(guard.Entered(far), guard.OnPath(far)), std::pair(true, false));
}

TEST(Hex, DigitValuesAtTheEdgesOfEachRange)
{
    std::vector<int> values;
    for (const char c : std::string_view("09AFaf/:@G`g"))
        values.push_back(HexDigitValue(c));
    EXPECT_EQ(values, (std::vector<int>{0, 9, 10, 15, 10, 15, -1, -1, -1, -1, -1, -1}));
}

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
    EXPECT_EQ(std::vector({SectorCount(0), SectorCount(256), SectorCount(257), SectorCount(1280)}),
              std::vector({1u, 1u, 2u, 5u}));
}

// 84 runs fill the map; a run that joins two still fits.
TEST(FreeSpaceMap, AFullMapRefusesARunItCannotHold)
{
    std::vector<MapRun> runs;
    for (std::uint32_t i = 0; i < 84; ++i)
        runs.push_back({10 + 3 * i, 1});
    Disc disc = DiscWithRuns(runs);
    test::ExpectRefused(disc, {"Free Space Map Full"}, [](Disc& d, MessageSink& s) { return FreeRun(d, 1000, 1, s); });
    SilentSink sink;
    EXPECT_EQ(FreeRun(disc, 11, 2, sink), Status::Done);
    EXPECT_EQ(disc.map.Count(), 83);
}

// The end pointer rounds to the nearest count, and at most 84.
TEST(FreeSpaceMap, EndPointerRoundsToTheNearestCount)
{
    const std::pair<int, int> cases[] = {{0, 0}, {3, 1}, {4, 1}, {5, 2}, {252, 84}, {253, 84}, {255, 84}};
    for (const auto& [pointer, count] : cases) {
        Disc disc = NewDisc(16);
        disc.Set(map::kEndPointer, static_cast<std::uint8_t>(pointer));
        ReadFreeSpaceMap(disc);
        EXPECT_EQ(disc.map.Count(), count) << pointer;
    }
}

class ImageFile : public ::testing::Test {
protected:
    fs::path Path(const std::string& name) const { return m_dir / name; }
    // Opens (or saves and opens) name, which must be done saying nothing.
    Disc Open(const std::string& name)
    {
        auto opened = OpenImage(Path(name), m_sink);
        EXPECT_TRUE(opened.Done() && m_sink.messages.empty()) << testing::PrintToString(m_sink.messages);
        return opened.Done() ? *opened : Disc();
    }
    Disc SaveAndOpen(const Disc& disc, const std::string& name)
    {
        EXPECT_EQ(host::SaveImage(disc, Path(name), m_sink), Status::Done);
        return Open(name);
    }

    test::Scratch m_dir;
    CollectingSink m_sink;
};

// Saved up to a free run that reaches the end, but never less than the root.
TEST_F(ImageFile, SavedLengthAndReopening)
{
    const std::pair<std::vector<MapRun>, std::uint64_t> cases[] = {{{{7, 4089}}, 7 * 256},
                                                                   {{{7, 100}, {200, 3896}}, 200 * 256},
                                                                   {{{7, 100}, {200, 10}}, 4096 * 256},
                                                                   {{}, 4096 * 256},
                                                                   {{{0, 4096}}, 7 * 256}};
    for (const auto& [runs, length] : cases) {
        const Disc disc = DiscWithRuns(runs);
        EXPECT_EQ(SavedLength(disc), length);
        const Disc reopened = SaveAndOpen(disc, "s.dat");
        EXPECT_EQ(fs::file_size(Path("s.dat")), length);
        EXPECT_TRUE(reopened.Image() == disc.Image() && reopened.map == disc.map);
    }
}

// Only the disc's own sectors are kept; a short file reads as zeros after its end.
TEST_F(ImageFile, LongerFilesAreCutAndShorterOnesExtended)
{
    const Disc disc = test::SampleDisc();
    std::string bytes(disc.Image().begin(), disc.Image().end());
    test::WriteHostFile(Path("long.dat"), bytes + std::string(5000, '\xEE'));
    test::WriteHostFile(Path("short.dat"), bytes.substr(0, 1000));
    std::fill(bytes.begin() + 1000, bytes.end(), '\0');
    EXPECT_TRUE(Open("long.dat").Image() == disc.Image());
    EXPECT_TRUE(Open("short.dat").Image() == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// Too short, or a size field below 7 sectors or above 512 MiB, is no image.
TEST_F(ImageFile, OpenRefusesWhatCannotBeAnImage)
{
    const auto withSize = [](std::uint32_t sectors) {
        std::string b(1792, '\0');
        for (int k = 0; k < 3; ++k)
            b[252 + k] = static_cast<char>(sectors >> 8 * k);
        return b;
    };
    const std::pair<std::string, std::string> cases[] = {
        {"empty.dat", ""},          {"one.dat", "A"},           {"short.dat", withSize(7).substr(0, 511)},
        {"size0.dat", withSize(0)}, {"size6.dat", withSize(6)}, {"huge.dat", withSize(2097153)}};
    for (const auto& [name, bytes] : cases) {
        test::WriteHostFile(Path(name), bytes);
        CollectingSink sink;
        EXPECT_TRUE(OpenImage(Path(name), sink).Refused());
        EXPECT_EQ(sink.messages, std::vector<std::string>{"This is not a Marlin disc image : " + Path(name).string()});
    }
    CollectingSink sink;
    EXPECT_TRUE(OpenImage(m_dir.path(), sink).Refused() && OpenImage(Path("missing.dat"), sink).Refused());
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"This is not a Marlin disc image : " + m_dir.path().string(),
                                                       "File Not Found : " + Path("missing.dat").string()}));
    test::WriteHostFile(Path("seven.dat"), withSize(7));
    EXPECT_EQ(Open("seven.dat").Size(), 7u * 256);
}

// The temporary file cannot be made (a folder has its name, or no folder is
// there), or a folder stands where the file should go.
TEST_F(ImageFile, AFailedSaveLeavesTheOldFileAndSaysSo)
{
    SaveAndOpen(NewDisc(16), "d.dat");
    const std::string before = test::ReadHostFile(Path("d.dat"));
    fs::create_directory(Path(".d.dat.marlin-save"));
    fs::create_directories(Path("taken.dat/inner"));
    for (const char* name : {"d.dat", "no/such/folder/d.dat", "taken.dat"}) {
        CollectingSink sink;
        EXPECT_EQ(host::SaveImage(test::SampleDisc(), Path(name), sink), Status::Refused);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(sink.messages[0].starts_with("Cannot Save Disc Image : " + Path(name).string()))
            << sink.messages[0];
    }
    EXPECT_EQ(test::ReadHostFile(Path("d.dat")), before);
    EXPECT_TRUE(fs::is_directory(Path("taken.dat/inner")));
    fs::remove(Path(".d.dat.marlin-save"));
    for (const auto& entry : fs::directory_iterator(m_dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("marlin-save"), std::string::npos) << entry.path();
}

// Regression: saving through a symbolic link replaced the link by a plain file,
// and the saved file lost the permissions of the one it replaced.
TEST_F(ImageFile, SavingKeepsTheLinkAndThePermissions)
{
    if (host::kWindowsHost)
        GTEST_SKIP() << "links need privileges on Windows, and it has no POSIX permission bits";
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::create_directory(Path("real"));
    SaveAndOpen(NewDisc(16), "real/d.dat");
    fs::permissions(Path("real/d.dat"), perms);
    fs::create_symlink(Path("real/d.dat"), Path("link.dat"));
    SaveAndOpen(test::SampleDisc(), "link.dat");
    EXPECT_TRUE(fs::is_symlink(Path("link.dat")));
    EXPECT_EQ(fs::status(Path("real/d.dat")).permissions() & fs::perms::all, perms);
    EXPECT_TRUE(Open("real/d.dat").Image() == test::SampleDisc().Image());
}

// Directories nested deeper than the cap are reported once and not read (the
// blocks below count as lost space), so no chain can exhaust the stack.
TEST(Check, DeepNestingIsCutOff)
{
    Disc disc = NewDisc(16);
    SectorAddress dir = kRoot;
    std::string path = "$";
    for (int level = 0; level < kMaxDirectoryDepth + 10; ++level)
        dir = test::MakeDir(disc, dir, "D");
    for (int level = 0; level <= kMaxDirectoryDepth; ++level)
        path += ".D";
    const auto problems = Check(disc);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_TRUE(problems[0].starts_with(path + " (sectors ")) << problems[0];
    EXPECT_TRUE(problems[0].ends_with("nested deeper than 256 directories, not read")) << problems[0];
    EXPECT_TRUE(problems[1].starts_with("Lost space: "));
}

// Each level lists the next directory 47 times, 47^220 visits if read
// naively; the further references overlap the first, more than the report shows.
TEST(Check, SharedDirectoriesAreReadOnceAndTheReportIsCapped)
{
    Disc disc = NewDisc(16);
    constexpr std::uint32_t kLevels = 220;
    for (std::uint32_t level = 0; level < kLevels; ++level) {
        const SectorAddress holder(2 + 5 * level); // the root, then the block made before
        test::MakeDir(disc, holder, "S10");
        DirEntry e = ReadEntry(disc, holder, 0);
        for (int slot = 1; slot < dir::kSlots; ++slot) {
            e.name = "S" + std::to_string(10 + slot);
            WriteEntry(disc, holder, slot, e);
        }
    }
    const auto problems = Check(disc);
    ASSERT_EQ(problems.size(), kMaxCheckLines + 1);
    for (std::size_t i = 0; i < kMaxCheckLines; ++i)
        ASSERT_NE(problems[i].find(" overlaps "), std::string::npos) << problems[i];
    EXPECT_EQ(problems.back(),
              "Too many problems: " + std::to_string(kLevels * 46 - kMaxCheckLines) + " more not shown");
}

TEST(Check, SizeFieldDisagreeingWithTheImage)
{
    Disc disc = NewDisc(16);
    disc.WritableImage().resize(disc.Size() - 256);
    EXPECT_EQ(Check(disc), (std::vector<std::string>{
                               "Free space map: disc size 001000 sectors differs from the image's 000FFF sectors",
                               "free run 0 (sectors 000007-000FFF) reaches past the disc's end (000FFF sectors)"}));
}

} // namespace
} // namespace marlin::image

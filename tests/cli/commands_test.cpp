// Each `marlin` command's output, image, messages and status; "@name" is a file of the test's own.
#include <algorithm>
#include <chrono>
#include <functional>

#include "cli_fixture.h"
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;
namespace fs = std::filesystem;
using Commands = CliTest;

// Paths inside the image run from the root, in any case, with or without "$.".
TEST_F(Commands, ReadCommandsPrintTheirText)
{
    Disc odd = SampleDisc();
    SetBootOption(odd, 3);
    odd.Set(map::kChecksum1, odd.At(map::kChecksum1) ^ 1);
    Save(odd, "odd.dat");
    Save(SampleDisc(), "sample.dat");
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Prog", {13, 0, 10, 7, 0xF1, ' ', '1', 13, 0, 20, 5, 0xE0, 13, 255}, 0x1900);
    AddFile(disc, kRoot, "Code", {0x20, 0xEE, 0xFF, 0x60}, 0xFFFF2000);
    AddFile(disc, kRoot, "Notes", Bytes("one\r\ntwo\r"));
    AddFile(disc, kRoot, "Raw", {'A', 0, 'B', 0xFF, 13, 'C'});
    Save(disc, "files.dat");
    ASSERT_EQ(Run("new @blank.dat --size 1M").status, 0);
    std::string text;
    for (const std::string command :
         {"info @blank.dat",          "info @odd.dat",           "tree @sample.dat",      "ls @sample.dat",
          "ls @sample.dat $.Games",   "ls @sample.dat games",    "cat @sample.dat",       "ex @sample.dat $",
          "catall @sample.dat",       "exall @sample.dat",       "cat @sample.dat GAMES", "ex @sample.dat Games",
          "catall @sample.dat games", "exall @sample.dat games", "map @sample.dat",       "--version",
          "basic @files.dat $.Prog",  "dis @files.dat code",     "text @files.dat Raw",   "hex @files.dat Notes",
          "hex @files.dat $"}) {
        const Result r = Run(command);
        EXPECT_EQ(std::make_tuple(r.status, r.err), std::make_tuple(0, "")) << command;
        text += "$ marlin " + command + "\n" + r.out;
    }
    EXPECT_EQ(text, ReadHostFile(MARLIN_TEST_DATA "/cli_read.txt"));
}

TEST_F(Commands, NewSavesABlankDiscOfTheSizeAsked)
{
    EXPECT_EQ(Run("new @d.dat --size 1M"), (Result{0, "", ""}));
    const Disc blank = NewDisc(16);
    EXPECT_EQ(ReadHostFile(Path("d.dat")), std::string(blank.Image().begin(), blank.Image().begin() + 1792));
    for (const auto& [command, sectors] : {std::pair{"new @e.dat", 16384u}, {"new @e.dat --size 64M", 262144u}}) {
        ASSERT_EQ(Run(command).status, 0);
        EXPECT_EQ(Load(Path("e.dat")).DiscSizeField(), sectors);
    }
}

// A reader that goes away, or a disc that is full, ends the command quietly with status 1.
TEST_F(Commands, AFailedWriteGivesStatusOne)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs a POSIX shell pipe and /dev/full";
#else
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "Big", std::vector<std::uint8_t>(200000, 'b'));
    const std::string image = Save(disc);
    ASSERT_EQ(
        std::system(
            Expand("(" + Command({"hex", image, "Big"}) + " 2>@err; echo $? >@status) | head -c 1 >@out").c_str()),
        0);
    EXPECT_EQ(ReadHostFile(Path("status")) + ReadHostFile(Path("err")), "1\n");
    EXPECT_EQ(WEXITSTATUS(std::system((Command({"cat", image}) + " >/dev/full").c_str())), 1);
#endif
}

// $: Locked (LR), File, LockedDir (locked, holds Inner), Full (holds Inner), and a gap.
Disc Fixture()
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    AddFile(disc, kRoot, "Gap", Bytes("g"));
    AddFile(disc, kRoot, "Locked", Bytes("l"), 0, 0, "LR");
    AddFile(disc, kRoot, "File", Bytes("f"));
    AddFile(disc, MakeDir(disc, kRoot, "LockedDir"), "Inner", Bytes("i"));
    (void)SetAttributes(disc, kRoot, "LockedDir", true, true, true);
    AddFile(disc, MakeDir(disc, kRoot, "Full"), "Inner", Bytes("i"));
    (void)DeleteEntry(disc, kRoot, "Gap", false, false, sink);
    return disc;
}

std::string Saved(const Disc& disc)
{
    return std::string(disc.Image().begin(), disc.Image().begin() + static_cast<std::ptrdiff_t>(SavedLength(disc)));
}

SectorAddress Dir(const Disc& disc, const char* name)
{
    return EntryNamed(disc, kRoot, name).start;
}

// Locked entries and full directories are no obstacle unless a --keep flag says so.
TEST_F(Commands, EachChangeSavesWhatItsOperationMakes)
{
    SilentSink s;
    auto attrib = [](const char* name, bool r, bool w, bool l) {
        return [=](Disc& d) { (void)SetAttributes(d, kRoot, name, r, w, l); };
    };
    const std::vector<std::pair<std::string, std::function<void(Disc&)>>> cases = {
        {"mkdir @d.dat $.Full New", [&](Disc& d) { (void)CreateDirectory(d, Dir(d, "Full"), "New", s); }},
        {"rename @d.dat $.LockedDir.Inner Outer",
         [&](Disc& d) { (void)RenameEntry(d, "Inner", "Outer", Dir(d, "LockedDir"), true, s); }},
        {"rename @d.dat locked Free", [&](Disc& d) { (void)RenameEntry(d, "Locked", "Free", kRoot, true, s); }},
        {"attrib @d.dat $.File Locked wL",
         [&](Disc& d) {
             attrib("File", 0, 1, 1)(d);
             attrib("Locked", 0, 1, 1)(d);
         }},
        {"attrib @d.dat File Rr", attrib("File", 1, 0, 0)},
        {"attrib @d.dat Locked -", attrib("Locked", 0, 0, 0)},
        {"title @d.dat $.Full Games2", [&](Disc& d) { (void)SetDirectoryTitle(d, Dir(d, "Full"), "Games2", s); }},
        {"boot @d.dat exec", [](Disc& d) { SetBootOption(d, 3); }},
        {"delete @d.dat Locked $.LockedDir",
         [&](Disc& d) {
             (void)DeleteEntry(d, kRoot, "Locked", false, true, s);
             (void)DeleteDirectory(d, kRoot, Dir(d, "LockedDir"), "LockedDir", true, true, s);
         }},
        {"delete @d.dat $", [&](Disc& d) { (void)DeleteDirectory(d, std::nullopt, kRoot, "$", true, true, s); }},
        {"compact @d.dat", [&](Disc& d) { (void)CompactDisc(d, s); }},
    };
    const std::string fixture = Saved(Fixture());
    for (const auto& [command, change] : cases) {
        Save(Fixture());
        const auto stamp = fs::last_write_time(Path("d.dat")) - std::chrono::hours(24);
        fs::last_write_time(Path("d.dat"), stamp);
        // A dry run says what the command says and touches nothing.
        EXPECT_EQ(Run(command + " --dry-run"), (Result{0, "", ""})) << command;
        EXPECT_TRUE(ReadHostFile(Path("d.dat")) == fixture && fs::last_write_time(Path("d.dat")) == stamp) << command;
        EXPECT_EQ(Run(command), (Result{0, "", ""})) << command;
        Disc expected = Fixture();
        change(expected);
        EXPECT_TRUE(ReadHostFile(Path("d.dat")) == Saved(expected)) << command;
        EXPECT_NE(Saved(expected), fixture) << command;
    }
    // A batch stops at its first refusal and saves what it did before.
    Save(Fixture());
    EXPECT_EQ(Run("delete @d.dat $.File $.Locked $.Full --keep-locked"),
              (Result{1, "", "Cannot Delete Locked File : Locked\n"}));
    Disc expected = Fixture();
    (void)DeleteEntry(expected, kRoot, "File", false, true, s);
    EXPECT_TRUE(ReadHostFile(Path("d.dat")) == Saved(expected));
}

// stderr says why, unless the argument parser refused ("*").
TEST_F(Commands, RefusalsAndUsageErrorsWriteNothing)
{
    const std::string image = Save(Fixture()), before = ReadHostFile(image);
    WriteHostFile(Path("bad.dat"), "*");
    WriteHostFile(Path("HOST"), "h");
    const Refusals cases = {
        {"mkdir @d.dat $ file", 1, "Directory file Already Exists"},
        {"mkdir @d.dat $ a.b", 1, "File a.b Contains Illegal Characters"},
        {"rename @d.dat $.Locked Other --keep-locked", 1, "Cannot Rename Locked File : Locked"},
        {"title @d.dat $ v1.0", 1, "Title v1.0 Contains Illegal Characters"},
        {"delete @d.dat $.Locked --keep-locked", 1, "Cannot Delete Locked File : Locked"},
        {"delete @d.dat $.LockedDir --keep-locked --keep-nonempty", 1, "Cannot Delete Locked Directory : LockedDir"},
        {"delete @d.dat $.Full --keep-nonempty", 1, "Cannot Delete Non Empty Directory : Full"},
        {"cat @bad.dat", 1, "This is not a Marlin disc image : @bad.dat"},
        {"mkdir @bad.dat $ X", 1, "This is not a Marlin disc image : @bad.dat"},
        {"delete @d.dat $.Nothing", 2, "File Not Found : $.Nothing"},
        {"mkdir @d.dat $.File X", 2, "File Not Found : $.File"},
        {"rename @d.dat $ X", 2, "$ is the root directory and has no entry to change"},
        {"attrib @d.dat $.File RX", 2, "LETTERS must be made of R, W and L, or be - for none: RX"},
        {"title @d.dat $.Nothing T", 2, "File Not Found : $.Nothing"},
        {"import @d.dat $.NOWHERE @HOST", 2, "File Not Found : $.NOWHERE"},
        {"export @d.dat $.Nothing @dest", 2, "File Not Found : $.Nothing"},
        {"hex @d.dat NoSuch", 2, "File Not Found : NoSuch"},
        {"ls @d.dat $.Nothing", 2, "File Not Found : $.Nothing"},
        {"cat @d.dat File", 2, "File Not Found : File"}, // a file is no directory
        {"mkdir @none.dat $ X", 2, "File Not Found : @none.dat"},
        {"text @none.dat X", 2, "File Not Found : @none.dat"},
        {"check @none.dat", 2, "File Not Found : @none.dat"},
        {"map @none.dat", 2, "File Not Found : @none.dat"},
        {"boot @d.dat sometimes", 2, "*"},
        {"new @new.dat --size 3M", 2, "*"},
        {"frobnicate @d.dat", 2, "*"},
        {"dis @d.dat", 2, "*"},
    };
    ExpectRefusals(cases, image, before);
    EXPECT_EQ(ReadHostFile(Path("bad.dat")), "*");
    EXPECT_FALSE(fs::exists(Path("none.dat")) || fs::exists(Path("new.dat")) || fs::exists(Path("dest")));
}

TEST_F(Commands, OutputGoesElsewhereAndNothingIsWrittenWithoutAChange)
{
    const std::string before = ReadHostFile(Save(Fixture()));
    EXPECT_EQ(Run("rename @d.dat $.Locked a.b --output @other.dat").status, 1);
    EXPECT_FALSE(fs::exists(Path("other.dat")));
    EXPECT_EQ(Run("compact @d.dat --output @other.dat").status, 0);
    EXPECT_TRUE(ReadHostFile(Path("d.dat")) == before);
    EXPECT_EQ(Load(Path("other.dat")).map.Count(), 1);
    // A compacted disc compacts to itself, and a boot option set as it was is no change.
    EXPECT_EQ(Run("compact @other.dat --output @third.dat").status, 0);
    EXPECT_EQ(Run("boot @d.dat off --output @third.dat").status, 0);
    EXPECT_FALSE(fs::exists(Path("third.dat")));
}

// Import is a drop: a refused duplicate gives status 1 but what was imported is saved.
// Export writes one file as a selected item (its sidecar ending in a blank).
TEST_F(Commands, ImportAndExport)
{
    Disc disc = NewDisc(16);
    MakeDir(disc, kRoot, "Sub");
    const std::string image = Save(disc);
    WriteHostFile(Path("A"), "a");
    WriteHostFile(Path("B"), "b");
    WriteHostFile(Path("B.INF"), "B          00001900 00008023 00000001 LR\r\n");
    EXPECT_EQ(Run("import @d.dat $.Sub @B --dry-run"), (Result{0, "", ""}));
    EXPECT_EQ(Run("new @new.dat --dry-run"), (Result{0, "", ""}));
    EXPECT_TRUE(ReadHostFile(image) == Saved(disc) && !fs::exists(Path("new.dat")));
    EXPECT_EQ(Run("import @d.dat sub @A"), (Result{0, "", ""}));
    EXPECT_EQ(Run("import @d.dat $.Sub @A @B @B.INF"), (Result{1, "", "File A Already Exists\n"}));
    EXPECT_EQ(Run("import @d.dat $.Sub @B --output @other.dat"), (Result{1, "", "File B Already Exists\n"}));
    EXPECT_EQ(Run("import @d.dat $.Sub @B --dry-run"), (Result{1, "", "File B Already Exists\n"}));
    EXPECT_FALSE(fs::exists(Path("other.dat")));
    EXPECT_EQ(EntryCount(Load(image), Dir(Load(image), "Sub")), 2);
    EXPECT_EQ(Run("export @d.dat sub.b @one"), (Result{0, "", ""}));
    EXPECT_EQ(ReadHostFile(Path("one/B")) + ReadHostFile(Path("one/B.INF")),
              "bB          00001900 00008023 00000001 LR \r\n");
    EXPECT_EQ(Run("export @d.dat $ @all"), (Result{0, "", ""}));
    EXPECT_EQ(ReadHostFile(Path("all/Sub/A")) + ReadHostFile(Path("all/Sub.INF")), "aSub        DWR\r\n");
    const Result bad = Run("export @d.dat $ @no/such/dest");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.starts_with(Expand("Cannot Export : @no/such/dest"))) << bad.err;
}

// Each damaged image's report must match the text beside it, and the image must stay as it was.
const fs::path kCorpus = MARLIN_DAMAGED_DATA;

std::vector<std::string> CorpusImages()
{
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(kCorpus))
        if (item.path().extension() == ".dat")
            names.push_back(item.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DamagedImage : public CliTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(DamagedImage, ReportMatchesAndImageIsUnchanged)
{
    const fs::path image = kCorpus / (GetParam() + ".dat");
    const fs::path expected = kCorpus / (GetParam() + ".txt");
    ASSERT_TRUE(fs::exists(expected)) << expected;
    const std::string before = ReadHostFile(image);
    const bool sound = GetParam().starts_with("sound_");
    EXPECT_EQ(Run({"check", image.string()}), (Result{sound ? 0 : 1, ReadHostFile(expected), ""}));
    EXPECT_EQ(ReadHostFile(expected) == "No problems found\n", sound);
    // A dry run of the repair prints its changes and keeps the image.
    const std::string repaired = ReadHostFile(kCorpus / (GetParam() + ".repair.txt"));
    EXPECT_EQ(Run({"repair", image.string(), "--dry-run"}),
              (Result{repaired.find("Not repaired") == std::string::npos ? 0 : 1, repaired, ""}));
    EXPECT_EQ(ReadHostFile(image), before);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedImage, ::testing::ValuesIn(CorpusImages()),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace marlin::test

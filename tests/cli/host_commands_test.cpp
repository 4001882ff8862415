// marlin import and marlin export, end to end, and the round trip between them.
#include <algorithm>
#include <random>
#include <sstream>

#include "cli_fixture.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;

using HostCommands = CliTest;

// The sidecar examples of both layouts, as `marlin ex` shows them.
TEST_F(HostCommands, ImportReadsBothSidecarLayouts)
{
    const std::string image = Save(NewDisc(16));
    WriteHostFile(Path("GAME"), std::string(0x400, 'g'));
    WriteHostFile(Path("GAME.INF"), "$.GAME     FF1900 FF8023 000400 L\r\n");
    WriteHostFile(Path("GAME2"), std::string(0x400, 'h'));
    WriteHostFile(Path("GAME2.INF"), "GAME2      FFFF1900 FFFF8023 00000400 WR\r\n");
    const Result r = Run({"import", image, "$", Path("GAME"), Path("GAME.INF"), Path("GAME2")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Result ex = Run({"ex", image});
    EXPECT_NE(ex.out.find("\nGAME       LWR(02)  FFFF1900  FFFF8023  00000400  000007\n"), std::string::npos) << ex.out;
    EXPECT_NE(ex.out.find("\nGAME2      WR (03)  FFFF1900  FFFF8023  00000400  00000B\n"), std::string::npos) << ex.out;
    EXPECT_EQ(ConsistencyProblems(Load(image)), std::vector<std::string>{});
}

TEST_F(HostCommands, ImportGoesOnAfterADuplicateAndStopsAtAFailure)
{
    const std::string image = Save(NewDisc(16));
    for (const char* n : {"A", "B", "C", "D"})
        WriteHostFile(Path(n), n);
    WriteHostFile(Path("HUGE"), std::string(5000 * 256, 'x'));
    ASSERT_EQ(Run({"import", image, "$", Path("A")}).status, 0);

    const Result r = Run({"import", image, "$", Path("A"), Path("B"), Path("HUGE"), Path("C")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File A Already Exists\nNot Enough Free Contiguous Space on Disc\n");
    const Disc disc = Load(image);
    EXPECT_EQ(EntryCount(disc, kRoot), 2); // A, B: what came before the failure is saved
    EXPECT_EQ(FindEntry(disc, kRoot, "C"), -1);

    // Nothing changed: nothing is written.
    EXPECT_EQ(Run({"import", image, "$", Path("A"), "--output", Path("other.dat")}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(Path("other.dat")));

    const Result missing = Run({"import", image, "$.NOWHERE", Path("D")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "File Not Found : $.NOWHERE\n");
}

TEST_F(HostCommands, ExportOfOneFileIsASelectedItem)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(AddFile(disc, kRoot, "A/B", {1, 2, 3}, 0x1900, 0x8023, "LR"), 0);
    const std::string image = Save(disc);
    const Result r = Run({"export", image, "a/b", Path("dest")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadHostFile(Path("dest/A_B")), std::string("\1\2\3"));
    EXPECT_EQ(ReadHostFile(Path("dest/A_B.INF")), "A/B        00001900 00008023 00000003 LR \r\n");

    const Result bad = Run({"export", image, "$", Path("no/such/dest")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.starts_with("Cannot Export : " + Path("no/such/dest"))) << bad.err;
}

// Names, addresses, lengths, R/W/L and bytes of every file, and the names of
// every directory, of two discs; the second is the one rebuilt by import.
void CompareTrees(const Disc& a, SectorAddress da, const Disc& b, SectorAddress db, const std::string& path, int& files)
{
    ASSERT_EQ(EntryCount(a, da), EntryCount(b, db)) << path;
    for (int i = 0; i < EntryCount(a, da); ++i) {
        const DirEntry x = ReadEntry(a, da, i), y = ReadEntry(b, db, i);
        SCOPED_TRACE(path + "." + x.name);
        ASSERT_EQ(x.name, y.name);
        ASSERT_EQ(x.D, y.D);
        if (x.D) {
            CompareTrees(a, x.start, b, y.start, path + "." + x.name, files);
            continue;
        }
        EXPECT_EQ(x.load, y.load);
        EXPECT_EQ(x.exec, y.exec);
        EXPECT_EQ(x.length, y.length);
        EXPECT_EQ(std::make_tuple(x.R, x.W, x.L), std::make_tuple(y.R, y.W, y.L));
        const auto bytes = [](const Disc& d, const DirEntry& e) {
            const auto first = d.Image().begin() + static_cast<std::ptrdiff_t>(e.start.ByteOffset());
            return std::vector<std::uint8_t>(first, first + e.length);
        };
        EXPECT_EQ(bytes(a, x), bytes(b, y));
        ++files;
    }
}

TEST_F(HostCommands, ExportThenImportRestoresEveryEntry)
{
    Disc disc = NewDisc(128);
    std::mt19937 random(4);
    CollectingSink sink;
    const auto mkdir = [&](SectorAddress parent, const std::string& name) {
        const auto d = CreateDirectory(disc, parent, name, sink);
        EXPECT_TRUE(d.Done()) << name << ": " << (sink.messages.empty() ? "" : sink.messages.back());
        return d.Done() ? *d : kRoot;
    };
    const char* attributes[] = {"", "R", "W", "L", "WR", "LR", "LW", "LWR", "ELWR"};
    int made = 0;
    auto fill = [&](SectorAddress dir, const std::string& prefix, int count) {
        for (int i = 0; i < count; ++i) {
            std::vector<std::uint8_t> data(random() % 1500);
            for (auto& b : data)
                b = static_cast<std::uint8_t>(random());
            const std::string name = prefix + std::to_string(i);
            ASSERT_GE(AddFile(disc, dir, name, data, static_cast<std::uint32_t>(random()),
                              static_cast<std::uint32_t>(random()), attributes[random() % 9]),
                      0)
                << name;
            ++made;
        }
    };
    // Names that the host cannot hold as they are come back through their sidecars.
    for (const std::string special : {"A/B", "CON", "prn", "lower", "$", ".X", "Q\x01Z", "TENLETTERS"})
        ASSERT_GE(AddFile(disc, kRoot, special, {1, 2}, 0x1900, 0x8023, "LR"), 0);
    fill(kRoot, "R", 20);
    for (const std::string top : {"D0", "D1", "D2", "V1.2", "x/y", "My Dir", "D6", "D7"}) {
        const SectorAddress d = mkdir(kRoot, top);
        fill(d, "F", 40);
        const SectorAddress sub = mkdir(d, "SUB");
        fill(sub, "S", 20);
        const SectorAddress deeper = mkdir(sub, "DEEPER");
        fill(deeper, "X", 5);
        mkdir(deeper, "EMPTY");
    }
    ASSERT_GT(made, 500);
    ASSERT_FALSE(HasFailure());
    const std::string image = Save(disc, "full.dat");

    const Result out = Run({"export", image, "$", Path("out")});
    ASSERT_EQ(out.status, 0) << out.err;
    ASSERT_EQ(Run({"new", Path("blank.dat"), "--size", "8M"}).status, 0);
    std::vector<std::string> import{"import", Path("blank.dat"), "$"};
    for (const auto& p : std::filesystem::directory_iterator(Path("out")))
        import.push_back(p.path().string());
    std::sort(import.begin() + 3, import.end());
    const Result in = Run(import);
    ASSERT_EQ(in.status, 0) << in.err;

    const Disc back = Load(Path("blank.dat"));
    EXPECT_EQ(ConsistencyProblems(back), std::vector<std::string>{});
    int files = 0;
    CompareTrees(disc, kRoot, back, kRoot, "$", files);
    EXPECT_EQ(files, made + 8);
}

} // namespace
} // namespace marlin::test

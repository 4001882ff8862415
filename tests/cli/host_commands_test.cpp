// marlin import and marlin export, end to end, and the round trip between them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::cli {
namespace {

namespace fs = std::filesystem;
using namespace marlin::image;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

std::string Quoted(const fs::path& p)
{
    return "'" + p.string() + "'";
}

class HostCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("marlin_cli_host_" + std::string(info->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Path(const std::string& name) const { return m_dir / name; }

    Result Run(const std::string& args) const
    {
        const fs::path out = Path("stdout.txt"), err = Path("stderr.txt");
        const std::string command =
            std::string("'") + MARLIN_BINARY + "' " + args + " >" + Quoted(out) + " 2>" + Quoted(err);
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }

    fs::path Save(const Disc& disc, const std::string& name) const
    {
        SilentSink sink;
        EXPECT_TRUE(SaveImage(disc, Path(name), sink));
        return Path(name);
    }

    Disc Open(const fs::path& p) const
    {
        SilentSink sink;
        auto d = OpenImage(p, sink);
        EXPECT_TRUE(d);
        return d ? *d : Disc{};
    }

    fs::path m_dir;
};

TEST_F(HostCommands, ImportReadsBothSidecarLayouts)
{
    const fs::path image = Save(NewDisc(16), "d.dat");
    fs::create_directory(Path("in"));
    WriteFile(Path("in/GAME"), std::string(0x400, 'g'));
    WriteFile(Path("in/GAME.INF"), "$.GAME     FF1900 FF8023 000400 L\r\n");
    WriteFile(Path("in/GAME2"), std::string(0x400, 'h'));
    WriteFile(Path("in/GAME2.INF"), "GAME2      FFFF1900 FFFF8023 00000400 WR\r\n");
    const Result r = Run("import " + Quoted(image) + " '$' " + Quoted(Path("in/GAME")) + " " +
                         Quoted(Path("in/GAME.INF")) + " " + Quoted(Path("in/GAME2")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    const Result ex = Run("ex " + Quoted(image));
    ASSERT_EQ(ex.status, 0);
    std::istringstream lines(ex.out);
    int shown = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("GAME")) {
            EXPECT_NE(line.find("FFFF1900  FFFF8023  00000400"), std::string::npos) << line;
            ++shown;
        }
    }
    EXPECT_EQ(shown, 2);
    const Disc disc = Open(image);
    const DirEntry six = ReadEntry(disc, kRoot, FindEntry(disc, kRoot, "GAME"));
    const DirEntry eight = ReadEntry(disc, kRoot, FindEntry(disc, kRoot, "GAME2"));
    EXPECT_TRUE(six.R && six.W && six.L);
    EXPECT_TRUE(eight.R && eight.W && !eight.L);
    EXPECT_EQ(test::ConsistencyProblems(disc), std::vector<std::string>{});
}

TEST_F(HostCommands, ImportGoesOnAfterADuplicateAndStopsAtAFailure)
{
    const fs::path image = Save(NewDisc(16), "d.dat");
    for (const char* n : {"A", "B", "C", "D"})
        WriteFile(Path(n), n);
    WriteFile(Path("HUGE"), std::string(5000 * 256, 'x'));
    ASSERT_EQ(Run("import " + Quoted(image) + " '$' " + Quoted(Path("A"))).status, 0);

    const Result r = Run("import " + Quoted(image) + " '$' " + Quoted(Path("A")) + " " + Quoted(Path("B")) + " " +
                         Quoted(Path("HUGE")) + " " + Quoted(Path("C")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File A Already Exists\nNot Enough Free Contiguous Space on Disc\n");
    const Disc disc = Open(image);
    EXPECT_EQ(EntryCount(disc, kRoot), 2); // A, B: what came before the failure is saved
    EXPECT_EQ(FindEntry(disc, kRoot, "C"), -1);

    // Nothing changed: nothing is written.
    const Result dup =
        Run("import " + Quoted(image) + " '$' " + Quoted(Path("A")) + " --output " + Quoted(Path("other.dat")));
    EXPECT_EQ(dup.status, 1);
    EXPECT_FALSE(fs::exists(Path("other.dat")));

    const Result missing = Run("import " + Quoted(image) + " '$.NOWHERE' " + Quoted(Path("D")));
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "File Not Found : $.NOWHERE\n");
}

TEST_F(HostCommands, ExportOfOneFileIsASelectedItem)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(test::AddFile(disc, kRoot, "A/B", {1, 2, 3}, 0x1900, 0x8023, "LR"), 0);
    const fs::path image = Save(disc, "d.dat");
    const Result r = Run("export " + Quoted(image) + " 'a/b' " + Quoted(Path("dest")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(Path("dest/A_B")), std::string("\1\2\3"));
    EXPECT_EQ(ReadFile(Path("dest/A_B.INF")), "A/B        00001900 00008023 00000003 LR \r\n");

    const Result bad = Run("export " + Quoted(image) + " '$' " + Quoted(Path("no/such/dest")));
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.starts_with("Cannot Export : " + Path("no/such/dest").string())) << bad.err;
}

TEST_F(HostCommands, DamagedImageExportStaysInsideDest)
{
    Disc disc = NewDisc(16);
    for (const std::string name : {"..", ".", "", "X\x02Y"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, {7}), 0);
    // ".." as a directory entry that points at the root itself.
    const std::uint64_t e = EntryOffset(kRoot, FindEntry(disc, kRoot, ".."));
    disc.Set(e + entry::kAttrD, disc.At(e + entry::kAttrD) | 0x80);
    disc.Write24(e + entry::kStart, kRootSector);
    const fs::path image = Save(disc, "d.dat");
    fs::create_directories(Path("parent/dest"));
    const Result r = Run("export " + Quoted(image) + " '$' " + Quoted(Path("parent/dest")));
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> beside;
    for (const auto& p : fs::directory_iterator(Path("parent")))
        beside.insert(p.path().filename().string());
    EXPECT_EQ(beside, std::set<std::string>{"dest"});
    std::set<std::string> inside;
    for (const auto& p : fs::directory_iterator(Path("parent/dest")))
        inside.insert(p.path().filename().string());
    EXPECT_EQ(inside, (std::set<std::string>{"_..", "_...INF", "_.", "_..INF", "_", "_.INF", "X_Y", "X_Y.INF"}));
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
            CompareTrees(a, SectorAddress(x.start), b, SectorAddress(y.start), path + "." + x.name, files);
            continue;
        }
        EXPECT_EQ(x.load, y.load);
        EXPECT_EQ(x.exec, y.exec);
        EXPECT_EQ(x.length, y.length);
        EXPECT_EQ(std::make_tuple(x.R, x.W, x.L), std::make_tuple(y.R, y.W, y.L));
        const auto bytes = [](const Disc& d, const DirEntry& e) {
            const auto first = d.DiscImage.begin() + static_cast<std::ptrdiff_t>(std::uint64_t{e.start} * kSectorSize);
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
        EXPECT_TRUE(d) << name << ": " << (sink.messages.empty() ? "" : sink.messages.back());
        return d.value_or(kRoot);
    };
    const char* attributes[] = {"", "R", "W", "L", "WR", "LR", "LW", "LWR", "ELWR"};
    int made = 0;
    auto fill = [&](SectorAddress dir, const std::string& prefix, int count) {
        for (int i = 0; i < count; ++i) {
            std::vector<std::uint8_t> data(random() % 1500);
            for (auto& b : data)
                b = static_cast<std::uint8_t>(random());
            const std::string name = prefix + std::to_string(i);
            ASSERT_GE(test::AddFile(disc, dir, name, data, static_cast<std::uint32_t>(random()),
                                    static_cast<std::uint32_t>(random()), attributes[random() % 9]),
                      0)
                << name;
            ++made;
        }
    };
    // Names that the host cannot hold as they are come back through their sidecars.
    for (const std::string special : {"A/B", "CON", "prn", "lower", "$", ".X", "Q\x01Z", "TENLETTERS"})
        ASSERT_GE(test::AddFile(disc, kRoot, special, {1, 2}, 0x1900, 0x8023, "LR"), 0);
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
    const fs::path image = Save(disc, "full.dat");

    const Result out = Run("export " + Quoted(image) + " '$' " + Quoted(Path("out")));
    ASSERT_EQ(out.status, 0) << out.err;
    ASSERT_EQ(Run("new " + Quoted(Path("blank.dat")) + " --size 8M").status, 0);
    std::vector<std::string> items;
    for (const auto& p : fs::directory_iterator(Path("out")))
        items.push_back(Quoted(p.path()));
    std::sort(items.begin(), items.end());
    std::string args;
    for (const auto& item : items)
        args += " " + item;
    const Result in = Run("import " + Quoted(Path("blank.dat")) + " '$'" + args);
    ASSERT_EQ(in.status, 0) << in.err;

    const Disc back = Open(Path("blank.dat"));
    EXPECT_EQ(test::ConsistencyProblems(back), std::vector<std::string>{});
    int files = 0;
    CompareTrees(disc, kRoot, back, kRoot, "$", files);
    EXPECT_EQ(files, made + 8);
}

} // namespace
} // namespace marlin::cli

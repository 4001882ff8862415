// Runs the built `marlin` and checks what it prints and its exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

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

// The golden listing as the tool prints it: LF for CR.
std::string GoldenLF(const std::string& name)
{
    std::string text = ReadFile(fs::path(MARLIN_TEST_DATA) / name);
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

class Marlin : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("marlin_cli_read_" + std::string(info->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    // args are passed through the shell; tests use only plain words and
    // paths of their own folder.
    Result Run(const std::string& args) const
    {
        const std::string out = Path("stdout.txt"), err = Path("stderr.txt");
        const std::string command = std::string("'") + MARLIN_BINARY + "' " + args + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }

    void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        std::ofstream f(Path(name), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::string SaveSample() const
    {
        SilentSink sink;
        EXPECT_TRUE(SaveImage(test::SampleDisc(), Path("sample.dat"), sink));
        return Path("sample.dat");
    }

    fs::path m_dir;
};

TEST_F(Marlin, NewOneMegabyteDiscIs1792BytesOfABlankDisc)
{
    const Result r = Run("new " + Path("d.dat") + " --size 1M");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const std::string bytes = ReadFile(Path("d.dat"));
    ASSERT_EQ(bytes.size(), 1792u);
    const Disc blank = NewDisc(16);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), blank.DiscImage.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));

    // Default size is 4 MB.
    ASSERT_EQ(Run("new " + Path("e.dat")).status, 0);
    SilentSink sink;
    const auto disc = OpenImage(Path("e.dat"), sink);
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->DiscSizeField(), 16384u);
}

TEST_F(Marlin, BlankDiscListings)
{
    ASSERT_EQ(Run("new " + Path("d.dat") + " --size 1M").status, 0);
    const std::string header = "$                   (01)\n"
                               "Drive:0             Option 00 (Off )\n"
                               "Dir. $              Lib. \"Unset\"\n"
                               "\n";
    struct Case {
        std::string args, out;
    };
    const Case cases[] = {
        {"cat", header + "\n\n"},
        {"ex", header},
        {"map", "Address : Length\n000007  : 000FF9\n"},
        {"tree", "$\n"},
        {"ls", ""},
        {"info", " 1046784 Bytes Free,  1792 Bytes Used\nDisc size: 4096 sectors\nBoot option: 0 (Off)\n"
                 "Free runs: 1\nMap checksums: hold\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = Run(c.args + " " + Path("d.dat"));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Marlin, SampleDiscListingsMatchTheGoldenTexts)
{
    const std::string image = SaveSample();
    struct Case {
        std::string args, out;
    };
    const Case cases[] = {
        {"cat " + image, GoldenLF("cat_root.txt")},
        {"ex " + image + " '$'", GoldenLF("ex_root.txt")},
        {"catall " + image, GoldenLF("catall_root.txt")},
        {"exall " + image, GoldenLF("exall_root.txt")},
        {"tree " + image, "$\n  Games\n"},
        {"ls " + image, "ALPHA\tWR\t(02)\t00001900\t00008023\t0000012C\t000007\n"
                        "beta\tR\t(04)\t00000000\t00000000\t00000000\t000022\n"
                        "Games\tDWR\t(03)\t000009\t\t\t\n"},
        // Paths: from the root, in any case, with or without "$.".
        {"ls " + image + " '$.Games'", "Elite\tLR\t(02)\tFFFF0E00\tFFFF0E23\t00001388\t00000E\n"},
        {"ls " + image + " games", "Elite\tLR\t(02)\tFFFF0E00\tFFFF0E23\t00001388\t00000E\n"},
        {"ex " + image + " GAMES",
         "Games               (02)\nDrive:0             Option 00 (Off )\nDir. Games          Lib. \"Unset\"\n\n"
         "Elite      LR (02)  FFFF0E00  FFFF0E23  00001388  00000E\n"},
        {"map " + image, "Address : Length\n000023  : 000FDD\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Marlin, RefusalsAndUsageErrors)
{
    const std::string image = SaveSample();
    std::mt19937 random(99);
    std::vector<std::uint8_t> noise(8192);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    noise[254] |= 0x80; // its size field announces more than 512 MiB
    WriteBytes("noise.dat", noise);
    WriteBytes("one.dat", {0x2A});
    std::string truncated = ReadFile(image).substr(0, 300);
    WriteBytes("truncated.dat", {truncated.begin(), truncated.end()});

    struct Case {
        std::string args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"cat " + Path("one.dat"), 1, "This is not a Marlin disc image : " + Path("one.dat") + "\n"},
        {"info " + Path("noise.dat"), 1, "This is not a Marlin disc image : " + Path("noise.dat") + "\n"},
        {"ls " + Path("truncated.dat"), 1, "This is not a Marlin disc image : " + Path("truncated.dat") + "\n"},
        {"map " + Path("missing.dat"), 2, "File Not Found : " + Path("missing.dat") + "\n"},
        {"ls " + image + " '$.Nothing'", 2, "File Not Found : $.Nothing\n"},
        {"cat " + image + " ALPHA", 2, "File Not Found : ALPHA\n"}, // a file is no directory
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Run("frobnicate " + image).status, 2);
    EXPECT_EQ(Run("cat").status, 2);
    const Result version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Version 1.0.2\n");
}

// Random bytes whose size field happens to be plausible open as a disc; every
// read command then prints something or nothing, and never crashes.
TEST_F(Marlin, PlausibleNoiseIsListedWithoutCrashing)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::uint8_t> noise(64 * 256);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        noise[252] = 64;
        noise[253] = 0;
        noise[254] = 0;
        for (int k = 0; k < 4; ++k) // a signed root full of nonsense entries
            noise[2 * 256 + 1 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>("Hugo"[k]);
        WriteBytes("noise.dat", noise);
        for (const char* command : {"info", "tree", "ls", "cat", "catall", "ex", "exall", "map"}) {
            SCOPED_TRACE(command);
            const Result r = Run(std::string(command) + " " + Path("noise.dat"));
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
        }
    }
}

} // namespace
} // namespace marlin::cli

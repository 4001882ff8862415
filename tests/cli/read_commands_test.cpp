// The read-only commands: what `marlin` prints and its exit status.
#include <algorithm>
#include <random>

#include "cli_fixture.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;

struct Case {
    std::vector<std::string> args;
    std::string out;
};

using ReadCommands = CliTest;

TEST_F(ReadCommands, NewOneMegabyteDiscIs1792BytesOfABlankDisc)
{
    const Result r = Run({"new", Path("d.dat"), "--size", "1M"});
    EXPECT_EQ(std::make_tuple(r.status, r.out, r.err), std::make_tuple(0, std::string(), std::string()));
    const std::string bytes = ReadHostFile(Path("d.dat"));
    ASSERT_EQ(bytes.size(), 1792u);
    const Disc blank = NewDisc(16);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), blank.Image().begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    // Default size is 4 MB.
    ASSERT_EQ(Run({"new", Path("e.dat")}).status, 0);
    EXPECT_EQ(Load(Path("e.dat")).DiscSizeField(), 16384u);
}

TEST_F(ReadCommands, ListingsOfABlankAndASampleDisc)
{
    ASSERT_EQ(Run({"new", Path("blank.dat"), "--size", "1M"}).status, 0);
    const std::string blank = Path("blank.dat");
    const std::string image = Save(SampleDisc());
    const std::string header = "$                   (01)\nDrive:0             Option 00 (Off )\n"
                               "Dir. $              Lib. \"Unset\"\n\n";
    const std::string elite = "Elite\tLR\t(02)\tFFFF0E00\tFFFF0E23\t00001388\t00000E\n";
    const Case cases[] = {
        {{"cat", blank}, header + "\n\n"},
        {{"ex", blank}, header},
        {{"map", blank}, "Address : Length\n000007  : 000FF9\n"},
        {{"tree", blank}, "$\n"},
        {{"ls", blank}, ""},
        {{"info", blank},
         " 1046784 Bytes Free,  1792 Bytes Used\nDisc size: 4096 sectors\nBoot option: 0 (Off)\n"
         "Free runs: 1\nMap checksums: hold\n"},
        {{"cat", image}, Lf(ReadHostFile(MARLIN_TEST_DATA "/cat_root.txt"))},
        {{"ex", image, "$"}, Lf(ReadHostFile(MARLIN_TEST_DATA "/ex_root.txt"))},
        {{"catall", image}, Lf(ReadHostFile(MARLIN_TEST_DATA "/catall_root.txt"))},
        {{"exall", image}, Lf(ReadHostFile(MARLIN_TEST_DATA "/exall_root.txt"))},
        {{"tree", image}, "$\n  Games\n"},
        {{"ls", image},
         "ALPHA\tWR\t(02)\t00001900\t00008023\t0000012C\t000007\n"
         "beta\tR\t(04)\t00000000\t00000000\t00000000\t000022\n"
         "Games\tDWR\t(03)\t000009\t\t\t\n"},
        // Paths: from the root, in any case, with or without "$.".
        {{"ls", image, "$.Games"}, elite},
        {{"ls", image, "games"}, elite},
        {{"ex", image, "GAMES"},
         "Games               (02)\nDrive:0             Option 00 (Off )\nDir. Games          Lib. \"Unset\"\n\n"
         "Elite      LR (02)  FFFF0E00  FFFF0E23  00001388  00000E\n"},
        {{"map", image}, "Address : Length\n000023  : 000FDD\n"},
        {{"--version"}, "Version 1.0.2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ReadCommands, RefusalsAndUsageErrors)
{
    const std::string image = Save(SampleDisc());
    std::mt19937 random(99);
    std::string noise(8192, '\0');
    for (char& b : noise)
        b = static_cast<char>(random());
    noise[254] = static_cast<char>(0x80); // its size field announces more than 512 MiB
    WriteHostFile(Path("noise.dat"), noise);
    WriteHostFile(Path("one.dat"), "*");
    WriteHostFile(Path("truncated.dat"), ReadHostFile(image).substr(0, 300));

    struct Refusal {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string notAnImage = "This is not a Marlin disc image : ";
    const Refusal cases[] = {
        {{"cat", Path("one.dat")}, 1, notAnImage + Path("one.dat") + "\n"},
        {{"info", Path("noise.dat")}, 1, notAnImage + Path("noise.dat") + "\n"},
        {{"ls", Path("truncated.dat")}, 1, notAnImage + Path("truncated.dat") + "\n"},
        {{"map", Path("missing.dat")}, 2, "File Not Found : " + Path("missing.dat") + "\n"},
        {{"ls", image, "$.Nothing"}, 2, "File Not Found : $.Nothing\n"},
        {{"cat", image, "ALPHA"}, 2, "File Not Found : ALPHA\n"}, // a file is no directory
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(Run({"frobnicate", image}).status, 2);
    EXPECT_EQ(Run({"cat"}).status, 2);
}

// Random bytes whose size field happens to be plausible open as a disc; every
// read command then prints something or nothing, and never crashes.
TEST_F(ReadCommands, PlausibleNoiseIsListedWithoutCrashing)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 3; ++round) {
        std::string noise(64 * 256, '\0');
        for (char& b : noise)
            b = static_cast<char>(random());
        noise.replace(252, 3, std::string("\x40\0\0", 3)); // 64 sectors
        noise.replace(2 * 256 + 1, 4, "Hugo");             // a signed root full of nonsense entries
        WriteHostFile(Path("noise.dat"), noise);
        for (const char* command : {"info", "tree", "ls", "cat", "catall", "ex", "exall", "map"}) {
            SCOPED_TRACE(command);
            const Result r = Run({command, Path("noise.dat")});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
        }
    }
}

} // namespace
} // namespace marlin::test

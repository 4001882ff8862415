// find, addr, get and put, and the values and escapes of the --json documents; "@name" is a file of the test's own.
#include "cli_fixture.h"
#include "image/directory.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;
using Files = CliTest;

// SampleDisc: $ holds ALPHA, beta and Games, which holds Elite.
TEST_F(Files, FindPrintsFullPathsInTheWalksOrder)
{
    Save(SampleDisc());
    const std::vector<std::pair<std::string, Result>> cases = {
        {"find @d.dat *", {0, "$.ALPHA\n$.beta\n$.Games\n$.Games.Elite\n", ""}},
        {"find @d.dat #L*", {0, "$.ALPHA\n$.Games.Elite\n", ""}},
        {"find @d.dat * games", {0, "$.Games.Elite\n", ""}},
        {"find @d.dat $.g*.* $", {0, "$.Games.Elite\n", ""}},
        {"find @d.dat Zeta", {1, "", ""}},
        {"find @d.dat * $.ALPHA", {2, "", "File Not Found : $.ALPHA\n"}},
    };
    for (const auto& [command, expected] : cases)
        EXPECT_EQ(Run(command), expected) << command;
}

// Each option sets its own address; the sequence number goes from 04 to 05.
TEST_F(Files, AddrSetsTheAddressesGiven)
{
    for (const auto& [options, addresses] : {std::pair{"--load ffff1900", "FFFF1900\t00008023"},
                                             {"--exec 1", "00001900\t00000001"},
                                             {"--exec FFFFFFFF --load 0", "00000000\tFFFFFFFF"}}) {
        const std::string before = ReadHostFile(Save(SampleDisc()));
        EXPECT_EQ(Run("addr @d.dat ALPHA --dry-run " + std::string(options)), (Result{0, "", ""}));
        EXPECT_TRUE(ReadHostFile(Path("d.dat")) == before) << options;
        EXPECT_EQ(Run("addr @d.dat $.alpha " + std::string(options)), (Result{0, "", ""}));
        const std::string ls = Run("ls @d.dat").out;
        EXPECT_EQ(ls.substr(0, ls.find('\n')), "ALPHA\tWR\t(05)\t" + std::string(addresses) + "\t0000012C\t000007");
    }
}

TEST_F(Files, RefusalsLeaveTheImageAsItWas)
{
    const std::string image = Save(SampleDisc()), before = ReadHostFile(image);
    WriteHostFile(Path("host"), "h");
    const Refusals cases = {
        {"addr @d.dat Games --load 0", 1, "Cannot Set Addresses Of Directory : Games"},
        {"addr @d.dat $.Nope --exec 0", 2, "File Not Found : $.Nope"},
        {"addr @d.dat ALPHA", 2, "addr needs --load HEX, --exec HEX or both"},
        {"addr @d.dat ALPHA --load 123456789", 2, "*"},
        {"addr @d.dat ALPHA --exec &1900", 2, "*"},
        {"get @d.dat Games", 2, "File Not Found : Games"},
        {"get @d.dat $.Games.Nope", 2, "File Not Found : $.Games.Nope"},
        {"get @d.dat ALPHA @no/such/file", 1, "Cannot Export : @no/such/file"},
        {"put @d.dat $ @host --name alpha", 1, "File alpha Already Exists"},
        {"put @d.dat $.Games @host --name a.b", 1, "File a.b Contains Illegal Characters"},
        {"put @d.dat $ @none --name X", 1, "Cannot Read Host File : @none"},
        {"put @d.dat ALPHA @host --name X", 2, "File Not Found : ALPHA"},
        {"put @d.dat $ @host", 2, "*"},
    };
    ExpectRefusals(cases, image, before);
}

// Every byte value (CR and LF too) crosses a pipe unchanged, from none to as many as a
// blank disc holds; one more is refused.
TEST_F(Files, GetAndPutCarryBytesExactlyThroughAPipe)
{
    const std::uint64_t most = std::uint64_t{NewDisc(16).map.runs.front().Length} * kSectorSize;
    for (const std::uint64_t size : {std::uint64_t{0}, std::uint64_t{1000}, most}) {
        std::vector<std::uint8_t> data(size);
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
        Disc source = NewDisc(16);
        ASSERT_GE(AddFile(source, kRoot, "F", data, 0x1900), 0);
        Save(source, "src.dat");
        Save(NewDisc(16), "dst.dat");
#ifdef _WIN32
        // No POSIX shell to make the pipe: the bytes go through a file.
        WriteHostFile(Path("piped"), Run({"get", Path("src.dat"), "F"}).out);
        ASSERT_EQ(Run({"put", Path("dst.dat"), "$", "-", "--name", "Copy", "--exec", "8023"}, Path("piped")).status, 0);
#else
        const std::string pipe = Command({"get", Path("src.dat"), "F"}) + " | " +
                                 Command({"put", Path("dst.dat"), "$", "-", "--name", "Copy", "--exec", "8023"});
        ASSERT_EQ(std::system(pipe.c_str()), 0) << size;
#endif
        EXPECT_EQ(Run("get @dst.dat copy -"), (Result{0, std::string(data.begin(), data.end()), ""})) << size;
        EXPECT_EQ(Run("get @dst.dat $.Copy @out").status, 0);
        EXPECT_TRUE(ReadHostFile(Path("out")) == std::string(data.begin(), data.end())) << size;
        const Disc copied = Load(Path("dst.dat"));
        const DirEntry e = EntryNamed(copied, kRoot, "Copy");
        EXPECT_EQ(std::tuple(e.R, e.W, e.L, e.load, e.exec, e.length),
                  std::tuple(true, true, false, 0u, 0x8023u, size));
        EXPECT_EQ(ConsistencyProblems(copied), std::vector<std::string>{});
    }
    const std::string blank = ReadHostFile(Save(NewDisc(16)));
    WriteHostFile(Path("big"), std::string(most + 1, 'b'));
    EXPECT_EQ(Run({"put", Path("d.dat"), "$", "-", "--name", "Big"}, Path("big")),
              (Result{1, "", "Not Enough Free Contiguous Space on Disc\n"}));
    EXPECT_TRUE(ReadHostFile(Path("d.dat")) == blank);
}

// Names keep their bytes, those below 0x20 and from 0x7F on escaped as \u00XX (never by letter).
TEST_F(Files, JsonDocumentsHoldTheDiscsValues)
{
    Disc disc = NewDisc(16);
    AddFile(disc, MakeDir(disc, kRoot, "D"), "A\t\x01\x7F", Bytes("xyz"), 0xFFFF1900, 0x8023, "LR");
    Save(disc);
    const std::string entry = R"("name":"A\u0009\u0001\u007f","attributes":"LR","sequence":2,"load":4294908160,)"
                              R"("exec":32803,"length":3,"sector":12,"directory":false})";
    const std::string damaged = std::string(MARLIN_DAMAGED_DATA) + "/bad_checksum0.dat";
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"ls", Path("d.dat"), "d"}, 0, R"({"directory":"$.D","entries":[{)" + entry + "]}"},
        {{"find", Path("d.dat"), "a*"},
         0,
         R"({"pattern":"a*","directory":"$","matches":[{"path":"$.D.A\u0009\u0001\u007f",)" + entry + "]}"},
        {{"find", Path("d.dat"), "B*", "D"}, 1, R"({"pattern":"B*","directory":"$.D","matches":[]})"},
        {{"tree", Path("d.dat")}, 0, R"({"name":"$","sector":2,"children":[{"name":"D","sector":7,"children":[]}]})"},
        {{"map", Path("d.dat")}, 0, R"({"runs":[{"start":13,"length":4083}]})"},
        {{"info", Path("d.dat")},
         0,
         R"({"freeBytes":1045248,"usedBytes":3328,"discSectors":4096,"bootOption":0,"bootOptionName":"Off",)"
         R"("freeRuns":1,"mapChecksumsHold":true})"},
        {{"check", damaged}, 1, R"({"problems":["Free space map: checksum of sector 0 is 6B, its bytes give 31"]})"},
    };
    for (auto [args, status, out] : cases) {
        args.push_back("--json");
        EXPECT_EQ(Run(args), (Result{status, out + "\n", ""})) << args[0];
    }
}

} // namespace
} // namespace marlin::test

// Views of a file as large as a disc holds, and of an entry claiming more, under a memory
// limit far below their text: each comes out whole, made and written a line at a time.
#include "cli_fixture.h"
#include "image/directory.h"
#include "image/hex.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;

// The exit status, and stdout's length and first and last lines as it streams past.
using Streamed = std::tuple<int, std::uint64_t, std::string, std::string>;

// Memory held to 1 GiB: of address space, or under AddressSanitizer (which reserves
// terabytes of it) of resident memory.
Streamed RunLimited([[maybe_unused]] const std::vector<std::string>& args)
{
#ifdef _WIN32
    return {};
#else
#ifdef MARLIN_SANITIZED
    FILE* out = popen(("ASAN_OPTIONS=hard_rss_limit_mb=1024:detect_leaks=0 " + Command(args)).c_str(), "r");
#else
    FILE* out = popen(("ulimit -v 1048576; exec " + Command(args)).c_str(), "r");
#endif
    std::uint64_t bytes = 0;
    std::string buffer(1 << 20, '\0'), first, tail; // tail: enough of the end to hold the last line
    for (std::size_t n; out && (n = std::fread(buffer.data(), 1, buffer.size(), out)) > 0; bytes += n) {
        if (bytes == 0)
            first = buffer.substr(0, buffer.find('\n'));
        tail = (tail + buffer.substr(0, n)).substr(n > 256 ? tail.size() + n - 256 : 0);
    }
    const int raw = out ? pclose(out) : -1;
    if (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, bytes, first, tail.substr(tail.rfind('\n') + 1)};
#endif
}

class LargeViews : public CliTest {
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "the memory limit needs a POSIX shell's ulimit";
#endif
    }
};

// One NOP per byte and line; 16 bytes a hex line, whose offsets keep their low six digits.
TEST_F(LargeViews, AFileFillingA64MbDisc)
{
    Disc disc = NewDisc(1024);
    const std::uint64_t length = disc.map.runs.front().Length * std::uint64_t{kSectorSize};
    ASSERT_GE(AddFile(disc, kRoot, "NOP", std::vector<std::uint8_t>(length, 0xEA), 0x1900), 0);
    ASSERT_EQ(disc.map.runs.size(), 0u); // not a sector left
    const std::string image = Save(disc);
    auto nop = [](std::uint64_t address) { return FixedHex(address, 4) + "  EA          NOP              j"; };
    EXPECT_EQ(RunLimited({"dis", image, "NOP"}),
              Streamed(0, length * (nop(0).size() + 1), nop(0x1900), nop(0x1900 + length - 1)));
    std::string row = " : ";
    for (int k = 0; k < 16; ++k)
        row += "EA ";
    EXPECT_EQ(RunLimited({"hex", image, "NOP"}),
              Streamed(0, length / 16 * 75, "000000" + row + " " + std::string(16, 'j'),
                       FixedHex(length - 16, 6) + row + " " + std::string(16, 'j')));
}

// A 512 MiB disc saved as its used sectors only: the bytes past the file read as
// zeros, one BRK a line.
TEST_F(LargeViews, AnEntryClaiming4GbShowsWhatTheImageHolds)
{
    Disc disc = NewDisc(8192);
    ASSERT_GE(AddFile(disc, kRoot, "HUGE", {1}, 0x2000), 0);
    const std::uint64_t entry = EntryOffset(kRoot, FindEntry(disc, kRoot, "HUGE"));
    disc.Write32(entry + entry::kLength, 0xFFFFFFFF);
    disc.Write24(entry + entry::kStart, disc.SectorsInImage() - 2);
    const std::string image = Save(disc);
    std::string row = " : ";
    for (int k = 0; k < 16; ++k)
        row += "00 ";
    row += " " + std::string(16, '.');
    EXPECT_EQ(RunLimited({"hex", image, "HUGE"}),
              Streamed(0, 2 * kSectorSize / 16 * 75, "000000" + row, "0001F0" + row));
    EXPECT_EQ(RunLimited({"dis", image, "HUGE"}),
              Streamed(0, 2 * kSectorSize * 37, "2000  00          BRK              .",
                       "21FF  00          BRK              ."));
}

} // namespace
} // namespace marlin::test

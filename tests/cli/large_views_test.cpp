// The tool's views of files as large as a disc holds, and of an entry that
// claims more than any disc holds, under a memory limit far below their text:
// each comes out whole, made and written a line at a time.
#include <cstdio>
#include <string>

#include "cli_fixture.h"
#include "image/directory.h"
#include "image/hex.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;

// A command's standard output as it streams past: its length, its first and
// last lines (without LF) and the exit status.
struct Streamed {
    int status = -1;
    std::uint64_t bytes = 0;
    std::string first, last;
};

// Runs `marlin` with its memory held to 1 GiB: an address-space limit, or
// under AddressSanitizer (which reserves terabytes of address space) a limit
// on resident memory that ends the process when passed.
Streamed RunLimited(const std::vector<std::string>& args)
{
#ifdef MARLIN_SANITIZED
    std::string command = "ASAN_OPTIONS=hard_rss_limit_mb=1024:detect_leaks=0 " + Quote(MARLIN_BINARY);
#else
    std::string command = "ulimit -v 1048576; exec " + Quote(MARLIN_BINARY);
#endif
    for (const auto& a : args)
        command += " " + Quote(a);
    FILE* out = popen(command.c_str(), "r");
    Streamed s;
    if (!out)
        return s;
    std::string buffer(1 << 20, '\0');
    std::string tail; // the end of what has come, enough to hold the last line
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), out)) > 0;) {
        if (s.bytes == 0)
            s.first = buffer.substr(0, buffer.find('\n'));
        s.bytes += n;
        tail = (tail + buffer.substr(0, n)).substr(n > 256 ? tail.size() + n - 256 : 0);
    }
    const int raw = pclose(out);
    s.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    s.last = tail.substr(tail.rfind('\n') + 1);
    return s;
}

class LargeViews : public CliTest {};

TEST_F(LargeViews, AFileFillingA64MbDisc)
{
    Disc disc = NewDisc(1024);
    const std::uint64_t length = disc.map.runs.front().Length * std::uint64_t{kSectorSize};
    ASSERT_GE(AddFile(disc, kRoot, "NOP", std::vector<std::uint8_t>(length, 0xEA), 0x1900), 0);
    ASSERT_EQ(disc.map.runs.size(), 0u); // not a sector left
    const std::string image = Save(disc);

    // One NOP per byte and line: address, byte, mnemonic, character.
    auto nop = [](std::uint64_t address) { return FixedHex(address, 4) + "  EA          NOP              j"; };
    const Streamed dis = RunLimited({"dis", image, "NOP"});
    EXPECT_EQ(dis.status, 0);
    EXPECT_EQ(dis.bytes, length * (nop(0).size() + 1));
    EXPECT_EQ(dis.first, nop(0x1900));
    EXPECT_EQ(dis.last, nop(0x1900 + length - 1));

    // 16 bytes a line; offsets keep their low six hex digits.
    const std::string row = " :" + std::string(16 * 3, ' ') + " " + std::string(16, 'j');
    const Streamed hex = RunLimited({"hex", image, "NOP"});
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(hex.bytes, length / 16 * 75);
    EXPECT_EQ(hex.first, "000000 : EA EA EA EA EA EA EA EA EA EA EA EA EA EA EA EA  jjjjjjjjjjjjjjjj");
    EXPECT_EQ(hex.last.substr(0, 9), FixedHex(length - 16, 6) + " : ");
    EXPECT_EQ(hex.last.size(), 74u);
}

TEST_F(LargeViews, AnEntryClaiming4GbShowsWhatTheImageHolds)
{
    // A disc whose size field says 512 MiB; the file holds only its used
    // sectors, and opening grows it to that size.
    Disc disc = NewDisc(8192);
    ASSERT_GE(AddFile(disc, kRoot, "HUGE", {1}, 0x2000), 0);
    const int slot = FindEntry(disc, kRoot, "HUGE");
    const std::uint32_t start = disc.SectorsInImage() - 2;
    disc.Write32(EntryOffset(kRoot, slot) + entry::kLength, 0xFFFFFFFF);
    disc.Write24(EntryOffset(kRoot, slot) + entry::kStart, start);
    const std::string image = Save(disc);

    // The bytes past the saved file read as zeros: one BRK a line.
    const Streamed hex = RunLimited({"hex", image, "HUGE"});
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(hex.bytes, 2 * kSectorSize / 16 * 75);
    EXPECT_EQ(hex.first.substr(0, 12), "000000 : 00 ");
    EXPECT_EQ(hex.last.substr(0, 9), "0001F0 : ");

    const Streamed dis = RunLimited({"dis", image, "HUGE"});
    EXPECT_EQ(dis.status, 0);
    EXPECT_EQ(dis.bytes, 2 * kSectorSize * 37);
    EXPECT_EQ(dis.first, "2000  00          BRK              .");
    EXPECT_EQ(dis.last, "21FF  00          BRK              .");
}

} // namespace
} // namespace marlin::test

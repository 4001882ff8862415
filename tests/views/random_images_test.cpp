// The producers over random bytes and random list items: under the sanitizer
// build any read outside the image fails the run; the checks below hold for
// any content. (The listings get the same from the fuzz corpus replays.)
// Each text made a line at a time, from any line on, is the whole text.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "view_test_util.h"
#include "views/basic_lister.h"
#include "views/disassembler.h"
#include "views/dumps.h"

namespace marlin::views {
namespace {

// Counted in uneven steps, every line and every run of lines from any line
// on is the text's own.
void ExpectLinesOfText(LineSource& lines, std::mt19937& rng)
{
    const std::string text = TextOf(lines);
    const auto split = test::Lines(text);
    while (!lines.IndexMore(1 + rng() % 150)) {
    }
    ASSERT_EQ(lines.KnownLines(), split.size());
    if (split.empty())
        return;
    EXPECT_EQ(lines.EndsWithCR(), text.back() == '\r');
    for (int k = 0; k < 12; ++k) {
        const std::uint64_t i = rng() % split.size();
        EXPECT_EQ(lines.Line(i), split[i]) << i;
    }
    const std::uint64_t first = rng() % split.size();
    std::uint64_t next = first;
    lines.ForEach(first, [&](std::uint64_t n, std::string_view line) {
        EXPECT_EQ(n, next);
        EXPECT_EQ(line, split[n]);
        ++next;
        return next < first + 100;
    });
    EXPECT_EQ(next, std::min<std::uint64_t>(first + 100, split.size()));
}

// A program the lister accepts: numbered lines of random bytes, then the end.
std::vector<std::uint8_t> RandomProgram(std::mt19937& rng)
{
    std::vector<std::uint8_t> program;
    for (int line = 0, lines = 1 + static_cast<int>(rng() % 300); line < lines; ++line) {
        const int length = static_cast<int>(rng() % 12);
        program.insert(program.end(), {13, static_cast<std::uint8_t>(line >> 8), static_cast<std::uint8_t>(line),
                                       static_cast<std::uint8_t>(4 + length)});
        for (int i = 0; i < length; ++i)
            program.push_back(static_cast<std::uint8_t>(14 + rng() % 242));
    }
    program.insert(program.end(), {13, 255});
    return program;
}

TEST(RandomImages, ProducersStayInsideTheImage)
{
    std::mt19937 rng(20240607);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const std::size_t size = rng() % 3000;
        std::vector<std::uint8_t> bytes(size);
        // Half the images lean towards the bytes the producers act on.
        const bool loaded = round % 2 == 0;
        for (auto& b : bytes) {
            const std::uint32_t r = rng();
            b = loaded && r % 4 == 0 ? std::array<std::uint8_t, 4>{13, 255, 0x8D, 34}[r / 4 % 4]
                                     : static_cast<std::uint8_t>(r);
        }
        image::Disc disc(bytes);
        FileItem item;
        item.name = "R";
        item.directory = rng() % 5 == 0;
        item.sector = rng() % 14;
        item.load = rng() % 14;
        item.length = rng() % 3 == 0 ? static_cast<std::uint32_t>(rng()) : rng() % 2000;
        const std::uint64_t base = std::min<std::uint64_t>(std::uint64_t{item.sector} * 256, size);
        const std::uint64_t available = std::min<std::uint64_t>(item.length, size - base);

        const std::string hex = Text(ShowHex(disc, item));
        if (!item.directory) {
            EXPECT_EQ(test::Lines(hex).size(), (available + 15) / 16);
        }

        for (const auto keep : {Keep::Borrowed, Keep::Snapshot}) {
            for (auto* show : {&ShowHex, &ShowText, &ShowBasic, &ShowDis})
                ExpectLinesOfText(*show(disc, item, keep).lines, rng);
        }

        EXPECT_EQ(Text(ShowText(disc, item)).size(),
                  available - static_cast<std::uint64_t>(
                                  std::count(disc.Image().begin() + static_cast<long>(base),
                                             disc.Image().begin() + static_cast<long>(base + available), 10)));
    }
}

TEST(RandomImages, ProgramsListALineAtATime)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 40; ++round) {
        test::DiscWithFile f(RandomProgram(rng));
        ASSERT_TRUE(IsBasicProgram(f.disc.Bytes().subspan(f.item.sector * std::size_t{256}, f.item.length)));
        ExpectLinesOfText(*ShowBasic(f.disc, f.item).lines, rng);
    }
}

TEST(TextLines, ALongLineShowsInRowsAndIsWrittenWhole)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::size_t> rows; // their lengths
    };
    const std::string full(4096, 'a');
    const std::vector<Case> cases = {
        {"one row full", full, {4096}},
        {"a full row then its CR", full + "\r", {4096}},
        {"one more character", full + "b", {4096, 1}},
        {"LF does not count", full.substr(1) + "\n\nb", {4096}},
        {"rows, then a short line", full + full + "cc\rd", {4096, 4096, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::DiscWithFile f(std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
        const View view = ShowText(f.disc, f.item);
        ASSERT_EQ(view.lines->LineCount(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(view.lines->Line(i).size(), c.rows[i]) << i;
        std::string whole = c.bytes;
        std::erase(whole, '\n');
        EXPECT_EQ(Text(view), whole);
    }
}

} // namespace
} // namespace marlin::views

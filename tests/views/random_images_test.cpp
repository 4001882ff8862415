// The producers over random bytes and list items: under the sanitizer any read outside the
// image fails the run (the fuzz replays do the same for the listings), and each text made a
// line at a time, from any line on, is the whole text.
#include <random>

#include "view_test_util.h"
#include "views/basic_lister.h"
#include "views/disassembler.h"
#include "views/dumps.h"

namespace marlin::views {
namespace {

// Counted in uneven steps, every line and run of lines from any line on is the text's own.
void ExpectLinesOfText(LineSource& lines, std::mt19937& rng)
{
    const std::string text = TextOf(lines);
    const auto split = Lines(text);
    for (std::uint64_t known = 0; known < split.size();) {
        // Each step indexes exactly as many lines as asked while there are more.
        const std::uint64_t step = 1 + rng() % 150;
        const bool complete = lines.IndexMore(step);
        known = std::min<std::uint64_t>(known + step, split.size());
        ASSERT_EQ(lines.KnownLines(), known);
        if (complete)
            break;
    }
    EXPECT_TRUE(lines.IndexMore(1));
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
        EXPECT_EQ(std::make_tuple(n, line), std::make_tuple(next, std::string_view(split[n])));
        return ++next < first + 100;
    });
    EXPECT_EQ(next, std::min<std::uint64_t>(first + 100, split.size()));
}

TEST(RandomImages, ProducersStayInsideTheImage)
{
    std::mt19937 rng(20240607);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        Bytes bytes(rng() % 3000);
        // Half the images lean towards the bytes the producers act on.
        for (auto& b : bytes) {
            const std::uint32_t r = rng();
            b = round % 2 == 0 && r % 4 == 0 ? std::array<std::uint8_t, 4>{13, 255, 0x8D, 34}[r / 4 % 4]
                                             : static_cast<std::uint8_t>(r);
        }
        const image::Disc disc(bytes);
        FileItem item{"R", rng() % 5 == 0};
        item.sector = rng() % 14;
        item.load = rng() % 14;
        item.length = rng() % 3 == 0 ? static_cast<std::uint32_t>(rng()) : rng() % 2000;
        const std::uint64_t base = std::min<std::uint64_t>(std::uint64_t{item.sector} * 256, bytes.size());
        const std::uint64_t available = std::min<std::uint64_t>(item.length, bytes.size() - base);
        if (!item.directory) {
            EXPECT_EQ(Lines(Text(ShowHex(disc, item))).size(), (available + 15) / 16);
        }
        EXPECT_EQ(Text(ShowText(disc, item)).size(),
                  available -
                      static_cast<std::uint64_t>(std::count(bytes.begin() + static_cast<long>(base),
                                                            bytes.begin() + static_cast<long>(base + available), 10)));
        for (const auto keep : {Keep::Borrowed, Keep::Snapshot})
            for (auto* show : {&ShowHex, &ShowText, &ShowBasic, &ShowDis})
                ExpectLinesOfText(*show(disc, item, keep).lines, rng);
    }
}

// Programs the lister accepts: numbered lines of random bytes, then the end.
TEST(RandomImages, ProgramsListALineAtATime)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 40; ++round) {
        Bytes program;
        for (int line = 0, lines = 1 + static_cast<int>(rng() % 300); line < lines; ++line) {
            const int length = static_cast<int>(rng() % 12);
            program.insert(program.end(), {13, static_cast<std::uint8_t>(line >> 8), static_cast<std::uint8_t>(line),
                                           static_cast<std::uint8_t>(4 + length)});
            for (int i = 0; i < length; ++i)
                program.push_back(static_cast<std::uint8_t>(14 + rng() % 242));
        }
        program.insert(program.end(), {13, 255});
        ASSERT_TRUE(IsBasicProgram(program));
        DiscWithFile f(program);
        ExpectLinesOfText(*ShowBasic(f.disc, f.item).lines, rng);
    }
}

} // namespace
} // namespace marlin::views

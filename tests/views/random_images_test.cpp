// The dumps over random bytes and random list items: under the sanitizer
// build any read outside the image fails the run; the checks below hold for
// any content. (The listings, the BASIC lister and the disassembler get the
// same from the fuzz corpus replays.)
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "view_test_util.h"
#include "views/dumps.h"

namespace marlin::views {
namespace {

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

        const std::string hex = ShowHex(disc, item).text;
        if (!item.directory) {
            EXPECT_EQ(test::Lines(hex).size(), (available + 15) / 16);
        }

        EXPECT_EQ(ShowText(disc, item).text.size(),
                  available - static_cast<std::uint64_t>(
                                  std::count(disc.DiscImage.begin() + static_cast<long>(base),
                                             disc.DiscImage.begin() + static_cast<long>(base + available), 10)));
    }
}

} // namespace
} // namespace marlin::views

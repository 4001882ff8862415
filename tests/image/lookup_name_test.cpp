#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <string_view>

#include "image/directory.h"
#include "image/lookup_name.h"

namespace marlin::image {
namespace {

using Bytes = std::array<std::uint8_t, 16>;

// What a lookup by name compares: the name as GetEntryName reads it, in
// upper case.
std::string Reference(const Bytes& b)
{
    std::string name;
    for (std::size_t k = 0; k < dir::kNameLength && (b[k] & 0x7F) != kCR; ++k)
        name += static_cast<char>(b[k] & 0x7F);
    return UpperName(name);
}

// Bytes near every edge the forms handle: case, CR, bit 7, NUL and the
// neighbours of the letters; the 6 bytes after the name are noise.
Bytes RandomName(std::mt19937& rng)
{
    static constexpr std::uint8_t kAlphabet[] = {'a', 'A', 'z', 'Z', '`', '{', '@', '[', kCR, 0, 0x80 | 'a', 0x8D};
    Bytes b{};
    for (std::size_t k = 0; k < b.size(); ++k)
        b[k] = k < dir::kNameLength ? kAlphabet[rng() % std::size(kAlphabet)] : static_cast<std::uint8_t>(rng());
    return b;
}

// A name as an entry holds it: CR after a short one.
Bytes NameBytes(std::string_view name)
{
    Bytes b{};
    std::copy_n(name.begin(), std::min(name.size(), b.size()), b.begin());
    if (name.size() < dir::kNameLength)
        b[name.size()] = kCR;
    return b;
}

template <typename Name> void ExpectLookupSemantics()
{
    std::mt19937 rng(12345);
    for (int n = 0; n < 20000; ++n) {
        const Bytes a = RandomName(rng), b = RandomName(rng);
        const Name x(a.data()), y(b.data());
        ASSERT_EQ(x == y, Reference(a) == Reference(b)) << Reference(a) << " / " << Reference(b);
        // A strict order: exactly one of <, ==, > holds.
        ASSERT_EQ(int(x < y) + int(x == y) + int(y < x), 1) << Reference(a) << " / " << Reference(b);
    }
    // Names in the order a directory keeps them rise.
    const std::string_view sorted[] = {"A", "a1", "AB", "abc\rJUNK", "B", "TENLETTERS", "tenletterz", "Z"};
    for (std::size_t k = 1; k < std::size(sorted); ++k)
        EXPECT_TRUE(Name(NameBytes(sorted[k - 1]).data()) < Name(NameBytes(sorted[k]).data()))
            << sorted[k - 1] << " < " << sorted[k];
}

TEST(LookupName, PackedFormComparesAsALookupByName)
{
    ExpectLookupSemantics<PackedName>();
}

#if defined(__SSE2__)
TEST(LookupName, VectorFormComparesAsALookupByNameInTheSameOrder)
{
    ExpectLookupSemantics<VectorName>();
    std::mt19937 rng(777);
    for (int n = 0; n < 20000; ++n) {
        const Bytes a = RandomName(rng), b = RandomName(rng);
        ASSERT_EQ(PackedName(a.data()) < PackedName(b.data()), VectorName(a.data()) < VectorName(b.data()));
    }
}
#endif

} // namespace
} // namespace marlin::image

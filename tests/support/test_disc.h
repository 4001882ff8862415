#pragma once
// Helpers that tests share: building fixtures from a blank disc and a
// consistency check run after every test that changes a disc.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "image/directory.h"

namespace marlin::test {

// Stores a file in dir as an import does (CreateFile). Returns its start
// sector, or -1 when the disc refused (no space, full, duplicate).
int AddFile(image::Disc& disc, image::SectorAddress dir, std::string_view name, const std::vector<std::uint8_t>& data,
            std::uint32_t load = 0, std::uint32_t exec = 0, std::string_view attributes = "WR");

// Makes the directory name in parent and returns its sector (the test fails,
// and the root is returned, when it is refused).
image::SectorAddress MakeDir(image::Disc& disc, image::SectorAddress parent, std::string_view name);

// The entry called name in dir; the test fails when there is none.
image::DirEntry EntryNamed(const image::Disc& disc, image::SectorAddress dir, std::string_view name);

// Points the entry called name in dir at another start sector, as damage would.
void SetStart(image::Disc& disc, image::SectorAddress dir, std::string_view name, std::uint32_t start);

// What image::Check finds (but lost space), and whether the working copy of
// the map differs from the map on the disc. Empty when sound.
std::vector<std::string> ConsistencyProblems(const image::Disc& disc);

// The 1 MB disc of the listing golden texts (tests/data/*_root.txt): $ holds
// ALPHA (sector 7), beta (34) and the directory Games (9), which holds Elite (14).
image::Disc SampleDisc();

// The BCD sequence number after b (99 wraps to 00).
std::uint8_t NextBcd(std::uint8_t b);

// Bytes of a disc file, for building images in tests.
std::vector<std::uint8_t> Bytes(std::string_view text);

// Runs op(disc, sink), which must be refused saying exactly `said` and leave
// every byte of the disc as it was.
template <class Op> void ExpectRefused(image::Disc& disc, const std::vector<std::string>& said, Op op)
{
    const std::vector<std::uint8_t> before = disc.Image();
    image::CollectingSink sink;
    const auto result = op(disc, sink);
    if constexpr (std::is_same_v<std::remove_const_t<decltype(result)>, image::Status>)
        EXPECT_EQ(result, image::Status::Refused);
    else
        EXPECT_TRUE(result.Refused());
    EXPECT_EQ(sink.messages, said);
    EXPECT_TRUE(disc.Image() == before) << "the refusal changed the disc";
}

} // namespace marlin::test

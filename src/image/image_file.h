#pragma once
// Blank discs, and reading image files on the host.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "image/disc.h"
#include "image/messages.h"

namespace marlin::image {

// The sizes New offers, in megabytes and in 64 KiB units (256 sectors).
struct DiscSize {
    int megabytes;
    int units;
};
inline constexpr std::array<DiscSize, 7> kDiscSizes = {
    {{1, 16}, {2, 32}, {4, 64}, {8, 128}, {16, 256}, {32, 512}, {64, 1024}}};
// The size of the blank disc the window starts with and the tool makes by default.
inline constexpr DiscSize kDefaultDiscSize = kDiscSizes[2];

// A formatted blank disc of units * 256 sectors, map loaded.
[[nodiscard]] Disc NewDisc(int units);

// Reads an image file. Refused with FileNotFound when nothing is there, and
// with NotAnImage for a file that cannot be read, is shorter than 512 bytes,
// or whose size field is below 7 or above 2,097,152 sectors (the reason
// travels with the result). A longer file is cut to the disc size, a shorter
// one extended with zeros.
[[nodiscard]] Result<Disc> OpenImage(const std::filesystem::path& path, MessageSink& sink);

// The disc that the bytes of an image file hold, as OpenImage makes it: bytes
// past the disc size dropped, a short file extended with zeros, map loaded.
// Nothing when the bytes are shorter than 512 or the size field is out of range.
[[nodiscard]] std::optional<Disc> DiscFromBytes(std::vector<std::uint8_t> bytes);

// Number of bytes a saved image file holds for this disc.
[[nodiscard]] std::uint64_t SavedLength(const Disc& disc);

} // namespace marlin::image

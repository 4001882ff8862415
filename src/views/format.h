#pragma once
// The fixed text forms of numbers: upper-case hex at a fixed width, list
// columns read back as hex, and the decimal byte counts of the status bar.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/disc.h"

namespace marlin::views {

// 8, 6 and 2 hex digits of the little-endian value at a byte offset.
[[nodiscard]] std::string HexLong(const image::Disc& disc, std::uint64_t offset);
[[nodiscard]] std::string HexTriple(const image::Disc& disc, std::uint64_t offset);
[[nodiscard]] std::string HexByte(const image::Disc& disc, std::uint64_t offset);
// The rightmost `width` hex digits of value, zero-filled.
[[nodiscard]] std::string FixedHex(std::uint64_t value, int width);
// A list column read back as unsigned hex; empty or non-hex text gives 0.
[[nodiscard]] std::uint32_t ParseListHex(std::string_view text);
// Decimal without grouping: a leading space when >= 0, "-" when negative.
[[nodiscard]] std::string DecimalCount(std::int64_t value);

// The seven columns of one list item (Filename, Attr, Seq, Load, Exec, Size,
// Sector) exactly as the explorer's list shows them.
using ListColumns = std::array<std::string, 7>;
[[nodiscard]] ListColumns EntryColumns(const image::Disc& disc, image::SectorAddress dir, int slot);
// True when a list item's attribute column marks a directory.
[[nodiscard]] inline bool IsDirectoryItem(const ListColumns& item)
{
    return item[1].find('D') != std::string::npos;
}

// " N Bytes Free,  M Bytes Used" from the in-memory map and the size field.
[[nodiscard]] std::string DiscUsageText(const image::Disc& disc);

} // namespace marlin::views

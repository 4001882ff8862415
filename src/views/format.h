#pragma once
// The fixed text forms of numbers as the listings show them (upper-case hex
// at a fixed width, the decimal byte counts of the status bar) and the
// columns of the explorer's list.

#include <array>
#include <cstdint>
#include <string>

#include "image/directory.h"
#include "image/disc.h"
#include "image/hex.h"

namespace marlin::views {

using image::FixedHex;

// 8, 6 and 2 hex digits of the little-endian value at a byte offset.
[[nodiscard]] std::string HexLong(const image::Disc& disc, std::uint64_t offset);
[[nodiscard]] std::string HexTriple(const image::Disc& disc, std::uint64_t offset);
[[nodiscard]] std::string HexByte(const image::Disc& disc, std::uint64_t offset);
// Decimal without grouping: a leading space when >= 0, "-" when negative.
[[nodiscard]] std::string DecimalCount(std::int64_t value);

// The seven columns of one list item (Filename, Attr, Seq, Load, Exec, Size,
// Sector) exactly as the explorer's list shows them: a directory shows its
// start sector under Load and leaves Exec, Size and Sector empty.
using ListColumns = std::array<std::string, 7>;
[[nodiscard]] ListColumns EntryColumns(const image::DirEntry& entry);
[[nodiscard]] std::string ColumnText(const image::DirEntry& entry, int column);

// " N Bytes Free,  M Bytes Used" from the in-memory map and the size field.
[[nodiscard]] std::string DiscUsageText(const image::Disc& disc);

} // namespace marlin::views

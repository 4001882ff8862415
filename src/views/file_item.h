#pragma once
// What the file views read from the explorer's current list item, as plain
// values, and the part of the image a view may read for it.

#include <cstdint>
#include <string>

#include "image/disc.h"
#include "views/format.h"

namespace marlin::views {

// The list columns a view uses, read back as hex. For a directory item the
// start sector stands in the Load column and Size and Sector are empty (0).
struct FileItem {
    std::string name;         // column 0
    std::string attributes;   // column 1: an item holding "D" is a directory
    std::uint32_t load = 0;   // column 3
    std::uint32_t length = 0; // column 5
    std::uint32_t sector = 0; // column 6
    bool operator==(const FileItem&) const = default;
};

[[nodiscard]] FileItem ReadListItem(const ListColumns& item);

// Image offsets [base, end) of `length` bytes from sector start: cut at the
// image's end, so a damaged length or sector never leads a view outside it.
struct Extent {
    std::uint64_t base = 0;
    std::uint64_t end = 0;
    [[nodiscard]] std::uint64_t Size() const { return end - base; }
};
[[nodiscard]] Extent ExtentInImage(const image::Disc& disc, std::uint32_t sector, std::uint64_t length);

} // namespace marlin::views

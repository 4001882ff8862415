#pragma once
// What the file views read for an entry, as plain values, and the part of the
// image a view may read for it.

#include <cstdint>
#include <string>

#include "image/directory.h"
#include "image/disc.h"

namespace marlin::views {

// The values the explorer's list shows for an entry: for a directory the
// start sector stands under Load and Size and Sector are empty (0).
struct FileItem {
    std::string name;
    bool directory = false;
    std::uint32_t load = 0;   // Load: a file's load address, a directory's start sector
    std::uint32_t length = 0; // Size
    std::uint32_t sector = 0; // Sector: a file's start sector
    bool operator==(const FileItem&) const = default;
};

[[nodiscard]] FileItem ItemOf(const image::DirEntry& entry);

// Image offsets [base, end) of `length` bytes from sector start: cut at the
// image's end, so a damaged length or sector never leads a view outside it.
struct Extent {
    std::uint64_t base = 0;
    std::uint64_t end = 0;
    [[nodiscard]] std::uint64_t Size() const { return end - base; }
};
[[nodiscard]] Extent ExtentInImage(const image::Disc& disc, std::uint32_t sector, std::uint64_t length);

} // namespace marlin::views

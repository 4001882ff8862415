#pragma once
// What the file views read for an entry, as plain values, and the part of the
// image a view may read for it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/directory.h"
#include "image/disc.h"
#include "views/view_text.h"

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

// The bytes a file view reads: the file's extent, then as many of the image's
// bytes after it as a view may read past the file's end (an instruction's
// operand), borrowed from the disc or kept as a snapshot.
class FileBytes {
public:
    FileBytes(const image::Disc& disc, const Extent& file, std::uint64_t after, Keep keep);
    // Moving keeps the bytes where they are; copies are not needed.
    FileBytes(FileBytes&&) = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    // The file's bytes and those after it that lie inside the image.
    [[nodiscard]] std::span<const std::uint8_t> All() const { return m_bytes; }
    [[nodiscard]] std::span<const std::uint8_t> File() const { return m_bytes.first(m_fileSize); }
    [[nodiscard]] std::size_t FileSize() const { return m_fileSize; }

private:
    std::shared_ptr<const std::vector<std::uint8_t>> m_snapshot;
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_fileSize = 0;
};

} // namespace marlin::views

#pragma once
// The BASIC and disassembler targets view arbitrary bytes as one file of a
// small disc. Input: load address (2 bytes), a flag byte, then the file's
// bytes from sector 7; the image ends at the end of the file's last sector.
// An odd flag overstates the length by 256 times the flag, so the views must
// cut the file at the image's end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/disc.h"
#include "views/file_item.h"

namespace marlin::fuzz {

struct ViewInput {
    image::Disc disc;
    views::FileItem item;
};

inline std::optional<ViewInput> ViewInputFrom(const std::uint8_t* data, std::size_t size)
{
    using namespace image;
    if (size < 3)
        return std::nullopt;
    const std::size_t fileBytes = size - 3;
    const std::size_t sectors = kFirstDataSector + (fileBytes + kSectorSize - 1) / kSectorSize;
    std::vector<std::uint8_t> bytes(sectors * kSectorSize, 0);
    std::copy(data + 3, data + size, bytes.begin() + kFirstDataSector * kSectorSize);
    ViewInput in{Disc(std::move(bytes)), {}};
    in.item.name = "FILE";
    in.item.load = static_cast<std::uint32_t>(data[0] | data[1] << 8);
    in.item.length = static_cast<std::uint32_t>(fileBytes) + ((data[2] & 1) ? 256u * data[2] : 0u);
    in.item.sector = kFirstDataSector;
    return in;
}

} // namespace marlin::fuzz

#include "image/image_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "image/bytes.h"
#include "image/directory.h"

namespace marlin::image {

namespace fs = std::filesystem;

Disc NewDisc(int units)
{
    const std::uint32_t sectors = static_cast<std::uint32_t>(units) * 256;
    Disc disc(std::vector<std::uint8_t>(std::size_t{sectors} * kSectorSize, 0));
    // Map: one free run from sector 7 to the end.
    disc.Write24(map::kStarts, kFirstDataSector);
    disc.Write24(map::kDiscSize, sectors);
    disc.Write24(map::kLengths, sectors - kFirstDataSector);
    disc.Set(map::kEndPointer, 3);
    // Root directory "$" at sector 2, sequence 01, no entries, parent 0.
    const std::uint64_t d = kRoot.ByteOffset();
    disc.Set(d + dir::kSequence, 1);
    std::memcpy(disc.Writable(d + dir::kSignature, 4).data(), kSignature, 4);
    disc.Set(d + dir::kName, '$');
    disc.Set(d + dir::kName + 1, kCR);
    disc.Set(d + dir::kTitle, '$');
    disc.Set(d + dir::kTitle + 1, kCR);
    disc.Set(d + dir::kSequenceCopy, 1);
    std::memcpy(disc.Writable(d + dir::kSignature2, 4).data(), kSignature, 4);
    disc.Set(map::kChecksum0, MapChecksum(disc, 0));
    disc.Set(map::kChecksum1, MapChecksum(disc, kSectorSize));
    ReadFreeSpaceMap(disc);
    return disc;
}

Result<Disc> OpenImage(const fs::path& path, MessageSink& sink)
{
    auto refuse = [&](RefusalCode code = RefusalCode::NotAnImage) {
        sink.Report({code, path.string(), {}});
        return Result<Disc>(Status::Refused, code);
    };
    std::error_code ec;
    if (!fs::exists(path, ec))
        return refuse(RefusalCode::FileNotFound);
    if (!fs::is_regular_file(path, ec))
        return refuse();
    const auto fileSize = fs::file_size(path, ec);
    if (ec || fileSize < 2 * kSectorSize)
        return refuse();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return refuse();
    // The size field comes first, so that the image is allocated once at its
    // final size: growing a shorter file afterwards would copy it whole.
    std::uint8_t head[kSectorSize];
    in.read(reinterpret_cast<char*>(head), kSectorSize);
    if (in.gcount() != static_cast<std::streamsize>(kSectorSize))
        return refuse();
    const std::uint32_t sectors = Get24(head, map::kDiscSize);
    if (sectors < kMinDiscSectors || sectors > kMaxDiscSectors)
        return refuse();
    // Only the disc's own sectors are kept: a longer file is cut, a shorter
    // one leaves zeros at the end. One read brings in the whole image.
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(std::size_t{sectors} * kSectorSize);
    } catch (const std::bad_alloc&) {
        return refuse(RefusalCode::NotEnoughMemory);
    }
    Disc disc(std::move(bytes));
    const auto wanted = static_cast<std::streamsize>(std::min<std::uint64_t>(fileSize, disc.Size()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(disc.WritableImage().data()), wanted);
    if (in.gcount() != wanted)
        return refuse();
    ReadFreeSpaceMap(disc);
    return disc;
}

std::optional<Disc> DiscFromBytes(std::vector<std::uint8_t> bytes)
{
    if (bytes.size() < 2 * kSectorSize)
        return std::nullopt;
    Disc disc(std::move(bytes));
    const std::uint32_t sectors = disc.DiscSizeField();
    if (sectors < kMinDiscSectors || sectors > kMaxDiscSectors)
        return std::nullopt;
    disc.WritableImage().resize(std::size_t{sectors} * kSectorSize, 0);
    ReadFreeSpaceMap(disc);
    return disc;
}

std::uint64_t SavedLength(const Disc& disc)
{
    // Everything from the last free run on is free when that run reaches the
    // disc's end; otherwise every sector is written.
    const std::uint64_t whole = disc.Size();
    if (disc.map.runs.empty())
        return whole;
    const MapRun& last = disc.map.runs.back();
    if (std::uint64_t{last.Start} + last.Length != disc.SectorsInImage())
        return whole;
    // A damaged map may call the map or root sectors free; they are written
    // all the same, so that the saved file always opens again.
    const std::uint64_t start = std::max<std::uint64_t>(last.Start, kFirstDataSector);
    return std::min<std::uint64_t>(start * kSectorSize, whole);
}

} // namespace marlin::image

#include "image/entry_ops.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/directory.h"

namespace marlin::image {

std::optional<SectorAddress> CreateDirectory(Disc& disc, SectorAddress parent, std::string_view name,
                                             MessageSink& sink)
{
    // Space is tested before anything about the parent, as every allocation does.
    const int run = FindFreeRun(disc, dir::kBlockSize);
    // A damaged map may offer a run outside the image: that is no space either.
    if (run < 0 || !disc.Contains(SectorAddress(disc.map.runs[static_cast<std::size_t>(run)].Start & kMaxSectorValue)
                                      .byteOffset(),
                                  dir::kBlockSize)) {
        sink.Report({RefusalCode::NotEnoughSpace, {}, {}});
        return std::nullopt;
    }
    const auto slot = InsertEntry(disc, parent, name, RefusalCode::DirectoryAlreadyExists, sink);
    if (!slot)
        return std::nullopt;
    const SectorAddress s(disc.map.runs[static_cast<std::size_t>(run)].Start);

    // The entry: name bytes with R, W and D set, length 1280, start s.
    const std::uint64_t e = EntryOffset(parent, slot->slot);
    const std::string padded = PaddedName(name);
    std::uint8_t nameBytes[dir::kNameLength];
    for (std::size_t k = 0; k < dir::kNameLength; ++k)
        nameBytes[k] = static_cast<std::uint8_t>(padded[k]);
    nameBytes[entry::kAttrR] |= 0x80;
    nameBytes[entry::kAttrW] |= 0x80;
    nameBytes[entry::kAttrD] |= 0x80;
    for (std::size_t k = 0; k < dir::kNameLength; ++k)
        disc.Set(e + k, nameBytes[k]);
    disc.Write32(e + entry::kLoad, 0);
    disc.Write32(e + entry::kExec, 0);
    disc.Write32(e + entry::kLength, dir::kBlockSize);
    disc.Write24(e + entry::kStart, s.value());
    disc.Set(e + entry::kSequence, slot->sequence);

    // The new block: sequence 01, signatures, own name with the attribute
    // bits, parent, and a title that starts equal to the name.
    const std::uint64_t d = s.byteOffset();
    std::fill_n(disc.DiscImage.begin() + static_cast<std::ptrdiff_t>(d), dir::kBlockSize, std::uint8_t{0});
    disc.Set(d + dir::kSequence, 1);
    std::memcpy(disc.DiscImage.data() + d + dir::kSignature, kSignature, 4);
    for (std::size_t k = 0; k < dir::kNameLength; ++k) {
        disc.Set(d + dir::kName + k, nameBytes[k]);
        disc.Set(d + dir::kTitle + k, nameBytes[k] & 0x7F);
    }
    disc.Write24(d + dir::kParent, parent.value());
    disc.Set(d + dir::kSequenceCopy, 1);
    std::memcpy(disc.DiscImage.data() + d + dir::kSignature2, kSignature, 4);

    ClaimRun(disc, run, dir::kBlockSectors);
    return s;
}

} // namespace marlin::image

#include "image/entry_ops.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "image/bytes.h"
#include "image/directory.h"

namespace marlin::image {

namespace {

constexpr std::string_view kRefusedInNames = " -.:*#$&@^";
constexpr std::string_view kRefusedInTitles = "-.:*#$&@^";

bool AllCharactersAllowed(std::string_view text, std::string_view refused)
{
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code > 127 || refused.find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

// Every editing step below writes inside the block; a damaged entry may name
// a directory that lies (partly) outside the image.
bool BlockInside(const Disc& disc, SectorAddress dir)
{
    return disc.Contains(dir.ByteOffset(), dir::kBlockSize);
}

} // namespace

bool IsLegalEntryName(std::string_view name)
{
    // An empty name would be stored as a bare CR: a slot that counts as
    // occupied but has no name to find it by.
    return !name.empty() && AllCharactersAllowed(name, kRefusedInNames);
}

bool IsLegalTitle(std::string_view title)
{
    return AllCharactersAllowed(title, kRefusedInTitles);
}

Result<SectorAddress> CreateDirectory(Disc& disc, SectorAddress parent, std::string_view name, MessageSink& sink)
{
    // Space is tested before anything about the parent, as every allocation does.
    const int run = FindUsableRun(disc, dir::kBlockSize);
    if (run < 0) {
        sink.Report({RefusalCode::NotEnoughSpace, {}, {}});
        return {Status::Refused, RefusalCode::NotEnoughSpace};
    }
    const auto slot = InsertEntry(disc, parent, name, RefusalCode::DirectoryAlreadyExists, sink);
    if (slot.Refused())
        return {Status::Refused, slot.Reason()};
    const SectorAddress s(disc.map.runs[static_cast<std::size_t>(run)].Start);

    // The entry: R, W and D set, length 1280, start s.
    DirEntry made;
    made.name = std::string(name);
    made.R = made.W = made.D = true;
    made.length = dir::kBlockSize;
    made.start = s;
    made.sequence = slot->sequence;
    WriteEntry(disc, parent, slot->slot, made);

    // The new block: sequence 01, signatures, own name with the attribute
    // bits, parent, and a title that starts equal to the name.
    const std::uint64_t d = s.ByteOffset();
    std::ranges::fill(disc.Writable(d, dir::kBlockSize), std::uint8_t{0});
    disc.Set(d + dir::kSequence, 1);
    std::memcpy(disc.Writable(d + dir::kSignature, 4).data(), kSignature, 4);
    const auto nameBytes = EncodeEntry(made);
    for (std::size_t k = 0; k < dir::kNameLength; ++k) {
        disc.Set(d + dir::kName + k, nameBytes[k]);
        disc.Set(d + dir::kTitle + k, nameBytes[k] & 0x7F);
    }
    disc.Write24(d + dir::kParent, parent.Value());
    disc.Set(d + dir::kSequenceCopy, 1);
    std::memcpy(disc.Writable(d + dir::kSignature2, 4).data(), kSignature, 4);

    ClaimRun(disc, run, dir::kBlockSectors);
    return s;
}

Result<SectorAddress> CreateFile(Disc& disc, SectorAddress dir, DirEntry entry, std::span<const std::uint8_t> data,
                                 MessageSink& sink)
{
    const int run = FindUsableRun(disc, data.size());
    if (run < 0) {
        sink.Report({RefusalCode::NotEnoughSpace, {}, {}});
        return {Status::Refused, RefusalCode::NotEnoughSpace};
    }
    const auto slot = InsertEntry(disc, dir, entry.name, RefusalCode::FileAlreadyExists, sink);
    if (slot.Refused())
        return {Status::Refused, slot.Reason()};
    const SectorAddress start(disc.map.runs[static_cast<std::size_t>(run)].Start);
    entry.start = start;
    entry.sequence = slot->sequence;
    WriteEntry(disc, dir, slot->slot, entry);

    // The whole run zeroed, then the bytes from its first byte.
    const std::uint32_t sectors = SectorCount(static_cast<std::uint32_t>(data.size()));
    const auto runBytes = disc.Writable(start.ByteOffset(), std::uint64_t{sectors} * kSectorSize);
    std::ranges::fill(runBytes, std::uint8_t{0});
    std::ranges::copy(data, runBytes.begin());
    ClaimRun(disc, run, sectors);
    return start;
}

Status RenameEntry(Disc& disc, std::string_view oldName, std::string_view newName, SectorAddress dir, bool ignoreLock,
                   MessageSink& sink)
{
    if (!BlockInside(disc, dir))
        return Status::Refused;
    const int i = FindEntry(disc, dir, oldName);
    if (i < 0)
        return Status::Refused;
    const std::uint64_t e = EntryOffset(dir, i);
    const bool isDir = disc.At(e + entry::kAttrD) & 0x80;
    if (!ignoreLock && (disc.At(e + entry::kAttrL) & 0x80)) {
        sink.Report(
            {isDir ? RefusalCode::RenameLockedDirectory : RefusalCode::RenameLockedFile, std::string(oldName), {}});
        return Status::Refused;
    }
    const std::string cut(newName.substr(0, dir::kNameLength));
    // The duplicate test comes first, so a change of case only is refused too.
    if (FindEntry(disc, dir, cut) >= 0) {
        sink.Report({RefusalCode::NameAlreadyExists, cut, {}});
        return Status::Refused;
    }
    if (!IsLegalEntryName(cut)) {
        sink.Report({RefusalCode::IllegalFileName, cut, {}});
        return Status::Refused;
    }

    // New name bytes under the old attribute bits (R W L D E and the unused
    // bit 7 of bytes 5..9 all stay).
    std::uint8_t t[dir::kSlotSize];
    std::memcpy(t, disc.Bytes().data() + e, dir::kSlotSize);
    PutEntryName(std::span(t).first<dir::kNameLength>(), cut);
    t[entry::kSequence] = NextSequenceNumber(disc, dir);

    // Out of its old place and into the sorted one (the name is not there:
    // the duplicate test above passed).
    RemoveEntry(disc, dir, i);
    const int k = FindSortedPlace(disc, dir, UpperName(cut)).slot;
    OpenSlot(disc, dir, k);
    std::memcpy(disc.Writable(EntryOffset(dir, k), dir::kSlotSize).data(), t, dir::kSlotSize);

    // A directory carries its name (with the attribute bits) in its own block
    // too, so that its catalogue header follows the rename. The title stays.
    if (isDir) {
        const SectorAddress sub(Get24(t, entry::kStart));
        if (BlockInside(disc, sub))
            std::memcpy(disc.Writable(sub.ByteOffset() + dir::kName, dir::kNameLength).data(), t, dir::kNameLength);
    }
    return Status::Done;
}

Status SetAttributes(Disc& disc, SectorAddress dir, std::string_view name, bool r, bool w, bool l)
{
    if (!BlockInside(disc, dir))
        return Status::Refused;
    const int i = FindEntry(disc, dir, name);
    if (i < 0)
        return Status::Refused;
    const std::uint64_t e = EntryOffset(dir, i);
    auto setBit = [&](std::size_t at, bool on) {
        disc.Set(e + at, static_cast<std::uint8_t>((disc.At(e + at) & 0x7F) | (on ? 0x80 : 0)));
    };
    setBit(entry::kAttrR, r);
    setBit(entry::kAttrW, w);
    setBit(entry::kAttrL, l);
    disc.Set(e + entry::kSequence, NextSequenceNumber(disc, dir));
    if (disc.At(e + entry::kAttrD) & 0x80) {
        const SectorAddress sub(disc.Read24(e + entry::kStart));
        if (BlockInside(disc, sub))
            for (std::size_t k = entry::kAttrR; k <= entry::kAttrL; ++k)
                disc.Set(sub.ByteOffset() + dir::kName + k, disc.At(e + k));
    }
    return Status::Done;
}

Status SetAddresses(Disc& disc, SectorAddress dir, std::string_view name, std::optional<std::uint32_t> load,
                    std::optional<std::uint32_t> exec, MessageSink& sink)
{
    const int i = BlockInside(disc, dir) ? FindEntry(disc, dir, name) : -1;
    if (i < 0) {
        sink.Report({RefusalCode::FileNotFound, std::string(name), {}});
        return Status::Refused;
    }
    const std::uint64_t e = EntryOffset(dir, i);
    if (disc.At(e + entry::kAttrD) & 0x80) {
        sink.Report({RefusalCode::AddressesOfDirectory, GetEntryName(disc, dir, i), {}});
        return Status::Refused;
    }
    if (load)
        disc.Write32(e + entry::kLoad, *load);
    if (exec)
        disc.Write32(e + entry::kExec, *exec);
    disc.Set(e + entry::kSequence, NextSequenceNumber(disc, dir));
    return Status::Done;
}

Status SetDirectoryTitle(Disc& disc, SectorAddress dir, std::string_view title, MessageSink& sink)
{
    const std::string cut(title.substr(0, dir::kTitleLength));
    if (!IsLegalTitle(cut)) {
        sink.Report({RefusalCode::IllegalTitle, cut, {}});
        return Status::Refused;
    }
    if (!BlockInside(disc, dir))
        return Status::Refused;
    std::string padded = cut + static_cast<char>(kCR);
    padded.resize(dir::kTitleLength, '\0');
    for (std::size_t k = 0; k < dir::kTitleLength; ++k)
        disc.Set(dir.ByteOffset() + dir::kTitle + k, static_cast<std::uint8_t>(padded[k]));
    NextSequenceNumber(disc, dir);
    return Status::Done;
}

void SetBootOption(Disc& disc, std::uint8_t option)
{
    assert(option <= 3);
    disc.Set(map::kBootOption, option);
    disc.Set(map::kChecksum1, MapChecksum(disc, kSectorSize));
}

} // namespace marlin::image

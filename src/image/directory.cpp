#include "image/directory.h"

#include <algorithm>
#include <cstring>

#include "image/bytes.h"

namespace marlin::image {

bool IsDirectory(const Disc& disc, SectorAddress dir)
{
    const std::uint64_t d = dir.ByteOffset();
    if (!disc.Contains(d, dir::kBlockSize))
        return false;
    return std::memcmp(disc.Bytes().data() + d + dir::kSignature, kSignature, 4) == 0;
}

std::string UpperName(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && UpperName(a) == UpperName(b);
}

namespace {

// Characters masked to 7 bits, cut at the first CR.
std::string MaskedText(const Disc& disc, std::uint64_t at, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t k = 0; k < length; ++k) {
        const auto c = static_cast<char>(disc.At(at + k) & 0x7F);
        if (c == static_cast<char>(kCR))
            break;
        out.push_back(c);
    }
    return out;
}

std::string CutAtNul(std::string s)
{
    const auto nul = s.find('\0');
    if (nul != std::string::npos)
        s.resize(nul);
    return s;
}

void CopySlot(Disc& disc, SectorAddress dir, int from, int to)
{
    const auto src = EntryOffset(dir, from);
    const auto dst = EntryOffset(dir, to);
    if (!disc.Contains(src, dir::kSlotSize) || !disc.Contains(dst, dir::kSlotSize))
        return;
    // Slots never overlap; only the target is written.
    const auto target = disc.Writable(dst, dir::kSlotSize);
    std::memcpy(target.data(), disc.Bytes().data() + src, dir::kSlotSize);
}

} // namespace

std::string GetEntryName(const Disc& disc, SectorAddress dir, int slot)
{
    return MaskedText(disc, EntryOffset(dir, slot), dir::kNameLength);
}

bool SlotIsEmpty(const Disc& disc, SectorAddress dir, int slot)
{
    return (disc.At(EntryOffset(dir, slot)) & 0x7F) == 0;
}

int FindEntry(const Disc& disc, SectorAddress dir, std::string_view name)
{
    const std::string wanted = UpperName(name);
    for (int i = 0; i < dir::kSlots; ++i) {
        if (SlotIsEmpty(disc, dir, i))
            return -1;
        if (UpperName(GetEntryName(disc, dir, i)) == wanted)
            return i;
    }
    return -1;
}

std::string GetDirectoryName(const Disc& disc, SectorAddress dir)
{
    std::string name = CutAtNul(MaskedText(disc, dir.ByteOffset() + dir::kName, dir::kNameLength));
    if (name.empty() && dir.Value() == kRootSector)
        return "$";
    return name;
}

std::string GetDirectoryTitle(const Disc& disc, SectorAddress dir)
{
    return CutAtNul(MaskedText(disc, dir.ByteOffset() + dir::kTitle, dir::kTitleLength));
}

namespace {

// Bit 7 of each of the first five name bytes.
void ReadAttributes(const Disc& disc, std::uint64_t e, DirEntry& out)
{
    out.R = disc.At(e + entry::kAttrR) & 0x80;
    out.W = disc.At(e + entry::kAttrW) & 0x80;
    out.L = disc.At(e + entry::kAttrL) & 0x80;
    out.D = disc.At(e + entry::kAttrD) & 0x80;
    out.E = disc.At(e + entry::kAttrE) & 0x80;
}

} // namespace

std::string AttributeLetters(const DirEntry& e)
{
    std::string out;
    for (const auto& [on, letter] : {std::pair{e.E, 'E'}, {e.D, 'D'}, {e.L, 'L'}, {e.W, 'W'}, {e.R, 'R'}})
        if (on)
            out += letter;
    return out;
}

std::string AttributeString(const Disc& disc, std::uint64_t e)
{
    DirEntry flags;
    ReadAttributes(disc, e, flags);
    return AttributeLetters(flags);
}

std::uint8_t NextSequenceNumber(Disc& disc, SectorAddress dir)
{
    const std::uint64_t d = dir.ByteOffset();
    const std::uint8_t old = disc.At(d + dir::kSequence);
    const int v = (10 * (old >> 4) + (old & 0x0F) + 1) % 100;
    const auto b = static_cast<std::uint8_t>(16 * (v / 10) + v % 10);
    if (disc.Contains(d, dir::kBlockSize)) {
        disc.Set(d + dir::kSequence, b);
        disc.Set(d + dir::kSequenceCopy, b);
    }
    return b;
}

int EntryCount(const Disc& disc, SectorAddress dir)
{
    int n = 0;
    while (n < dir::kSlots && !SlotIsEmpty(disc, dir, n))
        ++n;
    return n;
}

bool DirectoryIsFull(const Disc& disc, SectorAddress dir)
{
    return !disc.Contains(dir.ByteOffset(), dir::kBlockSize) || !SlotIsEmpty(disc, dir, dir::kSlots - 1);
}

SortedPlace FindSortedPlace(const Disc& disc, SectorAddress dir, std::string_view upperKey)
{
    for (int i = 0; i < dir::kSlots; ++i) {
        if (SlotIsEmpty(disc, dir, i))
            return {i, false};
        const std::string n = UpperName(GetEntryName(disc, dir, i));
        if (n == upperKey)
            return {i, true};
        if (upperKey < n)
            return {i, false};
    }
    return {dir::kSlots - 1, false};
}

void OpenSlot(Disc& disc, SectorAddress dir, int slot)
{
    for (int j = dir::kSlots - 1; j > slot; --j)
        CopySlot(disc, dir, j - 1, j);
}

Result<InsertResult> InsertEntry(Disc& disc, SectorAddress dir, std::string_view name, RefusalCode alreadyExists,
                                 MessageSink& sink)
{
    // A block that does not fit in the image (a damaged entry's sector) can
    // take no entry: it is refused as full rather than written past the end.
    if (DirectoryIsFull(disc, dir)) {
        sink.Report({RefusalCode::DirectoryFull, {}, {}});
        return {Status::Refused, RefusalCode::DirectoryFull};
    }
    const std::string cut(name.substr(0, dir::kNameLength));
    const SortedPlace place = FindSortedPlace(disc, dir, UpperName(cut));
    if (place.taken) {
        sink.Report({alreadyExists, cut, {}});
        return {Status::Refused, alreadyExists};
    }
    InsertResult result;
    result.slot = place.slot;
    result.sequence = NextSequenceNumber(disc, dir);
    OpenSlot(disc, dir, place.slot);
    return result;
}

void RemoveEntry(Disc& disc, SectorAddress dir, int slot)
{
    for (int j = slot; j < dir::kSlots - 1; ++j)
        CopySlot(disc, dir, j + 1, j);
    const auto last = EntryOffset(dir, dir::kSlots - 1);
    if (disc.Contains(last, dir::kSlotSize))
        std::ranges::fill(disc.Writable(last, dir::kSlotSize), std::uint8_t{0});
}

DirEntry ReadEntry(const Disc& disc, SectorAddress dir, int slot)
{
    const auto e = EntryOffset(dir, slot);
    DirEntry out;
    out.name = GetEntryName(disc, dir, slot);
    ReadAttributes(disc, e, out);
    out.load = disc.Read32(e + entry::kLoad);
    out.exec = disc.Read32(e + entry::kExec);
    out.length = disc.Read32(e + entry::kLength);
    out.start = SectorAddress(disc.Read24(e + entry::kStart));
    out.sequence = disc.At(e + entry::kSequence);
    return out;
}

std::vector<ListedEntry> ListEntries(const Disc& disc, SectorAddress dir)
{
    std::vector<ListedEntry> out;
    if (!IsDirectory(disc, dir))
        return out;
    for (int slot = 0; slot < dir::kSlots && !SlotIsEmpty(disc, dir, slot); ++slot)
        out.push_back({dir, slot, ReadEntry(disc, dir, slot)});
    return out;
}

DirEntry RootEntry(const Disc& disc)
{
    DirEntry root;
    root.name = GetDirectoryName(disc, kRoot);
    root.D = true;
    root.start = kRoot;
    return root;
}

std::string PaddedName(std::string_view name)
{
    std::string p(name.substr(0, dir::kNameLength));
    p += static_cast<char>(kCR);
    p.append(8, '\0');
    p.resize(dir::kNameLength);
    return p;
}

void PutEntryName(std::span<std::uint8_t, dir::kNameLength> bytes, std::string_view name)
{
    const std::string padded = PaddedName(name);
    for (std::size_t k = 0; k < dir::kNameLength; ++k)
        bytes[k] = static_cast<std::uint8_t>((bytes[k] & 0x80) | static_cast<std::uint8_t>(padded[k]));
}

std::array<std::uint8_t, dir::kSlotSize> EncodeEntry(const DirEntry& e)
{
    std::array<std::uint8_t, dir::kSlotSize> bytes{};
    PutEntryName(std::span(bytes).first<dir::kNameLength>(), e.name);
    for (const auto& [on, at] : {std::pair{e.R, entry::kAttrR},
                                 {e.W, entry::kAttrW},
                                 {e.L, entry::kAttrL},
                                 {e.D, entry::kAttrD},
                                 {e.E, entry::kAttrE}})
        if (on)
            bytes[at] |= 0x80;
    Put32(bytes, entry::kLoad, e.load);
    Put32(bytes, entry::kExec, e.exec);
    Put32(bytes, entry::kLength, e.length);
    Put24(bytes, entry::kStart, e.start.Value());
    bytes[entry::kSequence] = e.sequence;
    return bytes;
}

void WriteEntry(Disc& disc, SectorAddress dir, int slot, const DirEntry& entry)
{
    const std::uint64_t e = EntryOffset(dir, slot);
    assert(disc.Contains(e, dir::kSlotSize));
    if (!disc.Contains(e, dir::kSlotSize))
        return;
    const auto bytes = EncodeEntry(entry);
    std::ranges::copy(bytes, disc.Writable(e, dir::kSlotSize).begin());
}

bool HasSignatureAt(const Disc& disc, std::uint64_t at)
{
    for (std::size_t k = 0; k < 4; ++k)
        if (disc.At(at + k) != static_cast<std::uint8_t>(kSignature[k]))
            return false;
    return true;
}

std::string PrintableName(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = '?';
    return out;
}

} // namespace marlin::image

#pragma once
// Byte layout of the disc: the free-space map in sectors 0 and 1, the
// 5-sector directory block and its 26-byte entries.

#include <cstddef>
#include <cstdint>

namespace marlin::image {

inline constexpr std::size_t kSectorSize = 256;
inline constexpr std::uint32_t kMaxSectorValue = 0xFFFFFF; // a 3-byte sector number

// Free-space map: starts in sector 0, lengths at the same offsets in sector 1.
namespace map {
inline constexpr std::size_t kStarts = 0;       // 3 bytes per run
inline constexpr std::size_t kDiscSize = 252;   // 3 bytes
inline constexpr std::size_t kChecksum0 = 255;  // sum of bytes 0..254
inline constexpr std::size_t kLengths = 256;    // 3 bytes per run
inline constexpr std::size_t kBootOption = 509; // 0 off, 1 load, 2 run, 3 exec
inline constexpr std::size_t kEndPointer = 510; // 3 * run count
inline constexpr std::size_t kChecksum1 = 511;  // sum of bytes 256..510
// The start list must end before the disc size field.
inline constexpr int kMaxRuns = static_cast<int>(kDiscSize / 3);
static_assert(kMaxRuns == 84);
static_assert(kLengths + kMaxRuns * 3 <= kBootOption);
} // namespace map

inline constexpr std::uint32_t kRootSector = 2;
inline constexpr std::uint32_t kFirstDataSector = 7; // after the root block
inline constexpr std::uint32_t kMinDiscSectors = 7;
inline constexpr std::uint32_t kMaxDiscSectors = 2097152; // 512 MiB: larger fields are damage
// Walks of the directory tree stop descending below this depth: a path of the
// filing system cannot be this deep, and a damaged image must not make a walk
// (or the nested results it builds) recurse without bound.
inline constexpr int kMaxDirectoryDepth = 256;

// Directory block, offsets from its first byte.
namespace dir {
inline constexpr std::size_t kSequence = 0;
inline constexpr std::size_t kSignature = 1; // "Hugo"
inline constexpr std::size_t kFirstSlot = 5;
inline constexpr int kSlots = 47;
inline constexpr std::size_t kSlotSize = 26;
inline constexpr std::size_t kUnused1 = 1227;
inline constexpr std::size_t kName = 1228;    // 10 bytes
inline constexpr std::size_t kParent = 1238;  // 3 bytes
inline constexpr std::size_t kTitle = 1241;   // 19 bytes
inline constexpr std::size_t kUnused2 = 1260; // 14 bytes
inline constexpr std::size_t kSequenceCopy = 1274;
inline constexpr std::size_t kSignature2 = 1275;
inline constexpr std::size_t kUnused3 = 1279;
inline constexpr std::size_t kBlockSize = 1280;
inline constexpr std::uint32_t kBlockSectors = 5;
inline constexpr std::size_t kNameLength = 10;
inline constexpr std::size_t kTitleLength = 19;
static_assert(kFirstSlot + kSlots * kSlotSize == kUnused1);
static_assert(kName + kNameLength == kParent && kParent + 3 == kTitle);
static_assert(kTitle + kTitleLength == kUnused2 && kUnused2 + 14 == kSequenceCopy);
static_assert(kSignature2 + 4 == kUnused3 && kUnused3 + 1 == kBlockSize);
static_assert(kBlockSize == kBlockSectors * kSectorSize);
} // namespace dir

// Entry slot, offsets from the slot's first byte.
namespace entry {
inline constexpr std::size_t kName = 0; // bit 7 of bytes 0..4: R W L D E
inline constexpr std::size_t kLoad = 10;
inline constexpr std::size_t kExec = 14;
inline constexpr std::size_t kLength = 18;
inline constexpr std::size_t kStart = 22;
inline constexpr std::size_t kSequence = 25;
inline constexpr std::size_t kAttrR = 0, kAttrW = 1, kAttrL = 2, kAttrD = 3, kAttrE = 4;
static_assert(kSequence + 1 == dir::kSlotSize);
} // namespace entry

inline constexpr std::uint8_t kCR = 13;
inline constexpr char kSignature[4] = {'H', 'u', 'g', 'o'};

} // namespace marlin::image

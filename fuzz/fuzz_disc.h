#pragma once
// What the fuzz targets share: turning the fuzzer's bytes into a disc the way
// opening an image file does, and a bounded walk over its directories.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "image/check.h"
#include "image/directory.h"
#include "image/image_file.h"
#include "image/walk_guard.h"

namespace marlin::fuzz {

// Larger size fields are valid but only make each run slower: the reading code
// does not depend on the disc's size beyond the bounds checks.
inline constexpr std::uint32_t kMaxFuzzSectors = 2048;

inline std::optional<image::Disc> DiscFromInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 * image::kSectorSize)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::uint32_t sectors = image::Disc(bytes).DiscSizeField();
    if (sectors > kMaxFuzzSectors)
        return std::nullopt;
    return image::DiscFromBytes(std::move(bytes));
}

// Calls visit for every directory block reachable from the root through
// entries with the D bit, each once, whether it is signed or not.
inline void ForEachDirectory(const image::Disc& disc, const std::function<void(image::SectorAddress)>& visit)
{
    using namespace image;
    WalkGuard guard(disc);
    guard.Enter(kRoot);
    std::vector<SectorAddress> pending{kRoot};
    while (!pending.empty()) {
        const SectorAddress dir = pending.back();
        pending.pop_back();
        visit(dir);
        if (!IsDirectory(disc, dir))
            continue;
        for (int i = 0; i < EntryCount(disc, dir); ++i) {
            const DirEntry e = ReadEntry(disc, dir, i);
            if (e.D && !guard.Entered(e.start)) {
                guard.Enter(e.start);
                pending.push_back(e.start);
            }
        }
    }
}

// Aborts (a finding) when a property the target asserts does not hold.
#define MARLIN_FUZZ_ASSERT(condition)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                    \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

} // namespace marlin::fuzz

namespace marlin::fuzz {

// Path -> bytes of every file below dir; for sound discs only (no loops).
inline void CollectFiles(const image::Disc& disc, image::SectorAddress dir, const std::string& path,
                         std::map<std::string, std::vector<std::uint8_t>>& files, int depth = 0)
{
    using namespace image;
    if (!WalkGuard::DepthAllowed(depth) || !IsDirectory(disc, dir))
        return;
    for (int i = 0; i < EntryCount(disc, dir); ++i) {
        const DirEntry e = ReadEntry(disc, dir, i);
        const std::string child = path + "." + e.name;
        if (e.D) {
            CollectFiles(disc, e.start, child, files, depth + 1);
            continue;
        }
        std::vector<std::uint8_t> bytes(e.length);
        for (std::uint32_t k = 0; k < e.length; ++k)
            bytes[k] = disc.At(e.start.ByteOffset() + k);
        files[child] = std::move(bytes);
    }
}

} // namespace marlin::fuzz

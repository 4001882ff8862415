#pragma once
// Keeps every walk of the directory tree finite, whatever a damaged image
// holds: a directory that lists itself or an ancestor, one listed in several
// places, nesting without end. Each walk asks what it needs: whether a
// directory is on its path (a loop), whether it was entered before, and
// whether a depth may be entered at all.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "image/disc.h"

namespace marlin::image {

class WalkGuard {
public:
    explicit WalkGuard(const Disc& disc);

    // Directories nested more than kMaxDirectoryDepth levels below the root
    // (which is level 0) are not entered: no path of the filing system is
    // that deep.
    [[nodiscard]] static constexpr bool DepthAllowed(int depth) { return depth <= kMaxDirectoryDepth; }

    // Marks dir entered and on the path.
    void Enter(SectorAddress dir);
    // The walk is done with dir and everything below it.
    void Leave(SectorAddress dir);
    // dir is being walked further up the path: entering it again would loop.
    [[nodiscard]] bool OnPath(SectorAddress dir) const;
    // dir was entered before in this walk, anywhere.
    [[nodiscard]] bool Entered(SectorAddress dir) const;

private:
    [[nodiscard]] std::uint8_t Marks(SectorAddress dir) const;
    std::uint8_t& MarksOf(SectorAddress dir);

    // One byte of marks per sector of the image; a sector past its end (a
    // damaged entry's) is kept apart.
    std::vector<std::uint8_t> m_marks;
    std::unordered_map<std::uint32_t, std::uint8_t> m_outside;
};

} // namespace marlin::image

#pragma once
// One step's change to a disc, for undo and redo. It holds only the bytes the
// step changed, as they are not in the image now: as they were before while
// the step is done, as they were after while it is undone. Swapping them with
// the image's takes the step back; swapping again does it again.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/disc.h"

namespace marlin::image {

struct Patch {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

class Change {
public:
    // What a closed journal saw, against the disc's bytes now. Work that
    // changed the image's size cannot be recorded (std::logic_error).
    [[nodiscard]] static Change FromJournal(const Disc& disc, Journal journal);

    [[nodiscard]] bool Empty() const { return m_patches.empty() && !m_mapChanged; }
    [[nodiscard]] const std::vector<Patch>& Patches() const { return m_patches; }
    // The memory the change takes, in bytes.
    [[nodiscard]] std::size_t HeldBytes() const;
    // Exchanges the held bytes and working map with the disc's.
    void Swap(Disc& disc);
    // Both done, this one first: afterwards this one takes back both.
    void Absorb(const Change& later);

private:
    std::vector<Patch> m_patches; // in address order, apart
    FreeSpaceMap m_map;
    bool m_mapChanged = false;
};

// Records the change a piece of work makes to a disc: the disc's journal is
// open from construction until Finish.
class ChangeRecorder {
public:
    explicit ChangeRecorder(Disc& disc) : m_disc(disc) { m_disc.OpenJournal(); }
    ~ChangeRecorder()
    {
        if (m_open)
            (void)m_disc.CloseJournal();
    }
    ChangeRecorder(const ChangeRecorder&) = delete;
    ChangeRecorder& operator=(const ChangeRecorder&) = delete;

    [[nodiscard]] Change Finish()
    {
        m_open = false;
        return Change::FromJournal(m_disc, *m_disc.CloseJournal());
    }

private:
    Disc& m_disc;
    bool m_open = true;
};

} // namespace marlin::image

#include "image/walk_guard.h"

namespace marlin::image {

namespace {
constexpr std::uint8_t kEntered = 1;
constexpr std::uint8_t kOnPath = 2;
} // namespace

WalkGuard::WalkGuard(const Disc& disc) : m_marks(disc.SectorsInImage(), 0) {}

std::uint8_t WalkGuard::Marks(SectorAddress dir) const
{
    if (dir.Value() < m_marks.size())
        return m_marks[dir.Value()];
    const auto it = m_outside.find(dir.Value());
    return it == m_outside.end() ? 0 : it->second;
}

std::uint8_t& WalkGuard::MarksOf(SectorAddress dir)
{
    return dir.Value() < m_marks.size() ? m_marks[dir.Value()] : m_outside[dir.Value()];
}

void WalkGuard::Enter(SectorAddress dir)
{
    MarksOf(dir) |= kEntered | kOnPath;
}

void WalkGuard::Leave(SectorAddress dir)
{
    MarksOf(dir) &= static_cast<std::uint8_t>(~kOnPath);
}

bool WalkGuard::OnPath(SectorAddress dir) const
{
    return Marks(dir) & kOnPath;
}

bool WalkGuard::Entered(SectorAddress dir) const
{
    return Marks(dir) & kEntered;
}

} // namespace marlin::image

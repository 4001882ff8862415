#pragma once
// Long loops (tree building, import, export, recursive delete, compaction)
// call this once per step. The window keeps painting from it (it decides how
// often it really repaints); the tool passes nothing.

#include <functional>

namespace marlin::image {

using Progress = std::function<void()>;

inline void Tick(const Progress& progress)
{
    if (progress)
        progress();
}

} // namespace marlin::image

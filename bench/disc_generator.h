#pragma once
// Large discs for the benchmarks, built in code and always byte for byte the
// same: a 64 MB disc whose root holds 47 directories, each holding 47
// directories that are filled with small and medium files until the disc is
// nearly full, and the same disc with its free space split into as many runs
// as the map can hold.

#include <cstdint>

#include "image/disc.h"

namespace marlin::bench {

inline constexpr int kFanOut = 47;
inline constexpr int kAllLeaves = kFanOut * kFanOut;

struct DiscCounts {
    int directories = 0; // the root included
    int files = 0;
    [[nodiscard]] int entries() const { return directories - 1 + files; }
};

// A 64 MB disc holding the first `leaves` leaf directories of the full shape
// (in depth-first order), each filled with files; it stops early when the disc
// is full. Files of the smaller discs are the same as the first files of the
// full one.
[[nodiscard]] image::Disc GenerateDisc(int leaves = kAllLeaves);

// Deletes files spread evenly over the disc, first one near its start, until
// the free-space map holds its limit of runs (the last free run included).
void FragmentDisc(image::Disc& disc);

// Directories (root included) and files reachable from the root.
[[nodiscard]] DiscCounts CountEntries(const image::Disc& disc);

} // namespace marlin::bench

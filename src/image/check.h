#pragma once
// The disc checker behind `marlin check` and the window's "Check Disc": reads
// the whole image and describes every inconsistency it finds. It never changes
// the image, and it stays bounded whatever the bytes say (each directory block
// is read at most once, nesting is capped, the report is capped).

#include <string>
#include <vector>

#include "image/disc.h"

namespace marlin::image {

// The report stops after this many problem lines, with a last line saying how
// many more there were.
inline constexpr std::size_t kMaxCheckLines = 10000;

// One line per problem, in the order: free-space map, directories (depth first
// in name order), overlaps and sectors past the disc's end (in sector order),
// lost space. Sector numbers are 6-digit hex; slot and run indexes decimal.
// Empty when the image is sound.
[[nodiscard]] std::vector<std::string> Check(const Disc& disc);

// The report as the view window and `marlin check` show it: the problem lines,
// or "No problems found", each line ended by CR.
[[nodiscard]] std::string CheckReport(const std::vector<std::string>& problems);

inline constexpr const char* kNoProblemsFound = "No problems found";

} // namespace marlin::image

#pragma once
// Repair mends only what can be rebuilt from intact structures, without
// moving or guessing file data: the free-space map (from the objects the
// directories reach), a directory block's second sequence number, a
// directory's parent and own-name fields, and entries out of name order. It
// never changes an entry's start, length or addresses, never deletes an
// entry, and never touches a block without both signatures.

#include <string>
#include <vector>

#include "image/disc.h"

namespace marlin::image {

struct RepairReport {
    std::vector<std::string> changes;     // one line per change, as made
    std::vector<std::string> notRepaired; // what the checker still finds afterwards
};

// Repairs the disc in place (a copy gives a dry run).
[[nodiscard]] RepairReport Repair(Disc& disc);

// The report as the tool prints it and the window shows it: the changes,
// then "Not repaired: " and each remaining problem, or one line saying there
// was nothing to repair; each line ended by CR.
[[nodiscard]] std::string RepairText(const RepairReport& report);

} // namespace marlin::image

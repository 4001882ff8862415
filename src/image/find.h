#pragma once
// Finding entries by the filing system's wildcards: "*" stands for any run of
// characters (also none), "#" for exactly one, letters match in any case.

#include <string>
#include <string_view>
#include <vector>

#include "image/directory.h"
#include "image/progress.h"

namespace marlin::image {

[[nodiscard]] bool WildcardMatch(std::string_view pattern, std::string_view text);

struct FoundEntry {
    std::string path; // from "$", names joined by "."
    ListedEntry listed;
};

// Every entry below dir (at path) that matches pattern, in the order of a walk
// of the tree: each directory's entries in directory order, a directory
// before its contents. A pattern without "." matches entry names; one with
// "." matches whole paths from "$" ("$." is put before it when it does not
// start with "$"). The walk never loops and never goes deeper than a path can.
[[nodiscard]] std::vector<FoundEntry> FindEntries(const Disc& disc, std::string_view pattern, SectorAddress dir = kRoot,
                                                  const std::string& path = "$", const Progress& progress = {});

} // namespace marlin::image

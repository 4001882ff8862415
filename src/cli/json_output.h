#pragma once
// The --json forms of info, tree, ls, find, check and map: one document on
// one line of standard output, built from the same core calls as the text
// forms. The field names are those of docs/json/<command>.schema.json.

#include <string>
#include <string_view>
#include <vector>

#include "image/disc.h"
#include "image/find.h"
#include "views/directory_tree.h"

namespace marlin::cli {

void PrintInfoJson(const image::Disc& disc);
void PrintTreeJson(const views::TreeNode& root);
void PrintLsJson(const image::Disc& disc, image::SectorAddress dir, const std::string& path);
void PrintFindJson(std::string_view pattern, const std::string& path, const std::vector<image::FoundEntry>& found);
void PrintCheckJson(const std::vector<std::string>& problems);
void PrintMapJson(const image::Disc& disc);

// Whether both map checksums hold.
[[nodiscard]] bool MapChecksumsHold(const image::Disc& disc);

} // namespace marlin::cli

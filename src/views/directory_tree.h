#pragma once
// The directory tree as the explorer's tree and `marlin tree` show it: the
// root, then every subdirectory entry as a child node, children in
// case-insensitive alphabetical order.

#include <string>
#include <vector>

#include "image/disc.h"
#include "image/progress.h"

namespace marlin::views {

struct TreeNode {
    std::string name;            // root: GetDirectoryName(2); others: the entry name in the parent
    image::SectorAddress sector; // the directory's first sector (the node's tag)
    std::vector<TreeNode> children;
    bool operator==(const TreeNode&) const = default;
};

// Builds the whole tree from the image. An unsigned block (or one that would
// run past the image) adds no children. A damaged image cannot make it loop
// or grow without bound: a directory already expanded elsewhere in the tree
// (its own ancestors included) and a directory deeper than
// kMaxDirectoryDepth keep their node but get no children. Calls progress
// after each entry examined and each subdirectory finished.
[[nodiscard]] TreeNode BuildDirectoryTree(const image::Disc& disc, const image::Progress& progress = {});

// Case-insensitive alphabetical order of node names (the tree's child order).
[[nodiscard]] bool TreeOrder(const TreeNode& a, const TreeNode& b);

} // namespace marlin::views

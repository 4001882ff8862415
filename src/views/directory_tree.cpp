#include "views/directory_tree.h"

#include <algorithm>

#include "image/directory.h"
#include "image/walk_guard.h"

namespace marlin::views {

using namespace marlin::image;

namespace {

struct TreeWalk {
    const Disc& disc;
    const Progress& progress;
    WalkGuard guard;

    // Adds the subdirectories of node's directory, depth first in entry order
    // (so a cross-linked directory is expanded where it is met first).
    void FindFiles(TreeNode& node, int depth)
    {
        // The children would be nested one level deeper than the node.
        if (!IsDirectory(disc, node.sector) || !WalkGuard::DepthAllowed(depth + 1) || guard.Entered(node.sector))
            return;
        guard.Enter(node.sector);
        for (int i = 0; i < dir::kSlots; ++i) {
            if (SlotIsEmpty(disc, node.sector, i))
                break;
            Tick(progress);
            const std::uint64_t e = EntryOffset(node.sector, i);
            if (!(disc.At(e + entry::kAttrD) & 0x80))
                continue;
            node.children.push_back(
                {GetEntryName(disc, node.sector, i), SectorAddress(disc.Read24(e + entry::kStart)), {}});
        }
        for (std::size_t k = 0; k < node.children.size(); ++k) {
            // The next block is fetched while this one is read: on a large
            // disc each is a fresh stretch of memory.
            if (k + 1 < node.children.size())
                PrefetchDirectory(disc, node.children[k + 1].sector);
            FindFiles(node.children[k], depth + 1);
            Tick(progress);
        }
        std::stable_sort(node.children.begin(), node.children.end(), TreeOrder);
    }
};

} // namespace

bool TreeOrder(const TreeNode& a, const TreeNode& b)
{
    return UpperName(a.name) < UpperName(b.name);
}

TreeNode BuildDirectoryTree(const Disc& disc, const Progress& progress)
{
    TreeNode root{GetDirectoryName(disc, kRoot), kRoot, {}};
    TreeWalk walk{disc, progress, WalkGuard(disc)};
    walk.FindFiles(root, 0);
    return root;
}

} // namespace marlin::views

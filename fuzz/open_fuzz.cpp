// Opening an arbitrary image and producing everything the window shows of it:
// the tree, the list columns of every directory, the catalogue listings, the
// map table and the status bar's usage text. None may change the image.
#include "fuzz_disc.h"
#include "views/directory_tree.h"
#include "views/format.h"
#include "views/listings.h"

namespace {

// Every node of the tree names a directory the walk also reaches.
std::size_t CountNodes(const marlin::views::TreeNode& node)
{
    std::size_t n = 1;
    for (const auto& child : node.children)
        n += CountNodes(child);
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto disc = fuzz::DiscFromInput(data, size);
    if (!disc)
        return 0;
    const std::vector<std::uint8_t> before = disc->Image();
    const views::TreeNode tree = views::BuildDirectoryTree(*disc);
    (void)views::DiscUsageText(*disc);
    (void)views::ShowMap(*disc);
    (void)views::ShowCatAll(*disc, image::kRoot);
    (void)views::ShowExAll(*disc, image::kRoot);
    std::size_t directories = 0;
    fuzz::ForEachDirectory(*disc, [&](image::SectorAddress dir) {
        ++directories;
        (void)views::ShowCat(*disc, dir);
        (void)views::ShowEx(*disc, dir);
        for (int i = 0; i < image::EntryCount(*disc, dir); ++i)
            (void)views::EntryColumns(image::ReadEntry(*disc, dir, i));
    });
    // The tree holds each directory at most once per entry that lists it: its
    // size is bounded by the entries of the directories it expanded.
    MARLIN_FUZZ_ASSERT(CountNodes(tree) <= 1 + directories * image::dir::kSlots);
    MARLIN_FUZZ_ASSERT(disc->Image() == before);
    return 0;
}

#pragma once
// The view modes 0-13: which text producer a view window calls, and what it
// takes from the explorer's selection.

#include <optional>

#include "image/directory.h"
#include "image/disc.h"
#include "views/view_text.h"

namespace marlin::views {

// What the explorer's selection offers a view when it is opened.
struct ViewSource {
    std::optional<image::DirEntry> item;      // CurrentItem's entry
    std::optional<image::SectorAddress> node; // CurrentNode's tag
};

// The number by which a command tells a view window what to show.
enum class ViewMode : int {
    Text = 0,
    Hex = 1,
    Basic = 2,
    Map = 3,
    ItemCat = 4,
    ItemCatAll = 5,
    ItemEx = 6,
    ItemExAll = 7,
    NodeCat = 8,
    NodeCatAll = 9,
    NodeEx = 10,
    NodeExAll = 11,
    Dis = 12,
    Check = 13, // the disc checker's report; needs neither item nor node
};

// True for the modes that read the current tree node, and for those that need
// neither an item nor a node.
[[nodiscard]] constexpr bool ViewNeedsNode(ViewMode mode)
{
    return mode >= ViewMode::NodeCat && mode <= ViewMode::NodeExAll;
}
[[nodiscard]] constexpr bool ViewNeedsItem(ViewMode mode)
{
    return !ViewNeedsNode(mode) && mode != ViewMode::Map && mode != ViewMode::Check;
}

// The view of a mode; a file's view keeps or borrows its bytes as keep says.
// Nullopt when the mode needs an item (0-2, 4-7, 12) or a node (8-11) that
// the source lacks.
[[nodiscard]] std::optional<View> ProduceView(ViewMode mode, const image::Disc& disc, const ViewSource& source,
                                              Keep keep = Keep::Borrowed);

} // namespace marlin::views

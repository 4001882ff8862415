#pragma once
// The view modes 0-13: which text producer a view window calls, and what it
// takes from the explorer's selection.

#include <optional>

#include "image/disc.h"
#include "views/format.h"
#include "views/view_text.h"

namespace marlin::views {

// What the explorer's selection offers a view when it is opened.
struct ViewSource {
    std::optional<ListColumns> item;          // CurrentItem's seven columns
    std::optional<image::SectorAddress> node; // CurrentNode's tag
};

enum ViewModes : int {
    kViewText = 0,
    kViewHex = 1,
    kViewBasic = 2,
    kViewMap = 3,
    kViewItemCat = 4,
    kViewItemCatAll = 5,
    kViewItemEx = 6,
    kViewItemExAll = 7,
    kViewNodeCat = 8,
    kViewNodeCatAll = 9,
    kViewNodeEx = 10,
    kViewNodeExAll = 11,
    kViewDis = 12,
    kViewCheck = 13, // the disc checker's report; needs neither item nor node
};

// True for the modes that read the current tree node, and for those that need
// neither an item nor a node.
[[nodiscard]] constexpr bool ViewNeedsNode(int mode) { return mode >= kViewNodeCat && mode <= kViewNodeExAll; }
[[nodiscard]] constexpr bool ViewNeedsItem(int mode)
{
    return !ViewNeedsNode(mode) && mode != kViewMap && mode != kViewCheck;
}

// The text of a view mode. Nullopt for a mode outside 0-13, or when the mode
// needs an item (0-2, 4-7, 12) or a node (8-11) that the source lacks.
[[nodiscard]] std::optional<ViewText> ProduceView(int mode, const image::Disc& disc, const ViewSource& source);

} // namespace marlin::views

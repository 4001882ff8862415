#include "views/view_modes.h"

#include "image/directory.h"
#include "views/basic_lister.h"
#include "views/check_view.h"
#include "views/disassembler.h"
#include "views/dumps.h"
#include "views/listings.h"

namespace marlin::views {

namespace {

// The catalogue of an item is that of the sector under its Load column: a
// directory's start sector. (A file's load address is no sector; only its
// low three bytes are taken and the listing reports what it finds there.)
image::SectorAddress ItemSector(const image::DirEntry& item)
{
    return image::SectorAddress(ItemOf(item).load & image::kMaxSectorValue);
}

} // namespace

std::optional<View> ProduceView(ViewMode mode, const image::Disc& disc, const ViewSource& source, Keep keep)
{
    const bool needsNode = ViewNeedsNode(mode);
    const bool needsItem = ViewNeedsItem(mode);
    if ((needsItem && !source.item) || (needsNode && !source.node))
        return std::nullopt;
    const auto sector = [&] { return needsNode ? *source.node : ItemSector(*source.item); };
    switch (mode) {
    case ViewMode::Text:
        return ShowText(disc, ItemOf(*source.item), keep);
    case ViewMode::Hex:
        return ShowHex(disc, ItemOf(*source.item), keep);
    case ViewMode::Basic:
        return ShowBasic(disc, ItemOf(*source.item), keep);
    case ViewMode::Dis:
        return ShowDis(disc, ItemOf(*source.item), keep);
    case ViewMode::Map:
        return ShowMap(disc);
    case ViewMode::Check:
        return ShowCheck(disc);
    case ViewMode::ItemCat:
    case ViewMode::NodeCat:
        return ShowCat(disc, sector());
    case ViewMode::ItemCatAll:
    case ViewMode::NodeCatAll:
        return ShowCatAll(disc, sector(), image::GetDirectoryName(disc, sector()));
    case ViewMode::ItemEx:
    case ViewMode::NodeEx:
        return ShowEx(disc, sector());
    case ViewMode::ItemExAll:
    case ViewMode::NodeExAll:
        return ShowExAll(disc, sector(), image::GetDirectoryName(disc, sector()));
    }
    return std::nullopt;
}

} // namespace marlin::views

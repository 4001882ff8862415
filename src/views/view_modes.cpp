#include "views/view_modes.h"

#include "image/directory.h"
#include "views/basic_lister.h"
#include "views/check_view.h"
#include "views/disassembler.h"
#include "views/dumps.h"
#include "views/listings.h"

namespace marlin::views {

namespace {

// A directory item keeps its start sector in column 3 ("Load"). The column is
// read back as hex; a value beyond three bytes cannot be a sector, so only
// the low three bytes are kept and the listing then reports what it finds.
image::SectorAddress ItemSector(const ListColumns& item)
{
    return image::SectorAddress(ParseListHex(item[3]) & image::kMaxSectorValue);
}

} // namespace

std::optional<ViewText> ProduceView(ViewMode mode, const image::Disc& disc, const ViewSource& source)
{
    const bool needsNode = ViewNeedsNode(mode);
    const bool needsItem = ViewNeedsItem(mode);
    if ((needsItem && !source.item) || (needsNode && !source.node))
        return std::nullopt;
    const auto sector = [&] { return needsNode ? *source.node : ItemSector(*source.item); };
    switch (mode) {
    case ViewMode::Text:
        return ShowText(disc, *source.item);
    case ViewMode::Hex:
        return ShowHex(disc, *source.item);
    case ViewMode::Basic:
        return ShowBasic(disc, *source.item);
    case ViewMode::Dis:
        return ShowDis(disc, *source.item);
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

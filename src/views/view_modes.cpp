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

std::optional<ViewText> ProduceView(int mode, const image::Disc& disc, const ViewSource& source)
{
    const bool needsNode = ViewNeedsNode(mode);
    const bool needsItem = ViewNeedsItem(mode);
    if (mode < 0 || mode > kViewCheck || (needsItem && !source.item) || (needsNode && !source.node))
        return std::nullopt;
    const auto sector = [&] { return needsNode ? *source.node : ItemSector(*source.item); };
    switch (mode) {
    case kViewText:
        return ShowText(disc, *source.item);
    case kViewHex:
        return ShowHex(disc, *source.item);
    case kViewBasic:
        return Show_Basic(disc, *source.item);
    case kViewDis:
        return ShowDis(disc, *source.item);
    case kViewMap:
        return ShowMap(disc);
    case kViewCheck:
        return ShowCheck(disc);
    case kViewItemCat:
    case kViewNodeCat:
        return ShowCat(disc, sector());
    case kViewItemCatAll:
    case kViewNodeCatAll:
        return ShowCatAll(disc, sector(), image::GetDirectoryName(disc, sector()));
    case kViewItemEx:
    case kViewNodeEx:
        return ShowEx(disc, sector());
    case kViewItemExAll:
    case kViewNodeExAll:
        return ShowExAll(disc, sector(), image::GetDirectoryName(disc, sector()));
    default:
        return std::nullopt;
    }
}

} // namespace marlin::views

#include "views/view_modes.h"

#include "image/directory.h"

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
    (void)disc;
    const bool needsNode = mode >= kViewNodeCat && mode <= kViewNodeExAll;
    const bool needsItem = !needsNode && mode != kViewMap;
    if (mode < 0 || mode > kViewDis || (needsItem && !source.item) || (needsNode && !source.node))
        return std::nullopt;
    // The producers are wired here as they join the core.
    (void)ItemSector;
    return std::nullopt;
}

} // namespace marlin::views

#pragma once
// Operations that change single entries and directories in place. Each
// reports a refusal through the sink and leaves the image unchanged.

#include <optional>
#include <string_view>

#include "image/disc.h"
#include "image/messages.h"

namespace marlin::image {

// Creates an empty directory called name (cut to 10 characters) in parent.
// Returns its first sector, or nullopt when refused (NotEnoughSpace,
// DirectoryFull, DirectoryAlreadyExists). The name's characters are not tested.
[[nodiscard]] std::optional<SectorAddress> CreateDirectory(Disc& disc, SectorAddress parent, std::string_view name,
                                                           MessageSink& sink);

} // namespace marlin::image

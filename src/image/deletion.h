#pragma once
// Deleting entries, and directories with everything below them. Freed
// sectors go back to the map at once; their bytes are not cleared.

#include <optional>
#include <string_view>

#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"

namespace marlin::image {

// Deletes the entry called name from dir. isDir chooses the lock message's
// wording and makes a non-empty directory a refusal. Refused (nothing
// changed) with DeleteLockedDirectory, DeleteLockedFile,
// DeleteNonEmptyDirectory or FreeSpaceMapFull; done when deleted or not found.
Status DeleteEntry(Disc& disc, SectorAddress dir, std::string_view name, bool isDir, bool ignoreLock,
                   MessageSink& sink);

// Deletes the directory dir called name from parent (nullopt for the root,
// which is only emptied). With recurse its contents go first, depth first in
// name order; the first refusal stops the walk and what was deleted stays
// deleted. Refused when refused somewhere. progress is called once per
// deleted entry.
Status DeleteDirectory(Disc& disc, std::optional<SectorAddress> parent, SectorAddress dir, std::string_view name,
                       bool ignoreLock, bool recurse, MessageSink& sink, const Progress& progress = {});

} // namespace marlin::image

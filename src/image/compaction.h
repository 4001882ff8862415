#pragma once
// Compaction: every object reachable from the root moves down towards sector
// 7 in address order, so that all free space ends as one run at the end.

#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"

namespace marlin::image {

// Compacts the disc and rebuilds the map as one run after the last object.
// Refused with CannotCompact (nothing changed): a directory block that
// reaches past the disc's end or lacks its signature, lists itself or an
// ancestor, or is listed twice; more objects than sectors; an object past the
// disc's end; two objects sharing a sector. Refusals name the objects by path.
// An object whose entry cannot be found through its parent stays where it is.
// progress is called once per moved object.
Status CompactDisc(Disc& disc, MessageSink& sink, const Progress& progress = {});

} // namespace marlin::image

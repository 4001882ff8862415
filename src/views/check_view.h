#pragma once
// The "Check Disc" view: the checker's report as a view text.

#include "image/disc.h"
#include "views/view_text.h"

namespace marlin::views {

// Title "Check Disc", save name "Check", the report's lines (or "No problems
// found") with CR line ends.
[[nodiscard]] ViewText ShowCheck(const image::Disc& disc);

} // namespace marlin::views

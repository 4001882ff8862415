#pragma once
// The "Check Disc" view: the checker's report.

#include "image/disc.h"
#include "views/text_sink.h"
#include "views/view_text.h"

namespace marlin::views {

// The report's lines (or "No problems found"), each ended by CR.
void WriteCheck(const image::Disc& disc, TextSink& sink);
// Title "Check Disc", save name "Check".
[[nodiscard]] View ShowCheck(const image::Disc& disc);

} // namespace marlin::views

#pragma once
// Writing files on the host: the image file, saved atomically, and the
// files export and drags make.

#include <filesystem>
#include <fstream>

#include "image/disc.h"
#include "image/messages.h"
#include "image/result.h"

namespace marlin::host {

// Writes the image up to the start of its last free run (the whole disc when
// the map is empty or its last run does not reach the end), atomically:
// a temporary file beside the target is renamed over it. Refused with
// CannotSaveImage (the old file untouched) on any host failure.
image::Status SaveImage(const image::Disc& disc, const std::filesystem::path& path, image::MessageSink& sink);

// Creates path empty for binary writing, replacing an existing file.
[[nodiscard]] std::ofstream CreateHostFile(const std::filesystem::path& path);

} // namespace marlin::host

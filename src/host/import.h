#pragma once
// Import of host files and folder trees into a directory of the image, with
// the metadata of their ".INF" sidecars.

#include <filesystem>
#include <span>

#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"
#include "image/result.h"

namespace marlin::host {

// A folder listing holds at most this many items; a directory takes 47.
inline constexpr int kMaxListedItems = 1000;

// Imports one host path into dir: a path ending in ".INF" is skipped, a folder
// goes to ImportHostFolder, a file becomes one new entry in name order. The
// host file is read whole before anything changes; the entry's sectors follow
// the host file's size, and a sidecar's length is recorded only when it is not
// larger. Refusals go to sink as they happen.
// Done: imported, skipped (a sidecar, a folder met again through a link) or
// refused as already existing; a batch goes on. Refused: no space, directory
// full, a directory that cannot be created, an unreadable host file, or a
// refusal further down a folder; a batch stops there.
image::Status ImportHostFile(image::Disc& disc, image::SectorAddress dir, const std::filesystem::path& path,
                             image::MessageSink& sink, const image::Progress& progress = {});

// Creates a directory for the folder in dir (named by the folder's sidecar or
// its own name) and imports every listed item into it. Hidden items (names
// starting with ".") and items that are neither files nor folders are left out;
// progress runs once per listed item.
image::Status ImportHostFolder(image::Disc& disc, image::SectorAddress dir, const std::filesystem::path& path,
                               image::MessageSink& sink, const image::Progress& progress = {});

// A drop of host paths on the list of dir: each path is imported in order; a
// duplicate goes on, the first refusal ends the drop. sawFolder tells the
// window to rebuild its tree (a folder that failed counts too).
struct [[nodiscard]] DropResult {
    bool sawFolder = false;
    image::Status status = image::Status::Done;
};
[[nodiscard]] DropResult DropHostFiles(image::Disc& disc, image::SectorAddress dir,
                                       std::span<const std::filesystem::path> paths, image::MessageSink& sink,
                                       const image::Progress& progress = {});

} // namespace marlin::host

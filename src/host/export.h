#pragma once
// Export of image entries into host folders, each with its ".INF" sidecar.
// Export only reads the image and never writes outside the folder it is given.

#include <filesystem>
#include <span>
#include <vector>

#include "image/directory.h"
#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"
#include "image/result.h"

namespace marlin::host {

// Every export is refused when the host refuses a folder, file or sidecar:
// "Cannot Export : " + that host path goes to the sink and the export ends
// there, keeping what it had written.

// "Export Directory...", the whole disc from the root, and a drag of a
// directory: makes the folder path (one level) when nothing is there, then
// writes every entry of dir into it in slot order, a subdirectory's whole tree before the
// next entry: files hold exactly their bytes (those inside the image), and
// every sidecar line ends with the attribute letters. A directory block that
// is unsigned or already being exported further up is written as an empty
// folder. progress runs once per entry.
image::Status ExportFiles(const image::Disc& disc, const std::filesystem::path& path, image::SectorAddress dir,
                          image::MessageSink& sink, const image::Progress& progress = {});

// "Export File...": the given entries (the list's selected items) into
// folder, a directory as a subfolder with its tree.
// These sidecar lines end with one blank after the letters. The host paths
// handed out (data file or folder, then its sidecar, per item) are appended
// to handedOut when it is given.
image::Status ExportListItems(const image::Disc& disc, const std::filesystem::path& folder,
                              std::span<const image::DirEntry> items, image::MessageSink& sink,
                              const image::Progress& progress = {},
                              std::vector<std::filesystem::path>* handedOut = nullptr);

} // namespace marlin::host
